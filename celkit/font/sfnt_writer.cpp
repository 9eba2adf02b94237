#include "celkit/font/sfnt_writer.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "celkit/font/bdf.h"
#include "celkit/font/font.h"

namespace celkit::sfnt {

namespace {

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

// The search fields of a binary-searched array of `count` entries of `size` bytes.
void searchFields(Bytes& out, long count, long size) {
    long power = 1, log = 0;
    while (power * 2 <= count) power *= 2, ++log;
    put16(out, size * power);
    put16(out, log);
    put16(out, size * (count - power));
}

}  // namespace

void put(Bytes& out, long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(static_cast<unsigned long>(value) >> (8 * i)));
}

int Layout::ascent() const { return bdfAscent * unitsPerPixel; }
int Layout::descent() const { return (glyphSide - bdfAscent) * unitsPerPixel; }
int Layout::em() const { return glyphSide * unitsPerPixel; }

Bytes assemble(std::vector<Table> tables) {
    std::stable_sort(tables.begin(), tables.end(), [](const Table& a, const Table& b) {
        return std::memcmp(a.tag, b.tag, 4) < 0;
    });
    const long count = static_cast<long>(tables.size());
    Bytes out;
    put32(out, 0x00010000);
    put16(out, count);
    searchFields(out, count, 16);
    std::size_t offset = 12 + 16 * tables.size(), headAt = 0;
    for (const Table& table : tables) {
        out.insert(out.end(), table.tag, table.tag + 4);
        put32(out, checksum(table.bytes));
        put32(out, static_cast<long>(offset));
        put32(out, static_cast<long>(table.bytes.size()));
        if (std::memcmp(table.tag, "head", 4) == 0) headAt = offset;
        offset += (table.bytes.size() + 3) / 4 * 4;
    }
    for (Table& table : tables) {
        table.bytes.resize((table.bytes.size() + 3) / 4 * 4, 0);
        out.insert(out.end(), table.bytes.begin(), table.bytes.end());
    }
    const std::uint32_t adjustment = 0xB1B0AFBAu - checksum(out);
    for (int i = 0; i < 4; ++i)
        out[headAt + 8 + i] = static_cast<std::uint8_t>(adjustment >> (24 - 8 * i));
    return out;
}

Bytes characterMap(const std::vector<char32_t>& codes, bool full) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> all, basic;
    for (std::size_t g = 0; g < codes.size(); ++g) {
        const auto glyph = static_cast<std::uint32_t>(g + 1);
        all.emplace_back(codes[g], glyph);
        if (codes[g] < 0xFFFF)
            basic.emplace_back(codes[g], glyph);
        else
            full = true;  // U+FFFF closes format 4's segments; it and beyond need format 12
    }
    std::sort(all.begin(), all.end());
    std::sort(basic.begin(), basic.end());

    Bytes small;  // format 4: the first plane, closed by the segment for U+FFFF
    std::vector<Run> segments = runs(basic);
    segments.push_back({0xFFFF, 0xFFFF, 0});
    const long count = static_cast<long>(segments.size());
    put16(small, 4);
    put16(small, 16 + 8 * count);
    put16(small, 0);
    put16(small, 2 * count);
    searchFields(small, count, 2);
    for (const Run& r : segments) put16(small, r.last);
    put16(small, 0);
    for (const Run& r : segments) put16(small, r.first);
    for (const Run& r : segments) put16(small, (r.glyph - r.first) & 0xFFFF);
    for (long i = 0; i < count; ++i) put16(small, 0);

    Bytes large;  // format 12: every code, beyond the first plane too
    const std::vector<Run> groups = runs(all);
    put16(large, 12);
    put16(large, 0);
    put32(large, 16 + 12 * static_cast<long>(groups.size()));
    put32(large, 0);
    put32(large, static_cast<long>(groups.size()));
    for (const Run& r : groups) {
        put32(large, r.first);
        put32(large, r.last);
        put32(large, r.glyph);
    }

    // Unicode's and Windows' records, each for the first plane and for all planes.
    const long records = full ? 4 : 2;
    const long smallAt = 4 + 8 * records, largeAt = smallAt + static_cast<long>(small.size());
    const long all4[4][3] = {{0, 3, smallAt}, {0, 4, largeAt}, {3, 1, smallAt}, {3, 10, largeAt}};
    Bytes t;
    put16(t, 0);
    put16(t, records);
    for (const auto& r : all4) {
        if (!full && r[2] == largeAt) continue;
        put16(t, r[0]);
        put16(t, r[1]);
        put32(t, r[2]);
    }
    t.insert(t.end(), small.begin(), small.end());
    if (full) t.insert(t.end(), large.begin(), large.end());
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

