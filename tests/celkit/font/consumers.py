"""Font files celkit writes, read back by programs other projects wrote, and
fonts those projects ship, read by celkit and checked against what FreeType
or the file itself says.

usage: consumers.py FONT_TOOL FREETYPE_RENDER SOURCE_DIR WORK_DIR CELKIT [--sanitized]
Exits 77 (skipped) when a consumer program or font package is missing.
"""
import collections
import gzip
import io
import os
import re
import shutil
import struct
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
import harness  # noqa: E402

harness.SANITIZED = "--sanitized" in sys.argv[6:]

tool, render, source, work, celkit = (os.path.abspath(a) for a in sys.argv[1:6])
os.makedirs(work, exist_ok=True)
os.chdir(work)

FONT = os.path.join(source, "examples", "dejavu-mono.expected.fnt")
MISC = "/usr/share/fonts/X11/misc"
NEEDED = ["psfxtable", "bdftopcf", "fc-query", "pcf2bdf", "mkfontdir", "gcc", "g++",
          "i686-w64-mingw32-gcc-posix", "/usr/share/unifont/unifont.hex",
          MISC + "/unifont.pcf.gz", MISC + "/9x15.pcf.gz", MISC + "/10x20.pcf.gz",
          MISC + "/6x13.pcf.gz", MISC + "/9x15B.pcf.gz", MISC + "/8x13B-ISO8859-1.pcf.gz",
          MISC + "/7x14-KOI8-R.pcf.gz", MISC + "/12x13ja.pcf.gz",
          "/usr/share/consolefonts/Lat15-Fixed16.psf.gz",
          "/usr/share/consolefonts/Unifont-APL8x16.psf.gz",
          "/usr/share/consolefonts/Uni2-Fixed16.psf.gz",
          "/usr/share/consolefonts/Lat15-Terminus12x6.psf.gz", "ots-sanitize",
          "/usr/share/fonts/opentype/unifont/unifont.otf",
          "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"]
missing = [n for n in NEEDED if not (os.path.exists(n) or shutil.which(n))]
for module in ("fontTools", "PIL"):
    try:
        __import__(module)
    except ImportError:
        missing.append(module)
if missing:
    print("skipped: missing " + ", ".join(missing))
    sys.exit(77)
from fontTools.pens.areaPen import AreaPen  # noqa: E402 (after the check that they are there)
from fontTools.pens.recordingPen import RecordingPen  # noqa: E402
from fontTools.ttLib import TTFont  # noqa: E402
from fontTools.ttLib.tables.DefaultTable import DefaultTable  # noqa: E402
from PIL import Image, ImageDraw, ImageFont  # noqa: E402

failures = []


def check(name, ok, detail=""):
    print(("ok   " if ok else "FAIL ") + name + (": " + detail if detail and not ok else ""))
    if not ok:
        failures.append(name)


def run(*args, check=False):
    """The harness's run in the work folder; a failure raises when `check`."""
    r = harness.run(list(args), work, 60, spill=work)
    if check and r.returncode != 0:
        raise subprocess.CalledProcessError(r.returncode, list(args), r.stdout, r.stderr)
    return r


def read(path):
    with open(path, "rb") as f:
        return f.read()


def map_codes(name):
    """Each glyph's code points from the map's text form, as the tool writes it."""
    text = run(tool, "maptext", name, check=True).stdout.decode()
    codes = []
    for line in text.splitlines():
        if line.startswith("#"):
            continue
        codes.append([int(c[2:], 16) for c in line.split("\t", 1)[1].split()])
    assert len(codes) == 256
    return codes


