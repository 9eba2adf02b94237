// The .fon read back by a small reader of its own, the way a loader walks
// it: MZ header to NE header, the resource table to the font directory and
// the FNT resource, its glyph table to each glyph's bits. FreeType,
// fontconfig and Wine's GDI read it in consumers.py and
// fon_gdi_win32_test.cpp; this runs on the Windows build too.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "celkit/font/fon.h"
#include "celkit/font/font_formats.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t le(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | b.at(at + i);
    return v;
}

std::string counted(const Bytes& b, std::size_t at) {
    return std::string(b.begin() + static_cast<long>(at) + 1,
                       b.begin() + static_cast<long>(at + 1 + b.at(at)));
}

std::string cString(const Bytes& b, std::size_t at) {
    std::string s;
    while (b.at(at) != 0) s += static_cast<char>(b.at(at++));
    return s;
}

Font sample() {
    Font font;
    std::uint32_t seed = 99;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return font;
}

struct Fon {
    Bytes file;
    std::size_t fnt = 0, directory = 0;  // the resources' places
    std::string module, description, directoryName;
    Bytes fntBytes() const {
        return Bytes(file.begin() + static_cast<long>(fnt),
                     file.begin() + static_cast<long>(fnt + le(file, fnt + 2, 4)));
    }
};

Fon parse(const Bytes& file) {
    Fon fon{file};
    EXPECT_EQ(le(file, 0, 2), 0x5A4Du);  // "MZ"
    const std::size_t ne = le(file, 0x3C, 4);
    EXPECT_EQ(le(file, ne, 2), 0x454Eu);  // "NE"
    const std::size_t table = ne + le(file, ne + 0x24, 2);
    const std::uint32_t shift = le(file, table, 2);
    for (std::size_t at = table + 2; le(file, at, 2) != 0;) {
        const std::uint32_t type = le(file, at, 2), count = le(file, at + 2, 2);
        EXPECT_EQ(count, 1u) << type;
        const std::size_t offset = le(file, at + 8, 2) << shift;
        const std::size_t length = le(file, at + 10, 2) << shift;
        EXPECT_LE(offset + length, file.size()) << type;
        if (type == 0x8007) {
            fon.directory = offset;
            fon.directoryName = counted(file, table + le(file, at + 14, 2));
        } else if (type == 0x8008) {
            fon.fnt = offset;
            EXPECT_EQ(le(file, at + 14, 2), 0x8001u);
            EXPECT_LE(le(file, offset + 2, 4), length) << "the FNT fits its resource";
        }
        at += 8 + 12 * count;
    }
    fon.module = counted(file, ne + le(file, ne + 0x26, 2));
    fon.description = counted(file, le(file, ne + 0x2C, 4));
    EXPECT_LT(le(file, ne + 0x2C, 4) + le(file, ne + 0x20, 2), file.size() + 1);
    return fon;
}

TEST(Fon, EveryGlyphsBitsAreTheFontsAndTheDirectoryDescribesTheFont) {
    const Font font = sample();
    const Fon fon = parse(writeFon(font, *builtinMap("cp437"), "Sample Font"));
    ASSERT_NE(fon.fnt, 0u);
    ASSERT_NE(fon.directory, 0u);
    const Bytes fnt = fon.fntBytes();
    EXPECT_EQ(le(fnt, 0, 2), 0x300u);
    EXPECT_EQ(le(fnt, 88, 2), 16u) << "pixel height";
    EXPECT_EQ(le(fnt, 74, 2), 14u) << "ascent";
    EXPECT_EQ(fnt.at(95) + 256 * fnt.at(96), 0xFF00) << "codes 0 to 255";
    EXPECT_EQ(cString(fnt, le(fnt, 105, 4)), "Sample Font");
    EXPECT_EQ(fon.module, "SAMPLEFO");
    EXPECT_EQ(fon.description, "FONTRES 100,96,96 : Sample Font 16");
    EXPECT_EQ(fon.directoryName, "FONTDIR");

    // 257 entries: the codes, then a blank cell; bits a byte column at a time.
    for (int g = 0; g <= glyphCount; ++g) {
        const std::size_t entry = 148 + 6 * static_cast<std::size_t>(g);
        ASSERT_EQ(le(fnt, entry, 2), static_cast<std::uint32_t>(fonCellWidth)) << g;
        const std::size_t bits = le(fnt, entry + 2, 4);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < fonCellWidth; ++x) {
                const bool ink = (fnt.at(bits + x / 8 * 16 + y) & (0x80 >> x % 8)) != 0;
                ASSERT_EQ(ink, g < glyphCount && font.pixel(g, x, y)) << g << " " << x << "," << y;
            }
    }

    // One entry: its number, the FNT header up to the face's offset, a
    // spare, no device and the face.
    const Bytes& file = fon.file;
    EXPECT_EQ(le(file, fon.directory, 2), 1u);
    EXPECT_EQ(le(file, fon.directory + 2, 2), 1u);
    EXPECT_TRUE(std::equal(fnt.begin(), fnt.begin() + 109,
                           file.begin() + static_cast<long>(fon.directory + 4)));
    EXPECT_EQ(cString(file, fon.directory + 4 + 113), "");
    EXPECT_EQ(cString(file, fon.directory + 4 + 114), "Sample Font");
}

