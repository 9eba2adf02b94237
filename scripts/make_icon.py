#!/usr/bin/python3
"""Writes resources/celpack.ico: one 24 x 24 image in 16 colours (4 bits per
pixel, the platform's standard palette) showing a glyph sheet: four cells
with the letters c, e, l, p on a dark sheet.

Run from the repository root: /usr/bin/python3 scripts/make_icon.py
"""
import struct
import sys

# The platform's 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One letter per pixel, top row first. '.' is transparent, the others name
# palette entries: k black, b navy, c cyan, w white, y yellow, g grey.
COLOURS = {'k': 0, 'b': 4, 'c': 14, 'w': 15, 'y': 11, 'g': 8}
PICTURE = [
    "........................",
    ".gggggggggggggggggggggg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gbbbwwwwbbbcbbbwwwbbbg.",
    ".gbbwbbbbbbbcbbwbbbwbbg.",
    ".gbbwbbbbbbbcbbwwwwwbbg.",
    ".gbbwbbbbbbbcbbwbbbbbbg.",
    ".gbbwbbbbbbbcbbwbbbbbbg.",
    ".gbbbwwwwbbbcbbbwwwwbbg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gccccccccccccccccccccg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gbbbbwwbbbbcbbbbbbbbbg.",
    ".gbbbbbwbbbbcbbyyyybbbg.",
    ".gbbbbbwbbbbcbbybbbybbg.",
    ".gbbbbbwbbbbcbbybbbybbg.",
    ".gbbbbbwbbbbcbbyyyybbbg.",
    ".gbbbbbwbbbbcbbybbbbbbg.",
    ".gbbbbwwwbbbcbbybbbbbbg.",
    ".gbbbbbbbbbbcbbbbbbbbbg.",
    ".gggggggggggggggggggggg.",
    "........................",
]

SIZE = 24


def icon_bytes():
    assert len(PICTURE) == SIZE and all(len(row) == SIZE for row in PICTURE)
    colour_stride = (SIZE * 4 + 31) // 32 * 4
    mask_stride = (SIZE + 31) // 32 * 4
    colour_rows = []
    mask_rows = []
    for row in reversed(PICTURE):  # bottom-up, as the format stores rows
        nibbles = [COLOURS.get(ch, 0) for ch in row]
        packed = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2))
        colour_rows.append(packed.ljust(colour_stride, b"\0"))
        bits = 0
        for ch in row:
            bits = (bits << 1) | (1 if ch == '.' else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big").ljust(mask_stride, b"\0"))
    pixels = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(pixels), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + pixels
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "resources/celpack.ico"
    with open(target, "wb") as out:
        out.write(icon_bytes())
