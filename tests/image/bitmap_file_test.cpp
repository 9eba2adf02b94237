// Bitmap files: every encoding from two independent writers, compared pixel
// by pixel with the pattern they were given; variants no writer makes
// (top-down rows, V4 headers, 4-bit run lengths) crafted from those files;
// and refused files that must fail without reading past the block.
#include <gtest/gtest.h>

#include <algorithm>

#include "image/bitmap_file.h"
#include "image/load_failure.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

struct Fixture {
    const char* file;
    int sourceDepth;
    int depth;
};

// What every fixture holds: its pattern, as bottom-up rows of a 24-bit
// section (32-bit for 32-bit files), and the record that describes it.
const Fixture fixtures[] = {
    {"bmp/mono_1bit_magick.bmp", 1, 24},
    {"bmp/mono_1bit_pillow.bmp", 1, 24},
    {"bmp/eight_4bit_magick.bmp", 4, 24},
    {"bmp/eight_4bit_core_magick.bmp", 4, 24},
    {"bmp/indexed_8bit_magick.bmp", 8, 24},
    {"bmp/eight_8bit_short_table_pillow.bmp", 8, 24},
    {"bmp/indexed_rle8_magick.bmp", 8, 24},
    {"bmp/eight_rgb555_magick.bmp", 16, 24},
    {"bmp/eight_rgb565_magick.bmp", 16, 24},
    {"bmp/gradient_24bit_magick.bmp", 24, 24},
    {"bmp/gradient_24bit_pillow.bmp", 24, 24},
    {"bmp/gradient_24bit_v5_magick.bmp", 24, 24},
    {"bmp/gradient_24bit_core_magick.bmp", 24, 24},
    {"bmp/sheet_24bit_magick.bmp", 24, 24},
    {"bmp/gradient_32bit_zeroalpha_magick.bmp", 32, 32},
    {"bmp/gradient_32bit_variedalpha_magick.bmp", 32, 32},
    {"bmp/gradient_32bit_zeroalpha_pillow.bmp", 32, 32},
    {"bmp/gradient_32bit_variedalpha_pillow.bmp", 32, 32},
};

std::string stem(const std::string& file) { return file.substr(0, file.rfind('.')); }

