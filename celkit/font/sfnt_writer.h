// The parts of an sfnt font file (OpenType, TrueType) that celkit's .otb and
// .ttf writers share: big-endian fields, the table directory with its
// checksums, and the tables whose content is the same apart from the size of
// a pixel in font units and the cell: cmap, name, OS/2, head, hhea and post.
// Every glyph sits in the 16-row cell with its baseline the cell's ascent
// rows down, glyph 0 is the .notdef and glyph g + 1 the font's glyph g.
#ifndef CELKIT_FONT_SFNT_WRITER_H
#define CELKIT_FONT_SFNT_WRITER_H

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace celkit::sfnt {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, long value, int bytes);  // big-endian, the low `bytes` bytes
inline void put16(Bytes& out, long value) { put(out, value, 2); }
inline void put32(Bytes& out, long value) { put(out, value, 4); }

struct Table {
    const char* tag;
    Bytes bytes;
};
// The file: directory sorted by tag, tables padded to 4 bytes, and head's
// checksum adjustment filled in (head must be among the tables).
Bytes assemble(std::vector<Table> tables);

// Sizes in font units: a pixel is unitsPerPixel units, the em the cell's height.
struct Layout {
    int unitsPerPixel;
    int advance;       // in pixels
    int ascentPixels;  // rows above the baseline
    int ascent() const;
    int descent() const;  // positive, below the baseline
    int em() const;
};
struct Box {
    int xMin, yMin, xMax, yMax;
};

// Codes and their glyphs, each code once: format 4 for the first plane, and
// format 12 for all planes when `full` or when a code needs it.
using CodeGlyphs = std::vector<std::pair<char32_t, std::uint32_t>>;
Bytes characterMap(CodeGlyphs codes, bool full);
Bytes names(const std::string& family);

// OS/2's bits for the Unicode blocks the codes reach, and for the code pages
// (those celkit knows) whose every character they hold.
struct Coverage {
    std::array<std::uint32_t, 4> unicode{};
    std::array<std::uint32_t, 2> codePages{};
};
Coverage coverage(const CodeGlyphs& codes);
Bytes os2(const Layout& layout, const CodeGlyphs& codes, const Coverage& covers = {});
Bytes fontHeader(const Layout& layout, const Box& bounds, int locationFormat);
Bytes horizontalHeader(const Layout& layout, int minLeft, int minRight, int maxExtent);
Bytes postScript(const Layout& layout);

}  // namespace celkit::sfnt

#endif
