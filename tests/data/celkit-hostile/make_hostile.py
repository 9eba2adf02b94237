#!/usr/bin/python3
"""Writes the inputs that cost celkit the most, each crafted byte by byte
here (zlib, gzip and struct; no font or picture writer whose limits could
hide a case). Every file stays under 100 KB.

Usage: make_hostile.py [DIR]   (default: this script's folder)

tests/celkit/hostile_test.py runs each through the real celkit and says
what it must do with it; bench/celkit_hostile.sh measures them. The
gzip bomb of hundreds of MB cannot fit in 100 KB (deflate gives at most
about 1032 bytes per byte), so the test writes it with big_bomb().
"""
import gzip
import os
import random
import struct
import sys
import zlib

FONT_BYTES = 8192


def gz(data):
    # mtime 0: the same bytes on every run.
    return gzip.compress(data, 9, mtime=0)


def psf2(count, width, height, glyph, table=b""):
    charsize = (width + 7) // 8 * height
    assert len(glyph) == charsize
    flags = 1 if table else 0
    header = struct.pack("<8I", 0x864AB572, 0, 32, flags, count, charsize, height, width)
    return header + glyph * count + table * (count if table else 0)


# The largest PSF2 of 1 x 1 glyphs that inflates to 64 MiB: 67,108,832 glyphs.
MANY_1X1 = (64 << 20) - 32


def psf2_unicode():
    """As many 1 x 1 glyphs as fit in 64 MiB with a table naming every one 'A'."""
    count = ((64 << 20) - 32) // 3
    return psf2(count, 1, 1, b"\x80", b"A\xff")


def diagonal_glyph():
    return b"".join(struct.pack(">H", 0x8000 >> y) for y in range(16))


def big_bdf(count, blank):
    """One glyph (U+0041, every pixel set) `count` times, then `blank` empty
    lines: a block of glyph text repeats at a distance that costs deflate
    extra bits, a run of newlines repeats at distance 1, so the blank lines
    carry most of the size."""
    head = ("STARTFONT 2.1\nFONT -hostile-big\nSIZE 16 75 75\nFONTBOUNDINGBOX 16 16 0 0\n"
            "STARTPROPERTIES 2\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n"
            "ENDPROPERTIES\nCHARS %d\n" % count)
    glyph = ("STARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 16 0\nBBX 16 16 0 0\nBITMAP\n"
             + "FFFF\n" * 16 + "ENDCHAR\n")
    return (head + glyph * count + "\n" * blank + "ENDFONT\n").encode()


