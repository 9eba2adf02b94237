// Windows hands out monochrome icons without a colour bitmap; the native
// layer does so only while its seam is on. Such an icon draws nothing.
#include "drawing/bitmap_conversion.h"
#include "drawing_fixture.h"
#include "platform/native/seams.h"

namespace {

using MonochromeIcon = DrawingTest;

TEST_F(MonochromeIcon, WithoutAColourBitmapNothingIsDrawn) {
    nativeMonochromeIconsWithoutColour(TRUE);
    HANDLE icon = loadFixture(0, "ico/duo_1bit_magick.ico");
    nativeMonochromeIconsWithoutColour(FALSE);
    ASSERT_NE(icon, nullptr);
    ICONINFO parts;
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &parts));
    EXPECT_EQ(parts.hbmColor, nullptr);
    DeleteObject(parts.hbmMask);

    EXPECT_EQ(iconToBitmap(static_cast<HICON>(icon)), nullptr);
    ASSERT_NE(openCanvas(1, 20, 20, 24, 0x123456), nullptr);
    drawImage(icon, 0, 0);
    Pixels canvas(1);
    for (int32_t y = 0; y < 20; ++y)
        for (int32_t x = 0; x < 20; ++x) ASSERT_EQ(canvas.argb(x, y), 0x563412u) << x << "," << y;
}

}  // namespace
