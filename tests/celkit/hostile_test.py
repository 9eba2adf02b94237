"""Hostile inputs through the real celkit of a build (under Wine for the
Windows build): files that claim or inflate to far more than they hold,
pictures of tens of millions of pixels, text that asks for a gigapixel
preview, BDF that breaks its own rules, and raw fonts whose first bytes
look like another format. The inputs are made by
tests/data/celkit-hostile/make_hostile.py.

Every row states a verdict: done (exit 0, nothing on standard error, the
right output), refused (exit 1, one line "celkit: ..." giving the reason,
nothing written), or either of the two where both are sound; whichever,
never a signal, an abort or an unhandled exception, never a raw control
byte on the terminal. Natively each run has a 1 GiB address-space ceiling,
so a bomb fails its row instead of taking the machine; the guard against a
hang is the harness's (tests/harness.py), not a speed goal (those are in
bench/celkit_hostile.sh)."""
import os, resource, struct, sys, unittest
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data", "celkit-hostile")
sys.path.insert(0, HERE)
sys.path.insert(0, DATA)
import celkit_test as base  # noqa: E402
import harness  # noqa: E402
import make_hostile  # noqa: E402

ARGS = None
CEILING = 1 << 30
# A refusal for size must say so, not blame the data or the allocator.
SIZE_REASON = r"too (large|big|long|many)|more than|larger than|exceed|beyond|at most|limit"
NOT_SAID = r"corrupt|out of memory|bad_alloc"


def limit_memory():
    resource.setrlimit(resource.RLIMIT_AS, (CEILING, CEILING))


def run(program, args, cwd):
    """(status, stdout, stderr) as bytes, or status None after the guard.
    The slowest row, 99,000 letters of text, takes under a second natively."""
    code, out, err = harness.run(harness.command(program, args), cwd, 30,
                                 preexec=None if ARGS.wine or ARGS.sanitized else limit_memory)
    return code, out.replace(b"\r\n", b"\n"), err.replace(b"\r\n", b"\n")


def data(name):
    return open(os.path.join(DATA, name), "rb").read()


def glyph_ink(font, g):
    return sum(bin(b).count("1") for b in font[g * 32:g * 32 + 32])


def text_font():
    return base.crafted_fonts()["random"]


def big_bomb():
    """Hundreds of MB inflated: too big to keep under tests/data, so made here once."""
    path = os.path.join(ARGS.work, "bomb_512m.psf.gz")
    if not os.path.exists(path):
        with open(path + ".part", "wb") as f:
            f.write(make_hostile.big_bomb(512 << 20))
        os.replace(path + ".part", path)
    return open(path, "rb").read()


class Row:
    """One command on staged inputs. expect: "done", "refused" or "either";
    reason: what a refusal's line must match; check(test, dir, stdout) for
    a done run; outputs: the files a done run leaves besides its inputs."""

    def __init__(self, name, inputs, args, expect, reason=None, check=None, outputs=(), codes=(1,), warns=None):
        self.name, self.inputs, self.args, self.expect = name, inputs, args, expect
        self.reason, self.check, self.outputs, self.codes = reason, check, list(outputs), codes
        self.warns = warns  # what a done run's "celkit: " warning lines must match

    def stage(self, dir):
        for name, content in self.inputs.items():
            with open(os.path.join(dir, name), "wb") as f:
                f.write(content() if callable(content) else content)


