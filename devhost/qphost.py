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
- the setup packages /qptnsetup_<edition>.msi, served from the folder that
  --packages names (the build's real packages), else from the data folder
  (stand-ins for QX and PL are written there when missing);
- mail attachments at /download.php?id=N (GET or HEAD), stored through the
  admin interface or uploaded (below);
- picture and file uploads, and copies of stored attachments, at
  POST /saveFile.php (below);
- an admin interface under /admin/ (JSON in and out, below).

Usage: qphost.py --port PORT --data DIR [--port-file FILE] [--packages DIR]
                 [--vary-order] [--xsi-types] [--multiref]
                 [--tls-cert FILE --tls-key FILE]
It listens on 127.0.0.1 only; port 0 picks a free port. Once listening it
prints "qphost listening on 127.0.0.1:PORT" ("... on https://127.0.0.1:PORT"
with TLS). Every request except those of the admin interface is logged, in
memory and to DIR/requests.log (JSON lines).

Request bodies: up to 16 MiB (21 MiB + 64 KiB for /saveFile.php). A larger
Content-Length is answered 413 with Connection: close, then the body is read
and dropped (up to 128 MiB, or until 5 s pass without data) so a client that
sends it all before reading gets the answer. A body that ends before its
Content-Length (the client gave up) is neither answered nor acted on; it is
logged with status null and the body_length received.

TLS. With --tls-cert (PEM certificate, optionally followed by its chain) and
--tls-key (PEM key) the same port speaks https only, and every address the
host gives out (page addresses, attachment url fields) starts with https://.
Each connection's handshake runs on its own thread with a 10 s limit; a
client that refuses the certificate, speaks plain http or never starts ends
only its own connection. Connections end with close_notify. testca.py makes a
test authority and certificates for it (normal, expired, wrong host name,
self-signed).

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
Page addresses are absolute, on this host: http://127.0.0.1:PORT/... (https://
with TLS).
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
  POST /admin/page-url          {"url": "file:///C:/x.exe"}: get_auth_url,
                                get_message_url and get_url answer this
                                address instead of the host's pages; null
                                gives them back
  POST /admin/pref              {"address", "name", "value"}
  GET|POST /admin/style         {"vary_order", "xsi_types", "multiref"}: booleans
  GET  /admin/fail              the failure rules in force
  POST /admin/fail              {"operation": "*", a SOAP operation's name or
                                "saveFile" (POST /saveFile.php: drop takes
                                half the body and hangs up, slow delays the
                                answer, the others answer 500 or 404 without
                                storing), "mode": fault |
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
  POST /admin/session           {"user": a non-empty string} -> {"sid": 32 hex
                                digits}: a session for copies by that user
                                (users compare without case); any other
                                field is a 400
  GET  /admin/uploads           [{"path", "key", "name", "size", "sha256",
                                "user"}] for every upload and copy made
                                through /saveFile.php, in order

Attachments (attachments.py). Ids count up from 1 in the order of storing.
The bytes are kept in DIR/attachments/ by id, never by name (so any name is
safe), and stream to and from disk in chunks; the names and options live in
memory like the rest of the host, and the files of an earlier run are removed
at start. GET /download.php?id=N answers 200, Content-Type
application/octet-stream and Content-Length (unless the options say
otherwise); an id that is missing, malformed (digits only, no leading zero)
or not stored is a 404 "Quillpost :: Not Found" page. Downloads are logged
like pages, with the status at the time the headers went out.

Uploads (uploads.py). POST /saveFile.php (any query string is ignored) with a
multipart/form-data body, parsed by Python's email package; the file name is
the text between filename=" and the last double quote of its part's
Content-Disposition line (the control does not escape quotes), as UTF-8.
  upload: parts "username" and "filecontents" (with a file name): the bytes
          are stored as an attachment named after the file; 200 text/plain
          "/download.php?id=N\nKEY", KEY 32 fresh hex digits
  copy:   parts "username", "fileurl" and "sid": fileurl must be this host's
          download address of a stored attachment (http or https, 127.0.0.1
          or localhost, this port, /download.php?id=N), sid a session of
          /admin/session for that user; a copy is stored under a new id;
          200 "/download.php?id=M\nKEY\nSIZE\nNAME" (NAME the rest of the body)
A malformed form, a missing or empty part, an empty file, a file without a
name, or both filecontents and fileurl: 400; a wrong sid or an address that
is not one of this host's attachments: 403. Refusals are short text/plain
bodies that do not start with "/". Uploads are logged like pages.
"""

import argparse
import html
import json
import os
import re
import signal
import socket
import ssl
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import attachments  # noqa: E402
import soap  # noqa: E402
import uploads  # noqa: E402
from file_routes import FileRoutes  # noqa: E402
from http_basics import Abandoned, DropConnection, page  # noqa: E402
from model import Model  # noqa: E402

MAX_BODY = 16 * 1024 * 1024
# A refused body is read and dropped, up to this much, so that a client that
# sends its whole body before it reads the answer gets the answer.
DISCARD_LIMIT = 128 * 1024 * 1024
DISCARD_SECONDS = 5
# How long a TLS client may take over its handshake, and the host over the
# close_notify exchange when a connection ends.
HANDSHAKE_SECONDS = 10
CLOSE_NOTIFY_SECONDS = 2
FAIL_MODES = ('fault', 'status500garbage', 'notfound', 'slow', 'drop', 'oversize')
# The name /admin/fail gives uploads and copies (POST /saveFile.php).
SAVE_FILE_OPERATION = 'saveFile'
# What the oversize mode answers: more than any client should keep.
OVERSIZE_BYTES = 40 * 1024 * 1024


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
    def __init__(self, data_dir, style=None, packages_dir=None):
        self.data_dir = data_dir
        self.packages_dir = packages_dir or data_dir
        self.model = Model()
        self.service = soap.Service(self.model)
        self.style = style or soap.Style()
        self.failures = Failures()
        self.log_lock = threading.Lock()
        self.log = []
        os.makedirs(data_dir, exist_ok=True)
        self.log_path = os.path.join(data_dir, 'requests.log')
        self.attachments = attachments.Attachments(os.path.join(data_dir, 'attachments'))
        self.uploads = uploads.Uploads(self.attachments)
        # Without a folder of real packages, the two editions' packages as
        # small stand-ins, unless the data folder holds real ones.
        for edition in ('QX', 'PL') if packages_dir is None else ():
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


class Handler(FileRoutes, BaseHTTPRequestHandler):
    server_version = 'qphost/1'
    protocol_version = 'HTTP/1.1'

    @property
    def host(self):
        return self.server.host

    def log_message(self, fmt, *args):  # the request log replaces stderr noise
        pass

    def setup(self):
        # The TLS handshake happens here, on the connection's own thread and
        # with a time limit, so a slow or refusing client holds up nobody.
        if isinstance(self.request, ssl.SSLSocket):
            self.request.settimeout(HANDSHAKE_SECONDS)
            self.request.do_handshake()
            self.request.settimeout(None)
        super().setup()

    # --- plumbing ---------------------------------------------------------

    def read_body(self, limit):
        length = self.headers.get('Content-Length')
        if length is None:
            return b''
        try:
            length = int(length)
        except ValueError:
            length = None
        if length is None or length < 0:
            self.close_connection = True  # where the body ends is unknown
            raise BadRequest(400, 'bad Content-Length')
        if length > limit:
            self.close_connection = True
            raise BadRequest(413, 'request body too large', length)
        try:
            body = self.rfile.read(length)
        except OSError:  # a reset, or a TLS connection cut short
            raise Abandoned(0)
        if len(body) < length:
            raise Abandoned(len(body))
        return body

    def discard_body(self, length):
        """Reads and drops a refused body (up to DISCARD_LIMIT bytes, giving
        up after DISCARD_SECONDS without data)."""
        left = min(length, DISCARD_LIMIT)
        try:
            self.connection.settimeout(DISCARD_SECONDS)
            while left > 0:
                chunk = self.rfile.read1(min(left, attachments.CHUNK))
                if not chunk:
                    break
                left -= len(chunk)
        except OSError:
            pass

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

    def answer_text(self, status, text, headers=()):
        self.answer(status, text.encode('utf-8'), 'text/plain; charset=utf-8', headers)

    @property
    def base_url(self):
        return f'{self.server.scheme}://127.0.0.1:{self.server.server_address[1]}'

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
        saving = url.path == '/saveFile.php' and self.command == 'POST'
        try:
            body = b''
            # An upload's misbehaviour: "saveFile" names it in /admin/fail.
            rule = self.host.failures.take(SAVE_FILE_OPERATION) if saving else None
            if rule is not None and rule['mode'] == 'drop':
                self.read_half_and_drop()
            if self.command == 'POST':
                body = self.read_body(uploads.MAX_BODY if saving else MAX_BODY)
            entry['body_length'] = len(body)
            if not logged:
                self.admin(url, body)
            elif saving:
                self.save_file(body, rule)
            elif url.path == '/soap/public.php' and self.command == 'POST':
                self.soap(url, body, entry)
            elif self.command in ('GET', 'HEAD'):
                self.pages(url)
            else:
                self.answer(405, page('Quillpost :: Not Allowed', ''))
        except BadRequest as e:
            entry.setdefault('body_length', 0)
            headers = [('Connection', 'close')] if self.close_connection else []
            if saving:
                self.answer_text(e.status, e.message, headers)
            else:
                self.answer(e.status, json.dumps({'error': e.message}).encode('utf-8'),
                            'application/json', headers)
            if e.unread:  # answered first, then the body dropped before closing
                self.wfile.flush()
                self.discard_body(e.unread)
        except Abandoned as e:  # nothing to answer: the client has gone
            entry['body_length'] = e.received
            entry['status'] = None
            self.record()
            self.close_connection = True
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
        try:
            values = self.host.service.call(request, self.base_url)
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
            file = os.path.join(self.host.packages_dir, f'qptnsetup_{setup.group(1)}.msi')
            if os.path.isfile(file):
                with open(file, 'rb') as f:
                    self.answer(200, f.read(), 'application/x-msi')
            else:
                self.answer(404, page('Quillpost :: Not Found', '<p>No such package.</p>'))
        else:
            self.answer(404, page('Quillpost :: Not Found', '<p>No such page.</p>'))

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
            elif route == ('POST', '/admin/page-url'):
                model.set_page_url(require(value, 'url')['url'])
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
            elif route == ('POST', '/admin/session'):
                v = require(value, 'user')
                if set(v) != {'user'}:
                    raise ValueError('a session takes "user" only')
                self.answer_json(200, {'sid': self.host.uploads.new_session(v['user'])})
            elif route == ('GET', '/admin/uploads'):
                self.answer_json(200, self.host.uploads.describe())
            else:
                self.answer_json(404, {'error': 'no such admin request'})
        except (ValueError, TypeError) as e:
            raise BadRequest(400, str(e))
        except KeyError as e:
            raise BadRequest(404, str(e.args[0]) if e.args else 'not found')


class BadRequest(Exception):
    """A refused request; unread: the length of a body still to come."""

    def __init__(self, status, message, unread=0):
        super().__init__(message)
        self.status = status
        self.message = message
        self.unread = unread


def require(value, *names):
    if not isinstance(value, dict):
        raise ValueError('body must be a JSON object')
    missing = [n for n in names if n not in value]
    if missing:
        raise ValueError('missing ' + ', '.join(missing))
    return value


class Server(ThreadingHTTPServer):
    daemon_threads = True

    def __init__(self, port, host, tls=None):
        """tls: an ssl.SSLContext to speak https with, None for http."""
        super().__init__(('127.0.0.1', port), Handler)
        self.host = host
        self.tls = tls
        self.scheme = 'http' if tls is None else 'https'

    def get_request(self):
        # Wrapped without a handshake: that waits for the connection's thread.
        connection, address = super().get_request()
        if self.tls is not None:
            try:
                connection = self.tls.wrap_socket(connection, server_side=True,
                                                  do_handshake_on_connect=False)
            except OSError:
                connection.close()
                raise
        return connection, address

    def shutdown_request(self, request):
        # TLS ends with close_notify, so a body that ends with the connection
        # is known to be complete; a client that does not answer is given
        # CLOSE_NOTIFY_SECONDS.
        if isinstance(request, ssl.SSLSocket):
            try:
                request.settimeout(CLOSE_NOTIFY_SECONDS)
                request.unwrap()
            except (OSError, ValueError):
                pass
        super().shutdown_request(request)

    def handle_error(self, request, client_address):
        # A client that hangs up or refuses the certificate (or a connection
        # we drop on purpose) is normal traffic for a test host; anything
        # else is worth a trace.
        if not isinstance(sys.exc_info()[1], (ConnectionError, TimeoutError, ssl.SSLError,
                                              DropConnection)):
            super().handle_error(request, client_address)


def main(argv=None):
    parser = argparse.ArgumentParser(description='stand-in Quillpost mail host')
    parser.add_argument('--port', type=int, required=True)
    parser.add_argument('--data', required=True)
    parser.add_argument('--port-file')
    parser.add_argument('--packages', metavar='DIR',
                        help='serve the setup packages qptnsetup_<edition>.msi from DIR')
    parser.add_argument('--vary-order', action='store_true',
                        help='write out values and record fields in reversed order')
    parser.add_argument('--xsi-types', action='store_true',
                        help='give every value an xsi:type attribute')
    parser.add_argument('--multiref', action='store_true',
                        help='send arrays and records as href/id multi-references')
    parser.add_argument('--tls-cert', metavar='FILE',
                        help='speak https with this PEM certificate (chain); needs --tls-key')
    parser.add_argument('--tls-key', metavar='FILE', help='the PEM private key of --tls-cert')
    args = parser.parse_args(argv)
    tls = None
    if (args.tls_cert is None) != (args.tls_key is None):
        parser.error('--tls-cert and --tls-key go together')
    if args.tls_cert is not None:
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        try:
            tls.load_cert_chain(args.tls_cert, args.tls_key)
        except (OSError, ssl.SSLError) as e:
            parser.error(f'cannot use the certificate and key: {e}')
    if args.packages is not None and not os.path.isdir(args.packages):
        parser.error(f'--packages {args.packages}: no such folder')
    style = soap.Style(args.vary_order, args.xsi_types, args.multiref)
    server = Server(args.port, Host(args.data, style, args.packages), tls)
    port = server.server_address[1]

    def stop(*_):
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        with open(args.port_file + '.tmp', 'w') as f:
            f.write(str(port))
        os.replace(args.port_file + '.tmp', args.port_file)
    scheme = '' if tls is None else 'https://'
    print(f'qphost listening on {scheme}127.0.0.1:{port}', flush=True)
    server.serve_forever()
    server.server_close()
    return 0


if __name__ == '__main__':
    sys.exit(main())
