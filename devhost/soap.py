"""The stand-in host's SOAP service: request parsing, the operations, answers.

Requests are read with Python's own XML parser and checked strictly against
the operation tables below, so that a fault in the desktop client's encoder
shows up here as a Client fault instead of being shared by both sides.
Answers are rpc/encoded SOAP 1.1 envelopes; a Style can make them look like
those of other real servers (reversed element order, xsi:type attributes,
href/id multi-references).
"""

import base64
import binascii
import re
import secrets
import urllib.parse
import xml.etree.ElementTree as ET

SOAP_ENV = 'http://schemas.xmlsoap.org/soap/envelope/'
SOAP_ENC = 'http://schemas.xmlsoap.org/soap/encoding/'
XSI = 'http://www.w3.org/2001/XMLSchema-instance'
XSD = 'http://www.w3.org/2001/XMLSchema'
SERVICE_NS = 'QPTSoapNS'
WRONG_CREDENTIALS = 'Wrong e-mail address or password.'

SIMPLE = ('string', 'int', 'boolean', 'base64Binary')
NULLABLE = ('string', 'base64Binary')

# Records and operations as the client's description tables have them: a type
# is a simple type, a record name, or either followed by "[]" for an array.
RECORDS = {
    'auth': [('user_id', 'string'), ('password', 'string')],
    'UIDSTR': [('path', 'string'), ('uid', 'string')],
    'Message': [('uidstr', 'UIDSTR'), ('date', 'int'), ('from', 'base64Binary'),
                ('from_display', 'base64Binary'), ('from_email', 'base64Binary'),
                ('subject', 'base64Binary'), ('body', 'base64Binary'), ('size', 'int'),
                ('priority', 'int'), ('has_attachment', 'boolean'), ('is_flagged', 'boolean'),
                ('is_answered', 'boolean'), ('is_seen', 'boolean'), ('is_draft', 'boolean'),
                ('is_forwarded', 'boolean'), ('header_num', 'int')],
    'Folder': [('path', 'string'), ('display_name', 'string'), ('unread', 'int'),
               ('total', 'int'), ('is_system', 'boolean'), ('is_watched', 'boolean')],
}

AUTH = ('auth', 'auth')
OPERATIONS = {  # name: (in parameters, out values), each in wire order
    'get_url': ([AUTH, ('type', 'string'), ('arg', 'string')], [('url', 'string')]),
    'set_folder_watch': ([AUTH, ('path', 'string'), ('watch', 'int'), ('hostkey', 'string')],
                         []),
    'get_new_messages_count': ([AUTH, ('header_num', 'int'), ('hostkey', 'string')],
                               [('new_header_num', 'int'), ('count', 'int')]),
    'get_all_folders': ([AUTH, ('hostkey', 'string')], [('folders', 'Folder[]')]),
    'get_messages': ([AUTH, ('messages', 'UIDSTR[]')], [('messages', 'UIDSTR[]')]),
    'get_version': ([('client', 'string')], [('current_version', 'int')]),
    'set_generic_pref': ([AUTH, ('pref', 'string'), ('value', 'string')], []),
    'apply_action': ([AUTH, ('messages', 'UIDSTR[]'), ('action', 'string'), ('arg', 'string')],
                     []),
    'get_watch_folders': ([AUTH, ('hostkey', 'string')], [('folders', 'Folder[]')]),
    'get_message_url': ([AUTH, ('message', 'UIDSTR'), ('type', 'string')], [('url', 'string')]),
    'get_folders': ([AUTH, ('paths', 'string[]'), ('hostkey', 'string')],
                    [('folders', 'Folder[]')]),
    'get_generic_pref': ([AUTH, ('pref', 'string'), ('default', 'int')], [('result', 'string')]),
    'get_auth_url': ([AUTH, ('type', 'string')], [('url', 'string')]),
    'generate_hostkey': ([], [('hostkey', 'string')]),
    'get_new_messages': ([AUTH, ('header_num', 'int'), ('hostkey', 'string'), ('max', 'int')],
                         [('new_header_num', 'int'), ('messages', 'Message[]'),
                          ('total_unread', 'int'), ('new_unread', 'int')]),
    'check_auth': ([AUTH], [('result', 'string')]),
}