def verdict(test, row):
    # Windows starts no program with a command line of more than 32,767 characters.
    if ARGS.wine and sum(len(arg) + 3 for arg in row.args) > 32000:
        test.skipTest("longer than a Windows command line")
    if ARGS.wine and any(c < " " for name in row.inputs for c in name):
        test.skipTest("Windows names hold no control characters")
    d = base.fresh("hostile")
    row.stage(d)
    code, out, err = run(ARGS.celkit, row.args, d)
    test.assertIsNotNone(code, "no verdict within the guard time")
    test.assertGreaterEqual(code, 0, "killed by signal %d" % -code if code < 0 else "")
    test.assertIn(code, (0, 1, 2), "an abort or unhandled exception (exit status %#x)" % code)
    raw = [b for b in err if b < 0x20 and b != 0x0A or b == 0x7F]
    test.assertEqual(raw, [], "raw control bytes on standard error: %r" % err)
    text = err.decode("utf-8", "replace")
    wanted = {"done": (0,), "refused": row.codes, "either": (0,) + row.codes}[row.expect]
    test.assertIn(code, wanted, text)
    if code == 0:
        if row.warns:
            test.assertTrue(text.endswith("\n") and all(line.startswith("celkit: ") for line in text.splitlines()),
                            text)
            test.assertRegex(text, row.warns)
        else:
            test.assertEqual(text, "")
        test.assertEqual(base.files(d), sorted(list(row.inputs) + row.outputs))
        if row.check:
            row.check(test, d, out.decode("utf-8", "replace").replace("\r\n", "\n"))
    else:
        test.assertTrue(text.startswith("celkit: ") and text.count("\n") == 1, text)
        test.assertEqual(base.files(d), sorted(row.inputs), "a refusal writes nothing")
        test.assertRegex(text, row.reason)
        test.assertNotRegex(text, NOT_SAID)
    return d, out


def font_is(want):
    def check(test, d, _):
        test.assertEqual(open(os.path.join(d, "x.fnt"), "rb").read(), want)
    return check


def font_where(predicate, what):
    def check(test, d, _):
        font = open(os.path.join(d, "x.fnt"), "rb").read()
        test.assertEqual(len(font), 8192)
        test.assertTrue(predicate(font), what)
    return check


def says(*lines):
    def check(test, d, out):
        for line in lines:
            test.assertIn(line, out)
    return check


def only_glyph_41_full(font):
    return font[0x41 * 32:0x42 * 32] == b"\xff" * 32 and font.count(0) == 8192 - 32


DIAGONAL = make_hostile.diagonal_glyph()


