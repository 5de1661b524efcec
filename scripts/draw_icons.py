#!/usr/bin/env python3
"""Draws the notifier's icons into notifier/resources/icons/.

  app.ico                  application icon: brand-coloured envelope with a quill
  no_mail.ico              resting tray icon: light grey envelope
  unread.ico               unread mail present: blue envelope
  new_mail.ico             mail just arrived: blue envelope with an orange "!" badge
  check_1.ico..check_5.ico frames shown in turn while a mail check runs: the
                           resting envelope with a blue highlight sweeping across

Every .ico holds a 16x16 and a 32x32 image, 32-bit BGRA with alpha. The
outputs are committed so the build needs no Python; run this script again
after changing the artwork and commit the regenerated files. Standard library
only, and the output is byte-identical on every run, so an unchanged drawing
shows no diff.
"""

import math
import os
import struct

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                       os.pardir, 'notifier', 'resources', 'icons')
SIZES = (16, 32)
SUPERSAMPLE = 8  # samples per pixel per axis; 64 levels keeps 16px edges smooth


# --- shapes ----------------------------------------------------------------
# A shape is a predicate over a point in pixel coordinates (y grows down).
# Each carries a bounding box so the renderer can skip it cheaply.

class Shape:
    def __init__(self, test, box):
        self.test = test
        self.box = box  # (x0, y0, x1, y1)

    def __and__(self, other):
        box = (max(self.box[0], other.box[0]), max(self.box[1], other.box[1]),
               min(self.box[2], other.box[2]), min(self.box[3], other.box[3]))
        return Shape(lambda x, y: self.test(x, y) and other.test(x, y), box)

    def __or__(self, other):
        box = (min(self.box[0], other.box[0]), min(self.box[1], other.box[1]),
               max(self.box[2], other.box[2]), max(self.box[3], other.box[3]))
        return Shape(lambda x, y: self.test(x, y) or other.test(x, y), box)


def rounded_rect(x0, y0, x1, y1, r):
    def test(x, y):
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return Shape(test, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r,
                 (cx - r, cy - r, cx + r, cy + r))


def polygon(points):
    n = len(points)

    def test(x, y):
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = points[i]
            xj, yj = points[j]
            if (yi > y) != (yj > y) and \
                    x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                inside = not inside
            j = i
        return inside
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return Shape(test, (min(xs), min(ys), max(xs), max(ys)))


