#!/usr/bin/env python3
"""What a mail check and an idle notifier cost, under Wine:

  check   one check of five accounts by the notifier's own check code
          (qpbench.exe check-cost) beside a bare WinINet loop posting the
          same five request bodies to the same stand-in host, alternating
          round by round in one process; prints both medians and the ratio.
  idle    qptn.exe with five accounts and no mail beside a bare program with
          a tray icon (qpbench.exe tray), both left alone for the window;
          prints the CPU time each used in it, the checks the host saw and
          both resident sizes.

    bench/notifier_costs.py [--rounds 200] [--idle-minutes 10] [--build build/win64]

Runs in a fresh Wine prefix on a private Xvfb display with its own stand-in
host. Not part of the test command.
"""

import argparse
import os
import sys
import time

import benchenv
from benchenv import winenv


def check_cost(bench, addresses, rounds):
    endpoint = f'http://127.0.0.1:{bench.host.port}/soap/public.php?version=1'
    pairs = [x for a in addresses for x in (a, 'bench-pass')]
    done = winenv.run(bench.programs.qpbench, 'check-cost', endpoint, str(rounds), *pairs,
                      timeout=3600)
    if done.returncode != 0:
        sys.exit(f'check-cost failed: {done.stdout}{done.stderr}')
    print('check: ' + done.stdout.strip(), flush=True)


def idle_cost(bench, addresses, minutes):
    programs = bench.programs
    winenv.start(programs.qptn)
    winenv.wait_until(lambda: programs.probe.windows(), what='the notifier window')
    winenv.wait_until(lambda: len(bench.host.calls('get_new_messages')) >= len(addresses),
                      what='the first check')
    tray = winenv.start_piped(programs.qpbench, 'tray')
    if not tray.stdout.readline().startswith('ready'):
        sys.exit('the bare tray program did not start')
    notifier = benchenv.notifier_linux_pid()
    bare, = [pid for pid, argv in winenv.prefix_processes()
             if argv[0].lower().endswith('qpbench.exe') and argv[1:2] == ['tray']]
    checks_before = len(bench.host.calls('get_new_messages'))
    cpu_before = benchenv.cpu_seconds(notifier), benchenv.cpu_seconds(bare)
    time.sleep(minutes * 60)
    cpu_after = benchenv.cpu_seconds(notifier), benchenv.cpu_seconds(bare)
    checks = (len(bench.host.calls('get_new_messages')) - checks_before) // len(addresses)
    print(f'idle: minutes={minutes:g} notifier_cpu_s={cpu_after[0] - cpu_before[0]:.2f} '
          f'bare_tray_cpu_s={cpu_after[1] - cpu_before[1]:.2f} checks_in_window={checks} '
          f'notifier_rss_kib={benchenv.rss_kib(notifier)} bare_tray_rss_kib={benchenv.rss_kib(bare)}',
          flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--rounds', type=int, default=200)
    parser.add_argument('--idle-minutes', type=float, default=10)
    parser.add_argument('--only', choices=('check', 'idle'))
    parser.add_argument('--build', default=os.path.join(benchenv.ROOT, 'build', 'win64'))
    args = parser.parse_args()
    with benchenv.WineBench(args.build, host=True, prefix_name='qptn-costs.') as bench:
        addresses = bench.add_accounts(5)
        if args.only != 'idle':
            check_cost(bench, addresses, args.rounds)
        if args.only != 'check':
            idle_cost(bench, addresses, args.idle_minutes)
    return 0


if __name__ == '__main__':
    sys.exit(main())
