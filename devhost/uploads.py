"""Pictures and files the browser control sends to /saveFile.php.

The body is multipart/form-data and is taken apart by Python's email parser
over a header block made of the request's Content-Type. One parameter is read
from the raw header line instead: the control writes the file name unescaped,
so a name holding a double quote arrives as filename="a"b.png"; the name is
the text between filename=" and the last double quote of the part's
Content-Disposition line, read as UTF-8.

Two forms are served:

- upload: parts "username" and "filecontents" (with a file name) store the
  bytes as a new attachment; the answer is "PATH\\nKEY";
- copy: parts "username", "fileurl" (the download address of an attachment
  of this host) and "sid" (a session the host issued for that user) store a
  copy under a new id; the answer is "PATH\\nKEY\\nSIZE\\nNAME".

PATH is "/download.php?id=N", KEY 32 fresh hex digits. Every upload and copy
is kept in order for /admin/uploads.
"""

import email.errors
import email.parser
import email.policy
import re
import secrets
import threading
import urllib.parse

import attachments

# The largest body taken: a 20 MiB file and room for the form around it.
MAX_BODY = 21 * 1024 * 1024 + 64 * 1024
_FILENAME = re.compile(r'(?:^|;)[ \t]*filename[ \t]*=[ \t]*"', re.IGNORECASE)
_DOWNLOAD_QUERY = re.compile(r'id=([1-9][0-9]{0,17})')


class Refused(Exception):
    """A form the host does not take: 400 (malformed) or 403 (not allowed)."""

    def __init__(self, status, message):
        super().__init__(message)
        self.status = status
        self.message = message


class _RawHeaders(email.policy.Compat32):
    """Hands out header values as they came (bytes beyond ASCII as
    surrogate escapes), so parameters can be read from the raw line."""

    def header_fetch_parse(self, name, value):
        return value


_PARSER = email.parser.BytesParser(policy=_RawHeaders())


def _raw_text(value):
    """A raw header value (or part of one) as the UTF-8 text it was sent as."""
    try:
        return value.encode('ascii', 'surrogateescape').decode('utf-8')
    except UnicodeError:
        raise Refused(400, 'a header is not UTF-8')


def _file_name(disposition):
    """The file name of a Content-Disposition value, None when it has none."""
    match = _FILENAME.search(disposition)
    if match is None:
        return None
    end = disposition.rfind('"')
    if end < match.end():
        raise Refused(400, 'the file name has no closing quote')
    return _raw_text(disposition[match.end():end])


def parse_form(content_type, body):
    """{part name: (bytes, file name or None)} of a multipart/form-data body."""
    if not content_type or '\r' in content_type or '\n' in content_type:
        raise Refused(400, 'not multipart/form-data')
    message = _PARSER.parsebytes(
        b'Content-Type: ' + content_type.encode('latin-1') + b'\r\n\r\n' + body)
    if message.get_content_type() != 'multipart/form-data' or not message.get_boundary():
        raise Refused(400, 'not multipart/form-data with a boundary')
    if not message.is_multipart() or message.defects:
        raise Refused(400, 'malformed multipart body')
    fields = {}
    for part in message.get_payload():
        dispositions = part.get_all('Content-Disposition') or []
        name = part.get_param('name', header='Content-Disposition')
        if (part.defects or part.is_multipart() or len(dispositions) != 1
                or part.get_content_disposition() != 'form-data'
                or not isinstance(name, str) or not name):
            raise Refused(400, 'malformed form part')
        if name in fields:
            raise Refused(400, f'part {name} given twice')
        fields[name] = (part.get_payload(decode=True), _file_name(dispositions[0]))
    return fields


def _text(fields, name):
    if name not in fields:
        raise Refused(400, f'missing part {name}')
    try:
        value = fields[name][0].decode('utf-8')
    except UnicodeError:
        raise Refused(400, f'part {name} is not UTF-8')
    if not value:
        raise Refused(400, f'part {name} is empty')
    return value


def download_id(address, port):
    """The attachment id of a download address of this host (http or https,
    127.0.0.1 or localhost, this port, /download.php?id=N); None otherwise."""
    try:
        url = urllib.parse.urlsplit(address)
        default = {'http': 80, 'https': 443}.get(url.scheme)
        url_port = url.port if url.port is not None else default
    except ValueError:
        return None
    match = _DOWNLOAD_QUERY.fullmatch(url.query)
    if (default is None or url.hostname not in ('127.0.0.1', 'localhost')
            or url.username is not None or url_port != port or url.path != '/download.php'
            or url.fragment or match is None):
        return None
    return int(match.group(1))


class Uploads:
    """The uploads and copies made through /saveFile.php, and the sessions
    that allow copies."""

    def __init__(self, store):
        self.store = store
        self.lock = threading.Lock()
        self.records = []
        self.sessions = {}  # sid -> user, without case

    def new_session(self, user):
        if not isinstance(user, str) or not user:
            raise ValueError('user must be a non-empty string')
        sid = secrets.token_hex(16)
        with self.lock:
            self.sessions[sid] = user.lower()
        return sid

    def describe(self):
        with self.lock:
            return [dict(record) for record in self.records]

    def save(self, content_type, body, port):
        """The answer text to a /saveFile.php body; Refused for a form that
        stores nothing."""
        fields = parse_form(content_type, body)
        if 'fileurl' in fields and 'filecontents' in fields:
            raise Refused(400, 'give either fileurl or filecontents')
        user = _text(fields, 'username')
        if 'fileurl' in fields:
            return self._copy(user, _text(fields, 'fileurl'), _text(fields, 'sid'), port)
        if 'filecontents' not in fields:
            raise Refused(400, 'missing part filecontents')
        data, name = fields['filecontents']
        if not name:
            raise Refused(400, 'the file part has no file name')
        if not data:
            raise Refused(400, 'the file is empty')
        view = memoryview(data)
        chunks = (view[i:i + attachments.CHUNK] for i in range(0, len(data), attachments.CHUNK))
        path, key = self._record(self.store.store(name, chunks), user)
        return f'{path}\n{key}'

    def _copy(self, user, address, sid, port):
        with self.lock:
            owner = self.sessions.get(sid)
        if owner != user.lower():
            raise Refused(403, 'not signed in')
        ident = download_id(address, port)
        found = None if ident is None else self.store.open(ident)
        if found is None:
            raise Refused(403, 'not an attachment of this host')
        source, file = found
        with file:
            copy = self.store.store(source.name, attachments.chunks(file, source.size))
        path, key = self._record(copy, user)
        return f'{path}\n{key}\n{copy.size}\n{copy.name}'

    def _record(self, attachment, user):
        path = f'/download.php?id={attachment.id}'
        key = secrets.token_hex(16)
        with self.lock:
            self.records.append({'path': path, 'key': key, 'name': attachment.name,
                                 'size': attachment.size, 'sha256': attachment.sha256,
                                 'user': user})
        return path, key
