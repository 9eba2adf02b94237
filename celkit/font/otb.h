// OpenType bitmap fonts (.otb), as desktops load bitmap fonts today: one
// 16-pixel strike in EBLC/EBDT, no outlines (no glyf or loca), the usual
// head, hhea, hmtx, maxp, OS/2, name, cmap and post around it. Glyph 0 is a
// blank .notdef and glyph g + 1 is the font's glyph g, every one the full
// 16 x 16 cell with the baseline 14 rows down and an advance of 16, so the
// strike holds the .fnt's bytes as they are. Written only.
#ifndef CELKIT_FONT_OTB_H
#define CELKIT_FONT_OTB_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"

namespace celkit {

std::vector<std::uint8_t> writeOtb(const Font& font, const CodepointMap& map,
                                   const std::string& family);

}  // namespace celkit

#endif
