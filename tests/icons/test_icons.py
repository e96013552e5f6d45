#!/usr/bin/env python3
"""Checks the committed icons and cursor in resources/ byte by byte.

Reads the files with its own small parser rather than through
tools/icongen.py, so a fault in the generator cannot hide itself here.
Also looks at the tray pictures and the program's icon the way a taskbar
shows them: on the dark taskbar of Windows 10 and 11 and on light ones.

    python3 tests/icons/test_icons.py
    python3 -m unittest discover -s tests/icons
"""

import functools
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
# The 32x32 16-colour pictures (the tray's hold more images after it); the
# program's icon is of another kind.
ICONS = TRAY + ["imgBase.ico", "imgCross.ico"]
# The tray pictures' other sizes, in 32-bit colour: the small-icon sizes of
# 100, 125, 150, 250 and 300 %. Per size the gauge with its frame (width,
# height, at the top-left corner) and the rows each level lights.
TRAY_SIZES = [16, 20, 24, 40, 48]
TRAY_GAUGES = {16: (5, 16), 20: (6, 20), 24: (7, 23), 40: (10, 39), 48: (12, 47)}
TRAY_LEVELS = {
    16: [1, 2, 4, 5, 7, 9, 10, 12, 13, 14],
    20: [1, 3, 5, 7, 9, 11, 13, 15, 17, 18],
    24: [2, 4, 6, 8, 10, 13, 15, 17, 19, 21],
    40: [3, 6, 10, 14, 18, 23, 27, 31, 34, 37],
    48: [3, 8, 12, 17, 22, 28, 33, 37, 42, 45],
}
RIG_LIB = os.path.join(ROOT, "tests", "rig", "lib.sh")
PROGRAM = "MAINICON.ico"
PROGRAM_SIZES = [16, 24, 32, 48, 256]
CURSOR = "NewCursor.cur"

STANDARD_PALETTE = [0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                    0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                    0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF]
BLACK, DARK_GREY, WHITE = 0x000000, 0x808080, 0xFFFFFF
RED, GREEN = 0xFF0000, 0x00FF00

# Taskbar colours: Windows 10 and 11 dark (their default) and light, and
# the classic grey of Windows 98 to XP.
DARK_TASKBAR, LIGHT_TASKBAR, CLASSIC_TASKBAR = 0x1F1F1F, 0xF3F3F3, 0xC0C0C0

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
    def test_icons_start_with_a_32x32_16_colour_image(self):
        # The dialog's pictures have only that one; the tray's have it first
        # (what the 9x family shows) and their other sizes after it.
        for name in ICONS:
            with self.subTest(name):
                im = load(name)
                count = 1 + len(TRAY_SIZES) if name in TRAY else 1
                if count == 1:
                    self.assertEqual(len(im.data), 766)
                self.assertEqual(im.dir, (0, 1, count))
                self.assertEqual((im.width, im.height, im.colour_count, im.reserved,
                                  im.field_a, im.field_b, im.bytes_in_res, im.offset),
                                 (32, 32, 16, 0, 1, 4, 744, 6 + 16 * count))
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

    def test_tray_icons_have_transparent_background(self):
        # Also catches a mask written with the opposite polarity.
        for name in TRAY:
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
    """Width, height, channels and rows (RGB or RGBA bytes) of an 8-bit
    truecolour PNG, checking CRCs."""
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
    assert depth == 8 and colour_type in (2, 6) and interlace == 0, "8-bit RGB(A), not interlaced"
    channels = 3 if colour_type == 2 else 4
    raw = zlib.decompress(idat)
    stride = 1 + channels * width
    assert len(raw) == stride * height, "image data size"
    rows = [raw[y * stride:(y + 1) * stride] for y in range(height)]
    assert all(r[0] == 0 for r in rows), "only filter 0 is decoded here"
    return width, height, channels, [r[1:] for r in rows]


# --- how a taskbar shows a picture ------------------------------------------

