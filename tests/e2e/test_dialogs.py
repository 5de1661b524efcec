"""The settings dialog and the account dialog of a real qptn.exe under Wine,
driven like a person would through the probe: the first start opens them by
themselves, a wrong password shows the red error and stores nothing, a right
one stores the account, and the combos and check boxes write at once. With
the system's high contrast on, the dialogs and the popup paint in its
colours, without the artwork behind their texts."""

import collections
import os
import struct
import unittest

import accessibility
import winenv
from notifier_scenario import (CHECK_NOW, LUNCH, QPTN, SCREENSHOTS, VK_ESCAPE, NotifierScenario,
                               admin, checks, popup_state, probe, qpsettings, urls_path,
                               windows_path)
import notifier_scenario

SETTINGS_COMMAND = '32772'
# Controls of the settings dialog and of the account dialog.
ADD, RUN_AT_LOGIN, CHECK_EVERY, SHOW, DISPLAY_FOR = '1000', '1001', '1002', '1003', '1007'
MAILTO_LINKS, ALERT_SOUND, CLOSE = '1009', '1014', '2'
ADDRESS, PASSWORD, AUTH_ERROR, OK = '1005', '1006', '1004', '1'
RUN_KEY = r'HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
MAILTO_KEY = r'HKCU\Software\Classes\mailto\shell\open\command'


def setUpModule():
    notifier_scenario.set_up()


def tearDownModule():
    notifier_scenario.tear_down()


def dialog_with(control):
    """The dialog that holds `control`, once one is showing."""
    done = winenv.run(probe.exe, 'dialog-with', control)
    return done.stdout.strip() if done.returncode == 0 else None


def control(dialog, id):
    """(visible, enabled, checked, text) of a control."""
    out = winenv.run(probe.exe, 'control', dialog, id).stdout.rstrip('\r\n')
    visible, enabled, checked, text = (out.split(' ', 3) + [''])[:4]
    return visible == '1', enabled == '1', checked == '1', text


def stored(name):
    """A setting as qpsettings shows it."""
    for line in qpsettings('show').splitlines():
        if line.startswith(name + '='):
            return line.split('=', 1)[1].strip()
    return None


def accounts():
    return [line.split()[2] for line in qpsettings('account', 'list').splitlines()
            if line.startswith('account ')]


def reg_value(key, value=None):
    args = ['query', key] + (['/v', value] if value else ['/ve'])
    done = winenv.run('reg', *args)
    return done.stdout if done.returncode == 0 else None


