"""The stand-in host's SOAP service, called as the desktop client calls it."""

import http.client
import itertools
import os
import random
import re
import socket
import sys
import unittest
import urllib.parse

from support import (Array, HostCase, SOAP_PATH, auth, decode_response, envelope, fault_of,
                     uidstr, ENVELOPE_CLOSE, ENVELOPE_OPEN, NS)

sys.path.insert(0, os.path.join(os.path.dirname(__file__), '..', '..', 'devhost'))
import model  # noqa: E402
import soap  # noqa: E402

WRONG = 'Wrong e-mail address or password.'
_addresses = itertools.count(1)


def requests(a, uid='1'):
    """One well-formed request per operation, for the account a."""
    return {
        'check_auth': [('auth', a)],
        'get_new_messages': [('auth', a), ('header_num', 0), ('hostkey', 'k'), ('max', 30)],
        'get_auth_url': [('auth', a), ('type', 'index')],
        'get_message_url': [('auth', a), ('message', uidstr('INBOX', uid)), ('type', 'view')],
        'get_generic_pref': [('auth', a), ('pref', 'no_trash'), ('default', 0)],
        'apply_action': [('auth', a), ('messages', Array('UIDSTR', [uidstr('INBOX', uid)])),
                         ('action', 'markRecallable'), ('arg', '')],
        'get_watch_folders': [('auth', a), ('hostkey', 'k')],
        'set_folder_watch': [('auth', a), ('path', 'INBOX'), ('watch', 1), ('hostkey', 'k')],
        'get_version': [('client', 'DudiderEzodoZuduza')],
        'get_url': [('auth', a), ('type', 'help'), ('arg', '3831')],
        'generate_hostkey': [],
        'get_folders': [('auth', a), ('paths', Array('string', ['INBOX'])), ('hostkey', 'k')],
        'get_all_folders': [('auth', a), ('hostkey', 'k')],
        'get_messages': [('auth', a), ('messages', Array('UIDSTR', [uidstr('INBOX', uid)]))],
        'get_new_messages_count': [('auth', a), ('header_num', 0), ('hostkey', 'k')],
        'set_generic_pref': [('auth', a), ('pref', 'colour'), ('value', 'blue')],
    }


