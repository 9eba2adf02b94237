// Only the Windows build can make fonts of other sizes: the text DC takes
// the selected font, and the strip grows to it, giving back the one before.
#include "drawing_fixture.h"

namespace {

using FontSelection = DrawingTest;

TEST_F(FontSelection, TheStripGrowsToTheSelectedFont) {
    DrawingContext* context = openCanvas(1, 90, 20);
    ASSERT_NE(context, nullptr);
    for (int height : {40, 80, 20}) {
        SCOPED_TRACE(height);
        HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                 DEFAULT_PITCH, L"Liberation Sans");
        ASSERT_NE(font, nullptr);
        // Measured apart from the session, in a DC of its own.
        HDC probe = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(probe, font);
        SIZE hg = {0, 0};
        ASSERT_TRUE(GetTextExtentPoint32W(probe, UTF16("Hg"), 2, &hg));
        SelectObject(probe, old);
        DeleteDC(probe);

        int32_t before = context->textStripHeight;
        HBITMAP previous = context->textStrip;
        context->selectFont(context, font);
        EXPECT_EQ(context->textHeightGauge(context, UTF16("Hg")), hg.cy);
        int32_t grown = hg.cy + 20 > before ? hg.cy + 20 : before;
        EXPECT_EQ(context->textStripHeight, grown);
        // A handle the new strip reuses was given back first.
        if (grown != before)
            EXPECT_TRUE(context->textStrip == previous || GetObjectType(previous) == 0)
                << "the old strip is kept";
        context->selectFont(context, reinterpret_cast<HFONT>(intptr_t(-1)));
        DeleteObject(font);
    }
}

}  // namespace