@functools.lru_cache(maxsize=None)
def luminance(rgb):
    """Relative luminance of an sRGB colour given as 0xRRGGBB or (r, g, b)."""
    if isinstance(rgb, int):
        rgb = (rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF)

    def channel(v):
        v /= 255
        return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4
    r, g, b = (channel(v) for v in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    """The contrast ratio of two colours, 1 (none) to 21 (black on white)."""
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


VISIBLE = 3.0         # a ratio at which a line reads on its background
NEARLY_GONE = 1.5     # black (1.3) or navy on the dark taskbar


def unseen_edges(shown, size, background, keep=lambda x, y: True):
    """Where a picture's outline is lost on a background.

    shown(x, y) is the colour the taskbar shows there, or None where the
    picture is transparent. An edge pixel (drawn, with a transparent pixel
    or the border beside it) must stand out from the background itself or
    lie against a drawn pixel that does: a dark line is enough on a light
    taskbar if a light edge runs beside it, and the other way round.
    Returns the edge pixels (x, y) that fail, among those keep() accepts."""
    def drawn(x, y):
        return 0 <= x < size and 0 <= y < size and shown(x, y) is not None

    def stands_out(x, y):
        return drawn(x, y) and contrast(shown(x, y), background) >= VISIBLE

    lost = []
    for y in range(size):
        for x in range(size):
            near = [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
            if not drawn(x, y) or all(drawn(*n) for n in near) or not keep(x, y):
                continue
            if not (stands_out(x, y) or any(stands_out(*n) for n in near)):
                lost.append((x, y))
    return lost


def peeled(shown, size):
    """The picture without its white edge: the white (or nearly white)
    pixels that reach the outside through one another, which a light
    taskbar swallows. What is left must show there by itself."""
    def light(colour):
        if isinstance(colour, int):
            colour = (colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF)
        return colour is not None and min(colour) >= 0xE0

    gone = set()
    todo = [(x, y) for y in range(size) for x in range(size)
            if light(shown(x, y)) and (x in (0, size - 1) or y in (0, size - 1)
                                       or any(shown(*n) is None for n in
                                              ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1))))]
    while todo:
        x, y = todo.pop()
        if (x, y) in gone:
            continue
        gone.add((x, y))
        for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
            if 0 <= n[0] < size and 0 <= n[1] < size and n not in gone and light(shown(*n)):
                todo.append(n)
    return lambda x, y: None if (x, y) in gone else shown(x, y)


class TaskbarTest(unittest.TestCase):
    """The tray pictures as the notification area shows them."""

    def test_tray_pictures_keep_their_outline_on_a_dark_taskbar(self):
        for name in TRAY:
            with self.subTest(name):
                im = load(name)
                self.assertEqual(unseen_edges(im.rgb, 32, DARK_TASKBAR), [])
                # No dark outline may face the dark taskbar without a light
                # edge outside it: there the picture would lose its shape.
                gone = [(x, y) for y in range(32) for x in range(32)
                        if im.rgb(x, y) is not None
                        and contrast(im.rgb(x, y), DARK_TASKBAR) < NEARLY_GONE
                        and any(not (0 <= n[0] < 32 and 0 <= n[1] < 32) or im.rgb(*n) is None
                                for n in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)))]
                self.assertEqual(gone, [])

    def test_speaker_and_waves_show_on_light_taskbars(self):
        # On a light taskbar the light edge may vanish: what lies inside it
        # must show. The gauge's frame and the sign's pure red are fixed
        # colours; the speaker and the waves (right of the gauge) are the
        # drawing's own.
        for name in TRAY:
            im = load(name)
            shown = peeled(im.rgb, 32)
            ours = lambda x, y: x > GAUGE_RIGHT and shown(x, y) not in (RED, GREEN)
            for background in (LIGHT_TASKBAR, CLASSIC_TASKBAR):
                with self.subTest(name, background=f"{background:06X}"):
                    self.assertEqual(unseen_edges(shown, 32, background, ours), [])

    def test_levels_stay_apart_at_the_size_the_tray_shows(self):
        # The notification area shows the 32-pixel pictures at 16: every
        # level must still show at least one more row of green there (the
        # gauge's interior is three pixels wide at that size).
        def green_at_half(im):
            return sum(im.rgb(x, y) == GREEN for y in range(32) for x in range(32)) / 4
        greens = [green_at_half(load(name)) for name in LEVELS]
        for lower, higher in zip(greens, greens[1:]):
            self.assertGreaterEqual(higher - lower, 3, greens)
        halves = {name: tuple(tuple(load(name).rgb(2 * x + i, 2 * y + j) for i in (0, 1) for j in (0, 1))
                              for y in range(16) for x in range(16)) for name in TRAY}
        self.assertEqual(len(set(halves.values())), len(TRAY))


