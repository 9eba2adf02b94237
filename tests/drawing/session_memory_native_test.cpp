// A session gives back every block it took: its record, the flood fill's
// pool and scratch, the gradient stops and the blit's temporary copies;
// and every platform object: the device context of its output above all.
#include "drawing/gradient.h"
#include "drawing/primitives.h"
#include "drawing_fixture.h"
#include "support/native_fakes.h"

namespace {

using SessionMemory = DrawingTest;

TEST_F(SessionMemory, EndDrawingLeavesTheHeapAsItWas) {
    ASSERT_TRUE(createImage(1, 300, 200, 32));
    long before = nativeHeapBlockCount(runtimeHeap);
    DrawingContext* context = imageOutput(1);
    ASSERT_NE(context, nullptr);
    ASSERT_NE(beginDrawing(context), 0);
    for (int32_t x = 1; x < 300; x += 2)
        context->lineDrawer(context, x, x % 4 == 1, x, 198 + (x % 4 == 1), 0xFF00FF00);
    context->areaFiller(context, 0, 0, 0xFF0000FF);  // needs several pool blocks
    context->areaFiller(context, 2, 5, 0xFF00FFFF);  // a second fill reuses them
    ASSERT_TRUE(addGradientStop(context, 0.3, 0xFF123456));
    ASSERT_TRUE(addGradientStop(context, 0.6, 0xFF654321));
    drawImage(imageHandle(1), 3, 3);  // onto itself: a copy
    context->sizedImageBlitter(context, imageHandle(1), 0, 0, 50, 40);
    EXPECT_GT(nativeHeapBlockCount(runtimeHeap), before);
    endDrawing();
    EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), before);
}

TEST_F(SessionMemory, EverySessionEndGivesBackItsPlatformObjects) {
    ASSERT_TRUE(createImage(1, 20, 10, 24));
    ASSERT_TRUE(createImage(2, 20, 10, 32));
    for (ObjectId image : {ObjectId(1), ObjectId(2), ObjectId(1)}) {
        long objects = nativeObjectCount();
        DrawingContext* context = imageOutput(image);
        ASSERT_NE(context, nullptr);
        ASSERT_NE(beginDrawing(context), 0);
        EXPECT_GT(nativeObjectCount(), objects) << "the output's device context";
        drawImage(imageHandle(image == 1 ? 2 : 1), 1, 1);
        endDrawing();
        EXPECT_EQ(nativeObjectCount(), objects) << "image " << image;
    }
}

// Each platform object and each heap block a session takes fails in turn:
// the output or the session is refused and leaves nothing behind, or the
// session starts without a text strip and the next font selection makes
// it. (A session whose text DC could not be made draws no text at all.)
TEST_F(SessionMemory, EachFailureLeavesASessionWholeOrNone) {
    ASSERT_TRUE(createImage(1, 40, 30, 24));
    const long objects = nativeObjectCount(), blocks = nativeHeapBlockCount(runtimeHeap);
    for (bool heap : {false, true}) {
        int started = 0;
        for (long n = 1; n <= 6; ++n) {
            SCOPED_TRACE(testing::Message() << (heap ? "heap block " : "object ") << n);
            Pixels(1).fill(0);
            heap ? nativeFailAllocation(nullptr, n) : nativeFailObjects(n);
            DrawingContext* context = imageOutput(1);
            bool begun = beginDrawing(context) != 0;
            heap ? nativeFailAllocation(nullptr, 0) : nativeFailObjects(0);
            if (begun) {
                ++started;
                // Upright, whether or not the overhang could be measured.
                EXPECT_EQ(context->italicOverhang, 0);
                context->selectFont(context, reinterpret_cast<HFONT>(intptr_t(-1)));
                context->textWriter(context, 2, 2, UTF16("H"), 0x00FFFFFF);
                int inked = 0;
                for (int32_t y = 0; y < 30; ++y)
                    for (int32_t x = 0; x < 40; ++x) inked += Pixels(1).argb(x, y) != 0;
                if (context->textDC) EXPECT_GT(inked, 0) << "no text drawn";
                endDrawing();
            }
            EXPECT_EQ(currentDrawingContext(), nullptr);
            EXPECT_EQ(nativeObjectCount(), objects);
            EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
        }
        EXPECT_GT(started, 0);
        EXPECT_LT(started, 6);
    }
}

}  // namespace
