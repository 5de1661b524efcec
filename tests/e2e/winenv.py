"""Helpers for scenarios that run real Windows programs under Wine.

The test command provides a throw-away Wine prefix (WINEPREFIX, with the
"Quillpost" virtual desktop) and an X display (DISPLAY); these helpers start
programs in it, ask qptn_probe.exe about windows and the notification area,
find the notifier's processes and photograph parts of the desktop.
"""

import atexit
import os
import subprocess
import sys
import threading
import time

SKIP = 77


def require_environment(*names):
    """Leaves the test program with a clear message when its tools are missing.

    Exits with the skip code for ctest, or fails when QP_REQUIRE_ALL is set
    (the full test command never lets a tier be skipped).
    """
    missing = [n for n in ('WINEPREFIX', 'DISPLAY') + names if not os.environ.get(n)]
    if missing:
        print('needs ' + ', '.join(missing) + ': run through scripts/test.sh', file=sys.stderr)
        sys.exit(1 if os.environ.get('QP_REQUIRE_ALL') else SKIP)


def wine_env():
    env = dict(os.environ)
    env.setdefault('WINEDEBUG', '-all')
    env.setdefault('WINEDLLOVERRIDES', 'mscoree,mshtml=')
    return env


def start(exe, *args):
    return subprocess.Popen(['wine', exe, *args], env=wine_env(),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def run(exe, *args, timeout=60):
    """Runs a program to its end and captures what it prints."""
    return subprocess.run(['wine', exe, *args], env=wine_env(), capture_output=True,
                          text=True, timeout=timeout)


def run_quietly(exe, *args, timeout=60):
    """Runs a program that may start others. They would inherit captured
    output pipes and hold them open, so nothing is captured; returns the exit code."""
    return subprocess.run(['wine', exe, *args], env=wine_env(), stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL, timeout=timeout).returncode


_holder = None


def warm_up(probe_exe):
    """Starts the Wine server and the virtual desktop and keeps them up until
    this Python process ends. Call it before starting any Windows program.

    Two programs that start together while the prefix's Wine server or
    desktop is starting or shutting down can leave one of them hanging in
    Wine's start-up (seen with Wine 8). So a single holder process starts
    alone, says "ready" once it is on the desktop, and lives on; every other
    program starts after it.
    """
    global _holder
    if _holder is None or _holder.poll() is not None:
        _holder = _hold_desktop(probe_exe)
        atexit.register(_holder.kill)


def _hold_desktop(probe_exe):
    for _ in range(3):
        holder = subprocess.Popen(['wine', probe_exe, 'hold'], env=wine_env(),
                                  stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        ready = threading.Event()

        def watch():
            if holder.stdout.readline().strip() == 'ready':
                ready.set()

        threading.Thread(target=watch, daemon=True).start()
        if ready.wait(60):
            return holder
        holder.kill()
        holder.wait()
    raise AssertionError('the Wine desktop does not start')


def wait_until(predicate, timeout=60.0, interval=0.3, what='condition'):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError('timed out waiting for ' + what)
        time.sleep(interval)


class Probe:
    def __init__(self, exe):
        self.exe = exe

    def windows(self):
        """The notifier's main windows as (hwnd, windows pid, title, visible)."""
        out = run(self.exe, 'windows').stdout
        found = []
        for line in out.splitlines():
            parts = line.split(' ')
            if len(parts) >= 4:
                found.append((parts[0], int(parts[1]), ' '.join(parts[2:-1]), parts[-1] == '1'))
        return found

    def call(self, verb, *args):
        return run(self.exe, verb, *args).returncode


def notifier_processes():
    """Command lines of the qptn.exe processes running in this test's prefix."""
    prefix = os.environ.get('WINEPREFIX', '')
    found = []
    for pid in os.listdir('/proc'):
        if not pid.isdigit():
            continue
        try:
            with open(f'/proc/{pid}/cmdline', 'rb') as f:
                argv = [a.decode('utf-8', 'replace') for a in f.read().split(b'\0') if a]
            with open(f'/proc/{pid}/environ', 'rb') as f:
                environ = f.read().split(b'\0')
        except OSError:
            continue
        if not argv or not argv[0].lower().replace('\\', '/').endswith('/qptn.exe'):
            continue
        if prefix and ('WINEPREFIX=' + prefix).encode() not in environ:
            continue
        found.append((int(pid), argv))
    return found


def screen_rgb(x, y, width, height):
    """Raw RGB bytes of a region of the display."""
    return subprocess.run(['import', '-window', 'root', '-crop', f'{width}x{height}+{x}+{y}',
                           'rgb:-'], capture_output=True, check=True).stdout
