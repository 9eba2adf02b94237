// A font as a reader finds it, before the 256 glyphs of a celpack font are
// picked from it: any number of glyphs of any size, each with the code
// points it stands for and its place in the 16 x 16 cell. Readers check
// sizes before filling one, so every glyph's rows hold height rows of
// (width + 7) / 8 bytes.
#ifndef CELKIT_FONT_SOURCE_FONT_H
#define CELKIT_FONT_SOURCE_FONT_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/font.h"
#include "celkit/font/import_options.h"

namespace celkit {

struct SourceGlyph {
    long number = 0;  // its number in the file (index or encoding), for picking and messages
    std::vector<char32_t> codepoints;
    int width = 0, height = 0;
    int left = 0, top = 0;           // where its top-left pixel lands in the cell
    std::vector<std::uint8_t> rows;  // height rows of (width + 7) / 8 bytes, bit 7 leftmost

    bool pixel(int x, int y) const {
        return (rows[static_cast<std::size_t>(y) * ((width + 7) / 8) + x / 8] &
                (0x80 >> (x % 8))) != 0;
    }
};

struct SourceFont {
    std::vector<SourceGlyph> glyphs;
    // Code points are Unicode: glyphs are picked by the map (or the block
    // from `first`). Otherwise slot i takes the glyph numbered i (or first + i).
    bool unicode = false;
    std::vector<std::string> warnings;  // one line each, for the user
};

// Fills `out` with the glyphs the options pick; false when a picked glyph is
// larger than the cell or when none of the font's glyphs is picked.
bool pickGlyphs(const SourceFont& source, const ImportOptions& options, Font& out,
                std::string& error);

// Hex digits for messages ("0x41").
std::string hexNumber(long value);

}  // namespace celkit

#endif
