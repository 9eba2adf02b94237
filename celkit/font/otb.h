// OpenType bitmap fonts (.otb), as desktops load bitmap fonts today: one
// 16-pixel strike in EBLC/EBDT, no outlines (no glyf or loca), the usual
// head, hhea, hmtx, maxp, OS/2, name, cmap and post around it. Glyph 0 is a
// blank .notdef and glyph g + 1 is the font's glyph g, every one the full
// cell (16 or 8 wide, 16 high, the baseline its ascent rows down) advanced
// by its width, so the strike holds the .fnt's bytes (the left byte of each
// row in an 8-wide cell). Written only.
#ifndef CELKIT_FONT_OTB_H
#define CELKIT_FONT_OTB_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font.h"

namespace celkit {

std::vector<std::uint8_t> writeOtb(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell = {});

}  // namespace celkit

#endif
