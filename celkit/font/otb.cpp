#include "celkit/font/otb.h"

#include <algorithm>
#include <utility>

#include "celkit/font/bdf.h"
#include "celkit/font/sfnt_writer.h"

namespace celkit {

namespace {

using sfnt::Bytes;
using sfnt::put;
using sfnt::put16;
using sfnt::put32;

constexpr int notdef = 1;  // glyphs before the font's own
constexpr int numGlyphs = glyphCount + notdef;
constexpr int descent = glyphSide - bdfAscent;

// Horizontal line metrics of the strike; vertical ones repeat them, as
// fonts without vertical layout do.
void lineMetrics(Bytes& out) {
    for (int v : {bdfAscent, -descent, glyphSide, 1, 0, 0, 0, 0, bdfAscent, -descent, 0, 0})
        put(out, v, 1);
}

Bytes strikeLocations() {
    Bytes t;
    put32(t, 0x00020000);
    put32(t, 1);  // one strike
    const int arrayOffset = 8 + 48, subtableOffset = 8, subtableSize = 20;
    put32(t, arrayOffset);
    put32(t, subtableOffset + subtableSize);
    put32(t, 1);  // one index subtable
    put32(t, 0);  // no colour
    lineMetrics(t);
    lineMetrics(t);
    put16(t, 0);
    put16(t, numGlyphs - 1);
    for (int v : {glyphSide, glyphSide, 1, 1}) put(t, v, 1);  // ppem, 1 bit deep, horizontal
    put16(t, 0);
    put16(t, numGlyphs - 1);
    put32(t, subtableOffset);
    // Every glyph the same size, its metrics here and its bits packed in EBDT.
    put16(t, 2);
    put16(t, 5);
    put32(t, 4);  // after EBDT's version
    put32(t, glyphBytes);
    for (int v : {glyphSide, glyphSide, 0, bdfAscent, glyphSide, -glyphSide / 2, 0, glyphSide})
        put(t, v, 1);
    return t;
}

Bytes strikeData(const Font& font) {
    Bytes t;
    put32(t, 0x00020000);
    t.resize(t.size() + glyphBytes * notdef, 0);
    t.insert(t.end(), font.bytes.begin(), font.bytes.end());
    return t;
}

Bytes horizontalMetrics() {
    Bytes t;
    put16(t, glyphSide);
    put16(t, 0);
    for (int g = 1; g < numGlyphs; ++g) put16(t, 0);
    return t;
}

Bytes maximumProfile() {
    Bytes t;
    put32(t, 0x00005000);  // the short form: there are no outlines to describe
    put16(t, numGlyphs);
    return t;
}

}  // namespace

std::vector<std::uint8_t> writeOtb(const Font& font, const CodepointMap& map,
                                   const std::string& family) {
    const std::vector<char32_t> unique = uniqueCodepoints(map);
    sfnt::CodeGlyphs codes;
    for (int g = 0; g < glyphCount; ++g) codes.emplace_back(unique[g], g + notdef);
    const sfnt::Layout layout{1, glyphSide};  // a unit per pixel of the strike
    return sfnt::assemble({
        {"EBDT", strikeData(font)},
        {"EBLC", strikeLocations()},
        {"OS/2", sfnt::os2(layout, codes)},
        {"cmap", sfnt::characterMap(codes, true)},
        {"head", sfnt::fontHeader(layout, {0, -descent, glyphSide, bdfAscent}, 0)},
        {"hhea", sfnt::horizontalHeader(layout, 0, 0, glyphSide)},
        {"hmtx", horizontalMetrics()},
        {"maxp", maximumProfile()},
        {"name", sfnt::names(family)},
        {"post", sfnt::postScript(layout)},
    });
}

}  // namespace celkit
