"""Scenarios of the paste: GatherwickAX.dll driven from JScript through
cscript (PrepareClipboard, BeforePaste, AfterPaste) against the stand-in
host, with the clipboard filled as other programs fill it (clipboard_probe:
Word's HTML, pictures, dropped files, a mail program's attachments) and
compared byte for byte before and after."""

import base64
import hashlib
import json
import os
import re
import shutil
import struct
import subprocess
import unittest
import urllib.request

import winenv
from winenv import windows_path

winenv.require_environment('GWAX_DLL', 'QPTN_PROBE', 'CLIPBOARD_PROBE', 'QP_SOURCE_DIR')
DLL = os.environ['GWAX_DLL']
PROBE = os.environ['QPTN_PROBE']
CLIPBOARD = os.environ['CLIPBOARD_PROBE']
SCRIPT = os.path.join(os.path.dirname(os.path.abspath(__file__)), 'paste_script.js')
DRIVE_C = os.path.join(os.environ.get('WINEPREFIX', os.path.expanduser('~/.wine')), 'drive_c')
POLICY_KEY = r'HKEY_LOCAL_MACHINE\Software\Vantrell\GatherwickAX'
USER = 'ann@quillpost.com'
NOTHING = {'keys': [], 'names': [], 'sizes': []}

PNG = b'\x89PNG\r\n\x1a\n\x00\x00\x00\rIHDR'
JPEG = b'\xff\xd8\xff\xe0\x00\x10JFIF\x00'
# What the system makes from the formats a program put: text from text,
# bitmaps from device-independent bitmaps and back.
SYNTHESIZED = {'#1', '#7', '#16', '#13', '#2', '#8', '#17', '#9', '#3'}
CLIP_FILE = re.compile(r'clip[0-9a-f]{4}\.jpg', re.IGNORECASE)

host = None
temp_folder = None  # the Windows programs' GetTempPath, as Windows and Linux see it


def setUpModule():
    global host, temp_folder
    winenv.warm_up(PROBE)
    assert winenv.run('regsvr32', '/s', windows_path(DLL), timeout=120).returncode == 0
    # The stand-in host is a loopback address: allowed only when listed.
    assert winenv.run('reg', 'add', POLICY_KEY, '/v', 'AllowedHosts', '/d', '127.0.0.1',
                      '/f').returncode == 0
    host = winenv.StandInHost()
    windows = probe('temp-folder').strip()
    temp_folder = (windows, linux_path(windows))


def tearDownModule():
    winenv.run('reg', 'delete', POLICY_KEY, '/v', 'AllowedHosts', '/f')
    winenv.run('regsvr32', '/u', '/s', windows_path(DLL), timeout=120)
    host.stop()
    shutil.rmtree(os.path.join(DRIVE_C, 'paste'), ignore_errors=True)


def linux_path(path):
    return winenv.unix_path(path).rstrip('/')


def local(relative, data):
    """Writes `data` to C:\\`relative` in the prefix; its Windows path."""
    path = os.path.join(DRIVE_C, *relative.split('\\'))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)
    return 'C:\\' + relative


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def probe(*args):
    out = winenv.run(CLIPBOARD, *args, timeout=120)
    if out.returncode != 0:
        raise AssertionError(f'clipboard_probe {" ".join(args)} failed: {out.stderr.strip()}')
    return out.stdout


_blocks = 0


def put(*formats):
    """Empties the clipboard and sets `formats`: (name, bytes) for a memory
    block, (name, kind, argument) for the probe's bitmaps, metafiles and
    dropped files. Names as the probe takes them: "#13", "HTML Format"."""
    global _blocks
    lines = []
    for entry in formats:
        if len(entry) == 2:
            _blocks += 1
            entry = (entry[0], 'file', local(f'paste\\blocks\\{_blocks}.bin', entry[1]))
        lines.append('\t'.join(entry))
    probe('put', local('paste\\put.txt', ('\n'.join(lines) + '\n').encode()))


def dump():
    """(name, size, hash) of each format on the clipboard, in its order."""
    return [tuple(line.rsplit(' ', 2)) for line in probe('dump').splitlines() if line.strip()]


def formats():
    return {name: (size, digest) for name, size, digest in dump()}


def block(name):
    """The bytes of one format on the clipboard."""
    probe('dump-format', name, 'C:\\paste\\block.bin')
    with open(os.path.join(DRIVE_C, 'paste', 'block.bin'), 'rb') as f:
        return f.read()


