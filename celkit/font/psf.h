// PC Screen Font, the Linux console's format. Reads version 1 (8 pixels
// wide, 256 or 512 glyphs, optional UCS-2 table) and version 2 (any size,
// optional UTF-8 table); writes either version, 16 rows high, with a
// Unicode table laid out as the console tools write it: version 1 with mode
// 2 and one 0xFFFF-terminated UCS-2 entry per glyph, version 2 with a
// 32-byte header, flags 1 and one 0xFF-terminated UTF-8 entry per glyph.
#ifndef CELKIT_FONT_PSF_H
#define CELKIT_FONT_PSF_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/font/source_font.h"

namespace celkit {

bool isPsf(const std::vector<std::uint8_t>& data);
bool readPsf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);
// 1 or 2 for a PSF font's bytes, else 0.
int psfVersion(const std::vector<std::uint8_t>& data);
// Empty when a font written `width` pixels wide with `map` fits PSF1 (8
// wide, code points up to U+FFFD), else the reason it does not.
std::string psf1Misfit(const CodepointMap& map, int width);
// Columns 0-7 of each glyph; the map as psf1Misfit allows.
std::vector<std::uint8_t> writePsf1(const Font& font, const CodepointMap& map);
// `width` 8: columns 0-7, a byte per row; else 16 wide.
std::vector<std::uint8_t> writePsf2(const Font& font, const CodepointMap& map, int width);

}  // namespace celkit

#endif
