#include "celkit/font/font.h"

#include <algorithm>

namespace celkit {

namespace {
int byteIndex(int glyph, int x, int y) { return glyph * glyphBytes + y * 2 + x / 8; }
std::uint8_t bitMask(int x) { return static_cast<std::uint8_t>(0x80u >> (x % 8)); }
bool inside(int glyph, int x, int y) {
    return glyph >= 0 && glyph < glyphCount && x >= 0 && x < glyphSide && y >= 0 && y < glyphSide;
}
}  // namespace

std::string glyphNumber(int glyph) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(glyph >> 4) & 15] + digits[glyph & 15];
}

bool Font::pixel(int glyph, int x, int y) const {
    return inside(glyph, x, y) && (bytes[byteIndex(glyph, x, y)] & bitMask(x)) != 0;
}

void Font::setPixel(int glyph, int x, int y, bool ink) {
    if (!inside(glyph, x, y)) return;
    std::uint8_t& b = bytes[byteIndex(glyph, x, y)];
    b = ink ? static_cast<std::uint8_t>(b | bitMask(x))
            : static_cast<std::uint8_t>(b & ~bitMask(x));
}

bool Font::blank(int glyph) const {
    if (glyph < 0 || glyph >= glyphCount) return true;
    for (int i = 0; i < glyphBytes; ++i)
        if (bytes[glyph * glyphBytes + i] != 0) return false;
    return true;
}

int Font::inkWidth() const { return firstWideGlyph() < 0 ? glyphSide / 2 : glyphSide; }

int Font::firstWideGlyph() const {
    // The right byte of every row.
    for (int i = 1; i < fontBytes; i += 2)
        if (bytes[i] != 0) return i / glyphBytes;
    return -1;
}

bool parseFnt(const std::vector<std::uint8_t>& data, Font& out, std::string& error) {
    if (data.size() != static_cast<std::size_t>(fontBytes)) {
        error = "a .fnt font is exactly 8192 bytes; this one is " + std::to_string(data.size());
        return false;
    }
    std::copy(data.begin(), data.end(), out.bytes.begin());
    return true;
}

}  // namespace celkit
