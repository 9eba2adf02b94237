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

// Horizontal line metrics of the strike; vertical ones repeat them, as
// fonts without vertical layout do.
void lineMetrics(Bytes& out, Cell cell) {
    const int a = cell.ascent, d = cell.descent();
    for (int v : {a, -d, cell.width, 1, 0, 0, 0, 0, a, -d, 0, 0}) put(out, v, 1);
}

int imageSize(Cell cell) { return cell.width * glyphSide / 8; }

Bytes strikeLocations(Cell cell) {
    Bytes t;
    put32(t, 0x00020000);
    put32(t, 1);  // one strike
    const int arrayOffset = 8 + 48, subtableOffset = 8, subtableSize = 20;
    put32(t, arrayOffset);
    put32(t, subtableOffset + subtableSize);
    put32(t, 1);  // one index subtable
    put32(t, 0);  // no colour
    lineMetrics(t, cell);
    lineMetrics(t, cell);
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
    put32(t, imageSize(cell));
    const int w = cell.width;
    for (int v : {glyphSide, w, 0, cell.ascent, w, -w / 2, 0, glyphSide}) put(t, v, 1);
    return t;
}

// Each glyph's rows, the cell's columns of each, bit-packed.
Bytes strikeData(const Font& font, Cell cell) {
    Bytes t;
    put32(t, 0x00020000);
    t.resize(t.size() + static_cast<std::size_t>(imageSize(cell)) * notdef, 0);
    const Bytes rows = packedRows(font, cell.width);
    t.insert(t.end(), rows.begin(), rows.end());
    return t;
}

Bytes horizontalMetrics(Cell cell) {
    Bytes t;
    put16(t, cell.width);
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
                                   const std::string& family, Cell cell) {
    const std::vector<char32_t> unique = uniqueCodepoints(map);
    sfnt::CodeGlyphs codes;
    for (int g = 0; g < glyphCount; ++g) codes.emplace_back(unique[g], g + notdef);
    const sfnt::Layout layout{1, cell.width, cell.ascent};  // a unit per pixel of the strike
    return sfnt::assemble({
        {"EBDT", strikeData(font, cell)},
        {"EBLC", strikeLocations(cell)},
        {"OS/2", sfnt::os2(layout, codes)},
        {"cmap", sfnt::characterMap(codes, true)},
        {"head", sfnt::fontHeader(layout, {0, -cell.descent(), cell.width, cell.ascent}, 0)},
        {"hhea", sfnt::horizontalHeader(layout, 0, 0, cell.width)},
        {"hmtx", horizontalMetrics(cell)},
        {"maxp", maximumProfile()},
        {"name", sfnt::names(family)},
        {"post", sfnt::postScript(layout)},
    });
}

}  // namespace celkit
