#!/usr/bin/python3
"""Regenerates the picture fixtures under tests/data/ for the image and
drawing tests.

Run from the repository root with Debian's Python and ImageMagick:

    /usr/bin/python3 scripts/make_fixtures.py

Pictures are drawn here from fixed patterns (Pillow), saved as PNG sources in
a scratch directory, and written as BMP and ICO files by two independent
writers: ImageMagick (/usr/bin/convert, never /usr/local/bin/convert) and
Pillow. Beside every valid fixture the script writes what a correct loader
must show, taken from the pattern and not from any decoder of ours:

    NAME.rgb    the pixels, top row first, 3 bytes (red, green, blue) each
    NAME.alpha  for 32-bit files, the alpha byte each pixel has after loading
    NAME.rgba   for the drawing pictures, what a correct blit shows: red,
                green, blue and alpha, top row first

Every written bitmap is read back with Pillow and compared with its pattern,
so a writer that changed a colour makes this script fail instead of leaving
a wrong expectation behind. Kept malformed files are made from valid ones by
the byte patches listed in MALFORMED. tests/data/FIXTURES.txt lists every
file with the command or patch that made it.
"""

import io
import os
import struct
import subprocess
import sys
import tempfile
import zlib

from PIL import Image

CONVERT = "/usr/bin/convert"
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data")

