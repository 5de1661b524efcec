#!/usr/bin/env python3
"""A stand-in Quillpost mail host for the demo, the tests and trying the
desktop programs without a real service.

It fakes what the notifier and the browser control rely on from the host:

- the SOAP service at /soap/public.php?version=1 (below);
- web-mail pages whose titles follow the service's conventions: the index
  "Quillpost :: Mail Index" (/ and /index.php), every other page
  "Quillpost :: ...": /view.php (Message), /view_print_multi.php (Quick View),
  /compose.php (Compose, shows its compose_args), /help.php (Help, shows its
  topic), /mail/NAME (NAME), anything else a 404 "Quillpost :: Not Found";
- the setup packages /qptnsetup_<edition>.msi, served from the data folder
  (stand-ins for QX and PL are written there when missing);
- mail attachments at /download.php?id=N (GET or HEAD), stored through the
  admin interface (below);
- an admin interface under /admin/ (JSON in and out, below).

Usage: qphost.py --port PORT --data DIR [--port-file FILE]
                 [--vary-order] [--xsi-types] [--multiref]
It listens on 127.0.0.1 only; port 0 picks a free port. Once listening it
prints "qphost listening on 127.0.0.1:PORT". Every request except those of the
admin interface is logged, in memory and to DIR/requests.log (JSON lines).

SOAP service (soap.py). POST /soap/public.php?version=1 (another or no version
is a Client fault). Requests are SOAP 1.1 rpc/encoded envelopes, parsed with
xml.etree: the operation element in the namespace "QPTSoapNS", every in
parameter present exactly once (by name, any order), xsi:nil="1" for null
strings and arrays, arrays with soapenc:arrayType whose size matches. A body
that is not UTF-8 or holds "<!DOCTYPE" or "<!ENTITY" is refused before
parsing. A SOAPAction header, when present and not empty, must name the
operation as the last part of its URL (".../soap/public.php/check_auth" or
"QPTSoapNS#check_auth"), else a Client fault; a missing one is accepted.
All sixteen operations are served:
  check_auth            result: the account's status ("active", "suspended")
  get_new_messages      unread INBOX messages above header_num, the newest max
                        of them (oldest first); new_unread counts all of them,
                        total_unread the unread INBOX, new_header_num the
                        account's counter
  get_auth_url          type "index" or "settings"
  get_message_url       type view -> /view.php?path=P&uid=U&type=view&user=A,
                        reply/replyall/forward -> /compose.php?path=P&uid=U&...,
                        compose (nil path and uid) -> /compose.php?user=A, to
                        which the caller appends "&compose_args=..."
  get_url               type "help", arg a topic -> /help.php?topic=N (no
                        valid account needed)
  get_generic_pref      the preference, or str(default) when not set
  set_generic_pref      sets it
  apply_action          delete (to Trash; purge when in Trash or when the
                        preference no_trash does not start with "0"), purge,
                        markRead, markSpam (to Spam), markRecallable (flag);
                        identities that match no message are skipped
  get_watch_folders     the folders watched for the host key (nil = "")
  set_folder_watch      watch 0 or not for an existing folder and host key
  get_version           the current client version (4 unless set)
  generate_hostkey      32 hex digits
  get_folders, get_all_folders, get_messages (the identities that still
  exist), get_new_messages_count
Page addresses are absolute, on this host: http://127.0.0.1:PORT/...
Answers: status 200, <ns:OPResponse xmlns:ns="QPTSoapNS"> with the out values
by name, arrays soapenc:arrayType="ns:Message[n]" with item elements,
base64Binary as base64 of UTF-8. Faults: status 500, faultcode soap:Client
(wrong credentials: "Wrong e-mail address or password."; inactive account,
bad request), soap:VersionMismatch, soap:MustUnderstand or soap:Server.
The style switches (command line or /admin/style) reverse the order of out
values and record fields, add xsi:type to every value, and send arrays and
records as href/id multi-references after the response element.

Admin interface (JSON bodies; {"error": ...} with 400 for bad input, 404 for
an unknown account or path):
  GET  /admin/health            {"ok": true}
  GET  /admin/log               the request log: method, path, peer_port (the
                                client's port, one per connection), headers,
                                status, and for SOAP calls operation, soapaction,
                                params (as parsed, null for nil) and fault
  POST /admin/log/clear         {}
  GET  /admin/accounts          address, status, header_counter, per-folder
                                message and unread counts, preferences, watched
  POST /admin/accounts          {"address", "password", "status": "active"}:
                                adds an account, or changes the password and
                                status of an existing one keeping its mail
  GET  /admin/messages?address=A  per folder the messages with their flags
  POST /admin/deliver           {"to", "from": "Name <addr>", "from_display",
                                "subject", "body", "folder": "INBOX",
                                "unread": true, "date": seconds since 1970
                                (now unless given)} -> {"header_num", "uid", "path"}
  POST /admin/version           {"version": 5}
  POST /admin/pref              {"address", "name", "value"}
  GET|POST /admin/style         {"vary_order", "xsi_types", "multiref"}: booleans
  GET  /admin/fail              the failure rules in force
  POST /admin/fail              {"operation": "*" or a name, "mode": fault |
                                status500garbage | notfound | slow | drop |
                                oversize (a 40 MiB answer that never ends
                                its element),
                                "count": calls (default: until cleared),
                                "seconds": 5 (slow: delay, then the real
                                answer), "faultcode": "Server",
                                "faultstring": "operation failed"}
  POST /admin/fail/clear        {}
  POST /admin/attachment        {"name": any string, and either "base64": the
                                bytes, or "size": N (N pseudo-random bytes, the
                                same for the same name and size)}
                                -> {"id", "url", "size", "sha256" (hex)};
                                how the download is served, optional:
                                "content_length": false (no Content-Length
                                header; the body ends when the host closes
                                the connection), "fail": "status500" (500
                                and a short HTML page) or "drop" (the full
                                Content-Length announced, the first half of
                                the bytes sent, then the connection closed;
                                an empty attachment closes after the
                                headers), "delay_ms": a pause between
                                chunks (0 to 60000; chunks of 64 KiB unless
                                paced), "bytes_per_second": N (the body
                                paced to N, in tenth-of-a-second chunks);
                                any other field is a 400
  GET  /admin/attachments       [{"id", "name", "size", "sha256", "url"}]

Attachments (attachments.py). Ids count up from 1 in the order of storing.
The bytes are kept in DIR/attachments/ by id, never by name (so any name is
safe), and stream to and from disk in chunks; the names and options live in
memory like the rest of the host, and the files of an earlier run are removed
at start. GET /download.php?id=N answers 200, Content-Type
application/octet-stream and Content-Length (unless the options say
otherwise); an id that is missing, malformed (digits only, no leading zero)
or not stored is a 404 "Quillpost :: Not Found" page. Downloads are logged
like pages, with the status at the time the headers went out.
"""

