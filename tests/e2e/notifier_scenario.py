"""What the notifier's scenarios share: the stand-in host with its alert
sound and a recording browser in the prefix, the probe, the popup as a
screen reader and the screen see it, and a base class that starts the
notifier and follows what it tells a debugger.

A test module calls set_up() and tear_down() from its setUpModule and
tearDownModule."""

import ctypes
import os
import re
import select
import subprocess
import tempfile
import threading
import time
import wave

import winenv
from winenv import windows_path

winenv.require_environment('QPTN_EXE', 'QPTN_PROBE', 'QPSETTINGS_EXE', 'QP_SOURCE_DIR')
QPTN = os.environ['QPTN_EXE']
QPSETTINGS = os.environ['QPSETTINGS_EXE']
probe = winenv.Probe(os.environ['QPTN_PROBE'])

CHECK_NOW = '32774'
PERIODIC_TIMER = '2'
host = port = None


def set_up(*host_options):
    """`host_options`: more of the stand-in host's command line."""
    global host, port
    winenv.warm_up(probe.exe)
    host = winenv.StandInHost(*host_options)
    port = host.port
    # The alert: "MailBeep" names a sound file whose opening the tests watch.
    with wave.open(beep_path(), 'wb') as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(8000)
        w.writeframes(b'\0\0' * 800)
    reg('add', r'HKCU\AppEvents\Schemes\Apps\.Default\MailBeep\.Current', '/ve', '/d',
        r'C:\qp-beep.wav', '/f')
    # The browser: a recorder that writes down every address it is given.
    reg('add', r'HKCR\http\shell\open\command', '/ve', '/d',
        f'"{windows_path(probe.exe)}" record C:\\qp-urls.txt "%1"', '/f')


def tear_down():
    if host:
        host.stop()


def host_port():
    return port


def urls_path():
    """Where the recording browser writes each address it is given."""
    return drive_c('qp-urls.txt')


def reg(*args):
    assert winenv.run('reg', *args).returncode == 0, args


def drive_c(name):
    return os.path.join(os.environ['WINEPREFIX'], 'drive_c', name)


def beep_path():
    return drive_c('qp-beep.wav')


def admin(path, body=None):
    return winenv.host_admin(port, path, body)


def checks(address):
    """The header numbers of the get_new_messages calls made for `address`."""
    return [e['params']['header_num'] for e in admin('/admin/log')
            if e.get('operation') == 'get_new_messages'
            and e['params']['auth']['user_id'] == address]


def qpsettings(*args):
    done = winenv.run(QPSETTINGS, *args)
    assert done.returncode == 0, (args, done.stdout, done.stderr)
    return done.stdout


class OpenWatch:
    """Notices the first time a file is opened, through inotify."""

    def __init__(self, path):
        libc = ctypes.CDLL('libc.so.6', use_errno=True)
        self._fd = libc.inotify_init1(os.O_CLOEXEC)
        if self._fd < 0 or libc.inotify_add_watch(self._fd, path.encode(), 0x20) < 0:  # IN_OPEN
            raise OSError(ctypes.get_errno(), 'inotify on ' + path)

    def opened(self, timeout):
        ready, _, _ = select.select([self._fd], [], [], timeout)
        return bool(ready)

    def close(self):
        os.close(self._fd)


_count = 0


def unique_address():
    global _count
    _count += 1
    return f'reader{_count}.{os.getpid()}@quillpost.com'


SCREENSHOTS = os.environ.get('QPTN_SCREENSHOTS') or tempfile.mkdtemp(prefix='qptn-shots.')


def popup_state(visible, alpha):
    """The popup window as the probe sees it, once it is (in)visible at `alpha`."""
    lines = winenv.run(probe.exe, 'popup').stdout.splitlines()
    if len(lines) < 2 or lines[0] == 'none':
        return None
    fields = lines[0].split(' ')
    state = {'rect': tuple(int(x) for x in fields[1:5]), 'visible': fields[5] == '1',
             'alpha': int(fields[6]), 'title': ' '.join(fields[7:]).strip(),
             'workarea': tuple(int(x) for x in lines[1].split()[1:5])}
    return state if state['visible'] == visible and state['alpha'] == alpha else None


def popup_reads():
    """What a screen reader gets from the popup: name, role, action and
    description (its lines joined by line feeds); what the probe said when
    it could not read them."""
    done = winenv.run(probe.exe, 'popup-accessible')
    if done.returncode != 0:
        return {'failed': done.returncode, 'said': done.stdout + done.stderr}
    head, _, description = done.stdout.partition('description:\n')
    fields = dict(line.split(': ', 1) for line in head.splitlines() if ': ' in line)
    fields['description'] = description.rstrip('\n')
    return fields


def popup_named(name):
    """Waits until the popup is fully shown and reads `name`; what it reads."""
    seen = {}

    def shown():
        seen['reads'] = popup_reads()
        seen['state'] = popup_state(True, 255)
        return seen['reads'] if seen['reads'].get('name') == name and seen['state'] else None
    try:
        return winenv.wait_until(shown, what=f'the popup reading "{name}"')
    except AssertionError as e:
        raise AssertionError(f'{e}\nlast read: {seen}') from None


