"""Pictures and files sent to /saveFile.php as the browser control sends them,
copies by address, /admin/uploads, and the host over https with the test
authority's certificates."""

import hashlib
import http.client
import os
import re
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

from support import HostCase, RunningHost, auth

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'devhost'))
import testca  # noqa: E402

MIB = 1024 * 1024
BODY_LIMIT = 21 * MIB + 64 * 1024
BOUNDARY = '----QuillpostBoundary5f1c9e'
FORM = f'multipart/form-data; boundary={BOUNDARY}'
UPLOADED = re.compile(r'(/download\.php\?id=[0-9]+)\n[0-9a-f]{32}')
ANN = ('username', b'ann@quillpost.com')
CERTS = {}


def setUpModule():
    folder = tempfile.TemporaryDirectory()
    unittest.addModuleCleanup(folder.cleanup)
    CERTS.update(testca.make_set(folder.name))


def form(*parts):
    """A form body as the control writes it; a part is (name, bytes) or
    (name, bytes, file name bytes), the file name written as it is."""
    out = []
    for name, data, *filename in parts:
        out += [b'--', BOUNDARY.encode(), b'\r\nContent-Disposition: form-data; name="',
                name.encode(), b'"']
        if filename:
            out += [b'; filename="', filename[0], b'"\r\nContent-Type: application/octet-stream']
        out += [b'\r\n\r\n', data, b'\r\n']
    return b''.join(out) + b'--' + BOUNDARY.encode() + b'--\r\n'


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def wait_for(condition, what, timeout=20):
    deadline = time.monotonic() + timeout
    while not (value := condition()):
        if time.monotonic() > deadline:
            raise AssertionError(f'timed out waiting for {what}')
        time.sleep(0.05)
    return value