// Loads `bytes` as image 0 and checks record and pixels against the
// fixture's expectation files.
void expectPicture(const Bytes& bytes, const Fixture& fixture) {
    intptr_t result = decodeBytes(0, bytes);
    ASSERT_NE(result, 0);
    const ImageObject* record = findImage(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(result, reinterpret_cast<intptr_t>(record->handle));
    EXPECT_EQ(GetObjectType(record->handle), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(record->depth, fixture.depth);
    EXPECT_EQ(record->sourceDepth, fixture.sourceDepth);
    EXPECT_EQ(record->formatTag, IMAGE_FORMAT_BMP);

    Pixels pixels = sectionPixels(record->handle);
    Bytes rgb = readData(stem(fixture.file) + ".rgb");
    EXPECT_EQ(pixels.width, record->width);
    EXPECT_EQ(pixels.height, record->height);
    EXPECT_EQ(static_cast<size_t>(pixels.width) * pixels.height * 3, rgb.size());
    EXPECT_EQ(rgbDifference(pixels.rgb(), rgb, pixels.width), "");
    if (fixture.depth == 32) EXPECT_EQ(pixels.alpha(), readData(stem(fixture.file) + ".alpha"));
}

class BitmapFixtureTest : public ImageTest, public ::testing::WithParamInterface<Fixture> {};

TEST_P(BitmapFixtureTest, LoadsThePatternItWasWrittenFrom) {
    const Fixture& fixture = GetParam();
    // Through the file, as the tool loads.
    intptr_t result = loadData(0, fixture.file);
    ASSERT_NE(result, 0);
    EXPECT_EQ(reinterpret_cast<HANDLE>(result), imageHandle(0));
    expectPicture(readData(fixture.file), fixture);
}

// Rows reversed and the height negated: the same picture, held bottom-up.
Bytes topDown(const Bytes& file) {
    Bytes out = file;
    uint32_t offset = get32(file, 10);
    int32_t width = static_cast<int32_t>(get32(file, 18));
    int32_t height = static_cast<int32_t>(get32(file, 22));
    int bits = file[28];
    size_t stride = rowStride(width, bits);
    for (int32_t y = 0; y < height; ++y)
        std::copy(file.begin() + offset + y * stride, file.begin() + offset + (y + 1) * stride,
                  out.begin() + offset + (height - 1 - y) * stride);
    put32(out, 22, static_cast<uint32_t>(-height));
    return out;
}

TEST_P(BitmapFixtureTest, TopDownRowsGiveTheSameBottomUpImage) {
    const Fixture& fixture = GetParam();
    Bytes file = readData(fixture.file);
    // Core headers and run lengths have no top-down form.
    if (get32(file, 14) == 12 || get32(file, 30) == BI_RLE8) return;
    ASSERT_NO_FATAL_FAILURE(expectPicture(topDown(file), fixture));
    EXPECT_EQ(findImage(0)->height, static_cast<int16_t>(get32(file, 22)));
}

INSTANTIATE_TEST_SUITE_P(Writers, BitmapFixtureTest, ::testing::ValuesIn(fixtures),
                         [](const ::testing::TestParamInfo<Fixture>& info) {
                             std::string name = info.param.file + 4;
                             name = name.substr(0, name.size() - 4);
                             return name;
                         });

// ---- Header variants that no writer makes, from V5 files.

// A V5 file rewritten with the first `size` bytes of its header: 108 for
// V4, 56 and 52 for the shorter ones that still hold the masks.
Bytes withHeaderOf(const Bytes& v5, uint32_t size) {
    Bytes out(v5.begin(), v5.begin() + 14 + size);
    out.insert(out.end(), v5.begin() + 14 + 124, v5.end());
    put32(out, 14, size);
    put32(out, 10, get32(v5, 10) - (124 - size));
    put32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

// A V5 bit-field file rewritten with a 40-byte header followed by the masks.
Bytes asInfoHeaderWithMasks(const Bytes& v5) {
    Bytes out(v5.begin(), v5.begin() + 14 + 40);
    out.insert(out.end(), v5.begin() + 14 + 40, v5.begin() + 14 + 52);
    out.insert(out.end(), v5.begin() + get32(v5, 10), v5.end());
    put32(out, 14, 40);
    put32(out, 10, 14 + 40 + 12);
    put32(out, 2, static_cast<uint32_t>(out.size()));
    return out;
}

using BitmapVariantTest = ImageTest;

TEST_F(BitmapVariantTest, ShorterHeadersAndMasksAfterA40ByteHeaderLoadTheSame) {
    const Fixture cases[] = {
        {"bmp/gradient_24bit_v5_magick.bmp", 24, 24},
        {"bmp/eight_rgb565_magick.bmp", 16, 24},
        {"bmp/eight_rgb555_magick.bmp", 16, 24},
        {"bmp/gradient_32bit_variedalpha_magick.bmp", 32, 32},
        {"bmp/gradient_32bit_zeroalpha_magick.bmp", 32, 32},
    };
    for (const Fixture& fixture : cases) {
        SCOPED_TRACE(fixture.file);
        Bytes v5 = readData(fixture.file);
        for (uint32_t size : {108u, 56u, 52u}) {
            SCOPED_TRACE(size);
            expectPicture(withHeaderOf(v5, size), fixture);
        }
        if (get32(v5, 30) == BI_BITFIELDS) expectPicture(asInfoHeaderWithMasks(v5), fixture);
    }
}

// ---- Crafted files: a 40-byte header, a colour table or masks, pixels.

Bytes craft(int32_t width, int32_t height, int bits, uint32_t compression,
            const std::vector<uint32_t>& table, const Bytes& pixels, uint32_t imageSize = 0) {
    Bytes file(14 + 40);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 14, 40);
    put32(file, 18, static_cast<uint32_t>(width));
    put32(file, 22, static_cast<uint32_t>(height));
    put16(file, 26, 1);
    put16(file, 28, bits);
    put32(file, 30, compression);
    put32(file, 34, imageSize);
    if (bits <= 8) put32(file, 46, static_cast<uint32_t>(table.size()));
    for (uint32_t entry : table)
        for (int i = 0; i < 4; ++i) file.push_back((entry >> (8 * i)) & 0xFF);
    put32(file, 10, static_cast<uint32_t>(file.size()));
    file.insert(file.end(), pixels.begin(), pixels.end());
    put32(file, 2, static_cast<uint32_t>(file.size()));
    return file;
}

Bytes patched(Bytes file, size_t at, uint32_t value, int size = 4) {
    if (size == 2)
        put16(file, at, value);
    else
        put32(file, at, value);
    return file;
}

// Pixels top row first as 0xRRGGBB, for the crafted cases' expectations.
std::vector<uint32_t> colours(const Pixels& pixels) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < pixels.rgba.size(); i += 4)
        out.push_back(pixels.rgba[i] << 16 | pixels.rgba[i + 1] << 8 | pixels.rgba[i + 2]);
    return out;
}

