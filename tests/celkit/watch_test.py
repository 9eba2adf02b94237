"""celkit watch as a user runs it: started in a scratch folder, the sheet
saved under it by Pillow (in place, or written anew and renamed over), and
stopped with a signal. Its fonts are checked against the build's celpack and
against the sheets' own pixels; every wait is a bounded poll."""
import glob, io, os, re, shutil, signal, subprocess, time, unittest
from PIL import Image

from celkit_test import run_suites
import harness  # noqa: E402 (celkit_test puts it on the path)

ARGS = None
ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
LINE = re.compile(r"^\d\d:\d\d:\d\d sheet\.bmp\.fnt: (.*)$")


def fresh(name):
    path = os.path.join(ARGS.work, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def command(program, args):
    return (["wine", program] if ARGS.wine else [program]) + args


def read(path):
    with open(path, "rb") as f:
        return f.read()


def eventually(check, what):
    """Polls `check` until it gives something true, for up to 20 s."""
    end = time.monotonic() + harness.guard(20)
    while time.monotonic() < end:
        got = check()
        if got:
            return got
        time.sleep(0.05)
    raise AssertionError("waited 20 s for " + what)


def sheet_with(glyphs):
    """A 256 x 256 1-bit sheet: each glyph in `glyphs` gets a pattern of its own."""
    im = Image.new("1", (256, 256), 0)
    for g in glyphs:
        for i in range(16):
            im.putpixel(((g % 16) * 16 + i, (g // 16) * 16 + (g * 7 + i) % 16), 1)
    return im


def font_of(im):
    """What celpack makes of a picture: every pixel not black is set."""
    rgb, out = im.convert("RGB"), bytearray(8192)
    for g in range(256):
        for y in range(16):
            for x in range(16):
                if rgb.getpixel(((g % 16) * 16 + x, (g // 16) * 16 + y)) != (0, 0, 0):
                    out[g * 32 + y * 2 + x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


class Watch:
    """A running `celkit watch`, its output in files (Wine keeps pipes open)."""

    def __init__(self, cwd, args):
        self.out, self.err = os.path.join(cwd, "..", "out.txt"), os.path.join(cwd, "..", "err.txt")
        with open(self.out, "wb") as out, open(self.err, "wb") as err:
            self.process = subprocess.Popen(command(ARGS.celkit, ["watch"] + args), cwd=cwd, stdout=out, stderr=err)

    def lines(self, which):
        return read(which).decode("utf-8").splitlines()

    def status(self, count):
        """The status text of the count-th line, once there is one."""
        got = eventually(lambda: len(self.lines(self.out)) >= count and self.lines(self.out), "status line %d" % count)
        m = LINE.match(got[count - 1])
        assert m, got[count - 1]
        return m.group(1)

    def stop(self, how=signal.SIGINT):
        self.process.send_signal(how)
        return self.process.wait(timeout=harness.guard(60))

    def end(self):
        """Waits for a watch given --count to end by itself; stops it if it does not."""
        try:
            return self.process.wait(timeout=harness.guard(20))
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            raise AssertionError("watch went on past its --count")


class Conversion(unittest.TestCase):
    def test_first_font_is_byte_for_byte_what_celpack_writes(self):
        # `celkit import SHEET --paper 000000` is held to the same promise:
        # celpack's font, or a failure that writes nothing.
        fixtures = sorted(glob.glob(os.path.join(ROOT, "tests", "data", "bmp", "*.bmp")) +
                          glob.glob(os.path.join(ROOT, "tests", "data", "ico", "*.ico")) +
                          [os.path.join(ROOT, "examples", "dejavu-mono.bmp")])
        self.assertGreater(len(fixtures), 20)
        if ARGS.wine:
            # The builds agree on every fixture already (app_builds_agree); under
            # Wine every fourth one shows watch takes celpack's road there too.
            fixtures = fixtures[::4]
        sides = {"watch": ["watch", "sheet.bmp", "--count", "1"],
                 "import": ["import", "sheet.bmp", "--paper", "000000", "-o", "sheet.bmp.fnt"]}
        for fixture in fixtures:
            with self.subTest(fixture=os.path.basename(fixture)):
                d = fresh("first")
                for side in ["celpack"] + list(sides):
                    os.makedirs(os.path.join(d, side))
                    shutil.copy(fixture, os.path.join(d, side, "sheet.bmp"))
                subprocess.run(command(ARGS.celpack, ["sheet.bmp"]), cwd=os.path.join(d, "celpack"),
                               capture_output=True, timeout=harness.guard(60))
                want = os.path.join(d, "celpack", "sheet.bmp.fnt")
                for side, args in sides.items():
                    run = subprocess.run(command(ARGS.celkit, args), cwd=os.path.join(d, side),
                                         capture_output=True, timeout=harness.guard(60))
                    got = os.path.join(d, side, "sheet.bmp.fnt")
                    if os.path.exists(want):
                        self.assertEqual(run.returncode, 0, side)
                        self.assertEqual(read(got), read(want), side)
                        if side == "watch":
                            self.assertEqual(run.stderr, b"")
                            self.assertRegex(run.stdout.decode().replace("\r\n", "\n"), r"^\d\d:\d\d:\d\d sheet\.bmp\.fnt: new font, \d+ glyphs with ink\n$")
                        else:
                            # only warnings: a blank or full font, other colours taken as ink
                            for line in run.stderr.decode().splitlines():
                                self.assertRegex(line, r"^celkit: sheet\.bmp: warning: ")
                    else:
                        self.assertEqual(run.returncode, 1, side)
                        self.assertFalse(os.path.exists(got), side)
                    self.assertEqual(sorted(os.listdir(os.path.join(d, side))), sorted(os.listdir(os.path.join(d, "celpack"))))

    def test_in_a_terminal_the_chart_comes_before_each_status_line(self):
        if ARGS.wine:
            self.skipTest("a console under Wine is no tmux pane")
        d = fresh("terminal")
        sheet_with([0x00, 0x41, 0xFF]).save(os.path.join(d, "sheet.bmp"), "BMP")
        tmux = ["tmux", "-u", "-S", os.path.join(d, "..", "tmux.sock"), "-f", "/dev/null"]
        env = dict(os.environ, LANG="C.UTF-8", LC_ALL="C.UTF-8")
        subprocess.run(tmux + ["new-session", "-d", "-x", "80", "-y", "40", "-c", d,
                               "%s watch sheet.bmp --count 1; echo END-OF-WATCH; sleep 60" % ARGS.celkit],
                       env=env, check=True)
        try:
            subprocess.run(tmux + ["set-option", "-g", "history-limit", "5000"], env=env, check=True)
            pane = eventually(lambda: (lambda p: "END-OF-WATCH" in p and p)(subprocess.run(
                tmux + ["capture-pane", "-p", "-J", "-S", "-", "-E", "-"], env=env, check=True,
                stdout=subprocess.PIPE).stdout.decode("utf-8")), "the watch in the pane")
        finally:
            subprocess.run(tmux + ["kill-server"], env=env)
        lines = [line.rstrip() for line in pane[:pane.index("END-OF-WATCH")].splitlines()]
        self.assertRegex(lines[-1], LINE)
        shown = subprocess.run([ARGS.celkit, "show", "sheet.bmp.fnt"], cwd=d, check=True,
                               stdout=subprocess.PIPE).stdout.decode("utf-8")
        chart = [line.rstrip() for line in shown.splitlines()]
        self.assertEqual(lines[-1 - len(chart):-1], chart)

    def test_refusals(self):
        for name, content, args, code, message in [
                ("png", "png", ["sheet.bmp", "--count", "1"], 1, "sheet.bmp: a PNG picture; celpack reads only BMP and ICO"),
                ("text", b"not a picture", ["sheet.bmp", "--count", "1"], 1, "sheet.bmp: not a BMP or ICO picture"),
                ("stdin", None, ["-"], 2, "standard input cannot be watched"),
                ("directory", None, ["."], 1, ".: is a directory; watch takes a sheet"),
                ("preview", None, ["sheet.bmp", "-o", "p.gif"], 2, "p.gif: a preview is a .png or .bmp picture"),
                ("no conversions", None, ["sheet.bmp", "--count", "0"], 2, "--count: '0' is no count; give a whole"),
                ("a count not a number", None, ["sheet.bmp", "--count", "-3"], 2, "--count: '-3' is no count"),
                ("sheet as preview", "bmp", ["sheet.bmp", "-o", "sheet.bmp", "--count", "1"], 1,
                 "sheet.bmp: is the same file as the sheet sheet.bmp")]:
            with self.subTest(name):
                d = fresh("refusals")
                if content in ("png", "bmp"):
                    sheet_with([0x41]).save(os.path.join(d, "sheet.bmp"), content.upper())
                elif content:
                    open(os.path.join(d, "sheet.bmp"), "wb").write(content)
                run = subprocess.run(command(ARGS.celkit, ["watch"] + args), cwd=d, capture_output=True, timeout=harness.guard(60))
                self.assertEqual(run.returncode, code)
                err = run.stderr.decode()
                self.assertEqual(len(err.splitlines()), 1, err)
                self.assertTrue(err.startswith("celkit: ") and message in err, err)
                self.assertFalse(os.path.exists(os.path.join(d, "sheet.bmp.fnt")))


class Saves(unittest.TestCase):
    def save(self, d, im, how):
        data = io.BytesIO()
        im.save(data, "BMP")
        data = data.getvalue()[:40] if how == "broken" else data.getvalue()  # broken: cut short
        path = os.path.join(d, "sheet.bmp")
        with open(path + ".new" if how == "rename" else path, "r+b" if how != "rename" else "wb") as f:
            f.truncate(0)  # in place: the same inode, rewritten
            f.write(data)
        if how == "rename":
            os.replace(path + ".new", path)

    def test_each_save_converts_once_and_names_the_changed_glyphs(self):
        d = fresh("saves/dir")
        sheet_with([0x20, 0x41]).save(os.path.join(d, "sheet.bmp"))
        # Six conversions: the first and one per save. Ending by --count keeps
        # the signal, whose handling under Wine has a test of its own, out of it.
        watch = Watch(d, ["sheet.bmp", "-o", "preview.png", "--count", "6"])
        try:
            self.assertEqual(watch.status(1), "new font, 2 glyphs with ink")
            lines, errors = 1, 0
            font = read(os.path.join(d, "sheet.bmp.fnt"))
            for how, glyphs, status in [
                    ("in place", [0x20, 0x41, 0x42, 0x61], "2 glyphs changed: 0x42 0x61"),
                    ("rename", [0x20, 0x41, 0x42], "1 glyph changed: 0x61"),
                    ("in place", [0x20, 0x41, 0x42], "no glyph changed"),
                    ("broken", [0xFF], None),
                    ("rename", [0x41, 0x42, 0xFF], "2 glyphs changed: 0x20 0xFF")]:
                with self.subTest(how=how, status=status):
                    im = sheet_with(glyphs).convert("RGB") if how == "rename" else sheet_with(glyphs)
                    self.save(d, im, how)
                    if status is None:
                        errors += 1
                        got = eventually(lambda: len(watch.lines(watch.err)) >= errors and watch.lines(watch.err),
                                         "the error line")
                        self.assertTrue(got[-1].startswith("celkit: sheet.bmp: "), got)
                        time.sleep(0.3)  # a second line would be a fault
                        self.assertEqual(len(watch.lines(watch.err)), errors)
                        self.assertEqual(read(os.path.join(d, "sheet.bmp.fnt")), font)
                        continue
                    lines += 1
                    self.assertEqual(watch.status(lines), status)
                    font = read(os.path.join(d, "sheet.bmp.fnt"))
                    self.assertEqual(font, font_of(im))
                    reference = subprocess.run(command(ARGS.celkit, ["show", "sheet.bmp.fnt", "-o", "../ref.png"]), cwd=d,
                                               capture_output=True, timeout=harness.guard(60))
                    self.assertEqual(reference.returncode, 0)
                    self.assertEqual(read(os.path.join(d, "preview.png")), read(os.path.join(d, "..", "ref.png")))
        finally:
            code = watch.end()
        self.assertEqual(code, 0)
        self.assertEqual(len(watch.lines(watch.out)), lines, "one line per save")
        self.assertEqual(len(watch.lines(watch.err)), errors)

    def test_a_signal_ends_it_with_status_0_and_no_temporary_file(self):
        # Under Wine SIGINT is the console's Ctrl-C; a Windows program has no SIGTERM.
        for how in [signal.SIGINT] + ([] if ARGS.wine else [signal.SIGTERM]):
            with self.subTest(signal=how):
                d = fresh("signal/dir")
                sheet_with([0x41]).save(os.path.join(d, "sheet.bmp"))
                watch = Watch(d, ["sheet.bmp"])
                watch.status(1)
                # A save and the signal close together: the font is old or new, never torn.
                sheet_with([0x42]).save(os.path.join(d, "sheet.bmp"))
                self.assertEqual(watch.stop(how), 0)
                self.assertEqual(sorted(os.listdir(d)), ["sheet.bmp", "sheet.bmp.fnt"])
                self.assertIn(read(os.path.join(d, "sheet.bmp.fnt")),
                              [font_of(sheet_with([0x41])), font_of(sheet_with([0x42]))])


    def test_a_sheet_missing_at_the_start_is_converted_once_saved(self):
        d = fresh("missing/dir")
        watch = Watch(d, ["sheet.bmp", "--count", "2"])
        try:
            err = eventually(lambda: watch.lines(watch.err), "the missing sheet's line")
            self.assertEqual(len(err), 1)
            self.assertTrue(err[0].startswith("celkit: sheet.bmp: cannot open: "), err)
            sheet_with([0x41, 0x7E]).save(os.path.join(d, "sheet.bmp"))
            self.assertEqual(watch.status(1), "new font, 2 glyphs with ink")
            self.assertEqual(read(os.path.join(d, "sheet.bmp.fnt")), font_of(sheet_with([0x41, 0x7E])))
        finally:
            self.assertEqual(watch.end(), 0)

if __name__ == "__main__":
    run_suites(globals())
