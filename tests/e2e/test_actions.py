"""The message actions of a real qptn.exe under Wine against the stand-in
host: each footer button of the popup reaches the host and changes its
model, the pages they ask for open in the browser (a recorder registered as
the http handler's command line, which gets the address as one argument),
and the mailto: hand-off opens the compose page with the link's arguments."""

import os
import unittest
import urllib.parse
import urllib.request

import winenv
from notifier_scenario import (DELETE_BUTTON, QPTN, NotifierScenario, admin, drive_c,
                               handed, host_port, popup_named, probe, qpsettings, reg,
                               urls_path, windows_path)
import notifier_scenario

winenv.require_environment('FAKE_BROWSER')
FAKE_BROWSER = os.environ['FAKE_BROWSER']
DDE_KEY = r'HKCU\Software\Classes\http\shell\open\ddeexec'
USER_COMMAND_KEY = r'HKCU\Software\Classes\http\shell\open\command'
LAUNCH = '32787'

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
        tips = [line for line in ''.join(self.traced).splitlines()
                if line.startswith('qptn tray: tip=')]
        self.assertEqual(tips[-1], 'qptn tray: tip=No unread messages.', tips)

    def test_a_hostile_page_address_starts_no_program(self):
        hostile = 'file:///C:/Windows/System32/calc.exe'
        qpsettings('set', 'show', '30')
        address, hwnd = self.running_with_an_account()
        admin('/admin/page-url', {'url': hostile})
        self.addCleanup(admin, '/admin/page-url', {'url': None})
        self.deliver(address, 'hostile page')
        self.check_now(hwnd, 'the message', until=lambda: handed(self.traced, 1))
        popup_named('New Message from Bo Example: hostile page')
        self.assertEqual(probe.call('popup-click', *REPLY_BUTTON), 0)
        refused = f'qptn hand-off: refused {hostile}'
        winenv.wait_until(lambda: refused in ''.join(self.traced),
                          what='the notifier to refuse the address')
        self.assertEqual([p['type'] for p in logged('get_message_url', address)], ['reply'])
        # The mailto: hand-off gets the same answer for its compose page.
        self.assertEqual(winenv.run_quietly(QPTN, '-mailto', 'mailto:a@b?subject=x'), 0)
        winenv.wait_until(lambda: len(logged('get_message_url', address)) == 2,
                          what='the compose page to be asked for')
        self.assertEqual(recorded(), [], 'no program was started')
        self.assertEqual([p for _, p in winenv.test_programs()
                          if 'calc' in ' '.join(p).lower()], [])

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

        # A hostile link: its fields stay inside compose_args. The browser's
        # request reaches the host with the page's parameter and that one.
        os.remove(urls_path())
        hostile = 'mailto:a@b?subject=s&to=x@evil.example&sid=1&compose_args=y#frag'
        self.assertEqual(winenv.run_quietly(QPTN, '-mailto', hostile), 0)
        winenv.wait_until(recorded, what='the browser to be started')
        address_given = recorded()[0].rsplit(' ', 1)[1].strip('"')
        urllib.request.urlopen(address_given, timeout=30).read()
        request = [e['path'] for e in admin('/admin/log') if e['path'].startswith('/compose.php')][-1]
        query = urllib.parse.parse_qs(urllib.parse.urlsplit(request).query)
        self.assertEqual(sorted(query), ['compose_args', 'user'], request)
        self.assertEqual(query['compose_args'],
                         ['sendto=a@b&subject=s&to=x@evil.example&sid=1&compose_args=y#frag'])


