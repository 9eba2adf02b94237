// Loading when the RuntimeHeap refuses memory or the platform an object:
// every allocation of a load failing in turn gives a clean failure or a
// whole image, and nothing a load took is left behind.
#include <gtest/gtest.h>

#include "image/load_failure.h"
#include "image_test_support.h"
#include "support/native_fakes.h"

using namespace imagetest;

namespace {

class ImageLoadingNativeTest : public ImageTest {
protected:
    void TearDown() override {
        nativeFailAllocation(nullptr, 0);
        ImageTest::TearDown();
    }
};

TEST_F(ImageLoadingNativeTest, EachFailingAllocationFailsTheLoadWithoutLeaving) {
    // Heap blocks: the file block, the record, the copy of run-length data.
    // Platform objects: DCs, bitmaps, the icon and the copies that describe it.
    for (bool objects : {false, true}) {
        for (const char* file : {"bmp/indexed_rle8_magick.bmp", "bmp/gradient_24bit_magick.bmp",
                                 "ico/sizes_32bit_magick.ico"}) {
            long blocks = nativeHeapBlockCount(runtimeHeap), made = nativeObjectCount();
            for (long n = 1;; ++n) {
                SCOPED_TRACE(testing::Message()
                             << file << ", " << (objects ? "object " : "block ") << n << " fails");
                objects ? nativeFailObjects(n) : nativeFailAllocation(runtimeHeap, n);
                intptr_t result = loadData(DYNAMIC_OBJECT, file);
                objects ? nativeFailObjects(0) : nativeFailAllocation(nullptr, 0);
                if (result != 0) {
                    // Nothing failed this time: every allocation has had its turn.
                    EXPECT_NE(findImage(result), nullptr);
                    freeImage(result);
                    EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
                    EXPECT_EQ(nativeObjectCount(), made);
                    break;
                }
                // An icon's second try makes one of the default size instead.
                if (objects)
                    EXPECT_TRUE(lastLoadFailure() == LoadFailure::PlatformFailed ||
                                lastLoadFailure() == LoadFailure::WrongIconSize);
                EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
                EXPECT_EQ(nativeObjectCount(), made);
                ASSERT_LT(n, 12) << "a load that never succeeds";
            }
        }
    }
}

TEST_F(ImageLoadingNativeTest, AFailedDynamicLoadGivesItsRecordBack) {
    long blocks = nativeHeapBlockCount(runtimeHeap);
    Bytes refused = readData("malformed/bmp_offbits_past_end.bmp");
    EXPECT_EQ(decodeBytes(DYNAMIC_OBJECT, refused), 0);
    EXPECT_EQ(decodeBytes(DYNAMIC_OBJECT, Bytes{'?'}), 0);
    EXPECT_EQ(loadData(DYNAMIC_OBJECT, "malformed/empty.bmp"), 0);
    EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
}

}  // namespace
