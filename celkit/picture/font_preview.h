// Pictures of a font to look at: the whole 16 x 16 chart with thin grid
// lines and hex labels, or a few lines of text set in the font.
#ifndef CELKIT_PICTURE_FONT_PREVIEW_H
#define CELKIT_PICTURE_FONT_PREVIEW_H

#include <cstdint>
#include <string>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/picture/picture.h"

namespace celkit {

struct PreviewStyle {
    int scale = 2;                 // pixels per font pixel, 1..16
    std::uint32_t ink = 0x000000;  // 0xRRGGBB
    std::uint32_t paper = 0xFFFFFF;
};

// Where the chart puts things, for a style: glyph g's 16*scale square has
// its top left at (left + 1 + (g % 16) * pitch, top + 1 + (g / 16) * pitch);
// grid lines, in the colour halfway between ink and paper, run at
// left + k * pitch and top + k * pitch for k = 0..16; the hex labels sit in
// the bands left of and above the grid.
struct ChartLayout {
    int left, top, pitch, width, height, digitScale;
};
ChartLayout chartLayout(const PreviewStyle& style);

Picture renderChart(const Font& font, const PreviewStyle& style);

// Each line of UTF-8 `text` in the font, a glyph per code point through the
// map, with a margin of one font pixel; a code point the map has no glyph
// for shows fallbackGlyph() (nothing when that is -1) and is counted in
// `missing`.
// Whether the picture of `text` keeps within pictureLimit; false with the
// reason. Asked before rendering: the sizes are worked out without overflow.
bool textFits(const std::string& text, const PreviewStyle& style, std::string& error);

Picture renderText(const Font& font, const CodepointMap& map, const std::string& text,
                   const PreviewStyle& style, int& missing);
// The map's glyph for '?', or -1.
int fallbackGlyph(const CodepointMap& map);

// UTF-8 to code points; a malformed sequence gives U+FFFD.
std::u32string decodeUtf8(const std::string& text);

}  // namespace celkit

#endif
