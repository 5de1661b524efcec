"""Scenarios of the installer packages under Wine, with msiexec as a user
or an administrator runs it: the installation, an upgrade and a refused
downgrade, the removal, the update loop from the service's announcement
to the newer version running, and the PL edition. Each class runs in a
Wine session of its own (tests/e2e/CMakeLists.txt registers them one by
one), so each starts from a fresh prefix."""

import os
import re
import subprocess
import time
import unittest

import notifier_scenario as ns
import winenv
from notifier_scenario import probe, qpsettings

winenv.require_environment('QP_PACKAGES', 'QP_NEXT_PACKAGES', 'QP_VERSION_FILE',
                           'QP_NEXT_VERSION_FILE')
PACKAGES = os.environ['QP_PACKAGES']
NEXT_PACKAGES = os.environ['QP_NEXT_PACKAGES']
VERSION = os.environ['QP_VERSION_FILE']
NEXT_VERSION = os.environ['QP_NEXT_VERSION_FILE']

FOLDER = 'C:\\Program Files\\Quillpost'
# The 32-bit control, for 32-bit browser processes.
FOLDER32 = 'C:\\Program Files (x86)\\Quillpost'
PROGRAMS = ['GatherwickAX.dll', 'qpcall.exe', 'qpsettings.exe', 'qptn.exe']
QPTN = FOLDER + '\\qptn.exe'
SHORTCUT = 'Quillpost Desktop Notifier.lnk'
MAILTO_COMMAND = r'HKCU\Software\Classes\mailto\shell\open\command'
PROG_ID = 'Vantrell.QPTTool'
# Where the control's package rows and its self-registration write.
CLASS_KEYS = [
    r'HKLM\Software\Classes\AppID\{5EE3F6AD-099C-4FE6-8069-40635BA34982}',
    r'HKLM\Software\Classes\AppID\QPTToolsAX.DLL',
    r'HKLM\Software\Classes\Vantrell.QPTTool.3',
    r'HKLM\Software\Classes\Vantrell.QPTTool',
    r'HKLM\Software\Classes\CLSID\{B5B8593C-89BC-44A7-BCE3-32FE4FED7C5C}',
    r'HKLM\Software\Classes\TypeLib\{7CD239BF-0A52-4F76-AD85-534103E6D883}',
    r'HKLM\Software\Classes\Interface\{E8BDDAEC-4F1C-420C-99B1-958E85857364}',
]
# What an installation and a removal may leave changed: the user's settings
# (kept on purpose, so that a reinstallation finds the accounts) and what
# Windows Installer keeps for itself.
KEPT_KEYS = (
    'hkey_current_user\\software\\vantrell',
    'hkey_current_user\\software\\microsoft\\installer',
    'hkey_local_machine\\software\\classes\\installer',
    'hkey_local_machine\\software\\microsoft\\windows\\currentversion\\installer',
    # Wine's own records: the menu entry it made for the shortcut, its
    # temporary system parameters.
    'hkey_current_user\\software\\wine',
    # WinINet's per-user defaults, written at its first use (the notifier's
    # service calls).
    'hkey_current_user\\software\\microsoft\\windows\\currentversion\\internet settings',
)
# msiexec's exit code as a Linux exit status keeps its low 8 bits:
# ERROR_INSTALL_FAILURE (1603) is seen as 67.
INSTALL_FAILURE = 1603 & 0xFF


def setUpModule():
    # The newer version is what the host offers for download.
    ns.set_up('--packages', NEXT_PACKAGES)


def tearDownModule():
    ns.tear_down()


def package(edition='QX', folder=PACKAGES):
    return os.path.join(folder, f'qptnsetup_{edition}.msi')


_logs = 0


def msiexec(action, path):
    """msiexec ACTION PATH /qn, as an administrator runs it, with a verbose
    log that a failure report shows; the exit code. msiexec starts the
    notifier, which would hold captured output open, so nothing is captured."""
    global _logs
    _logs += 1
    log = f'C:\\qp-msiexec-{_logs}.log'
    winenv.also_report(f'msiexec {action} {os.path.basename(path)}, end of its log',
                       lambda: msi_log(log)[-40:])
    return winenv.run_quietly('msiexec', action, winenv.windows_path(path), '/qn', '/l*v', log,
                              timeout=300)


