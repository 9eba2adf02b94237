// Image objects: blank images, their records and pixel memory, numbers
// reused and freed, and the row length rule.
#include <gtest/gtest.h>

#include "image_test_support.h"

using namespace imagetest;

namespace {

TEST(RowStride, FollowsThePlatformRowSizeAndFallsBackToFourBytesAPixel) {
    struct {
        int32_t width, depth, bytes;
    } cases[] = {
        {257, 24, 772}, {4, 24, 12},  {1, 24, 4},  {2, 24, 8},   {3, 24, 12},
        {33, 1, 8},     {32, 1, 4},   {1, 1, 4},   {9, 4, 8},    {8, 4, 4},
        {5, 8, 8},      {5, 16, 12},  {5, 15, 12}, {10, 32, 40}, {10, 12, 40},
        {10, 0, 40},    {10, -8, 40}, {0, 24, 0},  {0, 1, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rowStride(c.width, c.depth), c.bytes) << c.width << " x " << c.depth;
}

using ImageObjectTest = ImageTest;

// Every pixel of an image, top row first, as four bytes in memory order
// (blue, green, red, and alpha or 0).
std::vector<uint32_t> memoryPixels(HANDLE handle) {
    Pixels pixels = sectionPixels(handle);
    std::vector<uint32_t> out;
    for (size_t i = 0; i < pixels.rgba.size(); i += 4)
        out.push_back(pixels.rgba[i + 2] | pixels.rgba[i + 1] << 8 | pixels.rgba[i] << 16 |
                      static_cast<uint32_t>(pixels.rgba[i + 3]) << 24);
    return out;
}

TEST_F(ImageObjectTest, BlankImagesHoldTheirBackgroundAndDescribeThemselves) {
    struct {
        int32_t width, height, depth, background;
        int heldDepth;
        uint32_t pixel;  // 0xAARRGGBB as stored; alpha 0 for 24-bit
    } cases[] = {
        {257, 257, 24, 0, 24, 0x00000000},
        {5, 3, 24, 0x0000FF, 24, 0x00FF0000},  // red in 0x00BBGGRR
        {5, 3, 24, 0x00FF8040, 24, 0x004080FF},
        {5, 3, 32, 0, 32, 0xFF000000},   // opaque black
        {5, 3, 32, -1, 32, 0x00000000},  // transparent
        {5, 3, 32, 0x0000FF, 32, 0xFFFF0000},
        {5, 3, 32, 0x12345678, 32, 0xFF785634},  // top byte replaced
        {6, 2, 8, 0x00FF00, 24, 0x0000FF00},     // lower depths give 24 bits
        {6, 2, 16, 0x00FF00, 24, 0x0000FF00},
        {4, -3, 32, 0x0000FF, 32, 0xFFFF0000},  // top-down: filled as well
        {4, -3, 24, 0x0000FF, 24, 0x00FF0000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " depth " << c.depth
                                        << " background " << c.background);
        intptr_t result = createImage(1, c.width, c.height, c.depth, c.background);
        ASSERT_NE(result, 0);
        const ImageObject* record = findImage(1);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(result, reinterpret_cast<intptr_t>(record->handle));
        EXPECT_EQ(record->width, c.width);
        EXPECT_EQ(record->height, c.height < 0 ? -c.height : c.height);
        EXPECT_EQ(record->depth, c.heldDepth);
        EXPECT_EQ(record->sourceDepth, c.heldDepth);
        EXPECT_EQ(record->formatTag, 0u);
        DIBSECTION section;
        ASSERT_EQ(GetObjectW(record->handle, sizeof section, &section), (int)sizeof section);
        EXPECT_EQ(section.dsBm.bmWidthBytes, rowStride(c.width, c.heldDepth));
        std::vector<uint32_t> pixels = memoryPixels(record->handle);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(c.width) * record->height);
        for (size_t i = 0; i < pixels.size(); ++i) ASSERT_EQ(pixels[i], c.pixel) << "pixel " << i;
    }
}

TEST_F(ImageObjectTest, TheCanvasIsBottomUpWithRowsOf772Bytes) {
    ASSERT_NE(createImage(1, 257, 257), 0);
    DIBSECTION section;
    ASSERT_EQ(GetObjectW(imageHandle(1), sizeof section, &section), (int)sizeof section);
    EXPECT_EQ(section.dsBm.bmWidthBytes, 772);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_GT(section.dsBmih.biHeight, 0);
    // Bottom-up: a pixel drawn at the top row lies in the last memory row.
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(dc, imageHandle(1));
    RECT top = {0, 0, 1, 1};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(dc, &top, white);
    DeleteObject(white);
    SelectObject(dc, previous);
    DeleteDC(dc);
    const unsigned char* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
    EXPECT_EQ(bits[256 * 772], 0xFF);
    EXPECT_EQ(bits[0], 0x00);
}

TEST_F(ImageObjectTest, RefusedSizesAndDepthsLeaveTheNumberEmpty) {
    struct {
        int32_t width, height, depth;
    } refused[] = {
        {16, 16, 30},
        {16, 16, 48},
        {32768, 1, 24},
        {1, 32768, 24},
        {1, -32768, 24},
        {0x7FFFFFFF, 1, 24},
        {1, static_cast<int32_t>(0x80000000), 24},
        {32767, 32767, 32},  // 4 GiB of pixels
        {0, 16, 24},
        {16, 0, 24},
        {-16, 16, 24},
    };
    for (const auto& c : refused) {
        ASSERT_NE(createImage(2, 8, 8), 0);
        EXPECT_EQ(createImage(2, c.width, c.height, c.depth), 0)
            << c.width << "x" << c.height << " depth " << c.depth;
        EXPECT_EQ(imageHandle(2), nullptr);
        EXPECT_EQ(findImage(2), nullptr);
    }
}

TEST_F(ImageObjectTest, NumbersAreReusedAndFreedOnce) {
    HANDLE first = reinterpret_cast<HANDLE>(createImage(3, 4, 4));
    ASSERT_NE(first, nullptr);
    HANDLE second = reinterpret_cast<HANDLE>(createImage(3, 6, 6));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetObjectType(first), 0u) << "the first bitmap was not deleted";
    EXPECT_EQ(imageHandle(3), second);
    EXPECT_EQ(findImage(3)->width, 6);

