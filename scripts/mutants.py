#!/usr/bin/env python3
"""Mutation check: do the tests notice small faults in the rule libraries?

    mutants.py [--list] [--only ID[,ID...]] [-j N] [--build-dir DIR] [--no-baseline]

First runs the selected tests once without a mutant (they must pass). Then applies each
mutant of scripts/mutants.txt on its own: rebuilds the test programs that link the mutated
library (found in CMake's target link graph), runs every ctest entry of those programs (the
folder's own unit programs first; the rest only when those pass), puts
the file back and records the mutant as killed (some test failed, or the build failed:
"killed (build)") or survived. Ends with "N killed, N survived".

The build directory (default build-mutants) is configured once (Release, ccache when present)
and reused. The work tree must be clean at the start; every mutated file is restored, also on
Ctrl-C or an error, and checked against git afterwards.

mutants.txt holds one block per mutant: "id:", "file:" and "why:" lines, then the original
lines prefixed "-" and their replacement prefixed "+" (no "+" line: the text is deleted). The
original must occur exactly once in the file, so a stale mutant is refused, not silently
skipped.
"""
import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), '..'))
LIST_FILE = os.path.join(ROOT, 'scripts', 'mutants.txt')


class Mutant:
    def __init__(self, ident, path, why, original, replacement):
        self.id, self.path, self.why = ident, path, why
        self.original, self.replacement = original, replacement

    def library(self):
        # A rule file of src/<folder>/ is in the library tm47_<folder>.
        parts = self.path.split('/')
        return 'tm47_' + parts[1]


def read_mutants():
    mutants, block = [], None

    def finish():
        if block is None:
            return
        for key in ('id', 'file', 'why'):
            if not block.get(key):
                sys.exit(f'mutants.txt: a mutant lacks "{key}:" ({block})')
        if not block['minus']:
            sys.exit(f'mutants.txt: mutant {block["id"]} has no original ("-") line')
        mutants.append(Mutant(block['id'], block['file'], block['why'], '\n'.join(block['minus']),
                              '\n'.join(block['plus'])))

    with open(LIST_FILE, encoding='utf-8') as f:
        for raw in f:
            line = raw.rstrip('\n')
            if line.startswith('#') or not line.strip():
                continue
            if line.startswith('id:'):
                finish()
                block = {'id': line[3:].strip(), 'minus': [], 'plus': []}
            elif block is None:
                sys.exit(f'mutants.txt: text before the first "id:": {line}')
            elif line.startswith(('file:', 'why:')):
                key, value = line.split(':', 1)
                block[key] = value.strip()
            elif line.startswith('-'):
                block['minus'].append(line[1:])
            elif line.startswith('+'):
                block['plus'].append(line[1:])
            else:
                sys.exit(f'mutants.txt: mutant {block["id"]}: unexpected line: {line}')
    finish()
    ids = [m.id for m in mutants]
    dupes = sorted({i for i in ids if ids.count(i) > 1})
    if dupes:
        sys.exit('mutants.txt: duplicate ids: ' + ', '.join(dupes))
    return mutants


def check_applicable(m):
    """The mutated text, or exits naming a mutant whose original is not there exactly once."""
    path = os.path.join(ROOT, m.path)
    if not os.path.isfile(path):
        sys.exit(f'mutant {m.id}: {m.path} does not exist')
    with open(path, encoding='utf-8', newline='') as f:
        text = f.read()
    count = text.count(m.original)
    if count != 1:
        sys.exit(f'mutant {m.id}: its original text occurs {count} times in {m.path} '
                 '(it must occur exactly once; update mutants.txt)')
    return text


def run(cmd, **kw):
    if kw.get('text'):
        kw['errors'] = 'replace'  # test output may hold record bytes that are not UTF-8
    return subprocess.run(cmd, cwd=kw.pop('cwd', ROOT), **kw)


def tree_is_clean(paths=None):
    cmd = ['git', 'status', '--porcelain', '--untracked-files=no']
    if paths:
        cmd += ['--'] + paths
    return run(cmd, capture_output=True, text=True).stdout.strip() == ''


def configure(build):
    if os.path.isfile(os.path.join(build, 'CMakeCache.txt')):
        return
    cmd = ['cmake', '-S', ROOT, '-B', build, '-DCMAKE_BUILD_TYPE=Release']
    if shutil.which('ccache'):
        cmd.append('-DCMAKE_CXX_COMPILER_LAUNCHER=ccache')
    if run(cmd).returncode != 0:
        sys.exit('configuring ' + build + ' failed')