def msi_log(log):
    try:
        with open(winenv.unix_path(log), 'rb') as f:
            raw = f.read()
    except OSError:
        return ['(no log)']
    text = raw.decode('utf-16') if raw[:2] == b'\xff\xfe' else raw.decode('utf-8', 'replace')
    return text.splitlines()


def installed_programs(folder=FOLDER):
    folder = winenv.unix_path(folder)
    return sorted(os.listdir(folder)) if os.path.isdir(folder) else []


def shortcut():
    """The Start-menu shortcut's file, or None. Windows puts a per-machine
    package's shortcut in the common Start menu; Wine's msiexec puts it in
    the installing user's."""
    for folder in ('C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs',
                   'C:\\users\\' + os.environ.get('USER', 'root')
                   + '\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs'):
        path = os.path.join(winenv.unix_path(folder), SHORTCUT)
        if os.path.isfile(path):
            return path
    return None


def running_notifiers():
    """(pid, argv) of the notifiers running from the program folder."""
    return [(pid, argv) for pid, argv in winenv.notifier_processes()
            if argv[0].lower() == QPTN.lower()]


def one_notifier():
    """The single notifier running, once there is exactly one with its window."""
    running = winenv.notifier_processes()
    return running[0] if len(running) == 1 and len(probe.windows()) == 1 else None


def file_version(path):
    return winenv.run(probe.exe, 'version', path).stdout.strip()


def query_value(key, name=None, view='/reg:64'):
    """The data of a REG_SZ value as `reg query` prints it in the registry
    `view` (/reg:64 or /reg:32), or None."""
    done = winenv.run('reg', 'query', key, *(['/v', name] if name else ['/ve']), view)
    if done.returncode != 0:
        return None
    for line in done.stdout.splitlines():
        parts = line.strip().split('    ')
        if len(parts) == 3 and parts[1] == 'REG_SZ':
            return parts[2]
    return ''


def registry_export(root):
    """{key (lower case): {value name: data as written}} below `root`, as
    `reg export` writes it."""
    target = 'C:\\qp-export.reg'
    done = winenv.run('reg', 'export', root, target, '/y', timeout=120)
    if done.returncode != 0:
        raise AssertionError(f'reg export {root}: {done.returncode} {done.stdout} {done.stderr}')
    with open(winenv.unix_path(target), 'rb') as f:
        text = f.read().decode('utf-16')
    keys, current, pending = {}, None, ''
    for line in text.splitlines():
        line, pending = pending + line.lstrip() if pending else line, ''
        if line.startswith('['):
            current = keys.setdefault(line.strip()[1:-1].lower(), {})
        elif current is not None and line.endswith('\\'):
            pending = line[:-1]
        elif current is not None and line.startswith('@='):
            current['@'] = line[2:]
        elif current is not None:
            value = re.match(r'^"((?:[^"\\]|\\.)*)"=(.*)$', line)
            if value:
                current[value.group(1)] = value.group(2)
    return keys


def registry_changes(before, after, kept=KEPT_KEYS):
    """What differs between two exports, a line each, except below `kept`.
    An empty key that went is no change: Windows Installer removes the keys
    that its removal leaves empty (Wine's such keys that were there before
    too, like the 32-bit view's empty CLSID), and an empty key holds nothing."""
    changes = []
    for key in sorted(set(before) | set(after)):
        if key.startswith(kept):
            continue
        if key not in before:
            changes.append(f'added {key} {after[key]}')
        elif key not in after:
            if before[key] or any(k.startswith(key + '\\') for k in before):
                changes.append(f'removed {key}')
        elif before[key] != after[key]:
            for name in sorted(set(before[key]) | set(after[key])):
                if before[key].get(name) != after[key].get(name):
                    changes.append(f'changed {key} "{name}": {before[key].get(name)} -> '
                                   f'{after[key].get(name)}')
    return changes


