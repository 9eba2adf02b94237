// The cell the bitmap writers place glyphs in: the baseline found under the
// capitals (through the map, the most common bottom row, the lower on a
// tie) or given, and the 8-wide BDF's boxes and advances read as text.
// FreeType, bdftopcf and fontconfig judge the files in consumers.py.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "celkit/font/bdf.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font_formats.h"

namespace celkit {
namespace {

// A bar in column 2 from row `top` down to row `bottom` of glyph g.
void bar(Font& font, int g, int top, int bottom) {
    for (int y = top; y <= bottom; ++y) font.setPixel(g, 2, y, true);
}

TEST(ExportCell, TheBaselineLiesUnderTheRowMostCapitalsEndOn) {
    const CodepointMap cp437 = *builtinMap("cp437");
    CodepointMap shifted;  // glyph g stands for U+0020 + g: 'A' is glyph 0x21
    for (int g = 0; g < glyphCount; ++g) shifted.codepoints[g] = {U' ' + static_cast<char32_t>(g)};
    struct Row {
        const char* what;
        std::vector<std::pair<int, int>> ends;  // glyph, bottom row
        const CodepointMap* map;
        std::optional<int> given;
        int ascent;
    };
    const Row rows[] = {
        {"no capitals", {}, &cp437, std::nullopt, defaultAscent},
        {"capitals lower case only", {{'a', 11}, {'b', 11}}, &cp437, std::nullopt, defaultAscent},
        {"most end on row 11", {{'A', 11}, {'B', 11}, {'Q', 13}}, &cp437, std::nullopt, 12},
        {"a tie goes to the lower row", {{'A', 9}, {'B', 12}}, &cp437, std::nullopt, 13},
        {"the bottom row itself", {{'A', 15}, {'Z', 15}, {'M', 3}}, &cp437, std::nullopt, 16},
        {"the top row", {{'A', 0}}, &cp437, std::nullopt, 1},
        {"capitals found through the map",
         {{0x21, 12}, {0x22, 12}, {'A', 5}, {'B', 5}, {'C', 5}},
         &shifted,
         std::nullopt,
         13},
        {"given", {{'A', 11}, {'B', 11}}, &cp437, 15, 15},
        {"given 0", {{'A', 11}}, &cp437, 0, 0},
        {"given past the cell", {{'A', 11}}, &cp437, 40, glyphSide},
        {"given below it", {{'A', 11}}, &cp437, -3, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Font font;
        for (auto [g, bottom] : row.ends) bar(font, g, 0, bottom);
        font.setPixel(0x80, 2, 15, true);  // ink that is no capital's counts for nothing
        const Cell cell = exportCell(font, ExportOptions{*row.map, "t", 16, row.given});
        EXPECT_EQ(cell.ascent, row.ascent);
        EXPECT_EQ(cell.descent(), glyphSide - row.ascent);
    }
}

TEST(ExportCell, TheWidthIsEightOrSixteen) {
    for (auto [asked, width] : {std::pair{8, 8}, {16, 16}, {12, 16}, {0, 16}})
        EXPECT_EQ(exportCell(Font{}, ExportOptions{*builtinMap("cp437"), "t", asked}).width, width)
            << asked;
}

// Glyph g's lines of the BDF, STARTCHAR to ENDCHAR.
std::string glyphText(const std::string& bdf, int code) {
    const std::size_t at = bdf.find("ENCODING " + std::to_string(code) + "\n");
    if (at == std::string::npos) return "";
    const std::size_t start = bdf.rfind("STARTCHAR", at), end = bdf.find("ENDCHAR\n", at);
    return bdf.substr(start, end + 8 - start);
}

TEST(ExportCell, AnEightWideBdfAdvancesByEightWithEachGlyphsInkBox) {
    Font font;
    bar(font, 'A', 2, 11);  // column 2, rows 2-11: the baseline under row 11
    bar(font, 'B', 2, 11);
    font.setPixel('B', 7, 2, true);  // the last column of the 8
    font.setPixel('g', 0, 15, true);
    font.setPixel('g', 1, 14, true);
    font.setPixel('q', 9, 3, true);  // past the 8-wide cell: not written there
    std::string barRows;             // the bar's rows, from its box's left edge
    for (int i = 0; i < 10; ++i) barRows += "80\n";
    const std::string narrow = "SWIDTH 480 0\nDWIDTH 8 0\n";
    struct Row {
        int width;
        std::optional<int> baseline;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {8,
         std::nullopt,
         {"FONTBOUNDINGBOX 8 16 0 -4\n", "SPACING \"C\"\nAVERAGE_WIDTH 80\n",
          "FONT_ASCENT 12\nFONT_DESCENT 4\n", "-C-80-ISO10646-1\n",
          "ENCODING 65\n" + narrow + "BBX 1 10 2 0\nBITMAP\n" + barRows + "ENDCHAR\n",
          "ENCODING 66\n" + narrow + "BBX 6 10 2 0\nBITMAP\n84\n80\n",
          "ENCODING 103\n" + narrow + "BBX 2 2 0 -4\nBITMAP\n40\n80\nENDCHAR\n",
          "ENCODING 113\n" + narrow + "BBX 0 0 0 0\nBITMAP\nENDCHAR\n",
          "ENCODING 32\n" + narrow + "BBX 0 0 0 0\nBITMAP\nENDCHAR\n"}},
        {8, 16, {"FONTBOUNDINGBOX 8 16 0 0\n", "ENCODING 65\n" + narrow + "BBX 1 10 2 4\n"}},
        {16,
         std::nullopt,
         {"FONTBOUNDINGBOX 16 16 0 -4\n", "AVERAGE_WIDTH 160\n", "FONT_ASCENT 12\n",
          "ENCODING 113\nSWIDTH 960 0\nDWIDTH 16 0\nBBX 16 16 0 "
          "-4\nBITMAP\n0000\n0000\n0000\n0040\n"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        const Bytes file =
            exportFont(font, *formatNamed("bdf"),
                       ExportOptions{*builtinMap("cp437"), "t", row.width, row.baseline});
        const std::string bdf(file.begin(), file.end());
        for (const std::string& line : row.lines)
            EXPECT_NE(bdf.find(line), std::string::npos) << line;
        // Read back, the glyphs are the font's but for the columns past the cell.
        Font back, cropped = font;
        for (int x = row.width; x < glyphSide; ++x) cropped.setPixel('q', x, 3, false);
        std::string error;
        ASSERT_TRUE(
            importFont(file, ImportOptions{*builtinMap("cp437"), std::nullopt}, back, error))
            << error;
        EXPECT_EQ(back.bytes, cropped.bytes);
    }
}

}  // namespace
}  // namespace celkit
