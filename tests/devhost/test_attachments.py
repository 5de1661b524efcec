"""Attachments stored through the admin interface and downloaded from
/download.php as the browser control downloads them."""

import base64
import hashlib
import http.client
import json
import os
import socket
import unittest
import zlib

from support import HostCase

CHUNK = 64 * 1024


def b64(data):
    return base64.b64encode(data).decode('ascii')


def sha256(data):
    return hashlib.sha256(data).hexdigest()


class AttachmentTest(HostCase):
    def store(self, **fields):
        status, reply = self.admin('POST', '/admin/attachment', fields)
        self.assertEqual(status, 200, reply)
        self.assertEqual(sorted(reply), ['id', 'sha256', 'size', 'url'])
        self.assertEqual(reply['url'],
                         f'http://127.0.0.1:{self.port}/download.php?id={reply["id"]}')
        return reply

    def get(self, ident):
        conn = http.client.HTTPConnection('127.0.0.1', self.port, timeout=30)
        try:
            conn.request('GET', f'/download.php?id={ident}')
            response = conn.getresponse()
            return response.status, dict(response.getheaders()), response.read()
        finally:
            conn.close()

    def raw(self, ident, method='GET', close=False):
        """(status, headers with lower-case names, body) of a request read
        until the host ends the connection (a reset counts as an end)."""
        data = bytearray()
        extra = 'Connection: close\r\n' if close else ''
        with socket.create_connection(('127.0.0.1', self.port), timeout=10) as s:
            s.sendall(f'{method} /download.php?id={ident} HTTP/1.1\r\nHost: h\r\n{extra}\r\n'
                      .encode())
            try:
                while chunk := s.recv(CHUNK):
                    data += chunk
            except ConnectionResetError:
                pass
            except TimeoutError:
                self.fail('the host kept the connection open')
        head, _, body = bytes(data).partition(b'\r\n\r\n')
        lines = head.decode('latin-1').split('\r\n')
        headers = {k.strip().lower(): v.strip()
                   for k, _, v in (x.partition(':') for x in lines[1:])}
        return int(lines[0].split()[1]), headers, body

    def test_stored_bytes_come_back_with_their_length_and_hash(self):
        several = os.urandom(3 * CHUNK + 5)
        cases = [  # fields, the bytes when known here, size
            ({'name': 'empty.txt', 'base64': ''}, b'', 0),
            ({'name': 'a.txt', 'base64': b64(b'hi\r\n')}, b'hi\r\n', 4),
            ({'name': 'several.bin', 'base64': b64(several)}, several, len(several)),
            ({'name': 'none.bin', 'size': 0}, None, 0),
            ({'name': 'big.bin', 'size': 4 * CHUNK + 1}, None, 4 * CHUNK + 1),
        ]
        for fields, data, size in cases:
            with self.subTest(name=fields['name']):
                reply = self.store(**fields)
                self.assertEqual(reply['size'], size)
                status, headers, body = self.get(reply['id'])
                self.assertEqual((status, headers['Content-Type'], headers['Content-Length']),
                                 (200, 'application/octet-stream', str(size)))
                self.assertEqual((len(body), sha256(body)), (size, reply['sha256']))
                if data is not None:
                    self.assertEqual(body, data)
                status, headers, body = self.raw(reply['id'], 'HEAD', close=True)
                self.assertEqual((status, headers['content-length'], body), (200, str(size), b''))

    def test_generated_bytes_follow_from_name_and_size_alone(self):
        first, second, other_name, other_size = (
            self.store(name=name, size=size) for name, size in
            [('same', 3 * CHUNK), ('same', 3 * CHUNK), ('other', 3 * CHUNK), ('same', 99)])
        self.assertEqual((second['id'], second['sha256']), (first['id'] + 1, first['sha256']))
        self.assertNotIn(first['sha256'], (other_name['sha256'], other_size['sha256']))
        body = self.get(first['id'])[2]
        self.assertNotEqual(body[:CHUNK], body[CHUNK:2 * CHUNK])
        self.assertGreater(len(zlib.compress(body)), len(body) * 0.99, 'not random-like')

    def test_unknown_or_malformed_ids_are_not_found_and_downloads_are_logged(self):
        ident = self.store(name='x', base64=b64(b'x'))['id']
        self.admin('POST', '/admin/log/clear', {})
        queries = ['', '?id=', '?id=abc', '?id=0', '?id=-1', f'?id={ident}.0', f'?id=0{ident}',
                   f'?id=+{ident}', f'?id={ident}&id={ident}', '?id=%EF%BC%91',  # full-width 1
                   f'?id={ident}%00', '?id=999999', '?id=' + '9' * 30]
        for query in queries:
            with self.subTest(query=query):
                status, content_type, body = self.request('GET', '/download.php' + query)
                self.assertEqual((status, content_type.split(';')[0]), (404, 'text/html'))
                self.assertIn(b'<title>Quillpost :: Not Found</title>', body)
        self.get(ident)
        self.assertEqual([(e['path'], e['status']) for e in self.admin('GET', '/admin/log')[1]],
                         [('/download.php' + q, 404) for q in queries]
                         + [(f'/download.php?id={ident}', 200)])

    def test_serving_modes(self):
        data = os.urandom(3 * CHUNK + 7)
        # Without a length the host must end the connection itself: raw() waits for it.
        status, headers, body = self.raw(self.store(name='open', base64=b64(data),
                                                    content_length=False)['id'])
        self.assertEqual((status, body), (200, data))
        self.assertFalse({'content-length', 'transfer-encoding'} & set(headers))
        status, headers, body = self.raw(self.store(name='half', base64=b64(data),
                                                    fail='drop')['id'])
        self.assertEqual((status, headers['content-length']), (200, str(len(data))))
        self.assertTrue(0 < len(body) < len(data), len(body))
        self.assertEqual(body, data[:len(body)])
        status, headers, body = self.get(self.store(name='err', size=10, fail='status500')['id'])
        self.assertEqual((status, headers['Content-Type'].split(';')[0]), (500, 'text/html'))
        self.assertIn(b'<html>', body)
        for option in ({'delay_ms': 20}, {'bytes_per_second': 2_000_000}):
            with self.subTest(**option):
                reply = self.store(name='slow', base64=b64(data), **option)
                self.assertEqual(self.get(reply['id'])[::2], (200, data))

    def test_a_slow_download_does_not_hold_up_the_admin_interface(self):
        # A second a chunk: the download lasts well beyond the health
        # request's timeout unless the two are served side by side.
        reply = self.store(name='crawl.bin', size=16 * CHUNK, delay_ms=1000)
        download = http.client.HTTPConnection('127.0.0.1', self.port, timeout=10)
        health = http.client.HTTPConnection('127.0.0.1', self.port, timeout=5)
        try:
            download.request('GET', f'/download.php?id={reply["id"]}')
            self.assertEqual(len(download.getresponse().read(100)), 100, 'the download began')
            health.request('GET', '/admin/health')
            answer = health.getresponse()
            self.assertEqual((answer.status, json.loads(answer.read())), (200, {'ok': True}))
        finally:
            health.close()
            download.close()

    def test_admin_rejects_bad_input_without_using_an_id(self):
        cases = ['[]', '{"base64": ""}', '{"name": 5, "size": 1}', '{"name": "a"}',
                 '{"name": "a", "size": 1, "base64": ""}', '{"name": "a", "base64": "!!!!"}',
                 '{"name": "a", "base64": "abc"}', '{"name": "a", "base64": 5}']
        cases += ['{"name": "a", "size": %s}' % bad for bad in ('-1', '"10"', '1.5', 'true')]
        cases += ['{"name": "a", "size": 1, %s}' % bad for bad in (
            '"fail": "explode"', '"content_length": "no"', '"delay_ms": -1',
            '"bytes_per_second": 0', '"colour": "red"')]
        before = self.store(name='before', size=1)['id']
        for body in cases:
            with self.subTest(body=body):
                status, _, data = self.request('POST', '/admin/attachment', body.encode())
                self.assertEqual(status, 400, data)
                self.assertIn('error', json.loads(data))
        self.assertEqual(self.store(name='after', size=1)['id'], before + 1)

    def test_any_name_is_stored_and_listed_without_becoming_a_file_name(self):
        outside = os.path.basename(self.data.name) + '-out'  # beside the data folder
        names = ['..\\..\\x', '../../' + outside, 'CON', 'a:b', 'dir/sub', 'tab\t\n\x00', '',
                 'Grüße']
        replies = [self.store(name=name, base64=b64(name.encode())) for name in names]
        self.assertEqual([self.get(reply['id'])[2] for reply in replies],
                         [name.encode() for name in names])
        listed = {entry['id']: entry for entry in self.admin('GET', '/admin/attachments')[1]}
        self.assertEqual([listed[reply['id']] for reply in replies],
                         [{'name': name, **reply} for name, reply in zip(names, replies)])
        self.assertFalse(os.path.exists(os.path.join(self.data.name, '..', outside)))
        parts = {part for _, dirs, files in os.walk(self.data.name) for part in dirs + files}
        self.assertFalse(parts & {'x', outside, 'CON', 'a:b', 'dir', 'sub', 'Grüße'})

    def test_a_100_mib_attachment_round_trip(self):
        reply = self.store(name='hundred.bin', size=100 * 1024 * 1024)
        status, headers, body = self.get(reply['id'])
        self.assertEqual((status, headers['Content-Length'], len(body), sha256(body)),
                         (200, str(reply['size']), 100 * 1024 * 1024, reply['sha256']))


if __name__ == '__main__':
    unittest.main()
