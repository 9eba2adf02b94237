// PCF from crafted bytes: every row layout the format allows reads as the
// same glyph, and hostile files (counts and offsets past the end, huge or
// overlapping glyphs) are refused with their reason. Real files from
// bdftopcf and Debian's X fonts are checked by consumers.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "celkit/font/font_formats.h"
#include "celkit/font/pcf.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

void put(Bytes& out, std::initializer_list<long> values, int bytes, bool msb) {
    for (long value : values)
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(static_cast<unsigned long>(value) >>
                                                    (8 * (msb ? bytes - 1 - i : i))));
}

// A font of `count` glyphs, each `width` x (ascent + descent) at bearing
// `left`, glyph i at code 0x41 + i, the bitmap given as most significant bit
// and byte first rows of `rowBytes`, stored in `layout`.
struct Pcf {
    std::uint32_t layout = 0x0E;  // MSB byte and bit, rows padded to 4
    bool compressed = true;
    long count = 1, width = 10, left = 3, ascent = 1, descent = 1;  // the font's ascent is 12
    Bytes rows = {0xC0, 0x7F, 0x80, 0x00};  // bits past the width are padding, no ink
    long rowBytes = 2;
    long bitmapCount = -1, bitmapSize = -1, firstColumn = 0x41, lastColumn = -1, lastRow = 0,
         index = 0;
    long metricsCount = -1;
    std::uint32_t encodingsType = 32, metricsFormat = 0xFFFFFFFF;
    bool shared = false;  // every code for glyph `index`

    Bytes bytes() const {
        const bool msb = (layout & 4) != 0;
        const int pad = 1 << (layout & 3), unit = 1 << ((layout >> 4) & 3);
        const long stride = (rowBytes + pad - 1) / pad * pad;
        std::vector<std::pair<std::uint32_t, Bytes>> tables;
        auto table = [&](std::uint32_t type, std::uint32_t kind) -> Bytes& {
            tables.push_back({type, {}});
            put(tables.back().second, {static_cast<long>(layout | kind)}, 4, false);
            return tables.back().second;
        };
        Bytes& props = table(1, 0);  // one string property, padded to 4, and the strings
        put(props, {1, 0}, 4, msb);
        props.push_back(1);
        put(props, {17}, 4, msb);
        put(props, {0, 0, 0}, 1, msb);
        put(props, {26}, 4, msb);
        for (char c : std::string("CHARSET_REGISTRY\0ISO10646", 26)) props.push_back(c);

        Bytes& accel = table(0x100, 0x100);  // flags, ascent, descent, overlap, least bearing
        accel.resize(accel.size() + 8, 1);
        put(accel, {12, 2, 0}, 4, msb);
        put(accel, {left}, 2, msb);

        Bytes& metrics = table(4, metricsFormat != 0xFFFFFFFF ? metricsFormat
                                  : compressed                ? 0x100
                                                              : 0);
        const long declared = metricsCount >= 0 ? metricsCount : count;
        put(metrics, {declared}, compressed ? 2 : 4, msb);
        for (long i = 0; i < count; ++i)
            if (compressed)
                put(metrics,
                    {left + 128, left + width + 128, width + 128, ascent + 128, descent + 128}, 1,
                    msb);
            else
                put(metrics, {left, left + width, width, ascent, descent, 0}, 2, msb);

        // Rows padded, then bits and bytes laid out as `layout` says.
        Bytes data;
        for (long y = 0; y * rowBytes < static_cast<long>(rows.size()); ++y) {
            data.insert(data.end(), rows.begin() + y * rowBytes, rows.begin() + (y + 1) * rowBytes);
            data.resize(data.size() + stride - rowBytes, 0);
        }
        if ((layout & 8) == 0)
            for (std::uint8_t& b : data) {
                std::uint8_t r = 0;
                for (int i = 0; i < 8; ++i)
                    r = static_cast<std::uint8_t>(r | ((b >> i) & 1) << (7 - i));
                b = r;
            }
        if (((layout & 4) != 0) != ((layout & 8) != 0))
            for (std::size_t i = 0; i + unit <= data.size(); i += unit)
                std::reverse(data.begin() + static_cast<long>(i),
                             data.begin() + static_cast<long>(i + unit));
        Bytes& bits = table(8, 0);
        put(bits, {bitmapCount >= 0 ? bitmapCount : count}, 4, msb);
        for (long i = 0; i < count; ++i) put(bits, {0}, 4, msb);  // all glyphs share the bitmap
        const long size = bitmapSize >= 0 ? bitmapSize : static_cast<long>(data.size());
        put(bits, {size, size, size, size}, 4, msb);
        bits.insert(bits.end(), data.begin(), data.end());

        Bytes& encodings = table(encodingsType, 0);
        const long last = lastColumn >= 0 ? lastColumn : firstColumn + count - 1;
        put(encodings, {firstColumn, last, 0, lastRow, 0}, 2, msb);
        for (long k = 0; k < (last - firstColumn + 1) * (lastRow + 1); ++k)
            put(encodings, {shared ? index : k < count ? index + k : 0xFFFF}, 2, msb);

        Bytes out = {1, 'f', 'c', 'p'};
        put(out, {static_cast<long>(tables.size())}, 4, false);
        long offset = 8 + 16 * static_cast<long>(tables.size());
        for (const auto& [type, body] : tables) {
            put(out,
                {static_cast<long>(type), body[0] | body[1] << 8, static_cast<long>(body.size()),
                 offset},
                4, false);
            offset += static_cast<long>(body.size());
        }
        for (const auto& t : tables) out.insert(out.end(), t.second.begin(), t.second.end());
        return out;
    }
};

