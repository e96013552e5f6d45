#!/usr/bin/env python3
"""Reads a binary PPM (P6) from stdin, without an image library.

  pixels.py              "red=N green=M gauge=H": pure red and pure green
                         pixels, and the rows that hold pure green: the
                         muted picture's sign is red, the level pictures'
                         gauge green, lit up to a height of their own
  pixels.py --dark-rows  the rows (from 0) that hold a dark pixel, as text
                         is drawn
  pixels.py --find SIZE ICON...
                         the file name of the first icon file whose 32-bit
                         image of SIZE pixels lies somewhere in the picture
                         pixel for pixel wherever it is opaque, or "none": a
                         picture the shell scaled from another size matches
                         none"""
import os
import struct
import sys


def main():
    data = sys.stdin.buffer.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit("pixels.py: not an 8-bit P6 picture")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + 3 * width * height]
    if sys.argv[1:2] == ["--find"]:
        size = int(sys.argv[2])
        for path in sys.argv[3:]:
            if found(opaque_pixels(path, size), pixels, width, height):
                print(os.path.basename(path))
                return
        print("none")
        return
    if sys.argv[1:] == ["--dark-rows"]:
        dark = sorted({i // (width * 3) for i in range(0, len(pixels), 3) if sum(pixels[i:i + 3]) < 200})
        print(" ".join(map(str, dark)))
        return
    red = green = 0
    rows = set()
    for i in range(0, len(pixels), 3):
        rgb = pixels[i:i + 3]
        if rgb == b"\xff\x00\x00":
            red += 1
        elif rgb == b"\x00\xff\x00":
            green += 1
            rows.add(i // (width * 3))
    print(f"red={red} green={green} gauge={len(rows)}")


def opaque_pixels(path, size):
    """{(x, y): rgb bytes} of the fully opaque pixels of an icon file's
    32-bit bitmap image of that size, top-down."""
    with open(path, "rb") as f:
        data = f.read()
    for i in range(struct.unpack_from("<H", data, 4)[0]):
        w, _, _, _, _, bits, _, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        if w == size and bits == 32:
            at = offset + 40
            return {(x, size - 1 - y): bytes((data[p + 2], data[p + 1], data[p]))
                    for y in range(size) for x in range(size)
                    for p in [at + 4 * (y * size + x)] if data[p + 3] == 255}
    sys.exit(f"pixels.py: {path} has no 32-bit image of {size} pixels")


def found(image, pixels, width, height):
    xs = [x for x, _ in image]
    ys = [y for _, y in image]
    for top in range(height - max(ys)):
        for left in range(width - max(xs)):
            at = 3 * (top * width + left)
            if all(pixels[at + 3 * (y * width + x):at + 3 * (y * width + x) + 3] == rgb
                   for (x, y), rgb in image.items()):
                return True
    return False


if __name__ == "__main__":
    main()
