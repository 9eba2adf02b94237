"""celkit show through the real celkit of a build (under Wine for the Windows
build): the block drawing in the terminal read back into pixels and held
against the font's bytes (natively also as a tmux pane of 80 columns shows
it), --glyph lists, pictures of glyphs as inputs, chart labels at each
scale, colour names, and text spaced by the font's ink width."""
import os, random, shutil, subprocess, sys, time, unittest
from PIL import Image

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import celkit_test as base  # noqa: E402
import harness  # noqa: E402
from celkit_test import celkit, fresh, pixel, put  # noqa: E402

ARGS = None
BLOCKS = {" ": (0, 0), "\u2580": (1, 0), "\u2584": (0, 1), "\u2588": (1, 1)}


def fonts():
    rng = random.Random(11)
    crafted = base.crafted_fonts()
    # Ink in columns 0-7 only: a console font's shape, drawn 8 wide.
    narrow = bytes(rng.randrange(256) if i % 2 == 0 else 0 for i in range(8192))
    return {"example": crafted["example"], "random": crafted["random"], "narrow": narrow}


def ink_of(lines):
    """The set of ink pixels (x, y) that lines of blocks draw."""
    ink = set()
    for row, line in enumerate(lines):
        for x, c in enumerate(line):
            top, bottom = BLOCKS[c]
            if top:
                ink.add((x, 2 * row))
            if bottom:
                ink.add((x, 2 * row + 1))
    return ink


def read_bands(test, text, width):
    """[(label, glyph pixels as a set)] from the terminal chart; every label at
    its glyph's left edge, glyphs width + 1 apart, the gaps blank."""
    lines = text.split("\n")
    test.assertEqual(lines[-1], "", "ends with a newline")
    lines = lines[:-1]
    test.assertEqual(len(lines) % 9, 0, "a label line and 8 lines of blocks per band")
    glyphs = []
    for band in range(0, len(lines), 9):
        labels = lines[band].split()
        test.assertEqual(lines[band], "".join(l.ljust(width + 1) for l in labels).rstrip())
        ink = ink_of(lines[band + 1:band + 9])
        for i, label in enumerate(labels):
            left = i * (width + 1)
            glyphs.append((label, {(x - left, y) for x, y in ink if left <= x < left + width}))
        gaps = {x for x, _ in ink if x % (width + 1) == width or x >= len(labels) * (width + 1)}
        test.assertEqual(gaps, set(), "nothing drawn between glyphs")
    return glyphs


def font_ink(font, g, width=16):
    return {(x, y) for y in range(16) for x in range(width) if pixel(font, g, x, y)}


