// Reading Windows raster fonts: FNT resources of version 2 or 3, fixed or
// variable pitch, found in a 16-bit (NE) or 32-bit (PE) library's RT_FONT
// resources (a .fon) or standing alone (a bare .fnt). Every font of a
// library can be read by its index. A glyph lands at the cell's top, the
// baseline its ascent rows down; a glyph wider than the cell keeps its 16
// left columns, with a warning. The font's character set gives its glyphs
// their code points where celkit knows the code page.
#ifndef CELKIT_FONT_WINDOWS_FONT_READER_H
#define CELKIT_FONT_WINDOWS_FONT_READER_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/source_font.h"

namespace celkit {

// A 16- or 32-bit library (by its headers), or a bare FNT whose header is
// sound and whose size is the file's. A file of exactly 8192 bytes, the raw
// font's size, counts only as a library holding a font, or as a FNT with
// text where a FNT keeps its copyright and face names (glyph bits seldom are).
bool isWindowsFont(const std::vector<std::uint8_t>& data);

// The code page the charset byte of a FNT stands for: "windows-1252" for
// ANSI 0, "cp437" for OEM 255, and those of the other Windows charsets
// celkit has a table for; null for the rest (symbol fonts, the CJK sets).
const char* windowsCharsetCodePage(int charset);

// The font `index` (0 the first) of the file; out.fonts says how many the
// file holds. False with a reason for a file or font that cannot be read.
bool readWindowsFont(const std::vector<std::uint8_t>& data, int index, SourceFont& out,
                     std::string& error);

}  // namespace celkit

#endif
