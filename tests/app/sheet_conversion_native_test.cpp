// The road from a loaded picture to font bytes when the picture cannot be
// drawn on the canvas: no byte reaches the sink, the drawing session is
// over, and the road leaves the heap and the platform's objects as it
// found them, as it does when the picture is drawn.
#include <gtest/gtest.h>

#include "fuzz/picture_to_font.h"
#include "support/native_fakes.h"
#include "support/test_support.h"

namespace {

TEST(SheetConversion, APictureThatCannotBeDrawnSendsNoByteAndEndsItsSession) {
    // A 16-colour icon has no alpha: it reaches the canvas through
    // DrawIconEx, which the seam makes fail.
    const std::vector<unsigned char> icon = testsupport::dataBytes("ico/eight_4bit_magick.ico");
    ASSERT_FALSE(icon.empty());
    const struct {
        bool drawFails;
        Conversion conversion;
        int32_t bytes;
    } cases[] = {
        {false, Conversion::done, fontFileSize},
        {true, Conversion::notDrawn, 0},
        {false, Conversion::done, fontFileSize},
    };
    startRuntime(pictureToFont::libraries());
    pictureToFont::Outcome outcome;
    ASSERT_TRUE(pictureToFont::warmUp(&outcome));
    long blocks = nativeHeapBlockCount(runtimeHeap), objects = nativeObjectCount();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drawFails ? "the draw fails" : "the draw succeeds");
        nativeFailIconDrawing(c.drawFails);
        pictureToFont::walk(icon.data(), icon.size(), &outcome);
        nativeFailIconDrawing(FALSE);
        EXPECT_TRUE(outcome.loaded);
        EXPECT_EQ(outcome.conversion, c.conversion);
        EXPECT_EQ(outcome.sinkCalls, c.bytes);
        EXPECT_EQ(currentDrawingContext(), nullptr);
        EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
        EXPECT_EQ(nativeObjectCount(), objects);
    }
    stopRuntime();
}

}  // namespace