class Terminal(unittest.TestCase):
    def test_chart_in_bands_within_80_columns(self):
        all_fonts = fonts()
        for name, width, per_band in [("example", 16, 4), ("random", 16, 4), ("narrow", 8, 8)]:
            with self.subTest(name):
                d = fresh("chart")
                code, out, err = celkit(["show", put(d, "f.fnt", all_fonts[name])], d)
                self.assertEqual((code, err), (0, ""))
                self.check_chart(out, all_fonts[name], width, per_band)

    def check_chart(self, out, font, width, per_band):
        self.assertLessEqual(max(len(line) for line in out.split("\n")), 80)
        glyphs = read_bands(self, out, width)
        self.assertEqual([label for label, _ in glyphs], ["%02X" % g for g in range(256)])
        self.assertEqual(len(out.split("\n")[0].split()), per_band)
        for g, (_, ink) in enumerate(glyphs):
            self.assertEqual(ink, font_ink(font, g, width), "glyph %02X" % g)

    def test_chart_in_a_tmux_pane_of_80_columns(self):
        if ARGS.wine:
            self.skipTest("a console under Wine is no tmux pane; the bytes are checked above")
        all_fonts = fonts()
        for name, width, per_band in [("example", 16, 4), ("narrow", 8, 8)]:
            with self.subTest(name):
                d = fresh("tmux")
                put(d, "f.fnt", all_fonts[name])
                socket = os.path.join(d, "..", "tmux.sock")
                tmux = ["tmux", "-u", "-S", socket, "-f", "/dev/null"]
                env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
                command = "%s show f.fnt; echo END-OF-CHART; sleep 60" % ARGS.celkit
                subprocess.run(tmux + ["new-session", "-d", "-x", "80", "-y", "40", "-c", d, command],
                               env=env, check=True)
                try:
                    subprocess.run(tmux + ["set-option", "-g", "history-limit", "5000"], env=env, check=True)
                    end = time.monotonic() + harness.guard(20)
                    while time.monotonic() < end:
                        pane = subprocess.run(tmux + ["capture-pane", "-p", "-J", "-S", "-", "-E", "-"], env=env,
                                              check=True, stdout=subprocess.PIPE).stdout.decode("utf-8")
                        if "END-OF-CHART" in pane:
                            break
                        time.sleep(0.1)
                finally:
                    subprocess.run(tmux + ["kill-server"], env=env)
                chart = pane[:pane.index("END-OF-CHART")]
                # The pane holds what scrolled away too; the chart begins at its first label line.
                chart = chart[chart.index("00 "):]
                self.check_chart(chart, all_fonts[name], width, per_band)

    def test_label_lines_name_numbers_or_code_points(self):
        all_fonts = fonts()
        for name, font, args, labels in [
                ("numbers", "example", ["--glyph", "1-3"], ["01", "02", "03"]),
                ("code points", "example", ["--glyph", "1-3", "--labels", "code-points"], ["263A", "263B", "2665"]),
                ("code points, 8 wide", "narrow", ["--glyph", "0x41,0xFE,0xB0", "--labels", "code-points"],
                 ["41", "25A0", "2591"]),
                ("none for a glyph the map leaves out", "example",
                 ["--glyph", "0x40-0x42", "--labels", "code-points", "--map", "m.txt"], ["", "41", ""])]:
            with self.subTest(name):
                d = fresh("termlabels")
                put(d, "f.fnt", all_fonts[font])
                put(d, "m.txt", b"0x41 U+0041\n")
                code, out, err = celkit(["show", "f.fnt"] + args, d)
                self.assertEqual((code, err), (0, ""))
                width = 8 if font == "narrow" else 16
                self.assertEqual(out.split("\n")[0], "".join(l.ljust(width + 1) for l in labels).rstrip())

    def test_several_inputs_each_under_its_name_past_one_that_fails(self):
        all_fonts = fonts()
        d = fresh("several")
        put(d, "a.fnt", all_fonts["example"])
        put(d, "b.fnt", all_fonts["narrow"])
        code, out, err = celkit(["show", "a.fnt", "gone.fnt", "b.fnt", "--glyph", "A"], d)
        self.assertEqual(code, 1)
        self.assertTrue(err.startswith("celkit: gone.fnt: ") and err.count("\n") == 1, err)
        a, b = out.split("b.fnt:\n")
        self.assertTrue(a.startswith("a.fnt:\n"), a)
        self.assertEqual(read_bands(self, a[len("a.fnt:\n"):], 16), [("41", font_ink(all_fonts["example"], 0x41))])
        self.assertEqual(read_bands(self, b, 8), [("41", font_ink(all_fonts["narrow"], 0x41, 8))])

    def test_text_letters_a_font_width_apart(self):
        # The terminal drawing and the PNG at scale 1 are the same pixels;
        # an 8-wide font's letters and box-drawing lines touch.
        narrow = bytearray(fonts()["narrow"])
        narrow[0xC4 * 32:0xC5 * 32] = bytes(16) + b"\xff\x00" + bytes(14)  # a line across columns 0-7
        for name, font, text, glyphs, width in [
                ("narrow", bytes(narrow), "Hi!", [0x48, 0x69, 0x21], 8),
                ("box-drawing joins", bytes(narrow), "\u2500\u2500\u2500", [0xC4] * 3, 8),
                ("wide", fonts()["example"], "Hi", [0x48, 0x69], 16),
                ("two lines", bytes(narrow), "A\nBC", [[0x41], [0x42, 0x43]], 8)]:
            with self.subTest(name):
                d = fresh("text")
                put(d, "f.fnt", font)
                code, out, err = celkit(["show", "f.fnt", "--text", text], d)
                self.assertEqual((code, err), (0, ""))
                lines = glyphs if isinstance(glyphs[0], list) else [glyphs]
                want = {(i * width + x, row * 16 + y) for row, line in enumerate(lines)
                        for i, g in enumerate(line) for x, y in font_ink(font, g)}
                self.assertEqual(ink_of(out.rstrip("\n").split("\n")), want)
                code, _, err = celkit(["show", "f.fnt", "--text", text, "--scale", "1", "-o", "t.png"], d)
                self.assertEqual((code, err), (0, ""))
                im = Image.open(os.path.join(d, "t.png")).convert("L")
                self.assertEqual(im.size, (max(map(len, lines)) * width + 2, len(lines) * 16 + 2))
                png = {(x - 1, y - 1) for y in range(im.size[1]) for x in range(im.size[0]) if im.getpixel((x, y)) < 128}
                self.assertEqual(png, want)
                if name == "box-drawing joins":
                    self.assertEqual({x for x, y in want if y == 8}, set(range(24)))

    def test_long_text_breaks_at_spaces_within_80_columns(self):
        # 80 columns hold 10 letters 8 wide, 5 letters 16 wide; the narrow
        # font's space has ink, so a space dropped at a break, or kept, shows.
        all_fonts = fonts()
        for name, font, text, lines in [
                ("a sentence at its spaces", "narrow", "The quick brown fox jumps",
                 ["The quick", "brown fox", "jumps"]),
                ("16 wide, half as many letters", "example", "Hi there you", ["Hi", "there", "you"]),
                ("a word longer than a line", "narrow", "ABCDEFGHIJKLMNOPQRSTUVWXY", ["ABCDEFGHIJ", "KLMNOPQRST", "UVWXY"]),
                ("8 wide: 10 letters a line", "narrow", "ABCDEFGHIJKLMNOPQRST", ["ABCDEFGHIJ", "KLMNOPQRST"]),
                ("16 wide: 5 letters a line", "example", "ABCDEFGHIJKLMNOPQRST", ["ABCDE", "FGHIJ", "KLMNO", "PQRST"]),
                ("a space just past a full line", "narrow", "ABCDEFGHIJ KLM", ["ABCDEFGHIJ", "KLM"]),
                ("spaces at a break all go", "narrow", "ABCDEFGH    IJ  K", ["ABCDEFGH", "IJ  K"]),
                ("its own newlines stay", "narrow", "AB\nCDEFGHIJKLMNO", ["AB", "CDEFGHIJKL", "MNO"]),
                ("a short line as it is", "narrow", "A  B", ["A  B"])]:
            with self.subTest(name):
                d = fresh("wrap")
                put(d, "f.fnt", all_fonts[font])
                code, out, err = celkit(["show", "f.fnt", "--text", text], d)
                self.assertEqual((code, err), (0, ""))
                drawn = out.rstrip("\n").split("\n")
                self.assertLessEqual(max(len(line) for line in drawn), 80)
                width = 8 if font == "narrow" else 16
                want = {(i * width + x, row * 16 + y) for row, line in enumerate(lines)
                        for i, c in enumerate(line) for x, y in font_ink(all_fonts[font], ord(c))}
                self.assertEqual(ink_of(drawn), want)