def jpeg_size(data):
    """(width, height) of JPEG bytes, as the system's decoder reads them."""
    width, height = probe('jpeg-size', local('paste\\check.jpg', data)).split()
    return int(width), int(height)


def clip_files():
    return {n for n in os.listdir(temp_folder[1]) if CLIP_FILE.fullmatch(n)}


def uploads():
    return winenv.host_admin(host.port, '/admin/uploads')


def save_requests():
    return [e['path'] for e in winenv.host_admin(host.port, '/admin/log')
            if e['path'].startswith('/saveFile.php')]


def fetch(path):
    with urllib.request.urlopen(f'http://127.0.0.1:{host.port}{path}', timeout=60) as answer:
        return answer.read()


def session(user):
    return winenv.host_admin(host.port, '/admin/session', {'user': user})['sid']


def base_address():
    return f'http://127.0.0.1:{host.port}'


def cf_html(fragment, head='<html>\r\n<body>\r\n', tail='\r\n</body>\r\n</html>'):
    """A CF_HTML block as browsers and Word put it: the header's byte offsets
    in ten digits, the UTF-8 HTML with its fragment markers, a NUL."""
    header = ('Version:1.0\r\nStartHTML:{:010d}\r\nEndHTML:{:010d}\r\n'
              'StartFragment:{:010d}\r\nEndFragment:{:010d}\r\n')
    start_html = len(header.format(0, 0, 0, 0))
    before = (head + '<!--StartFragment-->').encode()
    middle = fragment.encode()
    after = ('<!--EndFragment-->' + tail).encode()
    start_fragment = start_html + len(before)
    end_fragment = start_fragment + len(middle)
    end_html = end_fragment + len(after)
    return (header.format(start_html, end_html, start_fragment, end_fragment).encode()
            + before + middle + after + b'\0')


def header_numbers(data):
    """The decimal fields of a CF_HTML header (before its first "<")."""
    head = data[:data.find(b'<')] if b'<' in data else data
    return {m.group(1).decode(): int(m.group(2))
            for m in re.finditer(rb'([A-Za-z]+):(-?[0-9]+)\r\n', head)}


def unicode_text(text):
    return text.encode('utf-16-le') + b'\0\0'


def dib(width, height):
    """A packed 32-bit device-independent bitmap, as CF_DIB holds it."""
    head = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 32, 0, width * height * 4, 2835, 2835,
                       0, 0)
    return head + bytes(v for y in range(height) for x in range(width)
                        for v in (x * 31 % 256, y * 63 % 256, (x + y) * 17 % 256, 0))


def tree(root):
    """{path below root: (size, modification time)} of every file, and
    {path: 'folder'} of every folder (a folder's time moves with what comes
    and goes in it)."""
    found = {}
    for folder, dirs, names in os.walk(root):
        for name in dirs:
            found[os.path.relpath(os.path.join(folder, name), root)] = 'folder'
        for name in names:
            path = os.path.join(folder, name)
            st = os.lstat(path)
            found[os.path.relpath(path, root)] = (st.st_size, st.st_mtime_ns)
    return found


class Holder:
    """clipboard_probe hold-virtual: files offered on the clipboard by a
    running program that never wrote them to disk."""

    count = 0

    def __init__(self, files, *options):
        """`files`: (name, 'stream' or 'storage', bytes)."""
        Holder.count += 1
        folder = f'paste\\virtual{Holder.count}'
        args = [name + '=' + kind + ':' + local(f'{folder}\\{i}.bin', data)
                for i, (name, kind, data) in enumerate(files)]
        self.ready = os.path.join(DRIVE_C, *folder.split('\\'), 'ready')
        self.until = os.path.join(DRIVE_C, *folder.split('\\'), 'until')
        self.log = os.path.join(DRIVE_C, *folder.split('\\'), 'log')
        self.process = winenv.start(CLIPBOARD, 'hold-virtual', *args, '--ready', windows_path(self.ready),
                                    '--until', windows_path(self.until), '--log',
                                    windows_path(self.log), *options)
        winenv.wait_until(lambda: os.path.exists(self.ready) or self.process.poll() is not None,
                          timeout=60, what='the virtual files on the clipboard')
        if not os.path.exists(self.ready):
            raise AssertionError(f'hold-virtual ended with {self.process.returncode}: {self.requests()}')

    def requests(self):
        try:
            with open(self.log, encoding='utf-8', errors='replace') as f:
                return [line.rstrip('\n') for line in f]
        except OSError:
            return []

    def release(self):
        open(self.until, 'w').close()
        winenv.wait_until(lambda: self.process.poll() is not None, timeout=60,
                          what='hold-virtual to end')