import argparse
import html
import json
import os
import re
import signal
import socket
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import attachments  # noqa: E402
import soap  # noqa: E402
from model import Model  # noqa: E402

MAX_BODY = 16 * 1024 * 1024
FAIL_MODES = ('fault', 'status500garbage', 'notfound', 'slow', 'drop', 'oversize')
# What the oversize mode answers: more than any client should keep.
OVERSIZE_BYTES = 40 * 1024 * 1024
ATTACHMENT_FIELDS = {'name', 'base64', 'size', 'content_length', 'fail', 'delay_ms',
                     'bytes_per_second'}


class Failures:
    """Misbehaviour asked for through /admin/fail, per operation or for all."""

    def __init__(self):
        self.lock = threading.Lock()
        self.rules = []

    def add(self, rule):
        with self.lock:
            self.rules.append(rule)

    def describe(self):
        with self.lock:
            return [dict(rule) for rule in self.rules]

    def clear(self):
        with self.lock:
            self.rules.clear()

    def take(self, operation):
        """The rule that applies to this call, counting it down."""
        with self.lock:
            for rule in self.rules:
                if rule['operation'] in ('*', operation):
                    if rule['count'] is not None:
                        rule['count'] -= 1
                        if rule['count'] <= 0:
                            self.rules.remove(rule)
                    return dict(rule)
        return None


SETUP_PLACEHOLDER = b'Stand-in for the Quillpost Desktop Notifier setup package, edition '


