// Stretch, align and shift: where each ink pixel lands, the order the three
// are applied in, and the glyph named when ink would leave its cell.
#include <gtest/gtest.h>

#include <vector>

#include "celkit/font/glyph_transform.h"

namespace celkit {
namespace {

struct Ink {
    int glyph, x, y;
};

Font fontOf(const std::vector<Ink>& ink) {
    Font font;
    for (const Ink& i : ink) font.setPixel(i.glyph, i.x, i.y, true);
    return font;
}

std::vector<Ink> inkOf(const Font& font) {
    std::vector<Ink> ink;
    for (int g = 0; g < glyphCount; ++g)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x)
                if (font.pixel(g, x, y)) ink.push_back({g, x, y});
    return ink;
}

std::string text(const std::vector<Ink>& ink) {
    std::string out;
    for (const Ink& i : ink)
        out +=
            std::to_string(i.glyph) + ":" + std::to_string(i.x) + "," + std::to_string(i.y) + " ";
    return out;
}

// The 2 x 2 block a pixel at x, y of an 8 x 8 glyph becomes.
std::vector<Ink> block(int glyph, int x, int y) {
    return {{glyph, 2 * x, 2 * y},
            {glyph, 2 * x + 1, 2 * y},
            {glyph, 2 * x, 2 * y + 1},
            {glyph, 2 * x + 1, 2 * y + 1}};
}

std::vector<Ink> operator+(std::vector<Ink> a, const std::vector<Ink>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(GlyphTransform, InkLandsWhereTheOptionsSay) {
    const GlyphAlign keep = GlyphAlign::Keep, left = GlyphAlign::Left, centre = GlyphAlign::Centre;
    struct Row {
        const char* name;
        std::vector<Ink> in;
        GlyphTransform transform;
        std::vector<Ink> out;  // when no error
        const char* error;
    };
    const Row rows[] = {
        {"identity keeps the corners",
         {{0, 0, 0}, {255, 15, 15}, {65, 9, 3}},
         {1, keep, 0, 0},
         {{0, 0, 0}, {65, 9, 3}, {255, 15, 15}},
         nullptr},
        {"stretch doubles every pixel",
         {{65, 0, 0}, {65, 7, 7}, {66, 3, 1}},
         {2, keep, 0, 0},
         block(65, 0, 0) + block(65, 7, 7) + block(66, 3, 1),
         nullptr},
        {"stretch refuses column 8",
         {{65, 2, 2}, {66, 8, 0}, {67, 9, 0}},
         {2, keep, 0, 0},
         {},
         "glyph 0x42: its ink at x 8, y 0 leaves the 16 x 16 cell when stretched 2 times"},
        {"stretch refuses row 8",
         {{7, 0, 8}},
         {2, keep, 0, 0},
         {},
         "glyph 0x07: its ink at x 0, y 8"},
        {"stretch 3", {}, {3, keep, 0, 0}, {}, "a stretch of 3"},
        {"stretch 0", {}, {0, keep, 0, 0}, {}, "a stretch of 0"},
        {"left moves the font's box to column 0",
         {{65, 3, 0}, {66, 5, 9}},
         {1, left, 0, 0},
         {{65, 0, 0}, {66, 2, 9}},
         nullptr},
        {"centre of an 8-wide font",
         {{65, 0, 1}, {65, 7, 2}},
         {1, centre, 0, 0},
         {{65, 4, 1}, {65, 11, 2}},
         nullptr},
        {"centre of an odd width leaves the spare column right",
         {{65, 0, 0}, {66, 4, 0}},
         {1, centre, 0, 0},
         {{65, 5, 0}, {66, 9, 0}},
         nullptr},
        // An 'i' in column 3 of a font whose ink spans 1-6 moves with it, not to the middle.
        {"centre keeps glyphs' placement",
         {{105, 3, 5}, {109, 1, 5}, {109, 6, 5}},
         {1, centre, 0, 0},
         {{105, 7, 5}, {109, 5, 5}, {109, 10, 5}},
         nullptr},
        {"centre of a font already centred",
         {{65, 4, 0}, {65, 11, 0}},
         {1, centre, 0, 0},
         {{65, 4, 0}, {65, 11, 0}},
         nullptr},
        {"align a blank font", {}, {1, centre, 0, 0}, {}, nullptr},
        {"shift right and down",
         {{65, 0, 0}, {65, 14, 13}},
         {1, keep, 1, 2},
         {{65, 1, 2}, {65, 15, 15}},
         nullptr},
        {"shift left and up",
         {{65, 1, 1}, {65, 15, 15}},
         {1, keep, -1, -1},
         {{65, 0, 0}, {65, 14, 14}},
         nullptr},
        {"shift out on the left names the first glyph",
         {{32, 3, 3}, {48, 0, 4}, {64, 0, 0}},
         {1, keep, -1, 0},
         {},
         "glyph 0x30: shifted by -1,0 its ink at x 0, y 4 leaves"},
        {"shift out on the right", {{1, 15, 0}}, {1, keep, 1, 0}, {}, "glyph 0x01: shifted by 1,0"},
        {"shift out at the top", {{1, 5, 0}}, {1, keep, 0, -1}, {}, "x 5, y 0 leaves"},
        {"shift out at the bottom", {{1, 5, 15}}, {1, keep, 0, 1}, {}, "x 5, y 15 leaves"},
        // Stretched first (columns 0-7), centred (4-11), then shifted down a row.
        {"stretch, then align, then shift",
         {{65, 0, 0}, {65, 3, 0}},
         {2, centre, 0, 1},
         {{65, 4, 1},
          {65, 5, 1},
          {65, 10, 1},
          {65, 11, 1},
          {65, 4, 2},
          {65, 5, 2},
          {65, 10, 2},
          {65, 11, 2}},
         nullptr},
        {"a shift can undo the centring",
         {{65, 0, 0}, {65, 7, 0}},
         {1, centre, -4, 0},
         {{65, 0, 0}, {65, 7, 0}},
         nullptr},
        {"centring makes room a shift then uses",
         {{65, 0, 0}, {65, 7, 0}},
         {1, centre, 4, 0},
         {{65, 8, 0}, {65, 15, 0}},
         nullptr},
    };
    for (const Row& row : rows) {
        Font out;
        out.bytes.fill(0xA5);
        const Font before = out;
        std::string error;
        const bool done = transformGlyphs(fontOf(row.in), row.transform, out, error);
        EXPECT_EQ(done, row.error == nullptr) << row.name << ": " << error;
        if (row.error) {
            EXPECT_NE(error.find(row.error), std::string::npos) << row.name << ": " << error;
            EXPECT_EQ(out.bytes, before.bytes)
                << row.name << ": a refused transform writes nothing";
        } else {
            EXPECT_EQ(text(inkOf(out)), text(inkOf(fontOf(row.out)))) << row.name;
        }
    }
}

TEST(GlyphTransform, MayWriteOverItsInput) {
    Font font = fontOf({{65, 0, 0}, {65, 7, 7}});
    std::string error;
    ASSERT_TRUE(transformGlyphs(font, {2, GlyphAlign::Keep, 0, 0}, font, error)) << error;
    EXPECT_EQ(text(inkOf(font)), text(inkOf(fontOf(block(65, 0, 0) + block(65, 7, 7)))));
}

}  // namespace
}  // namespace celkit
