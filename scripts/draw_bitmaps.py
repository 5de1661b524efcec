#!/usr/bin/env python3
"""Draws the notifier's bitmaps into notifier/resources/bitmaps/.

  130 footer.bmp        254 x 25  the six action images on the footer's beige
  131 footer_band.bmp    10 x 10  soft shade above the footer box
  132 header_band.bmp    10 x 10  soft shade below the header box
  133 header.bmp         10 x 35  header background, light to beige
  135 logo.bmp           80 x 34  the app's envelope and quill with "Quillpost"
  143 reply.bmp          35 x 25  hover images of the actions: the strip's
  147 reply_all.bmp      35 x 25  image on a light blue highlight
  148 forward.bmp        35 x 25
  149 delete.bmp         29 x 25
  162 mark_read.bmp      29 x 25
  163 mark_spam.bmp      29 x 25
  150 attachment.bmp     13 x 15  paper clip before a subject, on white
  151 previous.bmp       17 x 25  arrows beside the footer strip
  153 next.bmp           17 x 25
  158 close.bmp          16 x 16  close button on the header
  159 help.bmp           20 x 20  help image of the dialogs, on white

The drawing speaks the tray icons' language (scripts/draw_icons.py, whose
shapes and renderer it uses): dark rims, the blue and teal of the envelopes,
round strokes. Bitmaps are opaque, so each is composed over the colour that
lies under it on screen: the header gradient at its row, the footer's beige
RGB(226,226,202) or white. 24-bit uncompressed BMP files; the outputs are
committed so the build needs no Python. Standard library only and
byte-identical on every run, so an unchanged drawing shows no diff.
"""

import math
import os
import struct

import draw_icons as ink
from draw_icons import Shape, circle, polygon, polyline, rounded_rect

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                       os.pardir, 'notifier', 'resources', 'bitmaps')

WHITE = (255, 255, 255)
BEIGE = (226, 226, 202)  # the popup's box brush
DARK = (40, 46, 58, 1)
BLUE = (30, 112, 226, 1)
LIGHT_BLUE = (92, 162, 248, 1)
GREEN = (40, 160, 72, 1)
RED = (214, 44, 32, 1)
GREY = (90, 96, 110, 1)


def mix(a, b, t):
    return tuple(int(round(x + (y - x) * t)) for x, y in zip(a, b))


HEADER_HEIGHT = 35


def header_row(y):
    """The header background at row y: near white fading into the beige."""
    t = min(max(y / (HEADER_HEIGHT - 1), 0.0), 1.0)
    return mix((255, 255, 252), BEIGE, t ** 1.4)


# --- composition -------------------------------------------------------------

def translated(layers, dx, dy):
    out = []
    for shape, paint in layers:
        moved = Shape((lambda s: lambda x, y: s.test(x - dx, y - dy))(shape),
                      (shape.box[0] + dx, shape.box[1] + dy,
                       shape.box[2] + dx, shape.box[3] + dy))
        if callable(paint):
            paint = (lambda p: lambda x, y: p(x - dx, y - dy))(paint)
        out.append((moved, paint))
    return out


def mirrored(layers, axis):
    """Mirror left to right about the vertical line x = axis."""
    out = []
    for shape, paint in layers:
        box = (2 * axis - shape.box[2], shape.box[1],
               2 * axis - shape.box[0], shape.box[3])
        out.append((Shape((lambda s: lambda x, y: s.test(2 * axis - x, y))(shape),
                          box), paint))
    return out


def compose(width, height, layers, background):
    """Opaque rows of RGB: layers rendered and laid over background(x, y)."""
    rows = ink.render(width, layers, height)
    out = []
    for y, row in enumerate(rows):
        line = []
        for x, (r, g, b, a) in enumerate(row):
            under = background(x, y)
            t = a / 255.0
            line.append(tuple(int(round(c * t + u * (1.0 - t)))
                              for c, u in zip((r, g, b), under)))
        out.append(line)
    return out


