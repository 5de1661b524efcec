"""The stand-in host as a real process: HTTP plumbing, pages, admin, failure modes."""

import http.client
import json
import os
import socket
import subprocess
import sys
import tempfile
import unittest

from support import HOST_SCRIPT, HostCase, RunningHost, auth, fault_of


class HostTest(HostCase):
    def soap(self, operation='get_version'):
        params = [('client', 'DudiderEzodoZuduza')] if operation == 'get_version' else []
        return self.call_raw(operation, params)

    def fault_code(self, body):
        return fault_of(body)[0]

    def test_health_and_loopback_only(self):
        self.assertEqual(self.admin('GET', '/admin/health'), (200, {'ok': True}))
        addresses = {info[4][0] for info in socket.getaddrinfo(socket.gethostname(), None)
                     if info[0] == socket.AF_INET} - {'127.0.0.1', '127.0.1.1'}
        for address in addresses:
            with self.assertRaises(OSError, msg=address):
                socket.create_connection((address, self.port), timeout=2).close()

    def test_malformed_envelope_is_a_client_fault_and_the_host_keeps_running(self):
        status, _, body = self.request('POST', '/soap/public.php?version=1', b'<not-closed')
        self.assertEqual(status, 500)
        code, text = fault_of(body)
        self.assertEqual(code, 'Client')
        self.assertIn('malformed', text)
        self.assertEqual(self.admin('GET', '/admin/health')[0], 200)

    def test_failure_modes(self):
        cases = [
            ('fault', lambda r: (r[0], fault_of(r[2])), (500, ('Server', 'operation failed'))),
            ('status500garbage', lambda r: (r[0], r[2].startswith(b'<?xml')), (500, False)),
            ('notfound', lambda r: (r[0], b'Quillpost :: Not Found' in r[2]), (404, True)),
            ('slow', lambda r: (r[0], b'current_version' in r[2]), (200, True)),
            ('oversize', lambda r: (r[0], len(r[2]), r[2].endswith(b'xxx')),
             (200, 40 * 1024 * 1024, True)),
        ]
        for mode, look, expected in cases:
            with self.subTest(mode=mode):
                self.admin('POST', '/admin/fail', {'operation': 'get_version', 'mode': mode,
                                                   'seconds': 0.2, 'count': 1})
                self.assertEqual(look(self.soap('get_version')), expected)
                # count 1: the next call is served normally again
                status, _, body = self.soap('get_version')
                self.assertEqual(status, 200, body)

    def test_failure_applies_to_its_operation_only(self):
        self.admin('POST', '/admin/fail', {'operation': 'get_version', 'mode': 'notfound'})
        self.assertEqual(self.soap('generate_hostkey')[0], 200)
        self.assertEqual(self.soap('get_version')[0], 404)
        self.assertEqual(self.soap('get_version')[0], 404, 'without a count it stays')

    def test_dropped_connection_gives_no_status_line(self):
        self.admin('POST', '/admin/fail', {'operation': '*', 'mode': 'drop', 'count': 1})
        with self.assertRaises((http.client.RemoteDisconnected, ConnectionError)):
            self.soap()
        self.assertEqual(self.soap()[0], 200)

    def test_admin_rejects_bad_input_and_keeps_running(self):
        cases = [
            ('POST', '/admin/accounts', b'{not json', 400),
            ('POST', '/admin/accounts', b'[1, 2]', 400),
            ('POST', '/admin/accounts', b'{"address": "x@y.example"}', 400),
            ('POST', '/admin/accounts', b'{"address": "nobody", "password": "p"}', 400),
            ('POST', '/admin/deliver', b'{"to": "missing@y.example"}', 404),
            ('POST', '/admin/version', b'{"version": "5"}', 400),
            ('POST', '/admin/fail', b'{"mode": "explode"}', 400),
            ('GET', '/admin/nothing', None, 404),
            ('POST', '/admin/pref', b'{"address": "missing@y.example", "name": "a", "value": "b"}',
             404),
            ('POST', '/admin/pref', b'{"address": "missing@y.example", "name": "a", "value": 1}',
             400),
            ('GET', '/admin/messages?address=missing@y.example', None, 404),
            ('POST', '/admin/accounts', b'{"address": "x@y.example", "password": "p", '
                                        b'"status": ""}', 400),
            ('POST', '/admin/fail', b'{"mode": "fault", "count": "many"}', 400),
            ('POST', '/admin/accounts', b'\xff\xfe', 400),
            ('POST', '/admin/deliver', b'{"to": "missing@y.example", "date": "soon"}', 400),
            ('POST', '/admin/deliver', b'{"to": "missing@y.example", "date": 2147483648}', 400),
            ('POST', '/admin/deliver', b'{"to": "missing@y.example", "date": true}', 400),
        ]
        for method, path, body, expected in cases:
            with self.subTest(path=path, body=body):
                status, content_type, data = self.request(method, path, body)
                self.assertEqual(status, expected, data)
                self.assertIn('error', json.loads(data))
        self.assertEqual(self.admin('GET', '/admin/health')[0], 200)

    def test_oversized_body_is_refused(self):
        conn = http.client.HTTPConnection('127.0.0.1', self.port, timeout=30)
        conn.putrequest('POST', '/soap/public.php')
        conn.putheader('Content-Length', str(64 * 1024 * 1024))
        conn.endheaders()
        self.assertEqual(conn.getresponse().status, 413)
        conn.close()

    def test_log_records_soap_calls_but_not_admin_requests(self):
        self.admin('POST', '/admin/log/clear', {})
        self.soap('get_version')
        self.request('GET', '/index.php')
        status, log = self.admin('GET', '/admin/log')
        self.assertEqual([(e['method'], e['path'], e.get('operation')) for e in log],
                         [('POST', '/soap/public.php?version=1', 'get_version'),
                          ('GET', '/index.php', None)])
        action = '"http://qphost.dev/soap/public.php/get_version"'
        self.assertEqual(log[0]['headers']['SOAPAction'], action)
        self.assertEqual(log[0]['soapaction'], action)
        self.assertEqual(log[0]['params'], {'client': 'DudiderEzodoZuduza'})
        with open(os.path.join(self.data.name, 'requests.log'), encoding='utf-8') as f:
            lines = [json.loads(line) for line in f]
        self.assertIn('get_version', [e.get('operation') for e in lines])

    def test_page_titles(self):
        cases = [
            ('/', 200, 'Quillpost :: Mail Index'),
            ('/index.php', 200, 'Quillpost :: Mail Index'),
            ('/view.php?x=1&uid=7', 200, 'Quillpost :: Message'),
            ('/compose.php?a=1&compose_args=to%3Dx%40y.example%26subject%3D%3Cb%3E', 200,
             'Quillpost :: Compose'),
            ('/mail/Settings', 200, 'Quillpost :: Settings'),
            ('/nothing.php', 404, 'Quillpost :: Not Found'),
        ]
        for path, expected_status, title in cases:
            with self.subTest(path=path):
                status, _, body = self.request('GET', path)
                self.assertEqual(status, expected_status)
                self.assertIn(f'<title>{title}</title>'.encode(), body)
        _, _, body = self.request('GET', cases[3][0])
        self.assertIn(b'to=x@y.example&amp;subject=&lt;b&gt;', body, 'compose_args shown escaped')

    def test_setup_package_served_and_traversal_refused(self):
        with open(os.path.join(self.data.name, 'qptnsetup_std.msi'), 'wb') as f:
            f.write(b'MSI-BYTES')
        with open(os.path.join(os.path.dirname(self.data.name), 'secret.msi'), 'wb') as f:
            f.write(b'SECRET')
        status, content_type, body = self.request('GET', '/qptnsetup_std.msi')
        self.assertEqual((status, content_type, body), (200, 'application/x-msi', b'MSI-BYTES'))
        for path in ('/qptnsetup_pl.msi', '/qptnsetup_../secret.msi',
                     '/qptnsetup_%2e%2e%2fsecret.msi', '/qptnsetup_.msi'):
            with self.subTest(path=path):
                status, _, body = self.request('GET', path)
                self.assertEqual(status, 404)
                self.assertNotIn(b'SECRET', body)

    def test_both_editions_have_a_package_from_the_start(self):
        for edition in ('QX', 'PL'):
            with self.subTest(edition=edition):
                status, content_type, body = self.request('GET', f'/qptnsetup_{edition}.msi')
                self.assertEqual((status, content_type), (200, 'application/x-msi'))
                self.assertTrue(body.endswith(edition.encode() + b'\n'), body)

    def test_packages_come_from_the_folder_given(self):
        with tempfile.TemporaryDirectory() as packages, tempfile.TemporaryDirectory() as data:
            with open(os.path.join(packages, 'qptnsetup_QX.msi'), 'wb') as f:
                f.write(b'REAL-QX')
            host = RunningHost(data, ['--packages', packages])
            try:
                answers = {}
                for edition in ('QX', 'PL'):
                    connection = http.client.HTTPConnection('127.0.0.1', host.port, timeout=30)
                    connection.request('GET', f'/qptnsetup_{edition}.msi')
                    answer = connection.getresponse()
                    answers[edition] = (answer.status, answer.read())
                    connection.close()
            finally:
                host.stop()
            self.assertEqual(answers['QX'], (200, b'REAL-QX'))
            self.assertEqual(answers['PL'][0], 404)
            self.assertEqual([n for n in os.listdir(data) if n.startswith('qptnsetup')], [],
                             'no stand-in package is written beside real ones')

    def test_a_packages_folder_that_is_missing_is_refused(self):
        with tempfile.TemporaryDirectory() as data:
            done = subprocess.run([sys.executable, HOST_SCRIPT, '--port', '0', '--data', data,
                                   '--packages', os.path.join(data, 'none')],
                                  capture_output=True, text=True, timeout=60)
        self.assertEqual(done.returncode, 2)
        self.assertIn('no such folder', done.stderr)

    def test_delivery_counts_header_numbers_up(self):
        self.assertEqual(self.admin('POST', '/admin/accounts',
                                    {'address': 'Reader@Quillpost.com', 'password': 'pw'})[0], 200)
        first = self.admin('POST', '/admin/deliver', {'to': 'reader@quillpost.com',
                                                      'subject': 'one'})[1]
        second = self.admin('POST', '/admin/deliver', {'to': 'READER@quillpost.com',
                                                       'subject': 'two'})[1]
        self.assertEqual(second['header_num'], first['header_num'] + 1)
        self.assertNotEqual(first['uid'], second['uid'])
        accounts = {a['address']: a for a in self.admin('GET', '/admin/accounts')[1]}
        self.assertEqual(accounts['reader@quillpost.com']['folders']['INBOX'], 2)
        self.assertNotIn('password', accounts['reader@quillpost.com'])

    def test_a_delivery_may_set_its_date(self):
        self.add_account('dated@quillpost.com', 'pw')
        self.deliver('dated@quillpost.com', subject='old', date=1_000_000_000)
        self.deliver('dated@quillpost.com', subject='older', date=-5)
        answer = self.call('get_new_messages', ('auth', auth('dated@quillpost.com', 'pw')),
                           ('header_num', 0), ('hostkey', 'k'), ('max', 30))
        self.assertEqual([(m['subject'], m['date']) for m in answer['messages']],
                         [('old', 1_000_000_000), ('older', -5)])

    def test_adding_an_existing_account_changes_credentials_and_keeps_mail(self):
        self.add_account('keeper@quillpost.com', 'old')
        uid = self.deliver('keeper@quillpost.com', subject='kept')['uid']
        self.add_account('Keeper@quillpost.com', 'new', 'suspended')
        self.assertEqual(self.call_fault('check_auth', ('auth', auth('keeper@quillpost.com',
                                                                     'old'))),
                         ('Client', 'Wrong e-mail address or password.'))
        self.assertEqual(self.call('check_auth', ('auth', auth('keeper@quillpost.com', 'new'))),
                         {'result': 'suspended'})
        self.assertEqual([m['uid'] for m in self.mailbox('keeper@quillpost.com')['INBOX']],
                         [uid])


if __name__ == '__main__':
    unittest.main()