class Host:
    def __init__(self, data_dir, style=None):
        self.data_dir = data_dir
        self.model = Model()
        self.service = soap.Service(self.model)
        self.style = style or soap.Style()
        self.failures = Failures()
        self.log_lock = threading.Lock()
        self.log = []
        os.makedirs(data_dir, exist_ok=True)
        self.log_path = os.path.join(data_dir, 'requests.log')
        self.attachments = attachments.Attachments(os.path.join(data_dir, 'attachments'))
        # The two editions' packages, as small stand-ins unless the data
        # folder holds real ones.
        for edition in ('QX', 'PL'):
            package = os.path.join(data_dir, f'qptnsetup_{edition}.msi')
            if not os.path.exists(package):
                with open(package, 'wb') as f:
                    f.write(SETUP_PLACEHOLDER + edition.encode() + b'\n')

    def record(self, entry):
        with self.log_lock:
            self.log.append(entry)
            with open(self.log_path, 'a', encoding='utf-8') as f:
                f.write(json.dumps(entry) + '\n')


def soapaction_operation(value):
    """The operation a SOAPAction header names: the last part of its URL
    (after "/" or "#"); None when there is no header or it is empty."""
    if value is None:
        return None
    value = value.strip().strip('"').strip()
    if not value:
        return None
    return re.split(r'[/#]', value)[-1]


def page(title, content):
    return (f'<!DOCTYPE html><html><head><meta charset="utf-8"><title>{html.escape(title)}'
            f'</title></head><body><h1>{html.escape(title)}</h1>{content}</body></html>'
            ).encode('utf-8')


class DropConnection(Exception):
    """Ends the request without an answer, as a crashed server would."""


