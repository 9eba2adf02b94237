// A monochrome icon that the platform gives no colour bitmap (as Windows
// does) takes its record from the mask: its width, half its height, 1 bit.
#include <gtest/gtest.h>

#include "image_test_support.h"
#include "platform/native/seams.h"

using namespace imagetest;

namespace {

using MonochromeIconTest = ImageTest;

TEST_F(MonochromeIconTest, TheMaskDescribesAnIconWithoutColourBitmap) {
    nativeMonochromeIconsWithoutColour(TRUE);
    intptr_t result = loadData(0, "ico/duo_1bit_magick.ico");
    nativeMonochromeIconsWithoutColour(FALSE);
    ASSERT_NE(result, 0);
    const ImageObject* record = findImage(0);
    EXPECT_EQ(record->width, 16);
    EXPECT_EQ(record->height, 16);
    EXPECT_EQ(record->depth, 1);
    EXPECT_EQ(record->sourceDepth, 1);
    EXPECT_EQ(record->formatTag, IMAGE_FORMAT_ICON);

    // Deeper icons keep their colour bitmap with the seam on.
    nativeMonochromeIconsWithoutColour(TRUE);
    ASSERT_NE(loadData(0, "ico/eight_4bit_magick.ico"), 0);
    nativeMonochromeIconsWithoutColour(FALSE);
    EXPECT_EQ(findImage(0)->depth, 32);
}

}  // namespace
