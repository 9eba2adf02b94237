// Fonts from pictures celpack cannot take as they are: any paper colour
// (magenta tilesets, black ink on white), transparency as paper, grey
// artwork cut at a lightness, cells smaller than 16 x 16, and charts laid
// out like the Unifont plane chart; and what a reading found worth a word.
#ifndef CELKIT_PICTURE_GLYPH_GRID_H
#define CELKIT_PICTURE_GLYPH_GRID_H

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // Percent of the lightness scale a pixel must lie from the paper's
    // lightness to be ink; none: every colour but the paper's is ink.
    std::optional<int> threshold;
};

// How a picture was read. On black paper it is read as celpack reads it,
// as drawn on a black canvas; on any other paper pixels less than half
// opaque are paper too, and when they are the most common, transparency is
// the paper and every other pixel ink.
struct PictureReading {
    bool transparentPaper = false;
    std::uint32_t paper = 0;    // 0xRRGGBB, unless transparentPaper
    bool alphaAsPaper = false;  // transparent pixels taken as paper
    std::uint32_t ink = 0;      // the colour of most ink pixels
    std::size_t inkPixels = 0;
    std::size_t otherPixels = 0;  // ink pixels of other colours than `ink`
    std::vector<std::pair<std::uint32_t, std::size_t>> otherColours;  // most pixels first
    int cells = 0;  // glyphs read from a cell of the picture
    int glyphsWithInk = 0;
    int fullGlyphs = 0;  // glyphs whose whole cell is ink
};

inline constexpr int unifontLeftBand = 32, unifontTopBand = 64;

// Whether a BMP or ICO is read as celpack reads it: black paper given, no
// cell size, the grid layout. Then its 16 x 16 cells start at the top
// left whatever its size, as on celpack's canvas.
bool celpacksGrid(const GridOptions& options);

// Whether a picture of this size can hold the grid or chart `options`
// ask for; false with the reason. Asked from the file's header, before
// its pixels are decoded, and again by glyphsFromPicture.
bool gridFitsPicture(int width, int height, const GridOptions& options, std::string& error);

// Every pixel that is not paper is ink (see PictureReading). A cell smaller than 16 x 16 goes to
// the top left of its glyph. False with a reason (cells larger than 16 x 16,
// a picture too small for its grid, a chart of the wrong shape).
bool glyphsFromPicture(const Picture& picture, const GridOptions& options, Font& out,
                       std::string& error, PictureReading* reading = nullptr);

// "1,204" for 1204.
std::string groupedNumber(std::size_t value);
// "FF00FF" for 0xFF00FF.
std::string colourHex(std::uint32_t colour);
// colourHex of the paper, or "transparency" for transparent paper.
std::string paperText(const PictureReading& reading);

// Lines worth a warning: a blank result, every glyph full, pixels of other
// colours than ink and paper taken as ink (without a threshold).
std::vector<std::string> readingWarnings(const PictureReading& reading, const GridOptions& options);

}  // namespace celkit

#endif
