#!/usr/bin/python3
"""Writes the benchmark pictures and, beside each, the font the tool must make.

Usage: make_pictures.py DIR [--big]

The BMP writer and the expected font are computed here from the pixel values
themselves, without any image library, so that the three converters compared
by the benchmark are checked against an independent answer:
glyph g is cell (g % 16, g // 16); each of its 16 rows gives two bytes, most
significant bit leftmost; a bit is set where the pixel is not pure black.
"""
import os
import random
import struct
import sys

SIDE = 256
BIG = 8192


def bmp_file(width, height, bits, rows, palette=b""):
    """A bottom-up BITMAPINFOHEADER file; rows are given top row first."""
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(row.ljust(stride, b"\0") for row in reversed(rows))
    offset = 14 + 40 + len(palette)
    colours = len(palette) // 4
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0,
                       len(pixels), 2835, 2835, colours, colours)
    return header + info + palette + pixels


def expected_font(lit):
    """lit(x, y) -> bool over the top left 256 x 256 pixels."""
    out = bytearray()
    for g in range(256):
        left, top = (g % 16) * 16, (g // 16) * 16
        for r in range(16):
            for half in (0, 8):
                byte = 0
                for c in range(8):
                    if lit(left + half + c, top + r):
                        byte |= 0x80 >> c
                out.append(byte)
    return bytes(out)


def colour(rng):
    """Mostly black; dark colours one step from black are lit all the same."""
    pick = rng.random()
    if pick < 0.5:
        return (0, 0, 0)
    if pick < 0.6:
        return rng.choice([(1, 0, 0), (0, 1, 0), (0, 0, 1)])
    return (rng.randrange(256), rng.randrange(256), rng.randrange(256))


def sheet_1bit(rng):
    # Index 1 is black and index 0 a colour, so a converter that reads the
    # index instead of the palette gets every bit inverted.
    palette = bytes([200, 30, 90, 0, 0, 0, 0, 0])
    index = [[rng.randrange(2) for _ in range(SIDE)] for _ in range(SIDE)]
    rows = []
    for line in index:
        row = bytearray(SIDE // 8)
        for x, i in enumerate(line):
            if i:
                row[x // 8] |= 0x80 >> (x % 8)
        rows.append(bytes(row))
    return (bmp_file(SIDE, SIDE, 1, rows, palette),
            lambda x, y: index[y][x] == 0)


def sheet_8bit(rng):
    entries = [colour(rng) for _ in range(256)]
    entries[0] = entries[77] = entries[200] = (0, 0, 0)
    entries[1] = (0, 0, 1)
    palette = b"".join(bytes([b, g, r, 0]) for r, g, b in entries)
    index = [[rng.randrange(256) for _ in range(SIDE)] for _ in range(SIDE)]
    rows = [bytes(line) for line in index]
    return (bmp_file(SIDE, SIDE, 8, rows, palette),
            lambda x, y: entries[index[y][x]] != (0, 0, 0))


def sheet_direct(rng, bits):
    pixels = [[colour(rng) for _ in range(SIDE)] for _ in range(SIDE)]
    rows = []
    for line in pixels:
        row = bytearray()
        for r, g, b in line:
            row += bytes([b, g, r])
            if bits == 32:
                # Alpha plays no part: black with alpha, colour without.
                row.append(rng.choice([0, 0, 255, 17]))
        rows.append(bytes(row))
    return (bmp_file(SIDE, SIDE, bits, rows),
            lambda x, y: pixels[y][x] != (0, 0, 0))


def big_24bit(rng, path):
    """8192 x 8192 at 24 bits, written row by row to keep memory small."""
    stride = BIG * 3
    top = [[colour(rng) for _ in range(SIDE)] for _ in range(SIDE)]
    filler = os.urandom(stride * 64)
    pixels_size = stride * BIG
    with open(path, "wb") as out:
        out.write(struct.pack("<2sIHHI", b"BM", 54 + pixels_size, 0, 0, 54))
        out.write(struct.pack("<IiiHHIIiiII", 40, BIG, BIG, 1, 24, 0,
                              pixels_size, 2835, 2835, 0, 0))
        for y in range(BIG - 1, -1, -1):  # bottom row first
            rest = filler[(y % 64) * stride:(y % 64 + 1) * stride]
            if y < SIDE:
                head = b"".join(bytes([b, g, r]) for r, g, b in top[y])
                out.write(head + rest[len(head):])
            else:
                out.write(rest)
    return lambda x, y: top[y][x] != (0, 0, 0)


def main():
    directory = sys.argv[1]
    rng = random.Random(20240501)
    sheets = {
        "sheet1.bmp": sheet_1bit(rng),
        "sheet8.bmp": sheet_8bit(rng),
        "sheet24.bmp": sheet_direct(rng, 24),
        "sheet32.bmp": sheet_direct(rng, 32),
    }
    for name, (data, lit) in sheets.items():
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)
        with open(os.path.join(directory, name + ".expected"), "wb") as out:
            out.write(expected_font(lit))
    if "--big" in sys.argv[2:]:
        path = os.path.join(directory, "big24.bmp")
        lit = big_24bit(rng, path)
        with open(path + ".expected", "wb") as out:
            out.write(expected_font(lit))


if __name__ == "__main__":
    main()
