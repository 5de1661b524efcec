"""Scenarios with the real GatherwickAX.dll under Wine: self-registration
read back with `reg query`, the control driven from JScript through
cscript as a page drives it, and its themed dialogs photographed, read as a
screen reader reads them and worked with the keyboard alone."""

import os
import subprocess
import unittest

import accessibility
import winenv
from winenv import windows_path

winenv.require_environment('GWAX_DLL', 'GWAX_DIALOGS', 'QPTN_PROBE', 'GWAX_SCREENSHOTS',
                           'ACCESSIBILITY_PROBE')
DLL = os.environ['GWAX_DLL']
DIALOGS = os.environ['GWAX_DIALOGS']
SCREENSHOTS = os.environ['GWAX_SCREENSHOTS']
SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'control_script.js')

CLSID = '{B5B8593C-89BC-44a7-BCE3-32FE4FED7C5C}'
APPID = '{5EE3F6AD-099C-4FE6-8069-40635BA34982}'
LIBID = '{7CD239BF-0A52-4f76-AD85-534103E6D883}'
IID = '{E8BDDAEC-4F1C-420C-99B1-958E85857364}'
OLD_CLSID = '{282F2E15-8158-4DD0-952B-9796E163521D}'
HKCR = 'HKEY_CLASSES_ROOT'


def setUpModule():
    winenv.warm_up(os.environ['QPTN_PROBE'])


def reg(*args):
    return winenv.run('reg', *args)


def registry_tree(key):
    """{key path (lower case): {value name (lower case): (name, data)}} below `key`,
    as `reg query /s` prints it; {} when the key is missing. Anything else
    that stops `reg` fails, with what it said."""
    out = reg('query', key, '/s')
    if out.returncode != 0:
        if out.returncode == 1 and 'unable to find' in out.stderr.lower():
            return {}
        raise AssertionError(f'reg query {key} /s ended with {out.returncode}: '
                             f'stdout {out.stdout!r}, stderr {out.stderr!r}')
    tree, current = {}, None
    for line in out.stdout.splitlines():
        if line.startswith('HKEY_'):
            current = tree.setdefault(line.strip().lower(), {})
        elif line.startswith('    ') and current is not None:
            parts = line.strip().split('    ')
            name = parts[0]
            data = parts[2] if len(parts) > 2 else ''
            current[name.lower()] = (name, data)
    return tree


def key_exists(key):
    return reg('query', key).returncode == 0


def regsvr32(*args):
    return winenv.run('regsvr32', *args, windows_path(DLL), timeout=120).returncode


def expected_entries(dll):
    """(key below HKEY_CLASSES_ROOT, value name or '' for the default, data)."""
    c = 'CLSID\\' + CLSID
    return [
        ('AppID\\' + APPID, '', 'QPTToolsAX'),
        ('AppID\\QPTToolsAX.DLL', 'AppID', APPID),
        ('Vantrell.QPTTool.3', '', 'QPT Tools Class'),
        ('Vantrell.QPTTool.3\\CLSID', '', CLSID),
        ('Vantrell.QPTTool', '', 'QPT Tools Class'),
        ('Vantrell.QPTTool\\CLSID', '', CLSID),
        ('Vantrell.QPTTool\\CurVer', '', 'Vantrell.QPTTool.3'),
        (c, '', 'QPT Tools Class'),
        (c, 'AppID', APPID),
        (c + '\\ProgID', '', 'Vantrell.QPTTool.3'),
        (c + '\\VersionIndependentProgID', '', 'Vantrell.QPTTool'),
        (c + '\\Programmable', None, None),
        (c + '\\InprocServer32', '', dll),
        (c + '\\InprocServer32', 'ThreadingModel', 'Apartment'),
        (c + '\\Control', None, None),
        (c + '\\ToolboxBitmap32', '', dll + ', 102'),
        (c + '\\Implemented Categories\\{7DD95801-9882-11CF-9FA9-00AA006C42C4}', None, None),
        (c + '\\Implemented Categories\\{7DD95802-9882-11CF-9FA9-00AA006C42C4}', None, None),
        (c + '\\MiscStatus', '', '0'),
        (c + '\\MiscStatus\\1', '', '131473'),
        (c + '\\TypeLib', '', LIBID),
        (c + '\\Version', '', '1.0'),
    ]


