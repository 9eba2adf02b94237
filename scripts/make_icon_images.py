#!/usr/bin/python3
# PNG images for the native icon tests (tests/platform/icon*_test.cpp),
# written into tests/data/icons/ with the command behind each one in
# tests/data/icons/FIXTURES.txt. Run with Debian's /usr/bin/python3
# (Pillow) from the repository root; ImageMagick is /usr/bin/convert.
import os
import subprocess
from PIL import Image

OUT = 'tests/data/icons'
os.makedirs(OUT, exist_ok=True)
notes = []

def note(name, how):
    notes.append(name + '\t' + how)

# 4 x 3: red 200, green 60 per row, blue 40 per column, alphas from
# transparent to opaque (the mask lets through all but alpha 255).
ALPHAS = [0, 1, 127, 128, 254, 255, 0, 10, 255, 255, 100, 0]
rgba = Image.new('RGBA', (4, 3))
for y in range(3):
    for x in range(4):
        rgba.putpixel((x, y), (200, y * 60, x * 40, ALPHAS[y * 4 + x]))
rgba.save(f'{OUT}/rgba_4x3_pillow.png')
note('rgba_4x3_pillow.png', 'Pillow RGBA 4x3, (200, 60y, 40x, alpha table)')
rgba.convert('L').save(f'{OUT}/grey_4x3_pillow.png')
note('grey_4x3_pillow.png', "Pillow rgba.convert('L')")
rgba.convert('RGB').save(f'{OUT}/rgb_4x3_pillow.png')
note('rgb_4x3_pillow.png', "Pillow rgba.convert('RGB')")
rgba.convert('RGB').save(f'{OUT}/rgb_trns_4x3_pillow.png', transparency=(200, 60, 40))
note('rgb_trns_4x3_pillow.png', "Pillow rgba.convert('RGB') with tRNS (200, 60, 40)")

def magick(name, *args):
    subprocess.run(['/usr/bin/convert', f'{OUT}/rgba_4x3_pillow.png', *args, f'{OUT}/{name}'], check=True)
    note(name, 'convert rgba_4x3_pillow.png ' + ' '.join(args) + ' ' + name)

magick('rgba_interlaced_4x3_magick.png', '-interlace', 'PNG')
subprocess.run(['/usr/bin/convert', f'{OUT}/rgba_4x3_pillow.png', '-depth', '16', f'PNG64:{OUT}/rgba16_4x3_magick.png'], check=True)
note('rgba16_4x3_magick.png', 'convert rgba_4x3_pillow.png -depth 16 PNG64:rgba16_4x3_magick.png')

# A glyph sheet: black, with a white 8 x 8 block in the middle of every
# 16 x 16 cell.
sheet = Image.new('RGB', (256, 256))
for y in range(256):
    for x in range(256):
        if 4 <= x % 16 < 12 and 4 <= y % 16 < 12:
            sheet.putpixel((x, y), (255, 255, 255))
sheet.save(f'{OUT}/sheet_256_pillow.png')
note('sheet_256_pillow.png', 'Pillow RGB 256x256 black, white 8x8 block centred in each 16x16 cell')

with open(f'{OUT}/FIXTURES.txt', 'w') as f:
    f.write('# Made by scripts/make_icon_images.py; do not edit.\n' + '\n'.join(notes) + '\n')
