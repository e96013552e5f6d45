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
  program.txt   the program's own icon, drawn in 32-bit colour for each
                size it lists: see that file
  tray.txt      the tray pictures at the other sizes the notification area
                asks for, drawn in 32-bit colour: see that file

An .ico made of layers is one 32x32 image, 4 bits per pixel, standard
palette, with an AND mask; a tray picture follows it with one 32-bit image
per size of tray.txt.  Every .cur is one 32x32 monochrome image.  The
program's icon holds one image per size, each drawn on that size's pixel
grid (never scaled from another): 32 bits per pixel with alpha and an AND
mask for systems without alpha, the largest as PNG.  Standard library only,
so any build machine with python3 can regenerate or check them.
"""

import argparse
import math
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
# enlarged SHEET_SCALE times, SHEET_GAP pixels of plain background around
# and between them.
SHEET_SCALE = 4
SHEET_COLUMNS = 5
SHEET_GAP = 8
SHEET_BACKGROUND = (0x40, 0x40, 0x48)
SHEET_CHECKER = ((0xA8, 0xB8, 0xC8), (0xD8, 0xE0, 0xE8))
# The taskbar of Windows 10 and 11 in their default dark mode.
SHEET_DARK_TASKBAR = (0x1F, 0x1F, 0x1F)


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
        # More images after the 32x32 16-colour one: size -> rows of (r, g, b, a).
        self.images = {}

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
    trays = {}
    for _, line in _lines(os.path.join(ICON_DIR, "pictures.txt")):
        filename, *tokens = line.split()
        if tokens[:1] == ["drawing"]:
            if len(tokens) != 2:
                raise DescriptionError(f"{filename}: expected 'drawing NAME'")
            pictures.append(draw(filename, tokens[1]))
            continue
        sized = None
        if "+" in tokens:
            at = tokens.index("+")
            tokens, sized = tokens[:at], tokens[at + 1:]
        picture = paint(filename, tokens, colours, chars)
        if sized is not None:
            try:
                (token,) = sized
                name, state = token.split("=", 1)
                state = state if state == "mute" else int(state)
            except ValueError:
                raise DescriptionError(f"{filename}: expected '+ NAME=LEVEL' or '+ NAME=mute' at the end")
            if name not in trays:
                trays[name] = load_tray(name)
            picture.images = draw_tray(filename, trays[name], state, colours, chars)
        pictures.append(picture)
    return colours, pictures


# --- the program's icon, drawn for each size --------------------------------

class Drawing:
    """A picture drawn in 32-bit colour at several sizes: images[size] is a
    list of rows of (r, g, b, a), 0..255, colour not premultiplied and 0
    wherever alpha is 0."""

    is_cursor = False

    def __init__(self, filename, images):
        self.filename, self.images = filename, images


# Numbers each size's line takes, name -> how many ("radii" takes any).
DRAWING_PARAMETERS = {"line": 1, "magnet": 4, "mouth": 3, "waves": 2, "radii": None,
                      "wave": 1, "spread": 1, "smooth": 1}
DRAWING_COLOURS = ("line", "light", "shade", "wave")


def size_line(where, fields, parameters):
    """One size's line, "SIZE NAME=N[,N...] ...": (size, {name: [numbers]}),
    with every parameter there, each with its count of numbers (None: any)."""
    try:
        size = int(fields[0])
        params = {}
        for field in fields[1:]:
            key, value = field.split("=", 1)
            params[key] = [float(v) for v in value.replace("/", ",").split(",")]
    except ValueError:
        raise DescriptionError(f"{where}: expected 'SIZE NAME=N[,N...] ...'")
    for key, count in parameters.items():
        if key not in params or (count is not None and len(params[key]) != count):
            raise DescriptionError(f"{where}: {key} needs {count or 'some'} numbers")
    if set(params) - set(parameters):
        raise DescriptionError(f"{where}: unknown parameters {sorted(set(params) - set(parameters))}")
    return size, params


def load_drawing(name):
    """Returns (colours {name: (r, g, b)}, [(size, {parameter: [numbers]})])."""
    path = os.path.join(ICON_DIR, name + ".txt")
    if not os.path.exists(path):
        raise DescriptionError(f"no drawing {path}")
    colours, sizes = {}, []
    for number, line in _lines(path):
        fields = line.split()
        where = f"{path}:{number}"
        if fields[0] == "colour":
            try:
                rgb = int(fields[2], 16)
            except (IndexError, ValueError):
                raise DescriptionError(f"{where}: expected 'colour NAME rrggbb'")
            colours[fields[1]] = (rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF)
            continue
        size, params = size_line(where, fields, DRAWING_PARAMETERS)
        if not 16 <= size <= 256:
            raise DescriptionError(f"{where}: size outside 16..256")
        sizes.append((size, params))
    missing = [c for c in DRAWING_COLOURS if c not in colours]
    if missing or not sizes:
        raise DescriptionError(f"{path}: needs the colours {missing} and at least one size")
    return colours, sizes


def _segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def polygon_distance(points):
    """Signed distance to a polygon: negative inside."""
    edges = list(zip(points, points[1:] + points[:1]))

    def distance(x, y):
        d = min(_segment_distance(x, y, ax, ay, bx, by) for (ax, ay), (bx, by) in edges)
        inside = False
        for (ax, ay), (bx, by) in edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return -d if inside else d
    return distance


def arc_distance(cx, cy, radius, half_width, spread):
    """Signed distance to an arc of a ring opening to the right, spread
    degrees either side of the horizontal, with round ends."""
    a = math.radians(spread)
    ends = [(cx + radius * math.cos(a), cy + s * radius * math.sin(a)) for s in (-1, 1)]

    def distance(x, y):
        dx, dy = x - cx, y - cy
        if abs(math.atan2(dy, dx)) <= a:
            return abs(math.hypot(dx, dy) - radius) - half_width
        return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - half_width
    return distance


def render_size(size, p, colours):
    """One size of the program's icon: a loudspeaker facing right, its
    magnet box and cone filled with a light-to-shade gradient (lit from the
    top left) inside a mid-grey line, and arcs of sound in front of it. The
    line and the arcs are mid tones that stand out from a dark taskbar as
    from a light one. Every number is in this size's pixels, so straight
    edges fall on whole pixels and lines keep whole widths."""
    line = p["line"][0]
    smooth = p["smooth"][0] != 0
    mx0, my0, mx1, my1 = p["magnet"]
    mouth_x, mouth_y0, mouth_y1 = p["mouth"]
    joint = mx1 - line          # the cone starts under the magnet's right line
    speaker = polygon_distance([(mx0, my0), (joint, my0), (mouth_x, mouth_y0),
                                (mouth_x, mouth_y1), (joint, my1), (mx0, my1)])
    magnet = polygon_distance([(mx0, my0), (mx1, my0), (mx1, my1), (mx0, my1)])
    cone = polygon_distance([(joint, my0), (mouth_x, mouth_y0), (mouth_x, mouth_y1), (joint, my1)])
    wx, wy = p["waves"]
    arcs = [arc_distance(wx, wy, r, p["wave"][0] / 2, p["spread"][0]) for r in p["radii"]]

    span = (mouth_x - mx0) + (mouth_y1 - mouth_y0)

    def gradient(x, y):
        t = max(0.0, min(1.0, ((x - mx0) + (y - mouth_y0)) / span))
        return tuple(l + (s - l) * t for l, s in zip(colours["light"], colours["shade"]))

    # Each layer with the box outside which it draws nothing, so that most
    # pixels are not measured at all (the 256-pixel size has 65,536).
    body = (mx0 - 1, mouth_y0 - 1, mouth_x + 1, mouth_y1 + 1)
    layers = [(speaker, 0.0, lambda x, y: colours["line"], body),
              (magnet, line, gradient, body),
              (cone, line, gradient, body)]
    half, spread = p["wave"][0] / 2 + 1, math.radians(p["spread"][0])
    for arc, radius in zip(arcs, p["radii"]):
        reach = radius * math.sin(spread) + half
        layers.append((arc, 0.0, lambda x, y: colours["wave"],
                       (wx + radius * math.cos(spread) - half, wy - reach, wx + radius + half, wy + reach)))

    return composite(size, layers, smooth)


def composite(size, layers, smooth):
    """Paints layers (distance, inset, colour, box), first to last, into
    rows of (r, g, b, a): a layer covers where its signed distance plus
    inset is below zero, and nothing outside its box (left, top, right,
    bottom), or anywhere when the box is None; colour(x, y) is (r, g, b)."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            x, y = px + 0.5, py + 0.5
            r = g = b = a = 0.0          # premultiplied
            for distance, inset, colour, box in layers:
                if box and not (box[0] <= x <= box[2] and box[1] <= y <= box[3]):
                    continue
                # Coverage of the pixel by an edge at that distance from its
                # centre: whole on one side of a pixel border, none beyond.
                # Unsmoothed, a pixel is in or out by its centre: at the
                # smallest sizes a line stays one solid pixel wide.
                d = distance(x, y) + inset
                c = max(0.0, min(1.0, 0.5 - d)) if smooth else float(d <= 0)
                if c:
                    cr, cg, cb = colour(x, y)
                    r, g, b = cr * c + r * (1 - c), cg * c + g * (1 - c), cb * c + b * (1 - c)
                    a = c + a * (1 - c)
            alpha = round(a * 255)
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(min(255, round(v / a)) for v in (r, g, b)) + (alpha,))
        rows.append(row)
    return rows


