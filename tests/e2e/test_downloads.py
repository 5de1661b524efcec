"""Scenarios of the multi-file download: GatherwickAX.dll driven from JScript
through cscript (and from a page that embeds it) against the stand-in host,
with the folder browser and the themed message boxes answered as a user
would (download_probe), and the saved files compared by hash."""

import base64
import hashlib
import os
import tempfile
import threading
import unittest

import winenv
from winenv import windows_path

winenv.require_environment('GWAX_DLL', 'QPTN_PROBE', 'DOWNLOAD_PROBE', 'GWAX_PAGE', 'GWAX_SCREENSHOTS',
                           'QP_SOURCE_DIR')
DLL = os.environ['GWAX_DLL']
PROBE = os.environ['QPTN_PROBE']
ANSWER = os.environ['DOWNLOAD_PROBE']
PAGE = os.environ['GWAX_PAGE']
SCREENSHOTS = os.environ['GWAX_SCREENSHOTS']
DRIVE_C = os.path.join(os.environ.get('WINEPREFIX', os.path.expanduser('~/.wine')), 'drive_c')
POLICY_KEY = r'HKEY_LOCAL_MACHINE\Software\Vantrell\GatherwickAX'

host = None


def setUpModule():
    global host
    winenv.warm_up(PROBE)
    assert winenv.run('regsvr32', '/s', windows_path(DLL), timeout=120).returncode == 0
    host = winenv.StandInHost()


def tearDownModule():
    winenv.run('regsvr32', '/u', '/s', windows_path(DLL), timeout=120)
    host.stop()


def store(name, data=None, size=None, **options):
    body = {'name': name, **options}
    if data is not None:
        body['base64'] = base64.b64encode(data).decode()
    else:
        body['size'] = size
    return winenv.host_admin(host.port, '/admin/attachment', body)


def js_string(text):
    """A JScript string literal; everything but plain ASCII escaped, so that
    the script reads the same whatever code page cscript reads it in."""
    plain = lambda c: c.isascii() and (c.isalnum() or c in ' ./:?=-_()')
    return '"' + ''.join(c if plain(c) else f'\\u{ord(c):04x}' for c in text) + '"'


def sha256(path):
    digest = hashlib.sha256()
    with open(path, 'rb') as f:
        for block in iter(lambda: f.read(1 << 20), b''):
            digest.update(block)
    return digest.hexdigest()


def files_below(root):
    found = set()
    for folder, _, names in os.walk(root):
        found.update(os.path.join(folder, n) for n in names)
    return found


def download_requests():
    return [e['path'] for e in winenv.host_admin(host.port, '/admin/log')
            if e['path'].startswith('/download.php')]