bool import(const Bytes& file, Font& font, std::string& error) {
    return importFont(file, ImportOptions{*builtinMap("cp437"), std::nullopt}, font, error);
}

TEST(Pcf, EveryRowLayoutReadsAsTheSameGlyph) {
    struct Row {
        std::uint32_t layout;
        bool compressed;
        long left = 3;  // a font's negative bearing moves all its glyphs right by it
    };
    const Row rows[] = {
        {0x0E, true},   // bdftopcf's default: MSB, padded to 4
        {0x00, false},  // LSB byte and bit, unpadded, full metrics
        {0x0C, true},   // MSB, unpadded
        {0x15, true},   // bits LSB, bytes MSB in units of 2, padded to 2
        {0x2A, false},  // bits MSB, bytes LSB in units of 4
        {0x26, true},   // bits LSB, bytes MSB in units of 4
        {0x0B, true},   // bytes LSB, bits MSB, padded to 8: units of 1 keep their order
        {0x1F, true},   // both MSB, units of 2: nothing to swap
        {0x0E, true, -2},
    };
    for (const Row& row : rows) {
        Pcf pcf;
        pcf.layout = row.layout;
        pcf.compressed = row.compressed;
        pcf.left = row.left;
        Font font, expected;  // 'A' at its bearing, its top row one above the baseline at 12
        const int x0 = row.left < 0 ? 0 : static_cast<int>(row.left);
        for (auto [x, y] : {std::pair{0, 11}, {1, 11}, {9, 11}, {0, 12}})
            expected.setPixel('A', x0 + x, y, true);
        std::string error;
        ASSERT_TRUE(import(pcf.bytes(), font, error)) << std::hex << row.layout << ": " << error;
        EXPECT_EQ(font.bytes, expected.bytes) << std::hex << row.layout;
    }
}

Bytes withTableSize(Bytes file, int table, std::uint32_t size) {
    for (int i = 0; i < 4; ++i)
        file[8 + 16 * table + 8 + i] = static_cast<std::uint8_t>(size >> (8 * i));
    return file;
}

