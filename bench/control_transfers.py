#!/usr/bin/env python3
"""What the control's download costs, under Wine: a 100 MiB attachment from
the stand-in host through the control's download code (the sequence and
its Windows ports, with the progress dialog; gwaxbench.exe download-cost)
beside a bare WinINet loop reading the same address into a file, alternating
round by round in one process; prints both medians and the ratio. Then the
control's download alone in a fresh process, with the peak working set
before and after (the file must never be held in memory).

    bench/control_downloads.py [--rounds 9] [--mib 100] [--build build/win64]

Runs in a fresh Wine prefix on a private Xvfb display with its own stand-in
host. Not part of the test command.
"""

import argparse
import os
import sys

import benchenv
from benchenv import winenv


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--rounds', type=int, default=9)
    parser.add_argument('--mib', type=int, default=100)
    parser.add_argument('--build', default=os.path.join(benchenv.ROOT, 'build', 'win64'))
    args = parser.parse_args()
    gwaxbench = os.path.join(args.build, 'bench', 'win', 'gwaxbench.exe')
    if not os.path.exists(gwaxbench):
        sys.exit(f'{gwaxbench} is missing: build the Windows tree first')
    with benchenv.WineBench(args.build, host=True, prefix_name='gwax-downloads.') as bench:
        stored = bench.host.admin('/admin/attachment',
                                  {'name': 'big.bin', 'size': args.mib * 1024 * 1024})
        folder = os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'bench')
        os.makedirs(folder, exist_ok=True)
        for verb, rounds in (('download-cost', args.rounds), ('download-peak', 3)):
            done = winenv.run(gwaxbench, verb, stored['url'], 'C:\\bench', str(rounds), timeout=3600)
            if done.returncode != 0:
                sys.exit(f'{verb} failed: {done.stdout}{done.stderr}')
            print(f'{args.mib} MiB {verb}: {done.stdout.strip()}', flush=True)
    return 0


if __name__ == '__main__':
    sys.exit(main())
