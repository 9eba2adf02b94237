"""Every console font of the system that celkit can hold (256 glyphs of at
most 16 x 16) through import and export with its own Unicode table as the
map, judged by kbd: psfgettable gives the same table, psfxtable reads the
result and writes it back unchanged, and a PSF1 of 16 rows comes back byte
for byte. Glyph bitmaps are compared by this script's own PSF reader."""
import gzip, os, shutil, struct, time, unittest

from celkit_test import run_suites
import harness  # noqa: E402 (celkit_test puts it on the path)

ARGS = None
FONTS = "/usr/share/consolefonts"


def read_psf(data):
    """(version, count, width, height, glyph rows as lists of ints, has table)."""
    if data[:2] == b"\x36\x04":
        mode, height = data[2], data[3]
        count, width, row_bytes, start, table = (512 if mode & 1 else 256), 8, 1, 4, bool(mode & 6)
        version = 1
    elif data[:4] == b"\x72\xb5\x4a\x86":
        _, start, flags, count, size, height, width = struct.unpack("<7I", data[4:32])
        row_bytes, table, version = (width + 7) // 8, bool(flags & 1), 2
    else:
        return None
    size = height * row_bytes
    glyphs = [[int.from_bytes(data[start + g * size + y * row_bytes:start + g * size + (y + 1) * row_bytes], "big")
               << (16 - 8 * row_bytes) for y in range(height)] for g in range(count)]
    return version, count, width, height, glyphs, table


def run(args, cwd):
    code, _, err = harness.run(args, cwd, 60, env=dict(os.environ, HOME=cwd))
    return code, err.decode("utf-8", "replace")


def table(cwd, name):
    code, err = run(["psfgettable", name, name + ".txt"], cwd)
    assert code == 0, err
    return [line for line in open(os.path.join(cwd, name + ".txt")) if not line.startswith("#")]


class Sweep(unittest.TestCase):
    def test_console_fonts_come_back(self):
        start = time.monotonic()
        counts = {"checked": 0, "byte-identical PSF1": 0, "skipped: not 256 glyphs": 0,
                  "skipped: larger than 16 x 16": 0}
        for name in sorted(os.listdir(FONTS)):
            path = os.path.join(FONTS, name)
            if not os.path.isfile(path):
                continue
            data = open(path, "rb").read()
            if data[:2] == b"\x1f\x8b":
                data = gzip.decompress(data)
            font = read_psf(data)
            if font is None:
                continue
            version, count, width, height, glyphs, has_table = font
            if count != 256:
                counts["skipped: not 256 glyphs"] += 1
                continue
            if width > 16 or height > 16:
                counts["skipped: larger than 16 x 16"] += 1
                continue
            with self.subTest(name):
                self.check(name, path, data, font)
                counts["checked"] += 1
                counts["byte-identical PSF1"] += version == 1 and height == 16
        print("\n%s in %.1f s" % (", ".join("%s %d" % item for item in counts.items()),
                                  time.monotonic() - start))
        self.assertGreater(counts["checked"], 0, "no console font of 256 glyphs was found")

    def check(self, name, path, data, font):
        version, _, width, height, glyphs, has_table = font
        d = os.path.join(ARGS.work, "font")
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        open(os.path.join(d, "orig.psf"), "wb").write(data)
        mapping = ["--map", path] if has_table else []
        for args in [["import", path, "-o", "x.fnt"], ["export", "x.fnt", "--width", "auto", "-o", "y.psf"]]:
            code, err = run([ARGS.celkit] + args + mapping, d)
            self.assertEqual(code, 0, err)
        out = open(os.path.join(d, "y.psf"), "rb").read()
        got = read_psf(out)
        # Ink narrower than 8 columns makes an 8-wide font; the source's version stays.
        self.assertEqual(got[:4], (version if width <= 8 else 2, 256, 8 if width <= 8 else 16, 16))
        for g in range(256):
            want = [row >> (16 - width) << (16 - width) for row in glyphs[g]] + [0] * (16 - height)
            self.assertEqual(got[4][g], want, "glyph %d" % g)
        if has_table:
            self.assertEqual(table(d, "y.psf"), table(d, "orig.psf"))
        if version == 1 and height == 16:
            self.assertEqual(out, data, "PSF1 byte for byte")
        # kbd reads what celkit wrote and writes it back as it was.
        code, err = run(["psfxtable", "-i", "y.psf", "-o", "kbd.psf"], d)
        self.assertEqual(code, 0, err)
        self.assertEqual(open(os.path.join(d, "kbd.psf"), "rb").read(), out)


if __name__ == "__main__":
    run_suites(globals())
