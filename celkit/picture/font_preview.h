// Pictures of a font to look at: the whole 16 x 16 chart with thin grid
// lines and hex labels (glyph numbers, or each glyph's code point), or a
// few lines of text set in the font.
#ifndef CELKIT_PICTURE_FONT_PREVIEW_H
#define CELKIT_PICTURE_FONT_PREVIEW_H

#include <cstdint>
#include <string>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/picture/picture.h"

namespace celkit {

enum class ChartLabels {
    Numbers,     // the hex digit of each column above it, of each row left of it
    CodePoints,  // each cell's main code point in hex, above its glyph
};

struct PreviewStyle {
    int scale = 2;                 // pixels per font pixel, 1..16
    std::uint32_t ink = 0x000000;  // 0xRRGGBB
    std::uint32_t paper = 0xFFFFFF;
    ChartLabels labels = ChartLabels::Numbers;
};

// Where the chart puts things, for a style and the longest code point label
// (in hex digits; 0 with number labels): glyph g's 16*scale square has its
// top left at (left + 1 + (g % 16) * pitch, top + 1 + labelBand +
// (g / 16) * rowPitch); grid lines, in the colour halfway between ink and
// paper, run at left + k * pitch and top + k * rowPitch for k = 0..16.
// Number labels sit in ink in the bands left of and above the grid, with
// digits of 3 x 5 pixels drawn at digitScale (the scale). Code point labels
// sit in the grid colour in the top labelBand pixels of each cell, centred,
// at the scale or smaller if the cell is too narrow: one line of digits a
// digit pixel apart, else touching, else in two lines.
struct ChartLayout {
    int left, top, pitch, rowPitch, width, height, digitScale;
    int labelBand = 0, labelLines = 1, digitGap = 1;
};
ChartLayout chartLayout(const PreviewStyle& style, int labelDigits = 0);

// A chart's label for a glyph number or code point: hex, at least two
// digits ("41", "263A").
std::string chartLabel(char32_t value);
// `map` gives the code point labels.
Picture renderChart(const Font& font, const PreviewStyle& style,
                    const CodepointMap& map = CodepointMap());

// Whether the picture of `text` keeps within pictureLimit; false with the
// reason. Asked before rendering, for glyphs 16 pixels wide: the sizes are
// worked out without overflow.
bool textFits(const std::string& text, const PreviewStyle& style, std::string& error);

// Each line of UTF-8 `text` in the font, a glyph per code point through the
// map, letters Font::inkWidth() apart, with a margin of one font pixel; a
// code point the map has no glyph for shows fallbackGlyph() (nothing when
// that is -1) and is counted in `missing`.

Picture renderText(const Font& font, const CodepointMap& map, const std::string& text,
                   const PreviewStyle& style, int& missing);
// The map's glyph for '?', or -1.
int fallbackGlyph(const CodepointMap& map);

// UTF-8 to code points; a malformed sequence gives U+FFFD.
std::u32string decodeUtf8(const std::string& text);

}  // namespace celkit

#endif
