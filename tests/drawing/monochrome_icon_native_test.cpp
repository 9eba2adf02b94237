// Windows hands out every monochrome icon without a colour bitmap; the
// native layer does so for other 1-bit icons only while its seam is on.
// Such an icon is drawn from its mask: XOR bits give white or black, AND
// bits transparency.
#include "drawing/bitmap_conversion.h"
#include "drawing_fixture.h"
#include "support/native_fakes.h"

namespace {

using MonochromeIcon = DrawingTest;

TEST_F(MonochromeIcon, WithoutAColourBitmapItIsDrawnFromItsMask) {
    nativeMonochromeIconsWithoutColour(TRUE);
    HANDLE icon = loadFixture(0, "ico/duo_1bit_magick.ico");
    nativeMonochromeIconsWithoutColour(FALSE);
    ASSERT_NE(icon, nullptr);
    ICONINFO parts;
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &parts));
    EXPECT_EQ(parts.hbmColor, nullptr);
    DeleteObject(parts.hbmMask);

    // The fixture is 16 by 16, opaque, black and one other colour.
    Expected pattern = expectation("ico/duo_1bit_magick.rgb", 16);
    ASSERT_EQ(pattern.bytes.size(), 16u * 16u * 3u);
    ASSERT_NE(openCanvas(1, 20, 20, 24, 0x123456), nullptr);
    drawImage(icon, 0, 0);
    Pixels canvas(1);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            uint32_t expected = 0x563412;
            if (x < 16 && y < 16) expected = pattern.argb(x, y) ? 0xFFFFFF : 0;
            ASSERT_EQ(canvas.argb(x, y), expected) << x << "," << y;
        }
}

}  // namespace