def solid(colour):
    return lambda x, y: colour


def bmp_bytes(rows):
    """24-bit bottom-up BMP with rows padded to four bytes."""
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    head = struct.pack('<2sIHHI', b'BM', 14 + len(info) + len(pixels), 0, 0,
                       14 + len(info))
    return head + info + bytes(pixels)


# --- glyphs ----------------------------------------------------------------

def rimmed(shape_dark, shape_fill, fill):
    """A fill with a dark rim: the dark shape is the fill grown by the rim."""
    return [(shape_dark, DARK), (shape_fill, fill)]


def bezier(p0, p1, p2, steps=16):
    pts = []
    for i in range(steps + 1):
        t = i / steps
        a, b, c = (1 - t) ** 2, 2 * (1 - t) * t, t * t
        pts.append((a * p0[0] + b * p1[0] + c * p2[0],
                    a * p0[1] + b * p1[1] + c * p2[1]))
    return pts


def arrow_head(tip, back, half, fill):
    """A head pointing left from x = back to the tip, half its height."""
    pts = [tip, (back, tip[1] - half), (back, tip[1] + half)]
    return rimmed(polygon(pts) | polyline(pts + [pts[0]], 2.0),
                  polygon(pts), fill)


def reply_arrow(cx, cy, fill=BLUE):
    """A curved arrow turning back to the left: the reply sign."""
    shaft = bezier((cx - 3, cy - 2), (cx + 8, cy - 2), (cx + 8, cy + 7))
    return ([(polyline(shaft, 5.4), DARK), (polyline(shaft, 3.2), fill)] +
            arrow_head((cx - 9.5, cy - 2), cx - 2.5, 5.5, fill))


def draw_reply(cx, cy):
    return reply_arrow(cx, cy)


def draw_reply_all(cx, cy):
    # a second, lighter head behind the first
    return (arrow_head((cx - 11.5, cy - 2), cx - 5.5, 5.5, LIGHT_BLUE) +
            reply_arrow(cx + 2, cy))


def draw_forward(cx, cy):
    return mirrored(reply_arrow(cx, cy), cx)


def draw_delete(cx, cy):
    body = [(cx - 6, cy - 3.5), (cx + 6, cy - 3.5), (cx + 5, cy + 8.5),
            (cx - 5, cy + 8.5)]
    lid = rounded_rect(cx - 8, cy - 7, cx + 8, cy - 4, 1.0)
    grip = rounded_rect(cx - 3, cy - 9.5, cx + 3, cy - 6, 1.0)
    face = (200, 208, 220, 1)
    layers = [(grip, DARK), (rounded_rect(cx - 1.8, cy - 8.5, cx + 1.8, cy - 6, 0.5),
                             face)]
    layers += rimmed(polygon(body) | polyline(body + [body[0]], 2.0),
                     polygon(body), face)
    layers += rimmed(lid, rounded_rect(cx - 7, cy - 6, cx + 7, cy - 5, 0.3), face)
    for dx in (-2.7, 0.0, 2.7):
        layers.append((polyline([(cx + dx, cy - 1), (cx + dx * 0.9, cy + 6.5)], 1.2),
                       GREY))
    return layers


def envelope(cx, cy):
    return translated(ink.Envelope(16).layers(ink.NEUTRAL), cx - 8, cy - 8)


def corner_badge(cx, cy, fill):
    x, y = cx + 5.5, cy + 4.5
    return [(circle(x, y, 5.0), DARK), (circle(x, y, 4.0), fill)]


def draw_mark_read(cx, cy):
    x, y = cx + 5.5, cy + 4.5
    tick = polyline([(x - 2.2, y + 0.2), (x - 0.6, y + 1.9), (x + 2.3, y - 1.6)], 1.5)
    return envelope(cx - 2, cy - 1) + corner_badge(cx, cy, GREEN) + \
        [(tick, (255, 255, 255, 1))]