class Glyphs(unittest.TestCase):
    def test_lists_and_ranges(self):
        font = fonts()["random"]
        for glyphs_asked, cmap, glyphs in [
                ("65", "cp437", [65]), ("0x41", "cp437", [65]), ("A", "cp437", [65]), ("U+0041", "cp437", [65]),
                ("0XfF", "cp437", [255]), ("0", "cp437", [0]), ("7", "cp437", [7]), ("U+0037", "cp437", [0x37]),
                ("A,B,0x20-0x22", "cp437", [65, 66, 32, 33, 34]), ("250-255", "cp437", list(range(250, 256))),
                ("U+2591-U+2593", "cp437", [0xB0, 0xB1, 0xB2]), ("\u263a", "cp437", [1]), ("é", "cp437", [0x82]),
                ("é", "latin1", [0xE9]), ("-", "cp437", [0x2D]), ("U+00FF-U+0101", "cp437", [0x98]),
                ("A-C,A", "cp437", [65, 66, 67, 65]), ("U+0000-U+10FFFF", "latin1", list(range(256))),
                ("U+00FE-U+10FFFF", "latin1", [0xFE, 0xFF]), ("U+0000-U+0000", "latin1", [0])]:
            with self.subTest(glyphs_asked=glyphs_asked, map=cmap):
                d = fresh("glyph")
                code, out, err = celkit(["show", put(d, "f.fnt", font), "--glyph", glyphs_asked, "--map", cmap], d)
                self.assertEqual((code, err), (0, ""))
                drawn = read_bands(self, out, 16)
                self.assertEqual([label for label, _ in drawn], ["%02X" % g for g in glyphs])
                for g, (_, ink) in zip(glyphs, drawn):
                    self.assertEqual(ink, font_ink(font, g), glyphs_asked)

    def test_a_character_and_its_number_draw_the_same(self):
        d = fresh("same")
        put(d, "f.fnt", fonts()["example"])
        outputs = [celkit(["show", "f.fnt", "--glyph", glyphs_asked], d) for glyphs_asked in ["A", "0x41", "65", "U+0041"]]
        self.assertEqual(outputs[0][0], 0)
        self.assertEqual(outputs, [outputs[0]] * 4)

    def test_bad_lists_name_the_bad_part(self):
        font = fonts()["random"]
        for glyphs_asked, part in [("256", ": '256'"), ("0x100", ": '0x100'"), ("-1", ": '-1'"), ("zz", ": 'zz'"),
                           ("A,zz,B", ": 'zz'"), ("0x50-0x41", "'0x50-0x41' runs backwards"),
                           ("A-0x41", "'A-0x41' mixes"), ("U+4E00", "'U+4E00' has no glyph in map cp437"),
                           ("A,,B", "'A,,B' has an empty part"), ("U+110000", ": 'U+110000'"), ("A-", ": 'A-'"),
                           ("AB", ": 'AB'"), ("", ": ''"), ("A -o p.png", " draws in the terminal; it takes no -o"),
                           (",".join(["0-255"] * 16 + ["A"]), "the list names more than 4096 glyphs")]:
            with self.subTest(glyphs_asked=glyphs_asked):
                d = fresh("badglyph")
                words = glyphs_asked.split(" ")
                code, out, err = celkit(["show", put(d, "f.fnt", font), "--glyph", words[0]] + words[1:], d)
                self.assertEqual((code, out), (2, ""), err)
                self.assertTrue(err.startswith("celkit: --glyph") and part in err, err)
                self.assertEqual(base.files(d), ["f.fnt"])