def class_registration():
    """The control's class keys and values, as one export each."""
    return {key: registry_export(key) for key in CLASS_KEYS}


def create_control_from_script():
    """What a page's script gets from `new ActiveXObject` of the ProgID:
    the control's Version, or what failed."""
    script = ns.drive_c('qp-create.js')
    with open(script, 'w') as f:
        f.write(f'var c = new ActiveXObject("{PROG_ID}"); WScript.Echo("Version " + c.Version);\n')
    done = winenv.run('cscript', '//nologo', 'C:\\qp-create.js', timeout=120)
    return (done.stdout + done.stderr).strip()


class PackageScenario(winenv.Scenario):
    maxDiff = None

    def setUp(self):
        ns.admin('/admin/version', {'version': int(VERSION.split('.')[-1])})
        self.assertEqual(installed_programs(), [], 'the prefix is not fresh')

    def tearDown(self):
        for hwnd, *_ in probe.windows():
            probe.call('send-exit', hwnd)
        super().tearDown()

    def with_accounts(self, count):
        """Accounts on the stand-in host, stored in the user's settings,
        which point at the host."""
        qpsettings('set', 'host', f'127.0.0.1:{ns.port}')
        addresses = [ns.unique_address() for _ in range(count)]
        for address in addresses:
            ns.admin('/admin/accounts', {'address': address, 'password': 'secret'})
            qpsettings('account', 'add', address, 'secret')
        return addresses

    def install(self, path):
        self.assertEqual(msiexec('/i', path), 0, f'installing {os.path.basename(path)}')

    def notifier_of(self, version):
        """Waits for the one notifier to run, from the program folder and of
        `version`; its (pid, argv)."""
        pid, argv = winenv.wait_until(one_notifier, what='exactly one notifier')
        self.assertEqual(argv[0].lower(), QPTN.lower())
        self.assertEqual(file_version(QPTN), version)
        return pid, argv


class InstallScenario(PackageScenario):
    def test_install_gives_programs_shortcut_control_and_one_greeting_notifier(self):
        self.with_accounts(1)
        balloons_before = self.balloons()
        self.install(package())

        self.assertEqual(installed_programs(), PROGRAMS)
        self.assertEqual(installed_programs(FOLDER32), ['GatherwickAX.dll'])
        # Each control in the classes of its width.
        server = CLASS_KEYS[4] + '\\InprocServer32'
        self.assertEqual(query_value(server, view='/reg:32'), FOLDER32 + '\\GatherwickAX.dll')
        self.assertEqual(query_value(server), FOLDER + '\\GatherwickAX.dll')
        self.assertIsNotNone(shortcut(), 'no Start-menu shortcut "Quillpost Desktop Notifier"')
        self.assertEqual(create_control_from_script(), 'Version 7')
        _, argv = self.notifier_of(VERSION)
        self.assertEqual(argv[1:], ['-Hello'])
        # The greeting: a balloon at the notification area, which Wine's
        # shell shows as a tooltip window of its own.
        winenv.wait_until(lambda: self.balloons() - balloons_before, what='the greeting balloon')
        winenv.save_screenshot(os.path.join(ns.SCREENSHOTS, 'installed-greeting.png'))

        # The package's class rows are what the control registers itself.
        # The type library's key is one for both views: the 32-bit
        # control's platform subkey stands in it too.
        packaged = class_registration()
        typelib = packaged[CLASS_KEYS[5]]
        for key in [k for k in typelib if k.endswith('\\409\\win32')]:
            del typelib[key]
        self.assertEqual(query_value(CLASS_KEYS[4] + '\\InprocServer32'),
                         FOLDER + '\\GatherwickAX.dll')
        for key in CLASS_KEYS:
            self.assertEqual(winenv.run('reg', 'delete', key, '/f').returncode, 0, key)
        self.assertEqual(winenv.run('regsvr32', '/s', f'{FOLDER}\\GatherwickAX.dll').returncode, 0)
        self.assertEqual(class_registration(), packaged)

    @staticmethod
    def balloons():
        """Visible tooltip windows of Wine's shell (explorer.exe)."""
        lines = winenv.run(probe.exe, 'toplevel').stdout.splitlines()
        return {line.split(' ')[0] for line in lines
                if ' 1 ' in line and 'explorer.exe tooltips_class32' in line}


