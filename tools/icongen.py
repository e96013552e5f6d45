#!/usr/bin/env python3
"""Builds the program's icons and its cursor from the pixel maps in tools/icons/.

    python3 tools/icongen.py --out resources          rewrite the committed files
    python3 tools/icongen.py --check resources        exit 1 if they are stale
    python3 tools/icongen.py --sheet icons.png        all pictures enlarged, for a look

The options combine.  The description lives in tools/icons/:

  palette.txt   the 16 colours in index order and the character for each
  pictures.txt  one line per output file: its name and the layers painted
                into it, first to last
  NAME.txt      one layer: an "at X,Y" line (where its top-left corner
                goes in the 32x32 picture; top-down, 0,0 is the top left)
                and then a rectangle of palette characters, "." where the
                layer draws nothing

Every .ico is one 32x32 image, 4 bits per pixel, standard palette, with an
AND mask; every .cur is one 32x32 monochrome image.  Standard library only,
so any build machine with python3 can regenerate or check them.
"""

import argparse
import os
import struct
import sys
import zlib

SIZE = 32
HERE = os.path.dirname(os.path.abspath(__file__))
ICON_DIR = os.path.join(HERE, "icons")

CLEAR = "."        # nothing drawn
LEVEL = "="        # gauge cell, lit or not depending on the picture
LIT_RGB = 0x00FF00
UNLIT_RGB = 0x000000

# Sheet layout: pictures in pictures.txt order, SHEET_COLUMNS to a row, each
# enlarged SHEET_SCALE times on a checkerboard (so transparency shows),
# SHEET_GAP pixels of plain background around and between them.
SHEET_SCALE = 4
SHEET_COLUMNS = 5
SHEET_GAP = 8
SHEET_BACKGROUND = (0x40, 0x40, 0x48)
SHEET_CHECKER = ((0xA8, 0xB8, 0xC8), (0xD8, 0xE0, 0xE8))


class DescriptionError(Exception):
    pass


def _lines(path):
    """Non-empty lines of a description file without comments, numbered."""
    with open(path, encoding="ascii") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n").rstrip()
            if line and not line.startswith("#"):
                yield number, line


def load_palette(path):
    """Returns (list of 16 RGB ints, dict char -> index)."""
    colours = [None] * 16
    chars = {}
    for number, line in _lines(path):
        fields = line.split(None, 3)
        try:
            index, char, rgb = int(fields[0]), fields[1], int(fields[2], 16)
        except (IndexError, ValueError):
            raise DescriptionError(f"{path}:{number}: expected 'index char rrggbb name'")
        if not 0 <= index < 16 or colours[index] is not None:
            raise DescriptionError(f"{path}:{number}: bad or repeated index {index}")
        if len(char) != 1 or char in chars or char in (CLEAR, LEVEL):
            raise DescriptionError(f"{path}:{number}: bad or repeated character {char!r}")
        colours[index] = rgb
        chars[char] = index
    if None in colours:
        raise DescriptionError(f"{path}: needs all 16 indices")
    return colours, chars


class Layer:
    def __init__(self, name, x, y, rows):
        self.name, self.x, self.y, self.rows = name, x, y, rows


def load_layer(name, chars):
    path = os.path.join(ICON_DIR, name + ".txt")
    if not os.path.exists(path):
        raise DescriptionError(f"no map {path}")
    x = y = None
    rows = []
    for number, line in _lines(path):
        if line.startswith("at "):
            try:
                x, y = (int(v) for v in line[3:].split(","))
            except ValueError:
                raise DescriptionError(f"{path}:{number}: expected 'at X,Y'")
            continue
        bad = set(line) - set(chars) - {CLEAR, LEVEL}
        if bad:
            raise DescriptionError(f"{path}:{number}: unknown characters {sorted(bad)}")
        if rows and len(line) != len(rows[0]):
            raise DescriptionError(f"{path}:{number}: rows of a map must be equally long")
        rows.append(line)
    if x is None or not rows:
        raise DescriptionError(f"{path}: needs an 'at X,Y' line and a map")
    return Layer(name, x, y, rows)


