#!/usr/bin/env python3
"""Prints the size of the test suite against the code it tests: non-blank, non-comment lines of
tests/, fuzz/ and every *_test file, against src/, sim/ and tools/. Usage: test_ratio.py [--max R]
exits 1 when the ratio is above R."""
import os
import re
import sys

SOURCE_SUFFIXES = ('.cpp', '.h', '.hpp', '.cc', '.sh', '.py')


def count_lines(path):
    n, in_block = 0, False
    with open(path, errors='replace') as f:
        for line in f:
            t = line.strip()
            if in_block:
                in_block = '*/' not in t
                continue
            script_comment = (t.startswith('#') and path.endswith(('.sh', '.py'))
                              and not t.startswith('#!'))
            if not t or t.startswith('//') or script_comment:
                continue
            if t.startswith('/*'):
                in_block = '*/' not in t
                continue
            n += 1
    return n


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..')
    os.chdir(root)
    tests = code = 0
    for top in ('src', 'sim', 'tools', 'tests', 'fuzz'):
        for d, _, files in os.walk(top):
            # Test data (captures, recorded files) is not code; tests/datafile is.
            if 'data' in d.split(os.sep):
                continue
            for name in files:
                if not name.endswith(SOURCE_SUFFIXES):
                    continue
                n = count_lines(os.path.join(d, name))
                if top in ('tests', 'fuzz') or re.search(r'_test\.(cpp|sh|py)$', name):
                    tests += n
                else:
                    code += n
    ratio = tests / code if code else 0.0
    print('tests %d lines, code %d lines, ratio %.2f' % (tests, code, ratio))
    if len(sys.argv) == 3 and sys.argv[1] == '--max' and ratio > float(sys.argv[2]):
        print('the tests are more than %s of the code' % sys.argv[2])
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