class UpgradeScenario(PackageScenario):
    def test_newer_package_upgrades_in_place_and_an_older_one_is_refused(self):
        accounts = self.with_accounts(2)
        self.install(package())
        self.notifier_of(VERSION)
        # The user made the notifier the mailto: handler.
        ours = f'"{QPTN}" -mailto %1'
        self.assertEqual(winenv.run('reg', 'add', MAILTO_COMMAND, '/ve', '/d', ours, '/f'
                                    ).returncode, 0)

        self.install(package(folder=NEXT_PACKAGES))
        self.notifier_of(NEXT_VERSION)
        self.assertEqual(installed_programs(), PROGRAMS)
        self.assertEqual(query_value(MAILTO_COMMAND), ours, 'the mailto: association stays ours')
        self.assertEqual(self.stored_accounts(), accounts)

        # An older package over the newer one changes nothing.
        files_before = self.program_files()
        self.assertEqual(msiexec('/i', package()), INSTALL_FAILURE,
                         'the older package must be refused')
        self.assertEqual(self.program_files(), files_before)
        self.assertEqual(file_version(QPTN), NEXT_VERSION)
        self.notifier_of(NEXT_VERSION)

    @staticmethod
    def stored_accounts():
        return [line.split()[2] for line in qpsettings('account', 'list').splitlines() if line]

    @staticmethod
    def program_files():
        folder = winenv.unix_path(FOLDER)
        return {name: open(os.path.join(folder, name), 'rb').read() for name in PROGRAMS}


class UninstallScenario(PackageScenario):
    def test_removal_leaves_no_program_no_notifier_and_no_key_but_the_settings(self):
        before = {root: registry_export(root) for root in ('HKLM\\Software', 'HKCU')}
        self.with_accounts(1)
        self.install(package())
        self.notifier_of(VERSION)

        self.assertEqual(msiexec('/x', package()), 0)
        self.assertEqual(winenv.notifier_processes(), [], 'the notifier outlived its removal')
        self.assertEqual(installed_programs(), [])
        self.assertFalse(os.path.exists(winenv.unix_path(FOLDER)), 'the program folder stays')
        self.assertFalse(os.path.exists(winenv.unix_path(FOLDER32)), 'the 32-bit folder stays')
        self.assertIsNone(shortcut(), 'the shortcut stays')
        leftovers = []
        for root, exported in before.items():
            leftovers += registry_changes(exported, registry_export(root))
        self.assertEqual(leftovers, [], 'the removal left these behind')
        self.assertIn('reader', qpsettings('account', 'list'), 'the accounts stay')


class UpdateLoopScenario(PackageScenario):
    def test_announced_version_is_downloaded_installed_and_runs_with_the_accounts(self):
        accounts = self.with_accounts(2)
        self.install(package())
        self.notifier_of(VERSION)
        # A browser for http that installs what it downloads.
        installs = ns.drive_c('qp-installs.txt')
        ns.reg('add', r'HKCR\http\shell\open\command', '/ve', '/d',
               f'"{winenv.windows_path(probe.exe)}" install-package C:\\qp-installs.txt "%1"',
               '/f')
        ns.admin('/admin/version', {'version': int(NEXT_VERSION.split('.')[-1])})
        self.assertEqual(winenv.run_quietly(QPTN, '-Close'), 0)

        winenv.also_report('the browser\'s msiexec, end of its log',
                           lambda: msi_log('C:\\qp-packages\\install.log')[-40:])
        # The user starts the notifier: it offers the newer version.
        winenv.start(QPTN)
        box = winenv.wait_until(self.update_box, what='the update message box')
        self.assertEqual(probe.call('dialog-ok', box), 0)
        winenv.wait_until(lambda: os.path.exists(installs), timeout=300,
                          what='the browser to install the package')
        with open(installs, encoding='utf-8') as f:
            self.assertEqual(f.read().strip(),
                             f'http://127.0.0.1:{ns.port}/qptnsetup_QX.msi 0')
        self.notifier_of(NEXT_VERSION)
        self.assertEqual(UpgradeScenario.stored_accounts(), accounts)
        # The newer version is what the service announces: no offer, and the
        # mail check runs.
        checked = {a: len(ns.checks(a)) for a in accounts}
        winenv.wait_until(lambda: all(len(ns.checks(a)) > checked[a] for a in accounts),
                          timeout=120, what='the new version to check both accounts')
        self.assertIsNone(self.update_box())

    @staticmethod
    def update_box():
        lines = winenv.run(probe.exe, 'dialogs', 'Quillpost').stdout.splitlines()
        if len(lines) > 1 and 'A new version of the Desktop Notifier' in lines[1]:
            return lines[0].split()[0]
        return None