# Places in a message popup of 297 x 190 (client coordinates): the centres
# of Previous, Delete and Next in the footer strip.
PREVIOUS_BUTTON = ('14', '168')
DELETE_BUTTON = ('179', '168')
NEXT_BUTTON = ('283', '168')
VK_ESCAPE, VK_LEFT, VK_RIGHT = '27', '37', '39'
ROLE_SYSTEM_ALERT = '8'


LUNCH = {'from': 'Ann Example <ann@example.org>', 'subject': 'Lunch on Friday?',
         'body': 'Shall we meet at noon? See https://example.org/menu'}

HANDED = re.compile(r'qptn popup: message account=(\d+) date=(-?\d+) first=(\d) last=(\d)')


def handed(lines, at_least):
    """The messages the notifier handed to its popup, as (account, date,
    first, last), once there are `at_least`."""
    found = [tuple(int(x) for x in m) for m in HANDED.findall(''.join(lines))]
    return found if len(found) >= at_least else None


class NotifierScenario(winenv.Scenario):
    def setUp(self):
        self.assertEqual(probe.call('reg-delete-tree', r'Software\Vantrell\QPTN'), 0)
        qpsettings('set', 'host', f'127.0.0.1:{port}')
        admin('/admin/fail/clear', {})
        admin('/admin/version', {'version': 4})
        # Each announcement stays a second, so that a sequence ends soon.
        qpsettings('set', 'show', '1')
        self.started = []
        self.traced = []

    def tearDown(self):
        for hwnd, *_ in probe.windows():
            probe.call('send-exit', hwnd)
        for p in self.started:
            try:
                p.wait(timeout=30)
            except subprocess.TimeoutExpired:
                pass
        super().tearDown()

    def running_with_an_account(self):
        """One account, each popup shown for 30 seconds, the notifier
        started and its first check done: (address, window)."""
        qpsettings('set', 'show', '30')
        address = self.account()
        _, hwnd = self.start()
        winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        return address, hwnd

    def host_account(self, password='secret'):
        """A new account on the host only."""
        address = unique_address()
        admin('/admin/accounts', {'address': address, 'password': password})
        return address

    def account(self, password='secret'):
        """A new account on the host, stored in the notifier's settings."""
        address = self.host_account(password)
        qpsettings('account', 'add', address, password)
        return address

    def deliver(self, address, subject='Hello', date=None):
        body = {'to': address, 'from': 'Bo Example <bo@example.org>', 'subject': subject,
                'body': 'Text of ' + subject}
        if date is not None:
            body['date'] = date
        return admin('/admin/deliver', body)['header_num']

    def start(self):
        """Starts the notifier and follows what it tells a debugger."""
        p = winenv.start(QPTN)
        self.started.append(p)
        hwnd, *_ = winenv.wait_until(lambda: probe.windows() and probe.windows()[0],
                                     what='the notifier window')
        self.traced = self.debug_strings(hwnd)
        return p, hwnd

    def finished(self):
        """How many checks have ended, their popup sequences included."""
        return ''.join(self.traced).count('qptn check: finished')

    def checks_started(self):
        """How many checks have started."""
        return ''.join(self.traced).count('qptn check: started')

    def idle(self, what='the first check to end'):
        """Waits until a check has run and none runs now. Settings, Check
        Email Now and Show New Email are refused while a check or its popup
        sequence runs (the tray menu greys them), so a scenario that sends
        one of them waits for this first."""
        winenv.wait_until(lambda: 0 < self.checks_started() <= self.finished(), what=what)

    def check_now(self, hwnd, what='Check Email Now', until=None):
        """Check Email Now; returns once a check that started after it has
        ended, its popup sequence included, and no other check runs (or
        when `until` gives a true value, which is returned). A command that
        arrives while the check before it is still ending is ignored, so it
        is sent again while no check has started since."""
        started_before = self.checks_started()
        state = {'sent': 0.0}

        def ended():
            started = self.checks_started()
            if until:
                reached = until()
                if reached:
                    return reached
            elif started > started_before and self.finished() >= started:
                return True
            now = time.monotonic()
            if started == started_before and now - state['sent'] > 5:
                self.assertEqual(probe.call('command', hwnd, CHECK_NOW), 0)
                state['sent'] = now
            return False

        return winenv.wait_until(ended, timeout=120, what=what)

    def debug_strings(self, hwnd):
        """Starts a probe that collects what the notifier tells a debugger."""
        pid = next(p for h, p, *_ in probe.windows() if h == hwnd)
        strings = winenv.start_piped(probe.exe, 'debug-strings', str(pid))
        self.assertEqual(strings.stdout.readline().strip(), 'attached')
        lines = []
        threading.Thread(target=lambda: lines.extend(strings.stdout), daemon=True).start()
        winenv.also_report('what the notifier told its debugger, last lines',
                           lambda: ''.join(lines).splitlines())
        return lines
