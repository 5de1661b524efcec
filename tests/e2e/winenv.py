"""Helpers for scenarios that run real Windows programs under Wine.

The test command provides a throw-away Wine prefix (WINEPREFIX, with the
"Quillpost" virtual desktop) and an X display (DISPLAY); these helpers start
programs in it, ask qptn_probe.exe about windows and the notification area,
find the notifier's processes and photograph parts of the desktop.
"""

import atexit
import functools
import json
import os
import shutil
import signal
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.request

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
    # Wine's error messages stay on: a program that Wine cannot start says
    # why on its error output instead of ending with 1 and nothing.
    env.setdefault('WINEDEBUG', '-all,err+all')
    env.setdefault('WINEDLLOVERRIDES', 'mscoree,mshtml=')
    return env


def program(exe):
    """What to give `wine` for `exe`: a path as it is; a bare name ("reg",
    "regsvr32", "cscript", "winepath") as the full path of Wine's own program.

    Given a bare name, `wine` hands it to start.exe, whose ShellExecuteEx
    fails now and then under load ("ShellExecuteEx failed: Internal error.",
    exit code 1, on standard output); a full path starts the program itself.
    """
    if '/' in exe or '\\' in exe:
        return exe
    return 'C:\\windows\\system32\\' + (exe if '.' in exe else exe + '.exe')


def windows_path(path):
    """The Windows form of a Unix path, as the prefix's programs see it."""
    return _convert_path('-w', path)


def unix_path(path):
    """The Unix form of a Windows path of the prefix."""
    return _convert_path('-u', path)


def _convert_path(how, path):
    done = subprocess.run(['wine', program('winepath'), how, path], env=wine_env(),
                          capture_output=True, text=True, timeout=60)
    if done.returncode != 0 or not done.stdout.strip():
        raise AssertionError(f'winepath {how} {path} ended with {done.returncode}: '
                             f'stdout {done.stdout!r}, stderr {done.stderr!r}')
    return done.stdout.strip()


# Every program a test started, with the file its error output goes to: a
# crash report that Wine's debugger writes lands there.
_started = []
_logs = tempfile.mkdtemp(prefix='winenv-logs.')
atexit.register(lambda: shutil.rmtree(_logs, ignore_errors=True))
_count = 0


def _launch(exe, args, **streams):
    global _count
    _count += 1
    log = open(os.path.join(_logs, f'{_count:05d}-{os.path.basename(exe)}.log'), 'w+b')
    p = subprocess.Popen(['wine', program(exe), *args], env=wine_env(), stderr=log, **streams)
    _started.append((p, exe, args, log.name))
    log.close()
    return p


def start(exe, *args):
    return _launch(exe, args, stdout=subprocess.DEVNULL)


def start_piped(exe, *args):
    """Starts a program that talks through its standard input and output
    (text; bytes that are no UTF-8 read as U+FFFD, never stopping the reader)."""
    return _launch(exe, args, stdin=subprocess.PIPE, stdout=subprocess.PIPE, encoding='utf-8',
                   errors='replace')


def run(exe, *args, timeout=60):
    """Runs a program to its end and captures what it prints."""
    return subprocess.run(['wine', program(exe), *args], env=wine_env(), capture_output=True,
                          encoding='utf-8', errors='replace', timeout=timeout)


def run_into_full_disk(exe, *args, timeout=60):
    """Runs a program whose standard output is a full disk (/dev/full), where
    every write fails: its exit code and error output."""
    with open('/dev/full', 'wb') as full:
        done = subprocess.run(['wine', program(exe), *args], env=wine_env(), stdout=full,
                              stderr=subprocess.PIPE, encoding='utf-8', errors='replace',
                              timeout=timeout)
    return done.returncode, done.stderr


def run_quietly(exe, *args, timeout=60):
    """Runs a program that may start others. They would inherit captured
    output pipes and hold them open, so nothing is captured; returns the exit code."""
    return subprocess.run(['wine', program(exe), *args], env=wine_env(),
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          timeout=timeout).returncode


_holder = None
_probe_exe = None


