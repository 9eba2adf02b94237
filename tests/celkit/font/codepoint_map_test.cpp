// The Unicode table text, names made into C identifiers and output names
// mapped to formats: the tables users type and name.
#include <gtest/gtest.h>

#include "celkit/font/c_header.h"
#include "celkit/font/font_formats.h"

namespace celkit {
namespace {

TEST(CodepointMap, TableTextGivesEachGlyphItsCodePoints) {
    struct Row {
        const char* text;
        int glyph;
        std::vector<char32_t> codepoints;
        const char* error;
    };
    const Row rows[] = {
        {"0x41\tU+0041 U+0391 # Alpha too\n", 0x41, {0x41, 0x391}, nullptr},
        {"65 U+0041\r\n", 0x41, {0x41}, nullptr},
        {"0101 u+0041", 0x41, {0x41}, nullptr},  // octal, as C reads it
        {"0x20-0x7e idem", 0x7E, {0x7E}, nullptr},
        {"0x80-0x81 U+20AC-U+20AD", 0x81, {0x20AD}, nullptr},
        {"0x61 U+0062 U+0061,U+0301", 0x61, {0x62}, nullptr},  // a sequence is dropped
        {"0x10\n", 0x10, {}, nullptr},
        {"0x100 U+0041", 0, {}, "line 1: expected a glyph number"},
        {"\n0x41 0041", 0, {}, "line 2: expected a code point"},
        {"0x41 U+110000", 0, {}, "expected a code point"},
        {"0x41-0x40 idem", 0, {}, "bad glyph range"},
        {"0x41-0x42 U+0041", 0, {}, "takes 'idem' or a code point range"},
        {"0x41-0x42 U+0041-U+0043", 0, {}, "differ in length"},
        {"0x41U+0041", 0, {}, "expected a space"},
        {"0x41 U+0041,", 0, {}, "after ','"},
    };
    for (const Row& row : rows) {
        CodepointMap map;
        std::string error;
        EXPECT_EQ(parseMapText(row.text, map, error), row.error == nullptr)
            << row.text << ": " << error;
        if (row.error)
            EXPECT_NE(error.find(row.error), std::string::npos) << row.text << ": " << error;
        else
            EXPECT_EQ(map.codepoints[row.glyph], row.codepoints) << row.text;
    }
}

TEST(CodepointMap, BuiltinMapsSurviveTheirTextAndFindGlyphs) {
    for (const char* name : {"cp437", "latin1", "cp866", "iso8859-16", "windows-1252"}) {
        const CodepointMap map = *builtinMap(name);
        CodepointMap back;
        std::string error;
        ASSERT_TRUE(parseMapText(formatMapText(map), back, error)) << error;
        EXPECT_EQ(back.codepoints, map.codepoints) << name;
    }
    for (const char* name : {"cp851", "CP850", "iso8859-12", "windows-1253", ""})
        EXPECT_FALSE(builtinMap(name)) << name;
    const CodepointMap cp437 = *builtinMap("cp437");
    EXPECT_EQ(cp437.glyphFor(0x2588), 0xDB);  // full block
    EXPECT_EQ(cp437.glyphFor(0x263A), 0x01);
    EXPECT_EQ(cp437.glyphFor(0x0391), -1);
}

TEST(CodepointMap, LookUpsFindTheGlyphAMapGivesFirst) {
    CodepointMap map;
    std::string error;
    ASSERT_TRUE(
        parseMapText("0x01 U+0041 U+0042\n0x02 U+0042 U+0043\n0x03 U+0044 U+0043\n"
                     "0x04 U+0045 U+0045\n0xFF U+10FFFF\n",
                     map, error))
        << error;
    const std::pair<char32_t, int> rows[] = {
        {0x41, 1},  // main code point
        {0x42, 2},  // glyph 2's main one wins over glyph 1's second
        {0x43, 2},  // seconds alone: the lowest glyph
        {0x45, 4},  // named twice by one glyph
        {0x10FFFF, 0xFF}, {0x40, -1}, {0x46, -1}, {0, -1},
    };
    for (int pass = 0; pass < 2; ++pass)  // the index once built answers alike
        for (const auto& [c, glyph] : rows) EXPECT_EQ(map.glyphFor(c), glyph) << std::hex << c;
    EXPECT_EQ(CodepointMap().glyphFor(0), -1);
    // A copy looks up through its own index.
    CodepointMap copy = map;
    EXPECT_EQ(copy.glyphFor(0x44), 3);
}

TEST(FontNames, OutputNamesAndIdentifiers) {
    const std::pair<const char*, const char*> outputs[] = {
        {"a.fnt", "fnt"},  {"dir/A.PSF", "psf"}, {"x.bdf", "bdf"},        {"u.hex", "hex"},
        {"font.h", "h"},   {"a.png", nullptr},   {"dir.h/font", nullptr}, {"noext", nullptr},
        {".fnt", nullptr}, {"dir/.psf", nullptr}};
    for (const auto& [path, name] : outputs) {
        const FontFormat* format = formatForOutput(path);
        EXPECT_EQ(format ? format->name : nullptr,
                  name == nullptr ? nullptr : formatNamed(name)->name)
            << path;
    }
    const std::pair<const char*, const char*> names[] = {{"my-font", "my_font"},
                                                         {"8x16", "font_8x16"},
                                                         {"", "font"},
                                                         {"int", "int_font"},
                                                         {"_Reserved", "font__Reserved"},
                                                         {"caf\xC3\xA9", "caf__"},
                                                         {"nullptr", "nullptr_font"},
                                                         {"decltype", "decltype_font"},
                                                         {"char16_t", "char16_t_font"},
                                                         {"typeof", "typeof_font"},
                                                         {"and", "and_font"},
                                                         {"bitand", "bitand_font"},
                                                         {"xor_eq", "xor_eq_font"},
                                                         {"co_await", "co_await_font"},
                                                         {"restrict", "restrict_font"},
                                                         {"constinit", "constinit_font"},
                                                         {"alignas", "alignas_font"},
                                                         {"wchar_t", "wchar_t_font"},
                                                         {"nullptrs", "nullptrs"},
                                                         {"an", "an"},
                                                         {"font", "font"}};
    for (const auto& [name, id] : names) EXPECT_EQ(cIdentifier(name), id) << name;
}

}  // namespace
}  // namespace celkit