class Picture:
    """A parsed line of pictures.txt, painted: pixels[y][x] is an RGB int or
    None for transparent."""

    def __init__(self, filename, pixels, hotspot=None):
        self.filename, self.pixels, self.hotspot = filename, pixels, hotspot

    @property
    def is_cursor(self):
        return self.filename.lower().endswith(".cur")


def paint(filename, tokens, colours, chars):
    pixels = [[None] * SIZE for _ in range(SIZE)]
    hotspot = None
    for token in tokens:
        if token.startswith("hotspot="):
            try:
                hotspot = tuple(int(v) for v in token[len("hotspot="):].split(","))
            except ValueError:
                hotspot = ()
            if len(hotspot) != 2 or not all(0 <= v < SIZE for v in hotspot):
                raise DescriptionError(f"{filename}: bad {token}")
            continue
        name, dx, dy, level = token, 0, 0, None
        try:
            if "@" in name:
                name, shift = name.split("@", 1)
                dx, dy = (int(v) for v in shift.split(","))
            if "=" in name:
                name, level = name.split("=", 1)
                level = int(level)
        except ValueError:
            raise DescriptionError(f"{filename}: cannot read layer {token!r} (NAME[=N][@DX,DY])")
        layer = load_layer(name, chars)

        level_rows = sorted({r for r, row in enumerate(layer.rows) if LEVEL in row})
        if (level is None) != (not level_rows):
            raise DescriptionError(
                f"{filename}: layer {name} {'needs' if level_rows else 'takes no'} =N")
        if level is not None and not 0 <= level <= len(level_rows):
            raise DescriptionError(f"{filename}: {name} has only {len(level_rows)} gauge rows")
        lit = set(level_rows[len(level_rows) - level:]) if level else set()

        for r, row in enumerate(layer.rows):
            for c, ch in enumerate(row):
                if ch == CLEAR:
                    continue
                x, y = layer.x + dx + c, layer.y + dy + r
                if not (0 <= x < SIZE and 0 <= y < SIZE):
                    raise DescriptionError(f"{filename}: {name} draws outside at {x},{y}")
                if ch == LEVEL:
                    pixels[y][x] = LIT_RGB if r in lit else UNLIT_RGB
                else:
                    pixels[y][x] = colours[chars[ch]]
    picture = Picture(filename, pixels, hotspot)
    if picture.is_cursor:
        if hotspot is None:
            raise DescriptionError(f"{filename}: a cursor needs hotspot=X,Y")
        used = {p for row in pixels for p in row} - {None, 0x000000, 0xFFFFFF}
        if used:
            raise DescriptionError(f"{filename}: a monochrome cursor takes only black and white")
    elif hotspot is not None:
        raise DescriptionError(f"{filename}: only cursors have a hotspot")
    return picture


def load_pictures():
    colours, chars = load_palette(os.path.join(ICON_DIR, "palette.txt"))
    pictures = []
    for _, line in _lines(os.path.join(ICON_DIR, "pictures.txt")):
        filename, *tokens = line.split()
        pictures.append(paint(filename, tokens, colours, chars))
    return colours, pictures


# --- file formats -----------------------------------------------------------

def _bitmap_header(bit_count, image_bytes):
    # Height is doubled: the colour (XOR) bitmap and the AND mask stacked.
    return struct.pack("<IiiHHIIiiII", 40, SIZE, 2 * SIZE, 1, bit_count, 0,
                       image_bytes, 0, 0, 0, 0)


def _rgbquads(rgbs):
    return b"".join(struct.pack("BBBB", rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16, 0)
                    for rgb in rgbs)


def _pack_rows(values, bits):
    """Bottom-up rows, leftmost pixel in the high bits.  At 32 pixels wide
    every row is a whole number of 32-bit words, so no padding is needed."""
    out = bytearray()
    per_byte = 8 // bits
    for row in reversed(values):
        for i in range(0, SIZE, per_byte):
            byte = 0
            for v in row[i:i + per_byte]:
                byte = (byte << bits) | v
            out.append(byte)
    return bytes(out)


def _mask(picture):
    return [[1 if p is None else 0 for p in row] for row in picture.pixels]


def _directory(kind, colour_count, field_a, field_b, data):
    # ICONDIR/CURSORDIR and its one entry.  For icons field_a/field_b are
    # planes and bit count, for cursors the hotspot.
    return (struct.pack("<HHH", 0, kind, 1)
            + struct.pack("<BBBBHHII", SIZE, SIZE, colour_count, 0,
                          field_a, field_b, len(data), 6 + 16)
            + data)