class BrowserScenarios(NotifierScenario):
    """Pages open over DDE where the browser offers it, else through the
    browser's command line."""

    def setUp(self):
        super().setUp()
        self.record = drive_c('qp-fake-browser.txt')
        for path in (self.record, urls_path()):
            if os.path.exists(path):
                os.remove(path)

    def fake_browser(self, service, title):
        """Starts a DDE browser registered for http under `service`, with the
        open topic WWW_OpenURL, showing a window titled `title`."""
        browser = winenv.start_piped(FAKE_BROWSER, service, title, r'C:\qp-fake-browser.txt')
        self.addCleanup(browser.kill)
        self.assertEqual(browser.stdout.readline().strip(), 'ready')
        self.addCleanup(winenv.run, 'reg', 'delete', DDE_KEY, '/f')
        reg('add', DDE_KEY + r'\Application', '/ve', '/d', service, '/f')
        reg('add', DDE_KEY + r'\Topic', '/ve', '/d', 'WWW_OpenURL', '/f')

    def seen(self, at_least=1):
        """What the DDE browser was asked, once there are `at_least` lines."""
        if not os.path.exists(self.record):
            return None
        with open(self.record, encoding='utf-8') as f:
            lines = f.read().splitlines()
        return lines if len(lines) >= at_least else None

    def test_reply_opens_a_new_window_over_dde(self):
        self.fake_browser('QPFakeBrowser', 'Start Page - Fake Browser')
        address, hwnd = self.running_with_an_account()
        uid = admin('/admin/deliver', {'to': address, 'from': 'Bo Example <bo@example.org>',
                                       'subject': 'to answer'})['uid']
        self.check_now(hwnd, 'the popup', until=lambda: handed(self.traced, 1))
        popup_named('New Message from Bo Example: to answer')
        self.assertEqual(probe.call('popup-click', *REPLY_BUTTON), 0)
        lines = winenv.wait_until(lambda: self.seen(3), what='the DDE browser to be asked')
        page = (f'http://127.0.0.1:{host_port()}/compose.php?path=INBOX&uid={uid}&type=reply'
                f'&user={address.replace("@", "%40")}')
        self.assertEqual(lines, ['connect WWW_GetWindowInfo', 'connect WWW_OpenURL',
                                 f'execute WWW_OpenURL "{page}",,-1,0,,,,'])
        self.assertEqual(recorded(), [], 'no command line besides DDE')

    def test_launch_brings_the_open_web_mail_to_the_front(self):
        self.fake_browser('QPFakeBrowser', 'Quillpost :: Mail Index - Fake Browser')
        _, hwnd = self.running_with_an_account()
        self.assertEqual(probe.call('command', hwnd, LAUNCH), 0)
        lines = winenv.wait_until(lambda: self.seen(3) if 'restored' in (self.seen() or [])
                                  else None, what='the web-mail window to be restored')
        self.assertEqual(lines[:2], ['connect WWW_GetWindowInfo', 'request WWW_GetWindowInfo 1,0'])
        self.assertIn('activated', lines)
        self.assertFalse([l for l in lines if l.startswith('execute')], 'nothing opened')
        self.assertEqual(recorded(), [])

    def test_launch_without_the_web_mail_open_opens_the_index(self):
        self.fake_browser('QPFakeBrowser', 'Start Page - Fake Browser')
        _, hwnd = self.running_with_an_account()
        self.assertEqual(probe.call('command', hwnd, LAUNCH), 0)
        lines = winenv.wait_until(lambda: self.seen(4), what='the DDE browser to be asked')
        self.assertEqual(lines[:3], ['connect WWW_GetWindowInfo', 'request WWW_GetWindowInfo 1,0',
                                     'connect WWW_OpenURL'])
        self.assertTrue(lines[3].startswith(f'execute WWW_OpenURL "http://127.0.0.1:{host_port()}/')
                        and lines[3].endswith('",,-1,0,,,,'), lines)
        self.assertNotIn('restored', lines)

    def test_internet_explorer_gets_its_own_topics(self):
        self.fake_browser('IExplore', 'Quillpost :: Mail Index - Fake Browser')
        winenv.run(probe.exe, 'open-mail-window', 'https://h.example/index.php')
        winenv.run(probe.exe, 'open-url', 'https://h.example/view.php?uid=7')
        lines = winenv.wait_until(lambda: self.seen(7), what='the DDE browser to be asked')
        self.assertEqual([l for l in lines if l not in ('activated', 'restored')],
                         ['connect WWW_GetWindowInfo', 'request WWW_GetWindowInfo 1,0',
                          'connect WWW_Activate', 'execute WWW_Activate 1',
                          'connect WWW_GetWindowInfo', 'connect WWW_OpenURLNewWindow',
                          'execute WWW_OpenURLNewWindow "https://h.example/view.php?uid=7"'
                          ',,-1,0,,,,'])

    def test_without_dde_the_command_line_gets_the_address_as_one_argument(self):
        recorder = f'"{windows_path(probe.exe)}" record C:\\qp-urls.txt'
        hostile = 'http://a/" --x "c:\\evil.exe'
        # Quotes, blanks and backslashes arrive encoded: a backslash before
        # the template's closing quote would escape it.
        cases = (('with "%1"', None, hostile,
                  f'{recorder} "http://a/%22%20--x%20%22c:%5Cevil.exe"'),
                 ('without "%1"', recorder, hostile,
                  f'{recorder} http://a/%22%20--x%20%22c:%5Cevil.exe'),
                 ('trailing backslash', f'{recorder} "%1" --new-window', 'http://x/\\',
                  f'{recorder} "http://x/%5C" --new-window'))
        for name, template, address, expected in cases:
            with self.subTest(template=name):
                if os.path.exists(urls_path()):
                    os.remove(urls_path())
                if template:
                    reg('add', USER_COMMAND_KEY, '/ve', '/d', template, '/f')
                    self.addCleanup(winenv.run, 'reg', 'delete', USER_COMMAND_KEY, '/f')
                winenv.run(probe.exe, 'open-url', address)
                lines = winenv.wait_until(recorded, what='the browser to be started')
                if template:
                    winenv.run('reg', 'delete', USER_COMMAND_KEY, '/f')
                self.assertEqual(lines, [expected])
        # A line feed cannot start a second line of arguments, and other
        # schemes never reach the command line.
        os.remove(urls_path())
        winenv.run(probe.exe, 'open-url', 'http://a/\n--x')
        winenv.wait_until(recorded, what='the browser to be started')
        self.assertTrue(recorded()[0].endswith(' "http://a/%0A--x"'), recorded())
        os.remove(urls_path())
        done = winenv.run(probe.exe, 'open-url', 'file:///c:/windows/system32/calc.exe')
        self.assertEqual(done.stdout.strip(), 'not opened')
        self.assertEqual(recorded(), [])


if __name__ == '__main__':
    unittest.main()