class Paste(winenv.Scenario):
    def setUp(self):
        winenv.host_admin(host.port, '/admin/log/clear', {})

    def steps(self, steps, sid='nosession', user=USER):
        """Runs paste_script.js with `steps`; {step: the arrays of prepare, or
        "ok", or "error HEX"}."""
        try:
            out = winenv.run('cscript', '//nologo', windows_path(SCRIPT), f'127.0.0.1:{host.port}',
                             user, sid, steps, timeout=120)
        except subprocess.TimeoutExpired as e:
            partial = e.stdout.decode('utf-8', 'replace') if isinstance(e.stdout, bytes) else e.stdout
            self.fail(f'cscript {steps} did not end; it printed: {partial!r}')
        seen = f'cscript {steps}: exit {out.returncode}\n{out.stdout}{out.stderr}'
        lines = [l.strip() for l in out.stdout.splitlines() if l.strip()]
        self.assertFalse('Unhandled' in out.stderr or 'winedbg' in out.stderr, seen)
        self.assertEqual((out.returncode, lines[-1:]), (0, ['done']), seen)
        results = {}
        for line in lines[:-1]:
            step, rest = line.split(' ', 1)
            if step == 'prepare' and rest.startswith('ok '):
                results[step] = json.loads(rest[3:])
            else:
                results[step] = rest
        self.assertEqual(sorted(results), sorted(steps.split(',')), seen)
        return results

    def prepare(self, **options):
        arrays = self.steps('prepare', **options)['prepare']
        self.assertIsInstance(arrays, dict, f'PrepareClipboard failed: {arrays}')
        return arrays

    def step(self, name):
        self.assertEqual(self.steps(name)[name], 'ok', name)

    def assert_arrays_match(self, arrays, new):
        """The script's arrays name the host's new uploads, entry by entry."""
        given = sorted(zip(arrays['keys'], arrays['names'], arrays['sizes']))
        self.assertEqual(len(arrays['keys']), len(arrays['names']), arrays)
        self.assertEqual(len(arrays['keys']), len(arrays['sizes']), arrays)
        self.assertEqual(given, sorted((u['key'], u['name'], u['size']) for u in new))

    def assert_rewritten(self, got, original, fragment):
        """`got` is `original` with its fragment replaced by `fragment`: the
        start offsets kept, the end offsets grown by the change in length."""
        expected = cf_html(fragment)
        old, new = header_numbers(original), header_numbers(got)
        delta = len(expected) - len(original)
        self.assertEqual(new, {'StartHTML': old['StartHTML'], 'EndHTML': old['EndHTML'] + delta,
                               'StartFragment': old['StartFragment'],
                               'EndFragment': old['EndFragment'] + delta}, got)
        self.assertEqual(got[new['StartFragment']:new['EndFragment']].decode('utf-8', 'replace'),
                         fragment)
        self.assertEqual(got.rstrip(b'\0'), expected.rstrip(b'\0'))


