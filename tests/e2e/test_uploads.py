"""Scenarios of the control's uploads under Wine (upload_probe.exe runs the
control's own upload code) against the stand-in host, which parses what
arrives with Python's own multipart reader: files intact up to the limit,
nothing sent above it, a cancelled upload, the copy of a stored picture,
and https with certificates the host's test authority made."""

import hashlib
import os
import sys
import tempfile
import unittest

import winenv

winenv.require_environment('UPLOAD_PROBE', 'QPTN_PROBE', 'QP_SOURCE_DIR')
UPLOAD = os.environ['UPLOAD_PROBE']
PROBE = os.environ['QPTN_PROBE']
DRIVE_C = os.path.join(os.environ.get('WINEPREFIX', os.path.expanduser('~/.wine')), 'drive_c')
sys.path.insert(0, os.path.join(os.environ['QP_SOURCE_DIR'], 'devhost'))
import testca  # noqa: E402

USER = 'ann@quillpost.com'
host = None


def setUpModule():
    global host
    winenv.warm_up(PROBE)
    host = winenv.StandInHost()


def tearDownModule():
    host.stop()


def local_file(name, data):
    """A file on the prefix's drive C: its Windows path."""
    folder = os.path.join(DRIVE_C, 'uploads')
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(data)
    return 'C:\\uploads\\' + name


def run_upload(*args):
    """What upload_probe printed: ['ok', path, key, size(, name)] or ['failed']."""
    out = winenv.run(UPLOAD, *args, timeout=300)
    assert out.returncode == 0, out.stderr
    line = out.stdout.strip()
    return line.split(' ', 4) if line.startswith('ok ') else [line]


def uploads(on=None, https=False):
    return winenv.host_admin((on or host).port, '/admin/uploads', https=https)


def save_file_requests(on=None):
    return [e for e in winenv.host_admin((on or host).port, '/admin/log')
            if e['path'].startswith('/saveFile.php')]


class Uploads(winenv.Scenario):
    def target(self, on=None, scheme='http'):
        return f'{scheme}://127.0.0.1:{(on or host).port}/saveFile.php'

    def test_files_arrive_intact_up_to_the_limit(self):
        for size in (1, 1024 * 1024, 20 * 1024 * 1024):
            with self.subTest(size=size):
                data = os.urandom(size)
                name = f'file-{size}.bin'
                result = run_upload('upload', self.target(), local_file(name, data), USER)
                self.assertEqual(result[0], 'ok', result)
                self.assertTrue(result[1].startswith('/download.php?id='), result)
                self.assertEqual(result[3], str(size))
                stored = [u for u in uploads() if u['key'] == result[2]]
                self.assertEqual(len(stored), 1, uploads())
                self.assertEqual((stored[0]['name'], stored[0]['user'], stored[0]['size'], stored[0]['sha256']),
                                 (name, USER, size, hashlib.sha256(data).hexdigest()))
                self.assertEqual(stored[0]['path'], result[1])

    def test_non_ascii_user_and_file_name(self):
        user, name = 'ünï@quillpost.com', 'Grüße 東京.png'
        result = run_upload('upload', self.target(), local_file(name, b'\x89PNG\r\n\x1a\n'), user)
        self.assertEqual(result[0], 'ok', result)
        stored = [u for u in uploads() if u['key'] == result[2]]
        self.assertEqual((stored[0]['name'], stored[0]['user']), (name, user))

    def test_one_byte_over_the_limit_is_not_sent(self):
        winenv.host_admin(host.port, '/admin/log/clear', {})
        before = len(uploads())
        result = run_upload('upload', self.target(), local_file('big.bin', b'\0' * (20 * 1024 * 1024 + 1)),
                            USER)
        self.assertEqual(result, ['ok', '/too_large', '', '20971521'])
        self.assertEqual(save_file_requests(), [])
        self.assertEqual(len(uploads()), before)

    def test_cancelled_upload_stores_nothing(self):
        before = len(uploads())
        result = run_upload('upload', self.target(), local_file('cancelled.bin', os.urandom(1 << 20)), USER,
                            '3')
        self.assertEqual(result, ['failed'])
        winenv.wait_until(lambda: save_file_requests(), timeout=30, what='the abandoned request in the log')
        self.assertEqual(len(uploads()), before)

    def test_copy_of_a_stored_picture(self):
        picture = winenv.host_admin(host.port, '/admin/attachment',
                                    {'name': 'photo.jpg', 'size': 50000})
        sid = winenv.host_admin(host.port, '/admin/session', {'user': USER})['sid']
        result = run_upload('copy', self.target(), picture['url'], USER, sid)
        self.assertEqual(result[0], 'ok', result)
        path, key, size, name = result[1:5]
        self.assertEqual((size, name), ('50000', 'photo.jpg'))
        copy = [u for u in uploads() if u['key'] == key]
        self.assertEqual(len(copy), 1)
        self.assertEqual((copy[0]['path'], copy[0]['sha256']), (path, picture['sha256']))
        # Another user's session: the host refuses, with no path to use.
        other = winenv.host_admin(host.port, '/admin/session', {'user': 'bob@quillpost.com'})['sid']
        refused = run_upload('copy', self.target(), picture['url'], USER, other)
        self.assertFalse(refused[0] == 'ok' and refused[1].startswith('/'), refused)