class DialogScenarios(NotifierScenario):
    def sign_in(self, dialog, address, password):
        for id, text in ((ADDRESS, address), (PASSWORD, password)):
            self.assertEqual(probe.call('set-text', dialog, id, text), 0)
        self.assertEqual(probe.call('press', dialog, OK), 0)

    def test_first_start_asks_for_an_account_and_signs_it_in(self):
        address = self.host_account('right')
        _, hwnd = self.start()
        # Five seconds after start, with no account: the settings dialog,
        # and at once, before it shows, the account dialog over it.
        account = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog')
        self.sign_in(account, address, 'wrong')
        winenv.wait_until(lambda: control(account, AUTH_ERROR)[0], what='the sign-in error')
        self.assertEqual(control(account, AUTH_ERROR)[3], 'Incorrect email address or password.')
        self.assertEqual(control(account, PASSWORD)[3], 'wrong', 'the fields keep what was typed')
        self.assertEqual(accounts(), [], 'nothing stored')
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'account-dialog-error.png'))

        self.sign_in(account, address, 'right')
        winenv.wait_until(lambda: dialog_with(ADDRESS) is None, what='the account dialog to close')
        self.assertEqual(accounts(), [address])
        auth = [e['params'] for e in admin('/admin/log') if e.get('operation') == 'check_auth'
                and e['params']['auth']['user_id'] == address]
        self.assertEqual([a['auth']['password'] for a in auth], ['wrong', 'right'])

        # Two more through Add, then the list with three accounts.
        settings = dialog_with(CHECK_EVERY)
        more = [self.host_account('pw'), self.host_account('pw')]
        for other in more:
            self.assertEqual(probe.call('press', settings, ADD), 0)
            dialog = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog')
            self.sign_in(dialog, other, 'pw')
            winenv.wait_until(lambda: dialog_with(ADDRESS) is None, what='the sign-in')
        self.assertEqual(accounts(), [address] + more)
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY), what='the settings dialog')
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'settings-dialog.png'))

        # After Close the next check asks for each new account from the start.
        self.assertEqual(probe.call('press', settings, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY) is None, what='the dialog to close')
        self.check_now(hwnd)
        self.assertEqual([checks(each) for each in [address] + more], [[0], [0], [0]])

    def test_combos_and_check_boxes_write_at_once(self):
        other = '"C:\\Mail\\Other Mail.exe" /compose "%1"'
        winenv.run('reg', 'add', MAILTO_KEY, '/ve', '/d', other, '/f')
        self.addCleanup(winenv.run, 'reg', 'delete', MAILTO_KEY, '/f')
        address = self.account()
        _, hwnd = self.start()
        winenv.wait_until(lambda: checks(address) == [0], timeout=60, what='the first check')
        self.idle()
        self.assertEqual(probe.call('post-command', hwnd, SETTINGS_COMMAND), 0)
        settings = winenv.wait_until(lambda: dialog_with(CHECK_EVERY), what='the settings dialog')

        cases = ((CHECK_EVERY, 'type', '1 hour', 'freq', '60', '1 Hour'),
                 (CHECK_EVERY, 'pick', '15 Minutes', 'freq', '15', '15 Minutes'),
                 # raised to the floor, 2 minutes for the operator's own domain
                 (CHECK_EVERY, 'type', '90 seconds', 'freq', '2', '2 Minutes'),
                 (SHOW, 'pick', '10 Messages', 'showLimit', '10', '10 Messages'),
                 (SHOW, 'type', '2', 'showLimit', '2', '2 Messages'),
                 (DISPLAY_FOR, 'type', '90', 'show', '30', '30 Seconds'),
                 # no number: the current value comes back at once
                 (DISPLAY_FOR, 'type', 'abc', 'show', '30', '30 Seconds'))
        for id, how, text, setting, value, shown in cases:
            with self.subTest(combo=id, text=text):
                self.assertEqual(probe.call(how, settings, id, text), 0)
                winenv.wait_until(lambda: stored(setting) == value,
                                  what=f'{setting}={value} (now {stored(setting)})')
                self.assertEqual(control(settings, id)[3], shown)

        program = f'"{windows_path(QPTN)}"'
        self.assertEqual(probe.call('toggle', settings, RUN_AT_LOGIN), 0)
        winenv.wait_until(lambda: reg_value(RUN_KEY, 'qptn'), what='the Run value')
        self.assertIn(program, reg_value(RUN_KEY, 'qptn'))
        self.assertEqual(probe.call('toggle', settings, RUN_AT_LOGIN), 0)
        winenv.wait_until(lambda: reg_value(RUN_KEY, 'qptn') is None, what='the Run value gone')

        self.assertEqual(probe.call('toggle', settings, MAILTO_LINKS), 0)
        winenv.wait_until(lambda: program + ' -mailto %1' in (reg_value(MAILTO_KEY) or ''),
                          what='the mailto: handler')
        self.assertEqual(probe.call('toggle', settings, MAILTO_LINKS), 0)
        winenv.wait_until(lambda: other in (reg_value(MAILTO_KEY) or ''),
                          what='the previous handler given back')

        # The help image asks the service for the help page and opens it.
        if os.path.exists(urls_path()):
            os.remove(urls_path())
        left, _, right, _ = (int(x) for x in
                             winenv.run(probe.exe, 'window-rect', settings).stdout.split())
        # 12 pixels in from the right edge, 8 below the 35-pixel header; 20 x 20.
        help_image = (str(right - left - 6 - 12 - 10), '53')
        self.assertEqual(probe.call('click-at', settings, *help_image), 0)
        winenv.wait_until(lambda: os.path.exists(urls_path()), what='the help page to open')
        with open(urls_path(), encoding='utf-8') as f:
            self.assertIn('/help.php?topic=3831', f.read())
        # A help address that is not a web address opens nothing.
        hostile = 'file:///C:/Windows/System32/calc.exe'
        admin('/admin/page-url', {'url': hostile})
        self.addCleanup(admin, '/admin/page-url', {'url': None})
        os.remove(urls_path())
        self.assertEqual(probe.call('click-at', settings, *help_image), 0)
        winenv.wait_until(lambda: f'qptn hand-off: refused {hostile}' in ''.join(self.traced),
                          what='the notifier to refuse the help address')
        self.assertFalse(os.path.exists(urls_path()), 'a program was started')

        sound = stored('sound')
        self.assertEqual(probe.call('toggle', settings, ALERT_SOUND), 0)
        winenv.wait_until(lambda: stored('sound') != sound, what='the sound setting flipped')
        self.assertEqual(probe.call('press', settings, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY) is None, what='the dialog to close')


