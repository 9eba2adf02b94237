// Loading when the RuntimeHeap refuses memory: every allocation of a load
// failing in turn gives a clean failure or a whole image, and nothing a
// load took is left behind.
#include <gtest/gtest.h>

#include "image_test_support.h"
#include "platform/native/seams.h"

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
    // The file block, the record, and the copy of run-length data.
    for (const char* file : {"bmp/indexed_rle8_magick.bmp", "bmp/gradient_24bit_magick.bmp",
                             "ico/sizes_32bit_magick.ico"}) {
        long blocks = nativeHeapBlockCount(runtimeHeap);
        for (long n = 1;; ++n) {
            SCOPED_TRACE(testing::Message() << file << ", allocation " << n << " fails");
            nativeFailAllocation(runtimeHeap, n);
            intptr_t result = loadData(DYNAMIC_OBJECT, file);
            nativeFailAllocation(nullptr, 0);
            if (result != 0) {
                // Nothing failed this time: every allocation has had its turn.
                EXPECT_NE(findImage(result), nullptr);
                freeImage(result);
                EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
                break;
            }
            EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocks);
            ASSERT_LT(n, 10) << "a load that never succeeds";
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
