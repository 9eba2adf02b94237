#include "celkit/picture/glyph_grid.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

namespace celkit {
namespace {

std::string size(int width, int height) {
    return std::to_string(width) + " x " + std::to_string(height);
}

// Rec. 601 luma, 0-255.
int lightness(std::uint32_t colour) {
    return static_cast<int>(
        (299 * (colour >> 16 & 255) + 587 * (colour >> 8 & 255) + 114 * (colour & 255) + 500) /
        1000);
}

// Which pixels are ink, judged once per palette entry; the colours of the
// ink taken, counted as the cells are copied (256 cells of at most 16 x 16
// pixels: a small table).
struct InkTest {
    const Picture& picture;
    const PictureReading& reading;
    std::optional<int> threshold;
    bool ink[256] = {};
    std::unordered_map<std::uint32_t, std::size_t> inkColours;

    InkTest(const Picture& picture, const PictureReading& reading, std::optional<int> threshold)
        : picture(picture), reading(reading), threshold(threshold) {
        for (std::size_t i = 0; i < picture.palette.size(); ++i)
            ink[i] = inkColour(picture.palette[i]);
    }
    bool inkColour(std::uint32_t colour) const {
        if (reading.transparentPaper) return true;
        if (!threshold) return colour != reading.paper;
        return std::abs(lightness(colour) - lightness(reading.paper)) * 100 >= *threshold * 255;
    }
    bool operator()(std::size_t i) const {
        if (reading.alphaAsPaper && picture.transparent(i)) return false;
        return picture.indexed() ? ink[picture.bytes[i]] : inkColour(picture.colour(i));
    }
};

void copyCell(InkTest& isInk, int left, int top, int width, int height, int glyph, Font& out,
              PictureReading& reading) {
    const Picture& picture = isInk.picture;
    int inked = 0;
    for (int y = 0; y < height; ++y) {
        std::size_t row =
            static_cast<std::size_t>(top + y) * static_cast<std::size_t>(picture.width) +
            static_cast<std::size_t>(left);
        for (int x = 0; x < width; ++x)
            if (isInk(row + static_cast<std::size_t>(x))) {
                out.setPixel(glyph, x, y, true);
                ++isInk.inkColours[picture.colour(row + static_cast<std::size_t>(x))];
                ++inked;
            }
    }
    ++reading.cells;
    if (inked != 0) ++reading.glyphsWithInk;
    if (inked == width * height) ++reading.fullGlyphs;
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

void fromGrid(InkTest& isInk, const GridOptions& options, Font& out, PictureReading& reading) {
    int cellWidth, cellHeight;
    gridCell(isInk.picture.width, isInk.picture.height, options, cellWidth, cellHeight);
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        copyCell(isInk, (glyph % 16) * cellWidth, (glyph / 16) * cellHeight, cellWidth, cellHeight,
                 glyph, out, reading);
}

// Cells a smaller picture does not cover are blank; what lies beyond 16
// cells is not read.
void fromCelpacksGrid(InkTest& isInk, Font& out, PictureReading& reading) {
    const Picture& picture = isInk.picture;
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        int left = (glyph % 16) * glyphSide, top = (glyph / 16) * glyphSide;
        int width = std::min(glyphSide, picture.width - left),
            height = std::min(glyphSide, picture.height - top);
        if (width > 0 && height > 0) copyCell(isInk, left, top, width, height, glyph, out, reading);
    }
}

void fromUnifontChart(InkTest& isInk, const GridOptions& options, Font& out,
                      PictureReading& reading) {
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
                 glyphSide, glyphSide, glyph, out, reading);
    }
}

}  // namespace

bool celpacksGrid(const GridOptions& options) {
    return options.paper && (*options.paper & 0xFFFFFF) == 0 && options.cellWidth == 0 &&
           options.layout == GridLayout::Grid;
}

bool gridFitsPicture(int width, int height, const GridOptions& options, std::string& error) {
    return options.layout == GridLayout::Unifont ? chartFits(width, height, error)
                                                 : gridFits(width, height, options, error);
}

bool glyphsFromPicture(const Picture& picture, const GridOptions& options, Font& out,
                       std::string& error, PictureReading* result) {
    out = Font();
    bool celpacks = picture.celpackReads && celpacksGrid(options);
    if (!celpacks && !gridFitsPicture(picture.width, picture.height, options, error)) return false;
    PictureReading reading;
    if (options.paper) {
        reading.paper = *options.paper & 0xFFFFFF;
    } else {
        ColourCensus census = takeCensus(picture);
        reading.paper = census.mostCommon;
        reading.transparentPaper =
            census.transparent != 0 && census.transparent >= census.mostCommonCount;
    }
    // On black paper the picture is read as celpack reads it.
    reading.alphaAsPaper =
        picture.alpha.size() != 0 && (reading.transparentPaper || reading.paper != 0);
    InkTest isInk(picture, reading, options.threshold);
    if (celpacks)
        fromCelpacksGrid(isInk, out, reading);
    else if (options.layout == GridLayout::Unifont)
        fromUnifontChart(isInk, options, out, reading);
    else
        fromGrid(isInk, options, out, reading);
    std::vector<std::pair<std::uint32_t, std::size_t>> colours(isInk.inkColours.begin(),
                                                               isInk.inkColours.end());
    std::sort(colours.begin(), colours.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    for (const auto& colour : colours) reading.inkPixels += colour.second;
    if (!colours.empty()) {
        reading.ink = colours.front().first;
        reading.otherPixels = reading.inkPixels - colours.front().second;
        reading.otherColours.assign(colours.begin() + 1, colours.end());
    }
    if (result != nullptr) *result = std::move(reading);
    return true;
}

std::string colourHex(std::uint32_t colour) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(6, '0');
    for (int i = 5; i >= 0; --i, colour >>= 4)
        text[static_cast<std::size_t>(i)] = digits[colour & 15];
    return text;
}

std::string groupedNumber(std::size_t value) {
    std::string digits = std::to_string(value), out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string paperText(const PictureReading& reading) {
    return reading.transparentPaper ? "transparency" : colourHex(reading.paper);
}

std::vector<std::string> readingWarnings(const PictureReading& reading,
                                         const GridOptions& options) {
    std::vector<std::string> warnings;
    std::string hint = options.paper ? "" : "; --paper RRGGBB names the paper";
    if (reading.glyphsWithInk == 0)
        warnings.push_back("every glyph is blank: no pixel of the cells differs from the paper (" +
                           paperText(reading) + ")" + hint);
    else if (reading.cells != 0 && reading.fullGlyphs == reading.cells)
        warnings.push_back(
            "every glyph is full: every pixel of the cells differs from the paper (" +
            paperText(reading) + ")" + hint);
    if (reading.otherPixels != 0 && !options.threshold) {
        std::string text = groupedNumber(reading.otherPixels) + " pixel" +
                           (reading.otherPixels == 1 ? "" : "s") + " of " +
                           groupedNumber(reading.otherColours.size()) + " other colour" +
                           (reading.otherColours.size() == 1 ? "" : "s") + " (";
        constexpr std::size_t named = 3;
        for (std::size_t i = 0; i < reading.otherColours.size() && i < named; ++i)
            text += (i == 0 ? "" : ", ") + colourHex(reading.otherColours[i].first);
        if (reading.otherColours.size() > named) text += ", ...";
        text += ") taken as ink beside " + colourHex(reading.ink);
        text += reading.transparentPaper ? "; every pixel at least half opaque is ink"
                                         : "; --threshold N decides grey";
        warnings.push_back(text);
    }
    return warnings;
}

}  // namespace celkit