class Pictures(Paste):
    def test_local_pictures_uploaded_and_addresses_replaced(self):
        png = PNG + os.urandom(3000)
        jpeg = JPEG + os.urandom(5000)
        local('pictures\\a.png', png)
        local('pictures\\b.jpg', jpeg)
        fragment = '<p>Quarterly <b>numbers</b></p><img width=64 height=48 src="{}"><br><img src="{}">'
        original = cf_html(fragment.format('file:///C:/pictures/a.png', 'file:///C:/pictures/b.jpg'))
        text = unicode_text('Quarterly numbers\r\n')
        put(('HTML Format', original), ('#13', text))
        before = formats()
        count = len(uploads())

        arrays = self.prepare()
        new = uploads()[count:]
        self.assertEqual(sorted((u['name'], u['sha256'], u['user']) for u in new),
                         [('a.png', sha256(png), USER), ('b.jpg', sha256(jpeg), USER)])
        self.assert_arrays_match(arrays, new)
        path = {u['name']: u['path'] for u in new}
        self.assert_rewritten(block('HTML Format'), original,
                              fragment.format(base_address() + path['a.png'],
                                              base_address() + path['b.jpg']))
        self.assertEqual(block('QX HTML Format'), original)
        self.assertEqual(formats().get('#13'), before['#13'])

        self.step('after')
        self.assertEqual(block('HTML Format'), original)

    def test_other_local_files_and_shares_stay(self):
        # Not pictures by their first bytes, whatever the name says; a share
        # is not a local drive.
        local('secret\\data.xlsx', b'PK\x03\x04' + os.urandom(2000))
        local('secret\\chart.png', b'PK\x03\x04' + os.urandom(2000))
        original = cf_html('<img src="file:///C:/secret/data.xlsx"><img src="file:///C:/secret/chart.png">'
                           '<img src="file://server/share/x.png">')
        put(('HTML Format', original))
        count = len(uploads())
        self.assertEqual(self.prepare(), NOTHING)
        self.assertEqual(save_requests(), [])
        self.assertEqual(len(uploads()), count)
        self.assertEqual(block('HTML Format'), original)

    def test_stored_picture_copied_for_its_owner_only(self):
        data = PNG + os.urandom(4000)
        stored = winenv.host_admin(host.port, '/admin/attachment',
                                   {'name': 'photo.png', 'base64': base64.b64encode(data).decode()})
        address = f'{base_address()}/download.php?id={stored["id"]}'
        fragment = '<p>as sent</p><img src="{}">'
        original = cf_html(fragment.format(address))

        put(('HTML Format', original))
        count = len(uploads())
        arrays = self.prepare(sid=session(USER))
        new = uploads()[count:]
        self.assertEqual([(u['name'], u['sha256'], u['user']) for u in new],
                         [('photo.png', stored['sha256'], USER)])
        self.assert_arrays_match(arrays, new)
        self.assert_rewritten(block('HTML Format'), original,
                              fragment.format(base_address() + new[0]['path']))

        # Another user's session: the host refuses the copy, the picture is
        # taken out of the HTML.
        put(('HTML Format', original))
        count = len(uploads())
        self.assertEqual(self.prepare(sid=session('bob@quillpost.com')), NOTHING)
        self.assertEqual(len(uploads()), count)
        self.assert_rewritten(block('HTML Format'), original,
                              fragment.format(address).replace('<img ', '<xxx '))


class Conversions(Paste):
    def test_bitmap_uploaded_as_jpeg(self):
        put(('#2', 'bitmap', '64x48'))
        count = len(uploads())
        arrays = self.prepare()
        new = uploads()[count:]
        self.assertEqual(len(new), 1, new)
        self.assertRegex(new[0]['name'], CLIP_FILE)
        self.assertEqual(jpeg_size(fetch(new[0]['path'])), (64, 48))
        self.assert_arrays_match(arrays, new)

    def test_picture_written_to_the_temporary_folder_before_the_paste(self):
        for label, content, size in [('bitmap', ('#2', 'bitmap', '64x48'), (64, 48)),
                                     ('metafile 100 x 50 mm', ('#14', 'emf', '10000x5000'), (340, 170))]:
            with self.subTest(label):
                put(content)
                old = clip_files()
                self.step('before')
                new = clip_files() - old
                self.assertEqual(len(new), 1, f'new in {temp_folder[1]}: {sorted(new)}')
                name = new.pop()
                path = os.path.join(temp_folder[1], name)
                self.addCleanup(os.unlink, path)
                with open(path, 'rb') as f:
                    self.assertEqual(jpeg_size(f.read()), size)
                html = block('HTML Format')
                numbers = header_numbers(html)
                self.assertTrue(set(numbers) >= {'StartHTML', 'EndHTML', 'StartFragment', 'EndFragment'},
                                html[:200])
                self.assertTrue(numbers['StartHTML'] <= numbers['StartFragment'] <= numbers['EndFragment']
                                <= numbers['EndHTML'] <= len(html), numbers)
                address = ('file://' + temp_folder[0] + name).encode()
                self.assertIn(address, html[numbers['StartFragment']:numbers['EndFragment']], html)

    def test_bitmap_with_text_left_to_the_text(self):
        put(('#2', 'bitmap', '64x48'), ('#1', b'a caption\0'))
        old = clip_files()
        count = len(uploads())
        self.assertEqual(self.prepare(), NOTHING)
        self.assertEqual(len(uploads()), count)
        self.assertEqual(clip_files(), old)

    def test_content_id_pictures_leave_the_text_and_bitmap(self):
        html = cf_html('<p>From Outlook</p><img width=8 height=4 src="cid:image001.png@01D9A1B2.C3D4E5F0">')
        put(('HTML Format', html), ('#13', unicode_text('From Outlook\r\n')), ('#8', dib(8, 4)))
        before = formats()
        self.step('before')
        after = formats()
        self.assertEqual({n: after.get(n) for n in ('#13', '#8')}, {n: before[n] for n in ('#13', '#8')})
        self.assertEqual(set(after) - {'#13', '#8'} - SYNTHESIZED, set(), dump())


