"""Shared pieces of the stand-in host's tests: the host as a real process, a
request encoder that writes what the desktop client writes, and a response
reader that checks the envelope as the client's decoder would.

Both sides are written here from the service contract on purpose and share
nothing with devhost/, so the tests check the host rather than restate it.
"""

import base64
import collections
import http.client
import json
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

HOST_SCRIPT = os.path.join(os.path.dirname(__file__), '..', '..', 'devhost', 'qphost.py')
SOAP_ENV = 'http://schemas.xmlsoap.org/soap/envelope/'
SOAP_ENC = 'http://schemas.xmlsoap.org/soap/encoding/'
XSI = 'http://www.w3.org/2001/XMLSchema-instance'
NS = 'QPTSoapNS'
SOAP_PATH = '/soap/public.php?version=1'

ENVELOPE_OPEN = (
    '<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"'
    ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
    ' xmlns:xsd="http://www.w3.org/2001/XMLSchema"'
    ' xmlns:soapenc="http://schemas.xmlsoap.org/soap/encoding/">'
    '<soap:Body soap:encodingStyle="http://schemas.xmlsoap.org/soap/encoding/">')
ENVELOPE_CLOSE = '</soap:Body></soap:Envelope>'

# The out values and record fields of the service, by name and type.
RECORDS = {
    'UIDSTR': {'path': 'string', 'uid': 'string'},
    'Message': {'uidstr': 'UIDSTR', 'date': 'int', 'from': 'base64Binary',
                'from_display': 'base64Binary', 'from_email': 'base64Binary',
                'subject': 'base64Binary', 'body': 'base64Binary', 'size': 'int',
                'priority': 'int', 'has_attachment': 'boolean', 'is_flagged': 'boolean',
                'is_answered': 'boolean', 'is_seen': 'boolean', 'is_draft': 'boolean',
                'is_forwarded': 'boolean', 'header_num': 'int'},
    'Folder': {'path': 'string', 'display_name': 'string', 'unread': 'int', 'total': 'int',
               'is_system': 'boolean', 'is_watched': 'boolean'},
}
OUTS = {
    'check_auth': {'result': 'string'},
    'get_new_messages': {'new_header_num': 'int', 'messages': 'Message[]',
                         'total_unread': 'int', 'new_unread': 'int'},
    'get_auth_url': {'url': 'string'},
    'get_message_url': {'url': 'string'},
    'get_generic_pref': {'result': 'string'},
    'apply_action': {},
    'get_watch_folders': {'folders': 'Folder[]'},
    'set_folder_watch': {},
    'get_version': {'current_version': 'int'},
    'get_url': {'url': 'string'},
    'generate_hostkey': {'hostkey': 'string'},
    'get_folders': {'folders': 'Folder[]'},
    'get_all_folders': {'folders': 'Folder[]'},
    'get_messages': {'messages': 'UIDSTR[]'},
    'get_new_messages_count': {'new_header_num': 'int', 'count': 'int'},
    'set_generic_pref': {},
}

Array = collections.namedtuple('Array', 'kind items')  # kind: 'UIDSTR' or 'string'


def auth(user, password):
    return [('user_id', user), ('password', password)]


def uidstr(path, uid):
    return [('path', path), ('uid', uid)]


def escape(text):
    out = []
    for ch in text:
        if ch == '&':
            out.append('&amp;')
        elif ch == '<':
            out.append('&lt;')
        elif ch == '>':
            out.append('&gt;')
        elif 0x20 <= ord(ch) <= 0x7e:
            out.append(ch)
        elif ord(ch) > 0xffff:
            out.append(f'&#x{ord(ch):06X};')
        else:
            out.append(f'&#x{ord(ch):04X};')
    return ''.join(out)