def _segment_dist2(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    l2 = dx * dx + dy * dy
    t = 0.0 if l2 == 0.0 else ((x - ax) * dx + (y - ay) * dy) / l2
    t = min(max(t, 0.0), 1.0)
    px, py = ax + t * dx - x, ay + t * dy - y
    return px * px + py * py


def polyline(points, width):
    """Stroke with round joins and caps."""
    h2 = (width / 2.0) ** 2
    segs = list(zip(points, points[1:]))

    def test(x, y):
        for (ax, ay), (bx, by) in segs:
            if _segment_dist2(x, y, ax, ay, bx, by) <= h2:
                return True
        return False
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    h = width / 2.0
    return Shape(test, (min(xs) - h, min(ys) - h, max(xs) + h, max(ys) + h))


# --- paint -----------------------------------------------------------------
# A paint is an (r, g, b, a) tuple, r/g/b 0..255 and a 0..1, or a function of
# the point returning one, for gradients and soft highlights.

def vertical_gradient(top, bottom, y0, y1):
    def paint(x, y):
        t = min(max((y - y0) / (y1 - y0), 0.0), 1.0)
        return tuple(a + (b - a) * t for a, b in zip(top, bottom))
    return paint


def render(size, layers, height=None):
    """Paints layers (shape, paint) bottom to top on a size x size canvas, or
    size wide and height high; returns rows of RGBA."""
    n = SUPERSAMPLE
    offsets = [(i + 0.5) / n for i in range(n)]
    rows = []
    for py in range(size if height is None else height):
        row = []
        for px in range(size):
            live = [(s, p) for s, p in layers
                    if s.box[0] < px + 1 and s.box[2] > px and
                    s.box[1] < py + 1 and s.box[3] > py]
            acc_r = acc_g = acc_b = acc_a = 0.0
            for oy in offsets:
                y = py + oy
                for ox in offsets:
                    x = px + ox
                    # premultiplied "over" compositing
                    r = g = b = a = 0.0
                    for shape, paint in live:
                        if shape.test(x, y):
                            c = paint(x, y) if callable(paint) else paint
                            sa = c[3]
                            k = 1.0 - sa
                            r = c[0] * sa + r * k
                            g = c[1] * sa + g * k
                            b = c[2] * sa + b * k
                            a = sa + a * k
                    acc_r += r
                    acc_g += g
                    acc_b += b
                    acc_a += a
            count = n * n
            alpha = acc_a / count
            if alpha <= 0.0:
                row.append((0, 0, 0, 0))
                continue
            out_a = int(round(alpha * 255))
            if out_a == 0:
                row.append((0, 0, 0, 0))
                continue
            scale = 1.0 / (alpha * count)
            row.append(tuple(min(255, int(round(v * scale)))
                             for v in (acc_r, acc_g, acc_b)) + (out_a,))
        rows.append(row)
    return rows


# --- artwork ---------------------------------------------------------------
# Geometry is laid out on a 16-unit grid scaled by k = size / 16; stroke widths
# are chosen per size in whole pixels where possible so edges stay crisp.

NEUTRAL = dict(outline=(62, 66, 76, 1), body=(250, 250, 251, 1),
               flap=(226, 229, 235, 1), line=(110, 116, 128, 1))
BLUE = dict(outline=(12, 40, 96, 1), body=(30, 112, 226, 1),
            flap=(92, 162, 248, 1), line=(12, 40, 96, 1))
ORANGE = (255, 110, 20, 1)
WHITE = (255, 255, 255, 1)
DARK = (40, 24, 16, 1)


class Envelope:
    """The shared envelope: rounded dark rim, body, flap triangle and its V."""

    def __init__(self, size, x0=1, y0=3, x1=15, y1=13):
        k = size / 16.0
        self.k = k
        self.rim = 1.0 if size <= 16 else 2.0
        self.line_w = 1.0 if size <= 16 else 2.0
        self.outer = rounded_rect(x0 * k, y0 * k, x1 * k, y1 * k, 1.2 * k)
        rim = self.rim
        ix0, iy0, ix1, iy1 = x0 * k + rim, y0 * k + rim, x1 * k - rim, y1 * k - rim
        self.inner = rounded_rect(ix0, iy0, ix1, iy1, max(0.0, 1.2 * k - rim))
        self.box = (ix0, iy0, ix1, iy1)
        # the flap edges run at 45 degrees so that at 16px the V is an even
        # one-pixel staircase
        half = (ix1 - ix0) / 2.0
        self.apex = (ix0 + half, iy0 + half)
        self.flap = polygon([(ix0, iy0), self.apex, (ix1, iy0)])
        if size <= 16:
            # hand-hinted: one whole pixel per row, as antialiasing a 1px
            # diagonal turns it into a grey smear at this size
            steps = []
            for i in range(int(half)):
                steps.append(rounded_rect(ix0 + i, iy0 + i, ix0 + i + 1, iy0 + i + 1, 0))
                steps.append(rounded_rect(ix1 - i - 1, iy0 + i, ix1 - i, iy0 + i + 1, 0))
            v = steps[0]
            for sq in steps[1:]:
                v = v | sq
            self.v = v
        else:
            self.v = polyline([(ix0, iy0), self.apex, (ix1, iy0)],
                              self.line_w) & self.inner

    def layers(self, colours, body_paint=None, overlay=()):
        """overlay: layers drawn on the body below the V, clipped to it."""
        out = [(self.outer, colours['outline']),
               (self.inner, body_paint or colours['body'])]
        if self.k > 1:
            # lower folds: a quiet detail only where there is room for it
            ix0, iy0, ix1, iy1 = self.box
            fold = tuple(c * 0.86 for c in colours['flap'][:3]) + (0.55,)
            for xa, xb in ((ix0, ix0 + (ix1 - ix0) * 0.36),
                           (ix1, ix1 - (ix1 - ix0) * 0.36)):
                out.append((polyline([(xa, iy1), (xb, iy0 + (iy1 - iy0) * 0.52)],
                                     1.0) & self.inner, fold))
        out.append((self.flap & self.inner, colours['flap']))
        for shape, paint in overlay:
            out.append((shape & self.inner, paint))
        out.append((self.v, colours['line']))
        return out


def draw_no_mail(size):
    return render(size, Envelope(size).layers(NEUTRAL))


def draw_unread(size):
    return render(size, Envelope(size).layers(BLUE))


def badge(size, cx, cy, r):
    """Orange disc with a white "!", ringed dark so it reads on any colour."""
    k = size / 16.0
    # centre on a pixel centre so the "!" strokes land on whole pixels
    x = math.floor(cx * k) + 0.5
    y = math.floor(cy * k) + 0.5
    if size <= 16:
        ring, radius = 1.0, r * k
        bar_w, bar = 1.0, (y - 2.5, y + 1.5)
        dot = rounded_rect(x - 0.5, y + 2.5, x + 0.5, y + 3.5, 0)
    else:
        ring, radius = 1.5, r * k - 0.5
        bar_w, bar = 3.0, (y - 6.5, y + 0.5)
        dot = rounded_rect(x - 1.5, y + 2.5, x + 1.5, y + 5.5, 0.9)
    return [(circle(x, y, radius), DARK),
            (circle(x, y, radius - ring), ORANGE),
            (rounded_rect(x - bar_w / 2, bar[0], x + bar_w / 2, bar[1],
                          0 if size <= 16 else bar_w / 2), WHITE),
            (dot, WHITE)]


def draw_new_mail(size):
    env = Envelope(size)
    return render(size, env.layers(BLUE) + badge(size, 11.5, 4.5, 4.5))


def quill(size):
    """A feather lying across the envelope's top right, nib towards the centre."""
    k = size / 16.0
    nib = (7.6 * k, 11.2 * k)
    tip = (15.7 * k, 0.3 * k)
    ax, ay = tip[0] - nib[0], tip[1] - nib[1]
    length = math.hypot(ax, ay)
    ux, uy = ax / length, ay / length
    nx, ny = uy, -ux  # to the right of the shaft, seen from the nib
    bend = 0.7 * k    # the spine bows slightly to the right

    def at(t, off):
        off += bend * math.sin(math.pi * t)
        return (nib[0] + ux * length * t + nx * off,
                nib[1] + uy * length * t + ny * off)

    t0 = 0.24  # where the vane starts; below it only the bare quill and nib
    width = 2.5 * k
    left, right = [], []
    steps = 32
    for i in range(steps + 1):
        t = t0 + (1.0 - t0) * i / steps
        s = (t - t0) / (1.0 - t0)
        w = width * max(0.0, math.sin(math.pi * s ** 0.7)) ** 0.8
        right.append(at(t, w))
        left.append(at(t, -w * 0.62))
    outline_pts = right + left[::-1]
    vane = polygon(outline_pts)
    edge = 1.0 if size <= 16 else 1.3
    rim = polyline(outline_pts + [outline_pts[0]], edge * 2) | vane
    nib_shape = polygon([at(-0.02, 0.0), at(t0 + 0.03, 0.75 * k),
                         at(t0 + 0.03, -0.75 * k)])
    layers = [(rim | nib_shape, DARK), (vane, (255, 248, 228, 1))]
    if size > 16:
        # barbs: a few cuts along the wide side make the shape read as a feather
        barb = (150, 112, 60, 1)
        for t in (0.5, 0.66, 0.8):
            w = width * max(0.0, math.sin(math.pi * ((t - t0) / (1 - t0)) ** 0.7)) ** 0.8
            layers.append((polyline([at(t, 0.3 * k), at(t - 0.08, w + 0.5)], 1.0)
                           & vane, barb))
        layers.append((polyline([at(0.0, 0.0), at(0.97, 0.0)], 1.3) & (vane | nib_shape),
                       (186, 140, 62, 1)))
        layers.append((polygon([at(-0.01, 0.0), at(t0, 0.42 * k),
                                at(t0, -0.42 * k)]), (90, 96, 110, 1)))
    else:
        layers.append((polyline([at(0.3, 0.0), at(0.9, 0.0)], 0.8) & vane,
                       (186, 140, 62, 1)))
    return layers


BRAND = dict(outline=(10, 52, 62, 1), body=(0, 140, 158, 1),
             flap=(84, 196, 206, 1), line=(10, 52, 62, 1))


def draw_app(size):
    env = Envelope(size, x0=0, y0=5, x1=14, y1=15)
    body = vertical_gradient((18, 168, 184, 1), (0, 112, 132, 1),
                             env.box[1], env.box[3])
    return render(size, env.layers(BRAND, body_paint=body) + quill(size))


CHECK_FRAMES = 5


def draw_check(size, frame):
    """The resting envelope with a shine crossing it, left to right by frame."""
    env = Envelope(size)
    k = size / 16.0
    x0, y0, x1, y1 = env.box
    # centres spread so the band enters at the left edge and leaves at the right
    cx = x0 + (x1 - x0) * (0.08 + 0.84 * frame / (CHECK_FRAMES - 1))
    half = 1.9 * k
    mid_y = (y0 + y1) / 2.0

    def sweep(x, y):
        # flat core with a short falloff: a shine rather than a smear
        d = abs((x - cx) + (y - mid_y) * 0.45) / half
        a = min(1.0, max(0.0, (1.0 - d) * 2.2)) * 0.85
        return (40, 140, 255, a)
    band = Shape(lambda x, y: True, (cx - half - 4 * k, y0, cx + half + 4 * k, y1))
    return render(size, env.layers(NEUTRAL, overlay=[(band, sweep)]))


# --- file format -----------------------------------------------------------

def icon_image(rows):
    """One ICO image: BITMAPINFOHEADER, bottom-up BGRA, then the AND mask."""
    size = len(rows)
    stride = ((size + 31) // 32) * 4  # mask rows are padded to 32 bits
    image_bytes = size * size * 4 + stride * size
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0,
                         image_bytes, 0, 0, 0, 0)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of (size, rows), smallest first."""
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    blobs = []
    for size, rows in images:
        blob = icon_image(rows)
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32,
                           len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    for blob in blobs:
        out += blob
    return bytes(out)


def all_icons():
    """file name -> {size: rows}."""
    icons = {
        'app.ico': draw_app,
        'no_mail.ico': draw_no_mail,
        'unread.ico': draw_unread,
        'new_mail.ico': draw_new_mail,
    }
    for i in range(CHECK_FRAMES):
        icons['check_%d.ico' % (i + 1)] = (lambda f: lambda s: draw_check(s, f))(i)
    return {name: {s: draw(s) for s in SIZES} for name, draw in icons.items()}


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, images in all_icons().items():
        data = ico_bytes([(s, images[s]) for s in SIZES])
        path = os.path.join(OUT_DIR, name)
        with open(path, 'wb') as f:
            f.write(data)
        print('wrote %s (%d bytes)' % (os.path.normpath(path), len(data)))


if __name__ == '__main__':
    main()
