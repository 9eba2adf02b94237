// What the .fon says of the font besides its glyphs, which FreeType
// (consumers.py) and Wine's GDI (fon_gdi_win32_test.cpp) draw: the
// charset and the default and break characters a map gives, the face a
// name gives, and the same bytes from both builds.
#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <vector>

#include "celkit/font/fon.h"
#include "celkit/font/font_formats.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Font sample() {
    Font font;
    std::uint32_t seed = 99;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return font;
}

// Where the FNT resource starts, found as a loader finds it: MZ, NE, resource table.
std::size_t fntAt(const Bytes& f) {
    auto le16 = [&](std::size_t at) {
        return static_cast<std::size_t>(f.at(at) | f.at(at + 1) << 8);
    };
    const std::size_t ne = le16(0x3C), table = ne + le16(ne + 0x24);
    std::size_t at = table + 2;
    while (le16(at) != 0 && le16(at) != 0x8008) at += 8 + 12 * le16(at + 2);
    EXPECT_EQ(le16(at), 0x8008u) << "no FONT resource";
    return le16(at + 8) << le16(table);
}

TEST(Fon, CharsetDefaultAndBreakCharactersComeFromTheMap) {
    struct Row {
        const char* what;
        CodepointMap map;
        int charset, defaultChar, breakChar;
    };
    CodepointMap spaceLast, wide, cyrillic = *builtinMap("windows-1251");
    cyrillic.codepoints[0xC0] = {U'A'};
    spaceLast.codepoints[255] = {U' '};
    spaceLast.codepoints[7] = {U'!', U'?'};
    for (auto& codes : wide.codepoints) codes = {U'\x10FFFF'};
    const Row rows[] = {
        {"cp437", *builtinMap("cp437"), 255, '?', ' '},
        {"latin1", *builtinMap("latin1"), 0, '?', ' '},
        {"windows-1252", *builtinMap("windows-1252"), 0, '?', ' '},
        {"windows-1250", *builtinMap("windows-1250"), 238, '?', ' '},
        {"windows-1251", *builtinMap("windows-1251"), 204, '?', ' '},
        {"iso8859-9", *builtinMap("iso8859-9"), 162, '?', ' '},
        {"iso8859-11", *builtinMap("iso8859-11"), 222, '?', ' '},
        {"koi8-r, not cp1251's order", *builtinMap("koi8-r"), 255, '?', ' '},
        {"windows-1251 with a glyph changed", cyrillic, 255, '?', ' '},
        {"no code points", CodepointMap{}, 255, 0, 0},
        {"'?' second, space last", spaceLast, 255, 7, 255},
        {"all beyond the first plane", wide, 255, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(fonCharset(row.map), row.charset);
        const Bytes file = writeFon(sample(), row.map, "x");
        const std::size_t fnt = fntAt(file);
        EXPECT_EQ(file.at(fnt + 85), row.charset);
        EXPECT_EQ(file.at(fnt + 97), row.defaultChar);
        EXPECT_EQ(file.at(fnt + 98), row.breakChar);
    }
}

TEST(Fon, TheFaceIsPrintableAsciiThatLogfontHolds) {
    const std::pair<std::string, std::string> rows[] = {
        {"Sample Font", "Sample Font"},
        {"", "celkit"},
        {"Caf\u00e9 \u00fc2", "Caf_ _2"},  // a '_' a character, not a byte
        {"tab\there\x7f", "tab_here_"},
        {std::string(20, 'y') + "\u00e9" + std::string(20, 'z'),
         std::string(20, 'y') + "_" + std::string(10, 'z')},
    };
    for (const auto& [name, face] : rows) {
        EXPECT_EQ(fonFaceName(name), face);
        const Bytes file = writeFon(sample(), *builtinMap("cp437"), name);
        const std::size_t fnt = fntAt(file),
                          faceAt = fnt + file.at(fnt + 105) + 256u * file.at(fnt + 106);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file.at(faceAt))), face) << name;
    }
}

// The Windows build must write what the native one does, byte for byte, so
// that what FreeType and fontconfig check natively holds for it too: the
// native build's digests. (A baseline 14 rows down gives the bytes written
// before the baseline was found from the glyphs.)
TEST(Fon, TheSameBytesOnEveryBuild) {
    const struct {
        const char* map;
        int width;
        std::optional<int> baseline;
        unsigned long crc;
    } rows[] = {{"cp437", 16, 14, 2309007488ul},
                {"windows-1251", 16, 14, 3095175311ul},
                {"cp437", 8, std::nullopt, 1153151469ul}};
    for (const auto& row : rows) {
        const Bytes file =
            exportFont(sample(), *formatNamed("fon"),
                       ExportOptions{*builtinMap(row.map), "Sample Font", row.width, row.baseline});
        EXPECT_EQ(crc32(0, file.data(), static_cast<uInt>(file.size())), row.crc)
            << row.map << " " << row.width;
    }
}

}  // namespace
}  // namespace celkit