def draw(filename, name):
    colours, sizes = load_drawing(name)
    return Drawing(filename, {size: render_size(size, p, colours) for size, p in sizes})


# --- the tray pictures at the notification area's other sizes ---------------

# Numbers each size's line of tray.txt takes, name -> how many ("radii"
# takes any).
TRAY_PARAMETERS = {"gauge": 2, "levels": 10, "line": 1, "edge": 1, "magnet": 4, "mouth": 3,
                   "waves": 2, "radii": None, "wave": 1, "spread": 1, "sign": 4, "smooth": 1}


def load_tray(name):
    """Returns [(size, {parameter: [numbers]})] in the file's order."""
    path = os.path.join(ICON_DIR, name + ".txt")
    if not os.path.exists(path):
        raise DescriptionError(f"no drawing {path}")
    sizes = []
    for number, line in _lines(path):
        fields = line.split()
        where = f"{path}:{number}"
        size, params = size_line(where, fields, TRAY_PARAMETERS)
        if not 16 <= size <= 255 or size == SIZE:
            raise DescriptionError(f"{where}: a size outside 16..255, or that of the 16-colour picture")
        width, height = (int(v) for v in params["gauge"])
        levels = [int(v) for v in params["levels"]]
        if not (3 <= width <= size and 3 <= height <= size) or levels != sorted(set(levels)) \
                or levels[0] < 1 or levels[-1] != height - 2:
            raise DescriptionError(f"{where}: the gauge must fit, and its levels rise to its {height - 2} rows")
        sizes.append((size, params))
    if not sizes or len({s for s, _ in sizes}) != len(sizes):
        raise DescriptionError(f"{path}: needs sizes, each once")
    return sizes