def list_row_top(settings, count, row):
    """The top of an account row of the settings dialog's list, in client
    pixels: the list starts at 17/40 of the dialog's height as it opened
    (before it was fitted to `count` accounts), each row 20 pixels lower."""
    left, top, right, bottom = (int(x) for x in
                                winenv.run(probe.exe, 'window-rect', settings).stdout.split())
    shrunk = (5 - (2 if count == 0 else min(count + 1, 5))) * 20
    return (bottom - top + shrunk) * 17 // 40 + 20 * (row + 1)


# Where "Edit" and "Delete" of a row are drawn: from 12 pixels into the
# actions column (x 329), in the 15-pixel underlined Arial.
EDIT_X, DELETE_X = 346, 392


class AccountListScenarios(NotifierScenario):
    def open_settings(self, hwnd):
        self.assertEqual(probe.call('post-command', hwnd, SETTINGS_COMMAND), 0)
        return winenv.wait_until(lambda: dialog_with(CHECK_EVERY), what='the settings dialog')

    def test_settings_are_refused_while_a_check_runs(self):
        # A check held up by a slow host: Settings sent meanwhile is
        # dropped, not kept for later, as the greyed menu item says.
        address = self.account()
        _, hwnd = self.start()
        self.idle()
        admin('/admin/fail', {'operation': 'get_new_messages', 'mode': 'slow', 'count': 1,
                              'seconds': 3})
        before = self.finished()
        self.assertEqual(probe.call('command', hwnd, CHECK_NOW), 0)
        winenv.wait_until(lambda: self.checks_started() > before, what='the check to start')
        self.assertEqual(probe.call('post-command', hwnd, SETTINGS_COMMAND), 0)
        self.idle('the slow check to end')
        self.assertEqual(len(checks(address)), 2)
        self.assertIsNone(dialog_with(CHECK_EVERY), 'the settings opened during the check')
        # Once the check is over, the same command opens them.
        settings = self.open_settings(hwnd)
        self.assertEqual(probe.call('press', settings, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY) is None, what='the dialog to close')

    def click_link(self, settings, count, row, x):
        y = list_row_top(settings, count, row) + 9
        self.assertEqual(probe.call('click-at', settings, str(x), str(y)), 0)

    def test_edit_delete_with_confirmation_and_five_accounts(self):
        first, second, third = self.account('pw'), self.account('pw'), self.account('pw')
        _, hwnd = self.start()
        self.idle()
        self.assertEqual([checks(each) for each in (first, second, third)], [[0], [0], [0]])
        settings = self.open_settings(hwnd)

        # Delete, then Cancel in the question: nothing changes.
        self.click_link(settings, 3, 0, DELETE_X)
        question = winenv.wait_until(lambda: dialog_with(OK), what='the question')
        self.assertEqual(probe.call('press', question, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(OK) is None, what='the question to close')
        self.assertEqual(accounts(), [first, second, third])
        # Delete, then OK: the later rows move up and two are stored.
        self.click_link(settings, 3, 0, DELETE_X)
        question = winenv.wait_until(lambda: dialog_with(OK), what='the question')
        self.assertEqual(probe.call('press', question, OK), 0)
        winenv.wait_until(lambda: accounts() == [second, third], what='the account deleted')

        # Edit opens the account dialog on the row's address and password.
        self.click_link(settings, 3, 1, EDIT_X)  # the height is not fitted after a delete
        account = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog')
        self.assertEqual(control(account, ADDRESS)[3], third)
        self.assertEqual(control(account, PASSWORD)[3], 'pw')
        self.assertEqual(probe.call('press', account, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(ADDRESS) is None, what='the account dialog closed')

        # Up to five through Add; then Add is greyed.
        for n in range(3):
            other = self.host_account('pw')
            self.assertEqual(probe.call('press', settings, ADD), 0)
            dialog = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog')
            for id, text in ((ADDRESS, other), (PASSWORD, 'pw')):
                self.assertEqual(probe.call('set-text', dialog, id, text), 0)
            self.assertEqual(probe.call('press', dialog, OK), 0)
            winenv.wait_until(lambda: dialog_with(ADDRESS) is None, what='the sign-in')
        self.assertEqual(len(accounts()), 5)
        self.assertFalse(control(settings, ADD)[1], 'Add is greyed with five accounts')
        self.assertEqual(probe.call('press', settings, CLOSE), 0)



# "High Contrast Black" as the probe sets it: the window, its text and links.
HC_WINDOW, HC_TEXT, HC_LINK = b'\x00\x00\x00', b'\xff\xff\xff', b'\xff\xff\x00'
OWN_LINK = b'\x00\x00\xff'
OWN_LIST = {b'\xdd\xdd\xdd': 'title row', b'\xf5\xf5\xf5': 'shaded row',
            b'\xb4\xb4\xb4': 'grid line'}
HEADER_HEIGHT = 35


def backdrop_colours():
    """The colours the header and band artwork stretches behind texts (the
    bitmaps' first columns), without greys, which anti-aliased white text
    has too."""
    colours = set()
    for name in ('header.bmp', 'header_band.bmp', 'footer_band.bmp'):
        path = os.path.join(os.environ['QP_SOURCE_DIR'], 'notifier', 'resources', 'bitmaps', name)
        with open(path, 'rb') as f:
            bmp = f.read()
        offset, = struct.unpack_from('<I', bmp, 10)
        width, height = struct.unpack_from('<ii', bmp, 18)
        stride = (width * 3 + 3) & ~3
        for row in range(height):
            b, g, r = bmp[offset + row * stride:offset + row * stride + 3]
            if not r == g == b:
                colours.add(bytes((r, g, b)))
    return colours


def screen_colours(left, top, right, bottom):
    """How many pixels of each colour (RGB bytes) a part of the screen has."""
    raw = winenv.screen_rgb(left, top, right - left, bottom - top)
    return collections.Counter(raw[i:i + 3] for i in range(0, len(raw), 3))


def client_rect(window):
    return tuple(int(x) for x in winenv.run(probe.exe, 'client-rect', window).stdout.split())


class HighContrastScenarios(NotifierScenario):
    def wait_for_look(self, look, wanted, what, shot=None):
        """Waits until `look()` gives what `wanted` accepts; photographs the
        screen into `shot` either way, and says what was last seen."""
        seen = {}

        def matches():
            seen.update(look())
            return wanted(seen)
        try:
            winenv.wait_until(matches, what=what, interval=1)
        except AssertionError as e:
            raise AssertionError(f'{e}\nlast seen: {seen}') from None
        finally:
            if shot:
                winenv.save_screenshot(os.path.join(SCREENSHOTS, shot))

    def switch_on(self):
        done = winenv.run(probe.exe, 'high-contrast', 'on')
        self.assertEqual(done.returncode, 0, done.stdout + done.stderr)
        previous = done.stdout.split('\n', 1)[0].split()
        self.assertEqual(previous[0], 'previous', done.stdout)
        self.addCleanup(lambda: self.assertEqual(
            probe.call('high-contrast', 'off', *previous[1:]), 0, 'high contrast switched off'))

    def settings_look(self, settings):
        """What the settings dialog with one account shows: the backdrop
        colours and the high-contrast text in its header and bands, the
        share of the high-contrast window colour, the links in the own and
        in the high-contrast colour and the own list colours."""
        left, top, right, bottom = client_rect(settings)
        _, window_top, _, window_bottom = (
            int(x) for x in winenv.run(probe.exe, 'window-rect', settings).stdout.split())
        # Left of the logo and the help image; the bands below the header
        # and along the bottom.
        header = screen_colours(left + 1, top, right - 84, top + HEADER_HEIGHT + 10)
        header.update(screen_colours(left + 1, bottom - 11, right - 1, bottom - 1))
        # The list with its title row and one account: it starts at 17/40 of
        # the height the dialog had before it was fitted (60 pixels more).
        list_top = top + (window_bottom - window_top + 60) * 17 // 40
        rows = screen_colours(left + 12, list_top, right - 12, list_top + 41)
        whole = screen_colours(left, top, right, bottom)
        backdrops = backdrop_colours()
        return {'backdrop pixels': sum(n for c, n in header.items() if c in backdrops),
                'header text pixels': header[HC_TEXT],
                'window share': whole[HC_WINDOW] / sum(whole.values()),
                'link pixels': (rows[OWN_LINK], rows[HC_LINK]),
                'own list colours': sorted(name for c, name in OWN_LIST.items() if rows[c])}

    def popup_look(self, rect):
        """What the popup at `rect` shows: the backdrop colours and the
        high-contrast text in its header and bands, the share of the window
        colour, and the text and link colours in its body."""
        left, top, right, bottom = rect
        # Left of the logo: the header box and its band; the band above the
        # footer box; the body with its link word and "open".
        header = screen_colours(left + 4, top + 4, right - 105, top + 51)
        header.update(screen_colours(left + 4, bottom - 49, right - 4, bottom - 39))
        body = screen_colours(left + 17, top + 53, right - 17, bottom - 53)
        whole = screen_colours(left, top, right, bottom)
        backdrops = backdrop_colours()
        return {'backdrop pixels': sum(n for c, n in header.items() if c in backdrops),
                'header text pixels': header[HC_TEXT],
                'window share': whole[HC_WINDOW] / sum(whole.values()),
                'text pixels': body[HC_TEXT], 'link pixels': body[HC_LINK]}

    def test_settings_and_popup_in_the_systems_colours(self):
        # Before the notifier starts: Wine 8 gives a running program the
        # system colours it read first, whatever another program sets later.
        self.switch_on()
        address, hwnd = self.running_with_an_account()
        self.idle()
        self.assertEqual(probe.call('post-command', hwnd, SETTINGS_COMMAND), 0)
        settings = winenv.wait_until(lambda: dialog_with(CHECK_EVERY), what='the settings dialog')
        self.wait_for_look(lambda: self.settings_look(settings),
                           lambda s: (s['backdrop pixels'] == 0 and s['header text pixels'] > 0
                                      and s['window share'] > 0.5 and s['link pixels'][0] == 0
                                      and s['link pixels'][1] > 0 and not s['own list colours']),
                           'the settings dialog in high contrast', 'high-contrast-settings.png')
        self.assertEqual(probe.call('press', settings, CLOSE), 0)
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY) is None, what='the dialog to close')

        # The popup as it opens.
        admin('/admin/deliver', dict(LUNCH, to=address))
        shown = self.check_now(hwnd, 'the popup, fully opaque',
                               until=lambda: popup_state(visible=True, alpha=255))
        self.wait_for_look(lambda: self.popup_look(shown['rect']),
                           lambda s: (s['backdrop pixels'] == 0 and s['header text pixels'] > 0
                                      and s['window share'] > 0.5 and s['text pixels'] > 0
                                      and s['link pixels'] > 0),
                           'the popup in high contrast', 'high-contrast-popup.png')
        self.assertEqual(probe.call('popup-key', VK_ESCAPE), 0)
        self.idle('the popup to close')