OWN_KEYS = ['Vantrell.QPTTool.3', 'Vantrell.QPTTool', 'CLSID\\' + CLSID, 'AppID\\' + APPID,
            'AppID\\QPTToolsAX.DLL', 'TypeLib\\' + LIBID]
OLD_KEYS = ['AppID\\Vantrell.Gatherwick', 'AppID\\GatherwickAX.DLL', 'Vantrell.Gatherwick.1',
            'Vantrell.Gatherwick', 'CLSID\\' + OLD_CLSID]


def seed_older_control():
    for key, name, data in [
            ('AppID\\Vantrell.Gatherwick', None, 'GatherwickAX'),
            ('AppID\\GatherwickAX.DLL', 'AppID', 'Vantrell.Gatherwick'),
            ('Vantrell.Gatherwick.1', None, 'Gatherwick Class'),
            ('Vantrell.Gatherwick.1\\CLSID', None, OLD_CLSID),
            ('Vantrell.Gatherwick', None, 'Gatherwick Class'),
            ('Vantrell.Gatherwick\\CurVer', None, 'Vantrell.Gatherwick.1'),
            ('CLSID\\' + OLD_CLSID + '\\InprocServer32', None, 'C:\\old\\GatherwickAX.dll'),
            ('CLSID\\' + OLD_CLSID + '\\TypeLib', None, '{F83F66F5-741C-41B0-87FC-6A10EB974B09}')]:
        args = ['add', HKCR + '\\' + key, '/f', '/d', data]
        args += ['/v', name] if name else ['/ve']
        assert reg(*args).returncode == 0, key


class Registration(winenv.Scenario):
    def tearDown(self):
        regsvr32('/u', '/s')
        super().tearDown()

    def assert_registered(self):
        dll = windows_path(DLL)
        trees = {}
        for key, name, data in expected_entries(dll):
            parts = key.split('\\')
            root = '\\'.join(parts[:2] if parts[0] in ('CLSID', 'AppID') else parts[:1])
            if root not in trees:
                trees[root] = registry_tree(HKCR + '\\' + root)
            values = trees[root].get((HKCR + '\\' + key).lower())
            self.assertIsNotNone(values, f'missing key {key}; below {root}: {sorted(trees[root])}')
            if name is None:
                continue
            shown = '(Default)' if name == '' else name
            self.assertIn(shown.lower(), values, f'{key}: no value {shown!r}')
            got_name, got_data = values[shown.lower()]
            self.assertEqual((got_name, got_data), (shown, data), key)
        # Key names keep the letter case they were written with.
        listing = reg('query', HKCR + '\\CLSID\\' + CLSID).stdout
        self.assertIn('CLSID\\' + CLSID, listing)
        self.assertIn(LIBID, reg('query', HKCR + '\\CLSID\\' + CLSID + '\\TypeLib').stdout)
        self.assertTrue(key_exists(HKCR + '\\TypeLib\\' + LIBID + '\\1.0'))
        self.assertTrue(key_exists(HKCR + '\\Interface\\' + IID))

    def test_register_read_back_and_unregister(self):
        seed_older_control()
        self.assertEqual(regsvr32('/s'), 0)
        self.assert_registered()
        for key in OLD_KEYS:
            self.assertFalse(key_exists(HKCR + '\\' + key), 'older control key left: ' + key)
        self.assertTrue(key_exists(HKCR + '\\AppID'))
        self.assertTrue(key_exists(HKCR + '\\CLSID'))

        # Nothing of the older control is left to remove; it still succeeds.
        self.assertEqual(regsvr32('/s'), 0)
        self.assert_registered()

        self.assertEqual(regsvr32('/u', '/s'), 0)
        for key in OWN_KEYS:
            self.assertFalse(key_exists(HKCR + '\\' + key), 'left after unregistering: ' + key)
        self.assertTrue(key_exists(HKCR + '\\AppID'))
        self.assertTrue(key_exists(HKCR + '\\CLSID'))


