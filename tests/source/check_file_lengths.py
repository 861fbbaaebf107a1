"""Lists the source files of src/, tests/ and bench/ and the scripts and build files of
scripts/, .ci/ and packaging/ that are longer than 500 lines.

  check_file_lengths.py SOURCE_DIR
Exit status 0 when there are none, 1 with the list.
"""
import os
import sys

LIMIT = 500
SUFFIXES = ('.cpp', '.h', '.c', '.py', '.sql', '.sh', '.cmake')


def main():
    root = sys.argv[1]
    offenders = []
    for top in ('src', 'tests', 'bench', 'scripts', '.ci', 'packaging'):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                path = os.path.join(folder, name)
                # Source files by their suffix; scripts also without one (scripts/test).
                script = '.' not in name and top in ('scripts', '.ci', 'bench') and \
                    open(path, 'rb').read(2) == b'#!'
                if not (name.endswith(SUFFIXES) or name == 'CMakeLists.txt' or script):
                    continue
                with open(path, encoding='utf-8', errors='replace') as fh:
                    lines = sum(1 for _ in fh)
                if lines > LIMIT:
                    offenders.append((lines, os.path.relpath(path, root)))
    for lines, path in sorted(offenders, reverse=True):
        print('%s: %d lines (split it: at most %d)' % (path, lines, LIMIT))
    print('%d source files over %d lines' % (len(offenders), LIMIT))
    return 1 if offenders else 0


if __name__ == '__main__':
    sys.exit(main())