def encode_value(name, value):
    if value is None:
        return f'<{name} xsi:nil="1"/>'
    if isinstance(value, bool):
        return f'<{name}>{"true" if value else "false"}</{name}>'
    if isinstance(value, int):
        return f'<{name}>{value}</{name}>'
    if isinstance(value, str):
        return f'<{name}>{escape(value)}</{name}>'
    if isinstance(value, Array):
        n = len(value.items)
        if value.kind == 'string':
            items = ''.join('<string xsi:nil="1"></string>' if v is None
                            else f'<string>{escape(v)}</string>' for v in value.items)
            return f'<{name} soapenc:arrayType="xsd:string[{n}]">{items}</{name}>'
        items = ''.join(encode_value(f'snp:{value.kind}', v) for v in value.items)
        return (f'<{name} xmlns:q1="{NS}" soapenc:arrayType="q1:{value.kind}[{n}]">'
                f'{items}</{name}>')
    fields = ''.join(encode_value(n, v) for n, v in value)
    return f'<{name}>{fields}</{name}>'


def envelope(operation, params):
    """The request as the client writes it; params: list of (name, value)."""
    inner = ''.join(encode_value(n, v) for n, v in params)
    return (f'{ENVELOPE_OPEN}<snp:{operation} xmlns:snp="{NS}">{inner}</snp:{operation}>'
            f'{ENVELOPE_CLOSE}').encode('ascii')