def warm_up(probe_exe):
    """Starts the Wine server and the virtual desktop and keeps them up until
    this Python process ends. Call it before starting any Windows program.

    Two programs that start together while the prefix's Wine server or
    desktop is starting or shutting down can leave one of them hanging in
    Wine's start-up (seen with Wine 8). So a single holder process starts
    alone, says "ready" once it is on the desktop, and lives on; every other
    program starts after it.
    """
    global _holder, _probe_exe
    _probe_exe = probe_exe
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


# The hosts running now, whose request logs a failure report shows.
_hosts = []


class StandInHost:
    """The stand-in host (devhost/qphost.py) on a free port with a data
    folder of its own, for one test module."""

    def __init__(self, *options):
        """`options`: more of the host's command line, e.g. its TLS files."""
        self.data_dir = tempfile.TemporaryDirectory()
        port_file = os.path.join(self.data_dir.name, 'port')
        script = os.path.join(os.environ['QP_SOURCE_DIR'], 'devhost', 'qphost.py')
        self.errors = os.path.join(self.data_dir.name, 'stderr.log')
        with open(self.errors, 'wb') as errors:
            self.process = subprocess.Popen([sys.executable, script, '--port', '0', '--data',
                                             self.data_dir.name, '--port-file', port_file,
                                             *options],
                                            stdout=subprocess.DEVNULL, stderr=errors)
        _hosts.append(self)
        wait_until(lambda: os.path.exists(port_file) or self.process.poll() is not None,
                   timeout=30, what='the host')
        if self.process.poll() is not None:
            raise AssertionError(f'the host ended at start ({self.process.returncode}): '
                                 + _read(self.errors)[-2000:])
        with open(port_file) as f:
            self.port = int(f.read())

    def stop(self):
        if self in _hosts:
            _hosts.remove(self)
        self.process.terminate()
        self.process.wait(timeout=30)
        self.data_dir.cleanup()

    def log_tail(self, count=15):
        """The last requests the host received, a line each, and what it
        wrote to its error output."""
        lines = []
        for line in _read(os.path.join(self.data_dir.name, 'requests.log')).splitlines()[-count:]:
            try:
                e = json.loads(line)
            except ValueError:
                lines.append(line[:200])
                continue
            lines.append(' '.join(str(x) for x in (
                e.get('method'), e.get('path'), e.get('status'), e.get('operation') or '',
                ('fault ' + str(e['fault'])[:80]) if e.get('fault') else '') if x != ''))
        errors = _read(self.errors).strip()
        if errors:
            lines.append('its error output: ' + errors[-1500:])
        return lines


def host_admin(port, path, body=None, timeout=60, https=False):
    """An admin request to the stand-in host on `port`: GET without a body,
    POST of `body` as JSON; the JSON answer. With `https` the host speaks
    TLS; its certificate is not checked here (the tests give it bad ones on
    purpose, for the programs under test to refuse)."""
    request = urllib.request.Request(
        f'{"https" if https else "http"}://127.0.0.1:{port}{path}',
        data=None if body is None else json.dumps(body).encode(),
        headers={'Content-Type': 'application/json'})
    context = ssl._create_unverified_context() if https else None
    with urllib.request.urlopen(request, timeout=timeout, context=context) as answer:
        return json.loads(answer.read())


