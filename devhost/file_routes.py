"""The host's file routes, mixed into its request handler: attachments
streamed from /download.php, stored through /admin/attachment, and the
uploads and copies of /saveFile.php (with their failure modes)."""

import re
import time

import attachments
import uploads
from http_basics import DropConnection, page

ATTACHMENT_FIELDS = {'name', 'base64', 'size', 'content_length', 'fail', 'delay_ms',
                     'bytes_per_second'}


class FileRoutes:
    """Needs the handler's host, entry, answer(), answer_text(), record(),
    hang_up() and base_url."""

    def download_url(self, ident):
        return f'{self.base_url}/download.php?id={ident}'

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

    # --- uploads ------------------------------------------------------------------

    def read_half_and_drop(self):
        """Takes half of the announced body, then hangs up mid-body."""
        try:
            half = max(0, int(self.headers.get('Content-Length', '0'))) // 2
            self.rfile.read(min(half, uploads.MAX_BODY))
        except (ValueError, OSError):
            pass
        raise DropConnection()

    def save_file(self, body, rule):
        """POST /saveFile.php: an upload or a copy (uploads.py), unless a
        failure rule answers instead (drop was handled before the body)."""
        mode = rule['mode'] if rule else None
        if mode in ('status500garbage', 'fault', 'oversize'):
            self.answer(500, b'Internal error <<< not an answer', 'text/plain')
            return
        if mode == 'notfound':
            self.answer(404, page('Quillpost :: Not Found', '<p>No such page.</p>'))
            return
        if mode == 'slow':
            time.sleep(rule['seconds'])
        try:
            text = self.host.uploads.save(self.headers.get('Content-Type'), body,
                                          self.server.server_address[1])
        except uploads.Refused as e:
            self.answer_text(e.status, e.message)
            return
        self.answer_text(200, text)