CodepointMap changed(const char* name, int glyph, char32_t codepoint) {
    CodepointMap map = *builtinMap(name);
    map.codepoints[glyph] = {codepoint};
    return map;
}

TEST(Fon, TheCharsetIsTheWindowsOneOfTheMapsCodePageElseOem) {
    struct Row {
        const char* what;
        CodepointMap map;
        int charset, defaultChar, breakChar;
    };
    CodepointMap spaceLast;
    spaceLast.codepoints[255] = {U' '};
    spaceLast.codepoints[7] = {U'?', U'!'};
    CodepointMap wide;
    for (auto& codes : wide.codepoints) codes = {U'\x10FFFF'};
    const Row rows[] = {
        {"cp437", *builtinMap("cp437"), 255, '?', ' '},
        {"cp850", *builtinMap("cp850"), 255, '?', ' '},
        {"cp866", *builtinMap("cp866"), 255, '?', ' '},
        {"latin1", *builtinMap("latin1"), 0, '?', ' '},
        {"iso8859-1", *builtinMap("iso8859-1"), 0, '?', ' '},
        {"windows-1252", *builtinMap("windows-1252"), 0, '?', ' '},
        {"windows-1250", *builtinMap("windows-1250"), 238, '?', ' '},
        {"windows-1251", *builtinMap("windows-1251"), 204, '?', ' '},
        {"iso8859-9", *builtinMap("iso8859-9"), 162, '?', ' '},
        {"iso8859-11", *builtinMap("iso8859-11"), 222, '?', ' '},
        {"koi8-r: Cyrillic, not cp1251's order", *builtinMap("koi8-r"), 255, '?', ' '},
        {"iso8859-2: not cp1250's order", *builtinMap("iso8859-2"), 255, '?', ' '},
        {"windows-1251 with a glyph changed", changed("windows-1251", 0xC0, U'A'), 255, '?', ' '},
        {"latin1 with a glyph changed", changed("latin1", 0x20, U'\x2588'), 255, '?', 0},
        {"an empty map", CodepointMap{}, 255, 0, 0},
        {"'?' among a glyph's codes, space last", spaceLast, 255, 7, 255},
        {"every glyph beyond the first plane", wide, 255, 0, 0},
    };
    const Font font = sample();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(fonCharset(row.map), row.charset);
        const Fon fon = parse(writeFon(font, row.map, "x"));
        const Bytes fnt = fon.fntBytes();
        EXPECT_EQ(fnt.at(85), row.charset);
        EXPECT_EQ(fnt.at(97), row.defaultChar);
        EXPECT_EQ(fnt.at(98), row.breakChar);
        EXPECT_EQ(fon.file.at(fon.directory + 4 + 85), row.charset) << "the directory's";
    }
}

TEST(Fon, TheFaceNameIsPrintableAsciiThatLogfontHolds) {
    struct Row {
        std::string name, face, module;
    };
    const Row rows[] = {
        {"Sample Font", "Sample Font", "SAMPLEFO"},
        {"", "celkit", "CELKIT"},
        {"Caf\u00e9 \u00fc2", "Caf_ _2", "CAF2"},  // one '_' a character, not a byte
        {"tab\there\x7f", "tab_here_", "TABHERE"},
        {std::string(40, 'x'), std::string(31, 'x'), "XXXXXXXX"},
        {std::string(20, 'y') + "\u00e9" + std::string(20, 'z'),
         std::string(20, 'y') + "_" + std::string(10, 'z'), "YYYYYYYY"},
        {"--", "--", "CELKIT"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(fonFaceName(row.name), row.face);
        const Fon fon = parse(writeFon(sample(), *builtinMap("cp437"), row.name));
        const Bytes fnt = fon.fntBytes();
        EXPECT_EQ(cString(fnt, le(fnt, 105, 4)), row.face);
        EXPECT_EQ(cString(fon.file, fon.directory + 4 + 114), row.face);
        EXPECT_EQ(fon.description, "FONTRES 100,96,96 : " + row.face + " 16");
        EXPECT_EQ(fon.module, row.module);
    }
}

// The Windows build must write what the native one does, byte for byte, so
// that what FreeType and fontconfig check natively holds for it too: the
// native build's digests.
TEST(Fon, TheSameBytesOnEveryBuild) {
    struct Row {
        const char* map;
        unsigned long crc;
    };
    const Row rows[] = {{"cp437", 2309007488ul}, {"windows-1251", 3095175311ul}};
    for (const Row& row : rows) {
        const Bytes file = exportFont(sample(), *formatNamed("fon"),
                                      ExportOptions{*builtinMap(row.map), "Sample Font"});
        EXPECT_EQ(crc32(0, file.data(), static_cast<uInt>(file.size())), row.crc) << row.map;
    }
}

}  // namespace
}  // namespace celkit
