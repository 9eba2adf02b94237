// Sheets: a font drawn back into the picture import reads, in the user's
// layout (cell size, colours, a 16 x 16 grid or a Unifont chart). The
// default sheet is the one celpack reads: 16 x 16 cells, white on black.
#ifndef CELKIT_PICTURE_GLYPH_SHEET_H
#define CELKIT_PICTURE_GLYPH_SHEET_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/picture/glyph_grid.h"
#include "celkit/picture/picture.h"

namespace celkit {

struct SheetLayout {
    int cellWidth = glyphSide, cellHeight = glyphSide;  // grid layout only, at most 16 x 16
    std::uint32_t ink = 0xFFFFFF, paper = 0x000000;
    GridLayout layout = GridLayout::Grid;
    // A chart places glyph g at the code point the map gives it, or at
    // first + g.
    CodepointMap map;
    std::optional<char32_t> first;
};

// The sheet, indexed with paper first. False with a reason when a chart
// would be larger than celkit makes pictures. `clipped` lists the glyphs
// with ink outside their cell, which the sheet cannot hold.
bool drawSheet(const Font& font, const SheetLayout& layout, Picture& out, std::vector<int>& clipped,
               std::string& error);

// A picture of at most two colours as a 1-bit BMP, its colour table in the
// picture's palette order; empty for any other picture.
std::vector<std::uint8_t> encodeTwoColourBmp(const Picture& picture);

}  // namespace celkit

#endif