def wait_until(predicate, timeout=60.0, interval=0.3, what='condition'):
    """Polls until `predicate` gives a true value and returns it. A crash
    report in the prefix ends the wait at once with what was seen."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        crashes = crash_reports()
        if crashes:
            raise AssertionError(f'a program crashed while waiting for {what}\n'
                                 + '\n'.join(crashes))
        if time.monotonic() > deadline:
            raise AssertionError(f'timed out waiting for {what}')
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
        done = run(self.exe, verb, *args)
        if done.returncode != 0:
            _negative_answers.append(f'qptn_probe {verb} {" ".join(args)}: exit {done.returncode}, '
                                     f'stdout {done.stdout.strip()[:200]!r}, '
                                     f'stderr {done.stderr.strip()[:500]!r}')
            del _negative_answers[:-5]
        return done.returncode


# The probe's last few negative answers, for a failure report: whether the
# probe ran and said no, or Wine did not start it.
_negative_answers = []
# More for a failure report, as (title, function giving lines), until the
# test's programs are ended.
_more_reports = []


def also_report(title, lines):
    """Adds the last lines that `lines()` gives to the failure report of the
    running test."""
    _more_reports.append((title, lines))


def prefix_processes():
    """(pid, argv) of every Wine process running in this test's prefix: its
    Windows programs, its server and Wine's debugger. The test's own
    processes (Python, ctest) carry WINEPREFIX too and are left out."""
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
        if not argv or ('WINEPREFIX=' + prefix).encode() not in environ:
            continue
        program = _program(argv)
        if program.endswith('.exe') or program.startswith(('wineserver', 'winedbg')):
            found.append((int(pid), argv))
    return found


def _program(argv):
    return argv[0].lower().replace('\\', '/').rsplit('/', 1)[-1]


def notifier_processes():
    """Command lines of the qptn.exe processes running in this test's prefix."""
    return [(pid, argv) for pid, argv in prefix_processes() if _program(argv) == 'qptn.exe']


# Wine's own processes, which live as long as the prefix's server.
_WINE_SERVICES = {'wineserver', 'wineserver64', 'services.exe', 'explorer.exe', 'winedevice.exe',
                  'plugplay.exe', 'svchost.exe', 'rpcss.exe'}


def _is_holder(argv):
    return _program(argv) == 'qptn_probe.exe' and argv[1:2] == ['hold']


def test_programs():
    """(pid, argv) of the programs in the prefix that are neither Wine's own
    services nor the desktop holder: what a test started, directly or not."""
    return [(pid, argv) for pid, argv in prefix_processes()
            if _program(argv) not in _WINE_SERVICES and not _is_holder(argv)]


def crash_reports():
    """What shows that a program crashed: Wine's debugger running in the
    prefix, or a crash report in the error output of a started program."""
    found = [f'winedbg running: pid {pid} {" ".join(argv)}' for pid, argv in prefix_processes()
             if _program(argv).startswith('winedbg')]
    for _, exe, args, log in _started:
        text = _read(log)
        if 'Unhandled' in text or 'winedbg' in text:
            found.append(f'{os.path.basename(exe)} {" ".join(args)}: {text.strip()[:4000]}')
    return found


def _read(path):
    try:
        with open(path, 'rb') as f:
            return f.read().decode('utf-8', 'replace')
    except OSError:
        return ''


def describe():
    """What a failing scenario saw: the processes of the prefix, the windows
    on its desktop, crash reports, what the stand-in hosts received last and
    a photograph of the screen."""
    lines = ['processes in the prefix:']
    lines += [f'  {pid} {" ".join(argv)}' for pid, argv in prefix_processes()]
    if _probe_exe:
        try:
            listed = run(_probe_exe, 'toplevel', timeout=30).stdout.strip()
        except subprocess.TimeoutExpired:
            listed = 'the probe did not answer in 30 s'
        lines.append('top-level windows (hwnd visible pid program class "title"):')
        lines += ['  ' + l for l in listed.splitlines() or ['none']]
    lines += ['crash report: ' + c for c in crash_reports()]
    if _negative_answers:
        lines.append('the last negative answers of the probe:')
        lines += ['  ' + a for a in _negative_answers]
    for title, more in _more_reports:
        lines.append(title + ':')
        lines += ['  ' + line for line in more()[-20:]] or ['  none']
    for host in list(_hosts):
        lines.append(f'the stand-in host on port {getattr(host, "port", "?")}, last requests:')
        lines += ['  ' + l for l in host.log_tail() or ['none']]
    if os.environ.get('DISPLAY'):
        folder = os.environ.get('QP_FAILURE_DIR') or tempfile.gettempdir()
        shot = os.path.join(folder, f'screen-{os.getpid()}-{time.monotonic_ns()}.png')
        try:
            lines.append('the screen: ' + save_screenshot(shot))
        except (subprocess.CalledProcessError, OSError) as e:
            lines.append(f'no screenshot: {e}')
    return '\n'.join(lines)


