"""qpcall.exe under Wine against the stand-in host: every operation the
notifier calls through the WinINet transport and the system's SAX reader,
the failure answers (404 page, status 500 without XML, Client fault, dropped
connection), one kept connection for two calls in a row, an answer that
cannot be written (qpcall's and qpsettings'), and the WinINet adapter's own
tests (wininet_tests.exe), which need the host."""

import json
import os
import subprocess
import unittest

import winenv

winenv.require_environment('QPCALL_EXE', 'QPSETTINGS_EXE', 'WININET_TESTS_EXE', 'QPTN_PROBE',
                           'QP_SOURCE_DIR')
QPCALL = os.environ['QPCALL_EXE']
QPSETTINGS = os.environ['QPSETTINGS_EXE']
WININET_TESTS = os.environ['WININET_TESTS_EXE']
PROBE = os.environ['QPTN_PROBE']

USER = 'ann@quillpost.com'
PASSWORD = 'pass word'
AUTH = [f'auth.user_id={USER}', f'auth.password={PASSWORD}']

host = None
port = None


def setUpModule():
    global host, port
    winenv.warm_up(PROBE)
    host = winenv.StandInHost()
    port = host.port


def tearDownModule():
    if host:
        host.stop()


def admin(path, body=None):
    return winenv.host_admin(port, path, body)


def endpoint():
    return f'http://127.0.0.1:{port}/soap/public.php?version=1'


def qpcall(operation, *args, options=()):
    """Exit code, the JSON lines printed, and stderr."""
    return qpcall_to(endpoint(), operation, *args, options=options)


def qpcall_to(address, operation, *args, options=()):
    done = winenv.run(QPCALL, *options, address, operation, *args, timeout=120)
    lines = [json.loads(line) for line in done.stdout.splitlines() if line.strip()]
    return done.returncode, lines, done.stderr


def soap_log():
    return [e for e in admin('/admin/log') if '/soap/' in (e.get('path') or '')]