def render_tray(size, p, state, colours, chars):
    """One tray picture at one size: the loudspeaker of the 16-colour
    pictures (black line, light grey with dark grey shade inside, a white
    edge outside for dark taskbars) with blue waves, each edged in white,
    and the gauge at the left edge lit to the level's rows; or, muted, the
    speaker under the red sign without waves and gauge. state is the level
    (1 to 10) or "mute"."""
    colour = {name: colours[chars[c]] for name, c in (
        ("black", "K"), ("white", "W"), ("light", "L"), ("shade", "D"), ("wave", "B"), ("sign", "R"))}
    rgb = {k: (v >> 16, (v >> 8) & 0xFF, v & 0xFF) for k, v in colour.items()}
    line, edge = p["line"][0], p["edge"][0]
    smooth = p["smooth"][0] != 0
    mx0, my0, mx1, my1 = p["magnet"]
    mouth_x, mouth_y0, mouth_y1 = p["mouth"]
    joint = mx1 - line
    speaker = polygon_distance([(mx0, my0), (joint, my0), (mouth_x, mouth_y0),
                                (mouth_x, mouth_y1), (joint, my1), (mx0, my1)])
    magnet = polygon_distance([(mx0, my0), (mx1, my0), (mx1, my1), (mx0, my1)])
    cone = polygon_distance([(joint, my0), (mouth_x, mouth_y0), (mouth_x, mouth_y1), (joint, my1)])
    span = (mouth_x - mx0) + (mouth_y1 - mouth_y0)

    def fill(x, y):
        # Lit from the top left: the far corner of the cone in shade.
        return rgb["shade"] if ((x - mx0) + (y - mouth_y0)) / span > 0.75 else rgb["light"]

    def solid(name):
        return lambda x, y: rgb[name]

    layers = []   # (distance, colour), painted first to last
    if state != "mute":
        wx, wy = p["waves"]
        for radius in p["radii"]:
            layers.append((arc_distance(wx, wy, radius, p["wave"][0] / 2 + edge, p["spread"][0]), solid("white")))
            layers.append((arc_distance(wx, wy, radius, p["wave"][0] / 2, p["spread"][0]), solid("wave")))
    layers += [(lambda x, y: speaker(x, y) - edge, solid("white")),
               (speaker, solid("black")),
               (lambda x, y: magnet(x, y) + line, fill),
               (lambda x, y: cone(x, y) + line, fill)]
    if state == "mute":
        cx, cy, radius, width = p["sign"]
        reach = radius * math.cos(math.radians(45))
        layers.append((lambda x, y: abs(math.hypot(x - cx, y - cy) - radius) - width / 2, solid("sign")))
        layers.append((lambda x, y: _segment_distance(x, y, cx - reach, cy - reach, cx + reach, cy + reach)
                       - width / 2, solid("sign")))

    rows = composite(size, [(distance, 0.0, colour, None) for distance, colour in layers], smooth)

    if state != "mute":
        # The gauge as in the 16-colour pictures, on whole pixels: a sunken
        # frame, dark grey left and top, white right and bottom, and its
        # interior lit from the bottom in pure green, the rest black.
        width, height = (int(v) for v in p["gauge"])
        lit = int(p["levels"][state - 1])
        for y in range(height):
            for x in range(width):
                if y == 0 and x < width - 1 or x == 0:
                    c = colour["shade"]
                elif y == height - 1 or x == width - 1:
                    c = colour["white"]
                else:
                    c = LIT_RGB if y >= height - 1 - lit else UNLIT_RGB
                rows[y][x] = (c >> 16, (c >> 8) & 0xFF, c & 0xFF, 255)
    return rows


