#include <cmath>

#include "drawing/bitmap_conversion.h"
#include "drawing_fixture.h"

namespace {

using BitmapConversion = DrawingTest;

TEST(CubicWeight, IsTheMitchellNetravaliCurve) {
    struct Case {
        double distance, weight;
    } cases[] = {{0, 8.0 / 9},     {1, 1.0 / 18},     {-1, 1.0 / 18},
                 {0.5, 0.5347222}, {1.5, -0.0347222}, {-1.5, -0.0347222},
                 {2, 0},           {2.5, 0},          {-7, 0}};
    for (const Case& c : cases) EXPECT_NEAR(cubicWeight(c.distance), c.weight, 1e-6) << c.distance;
    // Whole-pixel neighbours always share out exactly one.
    for (double offset : {0.0, 0.1, 0.37, 0.5, 0.9}) {
        double sum = 0;
        for (int i = -3; i <= 3; ++i) sum += cubicWeight(offset + i);
        EXPECT_NEAR(sum, 1.0, 1e-12) << offset;
    }
}

TEST_F(BitmapConversion, ResamplingKeepsAUniformColour) {
    struct Case {
        int32_t depth, width, height, newWidth, newHeight;
    } cases[] = {
        {32, 5, 3, 13, 7}, {32, 9, 8, 2, 2}, {32, 4, 4, 1, 9},   {32, 3, 3, -1, -1},
        {24, 4, 4, 9, 5},  {24, 6, 6, 3, 3}, {24, 3, 2, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits " << c.width << "x" << c.height
                                        << " to " << c.newWidth << "x" << c.newHeight);
        ASSERT_TRUE(createImage(0, c.width, c.height, c.depth, 0x996633));
        HBITMAP resampled =
            resampleBitmap(static_cast<HBITMAP>(imageHandle(0)), c.newWidth, c.newHeight);
        ASSERT_NE(resampled, nullptr);
        Pixels result = Pixels::of(resampled);
        ASSERT_NE(result.bits, nullptr);
        int32_t width = c.newWidth == -1 ? c.width : c.newWidth;
        int32_t height = c.newHeight == -1 ? c.height : c.newHeight;
        EXPECT_EQ(result.width, width);
        EXPECT_EQ(result.height, height);
        EXPECT_EQ(result.bitsPerPixel, c.depth);
        uint32_t want = (c.depth == 32 ? 0xFF000000u : 0u) | 0x336699;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) ASSERT_EQ(result.argb(x, y), want) << x << "," << y;
        DeleteObject(resampled);
    }
}

TEST_F(BitmapConversion, TheCubicResampleIsSymmetricAndWhitensClearPixels) {
    // A mirror-symmetric 32-bit picture stays symmetric at any size.
    ASSERT_TRUE(createImage(0, 6, 1, 32));
    Pixels source(0);
    const uint32_t row[6] = {0xFF000000, 0xFF808080, 0x00123456,
                             0x00123456, 0xFF808080, 0xFF000000};
    for (int32_t x = 0; x < 6; ++x) source.set(x, 0, row[x]);
    HBITMAP resampled = resampleBitmap(static_cast<HBITMAP>(imageHandle(0)), 11, 3);
    ASSERT_NE(resampled, nullptr);
    // The clear pixels were set to transparent white in the source itself.
    EXPECT_EQ(source.argb(2, 0), 0x00FFFFFFu);
    EXPECT_EQ(source.argb(3, 0), 0x00FFFFFFu);
    EXPECT_EQ(source.argb(1, 0), 0xFF808080u);
    Pixels result = Pixels::of(resampled);
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 11; ++x) {
            EXPECT_EQ(result.argb(x, y), result.argb(10 - x, y)) << x;
            EXPECT_EQ(result.argb(x, y), result.argb(x, 0)) << x;  // every row alike
        }
    // The middle lies between the white clear pixels: bright, and partly clear.
    EXPECT_GT(result.argb(5, 1) & 0xFF, 0x80u);
    EXPECT_LT(result.argb(5, 1) >> 24, 0x80u);
    DeleteObject(resampled);

    HBITMAP bitmap = static_cast<HBITMAP>(imageHandle(0));
    for (int32_t size : {0, -2, INT32_MIN}) {
        EXPECT_EQ(resampleBitmap(bitmap, size, 3), nullptr) << size;
        EXPECT_EQ(resampleBitmap(bitmap, 3, size), nullptr) << size;
    }
}

TEST_F(BitmapConversion, DrawingAtAnotherSizeResamples) {
    ASSERT_TRUE(createImage(0, 3, 3, 24, 0x0000FF));
    DrawingContext* context = openCanvas(1, 10, 10, 24, 0x00FF00);
    ASSERT_NE(context, nullptr);
    context->sizedImageBlitter(context, imageHandle(0), 2, 1, 6, 4);
    Pixels canvas(1);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 8 && y >= 1 && y < 5;
            EXPECT_EQ(canvas.argb(x, y), inside ? 0xFF0000u : 0x00FF00u) << x << "," << y;
        }
}

