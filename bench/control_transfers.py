#!/usr/bin/env python3
"""What the control's transfers cost, under Wine, each beside the system's
client used plainly, alternating round by round in one process
(gwaxbench.exe); prints both medians and the ratio, then the peak working
set of a process that only runs the control's code, before and after:

  download  a 100 MiB attachment from the stand-in host: the control's
            download code (the sequence, its Windows ports and the progress
            dialog; the folder given instead of asked) beside a WinINet loop
            reading the address into a file in 4 KiB pieces;
  upload    a 20 MiB file: the control's upload (its multipart body over
            WinHTTP) beside a WinHTTP loop posting the same body in 8 KiB
            pieces, to the stand-in host's /saveFile.php and to a loopback
            server that only reads the body (the host's own parsing of 20 MiB
            takes longer than the transfer and would hide the client's cost).

    bench/control_transfers.py [--rounds 9] [--only download|upload] [--build build/win64]

Runs in a fresh Wine prefix on a private Xvfb display with its own stand-in
host. Not part of the test command.
"""

import argparse
import http.server
import os
import sys
import threading

import benchenv
from benchenv import winenv


class Drain(http.server.BaseHTTPRequestHandler):
    """Reads the body and answers like the host, storing nothing."""

    def do_POST(self):
        left = int(self.headers.get('Content-Length', '0'))
        while left > 0:
            chunk = self.rfile.read(min(left, 1 << 20))
            if not chunk:
                return
            left -= len(chunk)
        answer = b'/drained\nkey'
        self.send_response(200)
        self.send_header('Content-Length', str(len(answer)))
        self.end_headers()
        self.wfile.write(answer)

    def log_message(self, *args):
        pass


def run(gwaxbench, label, verb, first, second, rounds):
    done = winenv.run(gwaxbench, verb, first, second, str(rounds), timeout=3600)
    if done.returncode != 0:
        sys.exit(f'{verb} failed: {done.stdout}{done.stderr}')
    print(f'{label} {verb}: {done.stdout.strip()}', flush=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--rounds', type=int, default=9)
    parser.add_argument('--only', choices=('download', 'upload'))
    parser.add_argument('--build', default=os.path.join(benchenv.ROOT, 'build', 'win64'))
    args = parser.parse_args()
    gwaxbench = os.path.join(args.build, 'bench', 'win', 'gwaxbench.exe')
    if not os.path.exists(gwaxbench):
        sys.exit(f'{gwaxbench} is missing: build the Windows tree first')
    with benchenv.WineBench(args.build, host=True, prefix_name='gwax-transfers.') as bench:
        folder = os.path.join(os.environ['WINEPREFIX'], 'drive_c', 'bench')
        os.makedirs(folder, exist_ok=True)
        if args.only != 'upload':
            stored = bench.host.admin('/admin/attachment', {'name': 'big.bin', 'size': 100 << 20})
            run(gwaxbench, '100 MiB', 'download-cost', stored['url'], 'C:\\bench', args.rounds)
            run(gwaxbench, '100 MiB', 'download-peak', stored['url'], 'C:\\bench', 3)
        if args.only != 'download':
            with open(os.path.join(folder, 'upload.bin'), 'wb') as f:
                f.write(os.urandom(20 << 20))
            drain = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Drain)
            threading.Thread(target=drain.serve_forever, daemon=True).start()
            try:
                for label, port in (('20 MiB to the host', bench.host.port),
                                    ('20 MiB to a drain', drain.server_address[1])):
                    target = f'http://127.0.0.1:{port}/saveFile.php'
                    run(gwaxbench, label, 'upload-cost', target, 'C:\\bench\\upload.bin', args.rounds)
                    run(gwaxbench, label, 'upload-peak', target, 'C:\\bench\\upload.bin', 3)
            finally:
                drain.shutdown()
    return 0


if __name__ == '__main__':
    sys.exit(main())
