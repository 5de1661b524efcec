#!/usr/bin/env python3
"""A stand-in Quillpost mail host for the demo, the tests and trying the
desktop programs without a real service.

It fakes what the notifier and the browser control rely on from the host:

- the SOAP service at /soap/public.php (POST; today every call answers with a
  SOAP fault, faultcode Server, as a real rpc/encoded service does for an
  operation it cannot serve);
- web-mail pages whose titles follow the service's conventions: the index
  "Quillpost :: Mail Index", every other page "Quillpost :: ...";
- the setup packages /qptnsetup_<edition>.msi, served from the data folder;
- an admin interface under /admin/ (JSON in and out) to add accounts, deliver
  mail, set the client version, make the SOAP service misbehave and read the
  log of requests received.

Usage: qphost.py --port PORT --data DIR [--port-file FILE]
It listens on 127.0.0.1 only; port 0 picks a free port. Once listening it
prints "qphost listening on 127.0.0.1:PORT". Every request except those of the
admin interface is logged, in memory and to DIR/requests.log (JSON lines).
"""

import argparse
import html
import json
import os
import re
import signal
import sys
import threading
import time
import urllib.parse
import xml.etree.ElementTree as ET
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from model import Model  # noqa: E402

MAX_BODY = 16 * 1024 * 1024
SOAP_ENV = 'http://schemas.xmlsoap.org/soap/envelope/'
FAIL_MODES = ('fault', 'status500garbage', 'notfound', 'slow', 'drop')


class Failures:
    """Misbehaviour asked for through /admin/fail, per operation or for all."""

    def __init__(self):
        self.lock = threading.Lock()
        self.rules = []

    def add(self, operation, mode, seconds, count):
        with self.lock:
            self.rules.append({'operation': operation, 'mode': mode, 'seconds': seconds,
                               'count': count})

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


class Host:
    def __init__(self, data_dir):
        self.data_dir = data_dir
        self.model = Model()
        self.failures = Failures()
        self.log_lock = threading.Lock()
        self.log = []
        os.makedirs(data_dir, exist_ok=True)
        self.log_path = os.path.join(data_dir, 'requests.log')

    def record(self, entry):
        with self.log_lock:
            self.log.append(entry)
            with open(self.log_path, 'a', encoding='utf-8') as f:
                f.write(json.dumps(entry) + '\n')


def soap_fault(code, text):
    return (f'<?xml version="1.0" encoding="UTF-8"?>'
            f'<SOAP-ENV:Envelope xmlns:SOAP-ENV="{SOAP_ENV}"><SOAP-ENV:Body>'
            f'<SOAP-ENV:Fault><faultcode>SOAP-ENV:{code}</faultcode>'
            f'<faultstring>{html.escape(text, quote=False)}</faultstring>'
            f'</SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>').encode('utf-8')


def soap_operation(body):
    """Local name of the first element in the SOAP Body, or None."""
    root = ET.fromstring(body)
    for child in root:
        if child.tag == f'{{{SOAP_ENV}}}Body':
            for operation in child:
                return operation.tag.rsplit('}', 1)[-1]
    return None


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
        entry = {'time': time.time(), 'method': self.command, 'path': self.path,
                 'headers': {k: v for k, v in self.headers.items()
                             if k.lower() in ('soapaction', 'content-type', 'user-agent',
                                              'host', 'content-length')}}
        self.entry = entry
        logged = not url.path.startswith('/admin/')
        try:
            body = self.read_body() if self.command == 'POST' else b''
            entry['body_length'] = len(body)
            if not logged:
                self.admin(url, body)
            elif url.path == '/soap/public.php' and self.command == 'POST':
                self.soap(body, entry)
            elif self.command in ('GET', 'HEAD'):
                self.pages(url)
            else:
                self.answer(405, page('Quillpost :: Not Allowed', ''))
        except BadRequest as e:
            self.answer_json(e.status, {'error': e.message})
        except DropConnection:
            entry['status'] = None
            self.close_connection = True
            try:
                self.connection.shutdown(2)
            except OSError:
                pass
        finally:
            # Written once the answer is known, with its status and operation.
            if logged:
                self.host.record(entry)

    do_GET = do_POST = do_HEAD = dispatch

    # --- the SOAP service ---------------------------------------------------

    def soap(self, body, entry):
        try:
            operation = soap_operation(body)
        except ET.ParseError:
            entry['operation'] = None
            self.answer(500, soap_fault('Server', 'malformed request envelope'),
                        'text/xml; charset=utf-8')
            return
        entry['operation'] = operation
        rule = self.host.failures.take(operation or '')
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
            if mode == 'slow':
                time.sleep(rule['seconds'])
            else:  # fault
                self.answer(500, soap_fault('Server', 'operation failed'),
                            'text/xml; charset=utf-8')
                return
        self.answer(500, soap_fault('Server', 'operation not available'),
                    'text/xml; charset=utf-8')

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
        elif path == '/compose.php':
            # parse_qs decodes the value once, as the web mail does.
            args = html.escape(query.get('compose_args', [''])[0])
            self.answer(200, page('Quillpost :: Compose', f'<p id="compose_args">{args}</p>'))
        elif path.startswith('/mail/'):
            name = html.escape(path[len('/mail/'):] or 'Mail')
            self.answer(200, page('Quillpost :: ' + name, ''))
        elif setup:
            file = os.path.join(self.host.data_dir, f'qptnsetup_{setup.group(1)}.msi')
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
            elif route == ('POST', '/admin/deliver'):
                v = require(value, 'to')
                m = model.deliver(v['to'], str(v.get('from', 'sender@example.org')),
                                  str(v.get('subject', '')), str(v.get('body', '')),
                                  str(v.get('folder', 'INBOX')))
                self.answer_json(200, {'header_num': m.header_num, 'uid': m.uid})
            elif route == ('POST', '/admin/version'):
                model.set_client_version(require(value, 'version')['version'])
                self.answer_json(200, {'ok': True})
            elif route == ('POST', '/admin/fail'):
                v = require(value, 'mode')
                if v['mode'] not in FAIL_MODES:
                    raise ValueError('mode must be one of ' + ', '.join(FAIL_MODES))
                seconds = float(v.get('seconds', 5))
                count = v.get('count')
                if count is not None:
                    count = int(count)
                self.host.failures.add(str(v.get('operation', '*')), v['mode'], seconds, count)
                self.answer_json(200, {'ok': True})
            elif route == ('POST', '/admin/fail/clear'):
                self.host.failures.clear()
                self.answer_json(200, {'ok': True})
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
    args = parser.parse_args(argv)
    server = Server(args.port, Host(args.data))
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