const std::vector<uint32_t> sixteen = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                       0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                       0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

struct CraftedCase {
    const char* what;
    Bytes file;
    int width, height;
    std::vector<uint32_t> expected;  // top row first
};

TEST_F(BitmapVariantTest, CraftedEncodingsConvertAsThePlatformDoes) {
    const uint32_t K = 0x000000, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF, W = 0xFFFFFF;
    const uint32_t Y = 0xFFFF00, M = 0xFF00FF, C = 0x00FFFF, S = 0xC0C0C0;
    const std::vector<CraftedCase> cases = {
        // 4-bit runs (two colours alternating), absolute mode, end of line,
        // a delta and an early end of bitmap; skipped pixels stay black.
        {"run-length 4 bits",
         craft(6, 3, 4, BI_RLE4, sixteen,
               {0x06, 0x9A,              // bottom row: R G R G R G
                0x00, 0x00,              // end of line
                0x00, 0x03, 0xBC, 0xD0,  // absolute: Y B M
                0x00, 0x02, 0x02, 0x01,  // delta: 2 right, 1 up
                0x01, 0xFF,              // white at x 5
                0x00, 0x01}),            // end of bitmap
         6,
         3,
         {K, K, K, K, K, W, Y, B, M, K, K, K, R, G, R, G, R, G}},
        // 8-bit runs and absolute mode, a delta and an early end of bitmap.
        {"run-length 8 bits",
         craft(5, 3, 8, BI_RLE8, sixteen,
               {0x05, 0x0E,                                      // bottom row: five cyan
                0x00, 0x00, 0x00, 0x03, 0x09, 0x07, 0x0A, 0x00,  // absolute R S G, padded
                0x00, 0x02, 0x01, 0x01,                          // delta: 1 right, 1 up
                0x01, 0x0D,                                      // magenta at x 4
                0x00, 0x01}),
         5,
         3,
         {K, K, K, K, M, R, S, G, K, K, C, C, C, C, C}},
        // One row is the fewest either run length takes.
        {"run-length 4 bits, one row",
         craft(4, 1, 4, BI_RLE4, sixteen, {0x04, 0x9A, 0x00, 0x01}),
         4,
         1,
         {R, G, R, G}},
        {"run-length 8 bits, one row",
         craft(2, 1, 8, BI_RLE8, sixteen, {0x02, 0x0C, 0x00, 0x01}),
         2,
         1,
         {B, B}},
        // The platform widens 5- and 6-bit channels by repeating their top
        // bits: 0x10 (5 bits) gives 0x84, 0x20 (6 bits) gives 0x82.
        {"16 bits, 5-5-5 without masks",
         craft(2, 1, 16, BI_RGB, {}, {0x10, 0x42, 0x1F, 0x00}),
         2,
         1,
         {0x848484, 0x0000FF}},
        {"16 bits, 5-6-5 masks",
         craft(2, 1, 16, BI_BITFIELDS, {0xF800, 0x07E0, 0x001F}, {0x10, 0x84, 0x00, 0xF8}),
         2,
         1,
         {0x848284, 0xFF0000}},
        // 10-10-10 masks in 32 bits keep each channel's top 8 bits.
        {"32 bits, 10-10-10 masks",
         craft(1, 1, 32, BI_BITFIELDS, {0x3FF00000, 0x000FFC00, 0x000003FF},
               {0xFF, 0x03, 0xF0, 0x3F}),
         1,
         1,
         {0xFF00FF}},
        {"1 bit, two colours",
         craft(9, 1, 1, BI_RGB, {R, B}, {0xA5, 0x80, 0x00, 0x00}),
         9,
         1,
         {B, R, B, R, R, B, R, B, B}},
        // Indices past a short colour table come out black.
        {"8 bits, three colours",
         craft(5, 1, 8, BI_RGB, {R, G, B}, {0, 1, 2, 3, 255, 0, 0, 0}),
         5,
         1,
         {R, G, B, K, K}},
        // More colours announced than the bit count has: the first 2^bits.
        {"4 bits, 300 colours announced",
         patched(craft(3, 1, 4, BI_RGB, sixteen, {0x9A, 0xF0, 0, 0}), 46, 300),
         3,
         1,
         {R, G, W}},
    };
    for (const CraftedCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(decodeBytes(0, c.file), 0);
        Pixels pixels = sectionPixels(imageHandle(0));
        EXPECT_EQ(pixels.width, c.width);
        EXPECT_EQ(pixels.height, c.height);
        EXPECT_EQ(colours(pixels), c.expected);
    }
}

