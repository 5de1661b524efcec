"""The table of scripts/repeat-scenarios.sh: reads the JUnit files ctest
wrote for each round (round-K.xml in FOLDER) and prints, per test, its runs,
its failures and, for each failure, the round and the first line of its
output that says what failed. Exits 1 when any test failed or a round left
no results.

Usage: repeat_table.py FOLDER ROUNDS"""

import os
import re
import sys
import xml.etree.ElementTree as ET

# Lines that say what failed, in the order they are looked for: Python's
# assertion and error lines, GoogleTest's failure lines, then the test
# runner's own verdicts.
FIRST_FAILURE = [
    re.compile(r'^\w*(Error|Exception): .+'),
    re.compile(r'^.+:\d+: Failure$'),
    re.compile(r'^(FAIL|ERROR): .+'),
    re.compile(r'^\[  FAILED  \] .+'),
    re.compile(r'.*(timed out|Timeout|crashed|Segmentation).*', re.IGNORECASE),
]


def first_failure(output):
    lines = output.splitlines()
    for pattern in FIRST_FAILURE:
        for i, line in enumerate(lines):
            if pattern.match(line.strip()):
                text = line.strip()
                # GoogleTest puts what it expected on the next lines.
                if text.endswith('Failure') and i + 1 < len(lines):
                    text += ' ' + ' '.join(l.strip() for l in lines[i + 1:i + 4])
                return text[:300]
    tail = [l.strip() for l in lines if l.strip()]
    return (tail[-1] if tail else 'no output')[:300]


def read_round(path):
    """{test: (passed, output)} of one round."""
    results = {}
    for case in ET.parse(path).getroot().iter('testcase'):
        failed = case.find('failure') is not None or case.find('error') is not None
        skipped = case.find('skipped') is not None
        out = case.find('system-out')
        results[case.get('name')] = (not failed and not skipped,
                                     out.text if out is not None and out.text else '')
    return results


def main(folder, rounds):
    runs, failures, missing = {}, {}, []
    for k in range(1, rounds + 1):
        path = os.path.join(folder, f'round-{k}.xml')
        if not os.path.exists(path):
            missing.append(k)
            continue
        for name, (passed, output) in read_round(path).items():
            runs[name] = runs.get(name, 0) + 1
            if not passed:
                failures.setdefault(name, []).append(f'round {k}: {first_failure(output)}')
    width = max([len(n) for n in runs] + [4])
    print(f'\n{"test":<{width}}  runs  failures  first failing line')
    for name in sorted(runs, key=lambda n: (-len(failures.get(n, [])), n)):
        found = failures.get(name, [])
        print(f'{name:<{width}}  {runs[name]:>4}  {len(found):>8}  {found[0] if found else ""}')
        for more in found[1:]:
            print(f'{"":<{width}}  {"":>4}  {"":>8}  {more}')
    total = sum(len(f) for f in failures.values())
    print(f'\n{sum(runs.values())} runs of {len(runs)} tests in {rounds} rounds, {total} failures')
    for k in missing:
        print(f'round {k} left no results (see its log)')
    return 1 if total or missing else 0


if __name__ == '__main__':
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], int(sys.argv[2])))