def draw_tray(filename, sizes, state, colours, chars):
    if state != "mute" and not 1 <= state <= 10:
        raise DescriptionError(f"{filename}: a level is 1 to 10")
    return {size: render_tray(size, p, state, colours, chars) for size, p in sizes}


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
    if not picture.images:
        return _directory(1, 16, 1, 4, data)
    # The 16-colour image first: a system that takes the first image of a
    # file (the 9x family) gets the picture it always had.
    return icon_file([(SIZE, 16, 4, data)] + [(size, 0, 32, _bgra_image(rows))
                                               for size, rows in picture.images.items()])


def icon_file(images):
    """An icon file of (size, colour count, bits per pixel, image data)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colour_count, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, _, data in images)


def cursor_bytes(picture):
    values = [[1 if p == 0xFFFFFF else 0 for p in row] for row in picture.pixels]
    xor = _pack_rows(values, 1)
    mask = _pack_rows(_mask(picture), 1)
    data = _bitmap_header(1, len(xor) + len(mask)) + _rgbquads([0x000000, 0xFFFFFF]) + xor + mask
    return _directory(2, 2, picture.hotspot[0], picture.hotspot[1], data)


def _bgra_image(rows):
    """A 32-bit icon image: header, bottom-up BGRA, then the AND mask that
    systems without alpha go by (transparent exactly where alpha is 0)."""
    size = len(rows)
    xor = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def drawing_bytes(drawing):
    """An icon file with one image per size, in the order of the
    description; the 256-pixel one as PNG, which Vista and later read and
    which keeps the file small."""
    blobs = []
    for size, rows in drawing.images.items():
        if size >= 256:
            blobs.append((size, 0, 32, png_bytes(size, size, [bytes(v for px in row for v in px) for row in rows],
                                                 alpha=True)))
        else:
            blobs.append((size, 0, 32, _bgra_image(rows)))
    return icon_file(blobs)


def file_bytes(picture, colours):
    if isinstance(picture, Drawing):
        return drawing_bytes(picture)
    return cursor_bytes(picture) if picture.is_cursor else icon_bytes(picture, colours)


def png_bytes(width, height, rows, alpha=False):
    """rows: list of bytes objects, RGB (RGBA with alpha), width*3 (*4) each."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rows)   # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def _rgba_at(picture, size):
    """The picture's pixels at one size as a function (x, y) -> (r, g, b, a)."""
    if isinstance(picture, Drawing) or size != SIZE:
        rows = picture.images[size]
        return lambda x, y: rows[y][x]

    def at(x, y):
        p = picture.pixels[y][x]
        return (0, 0, 0, 0) if p is None else (p >> 16, (p >> 8) & 0xFF, p & 0xFF, 255)
    return at