class SoapServiceTest(HostCase):
    def fresh(self, status='active'):
        address = f'reader{next(_addresses)}@quillpost.com'
        return address, self.add_account(address, 'pass word', status)

    def base(self):
        return f'http://127.0.0.1:{self.port}/'

    def test_every_operation_answers_with_its_out_values(self):
        address, a = self.fresh()
        m1 = self.deliver(address, **{'from': 'Ann Example <ann@x.example>',
                                      'subject': 'Grüße <&> 😀', 'body': 'one\ntwo ✓'})
        m2 = self.deliver(address, subject='', body='')
        base = self.base()
        ann = {'uidstr': {'path': 'INBOX', 'uid': m1['uid']}, 'from': 'Ann Example <ann@x.example>',
               'from_display': 'Ann Example', 'from_email': 'ann@x.example',
               'subject': 'Grüße <&> 😀', 'body': 'one\ntwo ✓', 'size': len('one\ntwo ✓'.encode()),
               'priority': 3, 'has_attachment': False, 'is_flagged': False,
               'is_answered': False, 'is_seen': False, 'is_draft': False,
               'is_forwarded': False, 'header_num': m1['header_num']}
        inbox = {'path': 'INBOX', 'display_name': 'INBOX', 'unread': 2, 'total': 2,
                 'is_system': True}

        def new_messages(v):
            self.assertEqual((v['new_header_num'], v['total_unread'], v['new_unread']),
                             (m2['header_num'], 2, 2))
            first, second = v['messages']
            self.assertIsInstance(first.pop('date'), int)
            self.assertEqual(first, ann)
            self.assertEqual((second['subject'], second['body'], second['header_num']),
                             (None, None, m2['header_num']))

        def url(*parts):
            def look(v):
                self.assertTrue(v['url'].startswith(base), v)
                for part in parts:
                    self.assertIn(part, v['url'])
            return look

        compose = [('auth', a), ('message', uidstr(None, None)), ('type', 'compose')]
        cases = [  # (operation, request or None for the standard one, expected or check)
            ('check_auth', None, {'result': 'active'}),
            ('get_new_messages', None, new_messages),
            ('get_auth_url', None, url('/index.php')),
            ('get_message_url', None, url('/view.php', f'&uid={m1["uid"]}')),
            ('get_message_url', compose, url('/compose.php?')),
            ('get_generic_pref', None, {'result': '0'}),
            ('apply_action', None, {}),
            ('get_watch_folders', None, {'folders': []}),
            ('set_folder_watch', None, {}),
            ('get_watch_folders', None, {'folders': [{**inbox, 'is_watched': True}]}),
            ('get_version', None, {'current_version': 4}),
            ('get_url', None, url('/help.php', '3831')),
            ('generate_hostkey', None,
             lambda v: self.assertRegex(v['hostkey'], r'^[0-9a-f]{32}$')),
            ('get_folders', [('auth', a), ('paths', Array('string', ['INBOX', 'Nope', None])),
                             ('hostkey', 'other')], {'folders': [{**inbox, 'is_watched': False}]}),
            ('get_all_folders', None,
             lambda v: self.assertEqual([f['path'] for f in v['folders']],
                                        ['INBOX', 'Trash', 'Spam'])),
            ('get_messages', [('auth', a), ('messages', Array('UIDSTR', [
                uidstr('INBOX', m2['uid']), uidstr('INBOX', '999'), uidstr('Trash', m1['uid'])]))],
             {'messages': [{'path': 'INBOX', 'uid': m2['uid']}]}),
            ('get_new_messages_count', [('auth', a), ('header_num', m1['header_num']),
                                        ('hostkey', None)],
             {'new_header_num': m2['header_num'], 'count': 1}),
            ('set_generic_pref', None, {}),
        ]
        standard = requests(a, m1['uid'])
        self.assertEqual({c[0] for c in cases}, set(standard), 'every operation is covered')
        for operation, params, expected in cases:
            with self.subTest(operation=operation, params=params):
                values = self.call(operation, *(params or standard[operation]))
                if callable(expected):
                    expected(values)
                else:
                    self.assertEqual(values, expected)
        recallable = [m['recallable'] for m in self.mailbox(address)['INBOX']]
        self.assertEqual(recallable, [True, False], 'apply_action changed the model')

    def test_wrong_credentials_give_a_client_fault_meant_for_the_user(self):
        address, good = self.fresh()
        bad = {'wrong password': auth(address, 'pass Word'),
               'unknown address': auth('nobody@quillpost.com', 'pass word'),
               'empty': auth('', ''), 'nil': auth(None, None)}
        for operation, _ in requests(good).items():
            if operation in ('get_version', 'generate_hostkey', 'get_url'):
                continue
            for label, credentials in bad.items():
                with self.subTest(operation=operation, credentials=label):
                    self.assertEqual(self.call_fault(operation, *requests(credentials)[operation]),
                                     ('Client', WRONG))
        # The help page is public: the settings dialog asks for it without an account.
        self.assertIn('/help.php', self.call('get_url', *requests(bad['empty'])['get_url'])['url'])
        self.assertEqual(self.call('check_auth', ('auth', auth(address.upper(), 'pass word'))),
                         {'result': 'active'}, 'addresses compare without case')

    def test_inactive_account_reports_its_status_and_is_refused_service(self):
        address, a = self.fresh(status='suspended')
        self.assertEqual(self.call('check_auth', ('auth', a)), {'result': 'suspended'})
        code, text = self.call_fault('get_new_messages', *requests(a)['get_new_messages'])
        self.assertEqual(code, 'Client')
        self.assertIn('suspended', text)

    def test_get_new_messages_reports_relative_to_the_header_number(self):
        address, a = self.fresh()
        h = [self.deliver(address, subject=f's{i}')['header_num'] for i in range(5)]
        self.deliver(address, subject='junk', folder='Spam')
        last = self.deliver(address, subject='seen', unread=False)['header_num']
        cases = [  # (header_num, max) -> header numbers returned, new_unread
            ((0, 30), (h, 5)),
            ((0, 3), (h[2:], 5)),
            ((h[1], 30), (h[2:], 3)),
            ((h[1], 1), (h[4:], 3)),
            ((h[4], 30), ([], 0)),
            ((last, 30), ([], 0)),
            ((last + 100, 30), ([], 0)),
            ((0, 0), ([], 5)),
        ]
        for (header_num, most), (numbers, new_unread) in cases:
            with self.subTest(header_num=header_num, max=most):
                v = self.call('get_new_messages', ('auth', a), ('header_num', header_num),
                              ('hostkey', ''), ('max', most))
                self.assertEqual([m['header_num'] for m in v['messages']], numbers)
                self.assertEqual((v['new_unread'], v['total_unread'], v['new_header_num']),
                                 (new_unread, 5, last))
        self.call('apply_action', ('auth', a),
                  ('messages', Array('UIDSTR', [uidstr('INBOX', str(u['uid']))
                                                for u in self.mailbox(address)['INBOX'][:2]])),
                  ('action', 'markRead'), ('arg', ''))
        v = self.call('get_new_messages', ('auth', a), ('header_num', 0), ('hostkey', ''),
                      ('max', 30))
        self.assertEqual(([m['header_num'] for m in v['messages']], v['total_unread']),
                         (h[2:], 3))
        following = self.deliver(address, subject='later')['header_num']
        self.assertEqual(following, last + 1, 'the counter keeps growing')

    def test_actions_change_the_mailbox(self):
        cases = [  # action, arg, no_trash, folder delivered to -> folder after (None: gone), flags
            ('delete', None, None, 'INBOX', 'Trash', {}),
            ('delete', None, '0', 'INBOX', 'Trash', {}),
            ('delete', None, '1', 'INBOX', None, {}),
            ('delete', None, None, 'Trash', None, {}),
            ('purge', None, None, 'INBOX', None, {}),
            ('markRead', '', None, 'INBOX', 'INBOX', {'unread': False}),
            ('markSpam', '', None, 'INBOX', 'Spam', {'spam': True}),
            ('markRecallable', '', None, 'INBOX', 'INBOX', {'recallable': True, 'unread': True}),
        ]
        for action, arg, no_trash, delivered_to, after, flags in cases:
            with self.subTest(action=action, no_trash=no_trash, folder=delivered_to):
                address, a = self.fresh()
                if no_trash is not None:
                    self.assertEqual(self.admin('POST', '/admin/pref', {
                        'address': address, 'name': 'no_trash', 'value': no_trash})[0], 200)
                uid = self.deliver(address, folder=delivered_to)['uid']
                other = self.deliver(address)['uid']
                self.assertEqual(self.call('apply_action', ('auth', a), ('messages', Array(
                    'UIDSTR', [uidstr(delivered_to, uid), uidstr('INBOX', 'no-such')])),
                    ('action', action), ('arg', arg)), {})
                box = self.mailbox(address)
                found = {m['uid']: (folder, m) for folder, ms in box.items() for m in ms}
                if after is None:
                    self.assertNotIn(uid, found)
                else:
                    self.assertEqual(found[uid][0], after)
                    for flag, value in flags.items():
                        self.assertEqual(found[uid][1][flag], value, flag)
                self.assertEqual(found[other][0], 'INBOX', 'other messages stay')
                self.assertTrue(found[other][1]['unread'])

    def test_unknown_action_changes_nothing(self):
        address, a = self.fresh()
        uid = self.deliver(address)['uid']
        code, text = self.call_fault('apply_action', ('auth', a), (
            'messages', Array('UIDSTR', [uidstr('INBOX', uid)])), ('action', 'explode'),
            ('arg', ''))
        self.assertEqual(code, 'Client')
        self.assertEqual(self.mailbox(address)['INBOX'][0]['unread'], True)

    def test_watched_folders_belong_to_a_host_key(self):
        address, a = self.fresh()

        def watched(key):
            return [f['path'] for f in self.call('get_watch_folders', ('auth', a),
                                                 ('hostkey', key))['folders']]
        self.assertEqual(watched('one'), [])
        self.call('set_folder_watch', ('auth', a), ('path', 'INBOX'), ('watch', 1),
                  ('hostkey', 'one'))
        self.call('set_folder_watch', ('auth', a), ('path', 'Spam'), ('watch', 1),
                  ('hostkey', 'one'))
        self.assertEqual((watched('one'), watched('two')), (['INBOX', 'Spam'], []))
        self.call('set_folder_watch', ('auth', a), ('path', 'Spam'), ('watch', 0),
                  ('hostkey', 'one'))
        self.assertEqual(watched('one'), ['INBOX'])
        self.call('set_folder_watch', ('auth', a), ('path', 'INBOX'), ('watch', 1),
                  ('hostkey', None))
        self.assertEqual(watched(''), ['INBOX'], 'a nil host key is the empty one')
        self.assertEqual(self.call_fault('set_folder_watch', ('auth', a), ('path', 'Nope'),
                                         ('watch', 1), ('hostkey', 'one'))[0], 'Client')

    def test_preferences_and_version(self):
        address, a = self.fresh()

        def pref(name, default=0):
            return self.call('get_generic_pref', ('auth', a), ('pref', name),
                             ('default', default))['result']
        self.assertEqual((pref('no_trash'), pref('other', 7)), ('0', '7'))
        self.admin('POST', '/admin/pref', {'address': address, 'name': 'no_trash', 'value': '1'})
        self.call('set_generic_pref', ('auth', a), ('pref', 'other'), ('value', 'x<y'))
        self.assertEqual((pref('no_trash'), pref('other', 7)), ('1', 'x<y'))
        try:
            self.assertEqual(self.admin('POST', '/admin/version', {'version': 5})[0], 200)
            self.assertEqual(self.call('get_version', ('client', 'x')), {'current_version': 5})
        finally:
            self.admin('POST', '/admin/version', {'version': 4})

    def test_a_hostile_service_answers_the_page_address_it_is_given(self):
        _, a = self.fresh()
        hostile = 'file:///C:/Windows/System32/calc.exe'
        page_calls = (('get_auth_url', ('auth', a), ('type', 'index')),
                      ('get_message_url', ('auth', a), ('message', uidstr('INBOX', '1')),
                       ('type', 'reply')),
                      ('get_url', ('auth', a), ('type', 'help'), ('arg', '1')))
        try:
            self.assertEqual(self.admin('POST', '/admin/page-url', {'url': hostile})[0], 200)
            for operation, *params in page_calls:
                self.assertEqual(self.call(operation, *params), {'url': hostile}, operation)
            self.assertEqual(self.admin('POST', '/admin/page-url', {'url': 5})[0], 400)
        finally:
            self.admin('POST', '/admin/page-url', {'url': None})
        self.assertTrue(self.call('get_auth_url', ('auth', a), ('type', 'index'))['url']
                        .startswith('http'))

    def test_page_addresses_open_pages_with_quillpost_titles(self):
        address, a = self.fresh()
        uid = self.deliver(address)['uid']

        def get_url(operation, *params):
            url = self.call(operation, ('auth', a), *params)['url']
            self.assertTrue(url.startswith(self.base()), url)
            return url

        def title_of(url, status=200):
            got, _, body = self.request('GET', url[len(self.base()) - 1:])
            self.assertEqual(got, status, url)
            return re.search(rb'<title>(.*?)</title>', body).group(1).decode(), body

        view = get_url('get_message_url', ('message', uidstr('INBOX', uid)), ('type', 'view'))
        quick = view.replace('/view.php', '/view_print_multi.php', 1).replace('&uid=', '&list=', 1)
        compose = get_url('get_message_url', ('message', uidstr(None, None)), ('type', 'compose'))
        compose += '&compose_args=' + urllib.parse.quote('to=x@y.example&subject=Hi', safe='')
        cases = [
            (get_url('get_auth_url', ('type', 'index')), 'Quillpost :: Mail Index', None),
            (view, 'Quillpost :: Message', f'Message {uid}'),
            (quick, 'Quillpost :: Quick View', f'Messages {uid}'),
            (compose, 'Quillpost :: Compose', 'to=x@y.example&amp;subject=Hi'),
            (get_url('get_url', ('type', 'help'), ('arg', '3831')), 'Quillpost :: Help', '3831'),
        ]
        for kind in ('reply', 'replyall', 'forward'):
            url = get_url('get_message_url', ('message', uidstr('INBOX', uid)), ('type', kind))
            self.assertIn(f'&uid={uid}', url)
            cases.append((url, 'Quillpost :: Compose', None))
        for url, title, shown in cases:
            with self.subTest(url=url):
                got, body = title_of(url)
                self.assertEqual(got, title)
                if shown:
                    self.assertIn(shown.encode(), body)
        for params in ([('message', uidstr(None, None)), ('type', 'view')],
                       [('message', uidstr('INBOX', uid)), ('type', 'print')]):
            with self.subTest(params=params):
                self.assertEqual(self.call_fault('get_message_url', ('auth', a), *params)[0],
                                 'Client')

    def test_refused_requests(self):
        good = envelope('get_version', [('client', 'c')]).decode()
        body_of = good[len(ENVELOPE_OPEN):-len(ENVELOPE_CLOSE)]

        def wrap(inner):
            return ENVELOPE_OPEN + inner + ENVELOPE_CLOSE

        laughs = ('<!DOCTYPE lolz [<!ENTITY lol "lol">'
                  + ''.join(f'<!ENTITY lol{i} "{("&lol%s;" % ("" if i == 1 else i - 1)) * 10}">'
                            for i in range(1, 10)) + ']>')
        external = (f'<!DOCTYPE x [<!ENTITY e SYSTEM "http://127.0.0.1:{self.port}/counter">]>')
        cases = [  # (label, body, path, expected code, text in faultstring)
            ('doctype', '<!DOCTYPE x>' + good, SOAP_PATH, 'Client', 'declarations'),
            ('billion laughs', laughs + good.replace('>c<', '>&lol9;<'), SOAP_PATH, 'Client',
             'declarations'),
            ('external entity', external + good.replace('>c<', '>&e;<'), SOAP_PATH, 'Client',
             'declarations'),
            ('entity, odd case', '<!doctype x [<!entity a "b">]>' + good, SOAP_PATH, 'Client',
             'declarations'),
            ('not utf-8', good.replace('>c<', '>\xe9<').encode('latin-1'), SOAP_PATH, 'Client',
             'UTF-8'),
            ('malformed', good[:-5], SOAP_PATH, 'Client', 'malformed'),
            ('soap 1.2 envelope', good.replace('schemas.xmlsoap.org/soap/envelope/',
                                               'www.w3.org/2003/05/soap-envelope'),
             SOAP_PATH, 'VersionMismatch', ''),
            ('not an envelope', f'<get_version xmlns="{NS}"/>', SOAP_PATH, 'Client', ''),
            ('empty body', wrap(''), SOAP_PATH, 'Client', ''),
            ('unknown operation', good.replace('get_version', 'get_everything'), SOAP_PATH,
             'Client', 'get_everything'),
            ('operation namespace', good.replace(f'"{NS}"', '"urn:other"'), SOAP_PATH,
             'Client', 'namespace'),
            ('missing parameter', wrap(f'<snp:get_version xmlns:snp="{NS}"/>'), SOAP_PATH,
             'Client', 'client'),
            ('extra parameter', good.replace('</client>', '</client><x>1</x>'), SOAP_PATH,
             'Client', 'x'),
            ('twice', good.replace('</client>', '</client><client>d</client>'), SOAP_PATH,
             'Client', 'twice'),
            ('bad int', envelope('get_new_messages_count', [
                ('auth', auth('a@b.example', 'p')), ('header_num', 0), ('hostkey', '')])
             .replace(b'>0<', b'>zero<'), SOAP_PATH, 'Client', 'int'),
            ('nil int', envelope('get_new_messages_count', [
                ('auth', auth('a@b.example', 'p')), ('header_num', 0), ('hostkey', '')])
             .replace(b'<header_num>0</header_num>', b'<header_num xsi:nil="1"/>'), SOAP_PATH,
             'Client', 'nil'),
            ('array size', envelope('get_messages', [
                ('auth', auth('a@b.example', 'p')),
                ('messages', Array('UIDSTR', [uidstr('INBOX', '1')]))])
             .replace(b'UIDSTR[1]', b'UIDSTR[2]'), SOAP_PATH, 'Client', 'arrayType'),
            ('array without arrayType', envelope('get_messages', [
                ('auth', auth('a@b.example', 'p')),
                ('messages', Array('UIDSTR', [uidstr('INBOX', '1')]))])
             .replace(b' soapenc:arrayType="q1:UIDSTR[1]"', b''), SOAP_PATH, 'Client',
             'arrayType'),
            ('must understand', good.replace(
                '<soap:Body', '<soap:Header><t:x xmlns:t="urn:t" soap:mustUnderstand="1"/>'
                '</soap:Header><soap:Body'), SOAP_PATH, 'MustUnderstand', ''),
            ('deep nesting', good.replace('>c<', '>' + '<a>' * 10000 + '</a>' * 10000 + '<'),
             SOAP_PATH, 'Client', 'no elements'),
            ('no version', good, '/soap/public.php', 'Client', 'version'),
            ('version 2', good, '/soap/public.php?version=2', 'Client', 'version'),
        ]
        self.admin('POST', '/admin/log/clear', {})
        for label, body, path, code, text in cases:
            with self.subTest(label):
                data = body.encode() if isinstance(body, str) else body
                status, _, answer = self.request('POST', path, data, {
                    'SOAPAction': '"http://qphost.dev/soap/public.php/get_version"'})
                self.assertEqual(status, 500, answer)
                got_code, got_text = fault_of(answer)
                self.assertEqual(got_code, code, got_text)
                self.assertIn(text, got_text)
                self.assertNotIn(b'lollollol', answer)
        self.assertIn('current_version', self.call('get_version', ('client', 'c')))
        _, log = self.admin('GET', '/admin/log')
        self.assertNotIn('/counter', [e['path'] for e in log], 'no entity was fetched')
        self.assertEqual(len(log), len(cases) + 1)
        self.assertTrue(all(e['fault']['faultcode'] for e in log[:-1]))

    def test_soapaction_must_name_the_operation_when_given(self):
        body = envelope('get_version', [('client', 'c')])
        cases = [  # header value (None: no header) -> status
            ('"http://qphost.dev/soap/public.php/get_version"', 200),
            ('"QPTSoapNS#get_version"', 200),
            ('get_version', 200),
            (None, 200),
            ('""', 200),
            ('"http://qphost.dev/soap/public.php/check_auth"', 500),
            ('"http://qphost.dev/soap/public.php/"', 500),
        ]
        for action, expected in cases:
            with self.subTest(action=action):
                self.admin('POST', '/admin/log/clear', {})
                status, _, answer = self.post_soap(body, action)
                self.assertEqual(status, expected, answer)
                if expected == 500:
                    self.assertEqual(fault_of(answer)[0], 'Client')
                entry = self.admin('GET', '/admin/log')[1][0]
                self.assertEqual((entry['operation'], entry['soapaction']),
                                 ('get_version', action))

    def test_configured_fault_applies_to_one_operation(self):
        address, a = self.fresh()
        self.admin('POST', '/admin/fail', {'operation': 'check_auth', 'mode': 'fault',
                                           'faultcode': 'Client',
                                           'faultstring': 'Mailbox locked.', 'count': 1})
        self.assertEqual(self.call('get_version', ('client', 'c')), {'current_version': 4})
        self.assertEqual(self.call_fault('check_auth', ('auth', a)),
                         ('Client', 'Mailbox locked.'))
        self.assertEqual(self.call('check_auth', ('auth', a)), {'result': 'active'})

    def test_log_shows_operation_soapaction_and_parameters(self):
        address, a = self.fresh()
        self.admin('POST', '/admin/log/clear', {})
        self.call('get_new_messages', ('auth', a), ('header_num', 3), ('hostkey', None),
                  ('max', 2))
        self.call_fault('check_auth', ('auth', auth(address, 'wrong')))
        first, second = self.admin('GET', '/admin/log')[1]
        self.assertEqual((first['operation'], first['status'], first['soapaction']),
                         ('get_new_messages', 200,
                          '"http://qphost.dev/soap/public.php/get_new_messages"'))
        self.assertEqual(first['params'], {
            'auth': {'user_id': address, 'password': 'pass word'}, 'header_num': 3,
            'hostkey': None, 'max': 2})
        self.assertEqual((second['operation'], second['status'], second['fault']),
                         ('check_auth', 500, {'faultcode': 'Client', 'faultstring': WRONG}))

    def test_escaped_text_is_read_back_and_kept_alive_http10_connections_reused(self):
        text = '<&>"\'\n\t\u00e9\U0001F600'
        body = envelope('get_version', [('client', text)])
        self.assertIn(b'&lt;&amp;&gt;"\'&#x000A;&#x0009;&#x00E9;&#x01F600;', body)
        self.admin('POST', '/admin/log/clear', {})
        request = (b'POST /soap/public.php?version=1 HTTP/1.0\r\nConnection: Keep-Alive\r\n'
                   b'SOAPAction: "http://qphost.dev/soap/public.php/get_version"\r\n'
                   b'Content-Type: text/xml; charset=utf-8\r\n'
                   + f'Content-Length: {len(body)}\r\n\r\n'.encode() + body)
        with socket.create_connection(('127.0.0.1', self.port), timeout=30) as conn:
            for _ in range(2):
                conn.sendall(request)
                response = http.client.HTTPResponse(conn)
                response.begin()
                self.assertEqual(response.status, 200)
                self.assertEqual(decode_response(response.read(), 'get_version'),
                                 {'current_version': 4})
        log = self.admin('GET', '/admin/log')[1]
        self.assertEqual([e['params']['client'] for e in log], [text, text])
        self.assertEqual(log[0]['peer_port'], log[1]['peer_port'], 'one connection')