LOGO = os.path.join(os.environ['QP_SOURCE_DIR'], 'notifier', 'resources', 'bitmaps', 'logo.bmp')


class EditionScenario(PackageScenario):
    def test_pl_package_shows_no_logo_in_the_popup(self):
        address, = self.with_accounts(1)
        qpsettings('set', 'show', '30')
        self.install(package('PL'))
        self.notifier_of(VERSION)
        self.assertIn('pl=1', qpsettings('show').splitlines())
        self.assertFalse(self.popup_with_logo(address), 'the PL edition shows the logo')

        # The same popup of the QX edition has it: what the test looks for is there.
        self.assertEqual(winenv.run_quietly(QPTN, '-Close'), 0)
        qpsettings('set', 'pl', '0')
        winenv.start(QPTN)
        self.assertTrue(self.popup_with_logo(address), 'the QX edition shows no logo')

    def popup_with_logo(self, address):
        """Delivers a message, waits for its popup and tells whether the
        logo's pixels stand in it."""
        hwnd = winenv.wait_until(lambda: probe.windows() and probe.windows()[0][0],
                                 what='the notifier window')
        checked = len(ns.checks(address))
        winenv.wait_until(lambda: len(ns.checks(address)) > checked, what='the first check')
        ns.admin('/admin/deliver', {'to': address, 'from': 'Bo Example <bo@example.org>',
                                    'subject': 'Edition', 'body': 'Text'})
        asked = {'at': 0.0}

        def shown():
            # Check Email Now is ignored while a check runs: asked again.
            if time.monotonic() - asked['at'] > 5:
                probe.call('command', hwnd, ns.CHECK_NOW)
                asked['at'] = time.monotonic()
            return ns.popup_state(True, 255)

        state = winenv.wait_until(shown, timeout=120, what='the popup')
        left, top, right, bottom = state['rect']
        shot = winenv.screen_rgb(left, top, right - left, bottom - top)
        winenv.save_screenshot(os.path.join(ns.SCREENSHOTS, f'edition-{time.monotonic_ns()}.png'))
        self.assertEqual(probe.call('send-exit', hwnd), 0)
        winenv.wait_until(lambda: not winenv.notifier_processes(), what='the notifier to end')
        return contains(shot, right - left, logo_rows())


def logo_rows():
    """The logo's rows as RGB bytes, top row first."""
    raw = subprocess.run(['convert', LOGO, '-depth', '8', 'rgb:-'], capture_output=True,
                         check=True).stdout
    width = 80
    return [raw[i:i + width * 3] for i in range(0, len(raw), width * 3)]


def contains(shot, width, rows):
    """Whether the picture `rows` stands somewhere in `shot` (RGB, `width` wide)."""
    height = len(shot) // (width * 3)
    first = rows[0]
    for top in range(height - len(rows) + 1):
        line = shot[top * width * 3:(top + 1) * width * 3]
        start = line.find(first)
        while start >= 0:
            if start % 3 == 0 and all(
                    shot[(top + k) * width * 3 + start:(top + k) * width * 3 + start + len(row)]
                    == row for k, row in enumerate(rows)):
                return True
            start = line.find(first, start + 1)
    return False


if __name__ == '__main__':
    unittest.main()