class Handler(BaseHTTPRequestHandler):
    server_version = 'qphost/1'
    protocol_version = 'HTTP/1.1'

    @property
    def host(self):
        return self.server.host

    def log_message(self, fmt, *args):  # the request log replaces stderr noise
        pass

    # --- plumbing ---------------------------------------------------------

    def read_body(self):
        length = self.headers.get('Content-Length')
        if length is None:
            return b''
        try:
            length = int(length)
        except ValueError:
            raise BadRequest(400, 'bad Content-Length')
        if length < 0 or length > MAX_BODY:
            raise BadRequest(413, 'request body too large')
        return self.rfile.read(length)

    def answer(self, status, body, content_type='text/html; charset=utf-8', headers=()):
        self.entry['status'] = status
        # Recorded before the answer goes out: a client that reads the log
        # right after its call must find the call there.
        self.record()
        self.send_response(status)
        self.send_header('Content-Type', content_type)
        self.send_header('Content-Length', str(len(body)))
        for name, value in headers:
            self.send_header(name, value)
        self.end_headers()
        if self.command != 'HEAD':
            self.wfile.write(body)

    def answer_json(self, status, value):
        self.answer(status, json.dumps(value).encode('utf-8'), 'application/json')

    def dispatch(self):
        url = urllib.parse.urlsplit(self.path)
        # peer_port tells apart the connections a client used: two calls over
        # one kept-alive connection show the same port.
        entry = {'time': time.time(), 'method': self.command, 'path': self.path,
                 'peer_port': self.client_address[1],
                 'headers': {k: v for k, v in self.headers.items()
                             if k.lower() in ('soapaction', 'content-type', 'user-agent',
                                              'host', 'content-length')}}
        self.entry = entry
        logged = not url.path.startswith('/admin/')
        self.unrecorded = logged
        try:
            body = self.read_body() if self.command == 'POST' else b''
            entry['body_length'] = len(body)
            if not logged:
                self.admin(url, body)
            elif url.path == '/soap/public.php' and self.command == 'POST':
                self.soap(url, body, entry)
            elif self.command in ('GET', 'HEAD'):
                self.pages(url)
            else:
                self.answer(405, page('Quillpost :: Not Allowed', ''))
        except BadRequest as e:
            self.answer_json(e.status, {'error': e.message})
        except DropConnection:
            entry['status'] = None
            self.record()
            self.hang_up()
        finally:
            self.record()  # a dropped connection or a fault in this host

    def hang_up(self):
        """Ends the connection at once, whatever the client still expects."""
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def record(self):
        if self.unrecorded:
            self.unrecorded = False
            self.host.record(self.entry)

    do_GET = do_POST = do_HEAD = dispatch

    # --- the SOAP service ---------------------------------------------------

    def soap(self, url, body, entry):
        entry['soapaction'] = self.headers.get('SOAPAction')
        entry['operation'] = None
        try:
            if urllib.parse.parse_qs(url.query).get('version') != ['1']:
                raise soap.Fault('Client', 'Unsupported service version.')
            request = soap.parse_request(body)
        except soap.Fault as fault:
            self.soap_fault(fault)
            return
        operation = request.operation
        entry['operation'] = operation
        entry['params'] = request.params
        rule = self.host.failures.take(operation)
        if rule is not None:
            mode = rule['mode']
            if mode == 'drop':
                raise DropConnection()
            if mode == 'notfound':
                self.answer(404, page('Quillpost :: Not Found', '<p>No such page.</p>'))
                return
            if mode == 'status500garbage':
                self.answer(500, b'Internal error <<< not xml', 'text/plain')
                return
            if mode == 'oversize':
                head = (b'<?xml version="1.0"?><e:Envelope xmlns:e="http://schemas.xmlsoap.org/'
                        b'soap/envelope/"><e:Body><ns:r xmlns:ns="QPTSoapNS"><ns:x>')
                self.answer(200, head + b'x' * (OVERSIZE_BYTES - len(head)),
                            'text/xml; charset=utf-8')
                return
            if mode == 'slow':
                time.sleep(rule['seconds'])
            else:  # fault
                self.soap_fault(soap.Fault(rule['faultcode'], rule['faultstring']))
                return
        named = soapaction_operation(entry['soapaction'])
        if named is not None and named != operation:
            self.soap_fault(soap.Fault('Client', f'SOAPAction names {named}, the body calls '
                                                 f'{operation}.'))
            return
        port = self.server.server_address[1]
        try:
            values = self.host.service.call(request, f'http://127.0.0.1:{port}')
        except soap.Fault as fault:
            self.soap_fault(fault)
            return
        except Exception as e:  # a fault in this host must still answer like a server
            self.soap_fault(soap.Fault('Server', f'internal error: {type(e).__name__}'))
            raise
        self.answer(200, soap.response(operation, values, self.host.style),
                    'text/xml; charset=utf-8')

    def soap_fault(self, fault):
        self.entry['fault'] = {'faultcode': fault.code, 'faultstring': fault.text}
        self.answer(500, soap.fault(fault.code, fault.text), 'text/xml; charset=utf-8')

    # --- web-mail pages and setup packages -----------------------------------

    def pages(self, url):
        query = urllib.parse.parse_qs(url.query)
        path = url.path
        setup = re.fullmatch(r'/qptnsetup_([A-Za-z0-9_-]+)\.msi', path)
        if path in ('/', '/index.php'):
            self.answer(200, page('Quillpost :: Mail Index', '<p>Your mailbox.</p>'))
        elif path == '/view.php':
            uid = html.escape(query.get('uid', [''])[0])
            self.answer(200, page('Quillpost :: Message', f'<p>Message {uid}</p>'))
        elif path == '/view_print_multi.php':
            uids = html.escape(query.get('list', [''])[0])
            self.answer(200, page('Quillpost :: Quick View', f'<p>Messages {uids}</p>'))
        elif path == '/help.php':
            topic = html.escape(query.get('topic', [''])[0])
            self.answer(200, page('Quillpost :: Help', f'<p id="topic">Help topic {topic}</p>'))
        elif path == '/compose.php':
            # parse_qs decodes the value once, as the web mail does.
            args = html.escape(query.get('compose_args', [''])[0])
            self.answer(200, page('Quillpost :: Compose', f'<p id="compose_args">{args}</p>'))
        elif path.startswith('/mail/'):
            name = html.escape(path[len('/mail/'):] or 'Mail')
            self.answer(200, page('Quillpost :: ' + name, ''))
        elif path == '/download.php':
            self.download(query.get('id', []))
        elif setup:
            file = os.path.join(self.host.data_dir, f'qptnsetup_{setup.group(1)}.msi')
            if os.path.isfile(file):
                with open(file, 'rb') as f:
                    self.answer(200, f.read(), 'application/x-msi')
            else:
                self.answer(404, page('Quillpost :: Not Found', '<p>No such package.</p>'))
        else:
            self.answer(404, page('Quillpost :: Not Found', '<p>No such page.</p>'))

    # --- attachments ----------------------------------------------------------------

    def download_url(self, ident):
        return f'http://127.0.0.1:{self.server.server_address[1]}/download.php?id={ident}'

    def download(self, ids):
        """Streams a stored attachment the way it was stored to be served."""
        found = None
        if len(ids) == 1 and re.fullmatch(r'[1-9][0-9]{0,17}', ids[0]):
            found = self.host.attachments.open(int(ids[0]))
        if found is None:
            self.answer(404, page('Quillpost :: Not Found', '<p>No such attachment.</p>'))
            return
        attachment, file = found
        serving = attachment.serving
        with file:
            if serving.fail == 'status500':
                self.answer(500, page('Quillpost :: Error',
                                      '<p>The attachment could not be sent.</p>'))
                return
            self.entry['status'] = 200
            self.record()
            self.send_response(200)
            self.send_header('Content-Type', 'application/octet-stream')
            if serving.content_length:
                self.send_header('Content-Length', str(attachment.size))
            else:  # the end of the connection is the end of the body
                self.send_header('Connection', 'close')
                self.close_connection = True
            self.end_headers()
            if self.command == 'HEAD':
                return
            dropping = serving.fail == 'drop'
            limit = attachment.size // 2 if dropping else attachment.size
            started = time.monotonic()
            sent = 0
            for chunk in attachments.chunks(file, limit, serving.chunk_size()):
                if sent and serving.delay_ms:
                    time.sleep(serving.delay_ms / 1000)
                if serving.bytes_per_second:
                    time.sleep(max(0.0, started + sent / serving.bytes_per_second
                                   - time.monotonic()))
                self.wfile.write(chunk)
                sent += len(chunk)
        if dropping:
            self.hang_up()

    def store_attachment(self, v):
        unknown = set(v) - ATTACHMENT_FIELDS
        if unknown:
            raise ValueError('unknown fields: ' + ', '.join(sorted(unknown)))
        name = v['name']
        if not isinstance(name, str):
            raise ValueError('name must be a string')
        if ('base64' in v) == ('size' in v):
            raise ValueError('give either base64 or size')
        serving = attachments.Serving.from_request(v)
        store = self.host.attachments
        if 'base64' in v:
            chunks = attachments.decoded(v['base64'])
        else:
            size = v['size']
            if not isinstance(size, int) or isinstance(size, bool) or size < 0:
                raise ValueError('size must be a whole number of bytes, 0 or more')
            if size > store.free_space():
                raise ValueError('size is more than the free disk space')
            chunks = attachments.generated(name, size)
        attachment = store.store(name, chunks, serving)
        return {'id': attachment.id, 'url': self.download_url(attachment.id),
                'size': attachment.size, 'sha256': attachment.sha256}

    # --- admin interface ----------------------------------------------------------

    def admin(self, url, body):
        route = (self.command, url.path)
        value = None
        if self.command == 'POST':
            try:
                value = json.loads(body.decode('utf-8') or 'null')
            except (UnicodeDecodeError, json.JSONDecodeError):
                raise BadRequest(400, 'body is not JSON')
        model = self.host.model
        try:
            if route == ('GET', '/admin/health'):
                self.answer_json(200, {'ok': True})
            elif route == ('GET', '/admin/log'):
                with self.host.log_lock:
                    self.answer_json(200, list(self.host.log))
            elif route == ('POST', '/admin/log/clear'):
                with self.host.log_lock:
                    self.host.log.clear()
                self.answer_json(200, {'ok': True})
            elif route == ('GET', '/admin/accounts'):
                self.answer_json(200, model.describe_accounts())
            elif route == ('POST', '/admin/accounts'):
                v = require(value, 'address', 'password')
                model.add_account(v['address'], v['password'], v.get('status', 'active'))
                self.answer_json(200, {'ok': True})
            elif route == ('GET', '/admin/messages'):
                address = urllib.parse.parse_qs(url.query).get('address', [''])[0]
                self.answer_json(200, model.describe_messages(address))
            elif route == ('POST', '/admin/deliver'):
                v = require(value, 'to')
                display = v.get('from_display', v.get('display_name'))
                date = v.get('date')
                if date is not None and (not isinstance(date, int) or isinstance(date, bool)
                                         or not -2**31 <= date < 2**31):
                    raise ValueError('date must be a whole number of seconds that fits in 32 bits')
                m = model.deliver(v['to'], str(v.get('from', 'sender@example.org')),
                                  str(v.get('subject', '')), str(v.get('body', '')),
                                  str(v.get('folder', 'INBOX')),
                                  None if display is None else str(display), date)
                if v.get('unread') is False:
                    m.unread = False
                self.answer_json(200, {'header_num': m.header_num, 'uid': m.uid,
                                       'path': m.folder})
            elif route == ('POST', '/admin/version'):
                model.set_client_version(require(value, 'version')['version'])
                self.answer_json(200, {'ok': True})
            elif route == ('POST', '/admin/pref'):
                v = require(value, 'address', 'name', 'value')
                model.set_preference(v['address'], v['name'], v['value'])
                self.answer_json(200, {'ok': True})
            elif route == ('GET', '/admin/style'):
                self.answer_json(200, self.host.style.describe())
            elif route == ('POST', '/admin/style'):
                v = require(value)
                unknown = set(v) - set(soap.Style.NAMES)
                if unknown or not all(isinstance(x, bool) for x in v.values()):
                    raise ValueError('style takes booleans ' + ', '.join(soap.Style.NAMES))
                for name, flag in v.items():
                    setattr(self.host.style, name, flag)
                self.answer_json(200, self.host.style.describe())
            elif route == ('GET', '/admin/fail'):
                self.answer_json(200, self.host.failures.describe())
            elif route == ('POST', '/admin/fail'):
                v = require(value, 'mode')
                if v['mode'] not in FAIL_MODES:
                    raise ValueError('mode must be one of ' + ', '.join(FAIL_MODES))
                count = v.get('count')
                self.host.failures.add({
                    'operation': str(v.get('operation', '*')), 'mode': v['mode'],
                    'seconds': float(v.get('seconds', 5)),
                    'count': None if count is None else int(count),
                    'faultcode': str(v.get('faultcode', 'Server')),
                    'faultstring': str(v.get('faultstring', 'operation failed'))})
                self.answer_json(200, {'ok': True})
            elif route == ('POST', '/admin/fail/clear'):
                self.host.failures.clear()
                self.answer_json(200, {'ok': True})
            elif route == ('POST', '/admin/attachment'):
                self.answer_json(200, self.store_attachment(require(value, 'name')))
            elif route == ('GET', '/admin/attachments'):
                self.answer_json(200, [a.describe(self.download_url(a.id))
                                       for a in self.host.attachments.all()])
            else:
                self.answer_json(404, {'error': 'no such admin request'})
        except (ValueError, TypeError) as e:
            raise BadRequest(400, str(e))
        except KeyError as e:
            raise BadRequest(404, str(e.args[0]) if e.args else 'not found')