MESSAGE_PAGE_TYPES = ('view', 'reply', 'replyall', 'forward')
ACTIONS = ('delete', 'purge', 'markRead', 'markSpam', 'markRecallable')


class Fault(Exception):
    """Answered as a SOAP Fault with HTTP status 500."""

    def __init__(self, code, text):
        super().__init__(f'{code}: {text}')
        self.code = code
        self.text = text


class Style:
    """How answers are written; all off gives the plainest envelope."""

    NAMES = ('vary_order', 'xsi_types', 'multiref')

    def __init__(self, vary_order=False, xsi_types=False, multiref=False):
        self.vary_order = vary_order
        self.xsi_types = xsi_types
        self.multiref = multiref

    def describe(self):
        return {name: getattr(self, name) for name in self.NAMES}


class Request:
    def __init__(self, operation, params):
        self.operation = operation
        self.params = params


# --- reading requests --------------------------------------------------------

def local(tag):
    return tag.rsplit('}', 1)[-1]


def namespace(tag):
    return tag[1:].split('}', 1)[0] if tag.startswith('{') else ''


def parse_request(body):
    """The operation and its parameters; Fault for anything that is not a
    well-formed call of one of the operations above."""
    try:
        text = body.decode('utf-8')
    except UnicodeDecodeError:
        raise Fault('Client', 'The request is not UTF-8.')
    # The host is reachable by anything that can post to it: no document type
    # declarations, hence no entity expansion at all.
    if re.search(r'<!\s*(DOCTYPE|ENTITY)', text, re.IGNORECASE):
        raise Fault('Client', 'Document type and entity declarations are not accepted.')
    try:
        root = ET.fromstring(text.lstrip('\ufeff'))
    except ET.ParseError as e:
        raise Fault('Client', f'malformed request envelope: {e}')
    if local(root.tag) != 'Envelope':
        raise Fault('Client', 'The request is not a SOAP envelope.')
    if namespace(root.tag) != SOAP_ENV:
        raise Fault('VersionMismatch', 'The envelope is not in the SOAP 1.1 namespace.')
    body_element = None
    for child in root:
        if child.tag == f'{{{SOAP_ENV}}}Header' and body_element is None:
            for entry in child:
                if entry.get(f'{{{SOAP_ENV}}}mustUnderstand', '0').strip() in ('1', 'true'):
                    raise Fault('MustUnderstand', f'Header {local(entry.tag)} not understood.')
        elif child.tag == f'{{{SOAP_ENV}}}Body' and body_element is None:
            body_element = child
        else:
            raise Fault('Client', f'Unexpected element {local(child.tag)} in the envelope.')
    if body_element is None or len(body_element) == 0:
        raise Fault('Client', 'The envelope has no operation in its Body.')
    call = body_element[0]
    name = local(call.tag)
    if namespace(call.tag) != SERVICE_NS:
        raise Fault('Client', f'Operation {name} is not in the namespace {SERVICE_NS}.')
    if name not in OPERATIONS:
        raise Fault('Client', f'Unknown operation {name}.')
    ids = {e.get('id'): e for e in body_element.iter() if e.get('id') is not None}
    reader = _Reader(ids)
    return Request(name, reader.fields(call, OPERATIONS[name][0], f'{name}'))