class HostFailures(winenv.Scenario):
    def tearDown(self):
        winenv.host_admin(host.port, '/admin/fail/clear', {})
        super().tearDown()

    def test_failures_fail_cleanly(self):
        # What the control makes of each: no crash, no stored file, and an
        # answer a paste would refuse (no path starting with "/").
        for mode in ('status500garbage', 'drop', 'notfound', 'slow'):
            with self.subTest(mode):
                winenv.host_admin(host.port, '/admin/fail/clear', {})
                winenv.host_admin(host.port, '/admin/fail',
                                  {'operation': 'saveFile', 'mode': mode, 'seconds': 2, 'count': 1})
                before = len(uploads())
                data = os.urandom(300000)
                result = run_upload('upload', f'http://127.0.0.1:{host.port}/saveFile.php',
                                    local_file(f'{mode}.bin', data), USER)
                if mode == 'slow':  # late, then the real answer
                    self.assertEqual(result[0], 'ok', result)
                    self.assertEqual(len(uploads()), before + 1)
                else:
                    self.assertFalse(result[0] == 'ok' and result[1].startswith('/'), result)
                    self.assertEqual(len(uploads()), before)


class Certificates(winenv.Scenario):
    """The host over https with each kind of certificate; the test
    authority is trusted in the prefix, the others are not."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.certificates = testca.make_set(cls.folder.name)

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def upload_over_https(self, kind):
        pair = self.certificates[kind]
        tls_host = winenv.StandInHost('--tls-cert', pair.cert, '--tls-key', pair.key)
        try:
            data = os.urandom(70000)
            # By name: Wine matches a certificate's DNS names, not its IP
            # addresses, so "127.0.0.1" would fail every certificate alike.
            result = run_upload('upload', f'https://localhost:{tls_host.port}/saveFile.php',
                                local_file(f'{kind}.bin', data), USER)
            stored = [u['sha256'] for u in uploads(tls_host, https=True)]
            return result, stored, hashlib.sha256(data).hexdigest()
        finally:
            tls_host.stop()

    def test_only_a_trusted_valid_certificate_for_the_name(self):
        result, stored, _ = self.upload_over_https('server')
        self.assertEqual((result, stored), (['failed'], []), 'the authority is not trusted yet')
        done = winenv.run(UPLOAD, 'trust', self.certificates['ca'].cert)
        self.assertEqual(done.returncode, 0, done.stderr)
        # The host speaks nothing but TLS, on a port that isn't 443.
        result, stored, digest = self.upload_over_https('server')
        self.assertEqual(result[0], 'ok', result)
        self.assertEqual(stored, [digest])
        for kind in ('self_signed', 'wrong_name', 'expired'):
            with self.subTest(kind):
                result, stored, _ = self.upload_over_https(kind)
                self.assertEqual(result, ['failed'])
                self.assertEqual(stored, [])


if __name__ == '__main__':
    unittest.main()