def executables_linking(build, libraries):
    """Per library: the executables that link it, directly or through other libraries."""
    graph_dir = os.path.join(build, 'mutants-graph')
    os.makedirs(graph_dir, exist_ok=True)
    dot = os.path.join(graph_dir, 'targets.dot')
    if run(['cmake', f'--graphviz={dot}', '.'], cwd=build, capture_output=True).returncode != 0:
        sys.exit('cmake --graphviz failed in ' + build)
    names, shapes, users = {}, {}, {}
    node = re.compile(r'^\s*"(node\d+)" \[ label = "([^"]+)", shape = (\w+) \];')
    edge = re.compile(r'^\s*"(node\d+)" -> "(node\d+)"')
    with open(dot) as f:
        for line in f:
            if (n := node.match(line)):
                names[n.group(1)], shapes[n.group(1)] = n.group(2), n.group(3)
            elif (e := edge.match(line)):
                users.setdefault(e.group(2), set()).add(e.group(1))
    by_name = {v: k for k, v in names.items()}
    result = {}
    for lib in libraries:
        if lib not in by_name:
            sys.exit(f'library {lib} is not a target of {build}')
        seen, todo = set(), [by_name[lib]]
        while todo:
            for user in users.get(todo.pop(), ()):
                if user not in seen:
                    seen.add(user)
                    todo.append(user)
        result[lib] = sorted(names[n] for n in seen if shapes[n] == 'egg')
    return result


def ctest_entries(build):
    """Every ctest entry as (name, the base names of the files in its command)."""
    out = run(['ctest', '--show-only=json-v1'], cwd=build, capture_output=True, text=True)
    if out.returncode != 0:
        sys.exit('ctest --show-only failed:\n' + out.stderr)
    entries = []
    for test in json.loads(out.stdout)['tests']:
        words = set()
        for arg in test.get('command', []):
            words.update(os.path.basename(part) for part in re.split(r'[\s=:]', arg) if part)
        entries.append((test['name'], words))
    return entries


def ctest_regex(names):
    # ctest matches -R with CMake's regular expressions; escape their special characters.
    escaped = [re.sub(r'([\^$.\[\]*+?()|\\])', r'\\\1', n) for n in names]
    return '^(' + '|'.join(escaped) + ')$'


def build_targets(build, targets, jobs, cache=True):
    cmd = ['cmake', '--build', build, '-j', str(jobs), '--target'] + targets
    env = dict(os.environ)
    if not cache:
        env['CCACHE_DISABLE'] = '1'
    out = run(cmd, capture_output=True, text=True, env=env)
    return out.returncode == 0, out.stdout + out.stderr


def run_ctest(build, tests, jobs):
    """The ctest run and the lines of its failed tests; exits when it did not run `tests`."""
    out = run(['ctest', '-j', str(jobs), '--output-on-failure', '-R', ctest_regex(tests)],
              cwd=build, capture_output=True, text=True,
              env=dict(os.environ, QT_QPA_PLATFORM='offscreen'))
    # ctest ends with "... tests failed out of N"; anything else is a fault of the run.
    total = re.search(r'tests failed out of (\d+)', out.stdout)
    if not total or int(total.group(1)) != len(tests):
        sys.exit(out.stdout[-3000:] + out.stderr[-3000:] +
                 f'\nctest did not run the {len(tests)} selected tests')
    if out.returncode == 0:
        return []
    return [l.strip() for l in out.stdout.splitlines() if re.match(r'\s*\d+ - ', l)] or ['?']


def run_mutant(m, build, phases, jobs):
    """'killed', 'killed (build)' or 'survived'. The file is always restored.

    `phases` is a list of (programs, tests); a later phase runs only when the earlier ones all
    passed, so the folder's own quick tests can kill a mutant before the long ones are built."""
    path = os.path.join(ROOT, m.path)
    text = check_applicable(m)
    try:
        with open(path, 'w', encoding='utf-8', newline='') as f:
            f.write(text.replace(m.original, m.replacement, 1))
        for programs, tests in phases:
            if not tests:
                continue
            # Never from the shared compiler cache: a file changed while another build was
            # compiling it can leave the unmutated object filed under the mutated text.
            built, _ = build_targets(build, programs, jobs, cache=False)
            if not built:
                return 'killed (build)'
            failed = run_ctest(build, tests, jobs)
            if failed:
                print('    failed: ' + '; '.join(failed[:5]) + (' ...' if len(failed) > 5 else ''))
                return 'killed'
        return 'survived'
    finally:
        with open(path, 'w', encoding='utf-8', newline='') as f:
            f.write(text)
        if not tree_is_clean([m.path]):
            sys.exit(f'{m.path} differs from git after restoring it: check it by hand')