def font_rows():
    gz = lambda name: {name: data(name)}
    imp = lambda name: ["import", name, "-o", "x.fnt"]
    return [
        # 67,108,832 glyphs of 1 x 1 inflating to exactly 64 MiB: read,
        # every slot gets its one pixel; refused, it is for the count.
        Row("psf2 of 67 M glyphs", gz("psf2_67m_glyphs_1x1.psf.gz"), imp("psf2_67m_glyphs_1x1.psf.gz"),
            "either", SIZE_REASON,
            font_where(lambda f: all(glyph_ink(f, g) == 1 for g in range(256)), "one pixel per glyph"),
            ["x.fnt"]),
        Row("psf2 of 67 M glyphs, info", gz("psf2_67m_glyphs_1x1.psf.gz"), ["info", "psf2_67m_glyphs_1x1.psf.gz"],
            "either", SIZE_REASON, says("glyphs: 256 of 16 x 16 pixels, 256 with ink")),
        Row("psf2 of 22 M glyphs with a table", gz("psf2_unicode_1x1.psf.gz"), imp("psf2_unicode_1x1.psf.gz"),
            "either", SIZE_REASON,
            font_where(lambda f: glyph_ink(f, 0x41) == 1 and sum(glyph_ink(f, g) for g in range(256)) == 1,
                       "only 'A', one pixel"), ["x.fnt"]),
        Row("psf2 of 2 M glyphs of 16 x 16", gz("psf2_2m_glyphs_16x16.psf.gz"), imp("psf2_2m_glyphs_16x16.psf.gz"),
            "either", SIZE_REASON, font_is(b"\xff" * 8192), ["x.fnt"]),
        Row("bdf.gz of 84 MB", gz("big.bdf.gz"), imp("big.bdf.gz"), "either", SIZE_REASON,
            font_where(only_glyph_41_full, "only 'A', all ink"), ["x.fnt"]),
        Row("hex.gz of 93 MB", gz("big.hex.gz"), imp("big.hex.gz"), "either", SIZE_REASON,
            font_where(only_glyph_41_full, "only 'A', all ink"), ["x.fnt"]),
        Row("psf.gz bomb of 96 MiB", gz("bomb.psf.gz"), imp("bomb.psf.gz"), "either", SIZE_REASON,
            font_is(DIAGONAL * 256), ["x.fnt"]),
        Row("psf.gz bomb of 512 MiB", {"bomb.psf.gz": big_bomb}, imp("bomb.psf.gz"), "either", SIZE_REASON,
            font_is(DIAGONAL * 256), ["x.fnt"]),
        # PCF: glyphs of 127 x 254 on one shared bitmap, refused before they
        # cost more than the file's own size would; codes and glyphs by the tens of thousands.
        Row("pcf of 8000 glyphs on one bitmap", gz("pcf_shared_bitmap.pcf"), imp("pcf_shared_bitmap.pcf"),
            "refused", SIZE_REASON),
        Row("pcf of 48000 codes for one glyph", gz("pcf_48000_codes.pcf"), imp("pcf_48000_codes.pcf"), "done",
            None, font_is(DIAGONAL * 256), ["x.fnt"]),
        Row("pcf.gz of 40000 glyphs", gz("pcf_40000_glyphs.pcf.gz"), imp("pcf_40000_glyphs.pcf.gz"), "done",
            None, font_is(DIAGONAL * 256), ["x.fnt"]),
        # Names read no further than the longest one looked for; the
        # directory kept one table per kind, each entry looked up once.
        Row("pcf.gz of 4000 properties on one unterminated string", gz("pcf_property_names.pcf.gz"),
            imp("pcf_property_names.pcf.gz"), "done", None, font_is(DIAGONAL * 256), ["x.fnt"]),
        Row("pcf.gz of 55,000 directory entries of unknown kinds", gz("pcf_directory_kinds.pcf.gz"),
            imp("pcf_directory_kinds.pcf.gz"), "done", None, font_is(DIAGONAL * 256), ["x.fnt"]),
        # Each key of the map found once, however often either side repeats it.
        Row("hex.gz of 100,000 'A' through a map naming 'A' 19,000 times",
            dict(gz("hex_100k_a.hex.gz"), **gz("map_19000_a.txt")),
            ["import", "hex_100k_a.hex.gz", "--map", "map_19000_a.txt", "-o", "x.fnt"], "done", None,
            font_where(lambda f: glyph_ink(f, 0x41) == 128 and f.count(0) == 8192 - 16, "only 'A', 8 wide"),
            ["x.fnt"], warns=r"100000 glyphs repeat a code point"),
        # gzip's members one after another are one stream; a cut one is told as such alone.
        Row("psf.gz of two members", gz("two_members.psf.gz"), imp("two_members.psf.gz"), "done", None,
            font_is(DIAGONAL * 256), ["x.fnt"]),
        Row("psf.gz cut short", gz("cut_member.psf.gz"), imp("cut_member.psf.gz"), "refused",
            r"^celkit: cut_member\.psf\.gz: truncated gzip data\n$"),
        # Outline fonts whose glyphs would take minutes to draw: stopped by
        # the font's budget of drawing time, or refused by the engine glyph by glyph.
        Row("otf of runaway subroutines", gz("otf_runaway_subroutines.otf"), imp("otf_runaway_subroutines.otf"),
            "refused", SIZE_REASON),
        Row("ttf of 8192-point curves", gz("ttf_8192_point_curves.ttf"), imp("ttf_8192_point_curves.ttf"),
            "either", SIZE_REASON, font_is(bytes(8192)), ["x.fnt"], warns=r"U\+0041 is left blank")
        if not ARGS.wine else  # GDI draws them, as far as they reach into the cell
        Row("ttf of 8192-point curves", gz("ttf_8192_point_curves.ttf"), imp("ttf_8192_point_curves.ttf"),
            "either", SIZE_REASON, None, ["x.fnt"]),
        # The glyphs that crashed the earlier rasteriser: drawn, or left
        # blank with a warning, never read past the file or round a loop.
        Row("ttf whose last contour is one point off the curve", gz("ttf_lone_off_curve_point.ttf"),
            imp("ttf_lone_off_curve_point.ttf"), "done", check=font_where(
                lambda f: glyph_ink(f, 0x41) == 64 and glyph_ink(f, 0x42) == 64, "'A' and 'B' the square"),
            outputs=["x.fnt"]),
        Row("ttf of numberOfContours -2", gz("ttf_contours_minus_two.ttf"), imp("ttf_contours_minus_two.ttf"),
            "done", check=font_is(bytes(8192)), outputs=["x.fnt"], warns=r"U\+0041 is left blank"),
        Row("ttf composite of point-number arguments", gz("ttf_composite_point_args.ttf"),
            imp("ttf_composite_point_args.ttf"), "done", check=font_where(
                lambda f: glyph_ink(f, 0x41) == 64 and glyph_ink(f, 0x42) == 0, "'A' the square, 'B' blank"),
            outputs=["x.fnt"], warns=r"U\+0042 is left blank"),
        Row("ttf composites of overflowing transforms", gz("ttf_composite_transform_overflow.ttf"),
            imp("ttf_composite_transform_overflow.ttf"), "done",
            check=font_where(lambda f: glyph_ink(f, 0x41) == 64, "'A' the square"), outputs=["x.fnt"],
            warns=r"U\+0042 is left blank"),
        Row("ttf composite loop", gz("ttf_composite_loop.ttf"), imp("ttf_composite_loop.ttf"), "done",
            check=font_is(bytes(8192)), outputs=["x.fnt"], warns=r"U\+0041 is left blank"),
        Row("ttf loca past the end", gz("ttf_loca_past_the_end.ttf"), imp("ttf_loca_past_the_end.ttf"), "done",
            check=font_is(bytes(8192)), outputs=["x.fnt"]),
        Row("ttf glyf past the end", gz("ttf_glyf_past_the_end.ttf"), imp("ttf_glyf_past_the_end.ttf"), "refused",
            r"the 'glyf' table lies past the end of the file"),
        # cmap spans summed before they are walked: --map reads them too.
        Row("ttf cmap of 2000 overlapping segments", gz("ttf_cmap_format4_spans.ttf"),
            imp("ttf_cmap_format4_spans.ttf"), "refused", r"segments overlap"),
        Row("ttf cmap of 2000 overlapping segments, --map", gz("ttf_cmap_format4_spans.ttf"),
            ["import", "ttf_cmap_format4_spans.ttf", "--map", "ttf_cmap_format4_spans.ttf", "-o", "x.fnt"],
            "refused", r"segments overlap"),
        Row("ttf cmap of 5000 groups of every code point", gz("ttf_cmap_format12_groups.ttf"),
            imp("ttf_cmap_format12_groups.ttf"), "refused", SIZE_REASON),
        # Windows fonts: every offset and count checked against the file first.
        Row("fnt of 224 glyphs on one 16 x 2000 bitmap", gz("fnt_shared_16x2000.fnt"),
            imp("fnt_shared_16x2000.fnt"), "refused", SIZE_REASON),
        Row("pe of 4000 names sharing 4000 languages", gz("pe_shared_languages.fon"),
            ["info", "pe_shared_languages.fon"], "refused", "more entries than the file holds"),
        Row("ne counting 65535 fonts", gz("ne_huge_count.fon"), imp("ne_huge_count.fon"), "refused",
            "runs past the end of the file"),
        Row("8192 bytes of a FNT header and noise, not named .fnt", gz("winfnt_header_8192.bin"),
            imp("winfnt_header_8192.bin"), "done", None, font_is(data("winfnt_header_8192.bin")), ["x.fnt"]),
        Row("psf.gz bomb of 512 MiB, show", {"bomb.psf.gz": big_bomb}, ["show", "bomb.psf.gz", "-o", "p.png"],
            "either", SIZE_REASON, None, ["p.png"]),
    ]


