"""A real qptn.exe keeps quiet while the user is busy: with a full-screen
window of another program in front, or with its announcements paused from
the tray menu, a check still asks the host and updates the tray tip, but
hands nothing to the popup and plays no alert; once the window closes (or
the pause is ended), what waited is shown, messages of several checks in
one sequence."""

import os
import unittest

import winenv
from notifier_scenario import (SCREENSHOTS, NotifierScenario, OpenWatch, beep_path, checks,
                               handed, popup_state, probe)
import notifier_scenario

PAUSE = '32800'
SETTINGS_KEY = r'HKCU\Software\Vantrell\QPTN\Settings'


def setUpModule():
    notifier_scenario.set_up()


def tearDownModule():
    notifier_scenario.tear_down()


class QuietScenarios(NotifierScenario):
    def started_with_an_account(self):
        """One account, the notifier started and its first check done:
        (address, window)."""
        address = self.account()
        _, hwnd = self.start()
        winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        self.idle()
        return address, hwnd

    def tips(self):
        return [line.strip() for line in ''.join(self.traced).splitlines()
                if line.startswith('qptn tray: tip=')]

    def full_screen_window(self):
        """Starts another program's full-screen window in front; its handle."""
        window = winenv.start_piped(probe.exe, 'fullscreen')
        ready = window.stdout.readline().split()
        self.assertEqual(ready[:1], ['ready'], f'the full-screen window said {ready}')
        self.assertEqual(ready[2:], ['1'], 'the full-screen window is not in the foreground')
        return ready[1]

    def test_full_screen_window_holds_two_checks_news_until_it_closes(self):
        address, hwnd = self.started_with_an_account()
        window = self.full_screen_window()
        watch = OpenWatch(beep_path())
        self.addCleanup(watch.close)

        self.deliver(address, 'during the show', 1_700_000_100)
        self.check_now(hwnd)
        self.assertEqual(len(checks(address)), 2, 'Check Email Now asked the host')
        self.assertEqual(self.tips()[-1], 'qptn tray: tip=1 unread message.')
        self.assertFalse(watch.opened(10), 'the alert sounded over the full-screen window')
        self.assertIsNone(handed(self.traced, 1), 'a message went to the popup while busy')
        self.assertIsNone(popup_state(True, 255), 'the popup is shown over the full-screen window')
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'quiet-fullscreen-no-popup.png'))

        self.deliver(address, 'later in the show', 1_700_000_200)
        self.check_now(hwnd)
        self.assertEqual(len(checks(address)), 3)
        self.assertEqual(self.tips()[-1], 'qptn tray: tip=2 unread messages.')
        self.assertIsNone(handed(self.traced, 1), 'a message went to the popup while busy')

        self.assertEqual(probe.call('close-window', window), 0)
        # Both messages, oldest first, in one sequence.
        shown = winenv.wait_until(lambda: handed(self.traced, 2), timeout=30,
                                  what='the held messages handed to the popup')
        self.assertEqual(shown[:2], [(0, 1_700_000_100, 1, 0), (0, 1_700_000_200, 0, 1)])
        winenv.wait_until(lambda: popup_state(True, 255), what='the popup, fully opaque')
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'quiet-after-close-popup.png'))
        self.assertEqual(len(handed(self.traced, 0)), 2, 'each message once')
        self.assertEqual(len(checks(address)), 3, 'no check of its own to show them')

    def test_paused_announcements_wait_until_resumed(self):
        address, hwnd = self.started_with_an_account()
        self.assertEqual(probe.call('command', hwnd, PAUSE), 0)
        stored = winenv.run('reg', 'query', SETTINGS_KEY, '/v', 'pauseUntil')
        self.assertEqual(stored.returncode, 0, 'the pause end is not stored')
        self.assertIn('REG_DWORD', stored.stdout)

        self.deliver(address, 'while paused', 1_700_000_300)
        self.check_now(hwnd)
        self.assertEqual(len(checks(address)), 2, 'Check Email Now asked the host')
        self.assertEqual(self.tips()[-1], 'qptn tray: tip=1 unread message.')
        self.assertIsNone(handed(self.traced, 1), 'a message went to the popup while paused')

        self.assertEqual(probe.call('command', hwnd, PAUSE), 0)
        shown = winenv.wait_until(lambda: handed(self.traced, 1), timeout=30,
                                  what='the held message handed to the popup on resuming')
        self.assertEqual(shown, [(0, 1_700_000_300, 1, 1)])
        self.assertNotEqual(
            winenv.run('reg', 'query', SETTINGS_KEY, '/v', 'pauseUntil').returncode, 0,
            'the pause end stays stored after resuming')


if __name__ == '__main__':
    unittest.main()
