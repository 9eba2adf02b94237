"""Every code page --map offers, byte by byte against Python's codecs, and a
console font exported with one read back by kbd's psfgettable.

Usage: code_pages_test.py FONT_TOOL CELKIT WORKDIR"""
import os, re, shutil, subprocess, sys, unittest

FONT_TOOL, CELKIT, WORK = sys.argv[1:4]
EXAMPLE = os.path.join(os.path.dirname(__file__), "..", "..", "..", "examples", "dejavu-mono.expected.fnt")

# --map name, Python codec, DOS code page (cp437's pictures in the control range).
PAGES = [("cp850", "cp850", True), ("cp852", "cp852", True), ("cp866", "cp866", True),
         ("koi8-r", "koi8_r", False), ("windows-1250", "cp1250", False),
         ("windows-1251", "cp1251", False), ("windows-1252", "cp1252", False)] + \
        [("iso8859-%d" % n, "iso8859_%d" % n, False) for n in range(1, 17) if n != 12]


def map_of(name):
    """glyph -> its code points, as the map's text gives them."""
    text = subprocess.run([FONT_TOOL, "maptext", name], check=True, capture_output=True, text=True).stdout
    out = {}
    for line in text.splitlines():
        if line.startswith("#") or not line.strip():
            continue
        glyph, *points = line.split()
        out[int(glyph, 16)] = [int(p[2:], 16) for p in points]
    return out


class CodePages(unittest.TestCase):
    def test_every_byte_is_the_codecs_character(self):
        pictures = map_of("cp437")
        for name, codec, dos in PAGES:
            with self.subTest(page=name):
                got = map_of(name)
                for byte in range(256):
                    try:
                        char = ord(bytes([byte]).decode(codec))
                    except UnicodeDecodeError:
                        char = None
                    if char is not None and (char < 0x20 or 0x7F <= char < 0xA0):
                        want = pictures[byte] if dos and (byte < 0x20 or byte == 0x7F) and byte else []
                    else:
                        want = [] if char is None else [char]
                    self.assertEqual(got.get(byte, []), want, "%s byte 0x%02X" % (name, byte))

    def test_an_export_with_a_code_page_carries_it_to_the_console_tools(self):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        for name, codec, _ in [("cp866", "cp866", True), ("koi8-r", "koi8_r", False)]:
            with self.subTest(page=name):
                psf = os.path.join(WORK, name + ".psf")
                subprocess.run([CELKIT, "export", EXAMPLE, "--map", name, "-o", psf], check=True)
                table = os.path.join(WORK, name + ".txt")
                subprocess.run(["psfgettable", psf, table], check=True)
                found = {}
                for line in open(table, encoding="utf-8"):
                    match = re.match(r"0x([0-9a-f]+)\s+(.*)", line)
                    if match:
                        found[int(match.group(1), 16)] = [int(p[2:], 16) for p in match.group(2).split()
                                                           if p.startswith("U+")]
                # The Cyrillic capital A of each page, where the page puts it.
                at = bytes("А", "utf-8").decode("utf-8").encode(codec)[0]
                self.assertIn(0x0410, found[at])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
