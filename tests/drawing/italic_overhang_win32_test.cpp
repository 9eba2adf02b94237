// Only the Windows build can make an italic font.
#include "drawing_fixture.h"

namespace {

TEST(ItalicOverhang, OnlyItalicFontsReachPastTheirAdvance) {
    for (BOOL italic : {FALSE, TRUE}) {
        HFONT font = CreateFontW(40, 0, 0, 0, FW_NORMAL, italic, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                 DEFAULT_PITCH, L"Liberation Sans");
        ASSERT_NE(font, nullptr);
        int32_t overhang = measureItalicOverhang(font);
        if (italic) {
            EXPECT_GT(overhang, 0);
            EXPECT_LT(overhang, 40);
        } else {
            EXPECT_EQ(overhang, 0);
        }
        DeleteObject(font);
    }
}

}  // namespace
