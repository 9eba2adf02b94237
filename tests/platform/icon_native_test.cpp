// Native-only icon behaviour: refusals where the Windows build under Wine
// makes an empty or garbled icon from the same malformed data, the
// monochrome seam, and PNG layouts Wine mishandles (see the notes).
#include <gtest/gtest.h>

#include "support/native_fakes.h"
#include "tests/platform/icon_test_support.h"

using namespace icontest;

namespace {

const Pixels checker = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};

Bytes set32(Bytes data, size_t at, uint32_t value) {
    memcpy(&data[at], &value, 4);
    return data;
}

}  // namespace

TEST(IconNative, MalformedHeadersAreRefused) {
    const Bytes eight = bitmapIcon(4, 3, 8, Pixels(12, 1), sampleMask, {0x102030, 0x405060});
    const Bytes deep = bitmapIcon(4, 3, 24, Pixels(12, 0x102030), sampleMask);
    const struct {
        const char* name;
        Bytes data;
    } cases[] = {
        {"0 bits", set32(eight, 12, 0x00000001)},
        {"2 bits", set32(eight, 12, 0x00020001)},
        {"no planes", set32(eight, 12, 0x00080000)},
        {"width 0", set32(eight, 4, 0)},
        {"negative width", set32(eight, 4, uint32_t(-4))},
        {"height 1", set32(eight, 8, 1)},
        {"negative height", set32(eight, 8, uint32_t(-6))},
        {"masks at 24 bits", set32(deep, 16, 3)},
        {"zero mask", set32(set32(deep, 12, 0x00200001), 16, 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(makeIcon(c.data), nullptr);
    }
    Bytes data = eight;
    EXPECT_EQ(makeIcon(data, -4, 3), nullptr);
    EXPECT_EQ(CreateIconFromResourceEx(data.data(), DWORD(data.size()), FALSE, 0x00030000, 0, 0, 0),
              nullptr);
}

TEST(IconNative, MonochromeSeamDropsTheColourOfEveryOneBitIcon) {
    Bytes coloured = bitmapIcon(4, 3, 1, checker, sampleMask, {0x102030, 0x405060});
    nativeMonochromeIconsWithoutColour(TRUE);
    HICON icon = makeIcon(coloured);
    nativeMonochromeIconsWithoutColour(FALSE);
    IconParts parts = iconParts(icon);
    EXPECT_EQ(parts.info.hbmColor, nullptr);
    EXPECT_EQ(parts.mask, "1000/0000/0001/0101/1010/0101");
    DestroyIcon(icon);
    icon = makeIcon(coloured);
    EXPECT_NE(iconParts(icon).info.hbmColor, nullptr);
    DestroyIcon(icon);
}

// Wine swaps red and blue of PNGs without alpha, ignores tRNS chunks of
// RGB images and refuses 16-bit channels; this layer does none of that.
TEST(IconNative, PngLayouts) {
    const struct {
        const char* name;
        uint32_t topLeft, bottomRight;
        const char* mask;
    } cases[] = {
        {"rgb_4x3_pillow.png", 0x00C80000, 0x00C87878, "0000/0000/0000"},
        {"rgb_trns_4x3_pillow.png", 0xFFC80000, 0xFFC87878, "0000/0100/0000"},
        {"rgba16_4x3_magick.png", 0x00C80000, 0x00C87878, "1111/1011/0011"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HICON icon = makeIcon(iconFixture(c.name));
        IconParts parts = iconParts(icon);
        ASSERT_EQ(parts.colour.size(), 12u);
        EXPECT_EQ(parts.colour[0], c.topLeft);
        EXPECT_EQ(parts.colour[11], c.bottomRight);
        EXPECT_EQ(parts.mask, c.mask);
        DestroyIcon(icon);
    }
}