def bdf_rows():
    imp = lambda name: ["import", name, "-o", "x.fnt"]
    one = lambda name: {name: data(name)}
    escaped = r"\\x1[bB]\]0;PWNED\\x07\\x1[bB]\[2J"
    return [
        Row("bdf rows past the BBX", one("bdf_rows_past_bbx.bdf"), imp("bdf_rows_past_bbx.bdf"), "refused", r"rows?"),
        # Read as 0x41 it would pass for 'A': refused, or left out of the font.
        Row("bdf ENCODING past 32 bits", one("bdf_encoding_past_32_bits.bdf"), imp("bdf_encoding_past_32_bits.bdf"),
            "either", r"ENCODING|code point",
            font_where(lambda f: glyph_ink(f, 0x41) == 0 and glyph_ink(f, 0x42) > 0, "'A' blank, 'B' read"),
            ["x.fnt"]),
        Row("bdf FONTBOUNDINGBOX offset 2^63-1", one("bdf_box_offset_huge.bdf"), imp("bdf_box_offset_huge.bdf"),
            "refused", r"FONTBOUNDINGBOX"),
        Row("bdf second BITMAP", one("bdf_second_bitmap.bdf"), imp("bdf_second_bitmap.bdf"), "refused", r"BITMAP"),
        Row("bdf BBX after BITMAP", one("bdf_bbx_after_bitmap.bdf"), imp("bdf_bbx_after_bitmap.bdf"), "refused",
            r"BBX.*BITMAP|BITMAP.*BBX"),
        Row("bdf name of terminal escapes, import", one("bdf_name_escapes.bdf"), imp("bdf_name_escapes.bdf"),
            "refused", escaped),
        Row("bdf name of terminal escapes, export", one("bdf_name_escapes.bdf"),
            ["export", "bdf_name_escapes.bdf", "-o", "x.psf"], "refused", escaped),
    ]