def icon_bytes(picture, colours):
    index = {rgb: i for i, rgb in enumerate(colours)}
    try:
        # Transparent pixels carry colour 0 so that the XOR leaves the screen alone.
        values = [[0 if p is None else index[p] for p in row] for row in picture.pixels]
    except KeyError as e:
        raise DescriptionError(f"{picture.filename}: colour {e} not in palette")
    xor = _pack_rows(values, 4)
    mask = _pack_rows(_mask(picture), 1)
    data = _bitmap_header(4, len(xor) + len(mask)) + _rgbquads(colours) + xor + mask
    return _directory(1, 16, 1, 4, data)


def cursor_bytes(picture):
    values = [[1 if p == 0xFFFFFF else 0 for p in row] for row in picture.pixels]
    xor = _pack_rows(values, 1)
    mask = _pack_rows(_mask(picture), 1)
    data = _bitmap_header(1, len(xor) + len(mask)) + _rgbquads([0x000000, 0xFFFFFF]) + xor + mask
    return _directory(2, 2, picture.hotspot[0], picture.hotspot[1], data)


def file_bytes(picture, colours):
    return cursor_bytes(picture) if picture.is_cursor else icon_bytes(picture, colours)


def png_bytes(width, height, rows):
    """rows: list of bytes objects, RGB, width*3 each."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)   # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def sheet_bytes(pictures):
    cell = SIZE * SHEET_SCALE
    columns = min(SHEET_COLUMNS, len(pictures))
    lines = (len(pictures) + SHEET_COLUMNS - 1) // SHEET_COLUMNS
    width = SHEET_GAP + columns * (cell + SHEET_GAP)
    height = SHEET_GAP + lines * (cell + SHEET_GAP)
    canvas = [bytearray(bytes(SHEET_BACKGROUND) * width) for _ in range(height)]
    for n, picture in enumerate(pictures):
        left = SHEET_GAP + (n % SHEET_COLUMNS) * (cell + SHEET_GAP)
        top = SHEET_GAP + (n // SHEET_COLUMNS) * (cell + SHEET_GAP)
        for y in range(cell):
            row = canvas[top + y]
            for x in range(cell):
                p = picture.pixels[y // SHEET_SCALE][x // SHEET_SCALE]
                if p is None:
                    # Checker squares of two source pixels.
                    rgb = SHEET_CHECKER[(x // (2 * SHEET_SCALE) + y // (2 * SHEET_SCALE)) % 2]
                else:
                    rgb = (p >> 16, (p >> 8) & 0xFF, p & 0xFF)
                o = (left + x) * 3
                row[o:o + 3] = bytes(rgb)
    return png_bytes(width, height, [bytes(r) for r in canvas])


# --- command line -----------------------------------------------------------

def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate the icons and cursor.")
    parser.add_argument("--out", metavar="DIR", help="write the .ico/.cur files to DIR")
    parser.add_argument("--check", metavar="DIR",
                        help="exit 1 if the files in DIR differ from what would be written")
    parser.add_argument("--sheet", metavar="PNG", help="write an enlarged overview")
    args = parser.parse_args(argv)
    if not (args.out or args.check or args.sheet):
        parser.error("give --out, --check and/or --sheet")

    try:
        colours, pictures = load_pictures()
        files = [(p.filename, file_bytes(p, colours)) for p in pictures]
    except DescriptionError as e:
        print(f"icongen: {e}", file=sys.stderr)
        return 2

    if args.out:
        os.makedirs(args.out, exist_ok=True)
        for name, data in files:
            with open(os.path.join(args.out, name), "wb") as f:
                f.write(data)
    if args.sheet:
        with open(args.sheet, "wb") as f:
            f.write(sheet_bytes(pictures))
    if args.check:
        stale = []
        for name, data in files:
            path = os.path.join(args.check, name)
            if not os.path.exists(path):
                stale.append(f"{name} (missing)")
            else:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
        if stale:
            print("icongen: out of date in " + args.check + ": " + ", ".join(stale)
                  + "\n  regenerate with: python3 tools/icongen.py --out " + args.check,
                  file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