TEST_F(BitmapVariantTest, AlphaIsMadeOpaqueOnlyWhenEveryAlphaByteIsZero) {
    // 2 x 2, 32 bits, bottom-up: (alpha of each pixel) -> alpha after loading.
    struct {
        Bytes alpha;
        Bytes expected;
    } cases[] = {
        {{0, 0, 0, 0}, {255, 255, 255, 255}},
        {{0, 0, 1, 0}, {0, 0, 1, 0}},
        {{0, 0, 0, 0x80}, {0, 0, 0, 0x80}},
        {{255, 255, 255, 255}, {255, 255, 255, 255}},
    };
    for (auto& c : cases) {
        Bytes pixels;
        for (int i = 0; i < 4; ++i) pixels.insert(pixels.end(), {0x10, 0x20, 0x30, c.alpha[i]});
        for (int32_t height : {2, -2}) {
            ASSERT_NE(decodeBytes(0, craft(2, height, 32, BI_RGB, {}, pixels)), 0);
            Pixels loaded = sectionPixels(imageHandle(0));
            Bytes expected = c.expected;
            if (height > 0)
                std::swap_ranges(expected.begin(), expected.begin() + 2, expected.begin() + 2);
            EXPECT_EQ(loaded.alpha(), expected)
                << "height " << height << " first alpha " << int(c.alpha[0]);
        }
    }
}

// ---- Refusals.

struct Refusal {
    const char* what;
    Bytes file;
    LoadFailure reason;  // names the stage that must stop the file
};

