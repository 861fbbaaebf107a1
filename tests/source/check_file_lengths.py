"""Lists the source files of src/, tests/ and bench/ that are longer than 500 lines.

  check_file_lengths.py SOURCE_DIR
Exit status 0 when there are none, 1 with the list.
"""
import os
import sys

LIMIT = 500


def main():
    root = sys.argv[1]
    offenders = []
    for top in ('src', 'tests', 'bench'):
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if not name.endswith(('.cpp', '.h', '.c', '.py', '.sql')):
                    continue
                path = os.path.join(folder, name)
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