class Pictures(unittest.TestCase):
    def test_a_picture_shows_the_font_made_of_it(self):
        # A BMP sheet as celpack reads it (a dense random one has more ink
        # than paper: no guessing of the paper colour), a PNG as import does.
        font = fonts()["random"]
        tiles = base.tileset((16, 16), (255, 0, 255), 3)
        for name, picture, make in [
                ("example sheet", "s.bmp", None), ("dense sheet", "s.bmp", ["sheet", "f.fnt", "-o", "s.bmp"]),
                ("magenta png", "s.png", None)]:
            with self.subTest(name):
                d = fresh("sheetshow")
                put(d, "f.fnt", font)
                if make:
                    self.assertEqual(celkit(make, d)[0], 0)
                elif picture == "s.png":
                    tiles.save(os.path.join(d, "s.png"))
                else:
                    shutil.copy(base.SHEET, os.path.join(d, "s.bmp"))
                if picture == "s.bmp":
                    base.run(ARGS.celpack, ["s.bmp"], d)
                else:
                    self.assertEqual(celkit(["import", "s.png", "-o", "s.png.fnt"], d)[0], 0)
                for args in [[], ["-o", "p.png"], ["--glyph", "A,0xFF"], ["--text", "Hi"]]:
                    from_sheet = celkit(["show", picture] + [a.replace("p.png", "a.png") for a in args], d)
                    from_font = celkit(["show", picture + ".fnt"] + [a.replace("p.png", "b.png") for a in args], d)
                    self.assertEqual(from_sheet, from_font, args)
                    self.assertEqual(from_sheet[0], 0, from_sheet[2])
                    self.assertNotEqual(from_sheet[1] if args != ["-o", "p.png"] else "x", "")
                self.assertEqual(open(os.path.join(d, "a.png"), "rb").read(), open(os.path.join(d, "b.png"), "rb").read())

    def test_number_labels_grow_with_the_scale(self):
        font = fonts()["random"]
        for scale in [1, 2, 4]:
            with self.subTest(scale=scale):
                d = fresh("labels")
                code, _, err = celkit(["show", put(d, "f.fnt", font), "-o", "p.png", "--scale", str(scale)], d)
                self.assertEqual((code, err), (0, ""))
                im = Image.open(os.path.join(d, "p.png")).convert("RGB")
                left, top = 10 * scale, 9 * scale
                grid = (127, 127, 127)
                self.assertEqual(im.getpixel((left, top)), grid)
                # Column label 0 over the first cell: a 3 x 5 digit at the scale.
                ink = [(x, y) for y in range(top) for x in range(left, left + 16 * scale + 2)
                       if im.getpixel((x, y)) == (0, 0, 0)]
                self.assertEqual((max(x for x, _ in ink) - min(x for x, _ in ink) + 1,
                                  max(y for _, y in ink) - min(y for _, y in ink) + 1), (3 * scale, 5 * scale))
                base.Show.check_chart(self, im, font, scale, 0, 0xFFFFFF)

    def test_code_point_labels_fit_their_cells(self):
        font = fonts()["random"]
        # Glyph 0's label: its size says which layout was taken.
        for name, cmap, scale, size in [
                ("two digits, scale 1", "latin1", 1, (7, 5)), ("two digits, scale 3", "latin1", 3, (21, 15)),
                ("four digits, scale 1", "0 U+263A", 1, (15, 5)), ("four digits, scale 4", "0 U+263A", 4, (60, 20)),
                ("five digits touch at scale 1", "0 U+1F600", 1, (15, 5)),
                ("five digits, scale 2", "0 U+1F600", 2, (19, 5)),
                ("six digits in two lines at scale 1", "0 U+10FFFD", 1, (11, 11))]:
            with self.subTest(name):
                d = fresh("cplabels")
                put(d, "f.fnt", font)
                args = ["--map", cmap if cmap == "latin1" else put(d, "m.txt", (cmap + "\n").encode())]
                code, _, err = celkit(["show", "f.fnt", "-o", "p.png", "--labels", "code-points",
                                       "--scale", str(scale)] + args, d)
                self.assertEqual((code, err), (0, ""))
                im = Image.open(os.path.join(d, "p.png")).convert("RGB")
                grid = (127, 127, 127)
                px = im.load()
                w, h = im.size
                rows = [y for y in range(h) if all(px[x, y] == grid for x in range(w))]
                columns = [x for x in range(w) if all(px[x, y] == grid for y in range(h))]
                self.assertEqual(len(rows), 17)
                self.assertEqual(columns, [k * (16 * scale + 1) for k in range(17)])
                band = rows[1] - rows[0] - 1 - 16 * scale
                label = [(x, y) for y in range(1, band + 1) for x in range(1, 16 * scale + 1) if px[x, y] == grid]
                self.assertEqual((max(x for x, _ in label) - min(x for x, _ in label) + 1,
                                  max(y for _, y in label) - min(y for _, y in label) + 1), size)
                for g in (0, 0x41, 0xFF):
                    x0, y0 = columns[g % 16] + 1, rows[g // 16] + 1 + band
                    got = {(x, y) for y in range(16) for x in range(16)
                           if px[x0 + x * scale, y0 + y * scale] == (0, 0, 0)}
                    self.assertEqual(got, font_ink(font, g), "glyph %02X under its label" % g)

    def test_colours_by_name_or_number(self):
        full = b"\xff" * 8192
        for ink, rgb in [("red", (255, 0, 0)), ("RebeccaPurple", (0x66, 0x33, 0x99)), ("green", (0, 0x80, 0)),
                         ("grey", (0x80, 0x80, 0x80)), ("LightGoldenrodYellow", (0xFA, 0xFA, 0xD2)),
                         ("navy", (0, 0, 0x80)), ("aliceblue", (0xF0, 0xF8, 0xFF)), ("yellowgreen", (0x9A, 0xCD, 0x32)),
                         ("#00ff7f", (0, 0xFF, 0x7F)), ("00FF7F", (0, 0xFF, 0x7F))]:
            with self.subTest(ink):
                d = fresh("colour")
                code, _, err = celkit(["show", put(d, "f.fnt", full), "--text", "A", "-o", "t.png", "--ink", ink,
                                       "--paper", "BLACK"], d)
                self.assertEqual((code, err), (0, ""))
                colours = sorted(c for _, c in Image.open(os.path.join(d, "t.png")).convert("RGB").getcolors())
                self.assertEqual(colours, sorted([rgb, (0, 0, 0)]))
        for bad, output in [("reddish", ["-o", "p.png"]), ("gray50", ["-o", "p.png"]), ("#12345", ["-o", "p.png"]),
                            ("red ", ["-o", "p.png"]), ("reddish", [])]:
            with self.subTest(bad=bad, output=output):
                d = fresh("badcolour")
                code, out, err = celkit(["show", put(d, "f.fnt", full), "--paper", bad] + output, d)
                self.assertEqual((code, out), (2, ""))
                self.assertTrue(err.startswith("celkit: --paper: '%s'" % bad), err)


if __name__ == "__main__":
    base.run_suites(globals())