TEST_F(BitmapVariantTest, FilesThatLieAboutThemselvesAreRefusedByTheRightStage) {
    const Bytes rgb24 = readData("bmp/gradient_24bit_magick.bmp");
    const Bytes indexed = readData("bmp/indexed_8bit_magick.bmp");
    const Bytes rle = readData("bmp/indexed_rle8_magick.bmp");
    const Bytes withMasks = asInfoHeaderWithMasks(readData("bmp/eight_rgb565_magick.bmp"));
    const Bytes v5Masks = readData("bmp/eight_rgb565_magick.bmp");
    const LoadFailure outside = LoadFailure::DataOutsideFile, size = LoadFailure::SizeOutOfRange,
                      encoding = LoadFailure::UnsupportedEncoding,
                      truncated = LoadFailure::TruncatedHeader;
    const std::vector<Refusal> refusals = {
        {"pixel offset one byte too far", patched(rgb24, 10, get32(rgb24, 10) + 1), outside},
        {"pixel offset at the end", patched(rgb24, 10, static_cast<uint32_t>(rgb24.size())),
         outside},
        {"pixel offset wraps", patched(rgb24, 10, 0xFFFFFFFF), outside},
        {"one row more than the data", patched(rgb24, 22, 18), outside},
        {"width 0", patched(rgb24, 18, 0), size},
        {"negative width", patched(rgb24, 18, static_cast<uint32_t>(-23)), size},
        {"width 32768", patched(rgb24, 18, 32768), size},
        {"height 0", patched(rgb24, 22, 0), size},
        {"height 32768", patched(rgb24, 22, 32768), size},
        {"height -32768", patched(rgb24, 22, static_cast<uint32_t>(-32768)), size},
        {"height -2^31", patched(rgb24, 22, 0x80000000), size},
        {"header size 13", patched(rgb24, 14, 13), encoding},
        {"header size 39", patched(rgb24, 14, 39), encoding},
        {"header size past the end", patched(rgb24, 14, 0xFFFFFFF0), truncated},
        {"bit count 0", patched(rgb24, 28, 0, 2), encoding},
        {"bit count 2", patched(rgb24, 28, 2, 2), encoding},
        {"bit count 48", patched(rgb24, 28, 48, 2), encoding},
        {"JPEG compression", patched(rgb24, 30, BI_JPEG), encoding},
        {"PNG compression", patched(rgb24, 30, BI_PNG), encoding},
        {"unknown compression", patched(rgb24, 30, 7), encoding},
        {"24 bits with masks", patched(rgb24, 30, BI_BITFIELDS), encoding},
        {"8-bit run lengths at 4 bits", patched(rle, 28, 4, 2), encoding},
        {"run lengths top-down", patched(rle, 22, static_cast<uint32_t>(-17)), encoding},
        {"run-length size past the end", patched(rle, 34, get32(rle, 34) + 1000), outside},
        {"colour table past the end", Bytes(indexed.begin(), indexed.begin() + 54 + 1023), outside},
        {"masks past the end", Bytes(withMasks.begin(), withMasks.begin() + 54 + 8), truncated},
        // The masks are whole and only the rows are cut: the rows' stage
        // refuses, not the masks'.
        {"masks whole, rows cut after 2 bytes",
         Bytes(withMasks.begin(), withMasks.begin() + 54 + 12 + 2), outside},
        {"V5 masks whole, rows cut",
         Bytes(v5Masks.begin(), v5Masks.begin() + get32(v5Masks, 10) + 2), outside},
        // The signature alone is still a bitmap file, cut in its header.
        {"BM alone", Bytes{'B', 'M'}, truncated},
        {"BM and the size field", Bytes(rgb24.begin(), rgb24.begin() + 6), truncated},
        {"file header without the info header", Bytes(rgb24.begin(), rgb24.begin() + 14),
         truncated},
        {"B alone", Bytes{'B'}, LoadFailure::UnknownFormat},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        ASSERT_NE(createImage(0, 4, 4), 0);
        EXPECT_EQ(decodeBytes(0, refusal.file), 0);
        EXPECT_EQ(imageHandle(0), nullptr);
        EXPECT_STREQ(loadFailureName(lastLoadFailure()), loadFailureName(refusal.reason));
    }
}

// A pixel offset that points back into the headers or the colour table
// would show header bytes as pixels: the pixels are taken from right after
// the table or masks, where every writer puts them.
TEST_F(BitmapVariantTest, PixelOffsetsInsideTheHeadersReadThePixelsAfterTheTable) {
    const Bytes v5 = readData("bmp/eight_rgb565_magick.bmp");
    const struct {
        Fixture fixture;
        Bytes file;
    } pictures[] = {
        {fixtures[2], readData(fixtures[2].file)},  // 4 bits, 16 colours
        {fixtures[3], readData(fixtures[3].file)},  // core header, 3-byte colours
        {fixtures[5], readData(fixtures[5].file)},  // 8 bits, an 8-entry table
        {fixtures[6], readData(fixtures[6].file)},  // run lengths
        {fixtures[7], asInfoHeaderWithMasks(v5)},   // masks after a 40-byte header
        {fixtures[8], v5},                          // masks inside a V5 header
        {fixtures[9], readData(fixtures[9].file)},  // 24 bits, no table
    };
    for (const auto& picture : pictures) {
        uint32_t written = get32(picture.file, 10);
        for (uint32_t offset : {0u, 10u, 14u, 14u + get32(picture.file, 14) - 1, written - 1}) {
            SCOPED_TRACE(testing::Message() << picture.fixture.file << " at " << offset);
            expectPicture(patched(picture.file, 10, offset), picture.fixture);
        }
    }
    // Where the rows do not fit after the table, the load fails.
    const Bytes rgb24 = readData("bmp/gradient_24bit_magick.bmp");
    Bytes short24 = patched(rgb24, 10, 0);
    short24.pop_back();
    EXPECT_EQ(decodeBytes(0, short24), 0);
}

