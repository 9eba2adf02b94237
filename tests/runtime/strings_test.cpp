// Temporary strings in the StringWorkspace and string variables, on both
// builds.
#include <gtest/gtest.h>

#include <string>

#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

std::u16string text(const WCHAR* units) {
    return std::u16string(reinterpret_cast<const char16_t*>(units), wcslen(units));
}
const WCHAR* units(const std::u16string& value) {
    return reinterpret_cast<const WCHAR*>(value.c_str());
}

class Strings : public ::testing::Test {
protected:
    void SetUp() override { startRuntime(nullptr); }
    void TearDown() override { stopRuntime(); }
};

TEST_F(Strings, JoinBuildsBothPartsInTheWorkspace) {
    const std::u16string long300(300, u'w');
    struct Case {
        const WCHAR* first;
        const WCHAR* second;
        std::u16string joined;
    };
    const Case cases[] = {
        {UTF16("Error loading Image"), UTF16("x.bmp"), u"Error loading Imagex.bmp"},
        {UTF16("pic.bmp"), UTF16(".fnt"), u"pic.bmp.fnt"},
        {UTF16(""), UTF16(""), u""},
        {nullptr, UTF16("b"), u"b"},
        {UTF16("a"), nullptr, u"a"},
        {units(long300), UTF16("!"), long300 + u"!"},
    };
    for (const Case& c : cases) {
        const WCHAR* joined = joinTemporary(c.first, c.second);
        EXPECT_EQ(text(joined), c.joined);
        // A temporary lives until the next one, which takes its place.
        const WCHAR* next = joinTemporary(UTF16("next"), UTF16(""));
        EXPECT_EQ(next, joined) << "the next temporary is built in the same place";
        EXPECT_EQ(text(next), u"next");
    }
}

TEST_F(Strings, ATemporaryMayBeAPartOfTheNext) {
    // The growth from the 16-byte start moves the buffer under the parts.
    const std::u16string name = u"a picture with a long name.bmp";
    const WCHAR* picture = joinTemporary(UTF16(""), units(name));
    EXPECT_EQ(text(joinTemporary(picture, UTF16(".fnt"))), name + u".fnt");

    picture = joinTemporary(units(name), UTF16(""));
    EXPECT_EQ(text(joinTemporary(UTF16("Error loading Image"), picture)),
              u"Error loading Image" + name);

    picture = joinTemporary(units(name), UTF16(""));
    EXPECT_EQ(text(joinTemporary(picture, picture)), name + name);

    const WCHAR* big = joinTemporary(units(std::u16string(5000, u'x')), UTF16("y"));
    EXPECT_EQ(text(joinTemporary(big, big)),
              std::u16string(5000, u'x') + u"y" + std::u16string(5000, u'x') + u"y");
}

TEST_F(Strings, KeptStringsOutliveTemporaries) {
    WCHAR* kept = keepString(joinTemporary(UTF16("pic"), UTF16(".bmp")));
    ASSERT_NE(kept, nullptr);
    joinTemporary(UTF16("something"), UTF16(" else entirely, and longer"));
    EXPECT_EQ(text(kept), u"pic.bmp");
    EXPECT_EQ(HeapSize(stringHeap, 0, kept), 8u * sizeof(WCHAR));

    WCHAR* empty = keepString(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], 0);
}

// Outside a running runtime there is no StringHeap: nothing can be kept.
TEST(StringsWithoutTheRuntime, KeepingAStringGivesNull) {
    EXPECT_EQ(keepString(UTF16("pic.bmp")), nullptr);
    startRuntime(nullptr);
    stopRuntime();
    EXPECT_EQ(keepString(UTF16("pic.bmp")), nullptr);
}

}  // namespace
