#include "celkit/font/sfnt_writer.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <utility>

#include "celkit/font/codepoint_map.h"
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

// OpenType's Unicode blocks (first, last, OS/2 bit), in order.
struct Block {
    std::uint32_t first, last;
    int bit;
};
constexpr Block blocks[] = {
    {0x0, 0x7F, 0},          {0x80, 0xFF, 1},         {0x100, 0x17F, 2},
    {0x180, 0x24F, 3},       {0x250, 0x2AF, 4},       {0x2B0, 0x2FF, 5},
    {0x300, 0x36F, 6},       {0x370, 0x3FF, 7},       {0x400, 0x4FF, 9},
    {0x500, 0x52F, 9},       {0x530, 0x58F, 10},      {0x590, 0x5FF, 11},
    {0x600, 0x6FF, 13},      {0x700, 0x74F, 71},      {0x750, 0x77F, 13},
    {0x780, 0x7BF, 72},      {0x7C0, 0x7FF, 14},      {0x900, 0x97F, 15},
    {0x980, 0x9FF, 16},      {0xA00, 0xA7F, 17},      {0xA80, 0xAFF, 18},
    {0xB00, 0xB7F, 19},      {0xB80, 0xBFF, 20},      {0xC00, 0xC7F, 21},
    {0xC80, 0xCFF, 22},      {0xD00, 0xD7F, 23},      {0xD80, 0xDFF, 73},
    {0xE00, 0xE7F, 24},      {0xE80, 0xEFF, 25},      {0xF00, 0xFFF, 70},
    {0x1000, 0x109F, 74},    {0x10A0, 0x10FF, 26},    {0x1100, 0x11FF, 28},
    {0x1200, 0x137F, 75},    {0x1380, 0x139F, 75},    {0x13A0, 0x13FF, 76},
    {0x1400, 0x167F, 77},    {0x1680, 0x169F, 78},    {0x16A0, 0x16FF, 79},
    {0x1700, 0x171F, 84},    {0x1720, 0x173F, 84},    {0x1740, 0x175F, 84},
    {0x1760, 0x177F, 84},    {0x1780, 0x17FF, 80},    {0x1800, 0x18AF, 81},
    {0x1900, 0x194F, 93},    {0x1950, 0x197F, 94},    {0x1980, 0x19DF, 95},
    {0x19E0, 0x19FF, 80},    {0x1A00, 0x1A1F, 96},    {0x1B00, 0x1B7F, 27},
    {0x1B80, 0x1BBF, 112},   {0x1C00, 0x1C4F, 113},   {0x1C50, 0x1C7F, 114},
    {0x1D00, 0x1D7F, 4},     {0x1D80, 0x1DBF, 4},     {0x1DC0, 0x1DFF, 6},
    {0x1E00, 0x1EFF, 29},    {0x1F00, 0x1FFF, 30},    {0x2000, 0x206F, 31},
    {0x2070, 0x209F, 32},    {0x20A0, 0x20CF, 33},    {0x20D0, 0x20FF, 34},
    {0x2100, 0x214F, 35},    {0x2150, 0x218F, 36},    {0x2190, 0x21FF, 37},
    {0x2200, 0x22FF, 38},    {0x2300, 0x23FF, 39},    {0x2400, 0x243F, 40},
    {0x2440, 0x245F, 41},    {0x2460, 0x24FF, 42},    {0x2500, 0x257F, 43},
    {0x2580, 0x259F, 44},    {0x25A0, 0x25FF, 45},    {0x2600, 0x26FF, 46},
    {0x2700, 0x27BF, 47},    {0x27C0, 0x27EF, 38},    {0x27F0, 0x27FF, 37},
    {0x2800, 0x28FF, 82},    {0x2900, 0x297F, 37},    {0x2980, 0x29FF, 38},
    {0x2A00, 0x2AFF, 38},    {0x2B00, 0x2BFF, 37},    {0x2C00, 0x2C5F, 97},
    {0x2C60, 0x2C7F, 29},    {0x2C80, 0x2CFF, 8},     {0x2D00, 0x2D2F, 26},
    {0x2D30, 0x2D7F, 98},    {0x2D80, 0x2DDF, 75},    {0x2DE0, 0x2DFF, 9},
    {0x2E00, 0x2E7F, 31},    {0x2E80, 0x2EFF, 59},    {0x2F00, 0x2FDF, 59},
    {0x2FF0, 0x2FFF, 59},    {0x3000, 0x303F, 48},    {0x3040, 0x309F, 49},
    {0x30A0, 0x30FF, 50},    {0x3100, 0x312F, 51},    {0x3130, 0x318F, 52},
    {0x3190, 0x319F, 59},    {0x31A0, 0x31BF, 51},    {0x31C0, 0x31EF, 61},
    {0x31F0, 0x31FF, 50},    {0x3200, 0x32FF, 54},    {0x3300, 0x33FF, 55},
    {0x3400, 0x4DBF, 59},    {0x4DC0, 0x4DFF, 99},    {0x4E00, 0x9FFF, 59},
    {0xA000, 0xA48F, 83},    {0xA490, 0xA4CF, 83},    {0xA500, 0xA63F, 12},
    {0xA640, 0xA69F, 9},     {0xA700, 0xA71F, 5},     {0xA720, 0xA7FF, 29},
    {0xA800, 0xA82F, 100},   {0xA840, 0xA87F, 53},    {0xA880, 0xA8DF, 115},
    {0xA900, 0xA92F, 116},   {0xA930, 0xA95F, 117},   {0xAA00, 0xAA5F, 118},
    {0xAC00, 0xD7AF, 56},    {0xD800, 0xDFFF, 57},    {0xE000, 0xF8FF, 60},
    {0xF900, 0xFAFF, 61},    {0xFB00, 0xFB4F, 62},    {0xFB50, 0xFDFF, 63},
    {0xFE00, 0xFE0F, 91},    {0xFE10, 0xFE1F, 65},    {0xFE20, 0xFE2F, 64},
    {0xFE30, 0xFE4F, 65},    {0xFE50, 0xFE6F, 66},    {0xFE70, 0xFEFF, 67},
    {0xFF00, 0xFFEF, 68},    {0xFFF0, 0xFFFF, 69},    {0x10000, 0x1007F, 101},
    {0x10080, 0x100FF, 101}, {0x10100, 0x1013F, 101}, {0x10140, 0x1018F, 102},
    {0x10190, 0x101CF, 119}, {0x101D0, 0x101FF, 120}, {0x10280, 0x1029F, 121},
    {0x102A0, 0x102DF, 121}, {0x10300, 0x1032F, 85},  {0x10330, 0x1034F, 86},
    {0x10380, 0x1039F, 103}, {0x103A0, 0x103DF, 104}, {0x10400, 0x1044F, 87},
    {0x10450, 0x1047F, 105}, {0x10480, 0x104AF, 106}, {0x10800, 0x1083F, 107},
    {0x10900, 0x1091F, 58},  {0x10920, 0x1093F, 121}, {0x10A00, 0x10A5F, 108},
    {0x12000, 0x123FF, 110}, {0x12400, 0x1247F, 110}, {0x1D000, 0x1D0FF, 88},
    {0x1D100, 0x1D1FF, 88},  {0x1D200, 0x1D24F, 88},  {0x1D300, 0x1D35F, 109},
    {0x1D360, 0x1D37F, 111}, {0x1D400, 0x1D7FF, 89},  {0x1F000, 0x1F02F, 122},
    {0x1F030, 0x1F09F, 122}, {0x20000, 0x2A6DF, 59},  {0x2F800, 0x2FA1F, 61},
    {0xE0000, 0xE007F, 92},  {0xE0100, 0xE01EF, 91},  {0xF0000, 0xFFFFD, 90},
    {0x100000, 0x10FFFD, 90}};