class BadRequest(Exception):
    def __init__(self, status, message):
        super().__init__(message)
        self.status = status
        self.message = message


def require(value, *names):
    if not isinstance(value, dict):
        raise ValueError('body must be a JSON object')
    missing = [n for n in names if n not in value]
    if missing:
        raise ValueError('missing ' + ', '.join(missing))
    return value


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, host):
        super().__init__(('127.0.0.1', port), Handler)
        self.host = host

    def handle_error(self, request, client_address):
        # A client that hangs up (or a connection we drop on purpose) is
        # normal traffic for a test host; anything else is worth a trace.
        if not isinstance(sys.exc_info()[1], (ConnectionError, DropConnection)):
            super().handle_error(request, client_address)


def main(argv=None):
    parser = argparse.ArgumentParser(description='stand-in Quillpost mail host')
    parser.add_argument('--port', type=int, required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--port-file')
    parser.add_argument('--vary-order', action='store_true',
                        help='write out values and record fields in reversed order')
    parser.add_argument('--xsi-types', action='store_true',
                        help='give every value an xsi:type attribute')
    parser.add_argument('--multiref', action='store_true',
                        help='send arrays and records as href/id multi-references')
    args = parser.parse_args(argv)
    style = soap.Style(args.vary_order, args.xsi_types, args.multiref)
    server = Server(args.port, Host(args.data, style))
    port = server.server_address[1]

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        with open(args.port_file + '.tmp', 'w') as f:
            f.write(str(port))
        os.replace(args.port_file + '.tmp', args.port_file)
    print(f'qphost listening on 127.0.0.1:{port}', flush=True)
    server.serve_forever()
    server.server_close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
