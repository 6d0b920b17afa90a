#!/usr/bin/env python3
"""Generate the bitmap graphics of the Quorvane demo.

Writes three PNG files into demo/assets/ (or into the folder given as the
first argument):

  font.png     12x16 cells, 16 per row, ASCII 32..95, gradient glyphs with
               a dark outline, read by demo/gfx/bitmap-font.js
  logo.png     the chrome "QUORVANE" logo with bevel, outline and shadow
  texture.png  a 128x128 seamless tile used by the rotozoomer

Only the Python standard library is used: the PNG encoder below writes the
chunks with struct and compresses the scanlines with zlib. Output is fully
deterministic, so running the script again reproduces the committed files
byte for byte.
"""

import math
import os
import struct
import sys
import zlib

# ---------------------------------------------------------------------------
# PNG writing
# ---------------------------------------------------------------------------


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def encode_png(width, height, rgba):
    """Encode a flat RGBA bytearray (width*height*4) as an 8-bit RGBA PNG."""
    if len(rgba) != width * height * 4:
        raise ValueError("pixel buffer does not match the image size")
    stride = width * 4
    raw = bytearray()
    for y in range(height):
        raw.append(0)  # filter type: none
        raw += rgba[y * stride:(y + 1) * stride]
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", ihdr)
            + _chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + _chunk(b"IEND", b""))


class Image:
    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.px = bytearray(width * height * 4)

    def set(self, x, y, rgba):
        if 0 <= x < self.width and 0 <= y < self.height:
            i = (y * self.width + x) * 4
            self.px[i:i + 4] = bytes(clamp8(c) for c in rgba)

    def get(self, x, y):
        i = (y * self.width + x) * 4
        return tuple(self.px[i:i + 4])

    def png(self):
        return encode_png(self.width, self.height, self.px)


def clamp8(v):
    return max(0, min(255, int(round(v))))


def lerp(a, b, t):
    return a + (b - a) * t


def gradient(stops, t):
    """Piecewise linear colour ramp; stops are (position, (r, g, b))."""
    t = max(0.0, min(1.0, t))
    for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
        if t <= p1:
            k = 0.0 if p1 == p0 else (t - p0) / (p1 - p0)
            return tuple(lerp(a, b, k) for a, b in zip(c0, c1))
    return stops[-1][1]


# ---------------------------------------------------------------------------
# 5x7 glyph shapes, drawn by hand for this demo
# ---------------------------------------------------------------------------

