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

// The digits of `label` centred in a cell `cell` pixels wide at (left, top).
void drawLabel(Picture& picture, const std::string& label, const ChartLayout& layout, int left,
               int top, int cell, std::uint32_t colour) {
    const int d = layout.digitScale, size = static_cast<int>(label.size());
    const int perLine = (size + layout.labelLines - 1) / layout.labelLines;
    for (int line = 0; line * perLine < size; ++line) {
        const int count = std::min(perLine, size - line * perLine);
        const int width = (count * (digitWidth + layout.digitGap) - layout.digitGap) * d;
        for (int i = 0; i < count; ++i) {
            const char c = label[static_cast<std::size_t>(line * perLine + i)];
            drawDigit(picture, c <= '9' ? c - '0' : c - 'A' + 10,
                      left + (cell - width) / 2 + i * (digitWidth + layout.digitGap) * d,
                      top + d + line * (digitHeight + 1) * d, d, colour);
        }
    }
}

}  // namespace

ChartLayout chartLayout(const PreviewStyle& style, int labelDigits) {
    ChartLayout layout;
    const int cell = glyphSide * style.scale;
    layout.digitScale = style.scale;
    layout.pitch = glyphSide * style.scale + 1;
    if (style.labels == ChartLabels::CodePoints) {
        layout.left = layout.top = 0;
        // The first way the longest label fits the cell's width.
        for (int lines = 1; lines <= 2; ++lines)
            for (int gap = 1; gap >= 0; --gap) {
                const int perLine = (std::max(labelDigits, 2) + lines - 1) / lines;
                const int d = std::min(style.scale, cell / (perLine * (digitWidth + gap) - gap));
                if (d >= 1 && layout.labelBand == 0) {
                    layout.digitScale = d;
                    layout.labelLines = lines;
                    layout.digitGap = gap;
                    layout.labelBand = (lines * (digitHeight + 1) + 1) * d;
                }
            }
    } else {
        layout.left =
            10 * layout.digitScale;  // "F0" is 7 digit pixels wide, with room on both sides
        layout.top = 9 * layout.digitScale;
    }
    layout.rowPitch = layout.pitch + layout.labelBand;
    layout.width = layout.left + 16 * layout.pitch + 1;
    layout.height = layout.top + 16 * layout.rowPitch + 1;
    return layout;
}

std::string chartLabel(char32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 15]);
        value >>= 4;
    } while (value != 0);
    if (out.size() < 2) out.insert(out.begin(), '0');
    return out;
}

Picture renderChart(const Font& font, const PreviewStyle& style, const CodepointMap& map) {
    int labelDigits = 0;
    for (const auto& codepoints : map.codepoints)
        if (!codepoints.empty())
            labelDigits = std::max(labelDigits, static_cast<int>(chartLabel(codepoints[0]).size()));
    ChartLayout layout = chartLayout(style, labelDigits);
    int d = layout.digitScale, cell = glyphSide * style.scale;
    Picture picture(layout.width, layout.height, style.paper);
    std::uint32_t grid = halfway(style.ink, style.paper);
    for (int k = 0; k <= 16; ++k) {
        picture.fill(layout.left + k * layout.pitch, layout.top, 1, 16 * layout.rowPitch + 1, grid);
        picture.fill(layout.left, layout.top + k * layout.rowPitch, 16 * layout.pitch + 1, 1, grid);
    }
    if (style.labels == ChartLabels::Numbers) {
        for (int k = 0; k < 16; ++k) {
            int cellLeft = layout.left + 1 + k * layout.pitch,
                cellTop = layout.top + 1 + k * layout.rowPitch;
            drawDigit(picture, k, cellLeft + (cell - digitWidth * d) / 2, 2 * d, d, style.ink);
            int labelTop = cellTop + (cell - digitHeight * d) / 2;
            drawDigit(picture, k, layout.left - 9 * d, labelTop, d, style.ink);
            drawDigit(picture, 0, layout.left - 5 * d, labelTop, d, style.ink);
        }
    }
    for (int glyph = 0; glyph < glyphCount; ++glyph) {
        const int left = layout.left + 1 + (glyph % 16) * layout.pitch,
                  top = layout.top + 1 + (glyph / 16) * layout.rowPitch;
        const auto& codepoints = map.codepoints[static_cast<std::size_t>(glyph)];
        if (style.labels == ChartLabels::CodePoints && !codepoints.empty())
            drawLabel(picture, chartLabel(codepoints[0]), layout, left, top, cell, grid);
        drawGlyph(picture, font, glyph, left, top + layout.labelBand, style.scale, style.ink);
    }
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
    // Letters sit as close as the font's ink allows: an 8-pixel font's
    // words read whole and its box-drawing lines join.
    int s = style.scale, margin = s, advance = font.inkWidth() * s, height = glyphSide * s;
    Picture picture(static_cast<int>(longest) * advance + 2 * margin,
                    static_cast<int>(lines.size()) * height + 2 * margin, style.paper);
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
                          margin + static_cast<int>(row) * height, s, style.ink);
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
