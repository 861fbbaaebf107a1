"""Reads every include of src/ and fails on an include against the layers.

The libraries, lowest first: base < store < data < render < ui < apps. A file may include
its own library and the ones below it, and only those its library links (by the
target_link_libraries of the folder's CMakeLists, followed through). The engines in
store/sqlite and store/postgres do not include each other, and nothing outside them includes
an engine's headers (SQLite's, libpq's or the engine folders' own): the neutral store reaches
the engines through what it declares itself (store/GeoEngines.h). A project header is named
by its folder below src/ ("store/GeoDatabase.h"), never by a path relative to the including
file. base uses QtCore alone; store and data use no QtGui; render uses no widgets;
kelvo-cli no widgets; nothing uses Qt SQL (the engines are opened through their own
libraries), and no text outside the engine folders holds an engine's own SQL (PRAGMA,
NOCASE, pg_...) or names the files an engine keeps beside a database (-journal, -wal,
-shm); no layer below the UI, and not kelvo-cli, uses a global g_...; above the store, no
text is a statement, and in the store outside the engine folders only the statement
builders (*SqlBuilder.cpp) write one.

  check_layers.py SOURCE_DIR QT_INCLUDE_DIRS
Exit status 0 when every include keeps to the layers, 1 with the list of those that do not,
77 (skipped) when src/ has no layer folders.
"""
import os
import re
import sys

LAYERS = ['base', 'store', 'data', 'render', 'ui', 'apps']
TARGETS = {'kelvo_' + name: name for name in LAYERS if name != 'apps'}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
ENGINE_HEADERS = {'sqlite3.h': 'sqlite', 'sqlite3ext.h': 'sqlite', 'libpq-fe.h': 'postgres',
                  'libpq-events.h': 'postgres', 'pg_config.h': 'postgres'}
ENGINES = ('sqlite', 'postgres')
# Words of one engine's SQL, which only that engine's folder writes.
LITERAL = re.compile(r'"(?:[^"\\\n]|\\.)*"')
ENGINE_SQL = re.compile(r'\b(PRAGMA|pragma_\w+|BEGIN IMMEDIATE|NOCASE|sqlite_\w+|pg_\w+|plpgsql|'
                        r'regclass|information_schema)\b', re.I)
# A statement, which only the store writes (the layers above call its builders).
STATEMENT = re.compile(r'^"\s*(SELECT|INSERT|UPDATE|DELETE|BEGIN|COMMIT|ROLLBACK|SAVEPOINT|CREATE|'
                       r'DROP|ALTER|WITH|VACUUM|ANALYZE)\b')
# A global of the windows (g_...), which only the UI and the program kelvo hold.
GLOBAL = re.compile(r'\bg_[A-Za-z]\w*')
# The files SQLite keeps beside a database, which only its folder names.
ENGINE_FILES = re.compile(r'-(journal|wal|shm)\b')


def qt_modules(include_dirs):
    """Header name -> Qt module, from the Qt include folder."""
    roots = {os.path.dirname(d.rstrip('/')) for d in re.split(r'[;|]', include_dirs)
             if d.rstrip('/').endswith('/QtCore')}
    modules = {}
    for root in roots:
        for module in ('QtCore', 'QtGui', 'QtWidgets', 'QtPrintSupport', 'QtSql', 'QtNetwork'):
            folder = os.path.join(root, module)
            if os.path.isdir(folder):
                for name in os.listdir(folder):
                    if name.startswith('Q') and '.' not in name:
                        modules.setdefault(name, module)
    return modules


def cmake_links(path):
    """target -> the kelvo_ libraries and Qt modules it links, from one CMakeLists."""
    text = open(path, encoding='utf-8').read()
    links = {}
    for m in re.finditer(r'target_link_libraries\(\s*([\w-]+)\s+(?:PUBLIC|PRIVATE|INTERFACE)'
                         r'([^)]*)\)', text):
        links.setdefault(m.group(1), set()).update(m.group(2).split())
    return links