class _Reader:
    def __init__(self, ids):
        self.ids = ids
        self.used = set()

    def target(self, element, where):
        href = element.get('href')
        if href is None:
            return element
        key = href[1:] if href.startswith('#') else href
        if key in self.used or key not in self.ids:
            raise Fault('Client', f'{where}: unresolvable or repeated href {href}.')
        self.used.add(key)
        return self.ids[key]

    def fields(self, element, table, where):
        types = dict(table)
        seen = {}
        for child in element:
            name = local(child.tag)
            if name not in types:
                raise Fault('Client', f'{where}: unexpected element {name}.')
            if name in seen:
                raise Fault('Client', f'{where}: {name} given twice.')
            seen[name] = self.value(child, types[name], f'{where}.{name}')
        missing = [name for name, _ in table if name not in seen]
        if missing:
            raise Fault('Client', f'{where}: missing {", ".join(missing)}.')
        return {name: seen[name] for name, _ in table}

    def value(self, element, kind, where):
        if element.get(f'{{{XSI}}}nil', '').strip() in ('1', 'true'):
            if kind in NULLABLE or kind.endswith('[]'):
                return None
            raise Fault('Client', f'{where}: a {kind} cannot be nil.')
        if kind.endswith('[]'):
            return self.array(self.target(element, where), kind[:-2], where)
        if kind in RECORDS:
            return self.fields(self.target(element, where), RECORDS[kind], where)
        if len(element):
            raise Fault('Client', f'{where}: a {kind} holds no elements.')
        text = element.text or ''
        if kind == 'int':
            if not re.fullmatch(r'\s*[+-]?[0-9]+\s*', text) or not (
                    -2**31 <= int(text) < 2**31):
                raise Fault('Client', f'{where}: {text!r} is not an int.')
            return int(text)
        if kind == 'boolean':
            if text not in ('true', 'false', '1', '0'):
                raise Fault('Client', f'{where}: {text!r} is not a boolean.')
            return text in ('true', '1')
        if kind == 'base64Binary':
            try:
                return base64.b64decode(text) if text else None
            except binascii.Error:
                raise Fault('Client', f'{where}: not base64.')
        return text

    def array(self, element, item_kind, where):
        declared = element.get(f'{{{SOAP_ENC}}}arrayType')
        match = re.fullmatch(r'\s*[^\[]*\[([0-9]+)\]\s*', declared or '')
        if not match:
            raise Fault('Client', f'{where}: an array needs soapenc:arrayType with its size.')
        if int(match.group(1)) != len(element):
            raise Fault('Client', f'{where}: arrayType says {match.group(1)} items, '
                                  f'{len(element)} given.')
        return [self.value(item, item_kind, f'{where}[{i}]') for i, item in enumerate(element)]


# --- writing answers ------------------------------------------------------------

_INVALID_XML = re.compile('[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff]')


def escape(text):
    text = _INVALID_XML.sub('\ufffd', text)
    return text.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


def qualified_type(kind):
    return f'ns:{kind}' if kind in RECORDS else f'xsd:{kind}'


class _Writer:
    def __init__(self, style):
        self.style = style
        self.targets = []  # multi-reference targets, written after the response

    def order(self, table):
        return list(reversed(table)) if self.style.vary_order else list(table)

    def type_attr(self, kind):
        return f' xsi:type="{qualified_type(kind)}"' if self.style.xsi_types else ''

    def refer(self, name, render):
        """A href element now, its target after the response element. The
        slot is taken before the content is rendered, so every target comes
        after the element that refers to it."""
        slot = len(self.targets)
        self.targets.append(None)
        ident = f'id{slot + 1}'
        self.targets[slot] = render(ident)
        return f'<{name} href="#{ident}"/>'

    def value(self, name, kind, value):
        if value is None:
            return f'<{name} xsi:nil="true"/>'
        if kind.endswith('[]'):
            item = kind[:-2]
            size = f' soapenc:arrayType="{qualified_type(item)}[{len(value)}]"'
            array_type = ' xsi:type="soapenc:Array"' if self.style.xsi_types else ''

            def content():
                return ''.join(self.value('item', item, v) for v in value)
            if self.style.multiref:
                return self.refer(name, lambda ident: (
                    f'<soapenc:Array id="{ident}" soapenc:root="0"{array_type}{size}>'
                    f'{content()}</soapenc:Array>'))
            return f'<{name}{array_type}{size}>{content()}</{name}>'
        if kind in RECORDS:
            def fields():
                return ''.join(self.value(field, field_kind, value[field])
                               for field, field_kind in self.order(RECORDS[kind]))
            if self.style.multiref:
                return self.refer(name, lambda ident: (
                    f'<ns:{kind} id="{ident}" soapenc:root="0"{self.type_attr(kind)}>'
                    f'{fields()}</ns:{kind}>'))
            return f'<{name}{self.type_attr(kind)}>{fields()}</{name}>'
        if kind == 'boolean':
            text = 'true' if value else 'false'
        elif kind == 'int':
            text = str(int(value))
        elif kind == 'base64Binary':
            data = value.encode('utf-8') if isinstance(value, str) else value
            text = base64.b64encode(data).decode('ascii')
        else:
            text = escape(value)
        return f'<{name}{self.type_attr(kind)}>{text}</{name}>'


