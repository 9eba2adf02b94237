// Windows raster fonts (.fon): one FNT resource of version 3 (0x300) in a
// 16-bit (NE) library, with the font directory Windows' installer reads,
// as GDI and FreeType's winfnt driver load them. The font's 256 glyphs are
// its codes 0 to 255, every one the full cell (16 or 8 wide, 16 high, the
// baseline its ascent rows down), of fixed pitch; the character set is the
// Windows one the map's code page is, else OEM. Read by
// windows_font_reader.h.
#ifndef CELKIT_FONT_FON_H
#define CELKIT_FONT_FON_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font.h"

namespace celkit {

// The FNT charset byte for a map: ANSI 0, Turkish 162, Russian 204, Thai
// 222, East European 238 for the maps of those Windows code pages; OEM 255
// for the DOS code pages and every other map.
int fonCharset(const CodepointMap& map);

// The face name as GDI and FreeType list it: printable ASCII, one '_' for
// any other character, at most 31 characters (what LOGFONT holds), "celkit"
// when nothing is left.
std::string fonFaceName(const std::string& name);

std::vector<std::uint8_t> writeFon(const Font& font, const CodepointMap& map,
                                   const std::string& name, Cell cell = {});

}  // namespace celkit

#endif