class Files(Paste):
    def test_dropped_files_uploaded_once_each(self):
        one, two, three = os.urandom(1000), b'%PDF-1.4\n' + os.urandom(3000), os.urandom(2500)
        first = local('dropped\\one.txt', one)
        second = local('dropped\\two.pdf', two)
        local('dropped\\folder\\inside.txt', b'inside a folder')
        target = local('dropped\\target\\three.dat', three)
        probe('make-link', 'C:\\dropped\\three.lnk', target)
        put(('#15', 'hdrop', '|'.join([first, second, 'C:\\dropped\\folder', 'C:\\dropped\\three.lnk'])))
        dropped = block('#15')
        count = len(uploads())

        arrays = self.prepare()
        new = uploads()[count:]
        self.assertEqual(sorted((u['name'], u['sha256']) for u in new),
                         [('one.txt', sha256(one)), ('three.dat', sha256(three)), ('two.pdf', sha256(two))])
        self.assert_arrays_match(arrays, new)
        self.assertEqual([name for name, _, _ in dump()], ['QX HDROP Format'])
        self.assertEqual(block('QX HDROP Format'), dropped)

        self.step('after')
        self.assertEqual(block('#15'), dropped)

    def test_virtual_files_uploaded_without_files_left(self):
        files = [('one.txt', 'stream', b'the first file\r\n'), ('two.doc', 'storage', os.urandom(1500)),
                 ('four.bin', 'stream', os.urandom(4096)), ('..\\evil.txt', 'stream', b'evil\r\n')]
        parent = os.path.dirname(temp_folder[1])
        before = tree(parent)
        count = len(uploads())
        holder = Holder(files)
        arrays = self.prepare()
        holder.release()
        new = uploads()[count:]
        seen = f'uploads: {new}\nrequests: {holder.requests()}'

        self.assertEqual(len(new), 4, seen)
        by_name = {u['name']: u for u in new}
        for name, data in [('one.txt', files[0][2]), ('four.bin', files[2][2])]:
            self.assertEqual(by_name.get(name, {}).get('sha256'), sha256(data), seen)
        evil = [u for u in new if u['name'].endswith('evil.txt')]
        self.assertEqual([u['sha256'] for u in evil], [sha256(files[3][2])], seen)
        self.assertNotRegex(evil[0]['name'], r'[\\/]', seen)
        self.assertIn('two.doc', by_name, seen)
        compound = fetch(by_name['two.doc']['path'])
        self.assertEqual(compound[:4], b'\xd0\xcf\x11\xe0', seen)
        self.assertIn(files[1][2], compound)
        self.assert_arrays_match(arrays, new)
        asked = {int(line.split()[2]) for line in holder.requests()
                 if line.startswith('GetData FileContents ')}
        self.assertTrue({0, 1, 2, 3} <= asked, seen)

        after = tree(parent)
        changed = sorted(p for p in set(before) | set(after) if before.get(p) != after.get(p))
        self.assertEqual(changed, [], f'below {parent}')


# Another program's formats beside the content.
RTF = b'{\\rtf1\\ansi{\\fonttbl\\f0\\fswiss Helvetica;}\\f0 Hello from another program.\\par}\0'
PRIVATE = bytes(range(256)) * 3
OTHERS = {'Rich Text Format', 'QuillTest Private'}

# Which of the formats a program put are gone or changed once PrepareClipboard
# and AfterPaste ran: (alone, beside another program's formats). The control
# keeps the other programs' formats only while it leaves the clipboard alone;
# a metafile gives way to the JPEG made from it.
LOST = {
    'text': (set(), set()),
    'html': (set(), set()),
    'html with a local picture': (set(), OTHERS),
    'bitmap': (set(), OTHERS),
    'metafile': ({'#14'}, {'#14'} | OTHERS),
    'files': (set(), OTHERS),
    'virtual files': (set(), set()),
}


