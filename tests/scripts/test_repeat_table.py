"""The flake finder's table (scripts/repeat_table.py): which line of a
failed test's output it shows, and what it counts over rounds."""

import contextlib
import io
import os
import sys
import tempfile
import unittest
from xml.sax.saxutils import escape

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts'))
import repeat_table  # noqa: E402


def junit(cases):
    """A JUnit file as ctest writes it: (name, status, output) per test."""
    rows = []
    for name, status, output in cases:
        verdict = {'passed': '', 'failed': '<failure message="Failed"/>',
                   'skipped': '<skipped message="Skipped"/>'}[status]
        rows.append(f'<testcase name="{name}" classname="{name}" time="1">{verdict}'
                    f'<system-out>{escape(output)}</system-out></testcase>')
    return (f'<?xml version="1.0" encoding="UTF-8"?><testsuite name="Windows" tests="{len(cases)}">'
            + ''.join(rows) + '</testsuite>')


class FirstFailure(unittest.TestCase):
    def test_the_line_that_says_what_failed(self):
        cases = [
            ('python assertion before the runner verdict',
             'test_x ... FAIL\n----\nTraceback (most recent call last):\n  File "t.py", line 3\n'
             'AssertionError: timed out waiting for the settings dialog\n\nFAIL: test_x (m.C)\n',
             'AssertionError: timed out waiting for the settings dialog'),
            ('an error other than an assertion',
             'Traceback:\nsubprocess.TimeoutExpired: Command [wine] timed out after 60 seconds\n',
             'subprocess.TimeoutExpired: Command [wine] timed out after 60 seconds'),
            ('googletest failure with what it expected',
             '[ RUN      ] Reg.Write\nreg_test.cpp:12: Failure\nExpected equality of these values:\n'
             '  code\n    Which is: 5\n[  FAILED  ] Reg.Write (3 ms)\n',
             'reg_test.cpp:12: Failure Expected equality of these values: code Which is: 5'),
            ('only the runner verdict', 'ERROR: setUpModule (m)\n', 'ERROR: setUpModule (m)'),
            ('nothing recognisable: the last line', 'one\ntwo\n\n', 'two'),
            ('no output at all', '', 'no output'),
        ]
        for what, output, expected in cases:
            with self.subTest(what):
                self.assertEqual(repeat_table.first_failure(output), expected)


class Table(unittest.TestCase):
    def run_table(self, rounds, written):
        with tempfile.TemporaryDirectory() as folder:
            for k, cases in written.items():
                with open(os.path.join(folder, f'round-{k}.xml'), 'w') as f:
                    f.write(junit(cases))
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                code = repeat_table.main(folder, rounds)
        return code, out.getvalue()

    def test_counts_runs_and_failures_per_test(self):
        code, out = self.run_table(3, {
            1: [('e2e_a', 'passed', ''), ('e2e_b', 'passed', '')],
            2: [('e2e_a', 'failed', 'AssertionError: missing key X\n'), ('e2e_b', 'passed', '')],
            3: [('e2e_a', 'failed', 'AssertionError: missing key Y\n'), ('e2e_b', 'skipped', '')]})
        self.assertEqual(code, 1)
        lines = out.splitlines()
        row_a = next(l for l in lines if l.startswith('e2e_a'))
        self.assertEqual(row_a.split()[:3], ['e2e_a', '3', '2'])
        self.assertIn('round 2: AssertionError: missing key X', row_a)
        self.assertIn('round 3: AssertionError: missing key Y', out)
        # A skipped test counts as a failure: the test command never skips.
        self.assertEqual(next(l for l in lines if l.startswith('e2e_b')).split()[:3],
                         ['e2e_b', '3', '1'])
        self.assertIn('6 runs of 2 tests in 3 rounds, 3 failures', out)

    def test_all_passed(self):
        code, out = self.run_table(2, {k: [('e2e_a', 'passed', '')] for k in (1, 2)})
        self.assertEqual(code, 0)
        self.assertIn('2 runs of 1 tests in 2 rounds, 0 failures', out)

    def test_a_round_without_results_fails(self):
        code, out = self.run_table(2, {1: [('e2e_a', 'passed', '')]})
        self.assertEqual(code, 1)
        self.assertIn('round 2 left no results', out)


if __name__ == '__main__':
    unittest.main()
