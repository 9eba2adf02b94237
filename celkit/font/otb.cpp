#include "celkit/font/otb.h"

#include <algorithm>
#include <utility>

#include "celkit/font/bdf.h"

namespace celkit {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int notdef = 1;  // glyphs before the font's own
constexpr int numGlyphs = glyphCount + notdef;
constexpr int descent = glyphSide - bdfAscent;

void put(Bytes& out, long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(static_cast<unsigned long>(value) >> (8 * i)));
}
void put16(Bytes& out, long value) { put(out, value, 2); }
void put32(Bytes& out, long value) { put(out, value, 4); }

std::uint32_t checksum(const Bytes& data) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < data.size(); i += 4) {
        std::uint32_t word = 0;
        for (std::size_t k = 0; k < 4; ++k)
            word = word << 8 | (i + k < data.size() ? data[i + k] : 0);
        sum += word;
    }
    return sum;
}

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

// Runs of consecutive codes on consecutive glyphs: (first code, last code, first glyph).
struct Run {
    std::uint32_t first, last, glyph;
};
std::vector<Run> runs(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& sorted) {
    std::vector<Run> out;
    for (auto [code, glyph] : sorted)
        if (!out.empty() && out.back().last + 1 == code &&
            out.back().glyph + (code - out.back().first) == glyph)
            out.back().last = code;
        else
            out.push_back({code, code, glyph});
    return out;
}

Bytes characterMap(const std::vector<char32_t>& codes) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> all, basic;
    for (int g = 0; g < glyphCount; ++g) {
        all.emplace_back(codes[g], g + notdef);
        if (codes[g] < 0xFFFF) basic.emplace_back(codes[g], g + notdef);
    }
    std::sort(all.begin(), all.end());
    std::sort(basic.begin(), basic.end());

    Bytes small;  // format 4: the first plane, closed by the segment for U+FFFF
    std::vector<Run> segments = runs(basic);
    segments.push_back({0xFFFF, 0xFFFF, 0});
    const long count = static_cast<long>(segments.size());
    long power = 1, log = 0;
    while (power * 2 <= count) power *= 2, ++log;
    put16(small, 4);
    put16(small, 16 + 8 * count);
    put16(small, 0);
    put16(small, 2 * count);
    put16(small, 2 * power);
    put16(small, log);
    put16(small, 2 * count - 2 * power);
    for (const Run& r : segments) put16(small, r.last);
    put16(small, 0);
    for (const Run& r : segments) put16(small, r.first);
    for (const Run& r : segments) put16(small, (r.glyph - r.first) & 0xFFFF);
    for (long i = 0; i < count; ++i) put16(small, 0);

    Bytes full;  // format 12: every code, beyond the first plane too
    const std::vector<Run> groups = runs(all);
    put16(full, 12);
    put16(full, 0);
    put32(full, 16 + 12 * static_cast<long>(groups.size()));
    put32(full, 0);
    put32(full, static_cast<long>(groups.size()));
    for (const Run& r : groups) {
        put32(full, r.first);
        put32(full, r.last);
        put32(full, r.glyph);
    }

    Bytes t;
    put16(t, 0);
    put16(t, 4);
    const long smallAt = 4 + 4 * 8, fullAt = smallAt + static_cast<long>(small.size());
    // Unicode's and Windows' records, each for the first plane and for all planes.
    const long records[4][3] = {{0, 3, smallAt}, {0, 4, fullAt}, {3, 1, smallAt}, {3, 10, fullAt}};
    for (const auto& r : records) {
        put16(t, r[0]);
        put16(t, r[1]);
        put32(t, r[2]);
    }
    t.insert(t.end(), small.begin(), small.end());
    t.insert(t.end(), full.begin(), full.end());
    return t;
}

Bytes fontHeader() {
    Bytes t;
    put32(t, 0x00010000);
    put32(t, 0x00010000);  // revision 1.0
    put32(t, 0);           // the whole font's checksum adjustment, filled in last
    put32(t, 0x5F0F3CF5);
    put16(t, 0x000B);     // baseline at 0, left bearing at 0, whole pixels per em
    put16(t, glyphSide);  // one unit per pixel of the strike
    put32(t, 0), put32(t, 0), put32(t, 0), put32(t, 0);  // no dates: the same bytes on every run
    for (int v : {0, -descent, glyphSide, bdfAscent}) put16(t, v);
    put16(t, 0);          // regular
    put16(t, glyphSide);  // smallest readable size
    put16(t, 2);
    put16(t, 0);
    put16(t, 0);
    return t;
}