def sheet_font_of_png():
    # The 8192-byte PNG: a diagonal in every 16 x 16 cell, ink white on black.
    return DIAGONAL * 256


def picture_rows():
    one = lambda name: {name: data(name)}
    imp = lambda name: ["import", name, "-o", "x.fnt"]
    cells = SIZE_REASON + r"|16 x 16|--cell"
    return [
        Row("png 6320 x 6320, import", one("png_6320_1bit.png"), imp("png_6320_1bit.png"), "refused", cells),
        Row("png 6320 x 6320, info", one("png_6320_1bit.png"), ["info", "png_6320_1bit.png"], "either", SIZE_REASON,
            says("png_6320_1bit.png: PNG picture, 6320 x 6320 pixels, 1 colour, most common #000000")),
        Row("png 6048 x 6560 blank, import", one("png_6048x6560_blank.png"), imp("png_6048x6560_blank.png"),
            "refused", cells),
        Row("png 6048 x 6560 blank, info", one("png_6048x6560_blank.png"), ["info", "png_6048x6560_blank.png"],
            "either", SIZE_REASON, says("PNG picture, 6048 x 6560 pixels, 1 colour, most common #000000")),
        Row("png of 11 M colours, info", one("png_11m_colours.png"), ["info", "png_11m_colours.png"], "done",
            check=says("PNG picture, 3328 x 3328 pixels, 8-bit RGB, 11075584 colours")),
        Row("png of 11 M colours, import", one("png_11m_colours.png"), imp("png_11m_colours.png"), "refused", cells),
        # Past the grid limit with --cell: the warning names three of 65,534 colours.
        Row("png of 11 M colours, import --cell 16x16", one("png_11m_colours.png"),
            ["import", "png_11m_colours.png", "--cell", "16x16", "-o", "x.fnt"], "done", outputs=["x.fnt"],
            check=font_is(b"\x7f" + b"\xff" * 8191),
            warns=r"warning: 65,534 pixels of 65,534 other colours \(000002, 000003, 000004, \.\.\.\)"),
        # A fourth byte that the header says is padding is no alpha; one it
        # names alpha makes the paper transparent.
        *[Row("32-bit bmp, " + name, one(name), ["import", name, "--cell", "4x4", "-o", "x.fnt"], "done",
              check=font_is(make_hostile.small_diagonal_glyph() * 256), outputs=["x.fnt"])
          for name in sorted(make_hostile.BMP_PADDING)],
        # The same 8192 bytes as the raw-font table's PNG, named as a picture.
        Row("8192-byte png named .png", {"sheet.png": data("png_8192_bytes.fnt")}, imp("sheet.png"), "done",
            check=font_is(sheet_font_of_png()), outputs=["x.fnt"]),
    ]