def main():
    src = os.path.join(sys.argv[1], 'src')
    qt = qt_modules(sys.argv[2] if len(sys.argv) > 2 else '')
    present = [name for name in LAYERS if os.path.isdir(os.path.join(src, name))]
    if not present:
        print('src/ has no layer folders: nothing to check')
        return 77

    # What each library (and each program of apps/) links, followed through.
    direct = {}
    for name in present:
        cmake = os.path.join(src, name, 'CMakeLists.txt')
        if os.path.exists(cmake):
            for target, libs in cmake_links(cmake).items():
                direct[target] = libs

    def closure(target, seen=None):
        seen = set() if seen is None else seen
        for lib in direct.get(target, ()):
            if lib not in seen:
                seen.add(lib)
                closure(lib, seen)
        return seen

    def owner(path):
        """(layer, target) of a file below src/."""
        parts = os.path.relpath(path, src).split(os.sep)
        layer = parts[0]
        if layer == 'apps':
            return layer, parts[1] if len(parts) > 2 else None
        return layer, 'kelvo_' + layer

    faults = []
    checked = 0
    for layer in present:
        for folder, _, names in os.walk(os.path.join(src, layer)):
            for name in sorted(names):
                if not name.endswith(('.cpp', '.h', '.c')):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, os.path.dirname(src))
                own_layer, target = owner(path)
                linked = closure(target) if target else set()
                linked_layers = {TARGETS[t] for t in linked if t in TARGETS}
                linked_qt = {t.split('::')[1] for t in linked if t.startswith('Qt6::')}
                engine = rel.split('/')[2] if rel.startswith('src/store/') and \
                    rel.count('/') > 2 else None
                text = open(path, encoding='utf-8', errors='replace').read()
                builder = name.endswith('SqlBuilder.cpp')
                for number, line in enumerate(text.splitlines(), 1):
                    comment = line.lstrip().startswith('//')
                    m = INCLUDE.match(line)
                    if not m:
                        global_name = GLOBAL.search(line.split('//')[0])
                        if global_name and (own_layer in ('base', 'store', 'data', 'render') or
                                            target == 'kelvo-cli'):
                            faults.append('%s:%d uses %s: the globals live in the UI, the '
                                          'layers below take values' % (rel, number,
                                                                       global_name.group(0)))
                        if engine not in ENGINES:
                            code = line.split('//')[0] if '"' not in line else line
                            for literal in LITERAL.findall(code):
                                word = ENGINE_SQL.search(literal)
                                if word:
                                    faults.append('%s:%d writes %s: an engine\'s SQL belongs in '
                                                  'its folder' % (rel, number, word.group(0)))
                                if own_layer != 'store' and STATEMENT.match(literal):
                                    faults.append('%s:%d writes SQL: statements belong in the '
                                                  'store' % (rel, number))
                                elif own_layer == 'store' and not builder and not comment \
                                        and STATEMENT.match(literal):
                                    faults.append('%s:%d writes SQL: the neutral store asks '
                                                  'the dialect' % (rel, number))
                                side = ENGINE_FILES.search(literal)
                                if side:
                                    faults.append('%s:%d names %s: an engine\'s files belong in '
                                                  'its folder' % (rel, number, side.group(0)))
                        continue
                    checked += 1
                    kind, header = m.groups()
                    where = '%s:%d includes %s' % (rel, number, header)
                    top = header.split('/')[0]
                    project = top in LAYERS and os.path.exists(os.path.join(src, header))
                    if kind == '"' and not project:
                        # A quoted include is the project's own: one that names no header
                        # below src/ by its folder could lead anywhere, upward too.
                        near = os.path.normpath(os.path.join(folder, header))
                        if os.path.exists(near) or top in LAYERS or '/' in header:
                            faults.append('%s: name the folder below src/ (as "%s")'
                                          % (where, os.path.relpath(near, src)
                                             if os.path.exists(near) else 'layer/File.h'))
                        continue
                    if project:
                        if LAYERS.index(top) > LAYERS.index(own_layer):
                            faults.append('%s: upward, %s is above %s' % (where, top, own_layer))
                        elif top != own_layer and top not in linked_layers:
                            faults.append('%s: %s does not link kelvo_%s'
                                          % (where, target, top))
                        parts = header.split('/')
                        into = parts[1] if top == 'store' and len(parts) > 2 and \
                            parts[1] in ENGINES else None
                        if into and engine in ENGINES and into != engine:
                            faults.append('%s: one engine includes the other' % where)
                        elif into and engine not in ENGINES:
                            faults.append('%s: only the engine sees its own code' % where)
                        continue
                    if header in ENGINE_HEADERS and engine != ENGINE_HEADERS[header]:
                        faults.append('%s: only store/%s sees the engine'
                                      % (where, ENGINE_HEADERS[header]))
                    base = header.split('/')[-1]
                    module = qt.get(base)
                    if module == 'QtSql' or header.startswith('QtSql/'):
                        faults.append('%s: no Qt SQL, the engines are opened directly' % where)
                    if module in ('QtGui', 'QtWidgets', 'QtPrintSupport') and \
                            own_layer in ('base', 'store', 'data'):
                        faults.append('%s: %s draws nothing (%s)' % (where, own_layer, module))
                    if module in ('QtWidgets', 'QtPrintSupport') and (
                            own_layer == 'render' or target == 'kelvo-cli'):
                        faults.append('%s: %s uses no widgets (%s)' % (where, target, module))
                    if module and module != 'QtCore' and own_layer == 'base':
                        faults.append('%s: base uses QtCore alone (%s)' % (where, module))
                    if module and module[2:] not in linked_qt and module != 'QtCore' and \
                            own_layer != 'apps' and target:
                        faults.append('%s: %s does not link Qt6::%s' % (where, target, module[2:]))
    for fault in faults:
        print(fault)
    print('%d includes checked in %s, %d against the layers' % (checked, ', '.join(present),
                                                               len(faults)))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
