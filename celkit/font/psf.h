// PC Screen Font, the Linux console's format. Reads version 1 (8 pixels
// wide, 256 or 512 glyphs, optional UCS-2 table) and version 2 (any size,
// optional UTF-8 table); writes version 2 with a Unicode table laid out as
// the console tools write it (32-byte header, flags 1, one 0xFF-terminated
// entry per glyph).
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
std::vector<std::uint8_t> writePsf2(const Font& font, const CodepointMap& map);

}  // namespace celkit

#endif
