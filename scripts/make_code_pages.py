#!/usr/bin/python3
"""Writes celkit/font/code_pages.cpp: the code pages --map offers besides
cp437 and latin1, each byte's Unicode character as Python's codecs give it.

Usage: scripts/make_code_pages.py [OUT.cpp]

A byte the codec decodes to a control character (C0, DEL, C1) stands for
no character: a font's glyph there is drawn for nothing a text holds. The
DOS code pages are the exception: PC fonts draw cp437's pictures (smileys,
arrows) in the C0 range and at 0x7F, and so do these maps.
"""
import codecs
import os
import subprocess
import sys

# --map name, Python codec, whether it is a DOS code page.
PAGES = [("cp850", "cp850", True), ("cp852", "cp852", True), ("cp866", "cp866", True),
         ("koi8-r", "koi8_r", False)] + \
        [("iso8859-%d" % n, "iso8859_%d" % n, False) for n in range(1, 17) if n != 12] + \
        [("windows-%d" % n, "cp%d" % n, False) for n in (1250, 1251, 1252)]


def is_control(codepoint):
    return codepoint < 0x20 or 0x7F <= codepoint < 0xA0


def table(codec, dos):
    cp437 = bytes(range(256)).decode("cp437")
    out = []
    for byte in range(256):
        try:
            char = bytes([byte]).decode(codec)
        except UnicodeDecodeError:
            out.append(0)
            continue
        codepoint = ord(char)
        if is_control(codepoint):
            codepoint = 0
            if dos and (byte < 0x20 or byte == 0x7F) and byte != 0:
                codepoint = DOS_PICTURES[byte]
        out.append(codepoint)
    return out


# cp437's pictures in the control range, as the PC's video ROM draws them.
DOS_PICTURES = dict(enumerate(
    [0, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
     0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC,
     0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC]))
DOS_PICTURES[0x7F] = 0x2302


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "celkit", "font", "code_pages.cpp")
    lines = ["// Made by scripts/make_code_pages.py from Python's codecs; do not edit.",
             '#include "celkit/font/code_pages.h"', "", "namespace celkit {", "",
             "const std::array<CodePage, %d>& codePages() {" % len(PAGES),
             "    static const std::array<CodePage, %d> pages = {{" % len(PAGES)]
    for name, codec, dos in PAGES:
        codecs.lookup(codec)
        values = table(codec, dos)
        lines.append('        {"%s",' % name)
        lines.append("         {")
        for row in range(0, 256, 12):
            lines.append("             " + " ".join("0x%04X," % v for v in values[row:row + 12]))
        lines.append("         }},")
    lines += ["    }};", "    return pages;", "}", "", "}  // namespace celkit", ""]
    with open(path, "w", encoding="utf-8") as out:
        out.write("\n".join(lines))
    subprocess.run(["clang-format", "-i", path], check=True)  # the tree's one style


if __name__ == "__main__":
    main()