class Scripting(winenv.Scenario):
    def setUp(self):
        self.assertEqual(regsvr32('/s'), 0)

    def tearDown(self):
        regsvr32('/u', '/s')
        super().tearDown()

    def test_page_script_through_cscript(self):
        out = winenv.run('cscript', '//nologo', windows_path(SCRIPT), timeout=120)
        lines = [l.strip() for l in out.stdout.splitlines() if l.strip()]
        print('\n'.join(lines))
        self.assertEqual(out.returncode, 0, out.stderr)
        self.assertEqual(lines[:16], [
            'version 7',
            'version 7',
            'protected 0',
            'start ok',
            'add ok',
            'end ok',
            'prepare ok 0',
            'prepare-string ok keys',
            'prepare-elsewhere error 80070005',
            'prepare-path error 80070005',
            'before ok',
            'after ok',
            'unregister-old ok',
            'unregister ok',
            'version-after 7',
            'start-after ok',
        ])
        # The running control kept working; new ones can't be made any more.
        self.assertEqual(len(lines), 17)
        self.assertTrue(lines[16].startswith('create-after error'), lines[16])
        self.assertFalse(key_exists(HKCR + '\\CLSID\\' + CLSID))
        self.assertFalse(key_exists(HKCR + '\\Vantrell.QPTTool'))


def screen_pixel(x, y):
    rgb = subprocess.run(['import', '-window', 'root', '-crop', f'1x1+{x}+{y}', '-depth', '8', 'rgb:-'],
                         capture_output=True, check=True).stdout
    return tuple(rgb[:3])


