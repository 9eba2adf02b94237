#include "celkit/picture/font_preview.h"

#include <algorithm>

#include "celkit/font/text_codes.h"

namespace celkit {
namespace {

// Hex digits 3 pixels wide and 5 high, a row per entry, bit 2 leftmost.
constexpr std::uint8_t digitRows[16][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7},
    {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2},
    {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {2, 5, 7, 5, 5}, {6, 5, 6, 5, 6},
    {3, 4, 4, 4, 3}, {6, 5, 5, 5, 6}, {7, 4, 6, 4, 7}, {7, 4, 6, 4, 4},
};
constexpr int digitWidth = 3, digitHeight = 5;

void drawDigit(Picture& picture, int digit, int left, int top, int scale, std::uint32_t colour) {
    for (int y = 0; y < digitHeight; ++y)
        for (int x = 0; x < digitWidth; ++x)
            if (digitRows[digit][y] & (4 >> x))
                picture.fill(left + x * scale, top + y * scale, scale, scale, colour);
}

void drawGlyph(Picture& picture, const Font& font, int glyph, int left, int top, int scale,
               std::uint32_t ink) {
    for (int y = 0; y < glyphSide; ++y)
        for (int x = 0; x < glyphSide; ++x)
            if (font.pixel(glyph, x, y))
                picture.fill(left + x * scale, top + y * scale, scale, scale, ink);
}

std::uint32_t halfway(std::uint32_t a, std::uint32_t b) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2) << shift;
    return out;
}

}  // namespace

ChartLayout chartLayout(const PreviewStyle& style) {
    ChartLayout layout;
    layout.digitScale = std::max(1, style.scale / 2);
    layout.left = 10 * layout.digitScale;  // "F0" is 7 digit pixels wide, with room on both sides
    layout.top = 9 * layout.digitScale;
    layout.pitch = glyphSide * style.scale + 1;
    layout.width = layout.left + 16 * layout.pitch + 1;
    layout.height = layout.top + 16 * layout.pitch + 1;
    return layout;
}

Picture renderChart(const Font& font, const PreviewStyle& style) {
    ChartLayout layout = chartLayout(style);
    int d = layout.digitScale, cell = glyphSide * style.scale;
    Picture picture(layout.width, layout.height, style.paper);
    std::uint32_t grid = halfway(style.ink, style.paper);
    for (int k = 0; k <= 16; ++k) {
        picture.fill(layout.left + k * layout.pitch, layout.top, 1, 16 * layout.pitch + 1, grid);
        picture.fill(layout.left, layout.top + k * layout.pitch, 16 * layout.pitch + 1, 1, grid);
    }
    for (int k = 0; k < 16; ++k) {
        int cellLeft = layout.left + 1 + k * layout.pitch,
            cellTop = layout.top + 1 + k * layout.pitch;
        drawDigit(picture, k, cellLeft + (cell - digitWidth * d) / 2, 2 * d, d, style.ink);
        int labelTop = cellTop + (cell - digitHeight * d) / 2;
        drawDigit(picture, k, layout.left - 9 * d, labelTop, d, style.ink);
        drawDigit(picture, 0, layout.left - 5 * d, labelTop, d, style.ink);
    }
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        drawGlyph(picture, font, glyph, layout.left + 1 + (glyph % 16) * layout.pitch,
                  layout.top + 1 + (glyph / 16) * layout.pitch, style.scale, style.ink);
    return picture;
}

namespace {

// Lines of the text and the code points of its longest line.
void textExtent(const std::u32string& text, std::size_t& lines, std::size_t& longest) {
    lines = 1;
    longest = 0;
    std::size_t current = 0;
    for (char32_t c : text) {
        if (c == U'\n') {
            ++lines;
            current = 0;
        } else {
            longest = std::max(longest, ++current);
        }
    }
}

}  // namespace

bool textFits(const std::string& text, const PreviewStyle& style, std::string& error) {
    std::size_t lines = 0, longest = 0;
    textExtent(decodeUtf8(text), lines, longest);
    // A side past the limit is refused before the sides are multiplied;
    // two sides within it multiply without overflow in 64 bits.
    const unsigned long long limit = static_cast<unsigned long long>(pictureLimit);
    unsigned long long s = static_cast<unsigned>(style.scale), advance = glyphSide * s;
    bool fits = lines <= limit / advance && longest <= limit / advance;
    if (fits) {
        unsigned long long width = longest * advance + 2 * s, height = lines * advance + 2 * s;
        fits = width * height <= limit;
    }
    if (!fits) {
        error = "--text: " + std::to_string(lines) + " line(s) of up to " +
                std::to_string(longest) + " characters at scale " + std::to_string(style.scale) +
                " make a picture of more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    return true;
}

Picture renderText(const Font& font, const CodepointMap& map, const std::string& text,
                   const PreviewStyle& style, int& missing) {
    std::vector<std::u32string> lines(1);
    for (char32_t c : decodeUtf8(text)) {
        if (c == U'\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    std::size_t longest = 0;
    for (const auto& line : lines) longest = std::max(longest, line.size());
    int s = style.scale, margin = s, advance = glyphSide * s;
    Picture picture(static_cast<int>(longest) * advance + 2 * margin,
                    static_cast<int>(lines.size()) * advance + 2 * margin, style.paper);
    int fallback = fallbackGlyph(map);
    missing = 0;
    for (std::size_t row = 0; row < lines.size(); ++row)
        for (std::size_t column = 0; column < lines[row].size(); ++column) {
            int glyph = map.glyphFor(lines[row][column]);
            if (glyph < 0) {
                ++missing;
                glyph = fallback;
            }
            if (glyph >= 0 && glyph < glyphCount)
                drawGlyph(picture, font, glyph, margin + static_cast<int>(column) * advance,
                          margin + static_cast<int>(row) * advance, s, style.ink);
        }
    return picture;
}

int fallbackGlyph(const CodepointMap& map) { return map.glyphFor(U'?'); }

std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size();) {
        char32_t c;
        const std::size_t used = celkit::decodeUtf8(bytes + i, text.size() - i, c);
        out.push_back(used ? c : U'\uFFFD');
        i += used ? used : 1;
    }
    return out;
}

}  // namespace celkit
