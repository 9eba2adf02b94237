// TrueType fonts (.ttf) whose outlines are the glyphs' pixels: each pixel a
// square of 64 units on an em of 1024 (the 16-row cell, 16 or 8 wide), so that a
// rasteriser at 16 pixels per em lights exactly the ink. A glyph's ink is
// traced into closed contours along the edges between ink and blank, ink on
// the right (outer contours clockwise, holes anticlockwise), corners only,
// one contour per connected piece of that boundary. Glyph 0 is a blank
// .notdef and glyph g + 1 the font's glyph g, advanced by the cell width;
// no instructions beyond a program that turns dropout control off, and a
// gasp table asking for no smoothing at 16 pixels. Written only.
#ifndef CELKIT_FONT_TTF_H
#define CELKIT_FONT_TTF_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font.h"

namespace celkit {

std::vector<std::uint8_t> writeTtf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell = {});

}  // namespace celkit

#endif
