#!/usr/bin/env python3
"""Checks the committed icons and cursor in resources/ byte by byte.

Reads the files with its own small parser rather than through
tools/icongen.py, so a fault in the generator cannot hide itself here.

    python3 tests/icons/test_icons.py
    python3 -m unittest discover -s tests/icons
"""

import math
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RESOURCES = os.path.join(ROOT, "resources")
GENERATOR = os.path.join(ROOT, "tools", "icongen.py")

LEVELS = {"Img10p.ico": 2, "Img20p.ico": 5, "Img30p.ico": 8, "Img40p.ico": 11,
          "Img50p.ico": 14, "Img60p.ico": 18, "Img70p.ico": 21, "Img80p.ico": 24,
          "Img90p.ico": 27, "Img100p.ico": 29}
TRAY = list(LEVELS) + ["ImgMute.ico"]
ICONS = TRAY + ["MAINICON.ico", "imgBase.ico", "imgCross.ico"]
CURSOR = "NewCursor.cur"

STANDARD_PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                    0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]
BLACK, DARK_GREY, WHITE = 0x000000, 0x808080, 0xFFFFFF
RED, GREEN = 0xFF0000, 0x00FF00

# The gauge as drawn: frame x 0..7, y 0..30; interior x 1..6, y 1..29.
GAUGE_LEFT, GAUGE_RIGHT, GAUGE_TOP, GAUGE_BOTTOM = 0, 7, 0, 30
INTERIOR_X = range(1, 7)
INTERIOR_Y = range(1, 30)


