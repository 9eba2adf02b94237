#!/usr/bin/python3
"""Writes small PCF fonts that cost the most celkit's reader could be made
to spend.

Usage: make_hostile_fonts.py DIR

Each file is under 100 KB; celkit must refuse it or import it within a
second and 256 MB. Measure each with

    /usr/bin/time -v build/native/celkit/celkit import DIR/NAME -o /tmp/x.fnt

The files are crafted here byte by byte (zlib for the gzip one):

    shared_127.pcf      8000 glyphs of 127 x 254, every one coded and on the
                        same bitmap
    within_budget.pcf   the same, as many coded as the reader unpacks before it
                        calls the bitmaps overlapping
    codes_48000.pcf     48000 codes, all for one glyph
    glyphs_40000.pcf.gz 40000 16 x 16 glyphs with full metrics, each coded,
                        on one bitmap in 1 MB of bitmap data, 2 MB inflated
"""
import gzip
import os
import struct
import sys


def table(kind, body, fmt=0x0E):
    return kind, fmt, struct.pack("<I", fmt) + body


def pcf(count, width, height, bitmap, offsets, codes, full=False):
    """MSB, rows padded to 4; glyph i on offsets[i]; codes as (first column, last column, first
    row, last row, indices)."""
    ascent = height // 2
    accel = bytes(8) + struct.pack(">iii", ascent, height - ascent, 0) + struct.pack(">6h", 0, width, width, ascent, height - ascent, 0)
    if full:
        metrics = struct.pack(">I", count) + struct.pack(">6h", 0, width, width, ascent, height - ascent, 0) * count
    else:
        metrics = struct.pack(">H", count) + bytes([0x80, 0x80 + width, 0x80 + width, 0x80 + ascent, 0x80 + height - ascent]) * count
    bits = struct.pack(">I", count) + b"".join(struct.pack(">I", o) for o in offsets)
    bits += struct.pack(">4I", *([len(bitmap)] * 4)) + bitmap
    c0, c1, r0, r1, indices = codes
    enc = struct.pack(">5h", c0, c1, r0, r1, 0) + b"".join(struct.pack(">H", i) for i in indices)
    tables = [table(2, accel, 0x0E), table(4, metrics, 0x0E if full else 0x10E), table(8, bits),
              table(32, enc)]
    out = b"\1fcp" + struct.pack("<I", len(tables))
    offset = 8 + 16 * len(tables)
    for kind, fmt, body in tables:
        out += struct.pack("<4I", kind, fmt, len(body), offset)
        offset += len(body)
    return out + b"".join(body for _, _, body in tables)


def coded(indices):
    """Columns 0-255 of as many rows as the indices need, the rest uncoded."""
    rows = (len(indices) + 255) // 256
    return 0, 255, 0, rows - 1, list(indices) + [0xFFFF] * (rows * 256 - len(indices))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    big = bytes(16 * 254)  # 127 x 254, rows padded to 16 bytes
    n = 8000
    # the reader's budget: 4 x the bitmap data and 1 MiB
    fits = (4 * len(big) + (1 << 20)) // len(big)
    glyphs = 40000
    files = {
        "shared_127.pcf": pcf(n, 127, 254, big, [0] * n, coded(range(n))),
        "within_budget.pcf": pcf(n, 127, 254, big, [0] * n, coded(range(fits))),
        "codes_48000.pcf": pcf(1, 16, 16, bytes(64), [0], coded([0] * 48000)),
        "glyphs_40000.pcf.gz": gzip.compress(pcf(
            glyphs, 16, 16, bytes(1 << 20), [0] * glyphs,
            coded(range(glyphs)), full=True), 9, mtime=0),
    }
    for name, data in files.items():
        assert len(data) < 100_000, (name, len(data))
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