class DialogPictures(winenv.Scenario):
    """Shows each dialog, photographs it into the build tree and checks
    from the photograph that it is on screen in its theme's colours; dumps
    its accessible tree beside the photograph and checks it; and works it
    with key presses alone."""

    def show(self, *args):
        """The helper's process, the dialog's box on screen and its window."""
        p = subprocess.Popen(['wine', DIALOGS, *args], env=winenv.wine_env(), stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.addCleanup(self.end, p)
        first = p.stdout.readline().split()
        self.assertEqual(first[:1], ['ready'], first)
        left, top, right, bottom = map(int, first[1:5])
        return p, (left, top, right - left, bottom - top), first[5]

    def photograph(self, name, box):
        os.makedirs(SCREENSHOTS, exist_ok=True)
        left, top, width, height = box
        path = os.path.join(SCREENSHOTS, name + '.png')
        subprocess.run(['import', '-window', 'root', '-crop', f'{width + 20}x{height + 20}+{left - 10}+{top - 10}',
                        '+repage', path], check=True)
        print('saved', path)
        return path

    def check_tree(self, name, window):
        path = os.path.join(SCREENSHOTS, name + '.a11y.txt')
        return accessibility.check_and_save(self, window, path)

    def wait_for_pixel(self, x, y, colour, what):
        """The dialog draws on its own; waits until the display shows `colour`."""
        try:
            winenv.wait_until(lambda: screen_pixel(x, y) == colour, timeout=20, what=what)
        except AssertionError:
            self.fail(f'{what}: {screen_pixel(x, y)} on screen, {colour} wanted')

    def wait_for_focus(self, window, control, text, what):
        """Waits until the button `control` ("text") of `window` has the
        keyboard focus."""
        ours = {e.window for e in accessibility.tree(window)
                if e.window_class == 'Button' and e.name == text}

        def on_it():
            now = accessibility.focus()
            return now is not None and now[0] in ours and now[1:] == (control, 'Button', text)
        try:
            winenv.wait_until(on_it, timeout=20, what=what)
        except AssertionError:
            self.fail(f'{what}: the focus is on {accessibility.focus()}, '
                      f'button {control} "{text}" of {window} ({ours}) wanted')

    @staticmethod
    def element(elements, window_class, name):
        found = [e for e in elements if e.window_class == window_class and e.name == name]
        return found[0] if found else None

    @staticmethod
    def end(p):
        if p.poll() is None:
            p.kill()
        p.wait()
        p.stdin.close()
        p.stdout.close()

    def close(self, p, line=''):
        out, _ = p.communicate(line + '\n', timeout=60)
        return out.strip()

    @staticmethod
    def ended(p):
        """The helper's next line, for a dialog that the keys end: the
        helper prints it at once, or gives up on its own after 60 s."""
        return p.stdout.readline().strip()

    def test_message_boxes(self):
        heard = accessibility.alerts()
        overwrite = "The file 'report.pdf' already exists. Press OK to overwrite the existing file."
        for shown, (theme, buttons, band, caption, text, key, result) in enumerate([
                ('blue', '0', (0, 51, 153), 'Quillpost', 'Not enough disk space.', '', 'result 1'),
                ('retro', '1', (232, 211, 182), 'Warning', overwrite, 'escape', 'result 2'),
                ('steel', '1', (200, 210, 220), 'Warning', overwrite, '', 'result 1')], 1):
            p, box, window = self.show('msgbox', theme, buttons)
            left, top, width, height = box
            self.wait_for_pixel(left + 4, top + 4, band, theme + ' band')
            self.wait_for_pixel(left, top, (0, 0, 0), theme + ' frame')
            name = f'msgbox_{theme}_{"ok_cancel" if buttons == "1" else "ok"}'
            # The photograph shows OK with the focus.
            self.wait_for_focus(window, 1, 'OK', theme + ': OK has the focus first')
            self.photograph(name, box)
            # Screen readers are told it appeared, and read its caption and text.
            winenv.wait_until(lambda: heard.count('alert Quillpost') >= shown,
                              what=f'{theme}: the box announced (heard {heard})')
            elements = self.check_tree(name, window)
            self.assertEqual((elements[0].name, elements[0].role, elements[0].description),
                             (caption, 'dialog', text), theme)
            for label in ['OK', 'Cancel'] if buttons == '1' else ['OK']:
                button = self.element(elements, 'Button', label)
                self.assertIsNotNone(button, f'{theme}: no button {label}')
                self.assertEqual((button.role, button.action), ('push button', 'Press'), label)
            if buttons != '1':
                self.assertIsNone(self.element(elements, 'Button', 'Cancel'))
            self.assertEqual(self.close(p, key), result, theme)

        # By keyboard alone. OK and Cancel: Tab goes to Cancel and back, Enter presses Cancel.
        p, box, window = self.show('msgbox', 'pink', '1')
        p.stdin.write('keyboard\n')
        p.stdin.flush()
        self.wait_for_focus(window, 1, 'OK', 'OK has the focus first')
        accessibility.keys('tab')
        self.wait_for_focus(window, 2, 'Cancel', 'Tab to Cancel')
        accessibility.keys('shift+tab')
        self.wait_for_focus(window, 1, 'OK', 'Shift+Tab back to OK')
        accessibility.keys('tab')
        self.wait_for_focus(window, 2, 'Cancel', 'Tab to Cancel again')
        accessibility.keys('enter')
        self.assertEqual(self.close(p), 'result 2', 'Enter on Cancel')

        # OK alone: Escape leaves it open (the Enter after it closes it).
        p, box, window = self.show('msgbox', 'green', '0')
        p.stdin.write('keyboard\n')
        p.stdin.flush()
        self.wait_for_focus(window, 1, 'OK', 'OK has the focus')
        accessibility.keys('escape', 'enter')
        self.assertEqual(self.close(p), 'result 1', 'Escape, then Enter on a box with only OK')

    def test_progress_dialogs(self):
        for theme, template, bar, text in [
                ('green', '207', (193, 221, 48), 'Downloading...'),
                ('pink', '209', (250, 194, 231), 'Uploading picture holiday.jpg...')]:
            p, box, window = self.show('progress', theme, template)
            left, top, width, height = box
            self.wait_for_pixel(left + 8, top + 18, bar, theme + ' bar')
            self.assertEqual(screen_pixel(left + width - 9, top + 18), (255, 255, 255), theme)
            name = f'progress_{theme}_{template}'
            self.photograph(name, box)
            elements = self.check_tree(name, window)
            self.assertEqual((elements[0].name, elements[0].role, elements[0].description),
                             ('Quillpost', 'dialog', text), theme)
            if template == '207':
                self.assertEqual(self.close(p), 'result 0', theme)
                continue
            # Cancel has the focus, and Space presses it.
            self.assertIsNotNone(self.element(elements, 'Button', 'Cancel'), theme)
            self.wait_for_focus(window, 2, 'Cancel', theme + ': Cancel has the focus')
            accessibility.keys('space')
            self.assertEqual(self.ended(p), 'result closed', theme + ': Space on Cancel')
            self.close(p)

        # The upload's dialog on its own thread, as a picture upload runs it.
        p, box, window = self.show('upload', 'steel')
        left, top, width, height = box
        self.wait_for_pixel(left + 8, top + 18, (200, 210, 220), 'steel bar')
        self.wait_for_focus(window, 2, 'Cancel', 'Cancel has the focus')
        # The text that the upload set last, told with its progress.
        elements = self.check_tree('upload_steel_209', window)
        self.assertEqual((elements[0].name, elements[0].description),
                         ('Quillpost', 'Uploading picture 2 of 3...'))
        accessibility.keys('enter')
        self.assertEqual(self.ended(p), 'result cancelled', 'Enter on Cancel')
        self.close(p)


if __name__ == '__main__':
    unittest.main()
