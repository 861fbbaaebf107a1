"""Shows that check_layers.py fails on includes against the layers: each include (or line)
below is put at the top of a file of a copy of src/, and the check must name it.

  test_check_layers.py SOURCE_DIR QT_INCLUDE_DIRS
"""
import os
import shutil
import subprocess
import sys
import tempfile

# (file below src/, include put at its top, words the check must print)
FAULTS = [
    ('base/JetLike.cpp', '#include "store/GeoDatabase.h"', 'upward, store is above base'),
    ('render/map/MapCanvas.cpp', '#include "ui/shell/Globals.h"', 'upward, ui is above render'),
    ('store/GeoRadius.cpp', '#include <render/map/MapCanvas.h>', 'upward, render is above store'),
    ('render/map/MapCanvas.cpp', '#include "../../ui/shell/Globals.h"',
     'name the folder below src/'),
    ('store/sqlite/SqliteBackend.cpp', '#include "../postgres/PgBackend.h"',
     'name the folder below src/'),
    ('store/sqlite/SqliteBackend.cpp', '#include "store/postgres/PgBackend.h"',
     'one engine includes the other'),
    ('data/GeoImport.cpp', '#include "store/sqlite/SqliteBackend.h"',
     'only the engine sees its own code'),
    ('store/GeoDatabase.cpp', '#include "store/sqlite/SqliteFile.h"',
     'only the engine sees its own code'),
    ('store/GeoRadius.cpp', '#include <sqlite3.h>', 'only store/sqlite sees the engine'),
    ('ui/shell/Globals.cpp', '#include <libpq-fe.h>', 'only store/postgres sees the engine'),
    ('store/GeoRadius.cpp', '#include <QSqlDatabase>', 'no Qt SQL'),
    ('data/GeoImport.cpp', '#include <QImage>', 'data draws nothing'),
    ('store/GeoRadius.cpp', 'static const char* kCheck = "PRAGMA quick_check";',
     'writes PRAGMA'),
    ('render/map/MapCanvas.cpp', 'static const char* kOrder = "ORDER BY x COLLATE NOCASE";',
     'writes NOCASE'),
    ('store/LeftoverFiles.cpp', 'static const char* kSide = "(-journal|-wal)?";',
     'names -journal'),
    ('render/map/MapDrawJob.cpp', 'static const char* kBegin = "BEGIN";', 'writes SQL'),
    ('ui/table/CListView_TableCommands.cpp',
     'static const char* kRow = "SELECT * FROM GEO WHERE ID_Geo = ?";', 'writes SQL'),
    ('store/GeoReaderPool.cpp', 'static const char* kProbe = "SELECT 1";',
     'the neutral store asks the dialect'),
    ('store/GeoDatabase.cpp', 'static const char* kEnd = "ROLLBACK";',
     'the neutral store asks the dialect'),
    ('render/map/MapCanvas.cpp', 'static bool on() { return g_bShowNames; }',
     'uses g_bShowNames: the globals live in the UI'),
    ('apps/kelvo-cli/RenderCommand.cpp', 'static void set() { g_nZoom = 2; }',
     'uses g_nZoom'),
    ('render/map/MapCanvas.cpp', '#include <QWidget>', 'uses no widgets'),
    ('apps/kelvo-cli/main.cpp', '#include "ui/shell/Globals.h"', 'kelvo-cli does not link'),
]


def check(root, qt):
    run = subprocess.run([sys.executable, os.path.join(os.path.dirname(__file__),
                                                       'check_layers.py'), root, qt],
                         capture_output=True, text=True)
    return run.returncode, run.stdout


def main():
    source, qt = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else ''
    failures = []
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, 'src')
        shutil.copytree(os.path.join(source, 'src'), src)
        status, out = check(work, qt)
        if status != 0:
            failures.append('the copy of src/ itself fails:\n' + out)
        for name, include, words in FAULTS:
            path = os.path.join(src, name)
            original = open(path, encoding='utf-8').read()
            with open(path, 'w', encoding='utf-8') as fh:
                fh.write(include + '\n' + original)
            status, out = check(work, qt)
            with open(path, 'w', encoding='utf-8') as fh:
                fh.write(original)
            if status != 1 or words not in out:
                failures.append('%s with %s: status %d, expected "%s":\n%s'
                                % (name, include, status, words, out))
    for failure in failures:
        print(failure)
    print('%d includes against the layers tried, %d not found' % (len(FAULTS), len(failures)))
    return 1 if failures else 0


if __name__ == '__main__':
    sys.exit(main())
