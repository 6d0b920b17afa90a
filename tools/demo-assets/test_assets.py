"""Checks for the demo's generated graphics: python3 -m unittest discover tools/demo-assets"""

import os
import re
import struct
import tempfile
import unittest
import zlib

import make_assets

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.join(HERE, "..", "..", "demo")


def decode_png(data):
    """Minimal decoder for the 8-bit RGBA, unfiltered PNGs written by make_assets."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, size = 8, b"", None
    while pos < len(data):
        (length,) = struct.unpack(">I", data[pos:pos + 4])
        kind = data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
        if zlib.crc32(kind + body) & 0xFFFFFFFF != crc:
            raise ValueError(f"bad CRC in {kind!r}")
        if kind == b"IHDR":
            w, h, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (depth, colour, interlace) == (8, 6, 0)
            size = (w, h)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    w, h = size
    raw = zlib.decompress(idat)
    assert len(raw) == h * (w * 4 + 1)
    rows = []
    for y in range(h):
        line = raw[y * (w * 4 + 1):(y + 1) * (w * 4 + 1)]
        assert line[0] == 0
        rows.append(line[1:])
    return w, h, b"".join(rows)


class PngWriterTest(unittest.TestCase):
    def test_round_trip(self):
        img = make_assets.Image(3, 2)
        img.set(0, 0, (255, 0, 0, 255))
        img.set(2, 1, (1, 2, 3, 4))
        w, h, px = decode_png(img.png())
        self.assertEqual((w, h), (3, 2))
        self.assertEqual(px[0:4], bytes((255, 0, 0, 255)))
        self.assertEqual(px[20:24], bytes((1, 2, 3, 4)))
        self.assertEqual(px[4:8], bytes(4))

    def test_rejects_wrong_buffer(self):
        with self.assertRaises(ValueError):
            make_assets.encode_png(2, 2, bytearray(15))


class CommittedAssetsTest(unittest.TestCase):
    def test_committed_files_match_the_generator(self):
        with tempfile.TemporaryDirectory() as out:
            make_assets.main(["make_assets.py", out])
            for name in ("font.png", "logo.png", "texture.png"):
                with open(os.path.join(out, name), "rb") as f:
                    fresh = f.read()
                with open(os.path.join(DEMO, "assets", name), "rb") as f:
                    committed = f.read()
                self.assertEqual(fresh, committed, f"{name} is out of date: run make_assets.py")

    def test_font_cells(self):
        w, h, px = decode_png(make_assets.make_font().png())
        self.assertEqual((w, h), (192, 64))

        def ink(code):
            index = code - 32
            ox, oy = (index % 16) * 12, (index // 16) * 16
            return sum(px[((oy + y) * w + ox + x) * 4 + 3] > 0 for y in range(16) for x in range(12))

        for code in range(32, 96):
            if chr(code) in make_assets.GLYPHS:
                self.assertGreater(ink(code), 20, repr(chr(code)))
            else:
                self.assertEqual(ink(code), 0, repr(chr(code)))

    def test_texture_is_opaque_and_sized_for_the_rotozoomer(self):
        w, h, px = decode_png(make_assets.make_texture().png())
        self.assertEqual((w, h), (128, 128))
        self.assertTrue(all(a == 255 for a in px[3::4]))

    def test_logo_shows_every_letter(self):
        w, h, px = decode_png(make_assets.make_logo().png())
        self.assertGreater(w, 300)
        # each eighth of the width holds one letter, so each must have ink
        for i in range(8):
            x0, x1 = i * w // 8, (i + 1) * w // 8
            opaque = sum(px[(y * w + x) * 4 + 3] == 255 for y in range(h) for x in range(x0, x1))
            self.assertGreater(opaque, 200, f"letter {i}")


class TextsTest(unittest.TestCase):
    def test_demo_texts_only_use_glyphs_of_the_font(self):
        with open(os.path.join(DEMO, "texts.js"), encoding="utf-8") as f:
            source = "\n".join(l for l in f if not l.lstrip().startswith("//"))
        strings = re.findall(r"'((?:[^'\\]|\\.)*)'", source)
        self.assertGreater(len(strings), 10)
        for s in strings:
            for ch in s.replace("\\'", "'"):
                self.assertTrue(ch == " " or ch.upper() in make_assets.GLYPHS, f"{ch!r} in {s!r}")


if __name__ == "__main__":
    unittest.main()