Bytes horizontalHeader() {
    Bytes t;
    put32(t, 0x00010000);
    for (int v : {bdfAscent, -descent, 0, glyphSide, 0, 0, glyphSide, 1, 0, 0, 0, 0, 0, 0, 0})
        put16(t, v);
    put16(t, 1);  // one advance for all: a monospaced font
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

Bytes os2(const std::vector<char32_t>& codes) {
    const std::uint32_t low = *std::min_element(codes.begin(), codes.end());
    const std::uint32_t high = *std::max_element(codes.begin(), codes.end());
    Bytes t;
    put16(t, 4);
    put16(t, glyphSide);  // average width
    put16(t, 400);
    put16(t, 5);
    put16(t, 0);                                                  // no embedding restrictions
    for (int v : {8, 8, 0, 2, 8, 8, 0, 6, 1, 5, 0}) put16(t, v);  // sub/superscripts, strikeout
    for (int v : {2, 0, 0, 9, 0, 0, 0, 0, 0, 0}) put(t, v, 1);    // classification: monospaced
    t.resize(t.size() + 16, 0);                                   // Unicode ranges
    for (char c : std::string("    ")) t.push_back(static_cast<std::uint8_t>(c));
    put16(t, 0x00C0);  // regular, use the typographic metrics
    put16(t, std::min<std::uint32_t>(low, 0xFFFF));
    put16(t, std::min<std::uint32_t>(high, 0xFFFF));
    for (int v : {bdfAscent, -descent, 0, bdfAscent, descent}) put16(t, v);
    put32(t, 0), put32(t, 0);                      // code pages
    for (int v : {0, 0, 0, 0x20, 0}) put16(t, v);  // x and cap height unknown, break on space
    return t;
}

Bytes names(const std::string& family) {
    std::string name, postscript;
    for (char c : family) {
        const bool printable =
            static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
        name += printable ? c : '_';
        if (printable && c != ' ' && std::string("[](){}<>/%").find(c) == std::string::npos &&
            postscript.size() < 63)
            postscript += c;
    }
    if (name.empty()) name = "celkit";
    if (postscript.empty()) postscript = "celkit";
    const std::pair<int, std::string> records[] = {
        {1, name}, {2, "Regular"},     {3, "celkit: " + name},
        {4, name}, {5, "Version 1.0"}, {6, postscript}};
    const long count = sizeof records / sizeof records[0];
    Bytes t, strings;
    put16(t, 0);
    put16(t, count);
    put16(t, 6 + 12 * count);
    for (const auto& [id, text] : records) {
        for (int v : {3, 1, 0x409, id}) put16(t, v);  // Windows, Unicode, US English
        put16(t, 2 * static_cast<long>(text.size()));
        put16(t, static_cast<long>(strings.size()));
        for (char c : text) put16(strings, static_cast<unsigned char>(c));
    }
    t.insert(t.end(), strings.begin(), strings.end());
    return t;
}

Bytes postScript() {
    Bytes t;
    put32(t, 0x00030000);  // no glyph names
    put32(t, 0);
    put16(t, -1);  // underline one pixel below the baseline, one pixel thick
    put16(t, 1);
    put32(t, 1);  // fixed pitch
    for (int i = 0; i < 4; ++i) put32(t, 0);
    return t;
}

}  // namespace

std::vector<std::uint8_t> writeOtb(const Font& font, const CodepointMap& map,
                                   const std::string& family) {
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    // In tag order, as the table directory lists them.
    std::vector<std::pair<const char*, Bytes>> tables = {
        {"EBDT", strikeData(font)},    {"EBLC", strikeLocations()}, {"OS/2", os2(codes)},
        {"cmap", characterMap(codes)}, {"head", fontHeader()},      {"hhea", horizontalHeader()},
        {"hmtx", horizontalMetrics()}, {"maxp", maximumProfile()},  {"name", names(family)},
        {"post", postScript()},
    };
    const long count = static_cast<long>(tables.size());
    long power = 1, log = 0;
    while (power * 2 <= count) power *= 2, ++log;
    Bytes out;
    put32(out, 0x00010000);
    put16(out, count);
    put16(out, 16 * power);
    put16(out, log);
    put16(out, 16 * (count - power));
    std::size_t offset = 12 + 16 * tables.size(), headAt = 0;
    for (auto& [tag, bytes] : tables) {
        out.insert(out.end(), tag, tag + 4);
        put32(out, checksum(bytes));
        put32(out, static_cast<long>(offset));
        put32(out, static_cast<long>(bytes.size()));
        if (std::string(tag) == "head") headAt = offset;
        offset += (bytes.size() + 3) / 4 * 4;
    }
    for (auto& entry : tables) {
        entry.second.resize((entry.second.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), entry.second.begin(), entry.second.end());
    }
    const std::uint32_t adjustment = 0xB1B0AFBAu - checksum(out);
    for (int i = 0; i < 4; ++i)
        out[headAt + 8 + i] = static_cast<std::uint8_t>(adjustment >> (24 - 8 * i));
    return out;
}

}  // namespace celkit