def first_diff(a, b):
    if len(a) != len(b):
        return "%d bytes against %d" % (len(a), len(b))
    for i in range(len(a)):
        if a[i] != b[i]:
            return "glyph 0x%02X differs (byte %d)" % (i // 32, i % 32)
    return ""


def inked(font):
    """Glyphs with ink: a comparison of two near-empty fonts proves nothing."""
    return sum(1 for g in range(256) if any(font[g * 32:(g + 1) * 32]))


def freetype(font, codes, out, *size):
    with open("codes.txt", "w") as f:
        f.write("".join("%X\n" % c for c in codes))
    r = run(render, font, "codes.txt", out, *size)
    return r.returncode == 0, (r.stderr or r.stdout).decode()


def cell_font(glyphs):
    """A .fnt from {slot: (width, height, rows of bytes)}: top left of each cell."""
    out = bytearray(8192)
    for slot, (width, height, rows) in glyphs.items():
        stride = (width + 7) // 8
        for y in range(height):
            for x in range(width):
                if rows[y * stride + x // 8] & (0x80 >> (x % 8)):
                    out[slot * 32 + y * 2 + x // 8] |= 0x80 >> (x % 8)
    return bytes(out)


def psf_glyphs_by_codepoint(data):
    """PSF1 or PSF2 read straight from the file's layout."""
    if data[:2] == b"\x36\x04":
        mode, height = data[2], data[3]
        count, width, size, offset = (512 if mode & 1 else 256), 8, height, 4
        table = data[offset + count * size:]
        entries, i = [], 0
        for _ in range(count):
            cps, seq = [], False
            while True:
                (u,) = struct.unpack_from("<H", table, i)
                i += 2
                if u == 0xFFFF:
                    break
                if u == 0xFFFE:
                    seq = True
                elif not seq:
                    cps.append(u)
            entries.append(cps)
    else:
        _, _, offset, flags, count, size, height, width = struct.unpack_from("<8I", data)
        assert flags & 1
        entries = []
        for entry in data[offset + count * size:].split(b"\xff")[:count]:
            entries.append([ord(c) for c in entry.split(b"\xfe")[0].decode("utf-8")])
    by_cp = {}
    for g, cps in enumerate(entries):
        rows = data[offset + g * size: offset + (g + 1) * size]
        for cp in cps:
            by_cp.setdefault(cp, (width, height, rows))
    return by_cp


def pick(by_cp, codes):
    glyphs = {}
    for slot, cps in enumerate(codes):
        for cp in cps:
            if cp in by_cp:
                glyphs[slot] = by_cp[cp]
                break
    return cell_font(glyphs)


fnt = read(FONT)
cp437 = map_codes("cp437")
main = [c[0] for c in cp437]

# A map of its own: several code points for a glyph, glyphs with none, one
# given twice (later glyphs keep theirs, as the file says).
with open("own.map", "w") as f:
    f.write("# own map\n0x00-0x1f idem\n0x20-0x7e U+0020-U+007e\n0x41 U+0391 U+0410\n"
            "0x80 U+20AC\n0x81 U+20AC U+00A3\n0xff U+2588\n")
own = map_codes("own.map")

# PSF2: the console tools read the table back, and a font they rebuild from
# it is byte for byte celkit's.
for name, codes in (("cp437", cp437), ("own.map", own)):
    r = run(tool, "export", FONT, "out.psf", name)
    check("psf export " + name, r.returncode == 0, r.stderr.decode())
    r = run("psfxtable", "-i", "out.psf", "-ot", "table.txt")
    check("psfxtable reads the table (%s)" % name, r.returncode == 0, r.stderr.decode())
    table = [l for l in open("table.txt").read().splitlines() if not l.startswith("#")]
    back = [[int(c[2:], 16) for c in l.split("\t", 1)[1].split()] for l in table]
    check("psfxtable's table is the map (%s)" % name, back == codes)
    psf = read("out.psf")
    bare = bytearray(psf[:32 + 8192])
    bare[12] = 0  # no table
    open("bare.psf", "wb").write(bare)
    r = run("psfxtable", "-i", "bare.psf", "-it", "table.txt", "-o", "rebuilt.psf")
    check("psfxtable rebuilds celkit's PSF byte for byte (%s)" % name,
          r.returncode == 0 and read("rebuilt.psf") == psf, r.stderr.decode())
    check("PSF glyphs are the font (%s)" % name, psf[32:32 + 8192] == fnt)

# The cells the bitmap formats are written in: the sample 16 wide, two
# console fonts 8 wide (Terminus's capitals end on row 11, Fixed's on 13),
# and a baseline given. The baseline, unless given, lies under the row most
# capitals end on (the lower on a tie); FreeType's ascent must be it.
def found_ascent(font, codes):
    ending = {}
    for c in range(ord("A"), ord("Z") + 1):
        g = next((g for g in range(256) if codes[g][:1] == [c]), None)
        if g is None:
            g = next((g for g in range(256) if c in codes[g]), None)
        rows = [y for y in range(16) if g is not None and any(font[g * 32 + y * 2:g * 32 + y * 2 + 2])]
        if rows:
            ending[rows[-1] + 1] = ending.get(rows[-1] + 1, 0) + 1
    return max(ending, key=lambda a: (ending[a], a)) if ending else 14


for name in ("Lat15-Terminus16", "Lat15-Fixed16"):
    run(tool, "import", "/usr/share/consolefonts/%s.psf.gz" % name, name + ".fnt", check=True)
Cell = collections.namedtuple("Cell", "label path font width baseline ascent")
cells = []
for label, path, width, baseline in (("", FONT, 16, None), (" (8 wide)", "Lat15-Terminus16.fnt", 8, None),
                                     (" (8 wide, ascent 14)", "Lat15-Fixed16.fnt", 8, None),
                                     (" (baseline 13 given)", FONT, 16, 13)):
    font = read(path)
    cells.append(Cell(label, path, font, width, baseline, baseline or found_ascent(font, cp437)))
check("the cells' fonts fit their widths, with baselines of 12 and 14", [c.ascent for c in cells] == [12, 12, 14, 13]
      and all(inked(c.font) > 150 and not any(c.font[1::2]) for c in cells if c.width == 8),
      str([c.ascent for c in cells]))


def export(cell, out, *more):
    """celkit's export of the cell's font, through the font library."""
    size = [str(cell.width)] + ([str(cell.baseline)] if cell.baseline else [])
    return run(tool, "export", cell.path, out, "cp437", "Celkit Test", *size, *more)


def freetype_agrees(what, font_file, cell, codes, expected, *size):
    """FreeType draws every glyph as expected, advanced by the cell's width, its ascent the cell's."""
    ok, detail = freetype(font_file, codes, "rendered.fnt", *size)
    got = read("rendered.fnt") if ok else b""
    check("FreeType renders all 256 glyphs of %s%s" % (what, cell.label), ok and got == expected,
          detail + first_diff(got, expected))
    check("FreeType's ascent and advance in %s%s" % (what, cell.label),
          "ascent %d\nadvances %d\n" % (cell.ascent, cell.width) in detail, detail)
    return detail


for cell in cells:
    # BDF: bdftopcf converts it silently; FreeType renders every glyph from
    # the BDF and from the PCF exactly as the .fnt holds it; fontconfig names it.
    r = export(cell, "out.bdf")
    check("bdf export" + cell.label, r.returncode == 0, r.stderr.decode())
    r = run("bdftopcf", "-o", "out.pcf", "out.bdf")
    check("bdftopcf converts with an empty standard error" + cell.label, r.returncode == 0 and not r.stderr,
          r.stderr.decode())
    for font in ("out.bdf", "out.pcf"):
        freetype_agrees(font, font, cell, main, cell.font)
        q = run("fc-query", font).stdout.decode()
        check("fc-query on %s%s" % (font, cell.label), '"Celkit Test"' in q and re.search(r"pixelsize: 16\(f\)", q)
              and re.search(r"spacing: 110\(i\)", q), q)

    # PCF: FreeType renders celkit's as the .fnt; its glyphs, metrics and
    # encodings are those bdftopcf makes of celkit's BDF (pcf2bdf shows both;
    # bdftopcf adds properties it computes); every layout bdftopcf can write
    # (byte and bit order, row padding, scan unit) imports as the .fnt.
    r = export(cell, "out.pcf")
    check("pcf export" + cell.label, r.returncode == 0, r.stderr.decode())
    freetype_agrees("celkit's PCF", "out.pcf", cell, main, cell.font)
    q = run("fc-query", "out.pcf").stdout.decode()
    check("fc-query on celkit's PCF" + cell.label, '"Celkit Test"' in q and "pixelsize: 16(f)" in q
          and "spacing: 110(i)" in q, q)
    os.makedirs("xdir", exist_ok=True)
    shutil.copy("out.pcf", "xdir/celkit.pcf")
    r = run("mkfontdir", "xdir")
    listed = read("xdir/fonts.dir").decode().splitlines() if r.returncode == 0 else []
    check("mkfontdir lists celkit's PCF by its XLFD name" + cell.label, listed == [
        "1", "celkit.pcf -celkit-celkit test-medium-r-normal--16-160-75-75-c-%d-iso10646-1" % (10 * cell.width)],
        str(listed))
    computed = re.compile(r"^(WEIGHT|X_HEIGHT|QUAD_WIDTH|RESOLUTION|STARTPROPERTIES) ", re.M)
    run("bdftopcf", "-o", "theirs.pcf", "out.bdf", check=True)
    ours, theirs = (computed.sub("#", run("pcf2bdf", f).stdout.decode()) for f in ("out.pcf", "theirs.pcf"))
    ours, theirs = ([l for l in t.splitlines() if l[:1] != "#"] for t in (ours, theirs))
    check("pcf2bdf reads celkit's PCF as bdftopcf's of celkit's BDF" + cell.label,
          len(ours) > 2000 and ours == theirs, "\n".join(l for l in set(ours) ^ set(theirs))[:400])
    # (A row of one byte in a scan unit of more, its byte order not its bit
    # order, FreeType reads swapped, as celkit does.)
    for layout in (["-p1", "-u1", "-l", "-L"], ["-p2", "-u2", "-l", "-M"], ["-p4", "-u4", "-m", "-L"],
                   ["-p4", "-u4", "-l", "-M"], ["-p1", "-u2", "-m", "-M"]):
        run("bdftopcf", *layout, "-o", "layout.pcf", "out.bdf", check=True)
        r = run(tool, "import", "layout.pcf", "round.fnt")
        got = read("round.fnt") if r.returncode == 0 else b""
        ok, detail = freetype("layout.pcf", main, "rendered.fnt")
        expected = cell.font if cell.width == 16 or layout[0] == "-p1" else read("rendered.fnt")
        check("import of bdftopcf %s%s" % (" ".join(layout), cell.label),
              ok and got == expected and read("rendered.fnt") in (cell.font, got),
              r.stderr.decode() + detail + first_diff(got, expected))

    # OpenType bitmap: FreeType's strike is the .fnt; fontconfig takes it as a
    # monospaced bitmap font of 16 pixels.
    r = export(cell, "out.otb")
    check("otb export" + cell.label, r.returncode == 0, r.stderr.decode())
    freetype_agrees("celkit's .otb", "out.otb", cell, main, cell.font)
    q = run("fc-query", "out.otb").stdout.decode()
    check("fc-query on celkit's .otb" + cell.label, '"Celkit Test"' in q and "scalable: False" in q
          and "spacing: 100(i)" in q and "pixelsize: 16(f)" in q, q)

    # Every format celkit both writes and reads gives the cell's font back,
    # and so does the .otb as fontforge writes it: an empty 'glyf' and a
    # 2-byte 'loca' beside the strike.
    for ext in ("bdf", "pcf", "otb", "ttf", "fon", "ff.otb"):
        export(cell, "round." + ext)
        if ext == "ff.otb":
            otb = TTFont("round.ff.otb")
            for tag, stub in (("glyf", b""), ("loca", b"\0\0")):
                otb[tag] = DefaultTable(tag)
                otb[tag].data = stub
            otb.save("round.ff.otb")
        r = run(tool, "import", "round." + ext, "round.fnt")
        got = read("round.fnt") if r.returncode == 0 else b""
        check("import of celkit's .%s%s" % (ext, cell.label), got == cell.font, r.stderr.decode() + first_diff(got, cell.font))

# TrueType: the sanitizer passes it; fontTools reads every table, finds the
# bounds and extents it would compute itself, and outlines that are the ink
# exactly (each edge with ink on its right and none on its left, every cell's
# winding number -1 on ink and 0 elsewhere, the signed areas summing to the
# ink, one contour per connected piece of boundary); FreeType at 16 pixels in
# monochrome and Pillow draw the .fnt; fontconfig takes it as monospaced.
# (Wine's GDI draws it in ttf_gdi_win32_test.cpp.)
def boundary_pieces(ink):
    """Connected pieces of the boundary between ink and blank, as a union of lattice points."""
    parent = {}

    def find(p):
        while parent.setdefault(p, p) != p:
            p = parent[p]
        return p
    for (x, y) in ink:
        for (nx, ny), a, b in (((x - 1, y), (x, y), (x, y + 1)), ((x + 1, y), (x + 1, y), (x + 1, y + 1)),
                               ((x, y - 1), (x, y), (x + 1, y)), ((x, y + 1), (x, y + 1), (x + 1, y + 1))):
            if (nx, ny) not in ink:
                parent[find(a)] = find(b)
    return len({find(p) for p in parent})


def outline_faults(glyph_set, name, ink, ascent):
    """What is wrong with a glyph's outline against its ink {(x, row)}, the baseline ascent rows down, else ""."""
    pen = RecordingPen()
    glyph_set[name].draw(pen)
    contours = []
    for op, args in pen.value:
        if op == "moveTo":
            contours.append([args[0]])
        elif op == "lineTo":
            contours[-1].append(args[0])
        elif op != "closePath":
            return "a curve (%s)" % op
    winding = {}
    for points in contours:
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            if (x0 % 64, y0 % 64, x1 % 64, y1 % 64) != (0, 0, 0, 0) or (x0 != x1 and y0 != y1):
                return "an edge off the pixel grid: %s to %s" % ((x0, y0), (x1, y1))
            dx, dy = (x1 > x0) - (x1 < x0), (y1 > y0) - (y1 < y0)
            for step in range(max(abs(x1 - x0), abs(y1 - y0)) // 64):
                # Centre of the unit edge, then the cells on its right and its left (rows from the top).
                cx, cy = x0 + dx * (64 * step + 32), y0 + dy * (64 * step + 32)
                right = (cx + 32 * dy, cy - 32 * dx)
                left = (cx - 32 * dy, cy + 32 * dx)
                as_cell = lambda p: (int(p[0] // 64), ascent - 1 - int(p[1] // 64))
                if as_cell(right) not in ink or as_cell(left) in ink:
                    return "an edge at %s without ink on its right only" % ((cx, cy),)
                if dy:  # a ray to the left from each cell centre in this row crosses it
                    row = ascent - 1 - int(cy // 64)
                    for col in range(int(cx // 64), 16):
                        winding[col, row] = winding.get((col, row), 0) - dy
    filled = {c for c, w in winding.items() if w}
    if filled != ink or any(w not in (0, -1) for w in winding.values()):
        return "filled cells are not the ink"
    area = AreaPen(glyph_set)
    glyph_set[name].draw(area)
    if area.value != -64 * 64 * len(ink):
        return "signed area %d for %d pixels" % (area.value, len(ink))
    if len(contours) != boundary_pieces(ink):
        return "%d contours for %d pieces of boundary" % (len(contours), boundary_pieces(ink))
    return ""


def ttf_checks(path, font, codes, cell):
    name = path + cell.label
    r = run("ots-sanitize", path, "sanitized.ttf")
    check("ots-sanitize passes " + name, r.returncode == 0, (r.stdout + r.stderr).decode())
    tt = TTFont(path, recalcBBoxes=False)
    tags = sorted(tt.reader.keys())
    for tag in tags:
        tt[tag]
    check("fontTools reads every table of " + name, tags == sorted(
        ["OS/2", "cmap", "gasp", "glyf", "head", "hhea", "hmtx", "loca", "maxp", "name", "post", "prep"]),
        str(tags))
    again = io.BytesIO()
    TTFont(path).save(again)  # recomputing bounds, extents and maxima
    redone = TTFont(again)
    fields = [("head", "xMin"), ("head", "yMin"), ("head", "xMax"), ("head", "yMax"),
              ("hhea", "advanceWidthMax"), ("hhea", "minLeftSideBearing"), ("hhea", "minRightSideBearing"),
              ("hhea", "xMaxExtent"), ("maxp", "maxPoints"), ("maxp", "maxContours")]
    ours = [getattr(tt[t], f) for t, f in fields] + [tt["OS/2"].getUnicodeRanges()]
    theirs = [getattr(redone[t], f) for t, f in fields] + [redone["OS/2"].recalcUnicodeRanges(redone)]
    check("fontTools computes the bounds, extents and Unicode ranges of %s as written" % name,
          ours == theirs, "%s against %s" % (ours, theirs))
    cmap, glyph_set = tt.getBestCmap(), tt.getGlyphSet()
    faults = []
    for g, code in enumerate(codes):
        ink = {(x, y) for y in range(16) for x in range(16) if font[g * 32 + y * 2 + x // 8] & (0x80 >> (x % 8))}
        fault = outline_faults(glyph_set, cmap[code], ink, cell.ascent) if code in cmap else "no glyph"
        if fault:
            faults.append("glyph 0x%02X: %s" % (g, fault))
    check("fontTools finds each outline of %s the ink, without overlaps" % name, not faults, "; ".join(faults[:3]))
    freetype_agrees(path + " in monochrome at 16 pixels", path, cell, codes, font)
    hhea, post, os2 = tt["hhea"], tt["post"], tt["OS/2"]
    check("%s is monospaced, advanced by the cell's width" % name, hhea.numberOfHMetrics == 1 and post.isFixedPitch
          and os2.panose.bProportion == 9 and hhea.advanceWidthMax == os2.xAvgCharWidth == 64 * cell.width,
          "%d %d %d" % (hhea.numberOfHMetrics, hhea.advanceWidthMax, os2.xAvgCharWidth))


for cell in cells:
    r = export(cell, "out.ttf")
    check("ttf export" + cell.label, r.returncode == 0, r.stderr.decode())
    ttf_checks("out.ttf", cell.font, main, cell)
    q = run("fc-query", "out.ttf").stdout.decode()
    check("fc-query on celkit's .ttf" + cell.label, '"Celkit Test"' in q and "scalable: True" in q
          and "outline: True" in q and "spacing: 100(i)" in q, q)
    drawable = [g for g in range(0x21, 0x100) if g != 0x7F]
    w = cell.width
    picture = Image.new("1", (w * len(drawable), 16), 0)
    ImageDraw.Draw(picture).text((0, 0), "".join(chr(main[g]) for g in drawable), fill=1,
                                 font=ImageFont.truetype("out.ttf", 16))
    wrong = ["0x%02X" % g for i, g in enumerate(drawable) if any(
        bool(picture.getpixel((w * i + x, y))) != bool(cell.font[g * 32 + y * 2 + x // 8] & (0x80 >> (x % 8)))
        for y in range(16) for x in range(w))]
    check("Pillow draws a line of celkit's .ttf as the glyphs" + cell.label, inked(cell.font) > 150 and not wrong,
          " ".join(wrong[:8]))
run(tool, "export", FONT, "out.ttf", "cp437", "Celkit Test", check=True)

# Shapes of every kind, and a code beyond the first plane (format 12 only then).
shapes = bytearray(8192)
for g in range(256):
    for y in range(16):
        for x in range(16):
            if (x * (g % 7 + 1) + y * (g // 7 + 3) + (x ^ y) * g) % (g % 5 + 2) == 0:
                shapes[g * 32 + y * 2 + x // 8] |= 0x80 >> (x % 8)
shapes[0:32] = b"\xff" * 32
shapes[32:64] = b"\xaa\xaa\x55\x55" * 8  # a checkerboard: one contour touching itself everywhere
open("shapes.fnt", "wb").write(bytes(shapes))
with open("astral.map", "w") as f:
    f.write("0x00-0x40 idem\n0x41 U+1F600\n0x42-0xff idem\n")
r = run(tool, "export", "shapes.fnt", "shapes.ttf", "astral.map", "Shapes")
astral = [c[0] for c in map_codes("astral.map")]
check("ttf export of shapes", r.returncode == 0, r.stderr.decode())
ttf_checks("shapes.ttf", bytes(shapes), astral,
           Cell("", "shapes.fnt", bytes(shapes), 16, None, found_ascent(bytes(shapes), map_codes("astral.map"))))
formats = [sorted(t.format for t in TTFont(f)["cmap"].tables) for f in ("out.ttf", "shapes.ttf")]
check("cmap formats 4 alone, and 4 and 12 for a code beyond the first plane",
      formats == [[4, 4], [4, 4, 12, 12]], str(formats))
# Every code point of the map leads to its glyph: the first code no earlier
# glyph took (else U+F000 + glyph), then the others no glyph has yet.
run(tool, "export", FONT, "own.ttf", "own.map", check=True)
owner, main_codes = {}, []
for g, cps in enumerate(own):
    main_codes.append(next((c for c in cps if c not in main_codes), 0xF000 + g))
for g, c in enumerate(main_codes):
    while c in owner:
        c += 0x100
    owner[c] = g
for g, cps in enumerate(own):
    for c in cps:
        owner.setdefault(c, g)
tt = TTFont("own.ttf")
order = tt.getGlyphOrder()
got = {c: order.index(n) - 1 for c, n in tt.getBestCmap().items()}
check("the .ttf's cmap holds every code point of the map", got == owner and len(got) > 256,
      str(set(got.items()) ^ set(owner.items()))[:300])

# Windows raster font: FreeType's winfnt driver draws each code as the .fnt
# holds it and reads the charset of the map's code page; fontconfig lists
# it as a 16-pixel monospaced Windows FNT. (Wine's GDI draws it in
# fon_gdi_win32_test.cpp.)
charsets = (("cp437", 255), ("windows-1251", 204), ("windows-1250", 238), ("own.map", 255))
for cell in cells:
    for name, charset in charsets if cell is cells[0] else charsets[:1]:
        r = export(cell, "out.fon") if name == "cp437" else run(tool, "export", cell.path, "out.fon", name,
                                                                "Celkit Test")
        check("fon export (%s)%s" % (name, cell.label), r.returncode == 0, r.stderr.decode())
        named = cell._replace(label=" (%s)%s" % (name, cell.label),
                              ascent=cell.baseline or found_ascent(cell.font, map_codes(name)))
        detail = freetype_agrees("celkit's .fon", "out.fon", named, list(range(256)), cell.font)
        check("FreeType reads the .fon's charset %d%s" % (charset, named.label),
              "winfnt charset %d\n" % charset in detail, detail)
    q = run("fc-query", "out.fon").stdout.decode()
    check("fc-query on celkit's .fon" + cell.label, '"Celkit Test"' in q and 'fontformat: "Windows FNT"' in q
          and "spacing: 100(i)" in q and "pixelsize: 16(f)" in q and "scalable: False" in q, q)

# Unifont .hex: a line per glyph, blank ones too, keyed by the map.
r = run(tool, "export", FONT, "out.hex", "cp437")
lines = read("out.hex").decode().splitlines()
by_cp = {int(l[:l.index(":")], 16): l[l.index(":") + 1:] for l in lines}
check(".hex has 256 lines of 64 digits", len(lines) == 256 and all(
    re.fullmatch(r"[0-9A-F]{4,6}:[0-9A-F]{64}", l) for l in lines))
check(".hex glyphs are the font", b"".join(bytes.fromhex(by_cp[c]) for c in main) == fnt)

# C header: valid C and C++ under strict warnings, natively and for Windows,
# and its array is the font.
r = run(tool, "export", FONT, "my-font.h", "cp437", "my-font")
with open("use.c", "w") as f:
    f.write('#include <stdio.h>\n#include "my-font.h"\n'
            "int main(void) {\n"
            "    if (MY_FONT_WIDTH != 16 || MY_FONT_HEIGHT != 16 || MY_FONT_COUNT != 256) return 1;\n"
            "    return fwrite(my_font, 1, sizeof my_font, stdout) == 8192 ? 0 : 1;\n}\n")
strict = ["-Wall", "-Wextra", "-Werror", "-pedantic"]
for compiler, lang in (("gcc", "c"), ("g++", "c++"), ("i686-w64-mingw32-gcc-posix", "c"),
                       ("i686-w64-mingw32-g++-posix", "c++")):
    exe = "use-%s-%s" % (compiler, lang.replace("+", "p"))
    r = run(compiler, "-x", lang, *strict, "-I.", "use.c", "-o", exe)
    check("C header compiles as %s with %s" % (lang, compiler), r.returncode == 0, r.stderr.decode())
    if r.returncode == 0 and not compiler.startswith("i686"):
        out = run("./" + exe).stdout
        check("C header array is the font (%s)" % compiler, out == fnt, first_diff(out, fnt))

# Round trip through every format celkit reads.
for ext in ("psf", "bdf", "hex", "pcf", "otb", "ttf", "fon"):
    run(tool, "export", FONT, "round." + ext, "cp437")
    r = run(tool, "import", "round." + ext, "round.fnt")
    check("import of celkit's ." + ext, r.returncode == 0 and read("round.fnt") == fnt,
          r.stderr.decode() + first_diff(read("round.fnt") if r.returncode == 0 else b"", fnt))

# Fonts from Debian's packages: PSF1 of 256 and 512 glyphs, PSF2 of 6 x 12.
for path in ("/usr/share/consolefonts/Lat15-Fixed16.psf.gz", "/usr/share/consolefonts/Unifont-APL8x16.psf.gz",
             "/usr/share/consolefonts/Uni2-Fixed16.psf.gz", "/usr/share/consolefonts/Lat15-Terminus12x6.psf.gz"):
    expected = pick(psf_glyphs_by_codepoint(gzip.decompress(read(path))), cp437)
    r = run(tool, "import", path, "real.fnt")
    got = read("real.fnt") if r.returncode == 0 else b""
    check("import of " + os.path.basename(path), got == expected and inked(expected) > 150, r.stderr.decode() + first_diff(got, expected))

# Wine's raster fonts, NE libraries of one ANSI FNT 3.0 each (vgasys of
# variable pitch, 4 to 15 wide; vgafix 8 x 15): every code celkit imports
# (a latin1 map takes an ANSI font's codes in order) is what FreeType's
# winfnt driver draws of it, the baseline at the ascent FreeType reads.
for name, ascent in (("vgasys", 13), ("vgafix", 12)):
    path = "/usr/share/wine/fonts/%s.fon" % name
    if not os.path.exists(path):
        print("skip %s: Wine's fonts are not installed" % name)
        continue
    ok, detail = freetype(path, list(range(256)), "expected.fnt")
    r = run(celkit, "import", path, "--map", "latin1", "-o", "real.fnt")
    got, expected = (read("real.fnt") if r.returncode == 0 else b""), read("expected.fnt")
    check("import of Wine's %s.fon matches FreeType" % name, ok and got == expected and inked(expected) > 200
          and "ascent %d\n" % ascent in detail, detail + r.stderr.decode() + first_diff(got, expected))

# A real 8 x 16 console font, imported by celkit through its own table and
# exported as an 8-wide .ttf: FreeType at 16 pixels draws each glyph of the
# PSF1 (read here from its bytes) by a code point only it has, advanced by
# 8, the baseline under its capitals.
TERMINUS = "/usr/share/consolefonts/Lat15-Terminus16.psf.gz"
psf = gzip.decompress(read(TERMINUS))
entries, at = [], 4 + 256 * 16
for _ in range(256):
    end = next(i for i in range(at, len(psf), 2) if psf[i:i + 2] == b"\xff\xff")
    units = [int.from_bytes(psf[i:i + 2], "little") for i in range(at, end, 2)]
    entries.append(units[:units.index(0xFFFE)] if 0xFFFE in units else units)  # sequences aside
    at = end + 2
console = cell_font({g: (8, 16, psf[4 + 16 * g:4 + 16 * (g + 1)]) for g in range(256)})
r = run(celkit, "import", TERMINUS, "--map", TERMINUS, "-o", "terminus.fnt")
got = read("terminus.fnt") if r.returncode == 0 else b""
check("celkit import of Lat15-Terminus16 through its own table", psf[:4] == b"\x36\x04\x02\x10"
      and got == console and inked(console) > 200, r.stderr.decode() + first_diff(got, console))
owners = collections.Counter(c for cps in entries for c in cps)
codes = [next((c for c in cps if owners[c] == 1), 0x10FFFE) for cps in entries]
drawn = cell_font({g: (8, 16, psf[4 + 16 * g:4 + 16 * (g + 1)]) for g in range(256) if codes[g] != 0x10FFFE})
r = run(celkit, "export", "terminus.fnt", "--map", TERMINUS, "--width", "8", "-o", "terminus.ttf")
check("ttf export of Lat15-Terminus16 8 wide", r.returncode == 0, r.stderr.decode())
terminus = Cell(" (Lat15-Terminus16)", "terminus.fnt", console, 8, None, found_ascent(console, entries))
freetype_agrees("an 8-wide .ttf at 16 px", "terminus.ttf", terminus, codes, drawn, "16")
check("Lat15-Terminus16's glyphs drawn: most, their baseline 12 rows down",
      inked(drawn) > 200 and terminus.ascent == 12, "%d %d" % (inked(drawn), terminus.ascent))

with open("unifont.pcf", "wb") as f:
    f.write(gzip.decompress(read(MISC + "/unifont.pcf.gz")))
with open("9x15.pcf", "wb") as f:
    f.write(gzip.decompress(read(MISC + "/9x15.pcf.gz")))
with open("10x20.pcf", "wb") as f:
    f.write(gzip.decompress(read(MISC + "/10x20.pcf.gz")))
cyrillic = list(range(0x400, 0x500))
for what, path, pcf, codes, args in (
        ("unifont.hex", "/usr/share/unifont/unifont.hex", "unifont.pcf", main, []),
        ("unifont.hex from U+0400", "/usr/share/unifont/unifont.hex", "unifont.pcf", cyrillic, ["U+0400"]),
        ("pcf2bdf of unifont.pcf", "unifont.bdf", "unifont.pcf", main, []),
        ("pcf2bdf of 9x15.pcf", "9x15.bdf", "9x15.pcf", main, []),
        ("unifont.pcf.gz", MISC + "/unifont.pcf.gz", "unifont.pcf", main, []),
        ("6x13.pcf.gz", MISC + "/6x13.pcf.gz", MISC + "/6x13.pcf.gz", main, []),
        ("9x15B.pcf.gz", MISC + "/9x15B.pcf.gz", MISC + "/9x15B.pcf.gz", main, []),
        ("8x13B-ISO8859-1.pcf.gz (Latin-1)", MISC + "/8x13B-ISO8859-1.pcf.gz",
         MISC + "/8x13B-ISO8859-1.pcf.gz", [c[0] for c in map_codes("latin1")], ["latin1"]),
        ("7x14-KOI8-R.pcf.gz (by code)", MISC + "/7x14-KOI8-R.pcf.gz", MISC + "/7x14-KOI8-R.pcf.gz",
         list(range(256)), []),
        ("12x13ja.pcf.gz", MISC + "/12x13ja.pcf.gz", MISC + "/12x13ja.pcf.gz", main, [])):
    if path.endswith(".bdf"):
        run("pcf2bdf", "-o", path, pcf, check=True)
    ok, detail = freetype(pcf, codes, "expected.fnt")
    r = run(tool, "import", path, "real.fnt", *args)
    got, expected = (read("real.fnt") if r.returncode == 0 else b""), read("expected.fnt")
    check("import of %s matches FreeType" % what, ok and got == expected and inked(expected) > 150,
          detail + r.stderr.decode() + first_diff(got, expected))

# Outline fonts at 16 px. unifont.otf draws unifont.hex's pixels as CFF
# squares, its combining marks at zero advance and left of the pen, where they
# sit on the character before; celkit moves such a mark one cell of its page
# right (8 pixels for Latin, 16 for Devanagari), or as far as its left bearing
# says it reaches (the enclosing marks, 12 pixels; Tibetan's marks, 16 over
# 8-pixel letters). Where a page's marks go over letters of another width
# they differ by the marks named.
OTF = "/usr/share/fonts/opentype/unifont/unifont.otf"
DEJAVU = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf"
for what, agree, differ in (
        ("cp437", 256, ()),
        ("U+0000", 256, ()),
        ("U+0300", 256, ()),  # 112 marks, over Greek's 8-pixel cell
        ("U+0400", 256, ()),  # U+0488 and U+0489 reach 12 pixels left
        ("U+0590", 256, ()),  # Hebrew's marks lie right of the pen
        ("U+0900", 256, ()),  # marks over Devanagari's 16-pixel cell
        ("U+0F00", 256, ()),  # 72 marks 16 pixels left, over two 8-pixel letters
        ("U+20D0", 256, ()),  # enclosing marks as U+0489
        ("U+2500", 256, ()),
        ("U+3000", 256, ()),
        # Latin marks 8 pixels left on a page of 16-pixel Tai Tham letters:
        # moved a whole 16, they land 8 pixels right of the .hex.
        ("U+1A00", 225, None)):
    args = [] if what == "cp437" else [what]
    codes = main if what == "cp437" else list(range(int(what[2:], 16), int(what[2:], 16) + 256))
    r = run(tool, "import", OTF, "real.fnt", *args)
    run(tool, "import", "/usr/share/unifont/unifont.hex", "expected.fnt", *args)
    got, expected = (read("real.fnt") if r.returncode == 0 else b""), read("expected.fnt")
    odd = [codes[g] for g in range(256) if got[g * 32:g * 32 + 32] != expected[g * 32:g * 32 + 32]]
    check("unifont.otf is unifont.hex on %d of 256 (%s)" % (agree, what),
          len(got) == 8192 and inked(expected) > 150 and 256 - len(odd) == agree and
          (differ is None or tuple(odd) == differ),
          r.stderr.decode() + " %d agree, differ: %s" % (256 - len(odd), " ".join("%04X" % c for c in odd)))
# Hinted in one bit, celkit's import is FreeType's own drawing as Pillow's
# fontmode "1" gives it, at the same size with the baseline on the same row.
LIBERATION = "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"
for path, size in ((DEJAVU, 12), (DEJAVU, 14), (DEJAVU, 16), (LIBERATION, 12), (LIBERATION, 16)):
    r = run(celkit, "import", path, "--size", str(size), "--baseline", "12", "-o", "hinted%d.fnt" % size)
    got = read("hinted%d.fnt" % size) if r.returncode == 0 else bytes(8192)
    face = ImageFont.truetype(path, size)
    odd = []
    for c in range(0x21, 0x7F):
        im = Image.new("1", (16, 16), 0)
        draw = ImageDraw.Draw(im)
        draw.fontmode = "1"
        draw.text((0, 12), chr(c), font=face, fill=1, anchor="ls")
        want = cell_font({c: (16, 16, im.tobytes())})[c * 32:c * 32 + 32]
        if got[c * 32:c * 32 + 32] != want:
            odd.append(chr(c))
    check("%s at %d px is Pillow's fontmode \"1\" on printable ASCII" % (os.path.basename(path), size),
          r.returncode == 0 and not odd and inked(got) > 90, r.stderr.decode() + " differ: " + "".join(odd))

run("pcf2bdf", "-o", "10x20.bdf", "10x20.pcf", check=True)
r = run(tool, "import", "10x20.bdf", "real.fnt")
check("a 10 x 20 font is refused", r.returncode != 0 and b"20 pixels high; at most 16 fit" in r.stderr,
      r.stderr.decode())
r = run(tool, "import", MISC + "/10x20.pcf.gz", "real.fnt")
check("a 10 x 20 PCF is refused", r.returncode != 0 and b"20 pixels high; at most 16 fit" in r.stderr,
      r.stderr.decode())

print("%d failures" % len(failures))
sys.exit(1 if failures else 0)