TEST_F(BitmapConversion, IconsBecome32BitSectionsWithTheirMaskAsAlpha) {
    Expected holes{fixtureBytes("drawing/holes.rgba"), 32};
    ASSERT_EQ(holes.bytes.size(), 32u * 32 * 4);
    HANDLE icon = loadFixture(0, "drawing/holes_8bit_magick.ico");
    ASSERT_NE(icon, nullptr);
    HBITMAP converted = iconToBitmap(static_cast<HICON>(icon));
    ASSERT_NE(converted, nullptr);
    Pixels section = Pixels::of(converted);
    ASSERT_NE(section.bits, nullptr);
    EXPECT_EQ(section.bitsPerPixel, 32);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x) {
            uint32_t want = holes.argb(x, y);
            uint32_t got = section.argb(x, y);
            ASSERT_EQ(got >> 24, want >> 24) << x << "," << y;
            if (want >> 24) ASSERT_EQ(got, want) << x << "," << y;
        }
    DeleteObject(converted);
    EXPECT_EQ(iconToBitmap(nullptr), nullptr);
}

// An icon file with one 8 by 8 black-and-white image: XOR rows then AND
// rows, bottom-up, one byte each (padded to 4).
std::vector<unsigned char> blackAndWhiteIcon(const unsigned char (&xorRows)[8],
                                             const unsigned char (&andRows)[8]) {
    std::vector<unsigned char> image = {40, 0, 0, 0, 8, 0, 0, 0, 16, 0, 0, 0, 1, 0, 1, 0};
    image.resize(40, 0);
    for (unsigned char c : {0, 0, 0, 0, 255, 255, 255, 0}) image.push_back(c);
    for (const unsigned char* rows : {xorRows, andRows})
        for (int r = 7; r >= 0; --r) image.insert(image.end(), {rows[r], 0, 0, 0});
    std::vector<unsigned char> file = {0, 0, 1, 0, 1, 0, 8, 8, 2, 0, 1, 0, 1, 0};
    uint32_t size = static_cast<uint32_t>(image.size());
    for (int i = 0; i < 4; ++i) file.push_back(static_cast<unsigned char>(size >> (8 * i)));
    file.insert(file.end(), {22, 0, 0, 0});
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

TEST_F(BitmapConversion, BlackAndWhiteIconsAreDrawnFromTheirMask) {
    // Top row: white on the left half; second row: the right half is
    // transparent; the rest black.
    const unsigned char xorRows[8] = {0xF0, 0x00, 0, 0, 0, 0, 0, 0};
    const unsigned char andRows[8] = {0x00, 0x0F, 0, 0, 0, 0, 0, 0};
    std::vector<unsigned char> file = blackAndWhiteIcon(xorRows, andRows);
    ASSERT_TRUE(decodeImageMemory(0, file.data(), static_cast<uint32_t>(file.size())));
    const ImageObject* record = findImage(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->width, 8);
    EXPECT_EQ(record->height, 8);

    ASSERT_NE(openCanvas(1, 10, 10, 24, 0x123456), nullptr);
    drawImage(imageHandle(0), 0, 0);
    Pixels canvas(1);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            uint32_t want = 0x563412;  // the canvas where nothing is drawn
            if (x < 8 && y < 8) want = (y == 0 && x < 4) ? 0xFFFFFF : 0;
            if (y == 1 && x >= 4 && x < 8) want = 0x563412;
            ASSERT_EQ(canvas.argb(x, y), want) << x << "," << y;
        }
}

TEST_F(BitmapConversion, DeviceBitmapsAreCopiedWithTheirAlpha) {
    struct Case {
        const char* icon;
        bool ownAlpha;
    } cases[] = {{"drawing/holes_png_pillow.ico", true}, {"drawing/holes_8bit_magick.ico", false}};
    Expected holes{fixtureBytes("drawing/holes.rgba"), 32};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.icon);
        HANDLE icon = loadFixture(0, c.icon);
        ASSERT_NE(icon, nullptr);
        ICONINFO parts;
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &parts));
        HBITMAP copy = copyToDibSection(parts.hbmColor);
        ASSERT_NE(copy, nullptr);
        Pixels section = Pixels::of(copy);
        ASSERT_NE(section.bits, nullptr);
        EXPECT_EQ(section.bitsPerPixel, 32);
        for (int32_t y = 0; y < 32; ++y)
            for (int32_t x = 0; x < 32; ++x) {
                uint32_t want = holes.argb(x, y), got = section.argb(x, y);
                // Without alpha of its own every pixel becomes opaque.
                ASSERT_EQ(got >> 24, c.ownAlpha ? want >> 24 : 0xFFu) << x << "," << y;
                if (want >> 24) ASSERT_EQ(got & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
            }
        DeleteObject(copy);
        DeleteObject(parts.hbmColor);
        DeleteObject(parts.hbmMask);
    }
    EXPECT_EQ(copyToDibSection(nullptr), nullptr);
}

}  // namespace