TEST(Pcf, HostileFilesAreRefusedWithTheirReason) {
    struct Row {
        const char* what;
        Bytes file;
        const char* reason;  // null: read
    };
    auto with = [](auto change) {
        Pcf pcf;
        change(pcf);
        return pcf.bytes();
    };
    const Bytes good = Pcf().bytes();
    Bytes cut = good;
    cut.resize(good.size() - 3);
    Bytes lyingCount = good;
    lyingCount[4] = 0xFF, lyingCount[7] = 0x7F;
    Bytes lateTable = good;
    lateTable[8 + 16 * 2 + 12 + 2] = 0x10;  // the metrics table 1 MiB in
    const Row rows[] = {
        {"directory cut short", Bytes(good.begin(), good.begin() + 20),
         "truncated PCF table directory"},
        {"a huge table count", lyingCount, "truncated PCF table directory"},
        {"a table past the end", lateTable, "starts past the end of the file"},
        {"the last table cut short", cut, "truncated PCF encodings table"},
        {"a last table longer than the file, as bdftopcf writes", withTableSize(good, 4, 1000),
         nullptr},
        {"65535 glyphs counted, one held", with([](Pcf& p) { p.metricsCount = 65535; }),
         "counts 65535 glyphs but holds 1"},
        {"bitmaps for another glyph count", with([](Pcf& p) { p.bitmapCount = 2; }),
         "bitmaps table counts 2 glyphs, the metrics 1"},
        {"bitmap data larger than the table", with([](Pcf& p) { p.bitmapSize = 0x7FFFFFFF; }),
         "truncated PCF bitmaps table"},
        {"a glyph's rows past the bitmap data", with([](Pcf& p) { p.descent = 40; }),
         "'s bitmap lies past the end of the bitmaps table"},
        {"a glyph of negative width", with([](Pcf& p) { p.width = -2; }), "is -2 x 2 pixels"},
        {"a glyph 300 wide", with([](Pcf& p) { p.compressed = false, p.width = 300; }),
         "is 300 x 2 pixels; celkit reads up to 256 x 256"},
        {"codes in reverse", with([](Pcf& p) { p.lastColumn = 0x30; }), "bad code range"},
        {"a code for a glyph that is not there", with([](Pcf& p) { p.index = 5; }),
         "encoding 0x41 names glyph 5 of 1"},
        {"no encodings", with([](Pcf& p) { p.encodingsType = 0x200; }),
         "PCF font has no encodings table"},
        {"metrics of an unknown format", with([](Pcf& p) { p.metricsFormat = 0x200; }),
         "metrics table has unknown format 0x20E"},
        {"600 glyphs of 255 x 254 on one bitmap", with([](Pcf& p) {
             p.count = 600, p.width = 255, p.left = -128, p.ascent = 127, p.descent = 127;
             p.firstColumn = 0, p.lastColumn = 255, p.lastRow = 2;
             p.rowBytes = 32;
             p.rows.assign(254 * 32, 0);
         }),
         "glyph bitmaps overlap far more than a font's do"},
    };
    for (const Row& row : rows) {
        SourceFont font;
        std::string error;
        const bool read = readPcf(row.file, font, error);
        if (row.reason == nullptr) {
            EXPECT_TRUE(read) << row.what << ": " << error;
            continue;
        }
        EXPECT_FALSE(read) << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
    }
}

TEST(Pcf, AGlyphOfSeveralCodesStandsForEach) {
    Pcf pcf;
    pcf.shared = true, pcf.lastColumn = 0x43;
    Font font;
    std::string error;
    ASSERT_TRUE(import(pcf.bytes(), font, error)) << error;
    for (int slot : {'A', 'B', 'C'})
        EXPECT_TRUE(std::equal(font.bytes.begin() + 'A' * 32, font.bytes.begin() + 'B' * 32,
                               font.bytes.begin() + slot * 32) &&
                    !font.blank(slot))
            << slot;
}

TEST(Pcf, CodesBeyondTheFirstPlaneMoveToThePrivateUseArea) {
    CodepointMap map = *builtinMap("cp437");
    map.codepoints[1] = {U'\x1F600'};
    map.codepoints[2] = {U'\x1F601'};
    map.codepoints[3] = {U'\xF002'};  // glyph 2's own fallback is taken
    const std::vector<char32_t> codes = pcfCodepoints(map);
    EXPECT_EQ(codes[1], U'\xF001');
    EXPECT_EQ(codes[2], U'\xE000');
    EXPECT_EQ(codes[3], U'\xF002');
    EXPECT_EQ(codes['A'], U'A');
}

}  // namespace
}  // namespace celkit
