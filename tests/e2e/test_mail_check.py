"""The mail check of a real qptn.exe against the stand-in host under Wine:
the first check learns the header number, Check Email Now and the periodic
timer announce new mail (alert sound, tray icon), new mail goes to the popup
in date order, the popup answers the mouse, the keyboard and screen readers
at any DPI, a newer version at start-up is offered and ends the run, and a
failing or hostile host costs nothing but that check."""

import os
import unittest

import winenv
from notifier_scenario import (DELETE_BUTTON, LUNCH, NEXT_BUTTON, PERIODIC_TIMER,
                               PREVIOUS_BUTTON, QPTN, ROLE_SYSTEM_ALERT, SCREENSHOTS, VK_ESCAPE,
                               VK_LEFT, VK_RIGHT, NotifierScenario, OpenWatch, admin, beep_path,
                               checks, handed, host_port, popup_named, popup_state, probe,
                               qpsettings, reg, urls_path)
import notifier_scenario


def setUpModule():
    notifier_scenario.set_up()


def tearDownModule():
    notifier_scenario.tear_down()


class MailCheckScenarios(NotifierScenario):
    def test_first_check_learns_then_check_now_and_the_timer_announce(self):
        address = self.account()
        learned = self.deliver(address, 'before the start')
        _, hwnd = self.start()
        winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        winenv.wait_until(lambda: winenv.tray_icon() == 'unread', what='the unread icon')

        newer = self.deliver(address, 'while running')
        watch = OpenWatch(beep_path())
        self.addCleanup(watch.close)
        self.check_now(hwnd)
        self.assertEqual(checks(address), [0, learned])
        self.assertTrue(watch.opened(60), 'the alert sound was not played')
        winenv.wait_until(lambda: winenv.tray_icon() == 'unread',
                          what='the unread icon: the new-mail state is for timer checks')

        newest = self.deliver(address, 'for the timer')
        self.assertEqual(probe.call('nudge'), 0)  # the user is at the computer
        before = self.finished()
        self.assertEqual(probe.call('timer', hwnd, PERIODIC_TIMER), 0)
        winenv.wait_until(lambda: self.finished() > before, what='the timer check')
        self.assertEqual(checks(address), [0, learned, newer])
        winenv.wait_until(lambda: winenv.tray_icon() == 'new_mail', what='the new-mail icon')
        self.assertGreater(newest, newer)

    def test_new_mail_shows_the_popup_in_the_corner_of_the_work_area(self):
        other = self.account()
        address, hwnd = self.running_with_an_account()
        winenv.wait_until(lambda: checks(other) == [0], timeout=60, what='the first check')
        # Mail for both accounts; the older, shown first, names its account.
        admin('/admin/deliver', dict(LUNCH, to=address, date=1_700_000_100))
        self.deliver(other, 'later', 1_700_000_200)
        shown = self.check_now(hwnd, 'the popup, fully opaque',
                               until=lambda: popup_state(visible=True, alpha=255))
        reads = popup_named('New Message from Ann Example: Lunch on Friday?')
        self.assertEqual(reads['description'],
                         f'To: {address}\nFrom: Ann Example\nSubject: Lunch on Friday?\n\n'
                         'Message: Shall we meet at noon? See https://example.org/menu')
        left, top, right, bottom = shown['rect']
        area_left, area_top, area_right, area_bottom = shown['workarea']
        # A message popup of 297 x 190, 2 pixels from the right edge and
        # from the taskbar at the bottom.
        self.assertEqual((left, top, right, bottom),
                         (area_right - 2 - 297, area_bottom - 2 - 190, area_right - 2,
                          area_bottom - 2))
        self.assertEqual(shown['title'], 'QPT Notice')
        tools = winenv.run(probe.exe, 'popup-tools').stdout.strip()
        self.assertGreater(int(tools or 0), 0, "the popup's buttons have no tooltips")
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'popup-message.png'))

    def test_new_mail_of_two_accounts_goes_to_the_popup_in_date_order(self):
        qpsettings('set', 'showLimit', '5')
        first, second = self.account(), self.account()
        _, hwnd = self.start()
        traced = self.traced
        for address in (first, second):
            winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')

        # Dates interleave across the accounts; the popup gets them oldest first.
        for address, date in ((first, 1_700_000_200), (second, 1_700_000_300),
                              (first, 1_700_000_400), (second, 1_700_000_100)):
            self.deliver(address, f'sent at {date}', date)
        self.check_now(hwnd)
        shown = handed(traced, 4)
        self.assertEqual(shown, [(1, 1_700_000_100, 1, 0), (0, 1_700_000_200, 0, 0),
                                 (1, 1_700_000_300, 0, 0), (0, 1_700_000_400, 0, 1)])

        # More than "showLimit": one summary with the count instead.
        for n in range(7):
            self.deliver(first, f'one of seven ({n})')
        self.check_now(hwnd)
        self.assertIn('qptn popup: summary count=7', ''.join(traced))
        self.assertEqual(len(handed(traced, 0)), 4, 'no message shown one by one beside it')

    def test_next_previous_keys_and_a_screen_reader_walk_the_sequence(self):
        address, hwnd = self.running_with_an_account()
        traced = self.traced
        senders = ('Ann Example', 'Bo Example', 'Cy Example')
        for n, sender in enumerate(senders):
            admin('/admin/deliver', {'to': address, 'from': f'{sender} <m{n}@example.org>',
                                     'subject': f'Subject {n}', 'body': f'Body number {n}',
                                     'date': 1_700_000_000 + n})

        def reads(n):
            return popup_named(f'New Message from {senders[n]}: Subject {n}')

        self.check_now(hwnd, 'the first message', until=lambda: handed(traced, 1))
        first = reads(0)
        self.assertEqual(first['role'], ROLE_SYSTEM_ALERT)
        self.assertEqual(first['action'], 'Open')
        self.assertEqual(first['description'],
                         'From: Ann Example\nSubject: Subject 0\n\nMessage: Body number 0')
        steps = (('click Next', lambda: probe.call('popup-click', *NEXT_BUTTON), 1),
                 ('click Previous', lambda: probe.call('popup-click', *PREVIOUS_BUTTON), 0),
                 ('the right arrow', lambda: probe.call('popup-key', VK_RIGHT), 1),
                 ('the right arrow again', lambda: probe.call('popup-key', VK_RIGHT), 2),
                 ('the left arrow', lambda: probe.call('popup-key', VK_LEFT), 1))
        for count, (what, step, shows) in enumerate(steps, start=2):
            with self.subTest(step=what):
                self.assertEqual(step(), 0)
                winenv.wait_until(lambda: handed(traced, count), what=what)
                reads(shows)
        self.assertEqual([date - 1_700_000_000 for _, date, _, _ in handed(traced, 6)],
                         [0, 1, 0, 1, 2, 1])
        # Escape closes each one; the sequence goes on to its end.
        before = self.finished()
        self.assertEqual(probe.call('popup-key', VK_ESCAPE), 0)
        winenv.wait_until(lambda: handed(traced, 7), what='Escape')
        reads(2)
        self.assertEqual(probe.call('popup-key', VK_ESCAPE), 0)
        winenv.wait_until(lambda: self.finished() > before, what='the end of the sequence')

    def test_a_refused_delete_shows_its_result_then_closes(self):
        address, hwnd = self.running_with_an_account()
        self.deliver(address, 'to be deleted')
        self.check_now(hwnd, 'the popup', until=lambda: handed(self.traced, 1))
        popup_named('New Message from Bo Example: to be deleted')
        before = self.finished()
        admin('/admin/fail', {'operation': 'apply_action', 'mode': 'fault', 'count': 1})
        self.assertEqual(probe.call('popup-click', *DELETE_BUTTON), 0)
        # The result stays on screen, then the popup closes.
        shown = popup_named('New Messages: Unable to delete the message.')
        self.assertEqual(shown['description'], 'Unable to delete the message.')
        winenv.wait_until(lambda: self.finished() > before, what='the popup to close')
        self.assertIsNone(popup_state(visible=True, alpha=255))
        held = admin(f'/admin/messages?address={address}')
        self.assertEqual([m['subject'] for m in held['INBOX']], ['to be deleted'])

    def test_many_new_messages_show_the_summary(self):
        qpsettings('set', 'showLimit', '5')
        address, hwnd = self.running_with_an_account()
        for n in range(7):
            self.deliver(address, f'one of seven ({n})')
        self.check_now(hwnd, 'the summary',
                       until=lambda: 'summary count=7' in ''.join(self.traced))
        shown = popup_named('New Messages: You have 7 new messages.')
        self.assertEqual(shown['description'], 'You have 7 new messages.\nLaunch Quillpost')
        state = popup_state(visible=True, alpha=255)
        left, top, right, bottom = state['rect']
        self.assertEqual((right - left, bottom - top), (297, 130))
        self.assertEqual((right, bottom), (state['workarea'][2] - 2, state['workarea'][3] - 2))
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'popup-summary.png'))

    def test_words_of_several_scripts_are_drawn(self):
        address, hwnd = self.running_with_an_account()
        words = 'Καλημέρα Здравствуйте 你好世界 مرحبا'
        admin('/admin/deliver', {'to': address, 'from': 'Ann Example <ann@example.org>',
                                 'subject': 'Greetings', 'body': words})
        self.check_now(hwnd, 'the popup', until=lambda: handed(self.traced, 1))
        shown = popup_named('New Message from Ann Example: Greetings')
        self.assertTrue(shown['description'].endswith('Message: ' + words), shown)
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'popup-scripts.png'))

    def test_at_144_dpi_the_popup_is_half_as_large_again(self):
        desktop = r'HKCU\Control Panel\Desktop'
        reg('add', desktop, '/v', 'LogPixels', '/t', 'REG_DWORD', '/d', '144', '/f')
        self.addCleanup(reg, 'delete', desktop, '/v', 'LogPixels', '/f')
        address, hwnd = self.running_with_an_account()
        admin('/admin/deliver', dict(LUNCH, to=address))
        self.check_now(hwnd, 'the popup', until=lambda: handed(self.traced, 1))
        shown = popup_named('New Message from Ann Example: Lunch on Friday?')
        state = popup_state(visible=True, alpha=255)
        left, top, right, bottom = state['rect']
        # 297 x 190 and the 2-pixel gaps, times 1.5 and rounded as MulDiv rounds.
        self.assertEqual((right - left, bottom - top), (446, 285), state)
        self.assertEqual((right, bottom), (state['workarea'][2] - 3, state['workarea'][3] - 3))
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'popup-144dpi.png'))
        # Clicks land where the scaled buttons are: the close button, at
        # (282, 15) on a 96-DPI screen, is at 1.5 times that place.
        before = self.finished()
        self.assertEqual(probe.call('popup-click', '423', '22'), 0)
        winenv.wait_until(lambda: self.finished() > before, what='the close button')
        self.assertEqual(shown['role'], ROLE_SYSTEM_ALERT)

    def test_no_new_mail_rings_nothing(self):
        address = self.account()
        _, hwnd = self.start()
        winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        watch = OpenWatch(beep_path())
        self.addCleanup(watch.close)
        self.check_now(hwnd)
        self.assertEqual(len(checks(address)), 2)
        self.assertFalse(watch.opened(3), 'the alert sounded without new mail')
        self.assertEqual(winenv.tray_icon(), 'no_mail')

    def test_a_newer_version_at_start_is_offered_downloaded_and_ends_the_run(self):
        urls = urls_path()
        if os.path.exists(urls):
            os.remove(urls)
        admin('/admin/version', {'version': 5})
        notifier = winenv.start(QPTN)
        self.started.append(notifier)

        def box():
            out = winenv.run(probe.exe, 'dialogs', 'Quillpost').stdout.splitlines()
            return out if out else None

        lines = winenv.wait_until(box, what='the update message box')
        self.assertEqual([l.strip() for l in lines[1:]],
                         ['A new version of the Desktop Notifier is available and will now be '
                          'downloaded.'])
        self.assertEqual(probe.call('dialog-ok', lines[0].split()[0]), 0)
        self.assertEqual(notifier.wait(timeout=60), 0)
        winenv.wait_until(lambda: os.path.exists(urls), what='the browser to be given the package')
        with open(urls, encoding='utf-8') as f:
            recorded = f.read()
        self.assertIn(f'"http://127.0.0.1:{host_port()}/qptnsetup_QX.msi"', recorded)
        self.assertEqual(probe.windows(), [], 'the run ends without a window or tray icon')

    def test_a_failing_or_hostile_host_costs_only_that_check(self):
        first, second, third = self.account(), self.account(), self.account()
        _, hwnd = self.start()
        for address in (first, second, third):
            winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        counter = {a: self.deliver(a, 'to learn') for a in (first, second, third)}
        known = {a: counter[a] - 1 for a in (first, second, third)}  # what the first check learned
        for mode in ('fault', 'status500garbage', 'notfound', 'oversize', 'slow', 'drop'):
            with self.subTest(mode=mode):
                before = {a: len(checks(a)) for a in (first, second, third)}
                # The first call of the check, the first account's, misbehaves.
                admin('/admin/fail', {'operation': 'get_new_messages', 'mode': mode, 'count': 1,
                                      'seconds': 3})
                self.check_now(hwnd, f'{mode}: the check')
                for address in (first, second, third):
                    sent = checks(address)[before[address]:]
                    self.assertEqual(sent[0], known[address], address)
                    if address != first:
                        self.assertEqual(len(sent), 1)
                        known[address] = counter[address]
                    elif mode == 'slow' or len(sent) > 1:
                        # A slow answer is still an answer, and WinINet sends
                        # a request again once when its connection was dropped.
                        known[address] = counter[address]
                self.assertEqual(len(probe.windows()), 1, 'the notifier must keep running')
        # Healthy again: every account goes on from where it stood.
        self.check_now(hwnd, 'a healthy check')
        self.assertEqual([checks(a)[-1] for a in (first, second, third)],
                         [counter[a] for a in (first, second, third)])


if __name__ == '__main__':
    unittest.main()
