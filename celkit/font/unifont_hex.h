// The Unifont .hex format: one line per glyph, "XXXX:" with the code point
// in hex, then the 16 rows of the bitmap as 32 hex digits (8 pixels wide)
// or 64 (16 wide). Wider glyphs (96 and 128 digits) are read so that a font
// holding some can still give its others.
#ifndef CELKIT_FONT_UNIFONT_HEX_H
#define CELKIT_FONT_UNIFONT_HEX_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/font/source_font.h"

namespace celkit {

bool isUnifontHex(const std::vector<std::uint8_t>& data);
bool readUnifontHex(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);
// Every glyph with ink or a code point of the map, under uniqueCodepoints()
// and in code point order; `width` 8 writes columns 0-7 (32 digits a line).
std::vector<std::uint8_t> writeUnifontHex(const Font& font, const CodepointMap& map, int width);

}  // namespace celkit

#endif