GLYPHS = {
    "A": ".###. #...# #...# ##### #...# #...# #...#",
    "B": "####. #...# #...# ####. #...# #...# ####.",
    "C": ".###. #...# #.... #.... #.... #...# .###.",
    "D": "####. #...# #...# #...# #...# #...# ####.",
    "E": "##### #.... #.... ####. #.... #.... #####",
    "F": "##### #.... #.... ####. #.... #.... #....",
    "G": ".###. #...# #.... #.### #...# #...# .####",
    "H": "#...# #...# #...# ##### #...# #...# #...#",
    "I": ".###. ..#.. ..#.. ..#.. ..#.. ..#.. .###.",
    "J": "..### ...#. ...#. ...#. ...#. #..#. .##..",
    "K": "#...# #..#. #.#.. ##... #.#.. #..#. #...#",
    "L": "#.... #.... #.... #.... #.... #.... #####",
    "M": "#...# ##.## #.#.# #.#.# #...# #...# #...#",
    "N": "#...# #...# ##..# #.#.# #..## #...# #...#",
    "O": ".###. #...# #...# #...# #...# #...# .###.",
    "P": "####. #...# #...# ####. #.... #.... #....",
    "Q": ".###. #...# #...# #...# #.#.# #..#. .##.#",
    "R": "####. #...# #...# ####. #.#.. #..#. #...#",
    "S": ".#### #.... #.... .###. ....# ....# ####.",
    "T": "##### ..#.. ..#.. ..#.. ..#.. ..#.. ..#..",
    "U": "#...# #...# #...# #...# #...# #...# .###.",
    "V": "#...# #...# #...# #...# #...# .#.#. ..#..",
    "W": "#...# #...# #...# #.#.# #.#.# #.#.# .#.#.",
    "X": "#...# #...# .#.#. ..#.. .#.#. #...# #...#",
    "Y": "#...# #...# .#.#. ..#.. ..#.. ..#.. ..#..",
    "Z": "##### ....# ...#. ..#.. .#... #.... #####",
    "0": ".###. #...# #..## #.#.# ##..# #...# .###.",
    "1": "..#.. .##.. ..#.. ..#.. ..#.. ..#.. .###.",
    "2": ".###. #...# ....# ...#. ..#.. .#... #####",
    "3": "##### ...#. ..#.. ...#. ....# #...# .###.",
    "4": "...#. ..##. .#.#. #..#. ##### ...#. ...#.",
    "5": "##### #.... ####. ....# ....# #...# .###.",
    "6": "..##. .#... #.... ####. #...# #...# .###.",
    "7": "##### ....# ...#. ..#.. .#... .#... .#...",
    "8": ".###. #...# #...# .###. #...# #...# .###.",
    "9": ".###. #...# #...# .#### ....# ...#. .##..",
    ".": "..... ..... ..... ..... ..... .##.. .##..",
    ",": "..... ..... ..... ..... .##.. ..#.. .#...",
    "!": "..#.. ..#.. ..#.. ..#.. ..#.. ..... ..#..",
    "?": ".###. #...# ....# ...#. ..#.. ..... ..#..",
    "-": "..... ..... ..... ##### ..... ..... .....",
    "'": "..#.. ..#.. .#... ..... ..... ..... .....",
    '"': ".#.#. .#.#. ..... ..... ..... ..... .....",
    ":": "..... .##.. .##.. ..... .##.. .##.. .....",
    "/": "....# ....# ...#. ..#.. .#... #.... #....",
    "(": "...#. ..#.. .#... .#... .#... ..#.. ...#.",
    ")": ".#... ..#.. ...#. ...#. ...#. ..#.. .#...",
    "&": ".##.. #..#. #.#.. .#... #.#.# #..#. .##.#",
    "+": "..... ..#.. ..#.. ##### ..#.. ..#.. .....",
    "=": "..... ..... ##### ..... ##### ..... .....",
    "*": "..... #.#.# .###. ##### .###. #.#.# .....",
    "#": ".#.#. .#.#. ##### .#.#. ##### .#.#. .#.#.",
    "<": "...#. ..#.. .#... #.... .#... ..#.. ...#.",
    ">": ".#... ..#.. ...#. ....# ...#. ..#.. .#...",
}


def glyph_rows(ch):
    rows = GLYPHS[ch].split()
    assert len(rows) == 7 and all(len(r) == 5 for r in rows), ch
    return [[c == "#" for c in r] for r in rows]


# ---------------------------------------------------------------------------
# font.png
# ---------------------------------------------------------------------------

CELL_W, CELL_H = 12, 16
FIRST_CODE, GLYPH_COUNT, COLUMNS = 32, 64, 16

FONT_RAMP = [
    (0.00, (255, 255, 255)),
    (0.25, (255, 240, 120)),
    (0.55, (255, 160, 40)),
    (0.80, (235, 60, 70)),
    (1.00, (150, 30, 120)),
]