class QpcallAgainstTheHost(winenv.Scenario):
    @classmethod
    def setUpClass(cls):
        admin('/admin/accounts', {'address': USER, 'password': PASSWORD})

    def setUp(self):
        admin('/admin/fail/clear', {})
        admin('/admin/log/clear', {})

    def call_ok(self, operation, *args):
        code, lines, err = qpcall(operation, *args)
        self.assertEqual(code, 0, f'{operation}: {lines} {err}')
        self.assertEqual(len(lines), 1)
        return lines[0]

    def test_every_called_operation(self):
        first = admin('/admin/deliver', {'to': USER, 'from': 'Bo <bo@example.org>',
                                         'subject': 'H\u00e9llo \U0001F600', 'body': 'text'})
        second = admin('/admin/deliver', {'to': USER, 'subject': 'second'})

        self.assertEqual(self.call_ok('check_auth', *AUTH), {'result': 'active'})

        news = self.call_ok('get_new_messages', *AUTH, f'header_num={first["header_num"] - 1}',
                            'hostkey=', 'max=30')
        self.assertEqual(news['__messages_nSizeIs'], 2)
        self.assertEqual([m['uidstr']['uid'] for m in news['messages']],
                         [first['uid'], second['uid']])
        self.assertEqual(news['messages'][0]['subject'], 'H\u00e9llo \U0001F600')
        self.assertEqual(news['messages'][0]['from_display'], 'Bo')
        self.assertEqual(news['new_header_num'], second['header_num'])
        self.assertEqual(news['new_unread'], 2)

        url = self.call_ok('get_auth_url', *AUTH, 'type=index')['url']
        self.assertTrue(url.startswith(f'http://127.0.0.1:{port}/'), url)

        view = self.call_ok('get_message_url', *AUTH, f'message.path={first["path"]}',
                            f'message.uid={first["uid"]}', 'type=view')['url']
        self.assertIn('/view.php', view)
        self.assertIn(f'&uid={first["uid"]}', view)
        compose = self.call_ok('get_message_url', *AUTH, 'message.path:nil', 'message.uid:nil',
                               'type=compose')['url']
        self.assertIn('/compose.php', compose)

        self.assertEqual(self.call_ok('get_generic_pref', *AUTH, 'pref=no_trash', 'default=0'),
                         {'result': '0'})

        self.assertEqual(self.call_ok('apply_action', *AUTH, f'messages[0].path={first["path"]}',
                                      f'messages[0].uid={first["uid"]}', 'action=markRead',
                                      'arg='), {})
        inbox = {m['uid']: m for m in admin(f'/admin/messages?address={USER}')['INBOX']}
        self.assertFalse(inbox[first['uid']]['unread'])
        self.assertTrue(inbox[second['uid']]['unread'])

        self.assertEqual(self.call_ok('set_folder_watch', *AUTH, 'path=INBOX', 'watch=1',
                                      'hostkey=K1'), {})
        folders = self.call_ok('get_watch_folders', *AUTH, 'hostkey=K1')
        self.assertEqual(folders['__folders_nSizeIs'], 1)
        self.assertEqual(folders['folders'][0]['path'], 'INBOX')
        self.assertTrue(folders['folders'][0]['is_watched'])

        self.assertEqual(self.call_ok('get_version', 'client=DudiderEzodoZuduza'),
                         {'current_version': 4})

        help_url = self.call_ok('get_url', 'auth.user_id=', 'auth.password=', 'type=help',
                                'arg=3831')['url']
        self.assertIn('3831', help_url)

        # What went over the wire, as the host saw it.
        log = soap_log()
        self.assertEqual([e['operation'] for e in log],
                         ['check_auth', 'get_new_messages', 'get_auth_url', 'get_message_url',
                          'get_message_url', 'get_generic_pref', 'apply_action',
                          'set_folder_watch', 'get_watch_folders', 'get_version', 'get_url'])
        for e in log:
            headers = {k.lower(): v for k, v in e['headers'].items()}
            self.assertEqual(e['path'], '/soap/public.php?version=1')
            self.assertEqual(headers['soapaction'],
                             f'"http://dev.quillpost.com/soap/public.php/{e["operation"]}"')
            self.assertEqual(headers['content-type'], 'text/xml; charset=utf-8')
            self.assertEqual(headers['user-agent'], 'VCSoapClient')
            self.assertEqual(e['status'], 200)
        self.assertEqual(log[4]['params']['message'], {'path': None, 'uid': None})
        self.assertEqual(log[6]['params']['arg'], '')

    def test_answers_in_another_order_with_types_and_references_decode_alike(self):
        admin('/admin/deliver', {'to': USER, 'subject': 'styled', 'body': 'b'})
        calls = [('get_new_messages', *AUTH, 'header_num=0', 'hostkey=', 'max=30'),
                 ('get_watch_folders', *AUTH, 'hostkey=K1'),
                 ('check_auth', *AUTH)]
        plain = [self.call_ok(*c) for c in calls]
        admin('/admin/style', {'vary_order': True, 'xsi_types': True, 'multiref': True})
        try:
            styled = [self.call_ok(*c) for c in calls]
        finally:
            admin('/admin/style', {'vary_order': False, 'xsi_types': False, 'multiref': False})
        self.assertEqual(styled, plain)
        self.assertGreater(plain[0]['__messages_nSizeIs'], 0)

    def test_arg_nil_and_awkward_text_reach_the_host_as_given(self):
        awkward = '<a&b> \n\u00e9\U0001F600'
        code, lines, _ = qpcall('apply_action', *AUTH, f'messages[0].path={awkward}',
                                'messages[0].uid=1', 'action=delete', 'arg:nil')
        self.assertEqual((code, lines), (0, [{}]))
        params = soap_log()[-1]['params']
        self.assertIsNone(params['arg'])
        self.assertEqual(params['messages'], [{'path': awkward, 'uid': '1'}])

    def test_wrong_password_is_a_client_fault(self):
        code, lines, _ = qpcall('check_auth', f'auth.user_id={USER}', 'auth.password=wrong')
        self.assertEqual(code, 1)
        self.assertEqual(lines[0]['fault']['code'], 300)
        self.assertEqual(lines[0]['fault']['faultcode'], 'Client')
        self.assertEqual(lines[0]['fault']['faultstring'], 'Wrong e-mail address or password.')
        self.assertEqual(lines[0]['error']['status'], 500)

    def test_a_404_page_fails_in_decoding(self):
        admin('/admin/fail', {'operation': 'get_version', 'mode': 'notfound'})
        code, lines, _ = qpcall('get_version', 'client=x')
        self.assertEqual(code, 1)
        self.assertNotIn('fault', lines[0])
        self.assertEqual(lines[0]['error']['stage'], 'decode')
        self.assertEqual(lines[0]['error']['status'], 404)

    def test_status_500_without_xml_leaves_an_empty_fault(self):
        admin('/admin/fail', {'operation': 'get_version', 'mode': 'status500garbage'})
        code, lines, _ = qpcall('get_version', 'client=x')
        self.assertEqual(code, 1)
        self.assertEqual(lines[0]['fault'], {'code': 0, 'faultcode': '', 'faultstring': '',
                                             'faultactor': '', 'detail': ''})

    def test_a_dropped_connection_fails_the_send_and_the_next_call_works(self):
        admin('/admin/fail', {'operation': 'get_version', 'mode': 'drop', 'count': 1})
        code, lines, _ = qpcall('get_version', 'client=x', options=('--repeat', '2'))
        self.assertEqual(code, 1)
        self.assertEqual(len(lines), 2)
        self.assertNotIn('current_version', lines[0])
        self.assertEqual(lines[1], {'current_version': 4})

    def test_an_https_endpoint_makes_a_secure_request(self):
        # The host speaks plain HTTP only: a TLS request cannot reach the service.
        done = winenv.run(QPCALL, f'https://127.0.0.1:{port}/soap/public.php?version=1',
                          'get_version', 'client=x')
        self.assertEqual(done.returncode, 1)
        self.assertEqual(json.loads(done.stdout)['error']['stage'], 'send')
        self.assertEqual(soap_log(), [])

    def test_a_proxy_gets_the_request_for_the_endpoint(self):
        # The host serves a request for an absolute address as a proxy would.
        code, lines, _ = qpcall_to('http://dev.quillpost.com/soap/public.php?version=1',
                                   'get_version', 'client=x',
                                   options=('--proxy', f'127.0.0.1:{port}'))
        self.assertEqual((code, lines), (0, [{'current_version': 4}]))
        entry, = soap_log()
        self.assertTrue(entry['path'].startswith('http://dev.quillpost.com'), entry['path'])
        self.assertEqual(entry['headers']['Host'], 'dev.quillpost.com')

    def test_two_calls_in_a_row_share_one_connection(self):
        code, lines, _ = qpcall('get_version', 'client=x', options=('--repeat', '2'))
        self.assertEqual((code, lines), (0, [{'current_version': 4}] * 2))
        ports = [e['peer_port'] for e in soap_log()]
        self.assertEqual(len(ports), 2)
        self.assertEqual(ports[0], ports[1])

    def test_an_unusable_command_line_prints_the_usage(self):
        for args in (('get_version',), ('no_such_operation', 'x=1')):
            done = winenv.run(QPCALL, endpoint(), *args)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn('usage: qpcall', done.stderr)
            self.assertEqual(done.stdout, '')
        done = winenv.run(QPCALL, 'ftp://127.0.0.1/x', 'get_version', 'client=x')
        self.assertEqual(done.returncode, 2)
        self.assertEqual(soap_log(), [])


