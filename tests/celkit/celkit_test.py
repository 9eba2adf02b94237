"""The real celkit of a build, started as a user starts it (under Wine for
the Windows build), each case in an empty directory. Outputs are read back
by programs nobody here wrote: Pillow for pictures, celpack for sheets, the
Unifont package's own .hex file for its chart. One table per command."""
import argparse, gzip, os, random, shutil, struct, subprocess, sys, unittest, zlib
from PIL import Image, ImageDraw

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import harness  # noqa: E402

ARGS = None
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
EXAMPLE = os.path.join(ROOT, "examples", "dejavu-mono.expected.fnt")
SHEET = os.path.join(ROOT, "examples", "dejavu-mono.bmp")


def run(program, args, cwd):
    """(status, standard output, standard error) of `program` run in `cwd`."""
    code, out, err = harness.run(harness.command(program, args), cwd, 60)
    text = lambda data: data.decode("utf-8").replace("\r\n", "\n")
    return code, text(out), text(err)


def celkit(args, cwd):
    return run(ARGS.celkit, args, cwd)


def fresh(name):
    path = os.path.join(ARGS.work, name, "dir")
    shutil.rmtree(os.path.dirname(path), ignore_errors=True)
    os.makedirs(path)
    return path


def pixel(font, g, x, y):
    return font[g * 32 + y * 2 + x // 8] >> (7 - x % 8) & 1


def crafted_fonts():
    rng = random.Random(7)
    return {"example": open(EXAMPLE, "rb").read(), "random": bytes(rng.randrange(256) for _ in range(8192)),
            "full": b"\xff" * 8192, "empty": bytes(8192),
            "edges": bytes(0x80 if i % 2 == 0 else 0x01 for i in range(8192))}


def put(dir, name, data):
    with open(os.path.join(dir, name), "wb") as f:
        f.write(data)
    return name


def files(dir):
    return sorted(os.path.relpath(os.path.join(d, f), dir) for d, _, fs in os.walk(dir) for f in fs)


class Show(unittest.TestCase):
    def test_chart_pixels_match_the_font_at_the_scale(self):
        fonts = crafted_fonts()
        for font, scale, ink, paper, out in [("example", None, "000000", "FFFFFF", "p.png"),
                                             ("random", 1, "#FFCC00", "202040", "p.png"),
                                             ("edges", 3, "102030", "#f0e0d0", "p.bmp")]:
            with self.subTest(font=font, scale=scale, out=out):
                d = fresh("show")
                args = ["show", put(d, "f.fnt", fonts[font]), "-o", out, "--ink", ink, "--paper", paper]
                if scale:
                    args += ["--scale", str(scale)]
                code, _, err = celkit(args, d)
                self.assertEqual((code, err), (0, ""))
                self.check_chart(Image.open(os.path.join(d, out)).convert("RGB"), fonts[font], scale or 2,
                                 int(ink.strip("#"), 16), int(paper.strip("#"), 16))

    def check_chart(self, im, font, scale, ink, paper):
        rgb = lambda c: (c >> 16, c >> 8 & 255, c & 255)
        ink, paper = rgb(ink), rgb(paper)
        grid = tuple((a + b) // 2 for a, b in zip(ink, paper))
        w, h = im.size
        px = im.load()
        where = [(x, y) for y in range(h) for x in range(w) if px[x, y] == grid]
        left, top = min(x for x, _ in where), min(y for _, y in where)
        right, bottom = max(x for x, _ in where), max(y for _, y in where)
        columns = [x for x in range(left, right + 1) if all(px[x, y] == grid for y in range(top, bottom + 1))]
        rows = [y for y in range(top, bottom + 1) if all(px[x, y] == grid for x in range(left, right + 1))]
        pitch = 16 * scale + 1
        self.assertEqual(columns, [left + k * pitch for k in range(17)])
        self.assertEqual(rows, [top + k * pitch for k in range(17)])
        self.assertTrue(any(px[x, y] == ink for x in range(left) for y in range(h)), "row labels")
        self.assertTrue(any(px[x, y] == ink for x in range(w) for y in range(top)), "column labels")
        for g in range(256):
            x0, y0 = columns[g % 16] + 1, rows[g // 16] + 1
            for y in range(16 * scale):
                for x in range(16 * scale):
                    want = ink if pixel(font, g, x // scale, y // scale) else paper
                    if px[x0 + x, y0 + y] != want:
                        self.fail("glyph %d pixel %d,%d" % (g, x, y))

    def test_text_sets_glyphs_through_the_map(self):
        font = crafted_fonts()["random"]
        for text, cmap, glyphs in [("AB", "cp437", [0x41, 0x42]), ("é░", "cp437", [0x82, 0xB0]),
                                  ("é", "latin1", [0xE9]), ("A\u4e00", "cp437", [0x41, 0x3F]),
                                  ("A\nBC", "cp437", [[0x41], [0x42, 0x43]])]:
            with self.subTest(text=text, map=cmap):
                d = fresh("text")
                code, _, err = celkit(["show", put(d, "f.fnt", font), "--text", text, "--map", cmap, "-o", "t.png",
                                       "--scale", "2", "--ink", "FFFFFF", "--paper", "000000"], d)
                self.assertEqual(code, 0, err)
                im = Image.open(os.path.join(d, "t.png")).convert("L")
                lines = glyphs if isinstance(glyphs[0], list) else [glyphs]
                self.assertEqual(im.size, (max(map(len, lines)) * 32 + 4, len(lines) * 32 + 4))
                for row, line in enumerate(lines):
                    for i, g in enumerate(line):
                        for y in range(32):
                            for x in range(32):
                                self.assertEqual(im.getpixel((2 + i * 32 + x, 2 + row * 32 + y)) > 0,
                                                 bool(pixel(font, g, x // 2, y // 2)), (g, x, y))

    def test_text_warns_of_what_stands_for_a_missing_character(self):
        # The warning names what is drawn: the map's glyph for '?' wherever
        # that is, or nothing.
        font = crafted_fonts()["random"]
        for name, cmap, text, glyphs, warning in [
                ("cp437", "cp437", "A\u4e00", [0x41, 0x3F], "1 character(s) of --text have no glyph in map cp437; shown as glyph 0x3F"),
                ("'?' elsewhere", "0x05 U+003F\n0x41 U+0041\n", "\u4e00A\u4e01", [0x05, 0x41, 0x05], "2 character(s) of --text have no glyph in map m.txt; shown as glyph 0x05"),
                ("no '?'", "0x41 U+0041\n", "A\u4e00", [0x41, None], "1 character(s) of --text have no glyph in map m.txt; shown blank (the map has no '?')"),
                ("nothing missing", "0x41 U+0041\n", "AA", [0x41, 0x41], None)]:
            with self.subTest(name):
                d = fresh("textmissing")
                args = ["--map", "cp437"] if cmap == "cp437" else ["--map", put(d, "m.txt", cmap.encode())]
                code, _, err = celkit(["show", put(d, "f.fnt", font), "--text", text, "-o", "t.png", "--scale", "1",
                                       "--ink", "FFFFFF", "--paper", "000000"] + args, d)
                self.assertEqual(code, 0, err)
                self.assertEqual(err, "" if warning is None else "celkit: f.fnt: warning: " + warning + "\n")
                im = Image.open(os.path.join(d, "t.png")).convert("L")
                for i, g in enumerate(glyphs):
                    cell = [im.getpixel((1 + i * 16 + x, 1 + y)) > 0 for y in range(16) for x in range(16)]
                    self.assertEqual(cell, [g is not None and bool(pixel(font, g, x, y)) for y in range(16) for x in range(16)], i)

    def test_several_fonts_into_a_directory(self):
        fonts = crafted_fonts()
        for format, kind in [("png", "PNG"), ("bmp", "BMP")]:
            with self.subTest(format):
                d = fresh("showdir")
                args = ["show", put(d, "a.fnt", fonts["random"]), put(d, "b.fnt", fonts["edges"]), "-d", "out"]
                code, _, err = celkit(args + ["-f", format], d)
                self.assertEqual((code, err), (0, ""))
                for name, font in [("a", "random"), ("b", "edges")]:
                    im = Image.open(os.path.join(d, "out", name + "." + format))
                    self.assertEqual(im.format, kind)
                    self.check_chart(im.convert("RGB"), fonts[font], 2, 0, 0xFFFFFF)

    def test_few_colours_make_a_palette_png_with_the_same_pixels(self):
        # The text is ink and paper, the chart adds its grid colour: a 1-bit
        # and a 2-bit palette PNG; the BMP writer gives the same picture in
        # 24 bits, and Pillow reads both.
        font = crafted_fonts()["random"]
        for name, args, depth in [("text", ["--text", "Hi\nthere"], 1), ("chart", [], 2),
                                  ("chart scale 1", ["--scale", "1", "--ink", "FF0000"], 2)]:
            with self.subTest(name):
                d = fresh("palette")
                put(d, "f.fnt", font)
                for out in ["p.png", "p.bmp"]:
                    code, _, err = celkit(["show", "f.fnt", "-o", out] + args, d)
                    self.assertEqual((code, err), (0, ""))
                png = open(os.path.join(d, "p.png"), "rb").read()
                self.assertEqual((png[24], png[25]), (depth, 3), "bit depth, palette colour type")
                im = Image.open(os.path.join(d, "p.png"))
                self.assertEqual(im.mode, "P")
                bmp = Image.open(os.path.join(d, "p.bmp")).convert("RGB")
                self.assertEqual(im.size, bmp.size)
                self.assertEqual(im.convert("RGB").tobytes(), bmp.tobytes())
                self.assertEqual(len(im.convert("RGB").getcolors()), 2 ** depth - (depth == 2))

    def test_text_picture_is_limited_before_it_is_made(self):
        font = crafted_fonts()["example"]
        line = "A" * 92
        for name, text, scale, code in [("237 lines at scale 16", "\n".join([line] * 237), "16", 2),
                                         ("the same at scale 1", "\n".join([line] * 237), "1", 0),
                                         ("one long line", "x" * 9000, "4", 2)]:
            with self.subTest(name):
                d = fresh("textlimit")
                status, _, err = celkit(["show", put(d, "f.fnt", font), "--scale", scale, "--text", text,
                                         "-o", "t.png"], d)
                self.assertEqual(status, code, err)
                if code:
                    self.assertTrue(err.startswith("celkit: --text: ") and "40000000 pixels" in err, err)
                    self.assertEqual(files(d), ["f.fnt"])
                else:
                    self.assertEqual(Image.open(os.path.join(d, "t.png")).size, (92 * 16 + 2, 237 * 16 + 2))


class Sheet(unittest.TestCase):
    def test_celpack_turns_the_sheet_back_into_the_font(self):
        for name, font in crafted_fonts().items():
            with self.subTest(font=name):
                d = fresh("sheet")
                code, _, err = celkit(["sheet", put(d, "f.fnt", font), "-o", "s.bmp"], d)
                self.assertEqual((code, err), (0, ""))
                im = Image.open(os.path.join(d, "s.bmp"))
                self.assertEqual((im.size, im.mode), ((256, 256), "1"))
                self.assertEqual(im.convert("L").getpixel((0, 0)) == 255, bool(pixel(font, 0, 0, 0)))
                run(ARGS.celpack, ["s.bmp"], d)
                self.assertEqual(open(os.path.join(d, "s.bmp.fnt"), "rb").read(), font)


    def test_layouts_pixel_by_pixel(self):
        rng = random.Random(11)
        fitting = bytearray(8192)  # ink within 7 x 11 of each glyph
        for g in range(256):
            for y in range(11):
                fitting[g * 32 + y * 2] = rng.randrange(256) & 0xFE
        fonts = dict(crafted_fonts(), fitting=bytes(fitting))
        for name, font, args, out, size, cell, ink, paper, clipped in [
                ("png, default colours", "example", [], "s.png", (256, 256), (16, 16), 0xFFFFFF, 0, 0),
                ("8x12 magenta png", "fitting", ["--cell", "8x12", "--ink", "FFFFFF", "--paper", "FF00FF"], "s.png",
                 (128, 192), (8, 12), 0xFFFFFF, 0xFF00FF, 0),
                ("7x11 black on white bmp", "fitting", ["--cell", "7x11", "--ink", "000000", "--paper", "#ffffff"],
                 "s.bmp", (112, 176), (7, 11), 0, 0xFFFFFF, 0),
                ("colours in a bmp", "random", ["--ink", "102030", "--paper", "f0e0d0"], "s.BMP", (256, 256), (16, 16),
                 0x102030, 0xF0E0D0, 0),
                ("8x16 clips the right half", "edges", ["--cell", "8x16"], "s.png", (128, 256), (8, 16), 0xFFFFFF, 0, 256),
                ("latin1 chart", "random", ["--layout", "unifont", "--map", "latin1"], "s.png", (32 + 256 * 16, 64 + 16),
                 None, 0xFFFFFF, 0, 0)]:
            with self.subTest(name):
                d = fresh("sheetlayout")
                code, _, err = celkit(["sheet", put(d, "f.fnt", fonts[font]), "-o", out] + args, d)
                want_err = ""
                if clipped:
                    want_err = ("celkit: f.fnt: warning: ink outside the %d x %d cells left out of %d glyphs: "
                                "0x00 0x01 0x02 0x03 0x04 0x05 0x06 0x07 ...\n" % (cell + (clipped,)))
                self.assertEqual((code, err), (0, want_err))
                im = Image.open(os.path.join(d, out))
                self.assertEqual(im.size, size)
                if out.lower().endswith(".bmp"):
                    self.assertEqual(open(os.path.join(d, out), "rb").read()[28], 1)  # a 1-bit BMP
                rgb = lambda c: (c >> 16, c >> 8 & 255, c & 255)
                got = list(im.convert("RGB").getdata())
                want = []
                for y in range(size[1]):
                    for x in range(size[0]):
                        if cell is None:  # the chart: glyph g at code point g, row 0
                            g, gx, gy = (x - 32) // 16, (x - 32) % 16, y - 64
                            on = x >= 32 and y >= 64 and pixel(fonts[font], g, gx, gy)
                        else:
                            g, gx, gy = y // cell[1] * 16 + x // cell[0], x % cell[0], y % cell[1]
                            on = pixel(fonts[font], g, gx, gy)
                        want.append(rgb(ink if on else paper))
                self.assertTrue(got == want, name)

    def test_magenta_tileset_comes_back(self):
        # import -> sheet gives the tileset's own pixels, but for its grey
        # shading, which import took as ink.
        im = Image.new("RGB", (128, 192), (255, 0, 255))
        draw = ImageDraw.Draw(im)
        for g in [1, 2, 3, 65, 97, 176, 255]:
            x, y = g % 16 * 8, g // 16 * 12
            draw.rectangle([x + 1, y + 2, x + 6, y + 10], fill=(255, 255, 255))
            draw.line([(x + 2, y + 3), (x + 5, y + 3)], fill=(128, 128, 128))
        for out in ["back.png", "back.bmp"]:
            with self.subTest(out):
                d = fresh("tiles")
                im.save(os.path.join(d, "tiles.png"))
                code, _, err = celkit(["import", "tiles.png", "-o", "t.fnt"], d)
                self.assertEqual((code, err), (0, ink_warning("tiles.png", im, (8, 12), (255, 0, 255))))
                code, _, err = celkit(["sheet", "t.fnt", "--cell", "8x12", "--ink", "ffffff", "--paper", "ff00ff",
                                       "-o", out], d)
                self.assertEqual((code, err), (0, ""))
                back = list(Image.open(os.path.join(d, out)).convert("RGB").getdata())
                for i, (was, now) in enumerate(zip(im.getdata(), back)):
                    self.assertEqual(now, (255, 255, 255) if was == (128, 128, 128) else was, (i % 128, i // 128))

    def test_refusals(self):
        for args, message in [(["--cell", "17x16"], "--cell: cells of at most 16x16 hold a glyph"),
                              (["--cell", "8x8", "--layout", "unifont"], "--cell: a Unifont chart has 16 x 16 cells"),
                              (["--layout", "diagonal"], "--layout"),
                              (["--ink", "fffff"], "--ink"),
                              (["-o", "s.gif"], "s.gif: a sheet is a BMP or PNG picture; name it .bmp or .png")]:
            with self.subTest(args):
                d = fresh("sheetusage")
                code, _, err = celkit(["sheet", put(d, "f.fnt", bytes(8192))] + (args if "-o" in args else args + ["-o", "s.png"]), d)
                self.assertEqual(code, 2)
                self.assertIn(message, err)
                self.assertEqual(os.listdir(d), ["f.fnt"])


def tileset(cell, paper, seed):
    """A 16 x 16 grid of cells with glyphs in several colours, black among them, on `paper`."""
    rng = random.Random(seed)
    im = Image.new("RGB", (16 * cell[0], 16 * cell[1]), paper)
    draw = ImageDraw.Draw(im)
    for g in range(256):
        x0, y0 = g % 16 * cell[0], g // 16 * cell[1]
        for _ in range(g % 5):
            colour = rng.choice([(255, 255, 255), (0, 0, 0), (254, 0, 255), (128, 128, 128), (255, 0, 0)])
            a, b = rng.randrange(cell[0]), rng.randrange(cell[1])
            draw.line([(x0 + a, y0 + b), (x0 + rng.randrange(cell[0]), y0 + rng.randrange(cell[1]))], fill=colour)
    return im


def font_of(im, cell, paper):
    font = bytearray(8192)
    for g in range(256):
        for y in range(cell[1]):
            for x in range(cell[0]):
                if im.getpixel((g % 16 * cell[0] + x, g // 16 * cell[1] + y)) != paper:
                    font[g * 32 + y * 2 + x // 8] |= 0x80 >> (x % 8)
    return bytes(font)


def ink_warning(name, im, cell, paper, tail="--threshold N decides grey"):
    """The warning import gives when the cells' ink has more than one colour."""
    counts = {}
    for g in range(256):
        for y in range(cell[1]):
            for x in range(cell[0]):
                c = im.getpixel((g % 16 * cell[0] + x, g // 16 * cell[1] + y))
                if c != paper:
                    counts[c] = counts.get(c, 0) + 1
    ranked = sorted(counts.items(), key=lambda kv: (-kv[1], kv[0]))
    if len(ranked) < 2:
        return ""
    others = ranked[1:]
    pixels = sum(n for _, n in others)
    names = ", ".join("%02X%02X%02X" % c for c, _ in others[:3]) + (", ..." if len(others) > 3 else "")
    return "celkit: %s: warning: %s pixel%s of %d other colour%s (%s) taken as ink beside %02X%02X%02X; %s\n" % (
        name, "{:,}".format(pixels), "" if pixels == 1 else "s", len(others), "" if len(others) == 1 else "s",
        names, *ranked[0][0], tail)


def unifont_glyphs():
    glyphs = {}
    for line in open("/usr/share/unifont/unifont.hex"):
        code, bits = line.strip().split(":")
        glyphs[int(code, 16)] = bits
    return glyphs


def hex_glyph(bits):
    font = bytearray(32)
    wide = len(bits) == 64
    for y in range(16):
        row = int(bits[y * (4 if wide else 2):(y + 1) * (4 if wide else 2)], 16)
        font[y * 2:y * 2 + 2] = ((row if wide else row << 8)).to_bytes(2, "big")
    return bytes(font)


def black_png(width, height):
    """A 1-bit grey PNG of black pixels, a few KB whatever its size."""
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data)))
    rows = (b"\0" * (1 + (width + 7) // 8)) * height
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 1, 0, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


class Import(unittest.TestCase):
    def test_pictures_give_the_glyphs_a_viewer_sees(self):
        magenta, white, black = (255, 0, 255), (255, 255, 255), (0, 0, 0)
        for name, cell, paper, file, options in [
                ("magenta bmp", (16, 16), magenta, "t.bmp", []), ("magenta png", (16, 16), magenta, "t.png", []),
                ("magenta 8x8 png", (8, 8), magenta, "t.png", []), ("white 8x16", (8, 16), white, "t.bmp", []),
                ("12x12 told", (12, 12), black, "t.png", ["--cell", "12x12"]),
                ("paper told", (10, 10), (0, 255, 0), "t.bmp", ["--paper", "#00ff00"])]:
            with self.subTest(name):
                d = fresh("import")
                im = tileset(cell, paper, len(name))
                if options[:1] == ["--paper"]:
                    ImageDraw.Draw(im).rectangle([0, 0, 99, 159], fill=(7, 7, 7))  # most common, but ink
                im.save(os.path.join(d, file))
                code, _, err = celkit(["import", file, "-o", "f.fnt"] + options, d)
                self.assertEqual((code, err), (0, ink_warning(file, im, cell, paper)))
                self.assertEqual(open(os.path.join(d, "f.fnt"), "rb").read(), font_of(im, cell, paper))

    def test_paper_on_a_tie_is_the_smaller_colour(self):
        # Half the pixels of each colour: the smaller is paper, so swapping
        # the colours inverts the font, and --paper overrides.
        for name, colours, options, ink_is_first in [
                ("black and white", [(0, 0, 0), (255, 255, 255)], [], False),
                ("white and black", [(255, 255, 255), (0, 0, 0)], [], True),
                ("green and magenta", [(255, 0, 255), (0, 255, 0)], [], True),
                ("told", [(0, 0, 0), (255, 255, 255)], ["--paper", "FFFFFF"], True)]:
            with self.subTest(name):
                d = fresh("tie")
                im = Image.new("RGB", (256, 256), colours[1])
                ImageDraw.Draw(im).rectangle([0, 0, 255, 127], fill=colours[0])
                im.save(os.path.join(d, "t.png"))
                code, _, err = celkit(["import", "t.png", "-o", "f.fnt"] + options, d)
                self.assertEqual((code, err), (0, ""))
                font = open(os.path.join(d, "f.fnt"), "rb").read()
                self.assertEqual(font[:128 * 32], (b"\xff" if ink_is_first else b"\0") * (128 * 32))
                self.assertEqual(font[128 * 32:], (b"\0" if ink_is_first else b"\xff") * (128 * 32))

    def test_imagemagick_tilesets(self):
        # A 4-bit palette BMP (a depth Pillow never writes) and an icon; what a
        # viewer sees is what each file holds, read back by Pillow.
        for out, convert in [("t.bmp", ["-type", "palette", "BMP3:t.bmp"]), ("t.ico", ["ICO:t.ico"])]:
            with self.subTest(out):
                d = fresh("magick")
                tileset((16, 16), (255, 0, 255), 3).save(os.path.join(d, "t.png"))
                subprocess.check_call(["convert", "t.png"] + convert, cwd=d)
                code, _, err = celkit(["import", out, "-o", "f.fnt"], d)
                seen = Image.open(os.path.join(d, out)).convert("RGB")
                warnings = [ink_warning(out, seen, (16, 16), (255, 0, 255))]
                if ARGS.wine and out.endswith(".ico"):
                    # Wine hands the colours of a PNG icon (ImageMagick's 256 x 256
                    # one) over with red and blue swapped; celpack, which sees black
                    # or not, cannot tell, the warning's colour names can.
                    swapped = Image.merge("RGB", seen.split()[::-1])
                    warnings.append(ink_warning(out, swapped, (16, 16), (255, 0, 255)))
                self.assertEqual(code, 0)
                self.assertIn(err, warnings)
                self.assertEqual(open(os.path.join(d, "f.fnt"), "rb").read(), font_of(seen, (16, 16), (255, 0, 255)))

    def test_transparency_grey_blank_and_full(self):
        # Glyph g (for g < 64) has a bar of ink in its row g % 16; glyph 1 a grey
        # pixel at (9, 9). Expected fonts come from the pixels Pillow wrote.
        def artwork(mode, paper, ink, grey=None):
            im = Image.new(mode, (256, 256), paper)
            draw = ImageDraw.Draw(im)
            for g in range(64):
                x, y = g % 16 * 16, g // 16 * 16
                draw.line([(x + 2, y + g % 16), (x + 11, y + g % 16)], fill=ink)
            if grey is not None:
                im.putpixel((16 + 9, 9), grey)
            return im

        def bars(extra=()):
            font = bytearray(8192)
            for g in range(64):
                for x in range(2, 12):
                    font[g * 32 + g % 16 * 2 + x // 8] |= 0x80 >> (x % 8)
            for g, x, y in extra:
                font[g * 32 + y * 2 + x // 8] |= 0x80 >> (x % 8)
            return bytes(font)

        clear, black, white = (0, 0, 0, 0), (0, 0, 0, 255), (255, 255, 255)
        for name, im, file, options, font, warning in [
                ("black on transparent png", artwork("RGBA", clear, black), "t.png", [], bars(), ""),
                ("transparent white png", artwork("RGBA", (255, 255, 255, 0), black), "t.png", [], bars(), ""),
                ("32-bit bmp with alpha", artwork("RGBA", clear, black), "t.bmp", [], bars(), ""),
                ("transparent png, half-opaque grey", artwork("RGBA", clear, black, (128, 128, 128, 128)), "t.png",
                 [], bars([(1, 9, 9)]), "1 pixel of 1 other colour (404040) taken as ink beside 000000; "
                 "every pixel at least half opaque is ink"),
                ("transparent png, grey under half", artwork("RGBA", clear, black, (128, 128, 128, 127)), "t.png",
                 [], bars(), ""),
                ("grey artwork", artwork("RGB", white, (0, 0, 0), (128, 128, 128)), "t.png", [],
                 bars([(1, 9, 9)]), "1 pixel of 1 other colour (808080) taken as ink beside 000000; "
                 "--threshold N decides grey"),
                ("grey artwork, threshold 49", artwork("RGB", white, (0, 0, 0), (128, 128, 128)), "t.png",
                 ["--threshold", "49"], bars([(1, 9, 9)]), ""),
                ("grey artwork, threshold 50", artwork("RGB", white, (0, 0, 0), (128, 128, 128)), "t.png",
                 ["--threshold", "50"], bars(), ""),
                ("grey artwork as bmp, threshold 50", artwork("RGB", white, (0, 0, 0), (128, 128, 128)), "t.bmp",
                 ["--threshold", "50"], bars(), ""),
                ("blank", Image.new("RGB", (256, 256), white), "t.png", [], bytes(8192),
                 "every glyph is blank: no pixel of the cells differs from the paper (FFFFFF); "
                 "--paper RRGGBB names the paper"),
                ("black paper on transparency", artwork("RGBA", clear, black), "t.png", ["--paper", "000000"],
                 bytes(8192), "every glyph is blank: no pixel of the cells differs from the paper (000000)"),
                ("full", Image.new("RGB", (256, 256), white), "t.bmp", ["--paper", "ff00ff"], b"\xff" * 8192,
                 "every glyph is full: every pixel of the cells differs from the paper (FF00FF)")]:
            with self.subTest(name):
                d = fresh("honest")
                im.save(os.path.join(d, file))
                if file == "t.bmp" and im.mode == "RGBA":
                    self.assertEqual(open(os.path.join(d, file), "rb").read()[28], 32)
                code, _, err = celkit(["import", file, "-o", "f.fnt"] + options, d)
                self.assertEqual((code, err), (0, warning and "celkit: %s: warning: %s\n" % (file, warning)))
                self.assertEqual(open(os.path.join(d, "f.fnt"), "rb").read(), font)

    def test_black_paper_is_celpacks_reading(self):
        # Transparent pixels of a 32-bit BMP that are white underneath: celpack
        # takes their colour, and so does import on black paper.
        im = Image.new("RGBA", (256, 256), (255, 255, 255, 0))
        ImageDraw.Draw(im).rectangle([0, 0, 127, 255], fill=(0, 0, 0, 255))
        im.putpixel((3, 3), (9, 9, 9, 255))
        d = fresh("celpacks")
        im.save(os.path.join(d, "t.bmp"))
        run(ARGS.celpack, ["t.bmp"], d)
        code, _, err = celkit(["import", "t.bmp", "--paper", "000000", "-o", "f.fnt"], d)
        self.assertEqual((code, err), (0, "celkit: t.bmp: warning: 1 pixel of 1 other colour (090909) taken as ink "
                                          "beside FFFFFF; --threshold N decides grey\n"))
        celpacks = open(os.path.join(d, "t.bmp.fnt"), "rb").read()
        self.assertEqual(open(os.path.join(d, "f.fnt"), "rb").read(), celpacks)
        self.assertEqual(celpacks[:32], bytes([0, 0] * 3 + [0x10, 0] + [0, 0] * 12))  # (3, 3)
        self.assertEqual(celpacks[8 * 32:9 * 32], b"\xff" * 32)

    def test_unifont_chart_matches_unifont_hex(self):
        if not os.path.exists("/usr/share/unifont/unifont.bmp.gz"):
            self.skipTest("the unifont package is not installed")
        d = fresh("chart")
        put(d, "chart.bmp", gzip.open("/usr/share/unifont/unifont.bmp.gz").read())
        glyphs = unifont_glyphs()
        for first in [0x0100, 0x4E00]:
            with self.subTest(first=hex(first)):
                code, _, err = celkit(["import", "chart.bmp", "--layout", "unifont", "--first", "U+%04X" % first,
                                       "-o", "f.fnt"], d)
                self.assertEqual((code, err), (0, ""))
                font = open(os.path.join(d, "f.fnt"), "rb").read()
                for g in range(256):
                    want = hex_glyph(glyphs[first + g]) if first + g in glyphs else bytes(32)
                    self.assertEqual(font[g * 32:g * 32 + 32], want, hex(first + g))

    def test_outline_fonts_by_size_and_threshold(self):
        dejavu = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
        if not os.path.exists(dejavu):
            self.skipTest("fonts-dejavu-core is not installed")
        data = open(dejavu, "rb").read()
        inks = {}
        clipped = "warning: %d glyphs reach outside the 16 x 16 cell and were clipped: "
        for name, args, want_code, message in [
                ("fitted", [], 0, ""),
                ("16 px clips", ["--size", "16"], 0, clipped % 58 + "U+25D9 U+005F U+007C"),
                ("the baseline on the last row clips the descenders", ["--baseline", "16"], 0,
                 clipped % 72 + "U+25CB U+25D9"),
                ("a low threshold", ["--threshold", "10"], 0, ""),
                ("a high threshold", ["--threshold", "90"], 0, ""),
                ("unhinted", ["--hinting", "none"], 0, ""),
                ("no size", ["--size", "0"], 2, "--size"),
                ("threshold over 100", ["--threshold", "101"], 2, "--threshold"),
                ("no such hinting", ["--hinting", "strong"], 2, "--hinting"),
                ("a baseline below the cell", ["--baseline", "17"], 2, "--baseline"),
                ("a second font of a single one", ["--index", "1"], 1,
                 "f.ttf: --index 1: the file holds one font, number 0"),
                ("truncated", ["--truncate"], 1, "the 'GPOS' table lies past the end of the file")]:
            with self.subTest(name):
                d = fresh("outline")
                put(d, "f.ttf", data[:1000] if "--truncate" in args else data)
                args = [a for a in args if a != "--truncate"]
                code, _, err = celkit(["import", "f.ttf", "-o", "f.fnt"] + args, d)
                self.assertEqual(code, want_code, err)
                self.assertIn(message, err)
                self.assertEqual(err == "", message == "", err)
                if code != 0:
                    self.assertEqual(files(d), ["f.ttf"])
                    continue
                font = open(os.path.join(d, "f.fnt"), "rb").read()
                inks[name] = sum(bin(b).count("1") for b in font)
        self.assertLess(inks["a high threshold"], inks["fitted"])
        self.assertLess(inks["fitted"], inks["a low threshold"])
        self.assertLess(inks["fitted"], inks["16 px clips"])
        if not ARGS.wine:  # GDI hints as Windows does, whatever --hinting says
            self.assertNotEqual(inks["fitted"], inks["unhinted"])

    def test_refused_pictures_leave_no_output(self):
        im = tileset((16, 16), (255, 0, 255), 1)
        im.save(os.path.join(ARGS.work, "good.png"))
        png = open(os.path.join(ARGS.work, "good.png"), "rb").read()
        for name, data, options, message in [
                ("big cells", None, [], "at most 16 x 16"),
                ("cell too big", png, ["--cell", "17x8"], "--cell: cells of at most 16x16 hold a glyph; '17x8'"),
                ("truncated png", png[:300], [], "PNG"),
                ("lying chunk length", png[:33] + b"\x7f\xff\xff\xff" + png[37:], [], "truncated PNG"), ("bmp magic only", b"BM" + bytes(60), [], "BMP"),
                ("not a picture", b"hello\n" * 10, [], "not a font"),
                ("odd size", None, [], "--cell"), ("bad cell", png, ["--cell", "8by8"], "--cell"),
                # 6320 x 6320 black 1-bit pixels in 4.9 KB: refused from the header.
                ("huge grid", black_png(6320, 6320), [], "cells of 395 x 395"),
                ("huge chart", black_png(6320, 6321), ["--layout", "unifont"], "no chart of 16 x 16 cells"),
                ("huge with cells told", black_png(6320, 6320), ["--cell", "8x8"], "would make 39942400 pixels")]:
            with self.subTest(name):
                d = fresh("refused")
                if name == "big cells":
                    tileset((24, 24), (0, 0, 0), 1).save(os.path.join(d, "in.png"))
                elif name == "odd size":
                    Image.new("RGB", (100, 100)).save(os.path.join(d, "in.png"))
                else:
                    put(d, "in.png", data)
                code, _, err = celkit(["import", "in.png", "-o", "f.fnt"] + options, d)
                self.assertNotEqual(code, 0)
                self.assertIn(message, err)
                self.assertTrue(err.startswith("celkit: "), err)
                self.assertEqual(files(d), ["in.png"])


def moved(font, stretch=1, dx=0, dy=0):
    """Each glyph's pixels stretched, then moved by dx, dy; None if any leaves its cell."""
    out = bytearray(8192)
    for g in range(256):
        for y in range(16):
            for x in range(16):
                if pixel(font, g, x, y):
                    for sy in range(stretch):
                        for sx in range(stretch):
                            tx, ty = x * stretch + sx + dx, y * stretch + sy + dy
                            if not (0 <= tx < 16 and 0 <= ty < 16):
                                return None
                            out[g * 32 + ty * 2 + tx // 8] |= 0x80 >> (tx % 8)
    return bytes(out)


def psf2_glyphs(data):
    """The glyph bytes of a PSF2 file, read from its header's sizes."""
    magic, _, header, _, length, size = struct.unpack("<IIIIII", data[:24])
    assert magic == 0x864AB572, hex(magic)
    return data[header:header + length * size]


class Transforms(unittest.TestCase):
    def test_stretch_align_and_shift(self):
        rng = random.Random(11)
        # Ink within 8 x 8 in every glyph, and columns 0 and 7 both used.
        small = bytearray(8192)
        for g in range(256):
            for y in range(8):
                small[g * 32 + y * 2] = rng.randrange(256) | (0x81 if g == 1 and y == 0 else 0)
        small = bytes(small)
        big = moved(small, 2)
        shifted_out = next(g for g in range(256) if any(pixel(big, g, 0, y) for y in range(16)))
        wide = next(g for g in range(256) if any(small[g * 32 + y * 2] & 1 for y in range(8)))
        for name, command, font, options, code, want in [
                ("import stretched", "import", small, ["--stretch", "2"], 0, big),
                ("import at stretch 1", "import", small, ["--stretch", "1"], 0, small),
                ("import centred", "import", small, ["--align", "centre"], 0, moved(small, dx=4)),
                ("import left-aligned and shifted", "import", moved(small, dx=1), ["--shift", "0,3", "--align", "left"],
                 0, moved(small, dy=3)),
                ("export centred", "export", small, ["--align", "center"], 0, moved(small, dx=4)),
                ("export shifted left", "export", moved(small, dx=8), ["--shift", "-1,0"], 0, moved(small, dx=7)),
                ("export shifted up", "export", moved(small, dy=1), ["--shift=0,-1", "--width", "16"], 0, small),
                ("export stretched and shifted", "export", small, ["--stretch", "2", "--shift", "-1,0"], 1,
                 "f.fnt: glyph 0x%02X: shifted by -1,0" % shifted_out),
                ("import a wide font stretched", "import", moved(small, dx=1), ["--stretch", "2"], 1,
                 "f.fnt: glyph 0x%02X: its ink at x 8" % wide),
                ("a shift of one number", "import", small, ["--shift", "1"], 2, "--shift"),
                ("a shift past the cell", "export", small, ["--shift", "16,0"], 2, "--shift"),
                ("a stretch of 3", "export", small, ["--stretch", "3"], 2, "--stretch"),
                ("an unknown side", "import", small, ["--align", "right"], 2, "--align")]:
            with self.subTest(name):
                d = fresh("transform")
                out = "o.fnt" if command == "import" else "o.psf"
                status, _, err = celkit([command, put(d, "f.fnt", font), "-o", out] + options, d)
                self.assertEqual(status, code, err)
                if code:
                    self.assertTrue(err.startswith("celkit: ") and want in err, err)
                    self.assertEqual(files(d), ["f.fnt"])
                    continue
                self.assertEqual(err, "")
                data = open(os.path.join(d, out), "rb").read()
                self.assertEqual(data if command == "import" else psf2_glyphs(data), want)


class Export(unittest.TestCase):
    def test_each_format_by_name_and_back(self):
        font = crafted_fonts()["random"]
        for args, out, start in [(["-o", "f.psf"], "f.psf", b"\x72\xb5\x4a\x86"),
                                 (["-o", "f.bdf"], "f.bdf", b"STARTFONT 2.1"),
                                 (["-o", "f.hex"], "f.hex", b"0000:"),
                                 (["-o", "my font.h"], "my font.h", None),
                                 (["-o", "c.h", "--name", "glyphs8"], "c.h", None),
                                 (["-d", "out", "-f", "psf"], "out/f.psf", b"\x72\xb5\x4a\x86"),
                                 (["-d", "out", "-f", "hex"], "out/f.hex", b"0000:"),
                                 (["-o", "f.psfu"], "f.psfu", b"\x72\xb5\x4a\x86"),
                                 (["-o", "f.psf.gz"], "f.psf.gz", b"\x72\xb5\x4a\x86"),
                                 (["-o", "F.BDF.GZ"], "F.BDF.GZ", b"STARTFONT 2.1")]:
            with self.subTest(out):
                d = fresh("export")
                code, _, err = celkit(["export", put(d, "f.fnt", font)] + args, d)
                self.assertEqual((code, err), (0, ""))
                data = open(os.path.join(d, out), "rb").read()
                if out.lower().endswith(".gz"):
                    data = gzip.decompress(data)  # by Python's gzip, not ours
                    if b"FAMILY_NAME" in data:
                        self.assertIn(b'FAMILY_NAME "F"', data)
                if start:
                    self.assertTrue(data.startswith(start), data[:20])
                    celkit(["import", out, "-o", "back.fnt"], d)
                    self.assertEqual(open(os.path.join(d, "back.fnt"), "rb").read(), font)
                else:
                    name = "glyphs8" if "--name" in args else "my_font"
                    self.assertIn(b"static const unsigned char " + name.encode() + b"[256][32]", data)
                if out.endswith(".hex"):
                    self.assertEqual(len(data.splitlines()), 256)

    def test_code_points_from_a_block_or_the_fonts_own_table(self):
        font = crafted_fonts()["example"]
        console = "/usr/share/consolefonts/Lat15-Terminus16.psf.gz"
        d = fresh("export-maps")
        put(d, "f.fnt", font)
        shutil.copy(console, os.path.join(d, "lat15.psf.gz"))
        for name, args, line in [
                ("a block from U+0400", ["export", "f.fnt", "--first", "U+0400", "-o", "o.hex"], "0441:"),
                ("the code page's Cyrillic", ["export", "f.fnt", "--map", "cp866", "-o", "o.hex"], "0441:"),
                ("the console font's own table", ["export", "f.fnt", "--map", "lat15.psf.gz", "-o", "o.hex"], "00A9:")]:
            with self.subTest(name):
                code, _, err = celkit(args, d)
                self.assertEqual((code, err), (0, ""))
                self.assertIn("\n" + line, open(os.path.join(d, "o.hex")).read())
        # The console font through its own table comes back with the same table.
        code, _, err = celkit(["import", "lat15.psf.gz", "--map", "lat15.psf.gz", "-o", "l.fnt"], d)
        self.assertEqual((code, err), (0, ""))
        code, _, err = celkit(["export", "l.fnt", "--map", "lat15.psf.gz", "-o", "l.psf"], d)
        self.assertEqual((code, err), (0, "celkit: l.fnt: note: every glyph fits 8 pixels; written 8 wide "
                                           "(--width 16 keeps 16)\n"))
        put(d, "orig.psf", gzip.open(console).read())
        tables = []
        for path in ["l.psf", "orig.psf"]:
            subprocess.run(["psfgettable", path, path + ".txt"], cwd=d, check=True)
            tables.append([l for l in open(os.path.join(d, path + ".txt")) if not l.startswith("#")])
        self.assertEqual(tables[0], tables[1])

    def test_width_and_psf_version(self):
        wide = crafted_fonts()["random"]
        narrow = bytes(b if i % 2 == 0 else 0 for i, b in enumerate(wide))
        late = narrow[:0x41 * 32 + 5] + b"\x01" + narrow[0x41 * 32 + 6:]  # ink in column 15 of 0x41 only
        one = bytes(0x41 * 32) + b"\x80" + bytes(8192 - 0x41 * 32 - 1)  # ink in glyph 0x41 only
        psf2 = lambda width: struct.pack("<8I", 0x864AB572, 0, 32, 1, 256, 16 * (width // 8), 16, width)
        note = "note: every glyph fits 8 pixels; written 8 wide (--width 16 keeps 16)"
        for name, font, args, code, message, start, lines in [
                ("auto on a narrow font", narrow, ["-o", "o.psf"], 0, "f.fnt: " + note, psf2(8), None),
                ("auto on a wide font", wide, ["-o", "o.psf"], 0, "", psf2(16), None),
                ("8 on a wide font", late, ["--width", "8", "-o", "o.psf"], 1,
                 "f.fnt: --width 8: glyph 0x41 has ink in columns 8-15", None, None),
                ("16 on a narrow font", narrow, ["--width", "16", "-o", "o.psf"], 0, "", psf2(16), None),
                ("8 on a narrow font says nothing", narrow, ["--width", "8", "-o", "o.psf"], 0, "", psf2(8), None),
                ("psf1 at 16 asked", narrow, ["-f", "psf1", "--width", "16", "-o", "o.psf"], 2,
                 "PSF1 glyphs are 8 pixels wide", None, None),
                ("psf1 of a wide font", wide, ["-f", "psf1", "-o", "o.psf"], 1, "PSF1 glyphs are 8 pixels wide", None, None),
                ("psf1 named .psf", narrow, ["-f", "psf1", "-o", "o.psf"], 0, note, b"\x36\x04\x02\x10", None),
                ("psf1 beyond U+FFFF", narrow, ["-f", "psf1", "--first", "U+1FF80", "-o", "o.psf"], 1,
                 "glyph 0x00 stands for U+1FF80", None, None),
                ("psf keeps the map's PSF1", narrow, ["--map", "lat15.psf.gz", "-o", "o.psf.gz"], 0, note,
                 b"\x36\x04\x02\x10", None),
                ("psf2 asked against the map's PSF1", narrow, ["--map", "lat15.psf.gz", "-f", "psf2", "-o", "o.psfu"], 0,
                 note, psf2(8), None),
                ("a wide font with the map's PSF1", wide, ["--map", "lat15.psf.gz", "-o", "o.psf"], 0, "", psf2(16), None),
                ("-d and -f psf1 name it .psf", narrow, ["-d", "out", "-f", "psf1"], 0, note, b"\x36\x04\x02\x10", None),
                ("psf keeps the input's PSF1", "lat15.psf.gz", ["-o", "o.psf"], 0, note, b"\x36\x04\x02\x10", None),
                ("a raw font has no width to choose", narrow, ["-o", "o.fnt"], 0, "", b"", None),
                ("hex 8 wide", narrow, ["-o", "o.hex"], 0, note, b"0000:", [32] * 256),
                ("hex 16 wide", wide, ["-o", "o.hex"], 0, "", b"0000:", [64] * 256),
                ("hex: a blank glyph only where mapped", one, ["--map", "two.txt", "-o", "o.hex"], 0, note,
                 b"0041:80" + b"0" * 30 + b"\n0042:" + b"0" * 32 + b"\n", [32, 32]),
                ("C header 8 wide", narrow, ["-o", "o.h"], 0, note, None, None),
                ("C header 16 wide", wide, ["--width", "16", "-o", "o.h"], 0, "", None, None)]:
            with self.subTest(name):
                d = fresh("width")
                shutil.copy("/usr/share/consolefonts/Lat15-Terminus16.psf.gz", os.path.join(d, "lat15.psf.gz"))
                put(d, "two.txt", b"0x41 U+0041\n0x42 U+0042\n")
                source = font if isinstance(font, str) else put(d, "f.fnt", font)
                if source != "f.fnt":  # a font file: what import makes of it is the font
                    self.assertEqual(celkit(["import", source, "-o", "f.fnt"], d)[0], 0)
                    font = open(os.path.join(d, "f.fnt"), "rb").read()
                status, _, err = celkit(["export", source] + args, d)
                self.assertEqual(status, code, err)
                if message:
                    self.assertTrue(err.startswith("celkit: ") and message in err and err.count("\n") == 1, err)
                else:
                    self.assertEqual(err, "")
                out = "out/f.psf" if "-d" in args else args[args.index("-o") + 1] if code == 0 else None
                if out is None:
                    self.assertEqual(files(d), ["f.fnt", "lat15.psf.gz", "two.txt"], "nothing written")
                    continue
                data = open(os.path.join(d, out), "rb").read()
                data = gzip.decompress(data) if out.endswith(".gz") else data
                if out.endswith(".h"):
                    narrow_out = note in err
                    self.assertIn(b"o[256][%d] = {" % (16 if narrow_out else 32), data)
                    self.assertIn(b"#define O_WIDTH %d\n" % (8 if narrow_out else 16), data)
                    self.assertEqual(data.count(b"0x") - 256, 256 * (16 if narrow_out else 32))
                    continue
                self.assertTrue(data.startswith(start), data[:32])
                if lines:
                    self.assertEqual([len(l) - 5 for l in data.decode().splitlines()], lines)
                mapping = args[args.index("--map"):args.index("--map") + 2] if "--map" in args else []
                code, _, err = celkit(["import", out, "-o", "back.fnt"] + mapping, d)
                self.assertEqual((code, err), (0, ""))
                self.assertEqual(open(os.path.join(d, "back.fnt"), "rb").read(), font)

    def test_the_baseline_under_the_capitals_or_given(self):
        # The example's capitals end on row 11; a font without capitals keeps 14 rows above.
        fonts = crafted_fonts()
        fonts["narrow"] = bytes(b if i % 2 == 0 else 0 for i, b in enumerate(fonts["example"]))
        for font, args, ascent, width in [("example", [], 12, 16), ("example", ["--baseline", "13"], 13, 16),
                                          ("example", ["--baseline", "0"], 0, 16),
                                          ("example", ["--baseline", "16"], 16, 16), ("empty", [], 14, 8),
                                          ("full", [], 16, 16), ("narrow", [], 12, 8),
                                          ("narrow", ["--width", "16", "--baseline", "15"], 15, 16)]:
            with self.subTest(font=font, args=args):
                d = fresh("export-baseline")
                put(d, "f.fnt", fonts[font])
                code, _, err = celkit(["export", "f.fnt", "-o", "f.bdf"] + args, d)
                self.assertEqual((code, "note: every glyph fits 8 pixels" in err), (0, width == 8), err)
                bdf = open(os.path.join(d, "f.bdf")).read()
                self.assertIn("\nFONT_ASCENT %d\nFONT_DESCENT %d\n" % (ascent, 16 - ascent), bdf)
                self.assertEqual(bdf.count("\nDWIDTH %d 0\n" % width), 256)
                for out in ("f.bdf", "f.pcf", "f.ttf", "f.otb"):  # each placed by its cell, read back the same
                    celkit(["export", "f.fnt", "-o", out] + args, d)
                    code, _, err = celkit(["import", out, "-o", "back.fnt"], d)
                    self.assertEqual((code, err, open(os.path.join(d, "back.fnt"), "rb").read()),
                                     (0, "", fonts[font]), out)

    def test_format_must_be_known(self):
        font = crafted_fonts()["example"]
        for args in [["-o", "f.txt"], ["-d", "out"], ["-d", "out", "-f", "pdf"], ["-o", "a.psf", "-d", "out"],
                     ["-o", "a.bdf", "--baseline", "17"], ["-o", "a.bdf", "--baseline", "-1"],
                     ["-o", "a.bdf", "--baseline", "twelve"]]:
            with self.subTest(args=args):
                d = fresh("exportbad")
                code, _, err = celkit(["export", put(d, "f.fnt", font)] + args, d)
                self.assertEqual(code, 2, err)
                self.assertTrue(err.startswith("celkit: "), err)
                self.assertEqual(files(d), ["f.fnt"])


class Info(unittest.TestCase):
    def test_counts_and_boxes(self):
        fonts = crafted_fonts()
        for name, lines in [("example", ["blank glyphs: 3 (0x00 0x20 0xFF)", "ink bounding box: x 4-12, y 0-15 (9 x 16 pixels)"]),
                            ("empty", ["blank glyphs: 256 (0x00-0xFF)", "ink bounding box: none"]),
                            ("edges", ["blank glyphs: 0", "ink bounding box: x 0-15, y 0-15 (16 x 16 pixels)",
                                       "ink widths: 16-16 pixels, most often 16 (256 glyphs)"])]:
            with self.subTest(name):
                d = fresh("info")
                put(d, "f.fnt", fonts[name])
                celkit(["sheet", "f.fnt", "-o", "s.bmp"], d)
                code, out, err = celkit(["info", "f.fnt", "s.bmp"], d)
                self.assertEqual((code, err), (0, ""))
                for line in lines:
                    self.assertEqual(out.count(line + "\n"), 2, out)


    def test_font_files_as_they_are_and_as_picked(self):
        consoles = "/usr/share/consolefonts/"
        psf2 = struct.pack("<8I", 0x864AB572, 0, 32, 0, 3, 8, 8, 8) + bytes(range(24))
        hexed = b"0041:" + b"0" * 32 + b"\n0042:" + b"F" * 64 + b"\n"
        for name, source, file_line, pick_line in [
                ("PSF1 of 256", consoles + "Lat15-Terminus16.psf.gz",
                 "PSF1, 256 glyphs of 8 x 16 pixels, with a Unicode table", "by --map cp437"),
                ("PSF1 of 512", consoles + "Arabic-Fixed16.psf.gz",
                 "PSF1, 512 glyphs of 8 x 16 pixels, with a Unicode table", "by --map cp437"),
                ("PSF2 6 x 12", consoles + "Lat15-Terminus12x6.psf.gz",
                 "PSF2, 256 glyphs of 6 x 12 pixels, with a Unicode table", "by --map cp437"),
                ("PSF2 without a table", psf2, "PSF2, 3 glyphs of 8 x 8 pixels, no Unicode table", "by glyph number"),
                (".hex of two widths", hexed, "hex, 2 glyphs, up to 16 x 16 pixels, keyed by Unicode code point",
                 "by --map cp437"),
                ("an outline font", "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                 "outline font, drawn into the 16 x 16 cell", "by --map cp437"),
                ("a map that picks none of it", b"4E00:" + b"F" * 64 + b"\n",
                 "hex, 1 glyph of 16 x 16 pixels, keyed by Unicode code point", "by --map cp437"),
                ("a raw font is what is picked", crafted_fonts()["example"], None, None)]:
            with self.subTest(name):
                d = fresh("infofile")
                if isinstance(source, str):
                    path = put(d, os.path.basename(source), open(source, "rb").read())
                else:
                    path = put(d, "f.fnt" if pick_line is None else "f.hex" if source.endswith(b"\n") else "f.psf", source)
                code, out, err = celkit(["info", path], d)
                self.assertEqual(code, 0, err)
                lines = out.splitlines()
                self.assertEqual("gzip-compressed" in lines[0], path.endswith(".gz"), lines[0])
                if file_line is None:
                    self.assertEqual(lines[1], "glyphs: 256 of 16 x 16 pixels, 253 with ink")
                    continue
                self.assertEqual(lines[1:3], ["file: " + file_line, "as celkit picks them %s:" % pick_line])
                # the file is described even when the map picks none of it
                self.assertEqual(lines[3:] if "none" in name else lines[3][:30],
                                 ["celkit import refuses it as it is: none of the font's glyphs stands for a code point "
                                  "of the map"] if "none" in name else "glyphs: 256 of 16 x 16 pixels,")

    def test_pictures_colours_counted(self):
        # A gradient of 4096 colours, one pixel each, twice over but for the
        # first colour: more than a small table holds.
        im = Image.new("RGB", (128, 64))
        im.putdata([(i >> 4 & 255, i & 15, 7) if i < 4096 else (0, 0, 7) for i in range(128 * 64)])
        for name, picture, line in [
                ("many colours", im, "t.png: PNG picture, 128 x 64 pixels, 8-bit RGB, 4096 colours, most common #000007"),
                ("grey", Image.new("L", (20, 10), 200), "t.png: PNG picture, 20 x 10 pixels, 8-bit grey, 1 colour, most common #C8C8C8"),
                ("huge", None, "would make 39942400 pixels")]:
            with self.subTest(name):
                d = fresh("infocolours")
                if picture is None:
                    put(d, "t.png", black_png(6320, 6320))
                else:
                    picture.save(os.path.join(d, "t.png"))
                code, out, err = celkit(["info", "t.png"], d)
                if picture is None:
                    self.assertEqual(code, 1)
                    self.assertIn(line, err)
                else:
                    self.assertEqual((code, err), (0, ""))
                    self.assertEqual(out.splitlines()[0], line)


    def test_pictures_say_how_they_are_read(self):
        on_clear = Image.new("RGBA", (256, 256), (0, 0, 0, 0))
        ImageDraw.Draw(on_clear).rectangle([16, 0, 20, 9], fill=(0, 0, 0, 255))
        magenta = Image.new("RGB", (256, 256), (255, 0, 255))
        ImageDraw.Draw(magenta).rectangle([0, 0, 9, 9], fill=(255, 255, 255))
        magenta.putpixel((0, 0), (128, 128, 128))
        for name, im, file, present, absent in [
                ("transparent png", on_clear, "t.png",
                 ["t.png: PNG picture, 256 x 256 pixels, 8-bit RGBA, 1 colour, most common #000000, 65,486 less than half opaque",
                  "as celkit import reads it: paper transparency, ink 000000:", "glyphs: 256 of 16 x 16 pixels, 1 with ink",
                  "celpack reads BMP and ICO only, not PNG"], ["as celpack reads it"]),
                ("32-bit bmp with alpha", on_clear, "t.bmp",
                 ["t.bmp: BMP picture, 256 x 256 pixels, 32-bit, 1 colour, most common #000000, 65,486 less than half opaque",
                  "as celkit import reads it: paper transparency, ink 000000:", "glyphs: 256 of 16 x 16 pixels, 1 with ink",
                  "as celpack reads it (every pixel not pure black is ink):", "glyphs: 256 of 16 x 16 pixels, 0 with ink"],
                 ["not PNG"]),
                ("magenta bmp", magenta, "t.bmp",
                 ["t.bmp: BMP picture, 256 x 256 pixels, 24-bit, 3 colours, most common #FF00FF",
                  "as celkit import reads it: paper FF00FF, ink FFFFFF, 1 pixel of 1 other colour taken as ink:",
                  "glyphs: 256 of 16 x 16 pixels, 1 with ink", "as celpack reads it (every pixel not pure black is ink):",
                  "blank glyphs: 0"], ["celpack reads it the same"]),
                ("odd png", Image.new("RGB", (100, 100)), "t.png",
                 ["celkit import refuses it as it is: a 100 x 100 picture is no grid of 16 x 16 equal cells; "
                  "give the cell size with --cell WxH"], ["as celpack reads it"])]:
            with self.subTest(name):
                d = fresh("inforead")
                im.save(os.path.join(d, file))
                code, out, err = celkit(["info", file], d)
                self.assertEqual((code, err), (0, ""))
                for line in present:
                    self.assertIn(line + "\n", out)
                for text in absent:
                    self.assertNotIn(text, out)


class Cli(unittest.TestCase):
    def test_usage_outputs_and_failures(self):
        font = crafted_fonts()["example"]
        for name, args, before, code, message, after in [
                ("version", ["--version"], {}, 0, "", {}),
                ("no command", [], {}, 2, "celkit: give a command: show, sheet,", {}),
                ("unknown command", ["chart", "f.fnt"], {"f.fnt": font}, 2, "'chart' is no command; give show,", {"f.fnt": font}),
                ("an option before the command", ["-o", "x.psf", "export", "f.fnt"], {"f.fnt": font}, 2,
                 "-o: the command comes first: show,", {"f.fnt": font}),
                ("unknown option", ["sheet", "f.fnt", "-o", "s.bmp", "--frobnicate"], {"f.fnt": font}, 2, "celkit: ", {"f.fnt": font}),
                ("no destination", ["sheet", "f.fnt"], {"f.fnt": font}, 2, "-o FILE", {"f.fnt": font}),
                ("-o with two", ["sheet", "f.fnt", "g.fnt", "-o", "s.bmp"], {"f.fnt": font, "g.fnt": font}, 2, "-d DIR", None),
                ("bad colour", ["show", "f.fnt", "-o", "p.png", "--ink", "reddish"], {"f.fnt": font}, 2, "--ink", {"f.fnt": font}),
                ("missing input", ["sheet", "gone.fnt", "-o", "s.bmp"], {}, 1, "gone.fnt", {}),
                ("not a font", ["export", "f.fnt", "-o", "f.psf"], {"f.fnt": b"x" * 100}, 1, "f.fnt", {"f.fnt": b"x" * 100}),
                ("existing kept on failure", ["sheet", "bad.fnt", "-o", "s.bmp"], {"bad.fnt": b"x", "s.bmp": b"old"}, 1, "bad.fnt",
                 {"bad.fnt": b"x", "s.bmp": b"old"}),
                ("existing replaced", ["import", "f.fnt", "-o", "o.fnt"], {"f.fnt": font, "o.fnt": b"z" * 9000}, 0, "",
                 {"f.fnt": font, "o.fnt": font}),
                ("-d makes all", ["import", "f.fnt", "sub/g.fnt", "-d", "out"], {"f.fnt": font, "sub/g.fnt": font[::-1]}, 0, "",
                 {"f.fnt": font, "sub/g.fnt": font[::-1], "out/f.fnt": font, "out/g.fnt": font[::-1]}),
                ("-d none if one fails", ["import", "f.fnt", "bad.png", "-d", "out"], {"f.fnt": font, "bad.png": b"\x89PNG"}, 1,
                 "bad.png", {"f.fnt": font, "bad.png": b"\x89PNG"}),
                ("-d same stem twice", ["import", "a/f.fnt", "b/f.fnt", "-d", "out"], {"a/f.fnt": font, "b/f.fnt": font}, 2,
                 "both", None),
                ("output is a directory", ["import", "f.fnt", "-o", "o.fnt"], {"f.fnt": font, "o.fnt/kept": b"k"}, 1, "o.fnt",
                 {"f.fnt": font, "o.fnt/kept": b"k"}),
                ("raw font that starts like a BMP", ["import", "bm.fnt", "-o", "o.fnt"], {"bm.fnt": b"BM" + font[2:]}, 0, "",
                 {"bm.fnt": b"BM" + font[2:], "o.fnt": b"BM" + font[2:]}),
                ("raw font that starts like an icon", ["sheet", "i.fnt", "-o", "s.bmp"], {"i.fnt": bytes([0, 0, 1, 0]) + font[4:]},
                 0, "", {"i.fnt": bytes([0, 0, 1, 0]) + font[4:], "s.bmp": None}),
                ("non-ASCII names", ["import", "Zeichensätze 字形.fnt", "-o", "Ærø ĳ.fnt"], {"Zeichensätze 字形.fnt": font}, 0, "",
                 {"Zeichensätze 字形.fnt": font, "Ærø ĳ.fnt": font}),
                ("-f says psf, the name bdf", ["export", "f.fnt", "-f", "psf", "-o", "f.bdf"], {"f.fnt": font}, 2,
                 "the name says bdf but -f says psf", {"f.fnt": font}),
                ("import to another format's name", ["import", "f.fnt", "-o", "f.PSF"], {"f.fnt": font}, 2,
                 "f.PSF: import writes a raw .fnt font; name it .fnt, or write .psf with celkit export", {"f.fnt": font}),
                ("import to a picture's name", ["import", "f.fnt", "-o", "out.png"], {"f.fnt": font}, 2,
                 "out.png: import writes a raw .fnt font; name it .fnt, or make a picture with celkit sheet", {"f.fnt": font}),
                ("-f for a name of no format", ["export", "f.fnt", "-f", "fnt", "-o", "f.font"], {"f.fnt": font}, 0, "",
                 {"f.fnt": font, "f.font": font}),
                ("--first with --map", ["import", "f.fnt", "--first", "U+0400", "--map", "latin1", "-o", "o.fnt"],
                 {"f.fnt": font}, 2, "--first", {"f.fnt": font}),
                ("--first with --map on export", ["export", "f.fnt", "--first", "U+0400", "--map", "latin1", "-o", "o.hex"],
                 {"f.fnt": font}, 2, "--first", {"f.fnt": font}),
                ("an unknown map", ["export", "f.fnt", "--map", "cp999", "-o", "o.psf"], {"f.fnt": font}, 2,
                 "koi8-r", {"f.fnt": font}),
                ("a picture where a font is read", ["sheet", "p.bmp", "-o", "s.bmp"], {"p.bmp": open(SHEET, "rb").read()}, 1,
                 "'celkit import'", None),
                ("a font named .fnt of another size", ["import", "f.fnt", "-o", "o.fnt"], {"f.fnt": font + b"\0"}, 1,
                 "not a font celkit reads", None)]:
            with self.subTest(name):
                d = fresh("cli")
                for path, data in before.items():
                    os.makedirs(os.path.dirname(os.path.join(d, path)), exist_ok=True)
                    put(d, path, data)
                status, out, err = celkit(args, d)
                self.assertEqual(status, code, err)
                self.assertTrue(err.startswith(message) if code == 0 else message in err and err.startswith("celkit: "), err)
                expected = before if after is None else after
                self.assertEqual(files(d), sorted(expected), "no other file, no temporary left")
                for path, data in expected.items():
                    if data is not None:
                        self.assertEqual(open(os.path.join(d, path), "rb").read(), data, path)

    def test_wildcards_in_file_operands(self):
        # cmd.exe hands wildcards to the program, so celkit.exe expands its
        # file operands; natively the shell has done that already and a
        # pattern reaching celkit is a name. Option values stay as given.
        font = crafted_fonts()["example"]
        wine = ARGS.wine
        before = {"w-2.fnt": font, "w-1.fnt": font, "w-3.fnt": font, "w-10.fntx": font, "sub/w-1.fnt": font}
        for name, args, code, message, out, made in [
                ("three, sorted", ["info", "w-*.fnt"], 0 if wine else 1, "" if wine else "w-*.fnt",
                 ["w-1.fnt:", "w-2.fnt:", "w-3.fnt:"] if wine else [], []),
                ("in a folder", ["export", "sub/w-?.fnt", "-d", "out", "-f", "psf"], 0 if wine else 1,
                 "" if wine else "sub/w-?.fnt", [], ["out/w-1.psf"] if wine else []),
                ("no match", ["export", "zz*.fnt", "-o", "o.psf"], 1, "zz*.fnt", [], []),
                ("a --text value", ["show", "w-1.fnt", "--text", "w-*", "-o", "t.png"], 0, "", [], ["t.png"]),
                ("an -o value", ["import", "w-1.fnt", "-o", "w-?.fnt"], 1 if wine else 0, "w-?.fnt" if wine else "", [],
                 [] if wine else ["w-?.fnt"])]:
            with self.subTest(name):
                d = fresh("wildcards")
                os.makedirs(os.path.join(d, "sub"))
                for path, data in before.items():
                    put(d, path, data)
                status, stdout, err = celkit(args, d)
                self.assertEqual(status, code, err)
                self.assertTrue(message in err and err.startswith("celkit: ") if code else err == "", err)
                self.assertEqual([line.split()[0] for line in stdout.splitlines() if line.startswith("w-")], out)
                self.assertEqual(files(d), sorted(list(before) + made))
                if "t.png" in made:
                    self.assertEqual(Image.open(os.path.join(d, "t.png")).size, (3 * 32 + 4, 36), "three characters")

    def test_help_points_at_the_manual_the_system_has(self):
        code, out, err = celkit(["--help"], fresh("help"))
        self.assertEqual((code, err), (0, ""))
        self.assertIn("README.txt" if ARGS.wine else "man celkit", out)
        self.assertNotIn("man celkit" if ARGS.wine else "README.txt", out)

    def test_help_on_each_command(self):
        for command in ["show", "sheet", "export", "import", "info"]:
            with self.subTest(command):
                code, out, err = celkit([command, "--help"], fresh("help"))
                self.assertEqual((code, err), (0, ""))
                self.assertIn(command, out)
                self.assertIn("--", out)


def run_suites(tests, more=None):
    """Runs the table named on the command line celkit_suites() gives a
    script (SUITE --celkit P [--celpack P] --work DIR [--wine] [--sanitized], and the
    options `more` adds) from `tests`, the script's globals, with ARGS set
    there and here; exits with its verdict."""
    parser = argparse.ArgumentParser()
    parser.add_argument("suite")
    parser.add_argument("--celkit", required=True, type=os.path.abspath)
    parser.add_argument("--celpack", type=os.path.abspath)
    parser.add_argument("--work", required=True)
    parser.add_argument("--wine", action="store_true")
    parser.add_argument("--sanitized", action="store_true")
    if more:
        more(parser)
    args = parser.parse_args()
    tests["ARGS"] = globals()["ARGS"] = args
    harness.WINE, harness.SANITIZED = args.wine, args.sanitized
    os.makedirs(args.work, exist_ok=True)
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(tests[args.suite])
    sys.exit(0 if unittest.TextTestRunner(verbosity=2).run(suite).wasSuccessful() else 1)


if __name__ == "__main__":
    run_suites(globals())