# ---- Patterns. Every colour a 16-bit file holds is 0 or 255 per channel, so
# 5- and 6-bit channels widen back to the same value whatever the rounding.
EIGHT = [(0, 0, 0), (255, 0, 0), (0, 255, 0), (0, 0, 255),
         (255, 255, 0), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def draw(size, colour_at):
    image = Image.new("RGB", size)
    image.putdata([colour_at(x, y) for y in range(size[1]) for x in range(size[0])])
    return image


def eight(size, shift=0):
    return draw(size, lambda x, y: EIGHT[(x * 3 + y * 5 + shift) % 8])


def mono(size):
    return draw(size, lambda x, y: (255, 255, 255) if (x * x + y * 3) % 5 < 2 else (0, 0, 0))


# 200 distinct colours: an 8-bit file with a table shorter than 256 entries.
TABLE200 = [((i * 37) & 255, (i * 91 + 13) & 255, (i * 53 + 101) & 255) for i in range(200)]
assert len(set(TABLE200)) == 200


def duo(size):
    """Two colours that are not grey: ImageMagick writes grey icons at 32
    bits, two-colour ones at 1 bit."""
    return draw(size, lambda x, y: (255, 255, 0) if (x * x + y * 3) % 5 < 2 else (0, 0, 0))


def indexed200(size):
    return draw(size, lambda x, y: TABLE200[(x * 7 + y * 11) % 200])


def gradient(size):
    return draw(size, lambda x, y: ((x * 11) & 255, (y * 15) & 255, (x * y * 7 + 40) & 255))


def alpha_plane(size, kind):
    """Alpha of each pixel: all zero, or varied with some zeros among them."""
    if kind == "zero":
        return [0] * (size[0] * size[1])
    return [0 if (x + y) % 6 == 0 else (x * 13 + y * 29) & 255 or 1
            for y in range(size[1]) for x in range(size[0])]


def sheet(size):
    """A glyph-sheet-like picture: white strokes on black."""
    return draw(size, lambda x, y: (255, 255, 255)
                if ((x * 7 + y * 13) ^ ((x >> 4) * (y >> 4))) % 5 == 0 else (0, 0, 0))


SMALL = (23, 17)   # odd sides: rows need padding at every depth
SHEET = (256, 256)

# ---- Bookkeeping
made = []          # (relative path, how it was made)


def path(relative):
    full = os.path.join(ROOT, relative)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    return full


def note(relative, how):
    made.append((relative, how))


def write_expectation(relative, image, alpha=None):
    stem = os.path.splitext(relative)[0]
    with open(path(stem + ".rgb"), "wb") as out:
        out.write(image.convert("RGB").tobytes())
    note(stem + ".rgb", "pattern pixels, top row first, RGB")
    if alpha is not None:
        with open(path(stem + ".alpha"), "wb") as out:
            out.write(bytes(alpha))
        note(stem + ".alpha", "alpha after loading (all-zero alpha becomes 255)")


def magick(arguments, relative):
    command = [CONVERT] + arguments[:-1] + [arguments[-1].replace("@OUT@", path(relative))]
    subprocess.run(command, check=True)
    shown = " ".join(a.replace(path(relative), relative) for a in command[1:])
    note(relative, "convert " + shown.replace(scratch + "/", ""))


def check_with_pillow(relative, image):
    with Image.open(path(relative)) as read:
        read.load()
        got = read.convert("RGB").tobytes()
    if got != image.convert("RGB").tobytes():
        sys.exit("writer changed the pixels of " + relative)


# ---- Bitmap files
def source(name, image):
    file = os.path.join(scratch, name + ".png")
    image.save(file)
    return file


def make_bitmaps():
    picture_eight = eight(SMALL)
    picture_mono = mono(SMALL)
    picture_200 = indexed200(SMALL)
    picture_gradient = gradient(SMALL)
    src_eight = source("eight", picture_eight)
    src_mono = source("mono", picture_mono)
    src_200 = source("indexed200", picture_200)
    src_gradient = source("gradient", picture_gradient)

    # (file, writer arguments with @OUT@, pattern)
    by_magick = [
        ("bmp/mono_1bit_magick.bmp", [src_mono, "-type", "Palette", "-colors", "2", "-compress", "None", "BMP3:@OUT@"], picture_mono),
        ("bmp/eight_4bit_magick.bmp", [src_eight, "-type", "Palette", "-compress", "None", "BMP3:@OUT@"], picture_eight),
        ("bmp/eight_4bit_core_magick.bmp", [src_eight, "-type", "Palette", "-compress", "None", "BMP2:@OUT@"], picture_eight),
        ("bmp/indexed_8bit_magick.bmp", [src_200, "-type", "Palette", "-compress", "None", "BMP3:@OUT@"], picture_200),
        ("bmp/indexed_rle8_magick.bmp", [src_200, "-type", "Palette", "-compress", "RLE", "BMP3:@OUT@"], picture_200),
        ("bmp/eight_rgb555_magick.bmp", [src_eight, "-type", "TrueColor", "-define", "bmp:subtype=RGB555", "BMP:@OUT@"], picture_eight),
        ("bmp/eight_rgb565_magick.bmp", [src_eight, "-type", "TrueColor", "-define", "bmp:subtype=RGB565", "BMP:@OUT@"], picture_eight),
        ("bmp/gradient_24bit_magick.bmp", [src_gradient, "-type", "TrueColor", "BMP3:@OUT@"], picture_gradient),
        ("bmp/gradient_24bit_v5_magick.bmp", [src_gradient, "-type", "TrueColor", "BMP:@OUT@"], picture_gradient),
        ("bmp/gradient_24bit_core_magick.bmp", [src_gradient, "-type", "TrueColor", "BMP2:@OUT@"], picture_gradient),
    ]
    for relative, arguments, picture in by_magick:
        magick(arguments, relative)
        check_with_pillow(relative, picture)
        write_expectation(relative, picture)

    # The glyph sheet as the tool meets it: 256 x 256, 24 bits, bottom-up.
    picture_sheet = sheet(SHEET)
    src_sheet = source("sheet", picture_sheet)
    magick([src_sheet, "-type", "TrueColor", "BMP3:@OUT@"], "bmp/sheet_24bit_magick.bmp")
    check_with_pillow("bmp/sheet_24bit_magick.bmp", picture_sheet)
    write_expectation("bmp/sheet_24bit_magick.bmp", picture_sheet)

    # 32 bits with alpha, from ImageMagick: a V5 header with bit fields.
    for kind in ("zero", "varied"):
        relative = "bmp/gradient_32bit_%salpha_magick.bmp" % kind
        alpha = alpha_plane(SMALL, kind)
        rgba = picture_gradient.copy()
        rgba.putalpha(Image.frombytes("L", SMALL, bytes(alpha)))
        src = os.path.join(scratch, "gradient_%salpha.png" % kind)
        rgba.save(src)
        magick([src, "-type", "TrueColorAlpha", "-define", "bmp:subtype=ARGB8888", "BMP:@OUT@"], relative)
        expected_alpha = [255] * len(alpha) if kind == "zero" else alpha
        check_raw_32(relative, picture_gradient, alpha)
        write_expectation(relative, picture_gradient, expected_alpha)

    # Pillow: 1-bit, a short 8-bit colour table, 24 bits, and 32 bits
    # without bit fields (BI_RGB) whose fourth bytes are the alpha.
    pillow = [
        ("bmp/mono_1bit_pillow.bmp", picture_mono.convert("1"), picture_mono,
         "Image.convert('1').save(f)"),
        ("bmp/eight_8bit_short_table_pillow.bmp", eight_with_short_palette(picture_eight), picture_eight,
         "P image with an 8-entry palette .save(f): biClrUsed 8"),
        ("bmp/gradient_24bit_pillow.bmp", picture_gradient, picture_gradient, "RGB image .save(f)"),
    ]
    for relative, image, picture, how in pillow:
        image.save(path(relative))
        note(relative, "Pillow " + how)
        check_with_pillow(relative, picture)
        write_expectation(relative, picture)
    for kind in ("zero", "varied"):
        relative = "bmp/gradient_32bit_%salpha_pillow.bmp" % kind
        alpha = alpha_plane(SMALL, kind)
        rgba = picture_gradient.copy()
        rgba.putalpha(Image.frombytes("L", SMALL, bytes(alpha)))
        rgba.save(path(relative))
        note(relative, "Pillow RGBA image (%s alpha) .save(f): 32-bit BI_RGB" % kind)
        check_raw_32(relative, picture_gradient, alpha)
        write_expectation(relative, picture_gradient, [255] * len(alpha) if kind == "zero" else alpha)


def eight_with_short_palette(picture):
    indexed = Image.new("P", picture.size)
    indexed.putpalette([c for colour in EIGHT for c in colour])
    indexed.putdata([EIGHT.index(p) for p in picture.getdata()])
    return indexed


def check_raw_32(relative, picture, alpha):
    """32-bit files: the stored bytes must be the pattern's, alpha included
    (Pillow does not hand the fourth byte back, so read the rows here)."""
    data = open(path(relative), "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 32, relative
    rows = abs(height)
    for y in range(rows):
        file_row = rows - 1 - y if height > 0 else y
        for x in range(width):
            b, g, r, a = data[offset + file_row * width * 4 + 4 * x: offset + file_row * width * 4 + 4 * x + 4]
            if (r, g, b) != picture.getpixel((x, y)) or a != alpha[y * width + x]:
                sys.exit("writer changed the pixels of " + relative)


# ---- Icon files
def icon_pictures():
    """Three sizes, each with its own pattern so the chosen one is known."""
    return {16: eight((16, 16), 1), 32: gradient((32, 32)), 48: eight((48, 48), 5)}


def make_icons():
    pictures = icon_pictures()
    sources = {size: source("icon%d" % size, picture) for size, picture in pictures.items()}

    # ImageMagick: 32-bit BMP-format entries in the order given.
    magick([sources[16], sources[32], sources[48], "ICO:@OUT@"], "ico/sizes_32bit_magick.ico")
    # Pillow: PNG-compressed entries, one given picture per size, with an
    # alpha channel (PNG colour type 6). Wine 8 swaps red and blue and
    # drops alpha for icon PNGs without alpha (colour types 2 and 3).
    relative = "ico/sizes_png_pillow.ico"
    rgba = {size: picture.convert("RGBA") for size, picture in pictures.items()}
    rgba[48].save(path(relative), sizes=[(16, 16), (32, 32), (48, 48)],
                  append_images=[rgba[16], rgba[32]])
    note(relative, "Pillow 48x48 RGBA image .save(f, sizes=[16, 32, 48], append_images=[16x16, 32x32 RGBA])")
    for size in (16, 32, 48):
        write_expectation("ico/sizes_%d.ico" % size, pictures[size])

    # Palette entries from ImageMagick: 4 bits for up to 16 colours, 1 bit
    # for two. Their pictures differ from the 32-bit 16 x 16 one, so a test
    # can tell which entry was loaded.
    picture_four = eight((16, 16), 3)
    magick([source("icon_four", picture_four), "-type", "Palette", "ICO:@OUT@"], "ico/eight_4bit_magick.ico")
    write_expectation("ico/eight_4bit_magick.ico", picture_four)
    picture_duo = duo((16, 16))
    magick([source("icon_duo", picture_duo), "-type", "Palette", "ICO:@OUT@"], "ico/duo_1bit_magick.ico")
    write_expectation("ico/duo_1bit_magick.ico", picture_duo)

    # 256 x 256 PNG-compressed entries, the glyph sheet, from both writers.
    picture_sheet = sheet(SHEET)
    src_sheet = source("icon_sheet", picture_sheet)
    magick([src_sheet, "ICO:@OUT@"], "ico/sheet_png_magick.ico")
    relative = "ico/sheet_png_pillow.ico"
    picture_sheet.save(path(relative), sizes=[(256, 256)])
    note(relative, "Pillow 256x256 image .save(f, sizes=[(256, 256)])")
    write_expectation("ico/sheet_png.ico", picture_sheet)

    # A PNG file: neither a bitmap nor an icon.
    relative = "other/eight_pillow.png"
    pictures[16].save(path(relative))
    note(relative, "Pillow 16x16 image .save(f)")

    for relative, by_size in (("ico/sizes_32bit_magick.ico", pictures),
                              ("ico/sizes_png_pillow.ico", pictures),
                              ("ico/eight_4bit_magick.ico", {16: picture_four}),
                              ("ico/duo_1bit_magick.ico", {16: picture_duo}),
                              ("ico/sheet_png_magick.ico", {256: picture_sheet}),
                              ("ico/sheet_png_pillow.ico", {256: picture_sheet})):
        check_icon(relative, by_size)


def check_icon(relative, by_size):
    """Every entry of a written icon must hold the picture drawn for its size."""
    with Image.open(path(relative)) as icon:
        for size in icon.info["sizes"]:
            icon.size = size
            icon.load()
            if icon.convert("RGB").tobytes() != by_size[size[0]].tobytes():
                sys.exit("writer changed the pixels of %s at %s" % (relative, size))


# ---- Kept malformed files, each a valid fixture with one field made to lie.
def patch(source_relative, changes, cut=None):
    data = bytearray(open(path(source_relative), "rb").read())
    for offset, fmt, value in changes:
        struct.pack_into(fmt, data, offset, value)
    return bytes(data[:cut] if cut is not None else data)


MALFORMED = [
    # (file, source fixture, [(offset, struct format, value)], cut length, why)
    ("malformed/bmp_offbits_past_end.bmp", "bmp/gradient_24bit_magick.bmp", [(10, "<I", 0xFFFFFFF0)], None,
     "bfOffBits far past the end of the block"),
    ("malformed/bmp_offbits_wraps.bmp", "bmp/gradient_24bit_magick.bmp", [(10, "<I", 0xFFFFFFFF)], None,
     "bfOffBits whose sum with the pixel length wraps a 32-bit value"),
    ("malformed/bmp_huge_sides.bmp", "bmp/indexed_8bit_magick.bmp", [(18, "<i", 0x7FFFFFFF), (22, "<i", 0x7FFFFFFF)], None,
     "width and height 2^31-1"),
    ("malformed/bmp_height_most_negative.bmp", "bmp/gradient_24bit_magick.bmp", [(22, "<i", -0x80000000)], None,
     "biHeight -2^31, whose magnitude does not fit"),
    ("malformed/bmp_header_size_huge.bmp", "bmp/gradient_24bit_magick.bmp", [(14, "<I", 0xFFFFFFF0)], None,
     "biSize past the end of the block"),
    ("malformed/bmp_colour_table_cut.bmp", "bmp/indexed_8bit_magick.bmp", [], 54 + 40,
     "colour table cut after ten entries"),
    ("malformed/bmp_colours_used_huge.bmp", "bmp/indexed_8bit_magick.bmp", [(46, "<I", 0xFFFFFFFF)], None,
     "biClrUsed 2^32-1"),
    ("malformed/bmp_rle8_size_past_end.bmp", "bmp/indexed_rle8_magick.bmp", [(34, "<I", 0x7FFFFFFF)], None,
     "run-length biSizeImage past the end of the block"),
    ("malformed/bmp_rle8_too_costly.bmp", "bmp/indexed_rle8_magick.bmp", [(18, "<i", 4096), (22, "<i", 4096)], None,
     "4096 x 4096 pixels from 1.5 KB of run-length data"),
    ("malformed/bmp_offbits_zero_cut.bmp", "bmp/gradient_24bit_magick.bmp", [(10, "<I", 0)], -1,
     "bfOffBits 0 and the last pixel byte missing: the rows do not fit after the headers"),
    ("malformed/ico_count_past_end.ico", "ico/eight_4bit_magick.ico", [(4, "<H", 0xFFFF)], None,
     "idCount 65535 with one directory entry present"),
    ("malformed/ico_offset_wraps.ico", "ico/eight_4bit_magick.ico", [(6 + 12, "<I", 0xFFFFFFF0), (6 + 8, "<I", 0x20)], None,
     "image offset whose sum with the length wraps"),
    ("malformed/ico_bytes_past_end.ico", "ico/eight_4bit_magick.ico", [(6 + 8, "<I", 0x10000000)], None,
     "dwBytesInRes past the end of the block"),
    ("malformed/ico_image_too_short.ico", "ico/eight_4bit_magick.ico", [(6 + 8, "<I", 8)], None,
     "an image of 8 bytes, too short for its header"),
]


# ---- Crafted icons: image data rebuilt or wrapped here byte by byte, for
# layouts no writer at hand produces.
def icon_image(relative):
    """The first image of an icon file and its directory entry's fields."""
    data = open(path(relative), "rb").read()
    width, height, colours, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6)
    return data[offset:offset + length], (width, height, colours, planes, bits)


def one_image_icon(image, fields, length=None):
    """An icon file of one entry; `length` is what the entry claims."""
    width, height, colours, planes, bits = fields
    entry = struct.pack("<BBBBHHII", width, height, colours, 0, planes, bits,
                        len(image) if length is None else length, 22)
    return struct.pack("<HHH", 0, 1, 1) + entry + image


def core_header_image(image):
    """A 40-byte-header palette image rewritten with the 12-byte core header:
    16-bit sides, 3-byte table entries, the same rows and mask."""
    size, width, height, planes, bits, _, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", image)
    assert size == 40 and bits <= 8
    entries = used or (1 << bits)
    table = image[40:40 + 4 * entries]
    triples = b"".join(table[i:i + 3] for i in range(0, len(table), 4))
    triples += b"\0" * (3 * ((1 << bits) - entries))
    return struct.pack("<IHHHH", 12, width, height, planes, bits) + triples + image[40 + 4 * entries:]


def png_icon_image(width, height, bit_depth, colour_type, row_bytes):
    """A PNG stream of black pixels, compressed as far as zlib goes."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0)
    raw = (b"\0" * (1 + row_bytes)) * height
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def patched(data, changes):
    data = bytearray(data)
    for offset, fmt, value in changes:
        struct.pack_into(fmt, data, offset, value)
    return bytes(data)


def make_crafted_icons():
    four, fields = icon_image("ico/eight_4bit_magick.ico")
    core = core_header_image(four)
    relative = "ico/eight_4bit_core.ico"
    open(path(relative), "wb").write(one_image_icon(core, fields))
    note(relative, "from ico/eight_4bit_magick.ico: its image rewritten with the 12-byte core header "
                   "(3-byte table entries, same rows and mask)")
    with Image.open(path(relative)) as read:
        if read.convert("RGB").tobytes() != open(path("ico/eight_4bit_magick.rgb"), "rb").read():
            sys.exit("the core-header icon does not show its pattern")
    note("ico/eight_4bit_core.rgb", "the same pixels as ico/eight_4bit_magick.rgb")
    open(path("ico/eight_4bit_core.rgb"), "wb").write(open(path("ico/eight_4bit_magick.rgb"), "rb").read())

    image_at = 22
    sixteen = png_icon_image(16, 16, 8, 6, 64)
    png16, png_fields = open(path("icons/rgba16_4x3_magick.png"), "rb").read(), (4, 3, 0, 1, 32)
    crafted = [
        # (file, image bytes, entry length or None, why)
        ("malformed/ico_bit_count_0.ico", patched(four, [(14, "<H", 0)]), None, "image biBitCount 0"),
        ("malformed/ico_bit_count_3.ico", patched(four, [(14, "<H", 3)]), None, "image biBitCount 3"),
        ("malformed/ico_width_0.ico", patched(four, [(4, "<i", 0)]), None, "image biWidth 0"),
        ("malformed/ico_height_0.ico", patched(four, [(8, "<i", 0)]), None, "image biHeight 0"),
        ("malformed/ico_width_32768.ico", patched(four, [(4, "<i", 32768)]), None,
         "image biWidth 32768, one past the largest side"),
        ("malformed/ico_height_32768.ico", patched(four, [(8, "<i", 2 * 32768)]), None,
         "image biHeight 65536: 32768 rows of colour and of mask"),
        ("malformed/ico_header_size_108.ico", patched(four, [(0, "<I", 108)]), None,
         "image biSize 108, a header the platform does not take in icons"),
        ("malformed/ico_table_cut.ico", four[:40 + 30], None, "image cut inside its colour table"),
        ("malformed/ico_colour_rows_cut.ico", four[:40 + 64 + 100], None, "image cut inside its colour rows"),
        ("malformed/ico_mask_cut.ico", four[:-1], None, "image cut one byte short of its AND mask"),
        ("malformed/ico_core_bit_count_0.ico", patched(core, [(10, "<H", 0)]), None, "core-header image with bit count 0"),
        ("malformed/ico_core_width_0.ico", patched(core, [(4, "<H", 0)]), None, "core-header image with width 0"),
        ("malformed/ico_png_16bit.ico", png16, None, "icons/rgba16_4x3_magick.png as the image: 16-bit channels"),
        ("malformed/ico_png_width_0.ico", patched(sixteen, [(16, ">I", 0)]), None, "16 x 16 RGBA PNG whose IHDR says width 0"),
        ("malformed/ico_png_width_32768.ico", patched(sixteen, [(16, ">I", 32768)]), None,
         "16 x 16 RGBA PNG whose IHDR says width 32768"),
        ("malformed/ico_png_too_costly.ico", png_icon_image(8192, 4096, 1, 0, 1024), None,
         "8192 x 4096 1-bit grey PNG of 4 KB: far more pixels than its length may expand to"),
    ]
    for relative, image, length, why in crafted:
        base = png_fields if image is png16 else fields
        open(path(relative), "wb").write(one_image_icon(image, base, length))
        note(relative, "crafted: one-entry icon, " + why)


def make_malformed():
    for relative, source_relative, changes, cut, why in MALFORMED:
        with open(path(relative), "wb") as out:
            out.write(patch(source_relative, changes, cut))
        shown = ", ".join("%s at %d = %#x" % (fmt, offset, value & 0xFFFFFFFF) for offset, fmt, value in changes)
        if cut is not None:
            cut_how = "cut to %d bytes" % cut if cut >= 0 else "last %d bytes cut" % -cut
            shown = (shown + ", " if shown else "") + cut_how
        note(relative, "from %s: %s (%s)" % (source_relative, shown, why))
    open(path("malformed/empty.bmp"), "wb").close()
    note("malformed/empty.bmp", "an empty file")


# ---- The drawing tests' pictures: icons with transparent holes and plain
# pictures larger and smaller than the canvas. Beside each, NAME.rgba holds
# what a correct blit must show: red, green, blue, alpha, top row first.
def holes(size):
    """Opaque pixels of a few colours with fully transparent holes."""
    colours = EIGHT[1:]
    image = Image.new("RGBA", (size, size))
    for y in range(size):
        for x in range(size):
            if (x * 7 + y * 3) % 5 == 0 or (8 <= x < 12 and 4 <= y < 20):
                image.putpixel((x, y), (0, 0, 0, 0))
            else:
                r, g, b = colours[(x // 3 + y // 2) % len(colours)]
                image.putpixel((x, y), (r, g, b, 255))
    return image


def speckle(width, height, seed):
    """24-bit pixels that differ from their neighbours and from black."""
    image = Image.new("RGB", (width, height))
    for y in range(height):
        for x in range(width):
            v = (x * 73 + y * 151 + seed) * 2654435761 & 0xFFFFFFFF
            image.putpixel((x, y), ((v >> 8) & 255 | 1, (v >> 16) & 255, (v >> 24) & 255))
    return image


def write_rgba(relative, image):
    with open(path(relative), "wb") as out:
        out.write(image.convert("RGBA").tobytes())
    note(relative, "pattern pixels, top row first, RGBA")


def check_rgba(relative, image, size=None):
    """The written file, read back with Pillow, must hold the pattern; the
    colour of fully transparent pixels does not count."""
    with Image.open(path(relative)) as written:
        if size:
            written.size = size
        written.load()
        a, b = image.convert("RGBA"), written.convert("RGBA")
        same = a.size == b.size and all(
            p[3] == q[3] and (p[3] == 0 or p[:3] == q[:3]) for p, q in zip(a.getdata(), b.getdata()))
    if not same:
        sys.exit("%s does not hold its pattern" % relative)


def make_drawing():
    icon = holes(32)
    holes_png = source("holes", icon)
    write_rgba("drawing/holes.rgba", icon)
    # A 32-bit icon whose alpha marks the holes.
    magick([holes_png, "-define", "icon:auto-resize=32", "@OUT@"], "drawing/holes_32bit_magick.ico")
    check_rgba("drawing/holes_32bit_magick.ico", icon)
    # A palette icon: the holes live in its AND mask only.
    magick([holes_png, "-type", "PaletteAlpha", "-colors", "8", "@OUT@"], "drawing/holes_8bit_magick.ico")
    check_rgba("drawing/holes_8bit_magick.ico", icon)
    # A PNG-compressed entry.
    icon.save(path("drawing/holes_png_pillow.ico"), sizes=[(32, 32)])
    note("drawing/holes_png_pillow.ico", "Pillow RGBA 32x32 image .save(f, sizes=[(32, 32)])")
    check_rgba("drawing/holes_png_pillow.ico", icon, (32, 32))

    large = speckle(300, 300, 1)
    magick([source("large", large), "-type", "TrueColor", "@OUT@"], "drawing/large_300_24bit_magick.bmp")
    check_rgba("drawing/large_300_24bit_magick.bmp", large)
    write_rgba("drawing/large_300.rgba", large)
    small = speckle(10, 10, 2)
    small.save(path("drawing/small_10_24bit_pillow.bmp"))
    note("drawing/small_10_24bit_pillow.bmp", "Pillow RGB 10x10 image .save(f)")
    check_rgba("drawing/small_10_24bit_pillow.bmp", small)
    write_rgba("drawing/small_10.rgba", small)


def main():
    global scratch
    with tempfile.TemporaryDirectory() as directory:
        scratch = directory
        make_bitmaps()
        make_icons()
        make_crafted_icons()
        make_malformed()
        make_drawing()
    with open(path("FIXTURES.txt"), "w") as out:
        out.write("# Made by scripts/make_fixtures.py; do not edit.\n")
        for relative, how in made:
            out.write("%s\t%s\n" % (relative, how))


if __name__ == "__main__":
    main()