def big_hex(count, blank):
    return (b"0041:" + b"F" * 64 + b"\n") * count + b"\n" * blank


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, bit_depth, colour_type, raw, extra=b""):
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + extra
            + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def blank_png(width, height, bit_depth):
    row = b"\0" + bytes((width * bit_depth + 7) // 8)
    return png(width, height, bit_depth, 0, row * height)


# 3328 x 3328 = 11,075,584 pixels, each its own colour (y * 3328 + x); a
# side of 13 x 256 puts every row's carries in the same places, which keeps
# the file under 100 KB.
COLOURS_SIDE = 3328


def colours_png():
    """Every row is Sub-filtered: one raw pixel, then the 0 0 1 step to the
    next colour, with a carry where the blue byte wraps."""
    side = COLOURS_SIDE
    rows = []
    for y in range(side):
        first = y * side
        row = bytearray(b"\x01" + struct.pack(">I", first)[1:] + b"\x00\x00\x01" * (side - 1))
        c = (first // 256 + 1) * 256  # first colour past `first` whose blue byte is 0
        while c < first + side:
            at = 1 + 3 * (c - first)
            row[at + 1] = 1
            if c % 65536 == 0:
                row[at] = 1
            c += 256
        rows.append(bytes(row))
    return png(side, side, 8, 2, b"".join(rows))


def sheet_png_of_8192_bytes():
    """A 256 x 256 1-bit sheet (a diagonal in every cell) padded with a text
    chunk to exactly 8192 bytes: a real PNG with the size of a raw font."""
    row_of = lambda y: b"\0" + bytes([0x80 >> (y % 8) if (y % 16) // 8 == 0 else 0,
                                      0x80 >> (y % 8) if (y % 16) // 8 == 1 else 0] * 16)
    raw = b"".join(row_of(y) for y in range(256))
    plain = png(256, 256, 1, 0, raw)
    padding = FONT_BYTES - len(plain) - 12 - 2
    assert padding >= 0
    return png(256, 256, 1, 0, raw, png_chunk(b"tEXt", b"c\0" + b"x" * padding))


# The code-point map: 256 lines of 54 code points each from U+4E00 up.
MAP_PER_GLYPH = 54
MAP_FIRST = 0x4E00


def map_text():
    lines = ["0x%02x" % g + "".join(" U+%04X" % (MAP_FIRST + g * MAP_PER_GLYPH + k)
                                    for k in range(MAP_PER_GLYPH)) for g in range(256)]
    return ("\n".join(lines) + "\n").encode()


def map_last_codepoint():
    """Glyph 255's last code point: the one a linear lookup finds last."""
    return chr(MAP_FIRST + 256 * MAP_PER_GLYPH - 1)


UNICODE = "STARTPROPERTIES 2\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\n"


def bdf(glyphs, box="FONTBOUNDINGBOX 8 8 0 0", properties=""):
    return ("STARTFONT 2.1\n" + box + "\n" + properties + "CHARS %d\n" % len(glyphs) + "".join(glyphs)
            + "ENDFONT\n").encode()


BDF_POINTS = {
    "bdf_rows_past_bbx.bdf": bdf(["STARTCHAR A\nENCODING 65\nBBX 8 2 0 0\nBITMAP\nFF\nFF\nFF\nFF\nENDCHAR\n"]),
    "bdf_encoding_past_32_bits.bdf": bdf(["STARTCHAR big\nENCODING 4294967361\nBBX 8 8 0 0\nBITMAP\n"
                                          + "FF\n" * 8 + "ENDCHAR\n",
                                          "STARTCHAR B\nENCODING 66\nBBX 8 8 0 0\nBITMAP\n"
                                          + "81\n" * 8 + "ENDCHAR\n"], properties=UNICODE),
    "bdf_box_offset_huge.bdf": bdf(["STARTCHAR A\nENCODING 65\nBBX 8 8 0 0\nBITMAP\n" + "FF\n" * 8
                                    + "ENDCHAR\n"], "FONTBOUNDINGBOX 8 8 0 9223372036854775807"),
    "bdf_second_bitmap.bdf": bdf(["STARTCHAR A\nENCODING 65\nBBX 8 1 0 0\nBITMAP\nFF\nBITMAP\n81\nENDCHAR\n"]),
    "bdf_bbx_after_bitmap.bdf": bdf(["STARTCHAR A\nENCODING 65\nBBX 8 1 0 0\nBITMAP\nFF\nBBX 16 16 0 0\nENDCHAR\n"]),
    # A terminal would retitle its window and clear the screen if the name
    # reached it raw; the glyph lacks ENCODING so the error names it.
    "bdf_name_escapes.bdf": bdf(["STARTCHAR \x1b]0;PWNED\x07\x1b[2J\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\n"]),
}

# 8192-byte raw fonts that begin like other formats. The rest is random;
# the PSF ones carry a whole plausible header, so that they parse as PSF.
RAW_PREFIXES = {
    "raw_psf1.fnt": b"\x36\x04\x00\x10",
    "raw_psf2.fnt": struct.pack("<8I", 0x864AB572, 0, 32, 0, 256, 16, 16, 8),
    "raw_ico.fnt": b"\x00\x00\x01\x00\x01\x00",
    "raw_cur.fnt": b"\x00\x00\x02\x00\x01\x00",
    "raw_gzip.fnt": b"\x1f\x8b\x08\x00",
    "raw_bmp.fnt": b"BM",
    "raw_png.fnt": b"\x89PNG\r\n\x1a\n",
    "raw_bdf.fnt": b"STARTFONT 2.1\n",
    "raw_hex.fnt": b"0041:" + b"00" * 16 + b"\n",
    "raw_pcf.fnt": b"\1fcp\x04\0\0\0",
    "raw_ttf.fnt": b"\0\1\0\0\0\x0c",
    "raw_otf.fnt": b"OTTO\0\x0c",
    "raw_winfnt.fnt": struct.pack("<HI", 0x300, FONT_BYTES),
    "raw_mz.fnt": b"MZ",
}


def raw_font(name):
    rng = random.Random(name)
    prefix = RAW_PREFIXES[name]
    return prefix + bytes(rng.randrange(256) for _ in range(FONT_BYTES - len(prefix)))


def windows_fnt(first, last, width, height, bits):
    """A bare FNT 3.0: codes first..last all width x height on the same `bits`."""
    table = 148 + (last - first + 2) * 6
    header = bytearray(148)
    struct.pack_into("<HI", header, 0, 0x300, table + len(bits) + 2)
    struct.pack_into("<H", header, 88, height)
    struct.pack_into("<BB", header, 95, first, last)
    struct.pack_into("<II", header, 105, table + len(bits), table)
    header[85] = 255
    entries = b"".join(struct.pack("<HI", width, table) for _ in range(last - first + 2))
    return bytes(header) + entries + bits + b"T\0"


def pe_shared_languages(names, languages):
    """A 32-bit library whose RT_FONT has `names` entries, each pointing at
    the same directory of `languages` entries, all at one FNT: names x
    languages fonts for the bytes of names + languages entries."""
    fnt = windows_fnt(0x41, 0x41, 16, 16, bytes(32))
    pe, raw, rva = 0x40, 0x200, 0x1000
    tree = bytearray()
    tree += struct.pack("<12xHH", 0, 1) + struct.pack("<II", 8, 0x80000000 | 24)
    lang_dir = 24 + 16 + 8 * names
    tree += struct.pack("<12xHH", 0, names) + b"".join(
        struct.pack("<II", n + 1, 0x80000000 | lang_dir) for n in range(names))
    data_entry = lang_dir + 16 + 8 * languages
    tree += struct.pack("<12xHH", 0, languages) + struct.pack("<II", 0x409, data_entry) * languages
    tree += struct.pack("<IIII", rva + data_entry + 16, len(fnt), 0, 0) + fnt
    head = bytearray(raw)
    head[0:2], head[0x3C] = b"MZ", pe
    struct.pack_into("<4sHH12xHxxH", head, pe, b"PE\0\0", 0x14C, 1, 224, 0x10B)
    struct.pack_into("<I", head, pe + 24 + 92, 16)
    struct.pack_into("<I", head, pe + 24 + 96 + 16, rva)
    struct.pack_into("<8xIIII", head, pe + 24 + 224, len(tree), rva, len(tree), raw)
    return bytes(head) + bytes(tree)


def ne_huge_count():
    """A 16-bit library whose resource table claims 65535 fonts past its end."""
    out = bytearray(0x80)
    out[0:2], out[0x3C] = b"MZ", 0x40
    out[0x40:0x42] = b"NE"
    struct.pack_into("<HH", out, 0x40 + 0x24, 0x40 - 0x40 + 0x30, 0x3E)
    struct.pack_into("<HHHI", out, 0x70, 4, 0x8008, 0xFFFF, 0)
    return bytes(out) + bytes(12 * 100)


def pcf(count, width, height, bitmap, codes, full=False, properties=None, junk_entries=0):
    """A PCF, most significant byte and bit first, rows padded to 4: `count`
    glyphs of width x height all on the bitmap's first bytes, `codes` the
    glyph index for codes 0, 1, ... (columns 0-255 of as many rows as needed);
    `properties` a table body, `junk_entries` directory entries of kinds no
    PCF has, each distinct, before the real ones."""
    ascent = height // 2
    box = (0, width, width, ascent, height - ascent)
    accel = bytes(8) + struct.pack(">3i6h", ascent, height - ascent, 0, *box, 0)
    if full:
        metrics = struct.pack(">I", count) + struct.pack(">6h", *box, 0) * count
    else:
        metrics = struct.pack(">H", count) + bytes(v + 0x80 for v in box) * count
    bits = struct.pack(">I", count) + bytes(4 * count) + struct.pack(">4I", *[len(bitmap)] * 4) + bitmap
    rows = (len(codes) + 255) // 256
    codes = list(codes) + [0xFFFF] * (rows * 256 - len(codes))
    encodings = struct.pack(">5h", 0, 255, 0, rows - 1, 0) + struct.pack(">%dH" % len(codes), *codes)
    tables = [(2, 0x10E, accel), (4, 0x0E if full else 0x10E, metrics), (8, 0x0E, bits), (32, 0x0E, encodings)]
    if properties is not None:
        tables.append((1, 0x0E, properties))
    out = b"\1fcp" + struct.pack("<I", len(tables) + junk_entries)
    offset = 8 + 16 * (len(tables) + junk_entries)
    out += b"".join(struct.pack("<4I", 0x400 + i, 0, 4, offset) for i in range(junk_entries))
    for kind, fmt, body in tables:
        out += struct.pack("<4I", kind, fmt, 4 + len(body), offset)
        offset += 4 + len(body)
    return out + b"".join(struct.pack("<I", fmt) + body for _, fmt, body in tables)


def unterminated_properties(count, size):
    """`count` string properties whose names and values all start one string
    of `size` letters with no NUL."""
    return (struct.pack(">I", count) + struct.pack(">IBI", 0, 1, 0) * count + bytes(-count % 4)
            + struct.pack(">I", size) + b"A" * size)


def repeated_a_map():
    """Glyph 0x41 stands for U+0041 19,000 times over."""
    return ("0x41" + " U+41" * 19_000 + "\n").encode()


def two_members():
    """256 diagonal glyphs, gzip'ed as two members cut mid-glyph."""
    font = psf2(256, 16, 16, diagonal_glyph())
    return gz(font[:3001]) + gz(font[3001:])


def diagonal_pcf_bitmap():
    return b"".join(struct.pack(">HH", 0x8000 >> y, 0) for y in range(16))


def big_bomb(size):
    """A PSF2 of 256 16 x 16 glyphs followed by `size` zero bytes, gzip
    compressed: one compressed megabyte of zeros, cut at a full flush so it
    can be repeated, gives any size for a few hundred KB."""
    header = psf2(256, 16, 16, diagonal_glyph())
    chunk = 1 << 20
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = deflate.compress(header) + deflate.flush(zlib.Z_FULL_FLUSH)
    block = zlib.compressobj(9, zlib.DEFLATED, -15)
    zeros = block.compress(bytes(chunk)) + block.flush(zlib.Z_FULL_FLUSH)
    crc = zlib.crc32(header)
    crc_zero = bytes(chunk)
    for _ in range(size // chunk):
        crc = zlib.crc32(crc_zero, crc)
    end = zlib.compressobj(9, zlib.DEFLATED, -15).flush(zlib.Z_FINISH)
    total = len(header) + size // chunk * chunk
    return (b"\x1f\x8b\x08\x00\0\0\0\0\x02\xff" + body + zeros * (size // chunk) + end
            + struct.pack("<II", crc, total & 0xFFFFFFFF))


def sfnt(tag, tables):
    """An sfnt of the given tables, each 4-aligned, checksums left 0."""
    out, body = [tag, struct.pack(">H6x", len(tables))], b""
    offset = 12 + 16 * len(tables)
    for name in sorted(tables):
        data = tables[name]
        out.append(struct.pack(">4s4xII", name.encode(), offset + len(body), len(data)))
        body += data + bytes(-len(data) % 4)
    return b"".join(out) + body


def outline_font(count, glyf=None, cff=None):
    """Glyphs 1..count-1 at 'A'.., 16 units per em (one unit a pixel at 16 px), ascender 14."""
    cmap = struct.pack(">HHHHI", 0, 1, 3, 10, 12) + struct.pack(">HHIII", 12, 0, 28, 0, 1) + struct.pack(
        ">III", 0x41, 0x41 + count - 2, 1)
    tables = {"head": struct.pack(">18xH30xH2x", 16, 1), "hhea": struct.pack(">4xhh26xH", 14, -2, count),
              "maxp": struct.pack(">IH", 0x5000, count), "hmtx": bytes(4 * count), "cmap": cmap}
    if cff is not None:
        tables["CFF "] = cff
        return sfnt(b"OTTO", tables)
    tables["glyf"] = b"".join(glyf)
    offsets = [0]
    for g in glyf:
        offsets.append(offsets[-1] + len(g))
    tables["loca"] = struct.pack(">%dI" % len(offsets), *offsets)
    return sfnt(b"\0\1\0\0", tables)


def cff_index(items):
    if not items:
        return b"\0\0"
    offsets, at = [1], 1
    for item in items:
        at += len(item)
        offsets.append(at)
    return struct.pack(">HB", len(items), 4) + struct.pack(">%dI" % len(offsets), *offsets) + b"".join(items)


def runaway_cff(count):
    """Global subroutine i calls i + 1 thirty times, eight deep (30^8 calls a
    glyph), and every glyph calls subroutine 0."""
    subrs = [b"".join(bytes([33 + i, 29]) for _ in range(30)) + b"\x0b" for i in range(8)] + [b"\x0b"]
    head = b"\1\0\4\4" + cff_index([b"A"])
    top_size = len(cff_index([bytes(6)]))
    at = len(head) + top_size + len(cff_index([])) + len(cff_index(subrs))
    top = b"\x1d" + struct.pack(">i", at) + b"\x11"
    return head + cff_index([top]) + cff_index([]) + cff_index(subrs) + cff_index(
        [b"\x0e"] + [b"\x20\x1d\x0e"] * (count - 1))


def curly_glyph(points):
    """One contour of `points`, off-curve points swinging 60000 units each
    way: every curve flattens into hundreds of segments at 16 px."""
    flags = bytes([1 if i % 2 == 0 else 0 for i in range(points)])
    xs = b"".join(struct.pack(">h", 30000 if i % 2 else -30000) for i in range(points))
    ys = b"".join(struct.pack(">h", 30000 if i % 4 == 1 else -30000 if i % 4 == 3 else 0) for i in range(points))
    return struct.pack(">h8xHH", 1, points - 1, 0) + flags + xs + ys


def lone_off_curve_glyph():
    """A square, then a contour of one point off the curve: the outline's last."""
    flags = bytes([1, 1, 1, 1, 0])
    xs = struct.pack(">5h", 0, 8, 0, -8, 4)
    ys = struct.pack(">5h", 0, 0, 8, 0, -4)
    return struct.pack(">h8xHHH", 2, 3, 4, 0) + flags + xs + ys


def composites(count, part):
    return [struct.pack(">h8xHHhh", -1, 3, part, 0, 0) for _ in range(count)]


def square_glyph():
    """An 8 x 8 square at the origin, one contour."""
    return struct.pack(">h8xHH4B4h4h", 1, 3, 0, 1, 1, 1, 1, 0, 0, 8, 0, 0, 8, 0, -8)


def component(part, flags=0x0003, x=0, y=0, transform=b""):
    """One part of a composite: flags 3 are word arguments taken as x, y."""
    return struct.pack(">HHhh", flags, part, x, y) + transform


def composite_glyph(*parts, contours=-1):
    """Parts chained with MORE_COMPONENTS (0x20) but the last."""
    body = b"".join(struct.pack(">H", struct.unpack(">H", p[:2])[0] | (0x20 if i + 1 < len(parts) else 0)) + p[2:]
                    for i, p in enumerate(parts))
    return struct.pack(">h8x", contours) + body


def cmap_font(subtable):
    """outline_font's square 'A' with the given Unicode cmap subtable instead."""
    font = outline_font(2, glyf=[b"", square_glyph()])
    tables = {}
    count = struct.unpack(">H", font[4:6])[0]
    for i in range(count):
        tag, offset, length = struct.unpack(">4s4xII", font[12 + 16 * i:28 + 16 * i])
        tables[tag.decode()] = font[offset:offset + length]
    tables["cmap"] = struct.pack(">HHHHI", 0, 1, 3, 1, 12) + subtable
    return sfnt(b"\0\1\0\0", tables)


def overlapping_format4(segments):
    """Every segment spans U+0000..U+FFFE: walked code by code, 65535 codes each."""
    ends = [0xFFFE] * (segments - 1) + [0xFFFF]
    starts = [0] * (segments - 1) + [0xFFFF]
    body = (struct.pack(">%dH" % segments, *ends) + b"\0\0" + struct.pack(">%dH" % segments, *starts)
            + struct.pack(">%dH" % segments, *([1] * segments)) + bytes(2 * segments))
    return struct.pack(">HHHHHHH", 4, 14 + len(body), 0, 2 * segments, 0, 0, 0) + body


def overlapping_format12(groups):
    body = b"".join(struct.pack(">III", 0, 0x10FFFF, 1) for _ in range(groups))
    return struct.pack(">HHIII", 12, 0, 16 + len(body), 0, groups) + body


def truncated_table(font, tag, extra):
    """The directory entry of `tag` claims `extra` bytes more than the file holds."""
    out = bytearray(font)
    count = struct.unpack(">H", out[4:6])[0]
    for i in range(count):
        at = 12 + 16 * i
        if out[at:at + 4] == tag:
            offset = struct.unpack(">I", out[at + 8:at + 12])[0]
            out[at + 12:at + 16] = struct.pack(">I", len(out) - offset + extra)
    return bytes(out)


def loca_past_end():
    """Glyph 1's offsets point 2 GiB past 'glyf', and glyph 2's start."""
    font = bytearray(outline_font(3, glyf=[b"", square_glyph(), square_glyph()]))
    count = struct.unpack(">H", font[4:6])[0]
    for i in range(count):
        at = 12 + 16 * i
        if font[at:at + 4] == b"loca":
            offset = struct.unpack(">I", font[at + 8:at + 12])[0]
            font[offset + 4:offset + 12] = struct.pack(">II", 0x7FFFFFF0, 0x7FFFFFFF)
    return bytes(font)


# The sfnt glyphs that crashed the rasteriser before FreeType: each is drawn
# or left blank, never followed outside the file or round a loop.
GLYF_CRASHES = {
    # numberOfContours -2: no simple glyph, no composite; its body a composite of itself.
    "ttf_contours_minus_two.ttf": outline_font(3, glyf=[b"", composite_glyph(component(1), contours=-2),
                                                        composite_glyph(component(1))]),
    # Word arguments that are point numbers (no ARGS_ARE_XY_VALUES), far past the parts' points.
    "ttf_composite_point_args.ttf": outline_font(3, glyf=[b"", square_glyph(),
                                                          composite_glyph(component(1, 0x0001, -1, -1),
                                                                          component(1, 0x0001, 0x7FFF, 3))]),
    # Each a 2 x 2 transform of nearly 2 and an offset of 32767 of the one before, 12 deep.
    "ttf_composite_transform_overflow.ttf": outline_font(14, glyf=[b"", square_glyph()] + [
        composite_glyph(component(g, 0x0083, 32767, 32767, struct.pack(">4h", 0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF)))
        for g in range(1, 13)]),
    # Glyph 1 made of glyph 2, glyph 2 of glyph 1.
    "ttf_composite_loop.ttf": outline_font(3, glyf=[b"", composite_glyph(component(2)),
                                                    composite_glyph(component(1))]),
    "ttf_cmap_format4_spans.ttf": cmap_font(overlapping_format4(2000)),
    "ttf_cmap_format12_groups.ttf": cmap_font(overlapping_format12(5000)),
    "ttf_glyf_past_the_end.ttf": truncated_table(outline_font(3, glyf=[b"", square_glyph(), square_glyph()]),
                                                 b"glyf", 64),
    "ttf_loca_past_the_end.ttf": loca_past_end(),
}


# A Unifont chart is 4128 pixels wide; glyph 0 at U+258FF makes it 9680
# high, the most under the 40,000,000-pixel limit; U+10FFFF is past it.
CHART_EDGE = 0x258FF


def chart_map(codepoint):
    return ("0x00 U+%04X\n0x41 U+0041\n" % codepoint).encode()


def small_diagonal_glyph():
    """What a 4 x 4 cell of bmp32() gives: a diagonal in the top left corner."""
    return b"".join(bytes([0x80 >> y, 0]) for y in range(4)) + bytes(24)


def bmp32(header, compression, masks, paper, ink):
    """A 64 x 64 32-bit BMP, a white diagonal in every 4 x 4 cell on black,
    the fourth byte `ink` on the diagonal and `paper` elsewhere: header 40
    with the masks after it, or 124 (masks inside, then sRGB and zeros)."""
    side = 64
    pixels = b"".join(bytes((255, 255, 255, ink) if x % 4 == y % 4 else (0, 0, 0, paper))
                      for y in reversed(range(side)) for x in range(side))
    info = struct.pack("<IiiHHIIiiII", header, side, side, 1, 32, compression, len(pixels), 2835, 2835, 0, 0)
    masks = struct.pack("<%dI" % len(masks), *masks)
    if header == 124:
        info += masks + b"sRGB" + bytes(header - 40 - len(masks) - 4)
        masks = b""
    offset = 14 + len(info) + len(masks)
    return b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + masks + pixels


# 32-bit bitmaps whose fourth byte is padding, not alpha: read as opaque;
# the last names it alpha, transparent paper beside opaque ink.
BMP_PADDING = {
    "bmp32_bitfields_no_alpha_mask.bmp": bmp32(40, 3, (0xFF0000, 0xFF00, 0xFF), 0x40, 0x40),
    "bmp32_v5_alpha_mask_0.bmp": bmp32(124, 3, (0xFF0000, 0xFF00, 0xFF, 0), 0x40, 0x40),
    "bmp32_v5_alpha_mask_named.bmp": bmp32(124, 3, (0xFF0000, 0xFF00, 0xFF, 0xFF000000), 0x40, 0xFF),
}


def files():
    out = {
        "psf2_67m_glyphs_1x1.psf.gz": gz(psf2(MANY_1X1, 1, 1, b"\x80")),
        "psf2_unicode_1x1.psf.gz": gz(psf2_unicode()),
        # Every pixel set: a glyph that differed along its rows would compress
        # to less than a third as well.
        "psf2_2m_glyphs_16x16.psf.gz": gz(psf2(((64 << 20) - 32) // 32, 16, 16, b"\xff" * 32)),
        "big.bdf.gz": gz(big_bdf(20_000, 80_000_000)),
        "big.hex.gz": gz(big_hex(40_000, 90_000_000)),
        "bomb.psf.gz": big_bomb(96 << 20),
        "png_6320_1bit.png": blank_png(6320, 6320, 1),
        "png_11m_colours.png": colours_png(),
        "png_6048x6560_blank.png": blank_png(6048, 6560, 4),
        "png_8192_bytes.fnt": sheet_png_of_8192_bytes(),
        "map_100k.txt": map_text(),
        "pcf_shared_bitmap.pcf": pcf(8000, 127, 254, bytes(16 * 254), range(8000)),
        "pcf_48000_codes.pcf": pcf(1, 16, 16, diagonal_pcf_bitmap(), [0] * 48000),
        "pcf_40000_glyphs.pcf.gz": gz(pcf(40000, 16, 16, diagonal_pcf_bitmap() + bytes(1 << 20),
                                          range(40000), full=True)),
        "pcf_property_names.pcf.gz": gz(pcf(1, 16, 16, diagonal_pcf_bitmap(), [0] * 256,
                                            properties=unterminated_properties(4000, 200_000))),
        "pcf_directory_kinds.pcf.gz": gz(pcf(1, 16, 16, diagonal_pcf_bitmap(), [0] * 256, junk_entries=55_000)),
        "hex_100k_a.hex.gz": gz(b"0041:" + b"FF" * 16 + b"\n" + b"".join(
            b"0041:" + b"00" * 16 + b"\n" for _ in range(100_000))),
        "map_19000_a.txt": repeated_a_map(),
        "two_members.psf.gz": two_members(),
        "cut_member.psf.gz": gz(psf2(256, 16, 16, diagonal_glyph()))[:-9],
        "otf_runaway_subroutines.otf": outline_font(27, cff=runaway_cff(27)),
        "ttf_8192_point_curves.ttf": outline_font(27, glyf=[b"", curly_glyph(8192)] + composites(25, 1)),
        "ttf_lone_off_curve_point.ttf": outline_font(3, glyf=[b"", lone_off_curve_glyph(), composites(1, 1)[0]]),
        # Windows fonts: 224 glyphs on one tall bitmap, a PE resource tree
        # sharing one language directory among all its names, an NE count past the end.
        "fnt_shared_16x2000.fnt": windows_fnt(0x20, 0xFF, 16, 2000, bytes(2 * 2000)),
        "pe_shared_languages.fon": pe_shared_languages(4000, 4000),
        "ne_huge_count.fon": ne_huge_count(),
        "winfnt_header_8192.bin": raw_font("raw_winfnt.fnt"),
    }
    out.update(BDF_POINTS)
    out.update(BMP_PADDING)
    out.update(GLYF_CRASHES)
    out["map_chart_edge.txt"] = chart_map(CHART_EDGE)
    out["map_chart_past.txt"] = chart_map(0x10FFFF)
    out.update({name: raw_font(name) for name in RAW_PREFIXES})
    return out


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(folder, exist_ok=True)
    for name, data in files().items():
        assert len(data) < 100_000, (name, len(data))
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)
        print("%-32s %6d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