class AnswerStyleTest(HostCase):
    """The switches change how answers look, never what they say."""

    def tearDown(self):
        self.admin('POST', '/admin/style', {n: False for n in soap.Style.NAMES})

    def answers(self):
        address = f'styled{next(_addresses)}@quillpost.com'
        a = self.add_account(address)
        for i in range(3):
            uid = self.deliver(address, subject=f'm{i}', body='x' * i)['uid']
        self.call('set_folder_watch', ('auth', a), ('path', 'INBOX'), ('watch', 1),
                  ('hostkey', 'k'))
        ops = ('get_new_messages', 'get_watch_folders', 'get_all_folders', 'get_messages',
               'check_auth', 'get_version', 'get_new_messages_count', 'apply_action')
        out = {}
        for op in ops:
            status, _, data = self.call_raw(op, requests(a, uid)[op])
            self.assertEqual(status, 200, data)
            out[op] = data
        return out

    def test_every_style_gives_the_same_values(self):
        plain = self.answers()
        expected = {op: decode_response(data, op) for op, data in plain.items()}
        for values in expected.values():
            for m in values.get('messages', ()):
                m.pop('date', None)
        styles = [{'vary_order': True}, {'xsi_types': True}, {'multiref': True},
                  {'vary_order': True, 'xsi_types': True, 'multiref': True}]
        for style in styles:
            with self.subTest(style=style):
                self.assertEqual(self.admin('POST', '/admin/style', style)[0], 200)
                styled = self.answers()
                for op, data in styled.items():
                    values = decode_response(data, op)  # checks every href target
                    for m in values.get('messages', ()):
                        m.pop('date', None)
                    # the fresh account's messages carry other uids and header numbers
                    self.assertEqual(normalise(values), normalise(expected[op]), op)
                answer = styled['get_new_messages']
                if style.get('multiref'):
                    self.assertIn(b'<messages href="#', answer)
                    self.assertIn(b'<uidstr href="#', answer)
                    self.assertIn(b'<item href="#', styled['get_all_folders'])
                else:
                    self.assertNotIn(b'href=', answer)
                self.assertEqual(b'xsi:type="xsd:int"' in answer, bool(style.get('xsi_types')))
                names = re.findall(rb'<(\w+)[ >/]', answer.split(b'Response')[1])
                self.assertEqual(names.index(b'new_unread') < names.index(b'new_header_num'),
                                 bool(style.get('vary_order')), names)
                self.admin('POST', '/admin/style', {n: False for n in soap.Style.NAMES})

    def test_style_admin_refuses_unknown_switches(self):
        for value in ({'multiref': 'yes'}, {'shuffle': True}, [True]):
            with self.subTest(value=value):
                self.assertEqual(self.admin('POST', '/admin/style', value)[0], 400)
        self.assertEqual(self.admin('GET', '/admin/style')[1],
                         {n: False for n in soap.Style.NAMES})