if __name__ == '__main__':
    unittest.main()


# The keyboard's way through the dialogs: the header's links, then the
# template's controls, the account rows' addresses and links, Add and Close.
LOGO, HELP = 1050, 1051


def link_id(row, delete=False):
    return 1020 + 2 * row + (1 if delete else 0)


def focus_is(control, cls='Button'):
    now = accessibility.focus()
    return now is not None and now[1] == control and now[2] == cls


class KeyboardScenarios(NotifierScenario):
    """The dialogs driven by key presses alone, as a user without a mouse
    does, and what a screen reader finds in them."""

    def tab_to(self, found, what, back=False):
        """Presses Tab (Shift+Tab) until `found(focus)` holds; the focus
        stops (class, id, text) on the way."""
        passed = []
        for _ in range(30):
            now = accessibility.focus()
            if now and found(now):
                return passed
            passed.append(now[1:] if now else None)
            accessibility.keys('shift+tab' if back else 'tab')
            winenv.wait_until(lambda: accessibility.focus() != now,
                              what=f'Tab to move the focus from {now} on the way to {what}')
        self.fail(f'Tab never reached {what}; it went through {passed}')

    def sign_in_by_keys(self, address, password):
        """In a fresh account dialog: the focus is in the address field."""
        winenv.wait_until(lambda: focus_is(int(ADDRESS), 'Edit'), what='the focus on the address')
        accessibility.keys(f'text:{address}', 'tab', f'text:{password}', 'enter')

    def test_keyboard_alone(self):
        address = self.host_account('right')
        self.start()
        # First start: the account dialog over the settings dialog.
        account = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog')
        accessibility.check_and_save(self, account,
                                     os.path.join(SCREENSHOTS, 'account-dialog.a11y.txt'))
        # A wrong password first: the status and the error are announced.
        alerts = accessibility.alerts()
        self.sign_in_by_keys(address, 'wrong')
        winenv.wait_until(lambda: 'alert Incorrect email address or password.' in alerts,
                          what=f'the error announced (heard {alerts})')
        self.assertIn('alert Authenticating password...', alerts)
        accessibility.keys(*['backspace'] * len('wrong'), 'text:right', 'enter')
        winenv.wait_until(lambda: dialog_with(ADDRESS) is None and accounts() == [address],
                          what=f'the account signed in and stored (now {accounts()})')

        # Add a second account: Tab to "Add Email Address", Enter.
        settings = winenv.wait_until(lambda: dialog_with(CHECK_EVERY), what='the settings dialog')
        self.tab_to(lambda f: f[1] == int(ADD), 'Add Email Address')
        accessibility.keys('enter')
        winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog for Add')
        other = self.host_account('pw')
        self.sign_in_by_keys(other, 'pw')
        winenv.wait_until(lambda: accounts() == [address, other],
                          what=f'the second account stored (now {accounts()})')

        # The whole tab order once round, from the first control: every
        # interactive control in reading order.
        self.tab_to(lambda f: f[1] == LOGO, 'the logo')
        order = []
        for _ in range(20):
            now = accessibility.focus()
            order.append(now[1:3])
            accessibility.keys('tab')
            winenv.wait_until(lambda: accessibility.focus() != now, what='Tab to move on')
            if focus_is(LOGO):
                break
        self.assertEqual(order, [
            (LOGO, 'Button'), (HELP, 'Button'), (int(RUN_AT_LOGIN), 'Button'),
            (int(MAILTO_LINKS), 'Button'), (int(ALERT_SOUND), 'Button'),
            (int(CHECK_EVERY), 'ComboBox'), (int(DISPLAY_FOR), 'ComboBox'),
            (int(SHOW), 'ComboBox'), (link_id(0), 'Button'), (link_id(0, True), 'Button'),
            (link_id(1), 'Button'), (link_id(1, True), 'Button'), (int(ADD), 'Button'),
            (int(CLOSE), 'Button')], 'the tab order')
        # Shift+Tab goes back the same way.
        accessibility.keys('shift+tab')
        winenv.wait_until(lambda: focus_is(int(CLOSE)), what='Shift+Tab to Close')
        tree = accessibility.check_and_save(
            self, settings, os.path.join(SCREENSHOTS, 'settings-dialog.a11y.txt'))
        self.assertRegex(tree[0].description, r'^Desktop Notifier, Version \d+\.\d+\.\d+, Settings$')
        self.assertEqual(accessibility.reading_order(tree), [
            'Vantrell home page', 'Help', 'Run on Windows login', 'Enable mailto: links',
            'Enable alert sound', 'Check every:', 'Display for:', 'Show:',
            f'Edit {address}', f'Delete {address}',
            f'Edit {other}', f'Delete {other}', 'Add Email Address', 'Close'])

        # Edit the second account: its Edit link, Enter; the dialog holds
        # the address; the password typed again.
        before = len(sign_ins(other))
        self.tab_to(lambda f: f[1] == link_id(1), 'Edit of the second row', back=True)
        winenv.save_screenshot(os.path.join(SCREENSHOTS, 'settings-keyboard-focus.png'))
        accessibility.keys('enter')
        edit = winenv.wait_until(lambda: dialog_with(ADDRESS), what='the account dialog for Edit')
        self.assertEqual(control(edit, ADDRESS)[3], other)
        winenv.wait_until(lambda: focus_is(int(ADDRESS), 'Edit'), what='the focus on the address')
        accessibility.keys('tab', 'text:pw', 'enter')
        winenv.wait_until(lambda: dialog_with(ADDRESS) is None, what='the edit signed in')
        self.assertEqual(len(sign_ins(other)), before + 1)
        self.assertEqual(accounts(), [address, other])

        # Delete it: Cancel in the question once, then OK.
        self.tab_to(lambda f: f[1] == link_id(1, True), 'Delete of the second row')
        accessibility.keys('enter')
        question = winenv.wait_until(lambda: dialog_with(OK), what='the question')
        winenv.wait_until(lambda: focus_is(int(OK)), what='the focus on OK')
        accessibility.check_and_save(self, question,
                                     os.path.join(SCREENSHOTS, 'confirmation.a11y.txt'))
        accessibility.keys('tab')
        winenv.wait_until(lambda: focus_is(int(CLOSE)), what='Tab to Cancel')
        accessibility.keys('enter')
        winenv.wait_until(lambda: dialog_with(OK) is None, what='the question to close')
        self.assertEqual(accounts(), [address, other], 'Cancel deleted nothing')
        winenv.wait_until(lambda: focus_is(link_id(1, True)), what='the focus back on Delete')
        accessibility.keys('enter')
        winenv.wait_until(lambda: dialog_with(OK), what='the question again')
        winenv.wait_until(lambda: focus_is(int(OK)), what='the focus on OK')
        accessibility.keys('enter')
        winenv.wait_until(lambda: accounts() == [address],
                          what=f'the account deleted (now {accounts()})')

        # "Check every": the next item with the arrow key.
        self.tab_to(lambda f: f[1] == int(CHECK_EVERY), 'Check every')
        accessibility.keys('down')
        winenv.wait_until(lambda: stored('freq') == '15', what=f'freq=15 (now {stored("freq")})')

        # "Run on Windows login" with Space.
        self.tab_to(lambda f: f[1] == int(RUN_AT_LOGIN), 'Run on Windows login', back=True)
        accessibility.keys('space')
        winenv.wait_until(lambda: reg_value(RUN_KEY, 'qptn'), what='the Run value')

        # Escape closes, as Close does.
        accessibility.keys('escape')
        winenv.wait_until(lambda: dialog_with(CHECK_EVERY) is None, what='the dialog to close')
        self.assertEqual(accounts(), [address])
        self.assertEqual(stored('freq'), '15')
        self.assertIn(f'"{windows_path(QPTN)}"', reg_value(RUN_KEY, 'qptn'))


def sign_ins(address):
    return [e for e in admin('/admin/log') if e.get('operation') == 'check_auth'
            and e['params']['auth']['user_id'] == address]