def main():
    p = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    p.add_argument('--list', action='store_true', help='print the mutants and stop')
    p.add_argument('--only', help='run only these mutants (comma-separated ids)')
    p.add_argument('-j', type=int, default=os.cpu_count() or 2, help='jobs for build and ctest')
    p.add_argument('--build-dir', default=os.path.join(ROOT, 'build-mutants'))
    p.add_argument('--no-baseline', action='store_true',
                   help='skip the first run of the unmutated tests (they must pass)')
    args = p.parse_args()

    mutants = read_mutants()
    for m in mutants:
        check_applicable(m)
    if args.only:
        wanted = args.only.split(',')
        unknown = [w for w in wanted if w not in {m.id for m in mutants}]
        if unknown:
            sys.exit('unknown mutant ids: ' + ', '.join(unknown))
        mutants = [m for m in mutants if m.id in wanted]
    if args.list:
        for m in mutants:
            print(f'{m.id}  {m.path}  {m.why}')
            print('\n'.join('    - ' + l for l in m.original.split('\n')))
            print('\n'.join('    + ' + l for l in m.replacement.split('\n')))
        print(f'{len(mutants)} mutants')
        return 0

    if not tree_is_clean():
        sys.exit('the work tree has uncommitted changes; commit or stash them first')
    # Ctrl-C raises KeyboardInterrupt; make a plain kill do the same, so the file is restored.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))

    build = os.path.abspath(args.build_dir)
    configure(build)
    programs = executables_linking(build, sorted({m.library() for m in mutants}))
    every_program = sorted({e for exes in programs.values() for e in exes})
    # Everything once: some tests also run programs that link none of the mutated libraries.
    print(f'building everything in {build} ...', flush=True)
    built, log = build_targets(build, ['all'], args.j)
    if not built:
        sys.exit(log[-4000:] + '\nthe unmutated tree does not build')
    entries = ctest_entries(build)
    tested = {word for _, words in entries for word in words}
    if not args.no_baseline:
        # A test that fails without a mutant would count every mutant as killed.
        wanted = set(every_program)
        selected = [name for name, words in entries if words & wanted]
        print(f'baseline: {len(selected)} tests of the unmutated tree ...', flush=True)
        failed = run_ctest(build, selected, args.j)
        if failed:
            sys.exit('the unmutated tree fails: ' + '; '.join(failed))

    results = []
    for n, m in enumerate(mutants, 1):
        # Programs without ctest entries (benchmarks) need not be rebuilt for the mutant.
        exes = [e for e in programs[m.library()] if e in tested]
        tests = [name for name, words in entries if words & set(exes)]
        # First the folder's own unit programs (src/x/ is tested by x_tests, x_thread_tests).
        folder = m.path.split('/')[1]
        own = [e for e in exes if e in (folder + '_tests', folder + '_thread_tests')]
        rest = [e for e in exes if e not in own]
        phases = [(own, [t for t, words in entries if words & set(own)]),
                  (rest, [t for t, words in entries if words & set(rest)])]
        print(f'[{n}/{len(mutants)}] {m.id} ({m.path}; {len(exes)} programs, '
              f'{len(tests)} tests)', flush=True)
        started = time.monotonic()
        outcome = run_mutant(m, build, phases, args.j) if tests else 'survived'
        print(f'    {outcome} ({time.monotonic() - started:.0f} s)', flush=True)
        results.append((m, outcome))

    survivors = [m for m, outcome in results if outcome == 'survived']
    if survivors:
        print('\nSurvivors:')
        for m in survivors:
            print(f'  {m.id}  {m.path}  {m.why}')
    killed = len(results) - len(survivors)
    print(f'{killed} killed, {len(survivors)} survived')
    return 0


if __name__ == '__main__':
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit('interrupted; the mutated file was restored')