def reported(function):
    """Prints what the scenario saw (describe) when `function` fails, before
    anything is ended, so that the log alone explains the failure."""
    @functools.wraps(function)
    def wrapper(*args, **kwargs):
        try:
            return function(*args, **kwargs)
        except unittest.SkipTest:
            raise
        except BaseException as e:
            print(f'\n--- {function.__qualname__} failed: {type(e).__name__}: {e}\n'
                  + describe() + '\n---', file=sys.stderr, flush=True)
            raise
    return wrapper


def end_started(timeout=20.0):
    """Ends every program of the test in the prefix, politely or not: kills
    what is left after the test and waits until it is gone. Wine's services
    and the desktop holder stay. Returns what had to be killed."""
    killed = []
    deadline = time.monotonic() + timeout
    while True:
        left = test_programs()
        if not left:
            break
        for pid, argv in left:
            try:
                os.kill(pid, signal.SIGKILL)
                killed.append(' '.join(argv))
            except ProcessLookupError:
                pass
        if time.monotonic() > deadline:
            raise AssertionError('programs outlive SIGKILL:\n' + describe())
        time.sleep(0.1)
    _negative_answers.clear()
    _more_reports.clear()
    for p, *_ in _started:
        try:
            p.wait(timeout=max(1.0, deadline - time.monotonic()))
        except subprocess.TimeoutExpired:
            p.kill()
        for stream in (p.stdin, p.stdout):
            if stream:
                stream.close()
    _started.clear()
    return killed


# The notification area of the 1024x768 desktop: the right end of the taskbar.
TRAY_AREA = (924, 748, 100, 20)
ICONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'notifier',
                     'resources', 'icons')


@functools.lru_cache(maxsize=None)
def _icon_pixels(name):
    """The 16x16 frame of a notifier icon as RGBA tuples."""
    raw = subprocess.run(['convert', os.path.join(ICONS, name + '.ico') + '[0]', '-depth', '8',
                          'rgba:-'], capture_output=True, check=True).stdout
    return [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def tray_icon():
    """Which of the notifier's icons the notification area shows now (the
    name of its .ico file), or None: an icon counts when every opaque pixel
    of its 16x16 frame stands somewhere in the area unchanged."""
    x, y, width, height = TRAY_AREA
    shot = screen_rgb(x, y, width, height)
    pixels = [tuple(shot[i:i + 3]) for i in range(0, len(shot), 3)]
    for name in ('no_mail', 'unread', 'new_mail', 'check_1', 'check_2', 'check_3', 'check_4',
                 'check_5'):
        opaque = [(i % 16, i // 16, p[:3]) for i, p in enumerate(_icon_pixels(name)) if p[3] == 255]
        for top in range(height - 15):
            for left in range(width - 15):
                if all(pixels[(top + dy) * width + left + dx] == c for dx, dy, c in opaque):
                    return name
    return None


def save_screenshot(path):
    """Photographs the whole display into `path` (PNG)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    subprocess.run(['import', '-window', 'root', path], check=True, capture_output=True)
    return path


def screen_rgb(x, y, width, height):
    """Raw RGB bytes of a region of the display."""
    return subprocess.run(['import', '-window', 'root', '-crop', f'{width}x{height}+{x}+{y}',
                           '-depth', '8', 'rgb:-'], capture_output=True, check=True).stdout


class Scenario(unittest.TestCase):
    """A scenario that ends every program it started, even when a step
    failed, and fails when one of them crashed, saying what it saw."""

    def __init__(self, methodName='runTest'):
        super().__init__(methodName)
        test = getattr(self, methodName, None)
        if callable(test):
            setattr(self, methodName, reported(test))
            self.setUp = reported(self.setUp)

    def tearDown(self):
        crashes = crash_reports()
        seen = describe() if crashes else ''
        end_started()
        if crashes:
            self.fail('a program crashed during the scenario\n' + seen)