class UploadTest(HostCase):
    def save(self, body, content_type=FORM):
        headers = {} if content_type is None else {'Content-Type': content_type}
        status, answer_type, data = self.request('POST', '/saveFile.php?t=1', body, headers)
        self.assertEqual(answer_type.split(';')[0], 'text/plain')
        return status, data.decode('utf-8')

    def refused(self, body, status, content_type=FORM):
        answer = self.save(body, content_type)
        self.assertEqual(answer[0], status, answer[1])
        self.assertTrue(answer[1] and not answer[1].startswith('/'), answer[1])

    def upload(self, data, filename, user=ANN[1]):
        status, text = self.save(form(('username', user), ('filecontents', data, filename)))
        self.assertEqual(status, 200, text)
        match = UPLOADED.fullmatch(text)
        self.assertIsNotNone(match, text)
        return match.group(1), text

    def stored(self):
        return (self.admin('GET', '/admin/uploads')[1],
                len(self.admin('GET', '/admin/attachments')[1]))

    def fetch(self, path):
        status, _, data = self.request('GET', path)
        self.assertEqual(status, 200)
        return data

    def session(self, user):
        status, reply = self.admin('POST', '/admin/session', {'user': user})
        self.assertEqual((status, sorted(reply)), (200, ['sid']))
        return reply['sid']

    def raw_socket(self):
        sock = socket.create_connection(('127.0.0.1', self.port), timeout=30)
        if self.client_context is None:
            return sock
        return self.client_context.wrap_socket(sock, server_hostname='127.0.0.1')

    def test_uploads_round_trip_and_are_listed_and_logged(self):
        self.admin('POST', '/admin/log/clear', {})
        framing_alike = b'\r\n--' + BOUNDARY[:-1].encode() + b'\r'
        cases = [  # user, file name, bytes
            ('ann@quillpost.com', 'photo.png', os.urandom(300_000)),
            ('ann@quillpost.com', 'a"b.png', framing_alike),
            ('ann@quillpost.com', 'say "cheese"', b'-'),
            ('Jürgen@quillpost.com', 'Grüße "Ferien"; 2.jpg', b'\n'),
            ('bo@quillpost.com', 'cr.bin', b'\r'),
        ]
        for user, name, data in cases:
            with self.subTest(name=name):
                path, text = self.upload(data, name.encode(), user.encode())
                self.assertEqual(self.admin('GET', '/admin/uploads')[1][-1],
                                 {'path': path, 'key': text.split('\n')[1], 'name': name,
                                  'size': len(data), 'sha256': sha256(data), 'user': user})
                self.assertEqual(self.fetch(path), data)
        log = [e for e in self.admin('GET', '/admin/log')[1] if e['path'] == '/saveFile.php?t=1']
        self.assertEqual([(e['method'], e['status'], str(e['body_length'])) for e in log],
                         [('POST', 200, e['headers']['Content-Length']) for e in log])
        self.assertEqual(len(log), len(cases))
        self.assertTrue(log[0]['headers']['Content-Type'].startswith('multipart/form-data'))

    def test_a_20_mib_file_and_bodies_up_to_the_limit_are_taken(self):
        data = os.urandom(20 * MIB)
        path = self.upload(data, b'twenty.bin')[0]
        self.assertEqual(sha256(self.fetch(path)), sha256(data))
        framing = len(form(ANN, ('filecontents', b'', b'fill.bin')))
        self.upload(b'f' * (BODY_LIMIT - framing), b'fill.bin')
        before = self.stored()
        body = form(ANN, ('filecontents', b'f' * (BODY_LIMIT - framing + 1), b'fill.bin'))
        with self.raw_socket() as sock:  # the whole body goes out before the answer is read
            sock.sendall(f'POST /saveFile.php HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: '
                         f'{FORM}\r\nContent-Length: {len(body)}\r\n\r\n'.encode() + body)
            answer = http.client.HTTPResponse(sock)
            answer.begin()
            self.assertEqual(answer.status, 413)
            answer.close()
        self.assertEqual(self.stored(), before)

    def test_malformed_or_incomplete_forms_are_refused_with_400(self):
        file = ('filecontents', b'bytes', b'f.png')
        whole = form(ANN, file)
        address = f'http://127.0.0.1:{self.port}/download.php?id=1'.encode()
        cases = {
            'empty file': (form(ANN, ('filecontents', b'', b'f.png')), FORM),
            'no user': (form(file), FORM),
            'empty user': (form(('username', b''), file), FORM),
            'user not UTF-8': (form(('username', b'\xff'), file), FORM),
            'no file': (form(ANN), FORM),
            'file without a name': (form(ANN, ('filecontents', b'bytes')), FORM),
            'file name not closed': (whole.replace(b'filename="f.png"', b'filename="f.png'),
                                     FORM),
            'a part twice': (form(ANN, ANN, file), FORM),
            'file and address': (form(ANN, file, ('fileurl', address), ('sid', b'x')), FORM),
            'address without sid': (form(ANN, ('fileurl', address)), FORM),
            'no closing boundary': (whole[:whole.rindex(b'--' + BOUNDARY.encode())], FORM),
            'another boundary': (whole, 'multipart/form-data; boundary=elsewhere'),
            'not multipart': (b'username=ann', 'application/x-www-form-urlencoded'),
            'no content type': (whole, None),
        }
        before = self.stored()
        for case, (body, content_type) in cases.items():
            with self.subTest(case=case):
                self.refused(body, 400, content_type)
        self.assertEqual(self.stored(), before)

    def test_a_copy_by_address_stores_the_same_bytes_under_a_new_id(self):
        data = os.urandom(100_000)
        path = self.upload(data, b'pic.png')[0]
        _, given = self.admin('POST', '/admin/attachment',
                              {'name': 'Grüße.txt', 'base64': 'aGk='})
        sid = self.session('ann@quillpost.com')
        cases = [  # address, name, bytes
            (f'http://127.0.0.1:{self.port}{path}', 'pic.png', data),
            (f'https://localhost:{self.port}{path}', 'pic.png', data),
            (given['url'], 'Grüße.txt', b'hi'),
        ]
        for address, name, expected in cases:
            with self.subTest(address=address):
                status, text = self.save(form(ANN, ('fileurl', address.encode()),
                                              ('sid', sid.encode())))
                self.assertEqual(status, 200, text)
                new_path, key, size, copied_name = text.split('\n')
                self.assertRegex(key, '^[0-9a-f]{32}$')
                self.assertNotIn(new_path, (path, f'/download.php?id={given["id"]}'))
                self.assertEqual((size, copied_name), (str(len(expected)), name))
                self.assertEqual(self.admin('GET', '/admin/uploads')[1][-1],
                                 {'path': new_path, 'key': key, 'name': name,
                                  'size': len(expected), 'sha256': sha256(expected),
                                  'user': 'ann@quillpost.com'})
                self.assertEqual(self.fetch(new_path), expected)

    def test_copies_without_a_session_or_of_foreign_addresses_are_refused(self):
        path = self.upload(b'mine', b'mine.png')[0]
        ident = path.rpartition('=')[2]
        ann, bo = self.session('ann@quillpost.com'), self.session('bo@quillpost.com')
        good = f'http://127.0.0.1:{self.port}/download.php?id={ident}'
        cases = [  # what is wrong, address, sid
            ('unknown sid', good, 'f' * 32),
            ("another user's sid", good, bo),
            ('foreign host', f'http://example.com:{self.port}{path}', ann),
            ('another port', f'http://127.0.0.1:{self.port + 1}{path}', ann),
            ('not a download', f'http://127.0.0.1:{self.port}/view.php?id={ident}', ann),
            ('unknown id', f'http://127.0.0.1:{self.port}/download.php?id=999999', ann),
            ('malformed id', f'http://127.0.0.1:{self.port}/download.php?id=0{ident}', ann),
            ('not http', f'ftp://127.0.0.1:{self.port}{path}', ann),
        ]
        before = self.stored()
        for case, address, sid in cases:
            with self.subTest(case=case):
                self.refused(form(ANN, ('fileurl', address.encode()), ('sid', sid.encode())),
                             403)
        self.assertEqual(self.stored(), before)
        for bad in ({}, {'user': 5}, {'user': ''}, {'user': 'a@b', 'extra': 1}):
            with self.subTest(session=bad):
                self.assertEqual(self.admin('POST', '/admin/session', bad)[0], 400)

    def test_an_abandoned_body_stores_nothing_and_the_host_serves_on(self):
        self.admin('POST', '/admin/log/clear', {})
        before = self.stored()
        # The whole form, but less than the announced length: the client gave up.
        body = form(ANN, ('filecontents', os.urandom(200_000), b'cut.bin'))
        with self.raw_socket() as sock:
            sock.sendall(f'POST /saveFile.php HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: '
                         f'{FORM}\r\nContent-Length: {len(body) + 1000}\r\n\r\n'.encode() + body)
        entry = wait_for(lambda: self.admin('GET', '/admin/log')[1], 'the request in the log')[0]
        self.assertEqual((entry['path'], entry['status']), ('/saveFile.php', None))
        self.assertLessEqual(entry['body_length'], len(body))
        self.assertEqual(self.stored(), before)
        self.upload(b'next', b'next.png')