def normalise(values):
    """Values with the per-account numbers blanked out."""
    if isinstance(values, dict):
        return {k: None if k in ('uid', 'header_num', 'new_header_num') else normalise(v)
                for k, v in values.items()}
    if isinstance(values, list):
        return [normalise(v) for v in values]
    return values


class CommandLineStyleTest(HostCase):
    host_args = ('--vary-order', '--xsi-types', '--multiref')

    def test_switches_from_the_command_line(self):
        self.assertEqual(self.admin('GET', '/admin/style')[1],
                         {'vary_order': True, 'xsi_types': True, 'multiref': True})
        a = self.add_account('cli@quillpost.com')
        self.deliver('cli@quillpost.com', subject='hi')
        v = self.call('get_new_messages', *requests(a)['get_new_messages'])
        self.assertEqual([m['subject'] for m in v['messages']], ['hi'])


class RequestParserRobustnessTest(unittest.TestCase):
    """Mangled requests end in a Fault, never in another exception."""

    def test_mutated_requests(self):
        service = soap.Service(model.Model())
        service.model.add_account('a@b.example', 'p')
        service.model.deliver('a@b.example', 'x@y.example', 's', 'b')
        a = auth('a@b.example', 'p')
        seeds = [envelope(op, params) for op, params in requests(a).items()]
        rng = random.Random(4)
        outcomes = {'fault': 0, 'served': 0}
        for _ in range(3000):
            data = bytearray(rng.choice(seeds))
            for _ in range(rng.randint(1, 4)):
                i = rng.randrange(len(data))
                kind = rng.randrange(3)
                if kind == 0:
                    data[i] = rng.choice(b'<>/&"=:#x01[] \x00\xff')
                elif kind == 1:
                    del data[i:i + rng.randint(1, 8)]
                else:
                    j = rng.randrange(len(data))
                    data[i:i] = data[j:j + rng.randint(1, 40)]
            try:
                request = soap.parse_request(bytes(data))
                values = service.call(request, 'http://127.0.0.1:1')
                soap.response(request.operation, values, soap.Style(True, True, True))
                outcomes['served'] += 1
            except soap.Fault:
                outcomes['fault'] += 1
        self.assertGreater(outcomes['fault'], 0)
        self.assertGreater(outcomes['served'], 0)


if __name__ == '__main__':
    unittest.main()