Bytes os2(const Layout& layout, const std::vector<char32_t>& codes) {
    const int u = layout.unitsPerPixel;
    const std::uint32_t low = *std::min_element(codes.begin(), codes.end());
    const std::uint32_t high = *std::max_element(codes.begin(), codes.end());
    Bytes t;
    put16(t, 4);
    put16(t, layout.advance * u);  // average width
    put16(t, 400);
    put16(t, 5);
    put16(t, 0);                                                   // no embedding restrictions
    for (int v : {8, 8, 0, 2, 8, 8, 0, 6, 1, 5}) put16(t, v * u);  // sub/superscripts, strikeout
    put16(t, 0);
    for (int v : {2, 0, 0, 9, 0, 0, 0, 0, 0, 0}) put(t, v, 1);  // classification: monospaced
    t.resize(t.size() + 16, 0);                                 // Unicode ranges
    for (char c : std::string("    ")) t.push_back(static_cast<std::uint8_t>(c));
    put16(t, 0x00C0);  // regular, use the typographic metrics
    put16(t, std::min<std::uint32_t>(low, 0xFFFF));
    put16(t, std::min<std::uint32_t>(high, 0xFFFF));
    for (int v : {layout.ascent(), -layout.descent(), 0, layout.ascent(), layout.descent()})
        put16(t, v);
    put32(t, 0), put32(t, 0);                      // code pages
    for (int v : {0, 0, 0, 0x20, 0}) put16(t, v);  // x and cap height unknown, break on space
    return t;
}

Bytes fontHeader(const Layout& layout, const Box& bounds, int locationFormat) {
    Bytes t;
    put32(t, 0x00010000);
    put32(t, 0x00010000);  // revision 1.0
    put32(t, 0);           // the whole font's checksum adjustment, filled in last
    put32(t, 0x5F0F3CF5);
    put16(t, 0x000B);  // baseline at 0, left bearing at 0, whole pixels per em
    put16(t, layout.em());
    put32(t, 0), put32(t, 0), put32(t, 0), put32(t, 0);  // no dates: the same bytes on every run
    for (int v : {bounds.xMin, bounds.yMin, bounds.xMax, bounds.yMax}) put16(t, v);
    put16(t, 0);          // regular
    put16(t, glyphSide);  // smallest readable size
    put16(t, 2);
    put16(t, locationFormat);
    put16(t, 0);
    return t;
}

Bytes horizontalHeader(const Layout& layout, int minLeft, int minRight, int maxExtent) {
    Bytes t;
    put32(t, 0x00010000);
    for (int v : {layout.ascent(), -layout.descent(), 0, layout.advance * layout.unitsPerPixel,
                  minLeft, minRight, maxExtent, 1, 0, 0, 0, 0, 0, 0, 0})
        put16(t, v);
    put16(t, 1);  // one advance for all: a monospaced font
    return t;
}

Bytes postScript(const Layout& layout) {
    Bytes t;
    put32(t, 0x00030000);  // no glyph names
    put32(t, 0);
    put16(t, -layout.unitsPerPixel);  // underline one pixel below the baseline, one pixel thick
    put16(t, layout.unitsPerPixel);
    put32(t, 1);  // fixed pitch
    for (int i = 0; i < 4; ++i) put32(t, 0);
    return t;
}

}  // namespace celkit::sfnt