class ColourIcon:
    """An icon file's 32-bit images: images[size] is rows of (r, g, b, a);
    masks[size] the AND mask (1: transparent) of the bitmap images;
    entries the whole directory as read."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = data = f.read()
        self.dir = struct.unpack_from("<HHH", data, 0)
        self.entries, self.images, self.masks, self.formats = [], {}, {}, {}
        for i in range(self.dir[2]):
            w, h, colours, reserved, planes, bits, length, offset = \
                struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
            self.entries.append((w, h, colours, reserved, planes, bits, length, offset))
            if bits != 32:
                continue
            size = w or 256
            blob = data[offset:offset + length]
            if blob[:8] == b"\x89PNG\r\n\x1a\n":
                width, height, channels, rows = read_png(blob)
                assert (width, height, channels) == (size, size, 4), "RGBA PNG of the entry's size"
                self.images[size] = [[tuple(r[4 * x:4 * x + 4]) for x in range(size)] for r in rows]
                self.formats[size] = "png"
                continue
            header = struct.unpack_from("<IiiHHIIiiII", blob, 0)
            self.formats[size] = ("bmp",) + header
            stride = (size + 31) // 32 * 4
            xor = blob[40:40 + 4 * size * size]
            mask = blob[40 + 4 * size * size:]
            self.images[size] = [[tuple(xor[4 * ((size - 1 - y) * size + x) + k] for k in (2, 1, 0, 3))
                                  for x in range(size)] for y in range(size)]
            self.masks[size] = [[(mask[(size - 1 - y) * stride + x // 8] >> (7 - x % 8)) & 1
                                 for x in range(size)] for y in range(size)]

    def shown_on(self, size, background):
        """The colours a taskbar shows, alpha blended: None where the
        picture is too faint to count as drawn (the anti-aliased fringe of
        a line is judged with the line)."""
        rows = self.images[size]
        bg = (background >> 16, (background >> 8) & 0xFF, background & 0xFF)

        def at(x, y):
            r, g, b, a = rows[y][x]
            if a < 192:
                return None
            return tuple(round((c * a + k * (255 - a)) / 255) for c, k in zip((r, g, b), bg))
        return at


def check_masks(test, icon):
    """Systems without alpha (98 to 2000) draw by the mask: a pixel it
    leaves opaque while its colour is black would show as a black dot, and
    colour under a transparent mask bit would tint the screen."""
    for size, mask in icon.masks.items():
        with test.subTest(size):
            rows = icon.images[size]
            wrong = [(x, y) for y in range(size) for x in range(size)
                     if mask[y][x] != (rows[y][x][3] == 0)
                     or (rows[y][x][3] == 0 and rows[y][x][:3] != (0, 0, 0))]
            test.assertEqual(wrong, [])


def rgb_of(pixel):
    r, g, b, a = pixel
    return (r << 16) | (g << 8) | b if a == 255 else None


class TraySizesTest(unittest.TestCase):
    """The tray pictures at the sizes the notification area draws besides
    32, each drawn for its size."""

    @classmethod
    def setUpClass(cls):
        cls.icons = {name: ColourIcon(os.path.join(RESOURCES, name)) for name in TRAY}

    def test_each_size_follows_the_16_colour_image_in_32_bit_colour(self):
        for name, icon in self.icons.items():
            with self.subTest(name):
                self.assertEqual(icon.entries[0][:6], (32, 32, 16, 0, 1, 4))
                self.assertEqual([e[0] for e in icon.entries[1:]], TRAY_SIZES)
                offset = 6 + 16 * len(icon.entries)
                for w, h, colours, reserved, planes, bits, length, at in icon.entries:
                    self.assertEqual(at, offset, "images follow each other")
                    offset += length
                    if w == 32:
                        continue
                    self.assertEqual((h, colours, reserved, planes, bits), (w, 0, 0, 1, 32))
                    self.assertEqual(icon.formats[w][:7], ("bmp", 40, w, 2 * w, 1, 32, 0))
                self.assertEqual(offset, len(icon.data))
                check_masks(self, icon)

    def test_gauge_lights_each_levels_rows_from_the_bottom(self):
        for size in TRAY_SIZES:
            width, height = TRAY_GAUGES[size]
            interior_x, interior_y = range(1, width - 1), range(1, height - 1)
            for name, lit in zip(LEVELS, TRAY_LEVELS[size]):
                with self.subTest(name, size=size):
                    rgb = lambda x, y: rgb_of(self.icons[name].images[size][y][x])
                    rows = []
                    for y in interior_y:
                        row = {rgb(x, y) for x in interior_x}
                        self.assertIn(row, ({GREEN}, {BLACK}), f"row {y} mixed or not opaque")
                        rows.append(row == {GREEN})
                    self.assertEqual(rows, [False] * (height - 2 - lit) + [True] * lit)
                    for y in interior_y:
                        self.assertEqual((rgb(0, y), rgb(width - 1, y)), (DARK_GREY, WHITE), f"sides, y {y}")
                    for x in interior_x:
                        self.assertEqual((rgb(x, 0), rgb(x, height - 1)), (DARK_GREY, WHITE), f"ends, x {x}")
                    green = {(x, y) for y in range(size) for x in range(size) if rgb(x, y) == GREEN}
                    self.assertEqual(len(green), lit * len(interior_x), "green outside the gauge")

    def test_levels_stay_apart_at_every_size(self):
        for size, lit in TRAY_LEVELS.items():
            with self.subTest(size):
                self.assertEqual(lit[-1], TRAY_GAUGES[size][1] - 2, "full at the top level")
                self.assertGreaterEqual(lit[0], 1)
                steps = [b - a for a, b in zip(lit, lit[1:])]
                # A row at least between two levels; two where there is room.
                self.assertGreaterEqual(min(steps), 2 if size >= 24 else 1, lit)
                pictures = {name: tuple(map(tuple, icon.images[size])) for name, icon in self.icons.items()}
                self.assertEqual(len(set(pictures.values())), len(TRAY))

    def test_at_16_pixels_the_heights_the_scenarios_read(self):
        # At 96 dpi the tray draws the 16-pixel images; the scenarios tell
        # the level by the rows of green they see there.
        with open(RIG_LIB, encoding="utf-8") as f:
            line = next(l for l in f if l.startswith("_PELM_GAUGE_ROWS=("))
        rig_rows = [int(v) for v in line[line.index("(") + 1:line.index(")")].split()]
        seen = [sum(any(rgb_of(p) == GREEN for p in row) for row in self.icons[name].images[16])
                for name in LEVELS]
        self.assertEqual(seen, rig_rows)
        # The same heights as the 32-pixel pictures drawn at half size.
        self.assertEqual(seen, [lit // 2 for lit in LEVELS.values()])

    def test_mute_shows_the_red_sign_and_no_gauge(self):
        for size in TRAY_SIZES:
            with self.subTest(size):
                rows = self.icons["ImgMute.ico"].images[size]
                colours = [rgb_of(p) for row in rows for p in row]
                self.assertNotIn(GREEN, colours)
                self.assertGreater(colours.count(RED), size * size // 8)
                # A closed ring round the picture: every direction from the
                # middle meets red in the outer part.
                half = size / 2
                for step in range(32):
                    a = 2 * math.pi * step / 32
                    hit = any(rgb_of(rows[int(half + r * math.sin(a))][int(half + r * math.cos(a))]) == RED
                              for r in (half * k / 20 for k in range(12, 20)))
                    self.assertTrue(hit, f"gap in the ring at {step * 360 / 32} degrees")
                for name in LEVELS:
                    self.assertNotIn(RED, [rgb_of(p) for row in self.icons[name].images[size] for p in row])

    def test_outline_shows_on_dark_and_light_taskbars(self):
        # On a light taskbar the white edge vanishes and the black line must
        # do; the gauge's frame is the fixed sunken one (white on the right).
        for name, icon in self.icons.items():
            for size in TRAY_SIZES:
                for background in (DARK_TASKBAR, LIGHT_TASKBAR, CLASSIC_TASKBAR):
                    with self.subTest(name, size=size, background=f"{background:06X}"):
                        shown = icon.shown_on(size, background)
                        if background == DARK_TASKBAR:
                            self.assertEqual(unseen_edges(shown, size, background), [])
                            continue
                        gauge = TRAY_GAUGES[size][0] if name in LEVELS else 0
                        # The sign's red, blended at its rim, is fixed as well.
                        rows = icon.images[size]
                        ours = lambda x, y: x >= gauge and rows[y][x][:3] != (0, 255, 0) and not (
                            rows[y][x][0] == 255 and rows[y][x][1] == rows[y][x][2] < 255)
                        self.assertEqual(unseen_edges(peeled(shown, size), size, background, ours), [])


class ProgramIconTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.icon = ColourIcon(os.path.join(RESOURCES, PROGRAM))

    def test_holds_every_size_in_32_bit_colour(self):
        icon = self.icon
        self.assertEqual(icon.dir[:2], (0, 1))
        self.assertEqual(sorted(icon.images), PROGRAM_SIZES)
        offset = 6 + 16 * len(icon.entries)
        for w, h, colours, reserved, planes, bits, length, at in icon.entries:
            size = w or 256
            with self.subTest(size):
                self.assertEqual((w, h, colours, reserved, planes, bits), (size % 256, size % 256, 0, 0, 1, 32))
                self.assertEqual(at, offset, "images follow each other")
                offset += length
                if size == 256:
                    # Vista and later read PNG; it keeps the file small.
                    self.assertEqual(icon.formats[size], "png")
                else:
                    # Older systems read bitmaps only; they pick these sizes.
                    header = icon.formats[size]
                    self.assertEqual(header[:7], ("bmp", 40, size, 2 * size, 1, 32, 0))
                    self.assertEqual(header[7], 4 * size * size + (size + 31) // 32 * 4 * size)
        self.assertEqual(offset, len(icon.data))

    def test_mask_is_transparent_exactly_where_alpha_is_zero(self):
        check_masks(self, self.icon)
        for size, rows in self.icon.images.items():
            with self.subTest(size):
                for x, y in ((0, 0), (size - 1, 0), (0, size - 1), (size - 1, size - 1)):
                    self.assertEqual(rows[y][x][3], 0, (x, y))
                drawn = sum(p[3] > 0 for row in rows for p in row)
                self.assertGreater(drawn, size * size // 5)

    def test_each_size_is_drawn_on_its_own_pixel_grid(self):
        # A picture scaled from another size has soft edges everywhere; one
        # drawn for its size has the magnet box's left side as a hard,
        # straight edge: fully drawn pixels beside fully transparent ones,
        # down a good part of the height.
        for size, rows in self.icon.images.items():
            with self.subTest(size):
                left = min(x for row in rows for x, p in enumerate(row) if p[3] == 255)
                run = best = 0
                for y in range(size):
                    hard = rows[y][left][3] == 255 and (left == 0 or rows[y][left - 1][3] == 0)
                    run = run + 1 if hard else 0
                    best = max(best, run)
                self.assertGreaterEqual(best, size // 4)

    def test_every_size_shows_the_same_picture(self):
        # Drawn apart, the sizes must still agree: the same extent and the
        # same centre of weight, as fractions of the size, as the largest.
        def layout(size):
            rows = self.icon.images[size]
            drawn = [(x, y) for y in range(size) for x in range(size) if rows[y][x][3] >= 128]
            weight = sum(p[3] for row in rows for p in row)
            centre = [sum(rows[y][x][3] * ((x, y)[k] + 0.5) for y in range(size) for x in range(size))
                      / weight / size for k in (0, 1)]
            box = [min(x for x, _ in drawn) / size, min(y for _, y in drawn) / size,
                   (max(x for x, _ in drawn) + 1) / size, (max(y for _, y in drawn) + 1) / size]
            return box, centre
        box256, centre256 = layout(256)
        for size in PROGRAM_SIZES[:-1]:
            with self.subTest(size):
                box, centre = layout(size)
                for a, b in zip(box, box256):
                    self.assertAlmostEqual(a, b, delta=0.06)
                for a, b in zip(centre, centre256):
                    self.assertAlmostEqual(a, b, delta=0.05)

    def test_shows_on_dark_and_light_taskbars(self):
        for size in PROGRAM_SIZES:
            for background in (DARK_TASKBAR, LIGHT_TASKBAR, 0xFFFFFF):
                with self.subTest(size, background=f"{background:06X}"):
                    shown = self.icon.shown_on(size, background)
                    self.assertEqual(unseen_edges(shown, size, background), [])

    def test_no_pure_green_or_red(self):
        # The scenarios tell the tray's level and mute pictures apart by
        # counting those two colours on the screen.
        for size, rows in self.icon.images.items():
            with self.subTest(size):
                self.assertFalse([p for row in rows for p in row if p[3] and p[:3] in ((0, 255, 0), (255, 0, 0))])


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
                width, height, channels, rows = read_png(f.read())
        self.assertEqual(channels, 3)
        # Pure green and red appear nowhere else, so two bands (on the
        # checkerboard and on the dark taskbar) enlarged 4x show them
        # exactly 32 times as often as in the icons themselves.
        # The tray pictures come once more in the third band with their
        # other sizes, all enlarged 4x.
        sized = {name: ColourIcon(os.path.join(RESOURCES, name)) for name in TRAY}
        for colour in (GREEN, RED):
            want = 32 * sum(len(load(n).where(colour)) for n in ICONS)
            want += 16 * sum(len(load(n).where(colour)) for n in TRAY)
            want += 16 * sum(rgb_of(p) == colour for icon in sized.values()
                             for rows in icon.images.values() for row in rows for p in row)
            rgb = bytes([colour >> 16, (colour >> 8) & 0xFF, colour & 0xFF])
            got = sum(1 for r in rows for i in range(0, len(r), 3) if r[i:i + 3] == rgb)
            self.assertEqual(got, want, f"{colour:06X} pixels")


if __name__ == "__main__":
    unittest.main()
