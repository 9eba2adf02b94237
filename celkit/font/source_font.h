// A font as a reader finds it, before the 256 glyphs of a celpack font are
// picked from it: any number of glyphs of any size, each with its number,
// its place in the 16 x 16 cell and its rows in one buffer shared by all,
// so that a font of many glyphs costs no allocation per glyph. Readers
// check sizes before filling one: every glyph's rows lie inside `bits`.
#ifndef CELKIT_FONT_SOURCE_FONT_H
#define CELKIT_FONT_SOURCE_FONT_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/font.h"
#include "celkit/font/import_options.h"
#include "celkit/font/text_codes.h"

namespace celkit {

struct SourceGlyph {
    std::int32_t number = 0;  // index or encoding, for picking and messages; -1: never picked
    int width = 0, height = 0;
    int left = 0, top = 0;  // where its top-left pixel lands in the cell
    std::size_t at = 0;     // where its rows start in SourceFont::bits
};

// One entry of a Unicode table: a code point the glyph stands for.
struct CodepointLink {
    char32_t codepoint;
    std::uint32_t glyph;
};

struct SourceFont {
    std::vector<SourceGlyph> glyphs;
    // Each glyph's height rows of (width + 7) / 8 bytes, bit 7 leftmost; with
    // `hexDigits` every byte is two hex digits, as a .hex file holds them
    // (decoding only the glyphs picked keeps a large .hex cheap).
    std::vector<std::uint8_t> bits;
    bool hexDigits = false;
    // A Unicode table's links in file order; without one, a glyph is keyed
    // by its number.
    std::vector<CodepointLink> table;
    // Keys are Unicode: glyphs are picked by the map (or the block from
    // `first`). Otherwise slot i takes the glyph keyed i (or first + i).
    bool unicode = false;
    std::vector<std::string> warnings;  // one line each, for the user
    // Fonts the file holds, of which --index chose this one; 0 for formats of one font.
    std::size_t fonts = 0;

    bool pixel(const SourceGlyph& glyph, int x, int y) const;
};

// Largest key a glyph can be picked by: --first's last code point.
inline constexpr std::uint32_t keyLimit = lastCodepoint + 256;

// One bit per key up to keyLimit (136 KB), far cheaper than a hash per glyph.
class KeySet {
public:
    bool has(std::uint32_t key) const {
        return key <= keyLimit && (words[key / 64] >> (key % 64) & 1) != 0;
    }
    // False when the key was there already (or lies past keyLimit).
    bool add(std::uint32_t key) {
        if (key > keyLimit || has(key)) return false;
        words[key / 64] |= std::uint64_t(1) << (key % 64);
        return true;
    }
    void remove(std::uint32_t key) {
        if (key <= keyLimit) words[key / 64] &= ~(std::uint64_t(1) << (key % 64));
    }

private:
    std::vector<std::uint64_t> words = std::vector<std::uint64_t>(keyLimit / 64 + 1);
};

// One warning for `repeats` glyphs (or table entries: `what`) whose key an
// earlier one has; the earliest glyph is the one picked.
void warnOfRepeats(SourceFont& font, std::size_t repeats, std::uint32_t firstRepeat,
                   const char* what);
// The same, found by looking at every key.
void warnOfDuplicateKeys(SourceFont& font);

// Fills `out` with the glyphs the options pick; false when a picked glyph is
// larger than the cell or when none of the font's glyphs is picked.
bool pickGlyphs(const SourceFont& source, const ImportOptions& options, Font& out,
                std::string& error);

// Hex digits for messages ("0x41").
std::string hexNumber(long value);

}  // namespace celkit

#endif
