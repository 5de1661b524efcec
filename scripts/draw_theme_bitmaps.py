#!/usr/bin/env python3
"""Draws the browser control's theme bitmaps into control/resources/bitmaps/.

  pal_<theme>.bmp     8 x 1, the theme colour (only the top-left pixel is read)
  ok_<theme>.bmp      63 x 19, the OK button
  cancel_<theme>.bmp  63 x 19 (62 x 19 for blue), the Cancel button
  toolbox.bmp         16 x 16, the control's picture in design tools

A button is a rounded face with a soft vertical shade and a dark outline,
on corners of light grey RGB(245, 245, 245), carrying its word in a bold
pixel face. 24-bit uncompressed BMP files; the outputs are committed so the
build needs no Python. Standard library only and byte-identical on every
run, so an unchanged drawing shows no diff.
"""

import os
import struct

OUT_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)),
                       os.pardir, 'control', 'resources', 'bitmaps')
CORNER = (245, 245, 245)
SUPERSAMPLE = 6

# theme: (colour, face top, face bottom, outline, lettering)
THEMES = {
    'blue':  ((0, 51, 153),    (232, 74, 62),   (178, 28, 22),  (104, 14, 10),  (255, 255, 255)),
    'green': ((193, 221, 48),  (255, 166, 52),  (226, 108, 0),  (140, 62, 0),   (255, 255, 255)),
    'pink':  ((250, 194, 231), (166, 86, 196),  (108, 38, 140), (64, 16, 86),   (255, 255, 255)),
    'retro': ((232, 211, 182), (246, 234, 210), (214, 192, 154), (120, 98, 66), (0, 0, 0)),
    'steel': ((200, 210, 220), (62, 92, 150),   (20, 44, 96),   (8, 18, 48),    (255, 255, 255)),
}

# A bold face drawn for these two words only: 9 pixels for capitals and
# ascenders, 7 for small letters, all standing on one baseline.
GLYPHS = {
    'O': ['..XXXX..',
          '.XXXXXX.',
          'XXX..XXX',
          'XX....XX',
          'XX....XX',
          'XX....XX',
          'XXX..XXX',
          '.XXXXXX.',
          '..XXXX..'],
    'K': ['XX...XXX',
          'XX..XXX.',
          'XX.XXX..',
          'XXXXX...',
          'XXXX....',
          'XXXXX...',
          'XX.XXX..',
          'XX..XXX.',
          'XX...XXX'],
    'C': ['..XXXXX.',
          '.XXXXXXX',
          'XXX...XX',
          'XX......',
          'XX......',
          'XX......',
          'XXX...XX',
          '.XXXXXXX',
          '..XXXXX.'],
    'a': ['.XXXXX.',
          'XX...XX',
          '.....XX',
          '.XXXXXX',
          'XX...XX',
          'XX..XXX',
          '.XXX.XX'],
    'n': ['XX.XXX.',
          'XXXXXXX',
          'XXX..XX',
          'XX...XX',
          'XX...XX',
          'XX...XX',
          'XX...XX'],
    'c': ['.XXXXX.',
          'XXX..XX',
          'XX.....',
          'XX.....',
          'XX.....',
          'XXX..XX',
          '.XXXXX.'],
    'e': ['.XXXXX.',
          'XX...XX',
          'XXXXXXX',
          'XX.....',
          'XX.....',
          'XX...XX',
          '.XXXXX.'],
    'l': ['XX', 'XX', 'XX', 'XX', 'XX', 'XX', 'XX', 'XX', 'XX'],
}
CAP_HEIGHT = 9
LETTER_GAP = 1


def glyph_width(g):
    return max(len(row) for row in GLYPHS[g])


def word_width(word):
    return sum(glyph_width(g) for g in word) + LETTER_GAP * (len(word) - 1)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def inside_rounded(x, y, w, h, r):
    cx = min(max(x, r), w - r)
    cy = min(max(y, r), h - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def coverage(px, py, w, h, r):
    """Share of pixel (px, py) inside the rounded rectangle (0, 0, w, h)."""
    n = 0
    for i in range(SUPERSAMPLE):
        for j in range(SUPERSAMPLE):
            x = px + (i + 0.5) / SUPERSAMPLE
            y = py + (j + 0.5) / SUPERSAMPLE
            n += inside_rounded(x, y, w, h, r)
    return n / (SUPERSAMPLE * SUPERSAMPLE)


def button(width, height, word, face_top, face_bottom, outline, lettering):
    radius = 5.0
    rows = []
    for y in range(height):
        row = []
        shade = mix(face_top, face_bottom, y / (height - 1))
        for x in range(width):
            outer = coverage(x, y, width, height, radius)
            inner = coverage(x - 1, y - 1, width - 2, height - 2, radius - 1)
            if outer == 0:
                row.append(CORNER)
                continue
            # Outline ring, then the face inside it; a lighter line under
            # the top edge gives the face some relief.
            pixel = mix(outline, shade, inner)
            if y == 1 and inner > 0:
                pixel = mix(pixel, (255, 255, 255), 0.35 * inner)
            row.append(mix(CORNER, pixel, outer))
        rows.append(row)
    left = (width - word_width(word)) // 2
    baseline = (height + CAP_HEIGHT) // 2  # row below the letters
    for g in word:
        glyph = GLYPHS[g]
        top = baseline - len(glyph)
        for gy, line in enumerate(glyph):
            for gx, cell in enumerate(line):
                if cell == 'X':
                    rows[top + gy][left + gx] = lettering
        left += glyph_width(g) + LETTER_GAP
    return rows


def write_bmp(path, rows):
    height = len(rows)
    width = len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b'\0' * (stride - len(line))
        pixels += line
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(header + info + pixels)


def toolbox():
    rows = [[(192, 192, 192)] * 16 for _ in range(16)]
    for y in range(3, 13):
        for x in range(2, 14):
            edge = y in (3, 12) or x in (2, 13)
            rows[y][x] = (0, 51, 153) if edge else (255, 255, 255)
    for x in range(4, 12):  # an envelope's flap
        y = 4 + min(x - 4, 11 - x)
        rows[y][x] = (0, 51, 153)
    return rows


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    for theme, (colour, top, bottom, outline, lettering) in THEMES.items():
        write_bmp(os.path.join(OUT_DIR, f'pal_{theme}.bmp'), [[colour] * 8])
        write_bmp(os.path.join(OUT_DIR, f'ok_{theme}.bmp'),
                  button(63, 19, 'OK', top, bottom, outline, lettering))
        cancel_width = 62 if theme == 'blue' else 63
        write_bmp(os.path.join(OUT_DIR, f'cancel_{theme}.bmp'),
                  button(cancel_width, 19, 'Cancel', top, bottom, outline, lettering))
    write_bmp(os.path.join(OUT_DIR, 'toolbox.bmp'), toolbox())


if __name__ == '__main__':
    main()
