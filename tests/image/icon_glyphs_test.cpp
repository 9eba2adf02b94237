// Icon files along the tool's whole road, from the file's bytes to the
// font's: each gives the glyphs its picture holds, worked out here from the
// writer's pattern, on both builds alike. (The malformed icons' refusals,
// with their reasons, are in load_failure_test.)
#include <gtest/gtest.h>

#include <algorithm>

#include "fuzz/picture_to_font.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

// The font of a picture given as RGB rows, `side` pixels square: a bit for
// every pixel that is not pure black, cells the picture does not reach
// left empty.
Bytes fontOf(const Bytes& rgb, int side) {
    Bytes font(fontFileSize);
    for (int glyph = 0; glyph < 256; ++glyph)
        for (int row = 0; row < 16; ++row)
            for (int column = 0; column < 16; ++column) {
                int x = glyph % 16 * 16 + column, y = glyph / 16 * 16 + row;
                if (x >= side || y >= side) continue;
                const unsigned char* pixel = &rgb[(static_cast<size_t>(y) * side + x) * 3];
                if (pixel[0] || pixel[1] || pixel[2])
                    font[glyph * 32 + row * 2 + column / 8] |= 0x80 >> (column % 8);
            }
    return font;
}

class IconGlyphs : public ::testing::Test {
protected:
    void SetUp() override { startRuntime(pictureToFont::libraries()); }
    void TearDown() override { stopRuntime(); }
};

TEST_F(IconGlyphs, EachPixelThatIsNotBlackLightsItsGlyphBit) {
    const struct {
        const char* file;
        const char* expected;
        int side;
    } cases[] = {
        // 12-byte core header: 16 x 16 pixels, glyph 0 alone.
        {"ico/eight_4bit_core.ico", "ico/eight_4bit_core.rgb", 16},
        {"ico/eight_4bit_magick.ico", "ico/eight_4bit_magick.rgb", 16},
        {"ico/sizes_png_pillow.ico", "ico/sizes_16.rgb", 16},
        {"ico/sheet_png_pillow.ico", "ico/sheet_png.rgb", 256},
    };
    pictureToFont::Outcome outcome;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Bytes file = readData(c.file);
        pictureToFont::walk(file.data(), file.size(), &outcome);
        ASSERT_TRUE(outcome.loaded);
        Bytes rgb = readData(c.expected);
        ASSERT_EQ(rgb.size(), static_cast<size_t>(c.side) * c.side * 3);
        Bytes expected = fontOf(rgb, c.side);
        EXPECT_EQ(outcome.sinkCalls, fontFileSize);
        int firstWrongGlyph = -1;
        for (int glyph = 0; glyph < 256 && firstWrongGlyph < 0; ++glyph)
            if (!std::equal(expected.begin() + glyph * 32, expected.begin() + glyph * 32 + 32,
                            outcome.font + glyph * 32))
                firstWrongGlyph = glyph;
        EXPECT_EQ(firstWrongGlyph, -1);
    }
}

}  // namespace
