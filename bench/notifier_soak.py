#!/usr/bin/env python3
"""Soak: many mail checks of five accounts by one qptn.exe, the host
misbehaving on every tenth; prints the notifier's handle count and memory
at check 100 and at the last check, which must match within noise.

    bench/notifier_soak.py [--checks 1000] [--build build/win64]

Check Email Now is posted by qpbench.exe drive, one long-lived process, so
the driver costs nothing per check. A check counts as done when the host has
been asked for every account; the figures are read a second after it, when
the notifier is back at rest. Runs in a fresh Wine prefix on a private Xvfb
display with its own stand-in host. Not part of the test command.
"""

import argparse
import itertools
import os
import sys
import time

import benchenv
from benchenv import winenv

CHECK_NOW = 32774
FAILURES = ('fault', 'status500garbage', 'notfound', 'slow', 'drop', 'oversize')


def asked(host, addresses):
    """Whether every account was asked since the log was cleared."""
    seen = {e['params']['auth']['user_id'] for e in host.calls('get_new_messages')}
    return seen >= set(addresses)


def one_check(host, driver, hwnd, addresses):
    host.admin('/admin/log/clear', {})
    driver.ask(f'command {hwnd} {CHECK_NOW}')
    deadline = time.monotonic() + 120
    resent = time.monotonic()
    while not asked(host, addresses):
        if time.monotonic() > deadline:
            raise RuntimeError('a check did not ask every account\n' + winenv.describe())
        if not host.calls('get_new_messages') and time.monotonic() - resent > 0.25:
            # The previous check was still finishing and ignored the command.
            driver.ask(f'command {hwnd} {CHECK_NOW}')
            resent = time.monotonic()
        time.sleep(0.02)


def figures(driver, windows_pid, linux_pid):
    time.sleep(1)  # the check's last answer is being taken in
    handles, working_set = driver.stats(windows_pid)
    return handles, working_set, benchenv.rss_kib(linux_pid)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--checks', type=int, default=1000)
    parser.add_argument('--build', default=os.path.join(benchenv.ROOT, 'build', 'win64'))
    args = parser.parse_args()
    # The two figures to compare, and a few between to show the trend.
    marks = sorted({min(100, args.checks), args.checks} |
                   set(range(250, args.checks, 250)))

    with benchenv.WineBench(args.build, host=True, prefix_name='qptn-soak.') as bench:
        addresses = bench.add_accounts(5)
        bench.programs.qpsettings_run('set', 'sound', '0')
        winenv.start(bench.programs.qptn)
        hwnd, windows_pid, *_ = winenv.wait_until(
            lambda: bench.programs.probe.windows() and bench.programs.probe.windows()[0],
            what='the notifier window')
        winenv.wait_until(lambda: asked(bench.host, addresses), what='the first check')
        linux_pid = benchenv.notifier_linux_pid()
        driver = benchenv.Driver(bench.programs.qpbench)
        failure = itertools.cycle(FAILURES)
        started = time.monotonic()
        results = {}
        for n in range(1, args.checks + 1):
            if n % 10 == 0:
                bench.host.admin('/admin/fail', {'operation': 'get_new_messages',
                                                 'mode': next(failure), 'count': 1,
                                                 'seconds': 2})
            one_check(bench.host, driver, hwnd, addresses)
            if n in marks:
                results[n] = figures(driver, windows_pid, linux_pid)
                print(f'check={n} handles={results[n][0]} working_set_kib={results[n][1]} '
                      f'rss_kib={results[n][2]} elapsed_s={time.monotonic() - started:.0f}',
                      flush=True)
        if len(bench.programs.probe.windows()) != 1:
            sys.exit('the notifier did not survive the soak\n' + winenv.describe())
        driver.close()
        first, last = results[marks[0]], results[marks[-1]]
        print(f'checks={args.checks} accounts=5 failure_every=10 '
              f'handles {first[0]} -> {last[0]} working_set_kib {first[1]} -> {last[1]} '
              f'rss_kib {first[2]} -> {last[2]}')
    return 0


if __name__ == '__main__':
    sys.exit(main())
