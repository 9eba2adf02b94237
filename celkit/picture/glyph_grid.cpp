#include "celkit/picture/glyph_grid.h"

namespace celkit {
namespace {

std::string size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Which colours are ink, judged once per palette entry.
struct InkTest {
    const Picture& picture;
    std::uint32_t paper;
    bool ink[256] = {};
    InkTest(const Picture& picture, std::uint32_t paper) : picture(picture), paper(paper) {
        for (std::size_t i = 0; i < picture.palette.size(); ++i)
            ink[i] = picture.palette[i] != paper;
    }
    bool operator()(std::size_t i) const {
        return picture.indexed() ? ink[picture.bytes[i]] : picture.colour(i) != paper;
    }
};

void copyCell(const InkTest& isInk, int left, int top, int width, int height, int glyph,
              Font& out) {
    const Picture& picture = isInk.picture;
    for (int y = 0; y < height; ++y) {
        std::size_t row =
            static_cast<std::size_t>(top + y) * static_cast<std::size_t>(picture.width) +
            static_cast<std::size_t>(left);
        for (int x = 0; x < width; ++x)
            if (isInk(row + static_cast<std::size_t>(x))) out.setPixel(glyph, x, y, true);
    }
}

// The cell size a grid picture has: as told, or a sixteenth of each side.
void gridCell(int width, int height, const GridOptions& options, int& cellWidth, int& cellHeight) {
    cellWidth = options.cellWidth;
    cellHeight = options.cellHeight;
    if (cellWidth == 0) {
        cellWidth = width / 16;
        cellHeight = height / 16;
    }
}

bool gridFits(int width, int height, const GridOptions& options, std::string& error) {
    if (options.cellWidth == 0 && (width % 16 != 0 || height % 16 != 0)) {
        error = "a " + size(width, height) +
                " picture is no grid of 16 x 16 equal cells; give the cell size with --cell WxH";
        return false;
    }
    int cellWidth, cellHeight;
    gridCell(width, height, options, cellWidth, cellHeight);
    if (cellWidth > glyphSide || cellHeight > glyphSide) {
        error = "cells of " + size(cellWidth, cellHeight) + " pixels; at most 16 x 16 fit";
        return false;
    }
    if (width < 16 * cellWidth || height < 16 * cellHeight) {
        error = "a " + size(width, height) + " picture is too small for 16 x 16 cells of " +
                size(cellWidth, cellHeight);
        return false;
    }
    return true;
}

bool chartFits(int width, int height, std::string& error) {
    if (width <= unifontLeftBand || height <= unifontTopBand ||
        (width - unifontLeftBand) % glyphSide != 0 || (height - unifontTopBand) % glyphSide != 0) {
        error = "a " + size(width, height) +
                " picture is no chart of 16 x 16 cells below a 64-pixel and right of a 32-pixel "
                "label band";
        return false;
    }
    return true;
}

void fromGrid(const InkTest& isInk, const GridOptions& options, Font& out) {
    int cellWidth, cellHeight;
    gridCell(isInk.picture.width, isInk.picture.height, options, cellWidth, cellHeight);
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        copyCell(isInk, (glyph % 16) * cellWidth, (glyph / 16) * cellHeight, cellWidth, cellHeight,
                 glyph, out);
}

void fromUnifontChart(const InkTest& isInk, const GridOptions& options, Font& out) {
    const Picture& picture = isInk.picture;
    int cellsWide = (picture.width - unifontLeftBand) / glyphSide;
    int cellsHigh = (picture.height - unifontTopBand) / glyphSide;
    long long cells = static_cast<long long>(cellsWide) * cellsHigh;
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        long long codepoint = -1;
        if (options.first)
            codepoint = static_cast<long long>(*options.first) + glyph;
        else if (!options.map.codepoints[static_cast<std::size_t>(glyph)].empty())
            codepoint = options.map.codepoints[static_cast<std::size_t>(glyph)].front();
        if (codepoint < 0 || codepoint >= cells) continue;  // not in the chart: a blank glyph
        int column = static_cast<int>(codepoint % cellsWide),
            row = static_cast<int>(codepoint / cellsWide);
        copyCell(isInk, unifontLeftBand + column * glyphSide, unifontTopBand + row * glyphSide,
                 glyphSide, glyphSide, glyph, out);
    }
}

}  // namespace

bool gridFitsPicture(int width, int height, const GridOptions& options, std::string& error) {
    return options.layout == GridLayout::Unifont ? chartFits(width, height, error)
                                                 : gridFits(width, height, options, error);
}

bool glyphsFromPicture(const Picture& picture, const GridOptions& options, Font& out,
                       std::string& error) {
    out = Font();
    if (!gridFitsPicture(picture.width, picture.height, options, error)) return false;
    std::uint32_t paper = options.paper ? *options.paper : mostCommonColour(picture);
    InkTest isInk(picture, paper);
    if (options.layout == GridLayout::Unifont)
        fromUnifontChart(isInk, options, out);
    else
        fromGrid(isInk, options, out);
    return true;
}

}  // namespace celkit