class Downloads(winenv.Scenario):
    def setUp(self):
        winenv.host_admin(host.port, '/admin/log/clear', {})
        self.folder = os.path.join(DRIVE_C, 'downloads', self.id().rsplit('.', 1)[-1])
        os.makedirs(self.folder, exist_ok=True)

    def download(self, entries, theme='blue', answers=(), folder=True, page=None, shoot=None):
        """Lists `entries` (address, name, size text) and ends the download
        in cscript (or in a page embedding the control at `page`); answers
        the folder browser with this test's folder (or Cancel), then each
        themed message box in turn with 'ok' or 'cancel'. Returns the
        messages shown, as the control told a debugger."""
        if page is None:
            script = tempfile.NamedTemporaryFile('w', suffix='.js', delete=False)
            self.addCleanup(os.unlink, script.name)
            lines = ['var c = new ActiveXObject("Vantrell.QPTTool");', 'c.StartMultipleDownload();']
            lines += [f'c.AddDownload({js_string(a)}, {js_string(n)}, {js_string(s)});'
                      for a, n, s in entries]
            lines += [f'c.EndMultipleDownload({js_string(theme)});', 'WScript.Echo("ended");']
            script.write('\n'.join(lines) + '\n')
            script.close()
            runner = winenv.start_piped('cscript', '//nologo', windows_path(script.name))
        else:
            runner = winenv.start_piped(PAGE, page, theme, *[x for e in entries for x in e])
        found = winenv.run(ANSWER, 'browse-dialog', timeout=60)
        self.assertEqual(found.returncode, 0, 'the folder browser did not show')
        hwnd, pid = found.stdout.split()
        traced = winenv.start_piped(PROBE, 'debug-strings', pid)
        self.assertEqual(traced.stdout.readline().strip(), 'attached')
        strings = []
        threading.Thread(target=lambda: strings.extend(traced.stdout), daemon=True).start()
        target = windows_path(self.folder) if folder else 'cancel'
        self.assertEqual(winenv.run(ANSWER, 'browse-answer', hwnd, target).returncode, 0)
        if shoot:
            shoot(pid)
        messages = lambda: [s.split(': ', 1)[1].strip() for s in list(strings)
                            if s.startswith('gatherwick message: ')]
        for i, answer in enumerate(answers):
            winenv.wait_until(lambda: len(messages()) > i, timeout=120, what=f'message {i + 1}')
            self.assertEqual(winenv.run(ANSWER, 'message-answer', pid, answer).returncode, 0)
        # A message nobody expected waits for an answer: say so at once.
        ended = lambda: runner.poll() is not None
        winenv.wait_until(lambda: ended() or len(messages()) > len(answers), timeout=300,
                          what='the download to end')
        self.assertTrue(ended(), f'unexpected messages: {messages()[len(answers):]}')
        self.assertIn('ended', runner.stdout.read())
        return messages()

    def saved(self):
        return {os.path.relpath(p, self.folder): sha256(p) for p in files_below(self.folder)}

    def test_three_files_with_duplicate_names(self):
        a = store('report.pdf', b'%PDF first\n')
        b = store('big.bin', size=3 * 1024 * 1024 + 17)
        c = store('report.pdf', b'%PDF third\n' * 1000)
        messages = self.download([(a['url'], 'report.pdf', '11 bytes'),
                                  (b['url'], 'REPORT.pdf', '3 MB'),
                                  (c['url'], 'report.pdf', '11 KB')])
        self.assertEqual(messages, [])
        self.assertEqual(self.saved(), {'report.pdf': a['sha256'], 'REPORT(1).pdf': b['sha256'],
                                        'report(2).pdf': c['sha256']})

    def test_names_that_are_one_file_to_windows(self):
        """été.pdf and ÉTÉ.pdf are one file to Windows, and a name of 300
        characters can't be created as it stands: each attachment still
        gets a file of its own, also in a folder near the path limit."""
        long_name = 'n' * 296 + '.bin'
        entries = [(store('e1.pdf', 'été'.encode() * 7), 'été.pdf', '21 bytes'),
                   (store('e2.pdf', 'ÉTÉ'.encode() * 9), 'ÉTÉ.pdf', '27 bytes'),
                   (store('long.bin', size=70001), long_name, '70001')]
        saved_as = ['été.pdf', 'ÉTÉ(1).pdf', 'n' * 251 + '.bin']
        base = self.folder
        for label, folder in (('a short folder', 'short'), ('a folder near the path limit', 'f' * 200)):
            with self.subTest(label):
                self.folder = os.path.join(base, folder)
                os.makedirs(self.folder)
                messages = self.download([(e['url'], n, s) for e, n, s in entries])
                self.assertEqual(messages, [])
                self.assertEqual(self.saved(), {name: e['sha256'] for name, (e, _, _)
                                                in zip(saved_as, entries)})

    def test_declined_overwrite_of_the_second_of_three(self):
        entries = [store(n, n.encode() * 50) for n in ('one.txt', 'two.txt', 'three.txt')]
        for name in ('two.txt', 'three.txt'):
            with open(os.path.join(self.folder, name), 'wb') as f:
                f.write(b'kept by the user')
        messages = self.download([(e['url'], n, '0') for e, n in
                                  zip(entries, ('one.txt', 'two.txt', 'three.txt'))],
                                 answers=['cancel', 'ok'])
        question = "The file '{}' already exists. Press OK to overwrite the existing file."
        self.assertEqual(messages, ['Warning: ' + question.format('two.txt'),
                                    'Warning: ' + question.format('three.txt')])
        kept = hashlib.sha256(b'kept by the user').hexdigest()
        self.assertEqual(self.saved(), {'one.txt': entries[0]['sha256'], 'two.txt': kept,
                                        'three.txt': entries[2]['sha256']})

    def test_failing_second_file_stops_the_rest(self):
        cases = [('missing', None, 'blue'), ('server error', {'fail': 'status500'}, 'pink'),
                 ('dropped', {'fail': 'drop'}, 'green')]
        for label, options, theme in cases:
            with self.subTest(label):
                for name in os.listdir(self.folder):
                    os.unlink(os.path.join(self.folder, name))
                winenv.host_admin(host.port, '/admin/log/clear', {})
                first = store('first.txt', b'first')
                second = store('second.bin', size=300000, **(options or {}))
                third = store('third.txt', b'third')
                url = second['url'] if options else second['url'].replace(
                    f'id={second["id"]}', 'id=999999')
                messages = self.download_and_photograph(
                    [(first['url'], 'first.txt', '0'), (url, 'second.bin', '0'),
                     (third['url'], 'third.txt', '0')], theme, theme in ('blue', 'pink'))
                self.assertEqual(messages, ['Quillpost: Download failed.'])
                self.assertEqual(self.saved(), {'first.txt': first['sha256']})
                self.assertNotIn(f'/download.php?id={third["id"]}', download_requests())

    def download_and_photograph(self, entries, theme, photograph):
        """The download with one failure; its message box photographed first."""
        if not photograph:
            return self.download(entries, theme=theme, answers=['ok'])
        shot = os.path.join(SCREENSHOTS, f'download-failed-{theme}.png')

        def answer(pid):
            winenv.wait_until(lambda: winenv.run(ANSWER, 'message-shown', pid).returncode == 0,
                              timeout=120, what='the failure message')
            winenv.save_screenshot(shot)
            print('screenshot:', shot)
        return self.download(entries, theme=theme, answers=['ok'], shoot=answer)

    def test_not_enough_free_space(self):
        stats = os.statvfs(DRIVE_C)
        free = stats.f_bavail * stats.f_frsize
        count = free // (3 << 30) + 2  # "3 GB" each: more than the disk holds
        a = store('a.txt', b'a')
        messages = self.download([(a['url'], f'file{i}.bin', '3 GB') for i in range(count)],
                                 answers=['ok'])
        self.assertEqual(messages, ['Quillpost: Not enough disk space.'])
        self.assertEqual(self.saved(), {})
        self.assertEqual(download_requests(), [])

    def test_cancelled_folder_downloads_nothing(self):
        a = store('a.txt', b'a')
        self.assertEqual(self.download([(a['url'], 'a.txt', '0')], folder=False), [])
        self.assertEqual(download_requests(), [])

    def test_relative_and_absolute_addresses_on_a_page(self):
        winenv.run('reg', 'add', POLICY_KEY, '/v', 'AllowedHosts', '/d', '127.0.0.1', '/f')
        self.addCleanup(winenv.run, 'reg', 'delete', POLICY_KEY, '/v', 'AllowedHosts', '/f')
        a, b, c = (store(n, n.encode() * 10) for n in ('rel.txt', 'root.txt', 'abs.txt'))
        page = f'http://127.0.0.1:{host.port}/read.php'
        messages = self.download([(f'download.php?id={a["id"]}', 'rel.txt', '0'),
                                  (f'/download.php?id={b["id"]}', 'root.txt', '0'),
                                  (c['url'], 'abs.txt', '0')], page=page)
        self.assertEqual(messages, [])
        self.assertEqual(self.saved(), {'rel.txt': a['sha256'], 'root.txt': b['sha256'],
                                        'abs.txt': c['sha256']})

    def test_hostile_names_stay_in_the_folder(self):
        names = {'..\\..\\evil1.txt': '....evil1.txt', '../evil2.txt': '..evil2.txt',
                 'C:\\evil3.txt': 'Cevil3.txt', '\\\\?\\C:\\evil4.txt': '_Cevil4.txt',
                 'CON': '_CON', 'nul.txt': '_nul.txt', '..': '_', 'a.txt:hidden': 'a.txthidden',
                 'x\\..\\..\\evil5.txt': 'x....evil5.txt', 'ok.txt. . ': 'ok.txt',
                 'invoice\u202efdp.exe': 'invoice_fdp.exe'}
        data = store('payload.txt', b'payload')
        before = files_below(DRIVE_C)
        messages = self.download([(data['url'], n, '0') for n in names])
        self.assertEqual(messages, [])
        self.assertEqual(self.saved(), {n: data['sha256'] for n in names.values()})
        new = files_below(DRIVE_C) - before
        outside = [p for p in new if not p.startswith(self.folder + os.sep)]
        self.assertEqual(outside, [])

    def test_progress_dialog_mid_transfer(self):
        slow = store('slow.bin', size=2 * 1024 * 1024, delay_ms=50)
        shot = os.path.join(SCREENSHOTS, 'download-progress.png')

        def photograph(pid):
            shown = winenv.run(ANSWER, 'progress-shown', pid, timeout=60)
            self.assertEqual(shown.returncode, 0, 'no progress dialog')
            winenv.save_screenshot(shot)
            print('screenshot:', shot, 'dialog at', shown.stdout.strip())
        self.download([(slow['url'], 'slow.bin', '2 MB')], theme='steel', shoot=photograph)
        self.assertEqual(self.saved(), {'slow.bin': slow['sha256']})


if __name__ == '__main__':
    unittest.main()