class Image:
    """One .ico or .cur with a single image, decoded.

    rgb(x, y) is the pixel's colour, or None where the AND mask makes it
    transparent; x, y are top-down from the top-left corner."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        self.dir = struct.unpack_from("<HHH", data, 0)
        (self.width, self.height, self.colour_count, self.reserved,
         self.field_a, self.field_b, self.bytes_in_res, self.offset) = \
            struct.unpack_from("<BBBBHHII", data, 6)
        (self.hdr_size, self.bi_width, self.bi_height, self.planes, self.bits,
         self.compression, self.size_image, _, _, self.clr_used, _) = \
            struct.unpack_from("<IiiHHIIiiII", data, self.offset)

        entries = 1 << self.bits
        at = self.offset + self.hdr_size
        quads = data[at:at + 4 * entries]
        self.quad_reserved = [quads[i + 3] for i in range(0, len(quads), 4)]
        self.palette = [(quads[i + 2] << 16) | (quads[i + 1] << 8) | quads[i]
                        for i in range(0, len(quads), 4)]
        at += 4 * entries

        w, h = self.bi_width, self.bi_height // 2
        xor_stride = (w * self.bits + 31) // 32 * 4
        and_stride = (w + 31) // 32 * 4
        self.xor_bytes = data[at:at + xor_stride * h]
        self.and_bytes = data[at + xor_stride * h:at + xor_stride * h + and_stride * h]
        self.index = [[0] * w for _ in range(h)]
        self.mask = [[0] * w for _ in range(h)]
        for y in range(h):
            xor_row = self.xor_bytes[(h - 1 - y) * xor_stride:]
            and_row = self.and_bytes[(h - 1 - y) * and_stride:]
            for x in range(w):
                bit = x * self.bits
                self.index[y][x] = (xor_row[bit // 8] >> (8 - self.bits - bit % 8)) & ((1 << self.bits) - 1)
                self.mask[y][x] = (and_row[x // 8] >> (7 - x % 8)) & 1
        self.w, self.h = w, h

    def rgb(self, x, y):
        return None if self.mask[y][x] else self.palette[self.index[y][x]]

    def pixels(self):
        for y in range(self.h):
            for x in range(self.w):
                yield x, y, self.rgb(x, y)

    def where(self, colour):
        return {(x, y) for x, y, p in self.pixels() if p == colour}

    def opaque(self):
        return {(x, y): p for x, y, p in self.pixels() if p is not None}


_cache = {}


def load(name):
    if name not in _cache:
        _cache[name] = Image(os.path.join(RESOURCES, name))
    return _cache[name]


class FileLayoutTest(unittest.TestCase):
    def test_icons_are_single_32x32_16_colour_images(self):
        for name in ICONS:
            with self.subTest(name):
                im = load(name)
                self.assertEqual(len(im.data), 766)
                self.assertEqual(im.dir, (0, 1, 1))
                self.assertEqual((im.width, im.height, im.colour_count, im.reserved,
                                  im.field_a, im.field_b, im.bytes_in_res, im.offset),
                                 (32, 32, 16, 0, 1, 4, 744, 22))
                self.assertEqual((im.hdr_size, im.bi_width, im.bi_height, im.planes,
                                  im.bits, im.compression, im.size_image),
                                 (40, 32, 64, 1, 4, 0, 640))
                self.assertIn(im.clr_used, (0, 16))
                self.assertEqual(im.palette, STANDARD_PALETTE)
                self.assertEqual(im.quad_reserved, [0] * 16)
                self.assertEqual(40 + 64 + 512 + 128, im.bytes_in_res)

    def test_cursor_is_monochrome_with_hotspot_at_origin(self):
        im = load(CURSOR)
        self.assertEqual(im.dir, (0, 2, 1))
        self.assertEqual((im.width, im.height, im.reserved), (32, 32, 0))
        self.assertEqual((im.field_a, im.field_b), (0, 0), "hotspot")
        self.assertEqual((im.hdr_size, im.bi_width, im.bi_height, im.planes, im.bits,
                          im.compression), (40, 32, 64, 1, 1, 0))
        self.assertEqual(im.palette, [BLACK, WHITE])
        self.assertEqual(im.offset, 22)
        self.assertEqual(im.bytes_in_res, 40 + 8 + 128 + 128)
        self.assertEqual(len(im.data), 22 + im.bytes_in_res)

    def test_transparent_pixels_leave_the_screen_alone(self):
        # Where the mask is set the XOR bits must be 0, or the pixel inverts
        # whatever lies under the icon.
        for name in ICONS + [CURSOR]:
            with self.subTest(name):
                im = load(name)
                stray = [(x, y) for y in range(32) for x in range(32)
                         if im.mask[y][x] and im.index[y][x]]
                self.assertEqual(stray, [])

    def test_tray_and_program_icons_have_transparent_background(self):
        # Also catches a mask written with the opposite polarity.
        for name in TRAY + ["MAINICON.ico"]:
            with self.subTest(name):
                im = load(name)
                for x, y in ((31, 0), (31, 31), (0, 31)):
                    self.assertIsNone(im.rgb(x, y), (x, y))
                self.assertGreater(len(im.opaque()), 150)


class LevelIconsTest(unittest.TestCase):
    def test_gauge_fills_from_the_bottom(self):
        for name, lit in LEVELS.items():
            with self.subTest(name):
                im = load(name)
                rows = []
                for y in INTERIOR_Y:
                    row = {im.rgb(x, y) for x in INTERIOR_X}
                    self.assertIn(row, ({GREEN}, {BLACK}), f"row {y} mixed or transparent")
                    rows.append(row == {GREEN})
                self.assertEqual(sum(rows), lit)
                self.assertEqual(rows, [False] * (29 - lit) + [True] * lit)

    def test_gauge_frame_is_sunken(self):
        for name in LEVELS:
            with self.subTest(name):
                im = load(name)
                for y in INTERIOR_Y:
                    self.assertEqual(im.rgb(GAUGE_LEFT, y), DARK_GREY, f"left, y {y}")
                    self.assertEqual(im.rgb(GAUGE_RIGHT, y), WHITE, f"right, y {y}")
                for x in INTERIOR_X:
                    self.assertEqual(im.rgb(x, GAUGE_TOP), DARK_GREY, f"top, x {x}")
                    self.assertEqual(im.rgb(x, GAUGE_BOTTOM), WHITE, f"bottom, x {x}")
                for corner in ((0, 0), (7, 0), (0, 30), (7, 30)):
                    self.assertIsNotNone(im.rgb(*corner), corner)

    def test_every_level_shows_the_same_speaker(self):
        first = load("Img10p.ico")
        right = {(x, y): first.rgb(x, y) for y in range(32) for x in range(8, 32)}
        for name in LEVELS:
            with self.subTest(name):
                im = load(name)
                self.assertEqual({xy: im.rgb(*xy) for xy in right}, right)

    def test_pure_green_and_red_are_kept_for_gauge_and_mute_sign(self):
        interior = {(x, y) for x in INTERIOR_X for y in INTERIOR_Y}
        for name in ICONS:
            with self.subTest(name):
                im = load(name)
                green = im.where(GREEN)
                if name in LEVELS:
                    self.assertLessEqual(green, interior)
                else:
                    self.assertEqual(green, set())
                if name != "ImgMute.ico":
                    self.assertEqual(im.where(RED), set())


class MuteIconTest(unittest.TestCase):
    def setUp(self):
        self.im = load("ImgMute.ico")
        self.red = self.im.where(RED)
        xs = [x for x, _ in self.red]
        ys = [y for _, y in self.red]
        self.x2, self.y2 = min(xs) + max(xs), min(ys) + max(ys)   # twice the centre
        self.radius = (max(xs) - min(xs)) / 2
        self.size = (max(xs) - min(xs), max(ys) - min(ys))

    def red_at(self, dx, dy):
        """Red at one of the pixels nearest to the point dx, dy from the centre."""
        x, y = self.x2 / 2 + dx, self.y2 / 2 + dy
        return any((fx(x), fy(y)) in self.red
                   for fx in (math.floor, math.ceil) for fy in (math.floor, math.ceil))

    def test_no_gauge(self):
        self.assertNotEqual([self.im.rgb(0, y) for y in INTERIOR_Y], [DARK_GREY] * 29)
        self.assertEqual(self.im.where(GREEN), set())

    def test_red_forms_a_prohibition_sign(self):
        self.assertGreater(len(self.red), 150)
        self.assertLessEqual(abs(self.size[0] - self.size[1]), 1, "round")
        self.assertGreater(self.radius, 8)
        # Ring and bar are both symmetric through the centre.
        self.assertEqual({(self.x2 - x, self.y2 - y) for x, y in self.red}, self.red)
        # A closed ring: every direction meets red in the outer part.
        for step in range(48):
            a = 2 * math.pi * step / 48
            hit = any(self.red_at(r * math.cos(a), r * math.sin(a))
                      for r in [self.radius * k / 10 for k in range(7, 11)])
            self.assertTrue(hit, f"gap in the ring at {step * 7.5} degrees")
        # One bar, from top left to bottom right, and otherwise hollow.
        bar, hollow = self.radius / 2, self.radius * 0.4
        self.assertTrue(self.red_at(0, 0))
        self.assertTrue(self.red_at(-bar, -bar) and self.red_at(bar, bar))
        self.assertFalse(self.red_at(hollow, -hollow) or self.red_at(-hollow, hollow))

    def test_speaker_shows_through_the_sign(self):
        # Apart from the sign it is the level icons' speaker (waves may go).
        speaker = load("Img100p.ico")
        rest = {xy: p for xy, p in self.im.opaque().items() if p != RED}
        self.assertGreater(len(rest), 100)
        self.assertEqual({xy: speaker.rgb(*xy) for xy in rest}, rest)


def symmetric_about(pixels, cx, cy):
    """pixels: {(x, y): colour}.  True if mirrored left-right and top-bottom
    about cx, cy gives the same pixels."""
    return (pixels == {(2 * cx - x, y): p for (x, y), p in pixels.items()}
            and pixels == {(x, 2 * cy - y): p for (x, y), p in pixels.items()})


class CursorTest(unittest.TestCase):
    def test_sight_is_19_pixels_centred_on_9_9(self):
        sight = load(CURSOR).opaque()
        xs = [x for x, _ in sight]
        ys = [y for _, y in sight]
        self.assertEqual((min(xs), max(xs), min(ys), max(ys)), (0, 18, 0, 18))
        self.assertTrue(symmetric_about(sight, 9, 9))

    def test_sight_is_black_outlined_in_white(self):
        sight = load(CURSOR).opaque()
        self.assertEqual(set(sight.values()), {BLACK, WHITE})
        # The cross runs through the centre both ways.
        self.assertEqual(sight.get((9, 4)), BLACK)
        self.assertEqual(sight.get((4, 9)), BLACK)
        # Every black pixel's transparent neighbours are covered by white,
        # so none of it touches the screen directly.
        for (x, y), p in sight.items():
            if p != BLACK:
                continue
            for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= n[0] < 32 and 0 <= n[1] < 32:
                    self.assertIn(n, sight, f"black {x},{y} bare towards {n}")


class DialogIconsTest(unittest.TestCase):
    def test_well_is_an_empty_sunken_frame(self):
        for name in ("imgBase.ico", "imgCross.ico"):
            with self.subTest(name):
                im = load(name)
                for i in range(1, 31):
                    self.assertEqual(im.rgb(i, 0), DARK_GREY, f"top {i}")
                    self.assertEqual(im.rgb(0, i), DARK_GREY, f"left {i}")
                    self.assertEqual(im.rgb(i, 31), WHITE, f"bottom {i}")
                    self.assertEqual(im.rgb(31, i), WHITE, f"right {i}")
        base = load("imgBase.ico").opaque()
        self.assertFalse([xy for xy in base if 4 <= xy[0] < 28 and 4 <= xy[1] < 28])

    def test_cross_is_the_well_holding_the_cursor_sight(self):
        base = load("imgBase.ico").opaque()
        cross = load("imgCross.ico").opaque()
        self.assertEqual({xy: cross.get(xy) for xy in base}, base)
        sight = {xy: p for xy, p in cross.items() if xy not in base}
        xs = [x for x, _ in sight]
        ys = [y for _, y in sight]
        left, top = min(xs), min(ys)
        self.assertEqual((max(xs) - left, max(ys) - top), (18, 18))
        # Not crowding the frame on either side.
        self.assertLessEqual(abs((left + max(xs)) - 31), 1)
        self.assertLessEqual(abs((top + max(ys)) - 31), 1)
        cursor = load(CURSOR).opaque()
        self.assertEqual({(x - left, y - top): p for (x, y), p in sight.items()}, cursor)


def read_png(data):
    """Width, height and RGB rows of an 8-bit truecolour PNG, checking CRCs."""
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "signature"
    at, idat, ihdr = 8, b"", None
    while at < len(data):
        length, = struct.unpack_from(">I", data, at)
        kind, body = data[at + 4:at + 8], data[at + 8:at + 8 + length]
        crc, = struct.unpack_from(">I", data, at + 8 + length)
        assert zlib.crc32(kind + body) & 0xFFFFFFFF == crc, f"CRC of {kind}"
        if kind == b"IHDR":
            ihdr = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
        at += 12 + length
    width, height, depth, colour_type, _, _, interlace = ihdr
    assert (depth, colour_type, interlace) == (8, 2, 0), "8-bit RGB, not interlaced"
    raw = zlib.decompress(idat)
    stride = 1 + 3 * width
    assert len(raw) == stride * height, "image data size"
    rows = [raw[y * stride:(y + 1) * stride] for y in range(height)]
    assert all(r[0] == 0 for r in rows), "only filter 0 is decoded here"
    return width, height, [r[1:] for r in rows]


class GeneratorTest(unittest.TestCase):
    def run_generator(self, *args):
        return subprocess.run([sys.executable, GENERATOR, *args],
                              capture_output=True, text=True)

    def test_check_notices_changed_and_missing_files(self):
        with tempfile.TemporaryDirectory() as out:
            self.assertEqual(self.run_generator("--out", out).returncode, 0)
            self.assertEqual(self.run_generator("--check", out).returncode, 0)

            path = os.path.join(out, "Img50p.ico")
            with open(path, "r+b") as f:
                f.seek(500)
                byte = f.read(1)
                f.seek(500)
                f.write(bytes([byte[0] ^ 0x01]))
            result = self.run_generator("--check", out)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn("Img50p.ico", result.stderr)

            self.run_generator("--out", out)
            os.remove(os.path.join(out, CURSOR))
            result = self.run_generator("--check", out)
            self.assertNotEqual(result.returncode, 0)
            self.assertIn(CURSOR, result.stderr)

    def test_sheet_is_a_valid_png_with_every_picture_enlarged(self):
        with tempfile.TemporaryDirectory() as out:
            png = os.path.join(out, "sheet.png")
            self.assertEqual(self.run_generator("--sheet", png).returncode, 0)
            with open(png, "rb") as f:
                width, height, rows = read_png(f.read())
        # Pure green and red appear nowhere else, so 4x enlarging shows them
        # exactly 16 times as often as in the icons themselves.
        for colour in (GREEN, RED):
            want = 16 * sum(len(load(n).where(colour)) for n in ICONS)
            rgb = bytes([colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF])
            got = sum(1 for r in rows for i in range(0, len(r), 3) if r[i:i + 3] == rgb)
            self.assertEqual(got, want, f"{colour:06X} pixels")


if __name__ == "__main__":
    unittest.main()
