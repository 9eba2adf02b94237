// celkit's font record: the celpack raw font in memory, and the check that a
// .fnt file's bytes are one. Every format reader fills a Font and every
// writer reads one; nothing else about a font is kept.
#ifndef CELKIT_FONT_FONT_H
#define CELKIT_FONT_FONT_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace celkit {

inline constexpr int glyphCount = 256, glyphSide = 16, glyphBytes = 32, fontBytes = 8192;

// Glyph g is bytes g*32 .. g*32+31: 16 rows of two bytes from the top, bit 7 of the first byte leftmost.
struct Font {
    std::array<std::uint8_t, fontBytes> bytes{};
    bool pixel(int glyph, int x, int y) const;
    void setPixel(int glyph, int x, int y, bool ink);
    bool blank(int glyph) const;
    // 8 when every glyph's ink lies in columns 0-7 (a console font drawn in
    // the left half of its cells), else 16.
    int inkWidth() const;
    // The first glyph with ink in columns 8-15, or -1.
    int firstWideGlyph() const;
};

// "0x41": how messages and listings name glyph 0x41.
std::string glyphNumber(int glyph);

// A .fnt file's bytes: exactly 8192 of them, else false with a reason in `error`.
bool parseFnt(const std::vector<std::uint8_t>& data, Font& out, std::string& error);

}  // namespace celkit

#endif
