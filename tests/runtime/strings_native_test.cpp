// The workspace when the StringHeap refuses to grow it.
#include <gtest/gtest.h>

#include "platform/native/seams.h"
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

TEST_F(NativeStrings, AWorkspaceThatCannotGrowGivesTheEmptyString) {
    const WCHAR* small = joinTemporary(UTF16("abc"), UTF16("d"));
    ASSERT_EQ(wcslen(small), 4u);
    nativeFailAllocation(stringHeap, 1);
    const WCHAR* joined = joinTemporary(UTF16("a name far too long"), UTF16(" for sixteen bytes"));
    EXPECT_EQ(joined[0], 0);
    EXPECT_EQ(stringWorkspace.capacity, 16);
    EXPECT_EQ(HeapSize(stringHeap, 0, stringWorkspace.buffer), 16u);
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