def _sheet_size(picture):
    """The size a picture shows at in the sheet's first two bands."""
    if isinstance(picture, Drawing):
        return min(picture.images, key=lambda n: (abs(n - SIZE), n))
    return SIZE


def sheet_bytes(pictures):
    """Three bands: every picture on a checkerboard (so transparency shows);
    every picture again on a dark taskbar's colour; and every size of each
    picture that has several, the small ones enlarged like the rest, 256 as
    it is."""
    cell = SIZE * SHEET_SCALE
    lines = (len(pictures) + SHEET_COLUMNS - 1) // SHEET_COLUMNS
    cells = []   # (left, top, picture, size, scale, dark)
    for band in range(2):
        for n, picture in enumerate(pictures):
            left = SHEET_GAP + (n % SHEET_COLUMNS) * (cell + SHEET_GAP)
            top = SHEET_GAP + (band * lines + n // SHEET_COLUMNS) * (cell + SHEET_GAP)
            size = _sheet_size(picture)
            cells.append((left, top, picture, size, cell // size, band == 1))
    top = SHEET_GAP + 2 * lines * (cell + SHEET_GAP)
    for picture in pictures:
        if not picture.images:
            continue
        left, tallest = SHEET_GAP, 0
        sizes = set(picture.images) | ({SIZE} if isinstance(picture, Picture) else set())
        for size in sorted(sizes):
            scale = SHEET_SCALE if size * SHEET_SCALE <= 256 else 1
            cells.append((left, top, picture, size, scale, False))
            left += size * scale + SHEET_GAP
            tallest = max(tallest, size * scale)
        top += tallest + SHEET_GAP
    width = max(left + size * scale for left, _, _, size, scale, _ in cells) + SHEET_GAP
    height = max(top, max(t + size * scale for _, t, _, size, scale, _ in cells) + SHEET_GAP)
    canvas = [bytearray(bytes(SHEET_BACKGROUND) * width) for _ in range(height)]
    for left, top, picture, size, scale, dark in cells:
        at = _rgba_at(picture, size)
        for y in range(size * scale):
            row = canvas[top + y]
            for x in range(size * scale):
                if dark:
                    back = SHEET_DARK_TASKBAR
                else:
                    # Checker squares of two source pixels (of 8 at 1:1).
                    square = 2 * scale if scale > 1 else 8
                    back = SHEET_CHECKER[(x // square + y // square) % 2]
                r, g, b, a = at(x // scale, y // scale)
                rgb = bytes(round((c * a + k * (255 - a)) / 255) for c, k in zip((r, g, b), back))
                o = (left + x) * 3
                row[o:o + 3] = rgb
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