def wide_text_check(columns, lines, scale):
    def check(test, d, _):
        font = text_font()
        im = Image.open(os.path.join(d, "p.png")).convert("L")
        side, margin = 16 * scale, scale
        test.assertEqual(im.size, (columns * side + 2 * margin, lines * side + 2 * margin))
        for column in (0, columns - 1):
            for y in range(16):
                for x in range(16):
                    at = (margin + column * side + x * scale, margin + y * scale)
                    test.assertEqual(im.getpixel(at) < 128, bool(base.pixel(font, 0x41, x, y)), at)
    return check


def map_text_check(test, d, _):
    font = text_font()
    im = Image.open(os.path.join(d, "p.png")).convert("L")
    test.assertEqual(im.size, (10000 * 16 + 2, 18))  # a margin of one pixel at scale 1
    for column in (0, 9999):
        for y in range(16):
            for x in range(16):
                test.assertEqual(im.getpixel((1 + column * 16 + x, 1 + y)) < 128,
                                 bool(base.pixel(font, 0xFF, x, y)), (column, x, y))


def psf_table_check(test, d, _):
    psf = open(os.path.join(d, "x.psf"), "rb").read()
    magic, _, size, flags, count, charsize, height, width = struct.unpack("<8I", psf[:32])
    test.assertEqual((magic, flags & 1, count, charsize, height, width), (0x864AB572, 1, 256, 32, 16, 16))
    test.assertEqual(psf[size:size + 8192], text_font())
    entries = psf[size + 8192:].split(b"\xff")[:256]
    first = make_hostile.MAP_FIRST
    for g in (0, 255):
        want = "".join(chr(first + g * make_hostile.MAP_PER_GLYPH + k) for k in range(make_hostile.MAP_PER_GLYPH))
        test.assertEqual(entries[g].decode("utf-8"), want)


