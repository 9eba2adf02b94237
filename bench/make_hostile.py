#!/usr/bin/python3
"""Writes small pictures that cost the most a loader could be made to spend.

Usage: make_hostile.py DIR

Each file is under 100 KB; the tool must refuse it or convert it within a
second and 256 MB. Measure each with

    /usr/bin/time -v build/native/celpack DIR/NAME

The files are crafted here byte by byte (zlib for the PNG streams), so no
image writer's limits hide a case:

    core16.ico          a valid 16 x 16 icon with the 12-byte core header
    png_8192x4096.ico   a 1-bit grey PNG of 8192 x 4096 black pixels
    png_32767x16384.ico the same at 32767 x 16384 (the largest side allowed)
    png_2048.ico        a 2048 x 2048 RGBA PNG, all black, opaque
    png_1536x1024.ico   1536 x 1024 transparent RGBA, padded to 12 KB: the most allowed
    rle8_runs.bmp       18870 x 18870 RLE8, whole rows of 255-pixel runs, 90 KB
    rle8_lines.bmp      the same of end-of-line escapes only
    rle4_runs.bmp       the RLE4 counterpart of rle8_runs.bmp
    rle8_1536x1024.bmp  1536 x 1024, every pixel set by runs: the most allowed
"""
import os
import struct
import sys
import zlib


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, bit_depth, colour_type, row_bytes, padding=0, pixel=b"\0"):
    raw = (b"\0" + pixel * (row_bytes // len(pixel))) * height
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    extra = png_chunk(b"teXt", b"c\0" + b"x" * padding) if padding else b""
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + extra +
            png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def icon_file(image, width, height, bit_count):
    entry = struct.pack("<BBBBHHII", width & 255, height & 255, 0, 0, 1, bit_count,
                        len(image), 6 + 16)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def core_icon_16():
    """24 bits, every pixel white and opaque: glyph 0 alone is lit."""
    header = struct.pack("<IHHHH", 12, 16, 32, 1, 24)
    colour = b"\xff" * (16 * 3 * 16)
    mask = b"\0" * (4 * 16)
    return icon_file(header + colour + mask, 16, 16, 24)


# The largest square whose 24-bit pixel memory stays under 1 GiB, the native layer's ceiling.
RLE_SIDE = 255 * 74


def bmp_rle(width, height, bits, data):
    colours = 1 << bits
    palette = b"\0\0\0\0" + b"\xff\xff\xff\0" * (colours - 1)
    offset = 14 + 40 + len(palette)
    compression = 1 if bits == 8 else 2
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression,
                       len(data), 2835, 2835, colours, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return header + info + palette + data


def dense_rows(run):
    """Whole rows of 255-pixel runs, each row ended by its escape: the most
    pixels run-length data can set per byte (127.5)."""
    row = run * (RLE_SIDE // 255) + b"\0\0"
    return row * (90000 // len(row)) + b"\0\1"


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        "core16.ico": core_icon_16(),
        "png_8192x4096.ico": icon_file(png(8192, 4096, 1, 0, 1024), 0, 0, 32),
        "png_32767x16384.ico": icon_file(png(32767, 16384, 1, 0, 4096), 0, 0, 32),
        "png_2048.ico": icon_file(png(2048, 2048, 8, 6, 2048 * 4, pixel=b"\0\0\0\xff"), 0, 0, 32),
        # Transparent: the icon then goes through its mask, the dearer road.
        "png_1536x1024.ico": icon_file(png(1536, 1024, 8, 6, 1536 * 4, 12288,
                                           pixel=b"\0\0\0\0"), 0, 0, 32),
        # Index 1 is white: every run lights its pixels.
        "rle8_runs.bmp": bmp_rle(RLE_SIDE, RLE_SIDE, 8, dense_rows(b"\xff\x01")),
        "rle8_lines.bmp": bmp_rle(RLE_SIDE, RLE_SIDE, 8, b"\0\0" * 45000 + b"\0\1"),
        "rle4_runs.bmp": bmp_rle(RLE_SIDE, RLE_SIDE, 4, dense_rows(b"\xff\x11")),
        "rle8_1536x1024.bmp": bmp_rle(1536, 1024, 8, (b"\xff\x01" * 6 + b"\x06\x01\0\0") * 1024
                                      + b"\0\1"),
    }
    for name, data in files.items():
        assert len(data) < 100000, name
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("%-20s %6d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