    EXPECT_NE(freeImage(3), 0);
    EXPECT_EQ(GetObjectType(second), 0u);
    EXPECT_EQ(imageHandle(3), nullptr);
    EXPECT_EQ(freeImage(3), 0);
    EXPECT_EQ(freeImage(99), 0);
    EXPECT_EQ(imageHandle(99), nullptr);
}

TEST_F(ImageObjectTest, DynamicImagesAreKnownByTheirRecordAddress) {
    intptr_t a = createImage(DYNAMIC_OBJECT, 4, 4);
    intptr_t b = createImage(DYNAMIC_OBJECT, 5, 5, 32);
    ASSERT_NE(a, 0);
    ASSERT_NE(b, 0);
    EXPECT_NE(a, b);
    EXPECT_EQ(reinterpret_cast<intptr_t>(findImage(a)), a);
    HANDLE bitmapA = imageHandle(a);
    EXPECT_EQ(GetObjectType(bitmapA), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(findImage(b)->depth, 32);
    EXPECT_NE(freeImage(a), 0);
    EXPECT_EQ(GetObjectType(bitmapA), 0u);
    EXPECT_EQ(imageHandle(b) != nullptr, true);
}

TEST_F(ImageObjectTest, FreeingEveryImageReleasesNumberedAndDynamicOnes) {
    HANDLE numbered = reinterpret_cast<HANDLE>(createImage(5, 4, 4));
    intptr_t dynamic = createImage(DYNAMIC_OBJECT, 4, 4);
    HANDLE dynamicBitmap = imageHandle(dynamic);
    ASSERT_NE(loadData(0, "ico/eight_4bit_magick.ico"), 0);
    HANDLE icon = imageHandle(0);
    freeImage(DYNAMIC_OBJECT);
    EXPECT_EQ(GetObjectType(numbered), 0u);
    EXPECT_EQ(GetObjectType(dynamicBitmap), 0u);
    EXPECT_EQ(imageHandle(5), nullptr);
    EXPECT_EQ(imageHandle(0), nullptr);
    // The icon is gone too: the platform no longer describes it.
    ICONINFO info;
    EXPECT_FALSE(GetIconInfo(static_cast<HICON>(icon), &info));
}

TEST_F(ImageObjectTest, ShutDownFreesWhatIsLeft) {
    HANDLE kept = reinterpret_cast<HANDLE>(createImage(1, 257, 257));
    ASSERT_NE(kept, nullptr);
    endImages();
    EXPECT_EQ(GetObjectType(kept), 0u);
    EXPECT_EQ(imageHandle(1), nullptr);
}

}  // namespace
