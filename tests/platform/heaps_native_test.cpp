// The native heaps' seams and their guard against blocks that are not
// theirs.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>

#include "support/native_fakes.h"
#include "platform/platform.h"

namespace {

class NativeHeaps : public ::testing::Test {
protected:
    void SetUp() override {
        first = HeapCreate(0, 4096, 0);
        second = HeapCreate(0, 4096, 0);
        nativeFailAllocation(nullptr, 0);
    }
    void TearDown() override {
        nativeFailAllocation(nullptr, 0);
        HeapDestroy(first);
        HeapDestroy(second);
    }
    HANDLE first = nullptr;
    HANDLE second = nullptr;
};

TEST_F(NativeHeaps, ExactlyTheNthAllocationFails) {
    // Allocations alternate between the heaps; HeapReAlloc counts too.
    struct Case {
        HANDLE* heap;
        long n;
        int failing;
    };  // failing: 1-based step, 0 none
    void* keep = HeapAlloc(first, 0, 8);
    ASSERT_NE(keep, nullptr);
    const Case cases[] = {
        {nullptr, 1, 1}, {nullptr, 4, 4}, {nullptr, 6, 6}, {nullptr, 7, 0},
        {&first, 2, 3},  {&second, 3, 6}, {nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        nativeFailAllocation(c.heap ? *c.heap : nullptr, c.n);
        int failedAt = 0;
        for (int step = 1; step <= 6; ++step) {
            bool ok;
            if (step == 5) {
                void* moved = HeapReAlloc(first, 0, keep, 16 + step);
                ok = moved != nullptr;
                if (ok) keep = moved;
            } else {
                HANDLE heap = step % 2 ? first : second;
                void* block = HeapAlloc(heap, 0, 10);
                ok = block != nullptr;
                if (ok) HeapFree(heap, 0, block);
            }
            if (!ok) {
                EXPECT_EQ(failedAt, 0) << "only one allocation fails";
                failedAt = step;
            }
        }
        EXPECT_EQ(failedAt, c.failing) << "n=" << c.n;
    }
    EXPECT_EQ(nativeHeapBlockCount(first), 1);
}

TEST_F(NativeHeaps, FailedReAllocLeavesTheBlock) {
    char* block = static_cast<char*>(HeapAlloc(first, 0, 4));
    memcpy(block, "abc", 4);
    nativeFailAllocation(first, 1);
    EXPECT_EQ(HeapReAlloc(first, HEAP_ZERO_MEMORY, block, 400), nullptr);
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(HeapSize(first, 0, block), 4u);
}

TEST_F(NativeHeaps, AllocationCountCountsSinceTheLastCall) {
    nativeAllocationCount();
    for (int i = 0; i < 5; ++i) HeapAlloc(i % 2 ? first : second, 0, 3);
    void* block = HeapAlloc(first, 0, 3);
    HeapReAlloc(first, 0, block, 30);
    EXPECT_EQ(nativeAllocationCount(), 7);
    EXPECT_EQ(nativeAllocationCount(), 0);
    HeapAlloc(first, 0, 3);
    nativeFailAllocation(nullptr, 0);
    EXPECT_EQ(nativeAllocationCount(), 0) << "arming the seam starts a new count";
}

TEST_F(NativeHeaps, BlockCountFollowsAllocAndFree) {
    EXPECT_EQ(nativeHeapBlockCount(first), 0);
    void* a = HeapAlloc(first, 0, 1);
    void* b = HeapAlloc(first, HEAP_ZERO_MEMORY, 0);
    EXPECT_EQ(nativeHeapBlockCount(first), 2);
    EXPECT_EQ(nativeHeapBlockCount(second), 0);
    HeapFree(first, 0, a);
    EXPECT_EQ(nativeHeapBlockCount(first), 1);
    HeapFree(first, 0, b);
    EXPECT_EQ(nativeHeapBlockCount(first), 0);
}

TEST_F(NativeHeaps, ForeignAndStaleBlocksAndHandlesAreRefused) {
    void* mine = HeapAlloc(first, 0, 8);
    int onStack = 0;
    EXPECT_FALSE(HeapFree(second, 0, mine));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(HeapFree(first, 0, &onStack));
    EXPECT_EQ(HeapReAlloc(second, 0, mine, 16), nullptr);
    EXPECT_EQ(HeapSize(second, 0, mine), static_cast<SIZE_T>(-1));
    EXPECT_TRUE(HeapFree(first, 0, mine));
    EXPECT_FALSE(HeapFree(first, 0, mine)) << "a block freed twice";

    HANDLE gone = HeapCreate(0, 0, 0);
    ASSERT_TRUE(HeapDestroy(gone));
    EXPECT_FALSE(HeapDestroy(gone));
    EXPECT_EQ(HeapAlloc(gone, 0, 8), nullptr);
    EXPECT_EQ(nativeHeapBlockCount(gone), -1);
    EXPECT_EQ(HeapAlloc(reinterpret_cast<HANDLE>(0x1234), 0, 8), nullptr);
    EXPECT_FALSE(HeapDestroy(GetProcessHeap()));
}

TEST_F(NativeHeaps, BlocksNotAskedToBeZeroedAreNotZero) {
    // Code that forgets HEAP_ZERO_MEMORY must not pass by luck.
    unsigned char* block = static_cast<unsigned char*>(HeapAlloc(first, 0, 64));
    int zeros = 0;
    for (int i = 0; i < 64; ++i) zeros += block[i] == 0;
    EXPECT_EQ(zeros, 0);
}

TEST_F(NativeHeaps, OversizedRequestsFail) {
    EXPECT_EQ(HeapAlloc(first, 0, static_cast<SIZE_T>(-1)), nullptr);
    void* block = HeapAlloc(first, 0, 8);
    EXPECT_EQ(HeapReAlloc(first, 0, block, static_cast<SIZE_T>(1) << 40), nullptr);
    EXPECT_EQ(HeapSize(first, 0, block), 8u);
}

// A block written one byte past its end stops the process when the block
// goes, however it goes; the sanitizer build stops it at the write.
TEST_F(NativeHeaps, AWritePastABlockStopsTheProcessWhenTheBlockGoes) {
    const char* const caught = "written past its end|heap-buffer-overflow";
    for (SIZE_T bytes : {SIZE_T(1), SIZE_T(8), SIZE_T(100), SIZE_T(70000)}) {
        SCOPED_TRACE(bytes);
        for (int how = 0; how < 3; ++how) {
            EXPECT_DEATH(
                {
                    unsigned char* block =
                        static_cast<unsigned char*>(HeapAlloc(first, HEAP_ZERO_MEMORY, bytes));
                    block[bytes] = 0;
                    if (how == 0) HeapFree(first, 0, block);
                    if (how == 1) HeapReAlloc(first, 0, block, bytes * 2);
                    if (how == 2) HeapDestroy(first);
                    fprintf(stderr, "not caught\n");
                    exit(0);
                },
                caught);
        }
        // Writing right up to the end is fine, and so is shrinking in place.
        unsigned char* block = static_cast<unsigned char*>(HeapAlloc(first, 0, bytes));
        block[bytes - 1] = 1;
        block = static_cast<unsigned char*>(
            HeapReAlloc(first, HEAP_REALLOC_IN_PLACE_ONLY, block, (bytes + 1) / 2));
        ASSERT_NE(block, nullptr);
        EXPECT_TRUE(HeapFree(first, 0, block));
    }
}

}  // namespace
