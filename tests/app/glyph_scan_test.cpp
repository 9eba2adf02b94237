#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "app/font_format.h"
#include "app/glyph_scan.h"
#include "support/crafted_files.h"
#include "support/test_support.h"

namespace {

// The picture the scan reads: a colour per pixel of a 257 by 257 area, so
// that the column and row just beyond the sheet exist too.
constexpr int kPictureSize = 257;
std::vector<uint32_t> picture;
std::vector<std::pair<int32_t, int32_t>> reads;
std::vector<uint8_t> sunk;
std::vector<size_t> readsAtSink;  // reads made before each sink call

uint32_t readPicture(int32_t x, int32_t y) {
    reads.push_back({x, y});
    if (x < 0 || y < 0 || x >= kPictureSize || y >= kPictureSize) return 0xFFFFFF;
    return picture[static_cast<size_t>(y) * kPictureSize + x];
}

// Returns 0, as a failing write would: the scan must not care.
int32_t sinkByte(uint32_t value) {
    sunk.push_back(static_cast<uint8_t>(value));
    readsAtSink.push_back(reads.size());
    return 0;
}

void scan(const std::vector<uint32_t>& pixels) {
    picture = pixels;
    reads.clear();
    sunk.clear();
    readsAtSink.clear();
    scanGlyphSheet(readPicture, sinkByte);
}

std::vector<uint32_t> filled(uint32_t colour) {
    return std::vector<uint32_t>(kPictureSize * kPictureSize, colour);
}

TEST(GlyphScan, SingleLitPixelSetsOneBit) {
    struct Case {
        int32_t x, y;
        uint32_t colour;
        size_t byte;
        uint8_t bits;
    } cases[] = {
        {0, 0, 0xFFFFFF, 0, 0x80},
        {17, 0, 0xFFFFFF, 32, 0x40},       // glyph 1, row 0, first byte
        {15, 16, 0xFFFFFF, 513, 0x01},     // glyph 16, row 0, second byte
        {255, 255, 0xFFFFFF, 8191, 0x01},  // the last byte
        {8, 0, 0xFFFFFF, 1, 0x80},         // column 8 opens the second byte
        {7, 15, 0xFFFFFF, 30, 0x01},       // bottom row of glyph 0
        {0, 0, 0x000001, 0, 0x80},         // red 1 is not black
        {0, 0, 0x010000, 0, 0x80},         // blue 1
        {0, 0, 0x000100, 0, 0x80},         // green 1
    };
    for (const Case& c : cases) {
        std::vector<uint32_t> pixels = filled(0);
        pixels[static_cast<size_t>(c.y) * kPictureSize + c.x] = c.colour;
        scan(pixels);
        ASSERT_EQ(sunk.size(), 8192u);
        std::vector<uint8_t> expected(8192, 0);
        expected[c.byte] = c.bits;
        EXPECT_EQ(sunk, expected) << "pixel (" << c.x << ", " << c.y << ")";
    }
}

TEST(GlyphScan, UniformSheets) {
    struct Case {
        uint32_t colour;
        uint8_t byte;
    } cases[] = {{0x000000, 0x00}, {0xFFFFFF, 0xFF}, {0x123456, 0xFF}, {0x000001, 0xFF}};
    for (const Case& c : cases) {
        scan(filled(c.colour));
        EXPECT_EQ(sunk, std::vector<uint8_t>(8192, c.byte)) << std::hex << c.colour;
    }
}

// The sample sheet of examples/ against the font its own script packed
// straight from the glyphs, with every lit pixel given a random colour that
// is not black: the scan must see only "black or not" and lay out every
// byte as the file format says.
TEST(GlyphScan, TheSampleSheetGivesItsIndependentFont) {
    const std::vector<unsigned char> sheet =
        testsupport::dataBytes("../../examples/dejavu-mono.bmp");
    const std::vector<unsigned char> font =
        testsupport::dataBytes("../../examples/dejavu-mono.expected.fnt");
    ASSERT_EQ(sheet.size(), 62u + 256 * 32) << "a 1-bit 256 x 256 sheet";
    ASSERT_EQ(font.size(), size_t(fontFileSize));
    ASSERT_EQ(crafted::get32(sheet, 10), 62u);
    ASSERT_EQ(crafted::get32(sheet, 22), 256u) << "bottom-up";
    // Which palette index is black.
    const bool firstIsBlack = (crafted::get32(sheet, 54) & 0xFFFFFF) == 0;
    std::mt19937 random(20240611);
    std::vector<uint32_t> pixels = filled(0);
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            bool index = (sheet[62 + size_t(255 - y) * 32 + size_t(x / 8)] >> (7 - x % 8)) & 1;
            if (index == firstIsBlack)
                pixels[size_t(y) * kPictureSize + size_t(x)] = (random() & 0xFFFFFF) | 1;
        }
    }
    scan(pixels);
    EXPECT_EQ(sunk, font);
}

TEST(GlyphScan, ReadsEachSheetPixelOnceInGlyphOrder) {
    scan(filled(0xFFFFFF));
    ASSERT_EQ(reads.size(), 65536u);
    for (size_t k = 0; k < reads.size(); ++k) {
        int g = static_cast<int>(k / 256), row = static_cast<int>(k % 256) / 16,
            column = static_cast<int>(k % 16);
        std::pair<int32_t, int32_t> want{(g % 16) * 16 + column, (g / 16) * 16 + row};
        ASSERT_EQ(reads[k], want) << "read " << k;
    }
    // Each byte leaves as soon as its eighth pixel is read.
    ASSERT_EQ(readsAtSink.size(), 8192u);
    for (size_t i = 0; i < readsAtSink.size(); ++i) ASSERT_EQ(readsAtSink[i], 8 * (i + 1));
}

TEST(GlyphScan, PixelsBeyondTheSheetNeverCount) {
    std::vector<uint32_t> pixels = filled(0);
    for (int i = 0; i < kPictureSize; ++i) {
        pixels[static_cast<size_t>(i) * kPictureSize + 256] = 0xFFFFFF;  // x = 256
        pixels[static_cast<size_t>(256) * kPictureSize + i] = 0xFFFFFF;  // y = 256
    }
    scan(pixels);
    EXPECT_EQ(sunk, std::vector<uint8_t>(8192, 0));
    for (const auto& r : reads) {
        ASSERT_TRUE(r.first >= 0 && r.first < 256 && r.second >= 0 && r.second < 256)
            << "read (" << r.first << ", " << r.second << ")";
    }
}

}  // namespace
