// Fitting glyphs into their 16 x 16 cells: an 8 x 8 font doubled, narrow
// glyphs moved to the cell's left or centre, every glyph shifted. Works on
// a whole Font and never clips: ink that would leave a cell is refused,
// naming the glyph.
#ifndef CELKIT_FONT_GLYPH_TRANSFORM_H
#define CELKIT_FONT_GLYPH_TRANSFORM_H

#include <string>

#include "celkit/font/font.h"

namespace celkit {

enum class GlyphAlign { Keep, Left, Centre };

// Applied in this order: stretch, align, shift.
struct GlyphTransform {
    int stretch = 1;  // 1, or 2: every pixel becomes 2 x 2 (a font drawn within 8 x 8)
    // Left or Centre move every glyph by the same columns, so that the box
    // round the whole font's ink starts at column 0 or sits in the middle
    // (an odd spare column goes right): letters keep their placement
    // against each other, a descender or an 'i' stays where it was drawn.
    GlyphAlign align = GlyphAlign::Keep;
    int shiftX = 0, shiftY = 0;  // right and down; negative moves left and up
};

// `in` transformed into `out`; false with the reason (the first glyph whose
// ink would leave its cell, or a stretch other than 1 and 2), `out` untouched.
bool transformGlyphs(const Font& in, const GlyphTransform& transform, Font& out,
                     std::string& error);

}  // namespace celkit

#endif
