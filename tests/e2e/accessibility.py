"""What a screen reader and a keyboard user meet in a window, through
accessibility_probe.exe: the accessible tree, its checks, the focus and key
presses.

The checks: every element has a role; every interactive element (a push button, check box, edit field
or combo box that the Tab key reaches, or one the project draws itself) has
a non-empty name and a rectangle on the screen; every element the project
draws itself (an owner-drawn button) has a role and a default action of its
own. Standard controls keep the system's answers: under Wine 8 their role is
"client" and they have no default action."""

import os
import threading
from dataclasses import dataclass

import winenv

winenv.require_environment('ACCESSIBILITY_PROBE')
PROBE = os.environ['ACCESSIBILITY_PROBE']

WS_TABSTOP = 0x00010000
WS_VISIBLE = 0x10000000
BS_TYPEMASK, BS_OWNERDRAW, BS_GROUPBOX = 0x0F, 0x0B, 0x07
STATE_INVISIBLE, STATE_UNAVAILABLE = 0x8000, 0x1
SCREEN = (0, 0, 1024, 768)


@dataclass
class Element:
    depth: int
    window: str
    window_class: str
    style: int
    name: str
    role: str
    state: int
    action: str
    rect: tuple  # (left, top, width, height), or None
    description: str

    @property
    def drawn_by_project(self):
        return (self.window_class == 'Button'
                and self.style & BS_TYPEMASK == BS_OWNERDRAW)

    @property
    def interactive(self):
        if self.drawn_by_project:
            return True
        if self.window_class == 'Button':
            return self.style & BS_TYPEMASK != BS_GROUPBOX
        return self.window_class in ('Edit', 'ComboBox') and bool(self.style & WS_TABSTOP)

    @property
    def shown(self):
        return bool(self.style & WS_VISIBLE) and not self.state & STATE_INVISIBLE

    def line(self):
        return '\t'.join(str(x) for x in (
            self.depth, self.window, self.window_class, f'{self.style:08x}', self.name,
            self.role, f'{self.state:08x}', self.action,
            ' '.join(map(str, self.rect)) if self.rect else '-', self.description))


def parse(text):
    elements = []
    for line in text.splitlines():
        line = line.rstrip('\r')
        if not line:
            continue
        depth, window, cls, style, name, role, state, action, rect, description = \
            line.split('\t')
        elements.append(Element(int(depth), window, cls, int(style, 16), name, role,
                                int(state, 16), action,
                                None if rect == '-' else tuple(int(x) for x in rect.split()),
                                description))
    return elements


def tree(window):
    """The accessible tree of `window` (a handle as the probes print it)."""
    done = winenv.run(PROBE, 'tree', window)
    assert done.returncode == 0, f'accessibility_probe tree {window}: {done.stderr.strip()}'
    return parse(done.stdout)


def on_screen(rect):
    if not rect:
        return False
    left, top, width, height = rect
    return (width > 0 and height > 0 and left >= SCREEN[0] and top >= SCREEN[1]
            and left + width <= SCREEN[2] and top + height <= SCREEN[3])


def faults(elements):
    """What the checks find wrong, one text per element; empty when nothing."""
    found = []
    parents = []  # the element at each depth above the current one
    for e in elements:
        del parents[e.depth:]
        in_combo = bool(parents) and parents[-1].window_class == 'ComboBox'
        parents.append(e)
        if e.role == '-':
            found.append(f'no role: {e.line()}')
            continue
        if not e.shown:
            continue
        # A combo box's edit field is where its text is typed.
        interactive = e.interactive or (in_combo and e.window_class == 'Edit')
        if interactive and not e.name.strip():
            found.append(f'no name: {e.line()}')
        if interactive and not on_screen(e.rect):
            found.append(f'not on the screen: {e.line()}')
        if e.drawn_by_project and (e.role in ('client', '-') or not e.action):
            found.append(f'drawn by the project without a role and action: {e.line()}')
    return found


def check_and_save(test, window, path):
    """Dumps the tree of `window` to `path` and fails `test` with whatever
    the checks find. Returns the elements."""
    elements = tree(window)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'w', encoding='utf-8') as f:
        f.write('\n'.join(e.line() for e in elements) + '\n')
    test.assertTrue(elements, f'an empty accessible tree for {window}')
    test.assertEqual(faults(elements), [], f'the accessible tree of {window} ({path})')
    return elements


def reading_order(elements):
    """The names of the interactive elements on the screen, in the order a
    screen reader meets them."""
    return [e.name for e in elements if e.shown and e.interactive]


def alerts():
    """A list that fills with "alert NAME" for each alert that a program
    raises from now on (a screen reader announces those at once)."""
    listener = winenv.start_piped(PROBE, 'alerts')
    assert listener.stdout.readline().strip() == 'listening', 'the alert listener did not start'
    heard = []

    def listen():
        for line in listener.stdout:
            heard.append(line.strip())

    threading.Thread(target=listen, daemon=True).start()
    return heard


def focus():
    """(window handle, control id, class, text) of the keyboard focus, or None."""
    out = winenv.run(PROBE, 'focus').stdout.strip()
    if out == 'none' or not out:
        return None
    window, control, cls, *text = out.split(' ', 3)
    return window, int(control), cls, text[0] if text else ''


def keys(*names):
    """Presses and releases keys through the system's input queue: 'tab',
    'shift+tab', 'enter', 'space', 'escape', 'down', 'up', 'home', 'end',
    'backspace', or 'text:WORDS'."""
    done = winenv.run(PROBE, 'keys', *names)
    assert done.returncode == 0, f'accessibility_probe keys {names}: {done.stderr.strip()}'
