#include "celkit/picture/glyph_grid.h"

#include <unordered_map>

namespace celkit {
namespace {

std::string size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

void copyCell(const Picture& picture, int left, int top, int width, int height, std::uint32_t paper,
              int glyph, Font& out) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (picture.at(left + x, top + y) != paper) out.setPixel(glyph, x, y, true);
}

bool fromGrid(const Picture& picture, const GridOptions& options, std::uint32_t paper, Font& out,
              std::string& error) {
    int cellWidth = options.cellWidth, cellHeight = options.cellHeight;
    if (cellWidth == 0) {
        if (picture.width % 16 != 0 || picture.height % 16 != 0) {
            error =
                "a " + size(picture.width, picture.height) +
                " picture is no grid of 16 x 16 equal cells; give the cell size with --cell WxH";
            return false;
        }
        cellWidth = picture.width / 16;
        cellHeight = picture.height / 16;
    }
    if (cellWidth > glyphSide || cellHeight > glyphSide) {
        error = "cells of " + size(cellWidth, cellHeight) + " pixels; at most 16 x 16 fit";
        return false;
    }
    if (picture.width < 16 * cellWidth || picture.height < 16 * cellHeight) {
        error = "a " + size(picture.width, picture.height) +
                " picture is too small for 16 x 16 cells of " + size(cellWidth, cellHeight);
        return false;
    }
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        copyCell(picture, (glyph % 16) * cellWidth, (glyph / 16) * cellHeight, cellWidth,
                 cellHeight, paper, glyph, out);
    return true;
}

bool fromUnifontChart(const Picture& picture, const GridOptions& options, std::uint32_t paper,
                      Font& out, std::string& error) {
    int cellsWide = (picture.width - unifontLeftBand) / glyphSide;
    int cellsHigh = (picture.height - unifontTopBand) / glyphSide;
    if (cellsWide <= 0 || cellsHigh <= 0 || (picture.width - unifontLeftBand) % glyphSide != 0 ||
        (picture.height - unifontTopBand) % glyphSide != 0) {
        error = "a " + size(picture.width, picture.height) +
                " picture is no chart of 16 x 16 cells below a 64-pixel and right of a 32-pixel "
                "label band";
        return false;
    }
    long long cells = static_cast<long long>(cellsWide) * cellsHigh;
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        long long codepoint = -1;
        if (options.first)
            codepoint = static_cast<long long>(*options.first) + glyph;
        else if (!options.map.codepoints[std::size_t(glyph)].empty())
            codepoint = options.map.codepoints[std::size_t(glyph)].front();
        if (codepoint < 0 || codepoint >= cells) continue;  // not in the chart: a blank glyph
        int column = int(codepoint % cellsWide), row = int(codepoint / cellsWide);
        copyCell(picture, unifontLeftBand + column * glyphSide, unifontTopBand + row * glyphSide,
                 glyphSide, glyphSide, paper, glyph, out);
    }
    return true;
}

}  // namespace

std::uint32_t mostCommonColour(const Picture& picture) {
    // Counted a run at a time: pictures are mostly long runs of paper.
    std::unordered_map<std::uint32_t, std::size_t> counts;
    for (std::size_t i = 0; i < picture.pixels.size();) {
        std::size_t end = i + 1;
        while (end < picture.pixels.size() && picture.pixels[end] == picture.pixels[i]) ++end;
        counts[picture.pixels[i]] += end - i;
        i = end;
    }
    std::uint32_t best = 0;
    std::size_t bestCount = 0;
    for (const auto& [colour, count] : counts)
        if (count > bestCount || (count == bestCount && colour < best)) {
            best = colour;
            bestCount = count;
        }
    return best;
}

bool glyphsFromPicture(const Picture& picture, const GridOptions& options, Font& out,
                       std::string& error) {
    out = Font();
    std::uint32_t paper = options.paper ? *options.paper : mostCommonColour(picture);
    bool done = options.layout == GridLayout::Unifont
                    ? fromUnifontChart(picture, options, paper, out, error)
                    : fromGrid(picture, options, paper, out, error);
    if (!done) out = Font();
    return done;
}

}  // namespace celkit
