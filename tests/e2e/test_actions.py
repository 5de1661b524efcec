"""The message actions of a real qptn.exe under Wine against the stand-in
host: each footer button of the popup reaches the host and changes its
model, the pages they ask for open in the browser (a recorder registered as
the http handler's command line, which gets the address as one argument),
and the mailto: hand-off opens the compose page with the link's arguments."""

import os
import unittest

import winenv
from notifier_scenario import (DELETE_BUTTON, QPTN, NotifierScenario, admin, handed,
                               host_port, popup_named, probe, qpsettings, urls_path)
import notifier_scenario

# The centres of the action buttons in the footer strip of a 297 x 190
# message popup (client coordinates).
REPLY_BUTTON = ('41', '168')
REPLY_ALL_BUTTON = ('89', '168')
FORWARD_BUTTON = ('137', '168')
MARK_READ_BUTTON = ('220', '168')
MARK_SPAM_BUTTON = ('258', '168')


def setUpModule():
    notifier_scenario.set_up()


def tearDownModule():
    notifier_scenario.tear_down()


def recorded():
    """The command lines the recording browser was started with."""
    if not os.path.exists(urls_path()):
        return []
    with open(urls_path(), encoding='utf-8') as f:
        return f.read().splitlines()


def logged(operation, address):
    """The parameters of the calls of `operation` made for `address`."""
    return [e['params'] for e in admin('/admin/log')
            if e.get('operation') == operation and e['params']['auth']['user_id'] == address]


def folders(address):
    """Subject -> (folder, unread) of every message the host holds for `address`."""
    held = admin(f'/admin/messages?address={address}')
    return {m['subject']: (folder, m['unread']) for folder, ms in held.items() for m in ms}


class ActionScenarios(NotifierScenario):
    def setUp(self):
        super().setUp()
        if os.path.exists(urls_path()):
            os.remove(urls_path())

    def test_each_footer_button_reaches_the_host(self):
        qpsettings('set', 'showLimit', '10')
        address, hwnd = self.running_with_an_account()
        page = f'http://127.0.0.1:{host_port()}/compose.php?path=INBOX&uid='

        def opened(kind):
            return lambda: any(page in line and f'&type={kind}&' in line for line in recorded())

        def moved(subject, folder, unread):
            return lambda: folders(address).get(subject) == (folder, unread)

        # One message per button, in the order of the dates; each action
        # ends its showing and the next message comes.
        cases = (('reply', REPLY_BUTTON, opened('reply')),
                 ('reply all', REPLY_ALL_BUTTON, opened('replyall')),
                 ('forward', FORWARD_BUTTON, opened('forward')),
                 ('mark read', MARK_READ_BUTTON, moved('mark read', 'INBOX', False)),
                 ('mark spam', MARK_SPAM_BUTTON, moved('mark spam', 'Spam', True)),
                 ('delete', DELETE_BUTTON, moved('delete', 'Trash', True)))
        for n, (subject, _, _) in enumerate(cases):
            self.deliver(address, subject, 1_700_000_000 + n)
        self.check_now(hwnd, 'the first message', until=lambda: handed(self.traced, 1))
        for subject, button, done in cases:
            with self.subTest(button=subject):
                popup_named(f'New Message from Bo Example: {subject}')
                self.assertEqual(probe.call('popup-click', *button), 0)
                if subject == 'delete':
                    shown = popup_named('New Messages: Message deleted.')
                    self.assertEqual(shown['description'], 'Message deleted.')
                winenv.wait_until(done, what=f'{subject}: its effect on the host '
                                  f'(recorded: {recorded()}, held: {folders(address)})')
        self.assertEqual([p['type'] for p in logged('get_message_url', address)],
                         ['reply', 'replyall', 'forward'])
        self.assertEqual([p['pref'] for p in logged('get_generic_pref', address)], ['no_trash'])
        self.assertEqual([(p['action'], p['arg']) for p in logged('apply_action', address)],
                         [('markRead', ''), ('markSpam', ''), ('delete', None)])
        # Every action took one unread message off: none is left.
        winenv.wait_until(lambda: winenv.tray_icon() == 'no_mail', what='the resting icon')

    def test_mailto_opens_the_compose_page_with_the_links_arguments(self):
        link = 'mailto:ann@example.org?subject=Hi&body=50%'
        # Without an account nothing starts, and the mode still ends with 0.
        self.assertEqual(winenv.run_quietly(QPTN, '-mailto', link), 0)
        self.assertEqual(recorded(), [])
        address = self.account()
        self.assertEqual(winenv.run_quietly(QPTN, '-mailto', link), 0)
        winenv.wait_until(recorded, what='the browser to be started')
        user = address.replace('@', '%40')
        self.assertEqual(len(recorded()), 1, recorded())
        self.assertTrue(recorded()[0].endswith(
            f' "http://127.0.0.1:{host_port()}/compose.php?user={user}'
            '&compose_args=sendto%3Dann@example.org%26subject%3DHi%26body%3D50%25"'),
            recorded())
        self.assertEqual([p['type'] for p in logged('get_message_url', address)], ['compose'])
        self.assertEqual(probe.windows(), [], 'the mode shows no window and no icon')


if __name__ == '__main__':
    unittest.main()