def draw_mark_spam(cx, cy):
    x, y = cx + 5.5, cy + 4.5
    bar = rounded_rect(x - 2.6, y - 0.8, x + 2.6, y + 0.8, 0.4)
    return envelope(cx - 2, cy - 1) + corner_badge(cx, cy, RED) + \
        [(bar, (255, 255, 255, 1))]


# The six actions: (file, id, offset in the strip, width, drawing).
ACTIONS = (
    ('reply.bmp', 143, 3, 35, draw_reply),
    ('reply_all.bmp', 147, 51, 35, draw_reply_all),
    ('forward.bmp', 148, 99, 35, draw_forward),
    ('delete.bmp', 149, 144, 29, draw_delete),
    ('mark_read.bmp', 162, 185, 29, draw_mark_read),
    ('mark_spam.bmp', 163, 223, 29, draw_mark_spam),
)
STRIP = (254, 25)
CELL_HEIGHT = 25


def highlight(width):
    """The hover face: a light blue rounded panel with a blue edge."""
    return [(rounded_rect(0.5, 0.5, width - 0.5, CELL_HEIGHT - 0.5, 4.0),
             (92, 162, 248, 1)),
            (rounded_rect(1.5, 1.5, width - 1.5, CELL_HEIGHT - 1.5, 3.0),
             (222, 236, 252, 1))]


def draw_strip():
    layers = []
    for _, _, offset, width, draw in ACTIONS:
        layers += draw(offset + width / 2.0, CELL_HEIGHT / 2.0)
    return compose(STRIP[0], STRIP[1], layers, solid(BEIGE))


def draw_hover(width, draw):
    layers = highlight(width) + draw(width / 2.0, CELL_HEIGHT / 2.0)
    return compose(width, CELL_HEIGHT, layers, solid(BEIGE))


def draw_step_arrow(left):
    cx, cy = 8.5, 12.5
    pts = [(cx - 4, cy), (cx + 3, cy - 6), (cx + 3, cy + 6)]
    layers = rimmed(polygon(pts) | polyline(pts + [pts[0]], 2.4),
                    polygon(pts), BLUE)
    if not left:
        layers = mirrored(layers, cx)
    return compose(17, 25, layers, solid(BEIGE))


def draw_close():
    # sits on the header at rows 3 to 18 of its background
    layers = [(rounded_rect(1.5, 1.5, 14.5, 14.5, 2.5), (160, 160, 134, 1)),
              (rounded_rect(2.5, 2.5, 13.5, 13.5, 1.8), (255, 255, 255, 0.75)),
              (polyline([(5, 5), (11, 11)], 2.0), GREY),
              (polyline([(11, 5), (5, 11)], 2.0), GREY)]
    return compose(16, 16, layers, lambda x, y: header_row(y + 3))


def draw_attachment():
    def arc(cx, cy, r, a0, a1, steps=10):
        return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * i / steps)),
                 cy + r * math.sin(math.radians(a0 + (a1 - a0) * i / steps)))
                for i in range(steps + 1)]
    path = ([(7.5, 4.5), (7.5, 10.5)] + arc(6.0, 10.5, 1.5, 0, 180) +
            [(4.5, 3.5)] + arc(7.0, 3.5, 2.5, 180, 360) +
            [(9.5, 11.5)] + arc(6.0, 11.5, 3.5, 0, 120))
    return compose(13, 15, [(polyline(path, 1.3), GREY)], solid(WHITE))