// A file deeper than 8 bits may carry a table of biClrUsed entries before
// its pixels, which no one reads; a pixel offset inside it reads the pixels
// after it. More than 256 announced is taken as no table at all.
TEST_F(BitmapVariantTest, TheOptionalTableOfADeeperFileIsSkippedUpTo256Entries) {
    const Fixture& fixture = fixtures[9];  // 24 bits after a 40-byte header
    const Bytes plain = readData(fixture.file);
    ASSERT_EQ(get32(plain, 14), 40u);
    auto withTable = [&](uint32_t announced, size_t entries, uint32_t offset) {
        Bytes out(plain.begin(), plain.begin() + 54);
        for (size_t i = 0; i < entries * 4; ++i) out.push_back(static_cast<unsigned char>(i * 7));
        out.insert(out.end(), plain.begin() + get32(plain, 10), plain.end());
        put32(out, 46, announced);
        put32(out, 10, offset);
        put32(out, 2, static_cast<uint32_t>(out.size()));
        return out;
    };
    const struct {
        uint32_t announced;
        size_t entries;
        uint32_t offset;
    } cases[] = {
        {256, 256, 54},        {256, 256, 54 + 400}, {256, 256, 54 + 1023}, {256, 256, 54 + 1024},
        {255, 255, 54 + 1019}, {1, 1, 54},           {257, 0, 54},          {300, 0, 54},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.announced << " announced, offset " << c.offset);
        expectPicture(withTable(c.announced, c.entries, c.offset), fixture);
    }
}

// Run-length data may not declare more pixels than its length can honestly
// spell: any picture up to 1024 x 1024, beyond that 128 pixels a byte, and
// never more than 1536 x 1024.
TEST_F(BitmapVariantTest, RunLengthPicturesAreHeldToTheirPixelBudget) {
    auto runLength = [](int32_t width, int32_t height, uint32_t dataLength) {
        Bytes data(dataLength);
        data[1] = 1;  // end of bitmap first: the rest is never read
        return craft(width, height, 8, BI_RLE8, {0x000000, 0xFFFFFF}, data, dataLength);
    };
    const struct {
        int32_t width, height;
        uint32_t dataLength;
        bool loads;
    } cases[] = {
        {1024, 1024, 2, true},      {1025, 1024, 2, false},     {1, 32767, 2, true},
        {32767, 32, 2, true},       {32767, 33, 2, false},      {1536, 1024, 12288, true},
        {1536, 1024, 12287, false}, {1536, 1025, 99000, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.width << " x " << c.height << " from " << c.dataLength);
        EXPECT_EQ(decodeBytes(0, runLength(c.width, c.height, c.dataLength)) != 0, c.loads);
    }
}

TEST_F(BitmapVariantTest, EveryTruncationIsRefused) {
    for (const char* file : {"bmp/eight_4bit_magick.bmp", "bmp/eight_4bit_core_magick.bmp",
                             "bmp/indexed_rle8_magick.bmp", "bmp/eight_rgb565_magick.bmp",
                             "bmp/gradient_32bit_variedalpha_pillow.bmp"}) {
        Bytes whole = readData(file);
        for (size_t length = 0; length < whole.size(); ++length) {
            Bytes part(whole.begin(), whole.begin() + length);
            // Kept apart from the data beyond it, so a read past the end
            // reads nothing of the file.
            EXPECT_EQ(decodeBytes(0, part), 0) << file << " cut to " << length;
        }
    }
}

TEST_F(BitmapVariantTest, KeptMalformedFilesAreRefusedOrReadSafely) {
    // More colours announced than 8 bits have: the table is read as 256.
    ASSERT_NE(loadData(0, "malformed/bmp_colours_used_huge.bmp"), 0);
    EXPECT_EQ(sectionPixels(imageHandle(0)).rgb(), readData("bmp/indexed_8bit_magick.rgb"));

    for (const char* file :
         {"malformed/bmp_offbits_past_end.bmp", "malformed/bmp_offbits_wraps.bmp",
          "malformed/bmp_huge_sides.bmp", "malformed/bmp_height_most_negative.bmp",
          "malformed/bmp_header_size_huge.bmp", "malformed/bmp_colour_table_cut.bmp",
          "malformed/bmp_rle8_size_past_end.bmp", "malformed/empty.bmp",
          "malformed/bmp_rle8_too_costly.bmp", "malformed/bmp_offbits_zero_cut.bmp"}) {
        EXPECT_EQ(loadData(0, file), 0) << file;
    }
}

}  // namespace
