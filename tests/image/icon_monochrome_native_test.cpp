// A monochrome icon that the platform gives no colour bitmap (as Windows
// does) takes its record from the mask: its width, half its height, 1 bit.
#include <gtest/gtest.h>

#include "image_test_support.h"
#include "support/native_fakes.h"

using namespace imagetest;

namespace {

using MonochromeIconTest = ImageTest;

TEST_F(MonochromeIconTest, TheMaskDescribesAnIconWithoutColourBitmap) {
    // Black and white, with sides that differ and neither twice the other.
    auto stripes = [](int x, int y) { return uint32_t(x + y) % 3 == 0 ? 1u : 0u; };
    const struct {
        const char* what;
        Bytes file;
        int width, height;
    } cases[] = {
        {"16 x 16", readData("ico/duo_1bit_magick.ico"), 16, 16},
        {"24 x 8",
         crafted::iconFileOf(crafted::iconImage(24, 8, 1, stripes, {0x000000, 0xFFFFFF}), 24, 8, 1),
         24, 8},
        {"8 x 20",
         crafted::iconFileOf(crafted::iconImage(8, 20, 1, stripes, {0x000000, 0xFFFFFF}), 8, 20, 1),
         8, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        nativeMonochromeIconsWithoutColour(TRUE);
        intptr_t result = decodeBytes(0, c.file);
        nativeMonochromeIconsWithoutColour(FALSE);
        ASSERT_NE(result, 0);
        const ImageObject* record = findImage(0);
        EXPECT_EQ(record->width, c.width);
        EXPECT_EQ(record->height, c.height);
        EXPECT_EQ(record->depth, 1);
        EXPECT_EQ(record->sourceDepth, 1);
        EXPECT_EQ(record->formatTag, IMAGE_FORMAT_ICON);
    }

    // Deeper icons keep their colour bitmap with the seam on.
    nativeMonochromeIconsWithoutColour(TRUE);
    ASSERT_NE(loadData(0, "ico/eight_4bit_magick.ico"), 0);
    nativeMonochromeIconsWithoutColour(FALSE);
    EXPECT_EQ(findImage(0)->depth, 32);
}

}  // namespace
