// Bitmap inspection: rows of DIB sections and of device-dependent bitmaps
// (as icons hand them out), and the alpha question the blit asks.
#include <gtest/gtest.h>

#include "image/bitmap_access.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

using BitmapInspectionTest = ImageTest;

// The colour bitmap of an icon image: a device-dependent bitmap.
HBITMAP iconColourBitmap(ObjectId number) {
    ICONINFO info = {};
    if (!GetIconInfo(static_cast<HICON>(imageHandle(number)), &info)) return nullptr;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return info.hbmColor;
}

TEST_F(BitmapInspectionTest, ADibSectionLendsItsOwnRows) {
    ASSERT_NE(loadData(0, "bmp/gradient_24bit_magick.bmp"), 0);
    HBITMAP bitmap = static_cast<HBITMAP>(imageHandle(0));
    BITMAP described;
    ASSERT_EQ(GetObjectW(bitmap, sizeof described, &described), (int)sizeof described);
    int owned = -1;
    EXPECT_EQ(readBitmapRows32(bitmap, &owned), described.bmBits);
    EXPECT_EQ(owned, 0);
}

TEST_F(BitmapInspectionTest, OtherBitmapsAreCopiedTopRowFirstAt32Bits) {
    ASSERT_NE(loadData(0, "ico/sizes_32bit_magick.ico"), 0);
    HBITMAP colour = iconColourBitmap(0);
    ASSERT_NE(colour, nullptr);
    int owned = -1;
    const unsigned char* rows = static_cast<const unsigned char*>(readBitmapRows32(colour, &owned));
    ASSERT_NE(rows, nullptr);
    EXPECT_EQ(owned, 1);
    Bytes rgb;
    for (int i = 0; i < 16 * 16; ++i)
        rgb.insert(rgb.end(), {rows[4 * i + 2], rows[4 * i + 1], rows[4 * i]});
    EXPECT_EQ(rgb, readData("ico/sizes_16.rgb"));
    giveBackRecord(const_cast<unsigned char*>(rows));
    DeleteObject(colour);

    owned = -1;
    EXPECT_EQ(readBitmapRows32(nullptr, &owned), nullptr);
}

TEST_F(BitmapInspectionTest, AlphaIsReportedFor32BitSectionsAndForBitmapsWithAlpha) {
    ASSERT_NE(createImage(1, 4, 4, 32, -1), 0);  // 32 bits, every alpha 0
    ASSERT_NE(createImage(2, 4, 4, 24), 0);
    ASSERT_NE(loadData(3, "ico/sizes_32bit_magick.ico"), 0);  // alpha 255
    ASSERT_NE(loadData(4, "ico/eight_4bit_magick.ico"), 0);   // held with alpha 0
    HBITMAP withAlpha = iconColourBitmap(3), withoutAlpha = iconColourBitmap(4);
    struct {
        const char* what;
        HANDLE handle;
        int expected;
    } cases[] = {
        {"32-bit section", imageHandle(1), 1},
        {"24-bit section", imageHandle(2), 0},
        {"colour bitmap of a 32-bit icon", withAlpha, 1},
        {"colour bitmap of a 4-bit icon", withoutAlpha, 0},
        {"an icon", imageHandle(3), 0},
        {"nothing", nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bitmapHasAlpha(static_cast<HBITMAP>(c.handle)), c.expected) << c.what;

    FARPROC found = alphaBlendEntry;
    alphaBlendEntry = nullptr;
    for (const auto& c : cases)
        EXPECT_EQ(bitmapHasAlpha(static_cast<HBITMAP>(c.handle)), 0) << c.what;
    alphaBlendEntry = found;
    DeleteObject(withAlpha);
    DeleteObject(withoutAlpha);
}

}  // namespace
