// Glyph Bitmap Distribution Format, the X11 bitmap font source. Reads the
// glyphs with their bounding boxes placed from the font's ascent, keyed by
// Unicode when the charset registry is ISO10646; writes a version 2.1
// character-cell font with XLFD properties: a 16-wide cell as full 16 x 16
// boxes, an 8-wide one as each glyph's ink box.
#ifndef CELKIT_FONT_BDF_H
#define CELKIT_FONT_BDF_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font.h"
#include "celkit/font/source_font.h"

namespace celkit {

bool isBdf(const std::vector<std::uint8_t>& data);
bool readBdf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);
std::vector<std::uint8_t> writeBdf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell = {});

// The code point each glyph is written under by the formats keyed by one:
// its first code point not taken by an earlier glyph, else U+F000 + glyph
// in the Private Use Area.
std::vector<char32_t> uniqueCodepoints(const CodepointMap& map);

// The family as an X font name's field holds it (BDF and PCF both name the
// font so): '-', quotes, wildcards, commas and bytes outside printable ASCII
// become '_'; "celkit" when nothing is left.
std::string xlfdFamily(const std::string& family);

}  // namespace celkit

#endif