class TlsUploadTest(UploadTest):
    """All of the above over https, with a certificate of the test authority."""

    @classmethod
    def setUpClass(cls):
        cls.host_args = ('--tls-cert', CERTS['server'].cert, '--tls-key', CERTS['server'].key)
        cls.client_context = ssl.create_default_context(cafile=CERTS['ca'].cert)
        super().setUpClass()

    def test_addresses_given_out_are_https(self):
        self.assertEqual(self.scheme, 'https')
        base = f'https://127.0.0.1:{self.port}/'
        _, reply = self.admin('POST', '/admin/attachment', {'name': 'a', 'size': 1})
        self.assertTrue(reply['url'].startswith(base), reply)
        url = self.call('get_url', ('auth', auth('nobody@quillpost.com', 'x')),
                        ('type', 'help'), ('arg', '7'))['url']
        self.assertTrue(url.startswith(base), url)

    def test_a_body_that_ends_with_the_connection_ends_with_close_notify(self):
        _, stored = self.admin('POST', '/admin/attachment',
                               {'name': 'open', 'size': 100_000, 'content_length': False})
        raw = socket.create_connection(('127.0.0.1', self.port), timeout=30)
        with self.client_context.wrap_socket(raw, server_hostname='127.0.0.1',
                                             suppress_ragged_eofs=False) as sock:
            sock.sendall(f'GET /download.php?id={stored["id"]} HTTP/1.1\r\nHost: h\r\n\r\n'
                         .encode())
            data = b''
            while chunk := sock.recv(65536):  # an end without close_notify raises SSLEOFError
                data += chunk
        self.assertEqual(len(data.partition(b'\r\n\r\n')[2]), 100_000)

    @unittest.skipUnless(os.path.isdir('/proc/self/task'), 'counts threads through /proc')
    def test_refused_or_unfinished_handshakes_leave_the_host_serving(self):
        silent = socket.create_connection(('127.0.0.1', self.port), timeout=30)
        try:  # while one client never starts its handshake:
            with self.assertRaises(ssl.SSLCertVerificationError) as refused:
                with socket.create_connection(('127.0.0.1', self.port), timeout=30) as sock:
                    ssl.create_default_context().wrap_socket(sock, server_hostname='127.0.0.1')
            self.assertEqual(refused.exception.verify_code, 20)  # unknown authority
            with socket.create_connection(('127.0.0.1', self.port), timeout=30) as sock:
                sock.sendall(b'GET /admin/health HTTP/1.1\r\nHost: h\r\n\r\n')
                try:
                    reply = sock.recv(4096)
                except ConnectionResetError:
                    reply = b''
                self.assertNotIn(b'HTTP/', reply)
            self.assertEqual(self.admin('GET', '/admin/health'), (200, {'ok': True}))
        finally:
            silent.close()
        tasks = f'/proc/{self.proc.pid}/task'
        wait_for(lambda: len(os.listdir(tasks)) == 1, 'the connection threads to end')