void setBit(std::uint32_t* words, int bit) { words[bit / 32] |= 1u << (bit % 32); }

}  // namespace

void put(Bytes& out, long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(static_cast<unsigned long>(value) >> (8 * i)));
}

int Layout::ascent() const { return ascentPixels * unitsPerPixel; }
int Layout::descent() const { return (glyphSide - ascentPixels) * unitsPerPixel; }
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

Bytes characterMap(CodeGlyphs codes, bool full) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> all, basic;
    std::sort(codes.begin(), codes.end());
    for (auto [code, glyph] : codes) {
        all.emplace_back(code, glyph);
        if (code < 0xFFFF)
            basic.emplace_back(code, glyph);
        else
            full = true;  // U+FFFF closes format 4's segments; it and beyond need format 12
    }

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

Coverage coverage(const CodeGlyphs& codes) {
    Coverage out;
    std::set<char32_t> held;
    for (auto [code, glyph] : codes) {
        held.insert(code);
        for (const Block& block : blocks)
            if (code >= block.first && code <= block.last) setBit(out.unicode.data(), block.bit);
        if (code >= 0x10000) setBit(out.unicode.data(), 57);  // beyond the first plane
    }
    const std::pair<const char*, int> pages[] = {
        {"windows-1252", 0}, {"windows-1250", 1}, {"windows-1251", 2}, {"cp866", 49},
        {"cp852", 58},       {"cp850", 62},       {"cp437", 63}};
    for (auto [name, bit] : pages) {
        const std::optional<CodepointMap> page = builtinMap(name);
        bool all = page.has_value();
        for (int byte = 0x20; all && byte < glyphCount; ++byte) {
            const std::vector<char32_t>& its = page->codepoints[byte];
            const bool control = its.empty() || its[0] == 0x7F || (its[0] >= 0x80 && its[0] < 0xA0);
            all = control || held.count(its[0]) > 0;
        }
        if (all) setBit(out.codePages.data(), bit);
    }
    return out;
}

Bytes os2(const Layout& layout, const CodeGlyphs& codes, const Coverage& covers) {
    const int u = layout.unitsPerPixel;
    std::uint32_t low = 0xFFFF, high = 0;
    for (auto [code, glyph] : codes) {
        low = std::min<std::uint32_t>(low, code);
        high = std::max<std::uint32_t>(high, code);
    }
    Bytes t;
    put16(t, 4);
    put16(t, layout.advance * u);  // average width
    put16(t, 400);
    put16(t, 5);
    put16(t, 0);                                                   // no embedding restrictions
    for (int v : {8, 8, 0, 2, 8, 8, 0, 6, 1, 5}) put16(t, v * u);  // sub/superscripts, strikeout
    put16(t, 0);
    for (int v : {2, 0, 0, 9, 0, 0, 0, 0, 0, 0}) put(t, v, 1);  // classification: monospaced
    for (std::uint32_t word : covers.unicode) put32(t, word);
    for (char c : std::string("    ")) t.push_back(static_cast<std::uint8_t>(c));
    put16(t, 0x00C0);  // regular, use the typographic metrics
    put16(t, std::min<std::uint32_t>(low, 0xFFFF));
    put16(t, std::min<std::uint32_t>(high, 0xFFFF));
    for (int v : {layout.ascent(), -layout.descent(), 0, layout.ascent(), layout.descent()})
        put16(t, v);
    put32(t, covers.codePages[0]);
    put32(t, covers.codePages[1]);
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