def chart_check(test, d, _):
    im = Image.open(os.path.join(d, "s.png"))
    test.assertEqual(im.size, (4128, 64 + (make_hostile.CHART_EDGE // 256 + 1) * 16))
    # Glyph 0 at its code point's cell, glyph 0x41 at U+0041's.
    for glyph, codepoint in ((0, make_hostile.CHART_EDGE), (0x41, 0x41)):
        left, top = 32 + codepoint % 256 * 16, 64 + codepoint // 256 * 16
        for y in range(16):
            for x in range(16):
                test.assertEqual(im.getpixel((left + x, top + y)) != im.getpixel((0, 0)),
                                 bool(base.pixel(text_font(), glyph, x, y)), (glyph, x, y))


def hex_words(out):
    return [w for line in out.splitlines() for w in line.split() if all(c in "0123456789ABCDEF" for c in w)]


def text_rows():
    font = {"f.fnt": text_font()}
    with_map = {"f.fnt": text_font(), "m.txt": data("map_100k.txt")}
    preview = SIZE_REASON + r"|--text|--scale"
    lines = "\n".join(["A" * 92] * 237)
    return [
        # 23556 x 60676 pixels: refused before any of it is made (a bad
        # request of the command line, or an output that cannot be made).
        Row("237 lines of 92 'A' at scale 16", font, ["show", "f.fnt", "--scale", "16", "--text", lines, "-o", "p.png"],
            "refused", preview, codes=(1, 2)),
        Row("one line of 92 'A' at scale 16", font, ["show", "f.fnt", "--scale", "16", "--text", "A" * 92, "-o", "p.png"],
            "done", check=wide_text_check(92, 1, 16), outputs=["p.png"]),
        Row("three lines of 92 'A' at scale 16, told", font,
            ["show", "f.fnt", "--scale", "16", "--text", "\n".join(["A" * 92] * 3), "-o", "p.png"], "done",
            check=wide_text_check(92, 3, 16), outputs=["p.png"],
            warns=r"^celkit: f\.fnt: note: --text makes a picture of \d+ x \d+ pixels; writing p\.png\n$"),
        Row("10,000 characters through a 100 KB map", with_map,
            ["show", "f.fnt", "--map", "m.txt", "--scale", "1", "--text", make_hostile.map_last_codepoint() * 10000,
             "-o", "p.png"], "done", check=map_text_check, outputs=["p.png"]),
        Row("a 100 KB map into the PSF table", with_map, ["export", "f.fnt", "--map", "m.txt", "-o", "x.psf"], "done",
            check=psf_table_check, outputs=["x.psf"]),
        # 6000 ranges of every code point: the list is refused at its
        # 4097th glyph, never 6.6 billion code points looked up.
        Row("--glyph of 6000 ranges of every code point", font,
            ["show", "f.fnt", "--glyph", ",".join(["U+0000-U+10FFFF"] * 6000)], "refused", SIZE_REASON, codes=(2,)),
        Row("--glyph over every code point of a 100 KB map", with_map,
            ["show", "f.fnt", "--map", "m.txt", "--glyph", "U+0000-U+10FFFF"], "refused", SIZE_REASON, codes=(2,)),
        # Glyph 0 stands for U+4E00-U+4E35: one per code point, then glyph 1.
        Row("--glyph of a range through a 100 KB map", with_map,
            ["show", "f.fnt", "--map", "m.txt", "--glyph", "U+0000-U+4E36"], "done",
            check=lambda test, d, out: test.assertEqual(hex_words(out), ["00"] * 54 + ["01"])),
        Row("show --labels code-points of a 100 KB map", with_map,
            ["show", "f.fnt", "--map", "m.txt", "--labels", "code-points"], "done",
            check=lambda test, d, out: test.assertEqual(
                hex_words(out), ["%04X" % (make_hostile.MAP_FIRST + g * make_hostile.MAP_PER_GLYPH)
                                 for g in range(256)])),
        # 99,000 characters drawn in blocks, wrapped five 16-pixel letters a
        # line: 19,800 lines of text, 8 lines of blocks each, none past 80 columns.
        # Each picture written and let go before the next is drawn.
        Row("show of 12 inputs at scale 8 to BMP", {"f%d.fnt" % i: text_font() for i in range(12)},
            ["show"] + ["f%d.fnt" % i for i in range(12)] + ["--scale", "8", "-f", "bmp", "-d", "out"], "done",
            None, None, ["out/f%d.bmp" % i for i in range(12)]),
        Row("info of a name of terminal escapes", {"\x1b]0;x\x07.fnt": text_font()}, ["info", "\x1b]0;x\x07.fnt"],
            "done", None, says("\\x1b]0;x\\x07.fnt: font (fnt)")),
        Row("one word of 99,000 'A' in the terminal", font, ["show", "f.fnt", "--text", "A" * 99000], "done",
            check=lambda test, d, out: test.assertEqual(
                (len(out.splitlines()), max(len(line) for line in out.splitlines())), (158400, 80))),
        # A font as --map: the bomb's own reason, not the map text's.
        Row("--map of a psf.gz of 64 MiB", {"f.fnt": text_font(), "m.psf.gz": data("psf2_unicode_1x1.psf.gz")},
            ["show", "f.fnt", "--map", "m.psf.gz", "--glyph", "A"], "refused", SIZE_REASON),
        Row("sheet --layout unifont to the pixel limit", {"f.fnt": text_font(), "m.txt": data("map_chart_edge.txt")},
            ["sheet", "f.fnt", "--map", "m.txt", "--layout", "unifont", "-o", "s.png"], "done",
            check=chart_check, outputs=["s.png"]),
        Row("sheet --layout unifont past the pixel limit", {"f.fnt": text_font(), "m.txt": data("map_chart_past.txt")},
            ["sheet", "f.fnt", "--map", "m.txt", "--layout", "unifont", "-o", "s.png"], "refused",
            r"U\+10FFFF would be 4128 x 69696 pixels; at most"),
    ]


def all_rows():
    """Every row, in the order the bench prints them."""
    rows = font_rows() + bdf_rows() + picture_rows() + text_rows()
    for name in RAW_FONTS:
        font = data(name)
        for command, args, outputs in RAW_COMMANDS:
            rows.append(Row("%s, %s" % (name, command), {name: font}, [command, name] + args, "done",
                            outputs=outputs))
    return rows


class Fonts(unittest.TestCase):
    def test_bombs_and_counts(self):
        for row in font_rows():
            with self.subTest(row.name):
                verdict(self, row)

    def test_bdf_that_breaks_its_rules(self):
        for row in bdf_rows():
            with self.subTest(row.name):
                verdict(self, row)


class Pictures(unittest.TestCase):
    def test_large_pictures(self):
        for row in picture_rows():
            with self.subTest(row.name):
                verdict(self, row)


class Text(unittest.TestCase):
    def test_large_previews_and_maps(self):
        for row in text_rows():
            with self.subTest(row.name):
                verdict(self, row)


# An 8192-byte file named .fnt is a raw font whatever its first bytes.
RAW_FONTS = sorted(make_hostile.RAW_PREFIXES) + ["png_8192_bytes.fnt"]
RAW_COMMANDS = [("export", ["-o", "x.psf"], ["x.psf"]), ("import", ["-o", "x.fnt"], ["x.fnt"]),
                ("info", [], []), ("show", ["-o", "p.png"], ["p.png"]), ("sheet", ["-o", "s.bmp"], ["s.bmp"])]


def blank_glyphs(font):
    return sum(1 for g in range(256) if glyph_ink(font, g) == 0)


class RawFonts(unittest.TestCase):
    def raw_row(self, name, command):
        args, outputs = next((a, o) for c, a, o in RAW_COMMANDS if c == command)
        font = data(name)
        self.assertEqual(len(font), 8192)
        return font, verdict(self, Row(name, {name: font}, [command, name] + args, "done", outputs=outputs))

    def test_export_keeps_the_glyph_bits(self):
        for name in RAW_FONTS:
            with self.subTest(name):
                font, (d, _) = self.raw_row(name, "export")
                psf = open(os.path.join(d, "x.psf"), "rb").read()
                magic, _, size, _, count, charsize, height, width = struct.unpack("<8I", psf[:32])
                self.assertEqual((magic, count, charsize, height, width), (0x864AB572, 256, 32, 16, 16))
                self.assertEqual(psf[size:size + 8192], font)

    def test_import_gives_the_same_bytes(self):
        for name in RAW_FONTS:
            with self.subTest(name):
                font, (d, _) = self.raw_row(name, "import")
                self.assertEqual(open(os.path.join(d, "x.fnt"), "rb").read(), font)

    def test_info_reads_256_glyphs(self):
        for name in RAW_FONTS:
            with self.subTest(name):
                font, (_, out) = self.raw_row(name, "info")
                text = out.decode("utf-8").replace("\r\n", "\n")
                self.assertIn("%s: font (fnt), 8192 bytes\nglyphs: 256 of 16 x 16 pixels, %d with ink\n"
                              % (name, 256 - blank_glyphs(font)), text)

    def test_show_draws_the_chart(self):
        chart = base.Show("check_chart")
        for name in RAW_FONTS:
            with self.subTest(name):
                font, (d, _) = self.raw_row(name, "show")
                chart.check_chart(Image.open(os.path.join(d, "p.png")).convert("RGB"), font, 2, 0, 0xFFFFFF)

    def test_sheet_gives_celpack_the_same_font(self):
        for name in RAW_FONTS:
            with self.subTest(name):
                font, (d, _) = self.raw_row(name, "sheet")
                base.run(ARGS.celpack, ["s.bmp"], d)
                self.assertEqual(open(os.path.join(d, "s.bmp.fnt"), "rb").read(), font)


if __name__ == "__main__":
    base.run_suites(globals())