# A pixel face for the logo's word: capitals and ascenders 8 rows, small
# letters 6, the tails of "Q" and "p" hang below the baseline.
LOGO_GLYPHS = {
    'Q': ['.XXXXX.', 'XXX.XXX', 'XX...XX', 'XX...XX', 'XX...XX', 'XX.X.XX',
          'XXX.XXX', '.XXXXX.', '....XXX'],
    'u': ['XX..XX', 'XX..XX', 'XX..XX', 'XX..XX', 'XX.XXX', '.XXXXX'],
    'i': ['XX', '..', 'XX', 'XX', 'XX', 'XX', 'XX', 'XX'],
    'l': ['XX'] * 8,
    'p': ['XXXXX.', 'XX..XX', 'XX..XX', 'XX..XX', 'XX..XX', 'XXXXX.',
          'XX....', 'XX....'],
    'o': ['.XXXX.', 'XX..XX', 'XX..XX', 'XX..XX', 'XX..XX', '.XXXX.'],
    's': ['.XXXX', 'XX...', 'XXXX.', '.XXXX', '...XX', 'XXXX.'],
    't': ['.XX.', '.XX.', 'XXXX', '.XX.', '.XX.', '.XX.', '.XX.', '..XX'],
}
# rows above the baseline for each glyph (the rest hang below it)
LOGO_ABOVE = {'Q': 8, 'u': 6, 'i': 8, 'l': 8, 'p': 6, 'o': 6, 's': 6, 't': 8}


def draw_logo():
    width, height = 80, 34
    icon = ink.draw_app(26)
    icon_x, icon_y = 1, 4
    # the logo sits on the header one row below its top
    rows = [[header_row(y + 1) for _ in range(width)] for y in range(height)]
    for y, row in enumerate(icon):
        for x, (r, g, b, a) in enumerate(row):
            t = a / 255.0
            under = rows[icon_y + y][icon_x + x]
            rows[icon_y + y][icon_x + x] = tuple(
                int(round(c * t + u * (1 - t))) for c, u in zip((r, g, b), under))
    baseline = 20
    x = 30
    for i, ch in enumerate('Quillpost'):
        colour = (10, 52, 62) if i < 5 else (0, 140, 158)
        glyph = LOGO_GLYPHS[ch]
        top = baseline - LOGO_ABOVE[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == 'X':
                    rows[top + gy][x + gx] = colour
        x += len(glyph[0]) + 1
    assert x - 1 <= width, 'the word does not fit the logo'
    return rows


def draw_help():
    glyph = ['.XXXX.', 'XX..XX', '....XX', '...XX.', '..XX..', '..XX..',
             '......', '..XX..']
    layers = [(circle(10, 10, 9.5), DARK), (circle(10, 10, 8.5), BLUE)]
    rows = compose(20, 20, layers, solid(WHITE))
    for gy, line in enumerate(glyph):
        for gx, bit in enumerate(line):
            if bit == 'X':
                rows[6 + gy][7 + gx] = WHITE
    return rows


def shade(strength, downwards):
    """A ten-row shade, darkest next to the box it borders."""
    rows = []
    for y in range(10):
        d = y if downwards else 9 - y
        t = strength * (1.0 - d / 10.0) ** 2
        rows.append([mix(WHITE, (176, 176, 150), t)] * 10)
    return rows


def all_bitmaps():
    """file name -> rows of RGB."""
    out = {
        'footer.bmp': draw_strip(),
        'footer_band.bmp': shade(0.35, downwards=False),
        'header_band.bmp': shade(0.5, downwards=True),
        'header.bmp': [[header_row(y)] * 10 for y in range(HEADER_HEIGHT)],
        'logo.bmp': draw_logo(),
        'attachment.bmp': draw_attachment(),
        'previous.bmp': draw_step_arrow(left=True),
        'next.bmp': draw_step_arrow(left=False),
        'close.bmp': draw_close(),
        'help.bmp': draw_help(),
    }
    for name, _, _, width, draw in ACTIONS:
        out[name] = draw_hover(width, draw)
    return out


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, rows in sorted(all_bitmaps().items()):
        data = bmp_bytes(rows)
        path = os.path.join(OUT_DIR, name)
        with open(path, 'wb') as f:
            f.write(data)
        print('wrote %s (%d x %d)' % (os.path.normpath(path), len(rows[0]),
                                      len(rows)))


if __name__ == '__main__':
    main()
