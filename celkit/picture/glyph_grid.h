// Fonts from pictures celpack cannot take as they are: any paper colour
// (magenta tilesets, black ink on white), cells smaller than 16 x 16, and
// charts laid out like the Unifont plane chart.
#ifndef CELKIT_PICTURE_GLYPH_GRID_H
#define CELKIT_PICTURE_GLYPH_GRID_H

#include <cstdint>
#include <optional>
#include <string>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/picture/colour_census.h"
#include "celkit/picture/picture.h"

namespace celkit {

enum class GridLayout {
    // 16 x 16 cells, glyph g in cell column g % 16, row g / 16.
    Grid,
    // A chart of 16 x 16 cells below a 64-pixel band of column labels and
    // right of a 32-pixel band of row labels; the cell in chart row r,
    // column c holds code point r * columns + c. Glyphs are picked by the
    // map, or as the block from `first`.
    Unifont,
};

struct GridOptions {
    std::optional<std::uint32_t> paper;  // 0xRRGGBB; none: the most common colour
    int cellWidth = 0;                   // 0: the picture's width / 16 (grid layout)
    int cellHeight = 0;
    GridLayout layout = GridLayout::Grid;
    CodepointMap map;
    std::optional<char32_t> first;
};

inline constexpr int unifontLeftBand = 32, unifontTopBand = 64;

// Whether a picture of this size can hold the grid or chart `options`
// ask for; false with the reason. Asked from the file's header, before
// its pixels are decoded, and again by glyphsFromPicture.
bool gridFitsPicture(int width, int height, const GridOptions& options, std::string& error);

// Every pixel that is not paper is ink. A cell smaller than 16 x 16 goes to
// the top left of its glyph. False with a reason (cells larger than 16 x 16,
// a picture too small for its grid, a chart of the wrong shape).
bool glyphsFromPicture(const Picture& picture, const GridOptions& options, Font& out,
                       std::string& error);

}  // namespace celkit

#endif
