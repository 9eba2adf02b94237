#!/usr/bin/python3
"""Draws examples/dejavu-mono.bmp, a glyph sheet for celpack: code page 437's
256 characters in DejaVu Sans Mono (Debian package fonts-dejavu-core), white
on black, one 16 x 16 cell per character in a 16 x 16 grid, saved as a
1-bit BMP. Also writes the font celpack must make of it,
examples/dejavu-mono.expected.fnt, packed here straight from the pixels.

Run from the repository root: /usr/bin/python3 examples/make_sheet.py
"""
from PIL import Image, ImageDraw, ImageFont

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
SHEET = "examples/dejavu-mono.bmp"
EXPECTED = "examples/dejavu-mono.expected.fnt"
CELL = 16

# Code page 437 draws symbols for the control codes 1-31 and 127.
LOW_SYMBOLS = " ☺☻♥♦♣♠•◘○◙♂♀♪♫☼►◄↕‼¶§▬↨↑↓→←∟↔▲▼"


def character(code):
    if code < 32:
        return LOW_SYMBOLS[code]
    if code == 127:
        return "⌂"
    return bytes([code]).decode("cp437")


def draw_sheet():
    font = ImageFont.truetype(FONT, 14)
    sheet = Image.new("1", (16 * CELL, 16 * CELL), 0)
    for code in range(256):
        cell = Image.new("L", (CELL, CELL), 0)
        text = character(code)
        if text.strip():
            # Centre the advance box; the baseline sits at 12 pixels, so
            # descenders and box-drawing strokes reach the cell's edges.
            width = font.getlength(text)
            ImageDraw.Draw(cell).text(((CELL - width) / 2, 12), text, font=font,
                                      fill=255, anchor="ls")
        cell = cell.point(lambda v: 255 if v >= 128 else 0).convert("1")
        sheet.paste(cell, ((code % 16) * CELL, (code // 16) * CELL))
    return sheet


def pack(sheet):
    pixels = sheet.load()
    out = bytearray()
    for code in range(256):
        left, top = (code % 16) * CELL, (code // 16) * CELL
        for row in range(CELL):
            bits = 0
            for column in range(CELL):
                bits = (bits << 1) | (1 if pixels[left + column, top + row] else 0)
            out += bits.to_bytes(2, "big")
    return bytes(out)


if __name__ == "__main__":
    sheet = draw_sheet()
    sheet.save(SHEET)
    with open(EXPECTED, "wb") as f:
        f.write(pack(sheet))