class EnvelopeError(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise EnvelopeError(message)


def decode_response(data, operation):
    """The out values of an answer by name, read with xml.etree; raises
    EnvelopeError for anything the client's decoder would refuse."""
    root = ET.fromstring(data)
    check(root.tag == f'{{{SOAP_ENV}}}Envelope', 'document element is not Envelope')
    bodies = root.findall(f'{{{SOAP_ENV}}}Body')
    check(len(bodies) == 1 and len(bodies[0]) >= 1, 'no Body with a response')
    body = bodies[0]
    order = {id(e): i for i, e in enumerate(body.iter())}
    ids = {e.get('id'): e for e in body.iter() if e.get('id') is not None}
    used = set()

    def deref(element):
        href = element.get('href')
        if href is None:
            return element
        key = href[1:] if href.startswith('#') else href
        check(key in ids, f'href {href} has no target')
        check(key not in used, f'href {href} used twice')
        check(order[id(ids[key])] > order[id(element)], f'target of {href} comes first')
        used.add(key)
        return ids[key]

    def value(element, kind, where):
        if element.get(f'{{{XSI}}}nil') in ('true', '1'):
            check(kind in ('string', 'base64Binary') or kind.endswith('[]'),
                  f'{where}: nil {kind}')
            return None
        if kind.endswith('[]'):
            element = deref(element)
            declared = element.get(f'{{{SOAP_ENC}}}arrayType', '')
            match = re.fullmatch(r'\s*ns:(\w+)\[(\d+)\]', declared)
            check(match is not None, f'{where}: arrayType {declared!r}')
            check(match.group(1) == kind[:-2], f'{where}: item type {match.group(1)}')
            check(int(match.group(2)) == len(element), f'{where}: arrayType size')
            return [value(item, kind[:-2], f'{where}[{i}]') for i, item in enumerate(element)]
        if kind in RECORDS:
            element = deref(element)
            return fields(element, RECORDS[kind], where)
        text = element.text or ''
        check(len(element) == 0, f'{where}: simple value with children')
        if kind == 'int':
            check(re.fullmatch(r'-?[0-9]+', text) is not None, f'{where}: int {text!r}')
            number = int(text)
            check(-2**31 <= number < 2**31, f'{where}: int out of range')
            return number
        if kind == 'boolean':
            check(text in ('true', 'false'), f'{where}: boolean {text!r}')
            return text == 'true'
        if kind == 'base64Binary':
            check(re.fullmatch(r'[A-Za-z0-9+/]*={0,2}', text) is not None,
                  f'{where}: base64 {text!r}')
            return base64.b64decode(text).decode('utf-8') if text else None
        return text

    def fields(element, table, where):
        names = [child.tag.rsplit('}', 1)[-1] for child in element]
        check(sorted(names) == sorted(table), f'{where}: fields {names}')
        return {name: value(child, table[name], f'{where}.{name}')
                for name, child in zip(names, element)}

    response = body[0]
    check(response.tag == f'{{{NS}}}{operation}Response', f'response is {response.tag}')
    values = fields(response, OUTS[operation], operation)
    check(used == set(ids), f'ids never referenced: {set(ids) - used}')
    return values


def fault_of(data):
    root = ET.fromstring(data)
    check(root.tag == f'{{{SOAP_ENV}}}Envelope', 'fault outside an envelope')
    fault = root.find(f'{{{SOAP_ENV}}}Body/{{{SOAP_ENV}}}Fault')
    check(fault is not None, 'no Fault in the Body')
    _, _, local = fault.find('faultcode').text.partition(':')
    return local, fault.find('faultstring').text


class RunningHost:
    """qphost.py as a process on a free port with the data folder `data`;
    scheme and port come from its "listening" line."""

    def __init__(self, data, args=()):
        self.proc = subprocess.Popen([sys.executable, HOST_SCRIPT, '--port', '0', '--data',
                                      data, *args], stdout=subprocess.PIPE, text=True)
        line = self.proc.stdout.readline()
        match = re.fullmatch(r'qphost listening on (https://)?127\.0\.0\.1:([0-9]+)\n', line)
        if match is None:
            self.stop()
            raise AssertionError(f'the host did not start: {line!r}')
        self.scheme = 'https' if match.group(1) else 'http'
        self.port = int(match.group(2))

    def stop(self):
        self.proc.terminate()
        self.proc.wait(timeout=10)
        self.proc.stdout.close()


class HostCase(unittest.TestCase):
    """Starts one host per test class on a free port with a temporary data dir.
    A class that sets client_context (an ssl.SSLContext) talks https to a
    host started with TLS options in host_args."""

    host_args = ()
    client_context = None

    @classmethod
    def setUpClass(cls):
        cls.data = tempfile.TemporaryDirectory()
        cls.addClassCleanup(cls.data.cleanup)
        cls.host = RunningHost(cls.data.name, cls.host_args)
        cls.addClassCleanup(cls.host.stop)
        cls.proc, cls.port, cls.scheme = cls.host.proc, cls.host.port, cls.host.scheme

    def setUp(self):
        self.admin('POST', '/admin/fail/clear', {})

    def connection(self, timeout=30):
        if self.client_context is None:
            return http.client.HTTPConnection('127.0.0.1', self.port, timeout=timeout)
        return http.client.HTTPSConnection('127.0.0.1', self.port, timeout=timeout,
                                           context=self.client_context)

    def request(self, method, path, body=None, headers=None):
        conn = self.connection()
        try:
            conn.request(method, path, body=body, headers=headers or {})
            response = conn.getresponse()
            return response.status, response.getheader('Content-Type'), response.read()
        finally:
            conn.close()

    def admin(self, method, path, value=None):
        body = None if value is None else json.dumps(value).encode()
        status, _, data = self.request(method, path, body, {'Content-Type': 'application/json'})
        return status, json.loads(data)

    def post_soap(self, body, action):
        headers = {'Content-Type': 'text/xml; charset=utf-8'}
        if action is not None:
            headers['SOAPAction'] = action
        return self.request('POST', SOAP_PATH, body, headers)

    def call_raw(self, operation, params=()):
        return self.post_soap(envelope(operation, params),
                              f'"http://qphost.dev/soap/public.php/{operation}"')

    def call(self, operation, *params):
        """The decoded out values of a call that must succeed."""
        status, content_type, data = self.call_raw(operation, params)
        self.assertEqual(status, 200, data)
        self.assertTrue(content_type.startswith('text/xml'), content_type)
        return decode_response(data, operation)

    def call_fault(self, operation, *params):
        """(faultcode local part, faultstring) of a call that must fail."""
        status, content_type, data = self.call_raw(operation, params)
        self.assertEqual(status, 500, data)
        return fault_of(data)

    def add_account(self, address, password='pw', status='active'):
        reply = self.admin('POST', '/admin/accounts',
                           {'address': address, 'password': password, 'status': status})
        self.assertEqual(reply, (200, {'ok': True}))
        return auth(address, password)

    def deliver(self, to, **fields):
        status, reply = self.admin('POST', '/admin/deliver', {'to': to, **fields})
        self.assertEqual(status, 200, reply)
        return reply

    def mailbox(self, address):
        status, reply = self.admin('GET', '/admin/messages?address=' + address)
        self.assertEqual(status, 200, reply)
        return reply