def make_font():
    rows = GLYPH_COUNT // COLUMNS
    img = Image(CELL_W * COLUMNS, CELL_H * rows)
    for index in range(GLYPH_COUNT):
        ch = chr(FIRST_CODE + index)
        if ch not in GLYPHS:
            continue
        shape = glyph_rows(ch)
        ox = (index % COLUMNS) * CELL_W + 1
        oy = (index // COLUMNS) * CELL_H + 1
        # each glyph pixel becomes a 2x2 block: the inked area is 10x14
        ink = [[shape[y // 2][x // 2] for x in range(10)] for y in range(14)]

        def inked(x, y):
            return 0 <= x < 10 and 0 <= y < 14 and ink[y][x]

        for y in range(-1, 15):
            for x in range(-1, 11):
                if inked(x, y):
                    r, g, b = gradient(FONT_RAMP, y / 13.0)
                    # a lighter top-left rim gives the letters some volume
                    if not inked(x - 1, y) or not inked(x, y - 1):
                        r, g, b = (lerp(c, 255, 0.35) for c in (r, g, b))
                    elif not inked(x + 1, y) or not inked(x, y + 1):
                        r, g, b = (c * 0.72 for c in (r, g, b))
                    img.set(ox + x, oy + y, (r, g, b, 255))
                elif any(inked(x + dx, y + dy) for dx in (-1, 0, 1) for dy in (-1, 0, 1)):
                    img.set(ox + x, oy + y, (16, 8, 32, 255))
    return img


# ---------------------------------------------------------------------------
# logo.png
# ---------------------------------------------------------------------------

LOGO_TEXT = "QUORVANE"
LOGO_BLOCK = 8          # one glyph pixel becomes an 8x8 block
LOGO_SHEAR = 0.22       # italic slant, pixels of x per pixel of y
LOGO_PAD = 6

CHROME = [
    (0.00, (235, 245, 255)),
    (0.30, (120, 170, 255)),
    (0.48, (30, 40, 120)),
    (0.52, (255, 250, 230)),
    (0.70, (255, 170, 90)),
    (1.00, (120, 40, 90)),
]


def make_logo():
    cols = len(LOGO_TEXT) * 6 - 1
    mask_w, mask_h = cols * LOGO_BLOCK, 7 * LOGO_BLOCK
    slant = int(math.ceil(mask_h * LOGO_SHEAR))
    width = mask_w + slant + 2 * LOGO_PAD + 4
    height = mask_h + 2 * LOGO_PAD + 4

    cells = [[False] * cols for _ in range(7)]
    for i, ch in enumerate(LOGO_TEXT):
        for y, row in enumerate(glyph_rows(ch)):
            for x, on in enumerate(row):
                cells[y][i * 6 + x] = on

    def in_mask(mx, my):
        if mx < 0 or my < 0 or mx >= mask_w or my >= mask_h:
            return False
        return cells[my // LOGO_BLOCK][mx // LOGO_BLOCK]

    def to_mask(x, y):
        """Inverse of the italic shear: image pixel -> mask pixel."""
        my = y - LOGO_PAD
        mx = x - LOGO_PAD - int((mask_h - my) * LOGO_SHEAR)
        return mx, my

    img = Image(width, height)
    edge = 2
    for y in range(height):
        for x in range(width):
            mx, my = to_mask(x, y)
            if in_mask(mx, my):
                r, g, b = gradient(CHROME, my / (mask_h - 1))
                # bevel: light on the upper/left edges, dark on the lower/right
                lit = any(not in_mask(mx - d, my) or not in_mask(mx, my - d) for d in range(1, edge + 1))
                dark = any(not in_mask(mx + d, my) or not in_mask(mx, my + d) for d in range(1, edge + 1))
                if lit and not dark:
                    r, g, b = (lerp(c, 255, 0.55) for c in (r, g, b))
                elif dark:
                    r, g, b = (c * 0.55 for c in (r, g, b))
                img.set(x, y, (r, g, b, 255))
            elif any(in_mask(mx + dx, my + dy) for dx in (-2, -1, 0, 1, 2) for dy in (-2, -1, 0, 1, 2)):
                img.set(x, y, (10, 4, 24, 255))
            elif in_mask(mx - 4, my - 4) or in_mask(mx - 3, my - 5):
                img.set(x, y, (0, 0, 0, 150))  # drop shadow
    return img


# ---------------------------------------------------------------------------
# texture.png
# ---------------------------------------------------------------------------

TEX = 128


def make_texture():
    img = Image(TEX, TEX)
    q = glyph_rows("Q")
    scale = 10
    qx0, qy0 = (TEX - 5 * scale) // 2, (TEX - 7 * scale) // 2
    for y in range(TEX):
        for x in range(TEX):
            # diagonal checker with a soft radial glow, seamless on all sides
            a = ((x + y) // 32 + (x - y + TEX) // 32) & 1
            u, v = (x + 0.5) / TEX * 2 * math.pi, (y + 0.5) / TEX * 2 * math.pi
            glow = 0.5 + 0.25 * (math.cos(u) + math.cos(v))
            base = (40, 30, 140) if a else (20, 110, 170)
            r, g, b = (c * (0.55 + 0.6 * glow) for c in base)
            # thin bright grid lines every 32 pixels
            if x % 32 == 0 or y % 32 == 0:
                r, g, b = (lerp(c, 255, 0.5) for c in (r, g, b))
            gx, gy = (x - qx0) // scale, (y - qy0) // scale
            if 0 <= gx < 5 and 0 <= gy < 7 and x >= qx0 and y >= qy0 and q[gy][gx]:
                r, g, b = gradient(FONT_RAMP, (y - qy0) / (7 * scale))
            img.set(x, y, (r, g, b, 255))
    return img


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    out = argv[1] if len(argv) > 1 else os.path.join(here, "..", "..", "demo", "assets")
    os.makedirs(out, exist_ok=True)
    for name, maker in (("font.png", make_font), ("logo.png", make_logo), ("texture.png", make_texture)):
        img = maker()
        data = img.png()
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print(f"{name}: {img.width}x{img.height}, {len(data)} bytes")


if __name__ == "__main__":
    main(sys.argv)