class CertificateTest(unittest.TestCase):
    def test_clients_see_each_certificate_as_its_name_says(self):
        cases = [  # certificate, the name the client asks for, verify code (None: accepted)
            ('server', '127.0.0.1', None),
            ('server', 'localhost', None),
            ('expired', 'localhost', 10),      # certificate has expired
            ('wrong_name', 'localhost', 62),   # host name mismatch
            ('self_signed', 'localhost', 18),  # self-signed certificate
        ]
        context = ssl.create_default_context(cafile=CERTS['ca'].cert)
        for name, server_name, code in cases:
            with self.subTest(cert=name, server_name=server_name), \
                    tempfile.TemporaryDirectory() as data:
                host = RunningHost(data, ('--tls-cert', CERTS[name].cert,
                                          '--tls-key', CERTS[name].key))
                try:
                    with socket.create_connection(('127.0.0.1', host.port), timeout=30) as sock:
                        try:
                            context.wrap_socket(sock, server_hostname=server_name).close()
                            seen = None
                        except ssl.SSLCertVerificationError as e:
                            seen = e.verify_code
                    self.assertEqual(seen, code)
                finally:
                    host.stop()

    def test_dates_and_names_as_openssl_reads_them(self):
        usual = ['DNS:localhost', 'IP Address:127.0.0.1']
        cases = [('server', 'current', usual), ('expired', 'ended', usual),
                 ('wrong_name', 'current', ['DNS:wrong.example']),
                 ('self_signed', 'current', usual), ('ca', 'current', None)]
        for name, validity, names in cases:
            with self.subTest(cert=name):
                out = subprocess.run(['openssl', 'x509', '-noout', '-dates', '-ext',
                                      'subjectAltName', '-in', CERTS[name].cert],
                                     capture_output=True, text=True, check=True).stdout
                dates = dict(re.findall(r'^(notBefore|notAfter)=(.+)$', out, re.M))
                start, end = (ssl.cert_time_to_seconds(dates[k]) for k in ('notBefore',
                                                                          'notAfter'))
                now = time.time()
                self.assertEqual('current' if start < now < end else
                                 'ended' if end < now else 'not yet', validity)
                found = re.search(r'Subject Alternative Name:\s*\n\s*(.+)', out)
                self.assertEqual(found and found.group(1).strip().split(', '), names)


if __name__ == '__main__':
    unittest.main()
