#!/usr/bin/python3
"""The glyph font of a picture with Pillow: PICTURE OUTPUT."""
import sys

from PIL import Image, ImageChops

picture = Image.open(sys.argv[1]).convert("RGB").crop((0, 0, 256, 256))
red, green, blue = (band.point(lambda v: 255 if v else 0)
                    for band in picture.split())
lit = ImageChops.lighter(ImageChops.lighter(red, green), blue).convert("1")
column = Image.new("1", (16, 16 * 256))
for g in range(256):
    x, y = (g % 16) * 16, (g // 16) * 16
    column.paste(lit.crop((x, y, x + 16, y + 16)), (0, g * 16))
with open(sys.argv[2], "wb") as out:
    out.write(column.tobytes())