class AnswersNobodyCanRead(winenv.Scenario):
    """Output that cannot be written is a failure of the tools, never a
    success with nothing said."""

    def setUp(self):
        admin('/admin/log/clear', {})

    def test_qpcall_on_a_full_disk_fails_and_says_so(self):
        code, err = winenv.run_into_full_disk(QPCALL, endpoint(), 'get_version', 'client=x')
        self.assertEqual(code, 1, err)
        self.assertIn('qpcall: could not write the answer', err)
        self.assertEqual([e['operation'] for e in soap_log()], ['get_version'],
                         'the call itself was made')

    def test_qpsettings_on_a_full_disk_fails_and_says_so(self):
        code, err = winenv.run_into_full_disk(QPSETTINGS, 'show')
        self.assertEqual(code, 1, err)
        self.assertIn('qpsettings: could not write', err)


class TransportAdapter(winenv.Scenario):
    def test_wininet_tests_pass_against_the_host(self):
        env = winenv.wine_env()
        env['QP_HOST_PORT'] = str(port)
        done = subprocess.run(['wine', WININET_TESTS], env=env, capture_output=True, text=True,
                              timeout=300)
        self.assertEqual(done.returncode, 0, done.stdout[-4000:] + done.stderr[-2000:])
        self.assertIn('[  PASSED  ]', done.stdout)


if __name__ == '__main__':
    unittest.main()
