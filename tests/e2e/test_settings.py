"""The notifier's settings and shell entries on the real registry of a Wine
prefix: what one start and exit store, and the mailto: association given
back by the uninstall mode."""

import os
import unittest

import winenv
from winenv import windows_path

winenv.require_environment('QPTN_EXE', 'QPTN_PROBE')
QPTN = os.environ['QPTN_EXE']
probe = winenv.Probe(os.environ['QPTN_PROBE'])

SETTINGS = r'Software\Vantrell\QPTN\Settings'
COMMAND = r'software\classes\mailto\shell\open\command'
ICON = r'software\classes\mailto\DefaultIcon'
REG_SZ, REG_DWORD = 1, 4
OTHER_COMMAND = '"C:\\Mail\\Other Mail.exe" /compose "%1"'
OTHER_ICON = '"C:\\Mail\\Other Mail.exe",2'


def setUpModule():
    winenv.warm_up(probe.exe)


def dump(subkey):
    """The values of a key as {name: (type, bytes)}; None when it is missing."""
    result = winenv.run(probe.exe, 'reg-dump', subkey)
    if result.returncode != 0:
        return None
    values = {}
    for line in result.stdout.splitlines():
        name, kind, data = line.rstrip('\r').split('\t')
        values[name] = (int(kind), bytes.fromhex(data))
    return values


def sz(text):
    return (REG_SZ, (text + '\0').encode('utf-16-le'))


def dword(n):
    return (REG_DWORD, n.to_bytes(4, 'little'))


def set_sz(subkey, name, text):
    assert probe.call('reg-set-sz', subkey, name, text) == 0


class SettingsOnTheRegistry(winenv.Scenario):
    def setUp(self):
        for subkey in (r'Software\Vantrell\QPTN', r'software\classes\mailto'):
            self.assertEqual(probe.call('reg-delete-tree', subkey), 0)

    def test_one_start_and_exit_store_every_default(self):
        running = winenv.start(QPTN)
        winenv.wait_until(lambda: len(probe.windows()) == 1, what='the notifier window')
        hwnd = probe.windows()[0][0]
        self.assertEqual(probe.call('send-exit', hwnd), 0)
        self.assertEqual(running.wait(timeout=60), 0)
        self.assertEqual(dump(SETTINGS), {
            'freq': dword(10),
            'showLimit': dword(5),
            'show': dword(4),
            'sound': dword(1),
            'pl': dword(0),
            'host': sz('mail.quillpost.com'),
            'key': sz(''),
            'd1': sz(''),
            'b1': sz(''),
        })

    def test_uninstall_gives_the_association_back(self):
        qptn = windows_path(QPTN)
        set_sz(SETTINGS, 'prevMailto', OTHER_COMMAND)
        set_sz(SETTINGS, 'prevMailtoIcon', OTHER_ICON)
        set_sz(COMMAND, '@', f'"{qptn}" -mailto %1')
        set_sz(ICON, '@', f'"{qptn}",0')
        self.assertEqual(winenv.run_quietly(QPTN, '-Uninstall'), 0)
        self.assertEqual(dump(COMMAND), {'@': sz(OTHER_COMMAND)})
        self.assertEqual(dump(ICON), {'@': sz(OTHER_ICON)})

    def test_uninstall_removes_keys_that_were_not_there_before(self):
        qptn = windows_path(QPTN)
        set_sz(SETTINGS, 'prevMailto', '')
        set_sz(SETTINGS, 'prevMailtoIcon', '')
        set_sz(COMMAND, '@', f'"{qptn}" -mailto %1')
        set_sz(ICON, '@', f'"{qptn}",0')
        self.assertEqual(winenv.run_quietly(QPTN, '/uninstall'), 0)
        self.assertIsNone(dump(COMMAND))
        self.assertIsNone(dump(ICON))
        self.assertEqual(probe.call('reg-has-key', r'software\classes\mailto\shell\open'), 0)

    def test_uninstall_leaves_another_handler_alone(self):
        set_sz(SETTINGS, 'prevMailto', '"C:\\older.exe" %1')
        set_sz(COMMAND, '@', OTHER_COMMAND)
        self.assertEqual(winenv.run_quietly(QPTN, '-Uninstall'), 0)
        self.assertEqual(dump(COMMAND), {'@': sz(OTHER_COMMAND)})
        self.assertEqual(dump(SETTINGS)['prevMailto'], sz('"C:\\older.exe" %1'))


if __name__ == '__main__':
    unittest.main()
