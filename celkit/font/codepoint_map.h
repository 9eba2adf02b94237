// Which Unicode code points each of the 256 glyphs stands for: the two
// built-in maps and the text form of a font's Unicode table (a line per
// glyph or range of glyphs: the number, then code points as U+XXXX, or
// "idem"). Combining sequences (code points joined by commas) are read and
// dropped: a glyph of a 256-glyph font stands for single characters.
#ifndef CELKIT_FONT_CODEPOINT_MAP_H
#define CELKIT_FONT_CODEPOINT_MAP_H

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace celkit {

struct CodepointMap {
    std::array<std::vector<char32_t>, 256>
        codepoints;  // per glyph; the first is its main code point; may be empty
    // -1 when no glyph stands for it. A glyph whose main code point it is wins,
    // then the lowest glyph. The first call builds an index of the map as it
    // is then, so that setting a long text costs a search per character: fill
    // `codepoints` before looking up.
    int glyphFor(char32_t codepoint) const;

private:
    mutable std::vector<std::pair<char32_t, int>> index;  // sorted by code point
};

// "cp437" (the default), "latin1" or a code page of code_pages.h; nullopt
// for another name.
std::optional<CodepointMap> builtinMap(std::string_view name);
std::string builtinMapNames();  // "cp437, latin1, cp850, ..." for help and messages

// The text format of a font's Unicode table, as console font tools read and write it.
bool parseMapText(std::string_view text, CodepointMap& out, std::string& error);
std::string formatMapText(const CodepointMap& map);

}  // namespace celkit

#endif