class NothingLost(Paste):
    def content(self, case, others):
        """Puts the content of `case` beside `others` (name, bytes); the names
        of the formats put, and the program that holds them (or None)."""
        text = ('#13', unicode_text('Hello\r\n'))
        if case == 'virtual files':
            extras = []
            for i, (name, data) in enumerate(others):
                extras += ['--extra', name + '=' + local(f'paste\\extra{i}.bin', data)]
            holder = Holder([('notes.txt', 'stream', b'notes\r\n'), ('mail.msg', 'storage', os.urandom(700))],
                            *extras)
            return ['FileGroupDescriptor', 'FileContents'] + [n for n, _ in others], holder
        if case == 'text':
            content = [text]
        elif case == 'html':
            content = [('HTML Format', cf_html('<p><b>bold</b> and plain</p>')), text]
        elif case == 'html with a local picture':
            local('pictures\\m.png', PNG + os.urandom(900))
            content = [('HTML Format', cf_html('<p>see</p><img src="file:///C:/pictures/m.png">')), text,
                       ('#8', dib(16, 8))]
        elif case == 'bitmap':
            content = [('#2', 'bitmap', '64x48')]
        elif case == 'metafile':
            content = [('#14', 'emf', '10000x5000')]
        elif case == 'files':
            paths = [local('matrix\\report.txt', os.urandom(800)), local('matrix\\sheet.bin', os.urandom(900))]
            content = [('#15', 'hdrop', '|'.join(paths))]
        content += others
        put(*content)
        return [c[0] for c in content], None

    def test_prepare_and_restore_keep_every_format(self):
        others = [('Rich Text Format', RTF), ('QuillTest Private', PRIVATE)]
        for case, (alone, beside) in LOST.items():
            for extra, lost in [([], alone), (others, beside)]:
                label = case + (' beside other formats' if extra else '')
                with self.subTest(label):
                    names, holder = self.content(case, extra)
                    try:
                        before = formats()
                        self.assertTrue(set(names) <= set(before), dump())
                        results = self.steps('prepare,after')
                        after = formats()
                    finally:
                        if holder:
                            holder.release()
                    gone = {n for n in names if after.get(n) != before[n]}
                    print(f'{label}: lost or changed {sorted(gone)}; steps {results}')
                    self.assertEqual(results['after'], 'ok')
                    self.assertEqual(gone, lost, f'before {before}\nafter {after}')


def hostile_blocks(fragment):
    """CF_HTML blocks whose header lies about where `fragment` is."""
    valid = cf_html(fragment)
    numbers = header_numbers(valid)
    end = len(valid)

    def field(data, name, value):
        return re.sub(rb'(?m)^' + name.encode() + rb':[-0-9]+\r$', name.encode() + b':' + value.encode() + b'\r',
                      data, count=1)

    past = field(field(valid, 'EndHTML', f'{end + 1000:010d}'), 'EndFragment', f'{end + 900:010d}')
    negative = field(field(valid, 'StartFragment', '-1'), 'EndFragment', '-000000001')
    reversed_ = field(field(valid, 'StartFragment', f'{numbers["EndFragment"]:010d}'),
                      'EndFragment', f'{numbers["StartFragment"]:010d}')
    huge = field(field(valid, 'EndHTML', '99999999999'), 'EndFragment', '99999999999')
    return [('offsets past the end', past), ('negative offsets', negative),
            ('start after end', reversed_), ('huge offsets', huge),
            ('no header', valid[numbers['StartHTML']:]),
            ('header only', valid[:numbers['StartHTML']] + b'\0')]


class Hostile(Paste):
    def test_lying_headers_change_nothing(self):
        local('pictures\\h.png', PNG + os.urandom(500))
        # A picture the preparation would upload, one the paste would take
        # away: only under a header that holds.
        fragments = [('local picture', '<img src="file:///C:/pictures/h.png">'),
                     ('content id', '<img src="cid:image002.png@01D9A1B2.C3D4E5F0">')]
        for kind, fragment in fragments:
            for label, html in hostile_blocks(fragment):
                with self.subTest(f'{label}, {kind}'):
                    self.assert_left_alone(html)

    def assert_left_alone(self, html):
        """PrepareClipboard, BeforePaste and AfterPaste each return and leave
        the clipboard as it was; nothing is uploaded."""
        winenv.host_admin(host.port, '/admin/log/clear', {})
        put(('HTML Format', html), ('#13', unicode_text('hostile\r\n')))
        before = dump()
        count = len(uploads())
        for step in ('prepare', 'before', 'after'):
            result = self.steps(step)[step]
            self.assertTrue(result == 'ok' or result == NOTHING, f'{step}: {result}')
            self.assertEqual(dump(), before, step)
        self.assertEqual(block('HTML Format'), html)
        self.assertEqual(len(uploads()), count)
        self.assertEqual(save_requests(), [])


if __name__ == '__main__':
    unittest.main()
