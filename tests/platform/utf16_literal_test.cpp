#include <gtest/gtest.h>

#include "platform/platform.h"

// Strings are UTF-16 in both builds; a literal must be too.
TEST(PlatformTypes, WideLiteralsAreUtf16) {
    EXPECT_EQ(sizeof(UTF16("a")[0]), 2u);
    EXPECT_EQ(sizeof(WCHAR), 2u);
}
