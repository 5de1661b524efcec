#!/usr/bin/env python3
"""Repeats the three-together start of qptn.exe and counts how each round ends.

Each round starts three notifiers at the same moment while a holder keeps the
Wine server and desktop up, then waits for the outcome:

  survivor  exactly one notifier left with its window, the other two ended
            with exit code 0;
  crash     a crash report (winedbg) appeared, or a notifier ended with
            another code;
  hang      neither within the bound (--bound seconds).

Whatever is left at the end of a round is killed, so one bad round never
spoils the next. Runs in a fresh Wine prefix on a private Xvfb display.

    bench/notifier_race.py --rounds 200 [--load 2] [--build build/win64]

--load N keeps N extra busy-loop processes running for the whole run, as a
machine that is busy with something else would. Not part of the test command.
"""

import argparse
import multiprocessing
import os
import sys
import time

import benchenv
from benchenv import winenv


def busy():
    while True:
        pass


def one_round(qptn, probe, bound):
    racers = [winenv.start(qptn) for _ in range(3)]
    deadline = time.monotonic() + bound
    outcome = 'hang'
    while time.monotonic() < deadline:
        if winenv.crash_reports():
            outcome = 'crash'
            break
        ended = [p for p in racers if p.poll() is not None]
        if any(p.returncode != 0 for p in ended):
            outcome = 'crash'
            break
        if len(ended) == 2:
            windows = probe.windows()
            if len(windows) == 1 and len(winenv.notifier_processes()) == 1:
                outcome = 'survivor'
                break
        time.sleep(0.2)
    detail = '' if outcome == 'survivor' else winenv.describe()
    # End the round: the survivor by its own Exit command, everything else by force.
    for hwnd, *_ in probe.windows():
        probe.call('send-exit', hwnd)
    try:
        winenv.wait_until(lambda: all(p.poll() is not None for p in racers), timeout=20,
                          what='the survivor to exit')
    except AssertionError:
        pass
    winenv.end_started()
    return outcome, detail


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--rounds', type=int, default=100)
    parser.add_argument('--load', type=int, default=0, help='extra busy processes')
    parser.add_argument('--bound', type=float, default=90.0, help='seconds before a hang')
    parser.add_argument('--build', default=os.path.join(benchenv.ROOT, 'build', 'win64'))
    args = parser.parse_args()

    load = [multiprocessing.Process(target=busy, daemon=True) for _ in range(args.load)]
    try:
        with benchenv.WineBench(args.build, prefix_name='qptn-race.') as bench:
            qptn, probe = bench.programs.qptn, bench.programs.probe
            for p in load:
                p.start()
            counts = {'survivor': 0, 'crash': 0, 'hang': 0}
            for n in range(1, args.rounds + 1):
                outcome, detail = one_round(qptn, probe, args.bound)
                counts[outcome] += 1
                if outcome != 'survivor':
                    print(f'round {n}: {outcome}\n{detail}', flush=True)
                if n % 10 == 0:
                    print(f'after {n} rounds: {counts}', flush=True)
            print(f'rounds={args.rounds} load={args.load} single survivor={counts["survivor"]} '
                  f'crash={counts["crash"]} hang={counts["hang"]}')
            return 0 if counts['survivor'] == args.rounds else 1
    finally:
        for p in load:
            if p.is_alive():
                p.kill()


if __name__ == '__main__':
    sys.exit(main())