def _envelope(content):
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            f'<soap:Envelope xmlns:soap="{SOAP_ENV}" xmlns:soapenc="{SOAP_ENC}" '
            f'xmlns:xsd="{XSD}" xmlns:xsi="{XSI}" xmlns:ns="{SERVICE_NS}" '
            f'soap:encodingStyle="{SOAP_ENC}"><soap:Body>{content}</soap:Body>'
            '</soap:Envelope>').encode('utf-8')


def response(operation, values, style):
    writer = _Writer(style)
    outs = writer.order(OPERATIONS[operation][1])
    inner = ''.join(writer.value(name, kind, values[name]) for name, kind in outs)
    return _envelope(f'<ns:{operation}Response xmlns:ns="{SERVICE_NS}">{inner}'
                     f'</ns:{operation}Response>' + ''.join(writer.targets))


def fault(code, text):
    return _envelope(f'<soap:Fault><faultcode>soap:{escape(code)}</faultcode>'
                     f'<faultstring>{escape(text)}</faultstring></soap:Fault>')


# --- the operations ----------------------------------------------------------------

class Service:
    """Runs one parsed request against the model; answers with the out values
    by name, or raises Fault."""

    def __init__(self, model):
        self.model = model

    def call(self, request, base_url):
        handler = getattr(self, 'op_' + request.operation)
        with self.model.lock:
            return handler(base_url, **request.params)

    # helpers

    def account(self, auth, active=True):
        account = self.model.authenticate(auth['user_id'], auth['password'])
        if account is None:
            raise Fault('Client', WRONG_CREDENTIALS)
        if active and account.status != 'active':
            raise Fault('Client', f'The account {account.address} is {account.status}.')
        return account

    @staticmethod
    def message_record(m):
        body = m.body.encode('utf-8')
        return {'uidstr': {'path': m.folder, 'uid': m.uid}, 'date': m.received,
                'from': m.sender, 'from_display': m.display, 'from_email': m.email,
                'subject': m.subject, 'body': body, 'size': len(body), 'priority': 3,
                'has_attachment': False, 'is_flagged': False, 'is_answered': False,
                'is_seen': not m.unread, 'is_draft': False, 'is_forwarded': False,
                'header_num': m.header_num}

    @staticmethod
    def folder_record(account, path, hostkey):
        messages = account.folders[path]
        return {'path': path, 'display_name': path, 'unread': sum(m.unread for m in messages),
                'total': len(messages), 'is_system': path in ('INBOX', 'Trash', 'Spam'),
                'is_watched': path in account.watched.get(hostkey or '', ())}

    # the operations the notifier calls

    def op_check_auth(self, base, auth):
        # A known account answers its status; the caller accepts only "active".
        return {'result': self.account(auth, active=False).status}

    def op_get_new_messages(self, base, auth, header_num, hostkey, max):
        account = self.account(auth)
        unread = account.unread_inbox()
        new = sorted((m for m in unread if m.header_num > header_num),
                     key=lambda m: m.header_num)
        shown = new[-max:] if max > 0 else []
        return {'new_header_num': account.header_counter,
                'messages': [self.message_record(m) for m in shown],
                'total_unread': len(unread), 'new_unread': len(new)}

    def op_get_auth_url(self, base, auth, type):
        account = self.account(auth)
        if self.model.page_url is not None:
            return {'url': self.model.page_url}
        user = urllib.parse.quote(account.address)
        pages = {'index': f'{base}/index.php?user={user}',
                 'settings': f'{base}/mail/Settings?user={user}'}
        if type not in pages:
            raise Fault('Client', f'Unknown page type {type!r}.')
        return {'url': pages[type]}

    def op_get_message_url(self, base, auth, message, type):
        account = self.account(auth)
        if self.model.page_url is not None:
            return {'url': self.model.page_url}
        user = urllib.parse.quote(account.address)
        if type == 'compose':
            # The hand-off appends "&compose_args=..." to this address.
            return {'url': f'{base}/compose.php?user={user}'}
        if type not in MESSAGE_PAGE_TYPES:
            raise Fault('Client', f'Unknown page type {type!r}.')
        if message['path'] is None or message['uid'] is None:
            raise Fault('Client', 'A message page needs the path and uid of the message.')
        path = urllib.parse.quote(message['path'], safe='')
        uid = urllib.parse.quote(message['uid'], safe='')
        page = 'view.php' if type == 'view' else 'compose.php'
        return {'url': f'{base}/{page}?path={path}&uid={uid}&type={type}&user={user}'}

    def op_get_generic_pref(self, base, auth, pref, default):
        account = self.account(auth)
        if pref is None:
            raise Fault('Client', 'No preference named.')
        return {'result': account.preference(pref, str(default))}

    def op_apply_action(self, base, auth, messages, action, arg):
        account = self.account(auth)
        if action not in ACTIONS:
            raise Fault('Client', f'Unknown action {action!r}.')
        if action == 'delete' and account.preference('no_trash', '0')[:1] not in ('', '0'):
            action = 'purge'
        for ident in messages or ():
            message = account.find(ident['path'], ident['uid'])
            if message is None:
                continue  # already gone: acting on it again changes nothing
            if action == 'purge' or (action == 'delete' and message.folder == 'Trash'):
                account.purge(message)
            elif action == 'delete':
                account.move(message, 'Trash')
            elif action == 'markRead':
                message.unread = False
            elif action == 'markSpam':
                message.spam = True
                if message.folder != 'Spam':
                    account.move(message, 'Spam')
            else:
                message.recallable = True
        return {}

    def op_get_watch_folders(self, base, auth, hostkey):
        account = self.account(auth)
        watched = account.watched.get(hostkey or '', set())
        return {'folders': [self.folder_record(account, path, hostkey)
                            for path in account.folders if path in watched]}

    def op_set_folder_watch(self, base, auth, path, watch, hostkey):
        account = self.account(auth)
        if path not in account.folders:
            raise Fault('Client', f'No folder {path!r}.')
        watched = account.watched.setdefault(hostkey or '', set())
        if watch:
            watched.add(path)
        else:
            watched.discard(path)
        return {}

    def op_get_version(self, base, client):
        return {'current_version': self.model.client_version}

    def op_get_url(self, base, auth, type, arg):
        # Help pages are public: the settings dialog may have no account yet.
        if type != 'help':
            self.account(auth)
            raise Fault('Client', f'Unknown page type {type!r}.')
        if self.model.page_url is not None:
            return {'url': self.model.page_url}
        topic = urllib.parse.quote(arg or '', safe='')
        return {'url': f'{base}/help.php?topic={topic}'}

    # the others of the service description

    def op_generate_hostkey(self, base):
        return {'hostkey': secrets.token_hex(16)}

    def op_get_folders(self, base, auth, paths, hostkey):
        account = self.account(auth)
        return {'folders': [self.folder_record(account, p, hostkey)
                            for p in paths or () if p in account.folders]}

    def op_get_all_folders(self, base, auth, hostkey):
        account = self.account(auth)
        return {'folders': [self.folder_record(account, p, hostkey) for p in account.folders]}

    def op_get_messages(self, base, auth, messages):
        account = self.account(auth)
        return {'messages': [i for i in messages or ()
                             if account.find(i['path'], i['uid']) is not None]}

    def op_get_new_messages_count(self, base, auth, header_num, hostkey):
        account = self.account(auth)
        count = sum(m.header_num > header_num for m in account.unread_inbox())
        return {'new_header_num': account.header_counter, 'count': count}

    def op_set_generic_pref(self, base, auth, pref, value):
        account = self.account(auth)
        if pref is None or value is None:
            raise Fault('Client', 'A preference needs a name and a value.')
        account.preferences[pref] = value
        return {}
