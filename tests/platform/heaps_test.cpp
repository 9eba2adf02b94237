// Private heaps as the runtime uses them, on both builds.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

class Heaps : public ::testing::Test {
protected:
    void SetUp() override {
        heap = HeapCreate(0, 4096, 0);
        ASSERT_NE(heap, nullptr);
    }
    void TearDown() override {
        if (heap) EXPECT_TRUE(HeapDestroy(heap));
    }
    HANDLE heap = nullptr;
};

bool allBytes(const void* block, size_t from, size_t to, unsigned char value) {
    const unsigned char* bytes = static_cast<const unsigned char*>(block);
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != value) return false;
    return true;
}

TEST_F(Heaps, ZeroMemoryFlagClearsBlocksOfEverySize) {
    for (SIZE_T bytes : {SIZE_T(0), SIZE_T(1), SIZE_T(16), SIZE_T(4095), SIZE_T(70000)}) {
        void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, bytes);
        ASSERT_NE(block, nullptr) << bytes;
        EXPECT_TRUE(allBytes(block, 0, bytes, 0)) << bytes;
        EXPECT_EQ(HeapSize(heap, 0, block), bytes);
        EXPECT_TRUE(HeapFree(heap, 0, block));
    }
}

TEST_F(Heaps, ReAllocKeepsContentsAndZeroesOnlyWhenAsked) {
    struct Case {
        DWORD flags;
        SIZE_T from, to;
        bool grownZero;
    };
    const Case cases[] = {
        {HEAP_ZERO_MEMORY, 16, 4000, true},
        {HEAP_ZERO_MEMORY, 4000, 16, true},
        {0, 16, 64, false},
        {0, 64, 8, false},
    };
    for (const Case& c : cases) {
        unsigned char* block = static_cast<unsigned char*>(HeapAlloc(heap, 0, c.from));
        ASSERT_NE(block, nullptr);
        for (SIZE_T i = 0; i < c.from; ++i) block[i] = static_cast<unsigned char>(i * 7 + 1);
        unsigned char* moved = static_cast<unsigned char*>(HeapReAlloc(heap, c.flags, block, c.to));
        ASSERT_NE(moved, nullptr);
        EXPECT_EQ(HeapSize(heap, 0, moved), c.to);
        SIZE_T kept = c.from < c.to ? c.from : c.to;
        for (SIZE_T i = 0; i < kept; ++i)
            ASSERT_EQ(moved[i], static_cast<unsigned char>(i * 7 + 1)) << i;
        if (c.grownZero && c.to > c.from) EXPECT_TRUE(allBytes(moved, c.from, c.to, 0));
        EXPECT_TRUE(HeapFree(heap, 0, moved));
    }
}

TEST_F(Heaps, FreeingNullSucceeds) { EXPECT_TRUE(HeapFree(heap, 0, nullptr)); }

TEST_F(Heaps, DestroyTakesLiveBlocksWithIt) {
    for (int i = 0; i < 100; ++i) ASSERT_NE(HeapAlloc(heap, 0, 100 + i), nullptr);
    EXPECT_TRUE(HeapDestroy(heap));
    heap = nullptr;  // the sanitizer build reports a leak if blocks stayed
}

TEST_F(Heaps, HeapsAreIndependent) {
    HANDLE other = HeapCreate(0, 4096, 0);
    ASSERT_NE(other, nullptr);
    ASSERT_NE(other, heap);
    void* mine = HeapAlloc(heap, 0, 32);
    void* theirs = HeapAlloc(other, 0, 32);
    ASSERT_NE(mine, nullptr);
    ASSERT_NE(theirs, nullptr);
    EXPECT_TRUE(HeapDestroy(other));
    memset(mine, 1, 32);  // still ours after the other heap went
    EXPECT_EQ(HeapSize(heap, 0, mine), 32u);
}

TEST(ProcessHeap, IsOneHeapThatServesBlocks) {
    HANDLE heap = GetProcessHeap();
    ASSERT_NE(heap, nullptr);
    EXPECT_EQ(GetProcessHeap(), heap);
    void* block = HeapAlloc(heap, HEAP_ZERO_MEMORY, 24);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(HeapFree(heap, 0, block));
}

TEST(GlobalMemory, FixedZeroInitBlocks) {
    HGLOBAL block = GlobalAlloc(GPTR, 300);
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(allBytes(block, 0, 300, 0));
    EXPECT_EQ(GlobalFree(block), nullptr);
}

TEST(WideStrings, LengthAndBoundedCopy) {
    EXPECT_EQ(wcslen(UTF16("")), 0u);
    EXPECT_EQ(wcslen(UTF16("pic.bmp")), 7u);

    struct Case {
        const WCHAR* source;
        size_t count;
        const WCHAR expected[6];
    };
    const Case cases[] = {
        {UTF16("ab"), 5, {'a', 'b', 0, 0, 0, '#'}},            // padded with NULs
        {UTF16("abcdef"), 3, {'a', 'b', 'c', '#', '#', '#'}},  // cut, no NUL added
        {UTF16(""), 2, {0, 0, '#', '#', '#', '#'}},
        {UTF16("x"), 0, {'#', '#', '#', '#', '#', '#'}},
    };
    for (const Case& c : cases) {
        WCHAR target[6];
        for (WCHAR& unit : target) unit = '#';
        EXPECT_EQ(wcsncpy(target, c.source, c.count), target);
        EXPECT_EQ(memcmp(target, c.expected, sizeof target), 0) << c.count;
    }
}

}  // namespace
