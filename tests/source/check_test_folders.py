"""Fails when tests/ does not mirror src/: a folder of tests/ with test code below a layer
(tests/ui/table/) must have its folder in src/ (src/ui/table/), and a layer whose code lies
only in subfolders (src/ui/) keeps only shared fixtures (headers) at the top of its tests.

  check_test_folders.py SOURCE_DIR
Exit status 0 when tests/ mirrors src/, 1 with the list of what does not.
"""
import os
import sys

LAYERS = ['base', 'store', 'data', 'render', 'ui', 'apps']
CODE = ('.cpp', '.h')


def main():
    root = sys.argv[1]
    src, tests = os.path.join(root, 'src'), os.path.join(root, 'tests')
    faults = []
    for layer in LAYERS:
        top = os.path.join(tests, layer)
        if not os.path.isdir(top):
            continue
        split = not any(name.endswith(CODE) for name in os.listdir(os.path.join(src, layer)))
        for folder, _, names in os.walk(top):
            code = [name for name in names if name.endswith(CODE)]
            rel = os.path.relpath(folder, tests)
            if code and not os.path.isdir(os.path.join(src, rel)):
                faults.append('tests/%s: src/%s does not exist' % (rel, rel))
            if folder == top and split:
                faults.extend('tests/%s/%s: src/%s has its code in folders; the test goes to '
                              'the folder of what it tests' % (layer, name, layer)
                              for name in sorted(code) if name.endswith('.cpp'))
    for fault in faults:
        print(fault)
    print('%d test files or folders that do not mirror src/' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
