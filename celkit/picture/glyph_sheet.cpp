#include "celkit/picture/glyph_sheet.h"

#include <algorithm>

#include "celkit/font/text_codes.h"

namespace celkit {
namespace {

void drawGlyph(const Font& font, int glyph, int left, int top, int width, int height,
               std::uint32_t ink, Picture& out, std::vector<int>& clipped) {
    bool outside = false;
    for (int y = 0; y < glyphSide; ++y)
        for (int x = 0; x < glyphSide; ++x) {
            if (!font.pixel(glyph, x, y)) continue;
            if (x < width && y < height)
                out.set(left + x, top + y, ink);
            else
                outside = true;
        }
    if (outside) clipped.push_back(glyph);
}

long long codepointOf(const SheetLayout& layout, int glyph) {
    if (layout.first) return static_cast<long long>(*layout.first) + glyph;
    const auto& codepoints = layout.map.codepoints[static_cast<std::size_t>(glyph)];
    return codepoints.empty() ? -1 : static_cast<long long>(codepoints.front());
}

// As wide as the Unifont chart, 256 cells, and as high as the largest code
// point needs: the chart import reads.
bool drawChart(const Font& font, const SheetLayout& layout, Picture& out, std::vector<int>& clipped,
               std::string& error) {
    constexpr int columns = 256;
    long long last = -1;
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        last = std::max(last, codepointOf(layout, glyph));
    long long rows = last < 0 ? 1 : last / columns + 1;
    long long width = unifontLeftBand + columns * glyphSide,
              height = unifontTopBand + rows * glyphSide;
    if (width * height > pictureLimit) {
        error = "a chart reaching " + codepointName(static_cast<char32_t>(last)) + " would be " +
                std::to_string(width) + " x " + std::to_string(height) + " pixels; at most " +
                std::to_string(pictureLimit) + " pixels";
        return false;
    }
    out = Picture(static_cast<int>(width), static_cast<int>(height), layout.paper);
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        long long codepoint = codepointOf(layout, glyph);
        if (codepoint < 0) continue;  // a glyph that stands for nothing has no place
        drawGlyph(font, glyph, unifontLeftBand + static_cast<int>(codepoint % columns) * glyphSide,
                  unifontTopBand + static_cast<int>(codepoint / columns) * glyphSide, glyphSide,
                  glyphSide, layout.ink, out, clipped);
    }
    return true;
}

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

bool drawSheet(const Font& font, const SheetLayout& layout, Picture& out, std::vector<int>& clipped,
               std::string& error) {
    clipped.clear();
    if (layout.layout == GridLayout::Unifont) return drawChart(font, layout, out, clipped, error);
    int cellWidth = layout.cellWidth, cellHeight = layout.cellHeight;
    out = Picture(16 * cellWidth, 16 * cellHeight, layout.paper);
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        drawGlyph(font, glyph, (glyph % 16) * cellWidth, (glyph / 16) * cellHeight, cellWidth,
                  cellHeight, layout.ink, out, clipped);
    return true;
}

std::vector<std::uint8_t> encodeTwoColourBmp(const Picture& picture) {
    if (!picture.indexed() || picture.palette.size() > 2 || picture.width <= 0 ||
        picture.height <= 0)
        return {};
    std::size_t width = static_cast<std::size_t>(picture.width),
                height = static_cast<std::size_t>(picture.height);
    std::size_t stride = ((width + 31) / 32) * 4;
    if (stride > (0xFFFFFFFFu - 62) / height) return {};
    std::uint32_t pixelBytes = static_cast<std::uint32_t>(stride * height), offset = 14 + 40 + 8;
    std::vector<std::uint8_t> out = {'B', 'M'};
    put(out, offset + pixelBytes, 4);
    put(out, 0, 4);
    put(out, offset, 4);
    put(out, 40, 4);
    put(out, static_cast<std::uint32_t>(width), 4);
    put(out, static_cast<std::uint32_t>(height), 4);  // bottom-up
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, 0, 4);  // BI_RGB
    put(out, pixelBytes, 4);
    put(out, 2835, 4);  // 72 dots per inch
    put(out, 2835, 4);
    put(out, 2, 4);
    put(out, 0, 4);
    // A one-colour picture still has two entries: the second is never used.
    for (std::size_t i = 0; i < 2; ++i)
        put(out, picture.palette[std::min(i, picture.palette.size() - 1)], 4);
    std::size_t start = out.size();
    out.resize(start + stride * height, 0);
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = out.data() + start + (height - 1 - y) * stride;
        const std::uint8_t* in = picture.bytes.data() + y * width;
        for (std::size_t x = 0; x < width; ++x)
            if (in[x] != 0) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return out;
}

}  // namespace celkit
