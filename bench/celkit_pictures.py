#!/usr/bin/python3
"""Pictures for bench/celkit_instructions.sh, and the Pillow jobs it compares
celkit with.

    celkit_pictures.py make DIR         the chart, the noisy chart and the hostile files
    celkit_pictures.py import CHART OUT the font of a Unifont chart PNG from U+0000 (Pillow)
    celkit_pictures.py show FONT OUT    the 16 x 16 chart of a .fnt at scale 2 (Pillow)
    celkit_pictures.py same A B         exit 1 unless two pictures have the same pixels

The chart is Debian's Unifont chart (/usr/share/unifont/unifont.bmp.gz,
4128 x 4160, 1 bit) saved as PNG by Pillow. The hostile files are crafted
byte by byte (zlib for the PNG streams), each under 100 KB.
"""
import gzip
import io
import random
import struct
import sys
import zlib

from PIL import Image, ImageDraw


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, depth, colour_type, rows):
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(rows, 9)) + png_chunk(b"IEND", b""))


def counting_rows(width, height):
    """Pixel (x, y) is colour y * width + x (width a multiple of 256): every
    pixel another colour, filtered Sub so that the rows repeat a 768-byte
    pattern (blue counts up mod 256, green steps every 256 pixels)."""
    step = (b"\0\0\1" * 255 + b"\0\1\1") * (width // 256)
    rows = bytearray()
    for y in range(height):
        first = y * width
        rows += bytes([1, first >> 16 & 255, first >> 8 & 255, first & 255]) + step[:-3]
    return bytes(rows)


def make(folder):
    chart = Image.open(io.BytesIO(gzip.open("/usr/share/unifont/unifont.bmp.gz").read()))
    chart.save(folder + "/chart.png")
    noise = Image.frombytes("RGB", chart.size, random.Random(5).randbytes(chart.size[0] * chart.size[1] * 3))
    noise.save(folder + "/noise.png", compress_level=1)
    side = 6320  # 1-bit, all black: 4.9 KB
    blank = png(side, side, 1, 0, (b"\0" * (1 + side // 8)) * side)
    open(folder + "/black6320.png", "wb").write(blank)
    # The same padded to a raw font's 8192 bytes and named like one.
    padded = blank[:33] + png_chunk(b"teXt", b"c\0" + b"x" * (8192 - len(blank) - 14)) + blank[33:]
    assert len(padded) == 8192
    open(folder + "/black6320.fnt", "wb").write(padded)
    open(folder + "/colours11m.png", "wb").write(png(4096, 2700, 8, 2, counting_rows(4096, 2700)))
    open(folder + "/blank6048x6560.png", "wb").write(png(6048, 6560, 1, 0, (b"\0" * (1 + 6048 // 8)) * 6560))


def pillow_import(chart, out):
    im = Image.open(chart).convert("L")
    paper = max(im.getcolors(256))[1]
    px = im.load()
    font = bytearray(8192)
    for g in range(256):
        x0, y0 = 32 + g % 256 * 16, 64 + g // 256 * 16
        for y in range(16):
            for x in range(16):
                if px[x0 + x, y0 + y] != paper:
                    font[g * 32 + y * 2 + x // 8] |= 0x80 >> x % 8
    open(out, "wb").write(font)


DIGITS = [[7, 5, 5, 5, 7], [2, 6, 2, 2, 7], [7, 1, 7, 4, 7], [7, 1, 3, 1, 7], [5, 5, 7, 1, 1], [7, 4, 7, 1, 7],
          [7, 4, 7, 5, 7], [7, 1, 1, 2, 2], [7, 5, 7, 5, 7], [7, 5, 7, 1, 7], [2, 5, 7, 5, 5], [6, 5, 6, 5, 6],
          [3, 4, 4, 4, 3], [6, 5, 5, 5, 6], [7, 4, 6, 4, 7], [7, 4, 6, 4, 4]]


def pillow_show(font_file, out, scale=2):
    """celkit's chart layout: labels left and above, grid lines halfway grey."""
    font = open(font_file, "rb").read()
    d = max(1, scale // 2)
    left, top, pitch = 10 * d, 9 * d, 16 * scale + 1
    im = Image.new("RGB", (left + 16 * pitch + 1, top + 16 * pitch + 1), (255, 255, 255))
    draw = ImageDraw.Draw(im)
    grid = (127, 127, 127)
    for k in range(17):
        draw.rectangle([left + k * pitch, top, left + k * pitch, top + 16 * pitch], fill=grid)
        draw.rectangle([left, top + k * pitch, left + 16 * pitch, top + k * pitch], fill=grid)

    def digit(n, x0, y0):
        for y, bits in enumerate(DIGITS[n]):
            for x in range(3):
                if bits & (4 >> x):
                    draw.rectangle([x0 + x * d, y0 + y * d, x0 + x * d + d - 1, y0 + y * d + d - 1], fill=0)

    cell = 16 * scale
    for k in range(16):
        digit(k, left + 1 + k * pitch + (cell - 3 * d) // 2, 2 * d)
        label_top = top + 1 + k * pitch + (cell - 5 * d) // 2
        digit(k, left - 9 * d, label_top)
        digit(0, left - 5 * d, label_top)
    black = Image.new("RGB", (cell, cell), 0)
    for g in range(256):
        glyph = Image.frombytes("1", (16, 16), font[g * 32:g * 32 + 32]).resize((cell, cell), Image.NEAREST)
        im.paste(black, (left + 1 + g % 16 * pitch, top + 1 + g // 16 * pitch), glyph)
    im.save(out)


def same(a, b):
    return Image.open(a).convert("RGB").tobytes() == Image.open(b).convert("RGB").tobytes()


if __name__ == "__main__":
    job = sys.argv[1]
    if job == "make":
        make(sys.argv[2])
    elif job == "import":
        pillow_import(sys.argv[2], sys.argv[3])
    elif job == "show":
        pillow_show(sys.argv[2], sys.argv[3])
    elif job == "same":
        sys.exit(0 if same(sys.argv[2], sys.argv[3]) else 1)
