#include "celkit/font/export_cell.h"

#include <algorithm>
#include <array>

namespace celkit {

std::vector<std::uint8_t> packedRows(const Font& font, int width) {
    if (width != glyphSide / 2) return {font.bytes.begin(), font.bytes.end()};
    std::vector<std::uint8_t> rows;
    rows.reserve(fontBytes / 2);
    for (int i = 0; i < fontBytes; i += 2) rows.push_back(font.bytes[i]);
    return rows;
}

InkBox inkBox(const Font& font, int glyph, int cellWidth) {
    int x0 = cellWidth, x1 = -1, y0 = glyphSide, y1 = -1;
    for (int y = 0; y < glyphSide; ++y)
        for (int x = 0; x < cellWidth; ++x)
            if (font.pixel(glyph, x, y)) {
                x0 = std::min(x0, x), x1 = std::max(x1, x);
                y0 = std::min(y0, y), y1 = std::max(y1, y);
            }
    return x1 < 0 ? InkBox{} : InkBox{x0, y0, x1 + 1 - x0, y1 + 1 - y0};
}

int foundAscent(const Font& font, const CodepointMap& map) {
    std::array<int, glyphSide + 1> ending{};  // capitals by the ascent their last row gives
    for (char32_t c = U'A'; c <= U'Z'; ++c) {
        const int g = map.glyphFor(c);
        if (g < 0) continue;
        const InkBox ink = inkBox(font, g, glyphSide);
        if (ink.height > 0) ++ending[ink.top + ink.height];
    }
    int best = 0;
    for (int ascent = 1; ascent <= glyphSide; ++ascent)
        if (ending[ascent] > 0 && ending[ascent] >= ending[best]) best = ascent;
    return best > 0 ? best : defaultAscent;
}

Cell exportCell(const Font& font, const ExportOptions& options) {
    Cell cell;
    cell.width = options.width == glyphSide / 2 ? glyphSide / 2 : glyphSide;
    cell.ascent = options.baseline ? std::clamp(*options.baseline, 0, glyphSide)
                                   : foundAscent(font, options.map);
    return cell;
}

}  // namespace celkit
