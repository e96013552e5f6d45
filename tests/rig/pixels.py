#!/usr/bin/env python3
"""Reads a binary PPM (P6) from stdin, without an image library.

  pixels.py              "red=N green=M gauge=H": pure red and pure green
                         pixels, and the rows that hold pure green: the
                         muted picture's sign is red, the level pictures'
                         gauge green, lit up to a height of their own
  pixels.py --dark-rows  the rows (from 0) that hold a dark pixel, as text
                         is drawn"""
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


if __name__ == "__main__":
    main()
