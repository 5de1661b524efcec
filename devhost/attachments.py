"""The host's attachment store: bytes kept on disk by id, never by name.

Each attachment is one file, FOLDER/<id>.bin, written through a temporary
file and renamed once complete, so a half-written attachment is never served.
Its name, size, sha256 and how it is to be served live in memory only, as the
rest of the host's state does; files an earlier run left behind are removed
when the store opens. Stored names are shown, never used as file names, so
names such as "..\\..\\x", "CON" or "a:b" are harmless.

Bytes go in and out as chunks of at most CHUNK bytes, so an attachment of any
size is never held whole in memory.
"""

import base64
import binascii
import dataclasses
import hashlib
import json
import os
import re
import shutil
import tempfile
import threading

CHUNK = 64 * 1024
FAIL_MODES = ('status500', 'drop')
_STORED = re.compile(r'[0-9]+\.bin|.*\.part')


@dataclasses.dataclass(frozen=True)
class Serving:
    """How /download.php answers for one attachment."""
    content_length: bool = True      # False: no Content-Length, the body ends at close
    fail: str = None                 # None, "status500" or "drop"
    delay_ms: float = 0              # pause after every chunk but the last
    bytes_per_second: int = None     # pace the body to this rate

    @classmethod
    def from_request(cls, value):
        """The serving options of an admin request (the fields named like
        this class's); ValueError for a bad one."""
        content_length = value.get('content_length', True)
        if not isinstance(content_length, bool):
            raise ValueError('content_length must be true or false')
        fail = value.get('fail')
        if fail is not None and fail not in FAIL_MODES:
            raise ValueError('fail must be one of ' + ', '.join(FAIL_MODES))
        delay_ms = value.get('delay_ms', 0)
        if not _number(delay_ms) or not 0 <= delay_ms <= 60_000:
            raise ValueError('delay_ms must be a number of milliseconds from 0 to 60000')
        rate = value.get('bytes_per_second')
        if rate is not None and (not isinstance(rate, int) or isinstance(rate, bool) or rate < 1):
            raise ValueError('bytes_per_second must be a whole number above 0')
        return cls(content_length, fail, delay_ms, rate)

    def chunk_size(self):
        """A paced body goes out in tenth-of-a-second pieces."""
        if self.bytes_per_second is None:
            return CHUNK
        return max(1, min(CHUNK, self.bytes_per_second // 10))


def _number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


@dataclasses.dataclass(frozen=True)
class Attachment:
    id: int
    name: str
    size: int
    sha256: str
    path: str
    serving: Serving

    def describe(self, url):
        return {'id': self.id, 'name': self.name, 'size': self.size, 'sha256': self.sha256,
                'url': url}


def decoded(text):
    """The chunks of a base64 text (whole in memory: it came in a request body)."""
    if not isinstance(text, str):
        raise ValueError('base64 must be a string')
    try:
        data = base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError) as e:
        raise ValueError(f'base64 does not decode: {e}')
    view = memoryview(data)
    return (view[i:i + CHUNK] for i in range(0, len(data), CHUNK))


def generated(name, size):
    """size pseudo-random bytes, the same for the same name and size: SHAKE-256
    of a seed (from both) and the block number, block by block."""
    seed = hashlib.sha256(json.dumps([name, size]).encode('ascii')).digest()
    for block, start in enumerate(range(0, size, CHUNK)):
        n = min(CHUNK, size - start)
        yield hashlib.shake_256(seed + block.to_bytes(8, 'big')).digest(n)


class Attachments:
    def __init__(self, folder):
        self.folder = folder
        self.lock = threading.Lock()
        self.stored = {}
        self.next_id = 1
        os.makedirs(folder, exist_ok=True)
        for entry in os.scandir(folder):
            if entry.is_file(follow_symlinks=False) and _STORED.fullmatch(entry.name):
                os.remove(entry.path)

    def free_space(self):
        return shutil.disk_usage(self.folder).free

    def store(self, name, chunks, serving=Serving()):
        """Writes the chunks to disk and gives the attachment the next id."""
        if not isinstance(name, str):
            raise ValueError('name must be a string')
        digest = hashlib.sha256()
        size = 0
        fd, part = tempfile.mkstemp(suffix='.part', dir=self.folder)
        try:
            with os.fdopen(fd, 'wb') as f:
                for chunk in chunks:
                    f.write(chunk)
                    digest.update(chunk)
                    size += len(chunk)
            with self.lock:
                ident = self.next_id
                path = os.path.join(self.folder, f'{ident}.bin')
                os.replace(part, path)
                self.next_id += 1
                attachment = Attachment(ident, name, size, digest.hexdigest(), path, serving)
                self.stored[ident] = attachment
        except BaseException:
            if os.path.exists(part):
                os.remove(part)
            raise
        return attachment

    def all(self):
        with self.lock:
            return sorted(self.stored.values(), key=lambda a: a.id)

    def open(self, ident):
        """(attachment, its file opened for reading), or None for an id that
        is not stored or whose file is gone."""
        with self.lock:
            attachment = self.stored.get(ident)
        if attachment is None:
            return None
        try:
            return attachment, open(attachment.path, 'rb')
        except FileNotFoundError:
            return None


def chunks(file, limit, size=CHUNK):
    """The first limit bytes of an open file, size bytes at a time."""
    while limit > 0:
        chunk = file.read(min(size, limit))
        if not chunk:
            return
        limit -= len(chunk)
        yield chunk
