#!/usr/bin/python3
"""Regenerates the drawing tests' pictures under tests/data/drawing/.

Run from the repository root with Debian's Python and ImageMagick:

    /usr/bin/python3 tests/drawing/make_fixtures.py

Patterns are drawn here (Pillow) and written by two independent writers,
ImageMagick (/usr/bin/convert) and Pillow. Beside each picture NAME.rgba
holds what a correct blit must show: 4 bytes a pixel (red, green, blue,
alpha), top row first, taken from the pattern. Every written file is read
back with Pillow and compared with its pattern. FIXTURES.txt lists each
file with the command that made it.
"""

import os
import subprocess
import sys
import tempfile

from PIL import Image

CONVERT = "/usr/bin/convert"
ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data", "drawing")
EIGHT = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
         (255, 0, 255), (0, 255, 255), (255, 255, 255)]
notes = []


def holes(size):
    """Opaque pixels of a few colours with fully transparent holes."""
    image = Image.new("RGBA", (size, size))
    for y in range(size):
        for x in range(size):
            if (x * 7 + y * 3) % 5 == 0 or (8 <= x < 12 and 4 <= y < 20):
                image.putpixel((x, y), (0, 0, 0, 0))
            else:
                r, g, b = EIGHT[(x // 3 + y // 2) % len(EIGHT)]
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


def expectation(name, image):
    with open(os.path.join(ROOT, name + ".rgba"), "wb") as out:
        out.write(image.convert("RGBA").tobytes())
    notes.append("%s.rgba\tpattern pixels, top row first, RGBA" % name)


def same(image, written):
    """The written file, read back with Pillow, must hold the pattern; the
    colour of fully transparent pixels does not count."""
    a = image.convert("RGBA")
    b = written.convert("RGBA")
    if a.size != b.size:
        return False
    for p, q in zip(a.getdata(), b.getdata()):
        if p[3] != q[3] or (p[3] != 0 and p[:3] != q[:3]):
            return False
    return True


def check(relative, image, size=None):
    with Image.open(os.path.join(ROOT, relative)) as written:
        if size:
            written.size = size
        written.load()
        if not same(image, written):
            sys.exit("%s does not hold its pattern" % relative)


def magick(source, options, relative):
    subprocess.run([CONVERT, source] + options + [os.path.join(ROOT, relative)], check=True)
    notes.append("%s\tconvert %s %s %s" % (relative, os.path.basename(source), " ".join(options), relative))


def main():
    with tempfile.TemporaryDirectory() as scratch:
        icon = holes(32)
        source = os.path.join(scratch, "holes.png")
        icon.save(source)
        expectation("holes", icon)
        # A 32-bit icon whose alpha marks the holes.
        magick(source, ["-define", "icon:auto-resize=32"], "holes_32bit_magick.ico")
        check("holes_32bit_magick.ico", icon)
        # A palette icon: the holes live in its AND mask only.
        magick(source, ["-type", "PaletteAlpha", "-colors", "8"], "holes_8bit_magick.ico")
        check("holes_8bit_magick.ico", icon)
        # A PNG-compressed entry.
        icon.save(os.path.join(ROOT, "holes_png_pillow.ico"), sizes=[(32, 32)])
        notes.append("holes_png_pillow.ico\tPillow RGBA 32x32 image .save(f, sizes=[(32, 32)])")
        check("holes_png_pillow.ico", icon, (32, 32))

        # Plain 24-bit pictures larger and smaller than the canvas.
        large = speckle(300, 300, 1)
        large_source = os.path.join(scratch, "large.png")
        large.save(large_source)
        magick(large_source, ["-type", "TrueColor"], "large_300_24bit_magick.bmp")
        check("large_300_24bit_magick.bmp", large)
        expectation("large_300", large)
        small = speckle(10, 10, 2)
        small.save(os.path.join(ROOT, "small_10_24bit_pillow.bmp"))
        notes.append("small_10_24bit_pillow.bmp\tPillow RGB 10x10 image .save(f)")
        check("small_10_24bit_pillow.bmp", small)
        expectation("small_10", small)

    with open(os.path.join(ROOT, "FIXTURES.txt"), "w") as out:
        out.write("# Made by tests/drawing/make_fixtures.py; do not edit.\n")
        out.write("\n".join(notes) + "\n")


main()
