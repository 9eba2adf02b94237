// The workspace when the StringHeap refuses to grow it.
#include <gtest/gtest.h>

#include "support/native_fakes.h"
#include "runtime/parameters.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

class NativeStrings : public ::testing::Test {
protected:
    void SetUp() override { startRuntime(nullptr); }
    void TearDown() override {
        nativeFailAllocation(nullptr, 0);
        stopRuntime();
    }
};

// Whether building `first` + `second` needs memory: with the StringHeap
// refusing every allocation, a join that needs none still succeeds.
bool joinsWithoutMemory(const WCHAR* first, const WCHAR* second) {
    nativeFailAllocation(stringHeap, 1);
    const WCHAR* joined = joinTemporary(first, second);
    bool built = joined[0] != 0;
    nativeFailAllocation(nullptr, 0);
    return built;
}

TEST_F(NativeStrings, TheWorkspaceStartsWithRoomForEightUnitsUncleared) {
    // The room is handed out as it is: the heap's fill pattern, no NUL.
    EXPECT_NE(temporaryRoom(1)[0], 0);
    const struct {
        const WCHAR *first, *second;
        bool withoutMemory;
    } cases[] = {
        {UTF16("1234567"), UTF16(""), true},  // 7 units and the NUL: 16 bytes
        {UTF16("123"), UTF16("4567"), true},
        {UTF16("12345678"), UTF16(""), false},
        {UTF16("1234"), UTF16("5678"), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(joinsWithoutMemory(c.first, c.second), c.withoutMemory)
            << wcslen(c.first) + wcslen(c.second);
    // Growing doubles the room: 32 bytes, 15 units and the NUL.
    ASSERT_EQ(wcslen(joinTemporary(UTF16("12345678"), UTF16(""))), 8u);
    EXPECT_TRUE(joinsWithoutMemory(UTF16("12345678"), UTF16(""))) << "grown once, room kept";
    EXPECT_TRUE(joinsWithoutMemory(UTF16("123456789012345"), UTF16("")));
    EXPECT_FALSE(joinsWithoutMemory(UTF16("1234567890123456"), UTF16("")));
}

TEST_F(NativeStrings, AWorkspaceThatCannotGrowGivesTheEmptyString) {
    const WCHAR* small = joinTemporary(UTF16("abc"), UTF16("d"));
    ASSERT_EQ(wcslen(small), 4u);
    nativeFailAllocation(stringHeap, 1);
    const WCHAR* joined = joinTemporary(UTF16("a name far too long"), UTF16(" for sixteen bytes"));
    EXPECT_EQ(joined[0], 0);
    EXPECT_TRUE(joinsWithoutMemory(UTF16("1234567"), UTF16(""))) << "the old room is kept";
    EXPECT_FALSE(joinsWithoutMemory(UTF16("12345678"), UTF16("")));
    // The next attempt may grow again.
    joined = joinTemporary(UTF16("a name far too long"), UTF16(" for sixteen bytes"));
    EXPECT_EQ(wcslen(joined), 37u);
}

TEST_F(NativeStrings, ParameterTooLongForAWorkspaceThatCannotGrow) {
    nativeSetCommandLine(UTF16("celpack a-long-picture-name.bmp"));
    nativeFailAllocation(stringHeap, 1);
    EXPECT_EQ(parameterAt(0)[0], 0);
    EXPECT_EQ(parameterCursor(), 1) << "the parameter was found all the same";
    nativeFailAllocation(nullptr, 0);
    const WCHAR* name = parameterAt(0);
    EXPECT_EQ(wcslen(name), 23u);
}

TEST_F(NativeStrings, KeepStringReportsAnExhaustedHeap) {
    nativeFailAllocation(stringHeap, 1);
    EXPECT_EQ(keepString(UTF16("x")), nullptr);
}

}  // namespace
