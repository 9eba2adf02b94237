// The font formats from crafted bytes: every writer's output read back, the
// readers' placement of small and offset glyphs, and malformed input of
// every format refused with its reason. Real files from other programs are
// checked by consumers.py.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "celkit/font/font_formats.h"
#include "celkit/font/gzip.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes psf2(std::uint32_t count, std::uint32_t charSize, std::uint32_t height, std::uint32_t width,
           Bytes body, std::uint32_t flags = 0) {
    Bytes out;
    for (std::uint32_t v : {0x864AB572u, 0u, 32u, flags, count, charSize, height, width})
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// A PSF2 font of one 8 x 2 glyph (rows 0xAA, 0x55), gzip-compressed by
// Python's gzip module (level 9, mtime 0): one fixed-Huffman block.
const Bytes gzipped = {0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03,
                       0x2B, 0xDA, 0xEA, 0xD5, 0xC6, 0x00, 0x04, 0x0A, 0x0C, 0x10,
                       0xC0, 0x08, 0xC4, 0x4C, 0x50, 0xCC, 0x01, 0xC4, 0xAB, 0x42,
                       0x01, 0x60, 0xB1, 0xFC, 0x64, 0x22, 0x00, 0x00, 0x00};

Bytes changed(Bytes b, std::size_t at, std::uint8_t value) {
    b[at] = value;
    return b;
}
Bytes cut(Bytes b, std::size_t size) {
    b.resize(size);
    return b;
}

// PSF1 of 256 one-row glyphs (glyph g's row is g) with a Unicode table:
// glyph g's UCS-2 entries from `entries` (0xFFFE opens a sequence).
Bytes psf1(const std::vector<std::pair<int, std::vector<std::uint16_t>>>& entries) {
    Bytes b = {0x36, 0x04, 0x02, 0x01};
    for (int g = 0; g < 256; ++g) b.push_back(static_cast<std::uint8_t>(g));
    for (int g = 0; g < 256; ++g) {
        for (const auto& [glyph, values] : entries)
            if (glyph == g)
                for (std::uint16_t u : values) {
                    b.push_back(static_cast<std::uint8_t>(u));
                    b.push_back(static_cast<std::uint8_t>(u >> 8));
                }
        b.push_back(0xFF);
        b.push_back(0xFF);
    }
    return b;
}

// One 8 x 16 .hex line whose last row is `last` (two hex digits).
std::string hexLine(const std::string& codepoint, const std::string& last = "80") {
    return codepoint + ":" + std::string(30, '0') + last + "\n";
}

const std::string bdfHead =
    "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nSTARTPROPERTIES 1\n"
    "CHARSET_REGISTRY \"ISO10646\"\nENDPROPERTIES\n";
std::string bdfChar(const std::string& body) { return "STARTCHAR a\nENCODING 65\n" + body; }

void put(Bytes& b, std::size_t at, std::uint32_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A bare Windows FNT (version 0x200 or 0x300) of codes from `first`, each
// glyph its width and its bits a byte column at a time, `height` rows each.
Bytes windowsFnt(int version, int charset, int first, int height,
                 const std::vector<std::pair<int, Bytes>>& glyphs) {
    const std::size_t header = version == 0x300 ? 148 : 118, entry = version == 0x300 ? 6 : 4;
    Bytes b(header + (glyphs.size() + 1) * entry, 0);
    put(b, 0, static_cast<std::uint32_t>(version), 2);
    put(b, 88, static_cast<std::uint32_t>(height), 2);
    b[85] = static_cast<std::uint8_t>(charset);
    b[95] = static_cast<std::uint8_t>(first);
    b[96] = static_cast<std::uint8_t>(first + static_cast<int>(glyphs.size()) - 1);
    put(b, 113, static_cast<std::uint32_t>(b.size()), 4);
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        put(b, header + i * entry, static_cast<std::uint32_t>(glyphs[i].first), 2);
        put(b, header + i * entry + 2, static_cast<std::uint32_t>(b.size()), entry - 2);
        b.insert(b.end(), glyphs[i].second.begin(), glyphs[i].second.end());
    }
    put(b, 105, static_cast<std::uint32_t>(b.size()), 4);
    b.insert(b.end(), {'T', 0});
    put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    return b;
}

// A 32-bit library whose RT_FONT resources are `fonts`: one section holding
// the resource tree (type, name, language) and the fonts after it.
Bytes peLibrary(const std::vector<Bytes>& fonts) {
    const std::size_t pe = 0x40, section = pe + 24 + 224, raw = 0x200, rva = 0x1000;
    const std::size_t names = 24, languages = names + 16 + 8 * fonts.size();
    const std::size_t data = languages + 24 * fonts.size(), bodies = data + 16 * fonts.size();
    Bytes b(raw + bodies, 0);
    b[0] = 'M', b[1] = 'Z', b[0x3C] = pe, b[pe] = 'P', b[pe + 1] = 'E';
    put(b, pe + 6, 1, 2);
    put(b, pe + 20, 224, 2);
    put(b, pe + 24, 0x10B, 2);
    put(b, pe + 24 + 92, 16, 4);
    put(b, pe + 24 + 96 + 16, rva, 4);
    put(b, raw + 14, 1, 2);  // the root: RT_FONT
    put(b, raw + 16, 8, 4);
    put(b, raw + 20, 0x80000000u | names, 4);
    put(b, raw + names + 14, static_cast<std::uint32_t>(fonts.size()), 2);
    for (std::size_t i = 0; i < fonts.size(); ++i) {
        const std::size_t language = languages + 24 * i, entry = data + 16 * i;
        put(b, raw + names + 16 + 8 * i, static_cast<std::uint32_t>(i + 1), 4);
        put(b, raw + names + 20 + 8 * i, static_cast<std::uint32_t>(0x80000000u | language), 4);
        put(b, raw + language + 14, 1, 2);
        put(b, raw + language + 20, static_cast<std::uint32_t>(entry), 4);
        put(b, raw + entry, static_cast<std::uint32_t>(rva + b.size() - raw), 4);
        put(b, raw + entry + 4, static_cast<std::uint32_t>(fonts[i].size()), 4);
        b.insert(b.end(), fonts[i].begin(), fonts[i].end());
    }
    put(b, section + 12, rva, 4);
    put(b, section + 16, static_cast<std::uint32_t>(b.size() - raw), 4);
    put(b, section + 20, raw, 4);
    return b;
}

Font sample() {
    Font font;
    std::uint32_t seed = 12345;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    for (int i = 0; i < glyphBytes; ++i) font.bytes[7 * glyphBytes + i] = 0;  // a blank glyph
    return font;
}

TEST(FontFormats, EveryWrittenFormatReadsBackToTheSameFont) {
    const Font font = sample();
    for (const char* mapName : {"cp437", "latin1"})
        for (const FontFormat& format : fontFormats()) {
            if (format.read == nullptr || format.write == nullptr) continue;
            ImportOptions in{*builtinMap(mapName), std::nullopt};
            const Bytes file = exportFont(font, format, ExportOptions{in.map, "t"});
            Font back;
            std::string error;
            FontData found;
            ASSERT_TRUE(identifyFontData(file, found, error)) << format.name << ": " << error;
            EXPECT_EQ(found.format, &format) << format.name;
            ASSERT_TRUE(importFont(file, in, back, error))
                << mapName << " " << format.name << ": " << error;
            EXPECT_EQ(back.bytes, font.bytes) << mapName << " " << format.name;
        }
}

// Written 8 wide, a font whose ink lies in columns 0-7 reads back the same,
// in the layout and size the width gives.
TEST(FontFormats, NarrowFontsWrittenEightWideReadBack) {
    Font font = sample();
    for (int i = 1; i < fontBytes; i += 2) font.bytes[i] = 0;
    const CodepointMap map = *builtinMap("cp437");
    struct Row {
        const char* format;
        int width;
        Bytes start;
        std::size_t glyphArea;  // bytes of glyph rows after the header
    };
    const Row rows[] = {
        {"psf1", 8, {0x36, 0x04, 0x02, 0x10}, 4096},
        {"psf2", 8, psf2(256, 16, 16, 8, {}, 1), 4096},
        {"psf", 8, psf2(256, 16, 16, 8, {}, 1), 4096},
        {"psf", 16, psf2(256, 32, 16, 16, {}, 1), 8192},
        {"hex", 8, text("0000:"), 0},
    };
    for (const Row& row : rows) {
        const Bytes file =
            exportFont(font, *formatNamed(row.format), ExportOptions{map, "t", row.width});
        ASSERT_GE(file.size(), row.start.size());
        EXPECT_EQ(Bytes(file.begin(), file.begin() + static_cast<long>(row.start.size())),
                  row.start)
            << row.format << " " << row.width;
        if (row.glyphArea > 0) {
            // The table follows the glyphs: glyph 0's entry is U+0000 and its end.
            const std::size_t table = row.start.size() + row.glyphArea;
            const Bytes end = row.start[0] == 0x36 ? Bytes{0, 0, 0xFF, 0xFF} : Bytes{0, 0xFF};
            ASSERT_GE(file.size(), table + end.size());
            EXPECT_EQ(Bytes(file.begin() + static_cast<long>(table),
                            file.begin() + static_cast<long>(table + end.size())),
                      end)
                << row.format << " " << row.width;
        } else {
            EXPECT_EQ(file.size(), 256u * (5 + 32 + 1)) << "32 digits a line";
        }
        Font back;
        std::string error;
        ASSERT_TRUE(importFont(file, ImportOptions{map, std::nullopt}, back, error))
            << row.format << ": " << error;
        EXPECT_EQ(back.bytes, font.bytes) << row.format << " " << row.width;
    }
}

TEST(FontFormats, SmallGlyphsLandAtTheirPlaceInTheCell) {
    struct Row {
        const char* what;
        Bytes file;
        std::optional<char32_t> first;
        std::vector<std::pair<int, int>> set;
        const char* warning = nullptr;  // the one warning expected, else none
        int index = 0;
    };
    const std::string aboveBaseline =  // A's top 6 rows above the baseline, B's 1
        "STARTCHAR A\nENCODING 65\nBBX 1 1 0 5\nBITMAP\n80\nENDCHAR\n"
        "STARTCHAR B\nENCODING 66\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n";
    const Row rows[] = {
        {"gzip PSF2 8x2, row 1 bit 1", gzipped, std::nullopt, {{0, 0xAA}, {2, 0x55}}},
        {"PSF1 with a table: glyph 1 stands for U+0041",
         [] {
             Bytes b = {0x36, 0x04, 0x02, 0x01};
             b.resize(4 + 256, 0);
             b[5] = 0x01;
             for (int g = 0; g < 256; ++g) {
                 if (g == 1) {
                     b.push_back(0x41);
                     b.push_back(0);
                 }
                 b.push_back(0xFF);
                 b.push_back(0xFF);
             }
             return b;
         }(),
         std::nullopt,
         {{'A' * 32, 0x01}}},
        {"PSF1: the sequences bit alone still says there is a table",
         changed(psf1({{1, {0x41}}}), 2, 0x04),
         std::nullopt,
         {{'A' * 32, 1}}},
        {".hex 8 wide, block from U+4E00",
         text("4E01:00000000000000000000000000000080\n"),
         U'\x4E00',
         {{32 + 30, 0x80}}},
        {"BDF: box 1x1 at x 3, one row above the baseline",
         text(bdfHead + "CHARS 1\n" + bdfChar("BBX 1 1 3 1\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         std::nullopt,
         {{'A' * 32 + 8, 0x10}}},
        {"BDF in Latin-1: e acute is cp437 0x82",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 0\nCHARSET_REGISTRY "
              "\"ISO8859\"\nCHARSET_ENCODING \"1\"\nSTARTCHAR e\nENCODING 233\nBBX 8 1 0 "
              "7\nBITMAP\nFF\nENDCHAR\nENDFONT\n"),
         std::nullopt,
         {{0x82 * 32, 0xFF}}},
        {"PSF1: a sequence names no character of its own",
         psf1({{1, {0x41, 0xFFFE, 0x42, 0x43}}, {2, {0x42}}}),
         std::nullopt,
         {{'A' * 32, 1}, {'B' * 32, 2}}},
        {"PSF2: a sequence names no character of its own",
         psf2(3, 1, 1, 8, {0, 1, 2, 0xFF, 'A', 0xFE, 'B', 'C', 0xFF, 'B', 0xFF}, 1),
         std::nullopt,
         {{'A' * 32, 1}, {'B' * 32, 2}}},
        {"PSF2: four-byte UTF-8 in the table",
         psf2(1, 1, 1, 8, {0x80, 0xF0, 0x9F, 0x98, 0x80, 0xFF}, 1),
         U'\U0001F600',
         {{0, 0x80}}},
        {"PSF2: a code point named twice goes to the earlier glyph",
         psf2(2, 1, 1, 8, {0x80, 0x40, 'A', 0xFF, 'A', 0xFF}, 1),
         std::nullopt,
         {{'A' * 32, 0x80}},
         "1 Unicode table entry repeats a code point taken before (first U+0041)"},
        {"PSF2: a code point named twice by one glyph is no repeat",
         psf2(2, 1, 1, 8, {0x80, 0x40, 'A', 'B', 'A', 0xFF, 'C', 'C', 0xFF}, 1),
         std::nullopt,
         {{'A' * 32, 0x80}, {'B' * 32, 0x80}, {'C' * 32, 0x40}}},
        {"PSF1: the same, and a repeat across glyphs after it",
         psf1({{1, {0x41, 0x41}}, {2, {0x42, 0x41}}}),
         std::nullopt,
         {{'A' * 32, 1}, {'B' * 32, 2}},
         "1 Unicode table entry repeats a code point taken before (first U+0041)"},
        {"PSF2: a table that maps nothing gives glyph order",
         psf2(2, 1, 1, 8, {0x11, 0x22, 0xFF, 0xFE, 'A', 0xFF}, 1),
         std::nullopt,
         {{0, 0x11}, {32, 0x22}},
         "PSF2 Unicode table maps no glyph; glyphs are taken in file order"},
        {"PSF2: a header longer than 32 bytes",
         changed(changed(psf2(1, 1, 1, 8, {0, 0, 0, 0, 0x80}), 8, 36), 36, 0x80),
         std::nullopt,
         {{0, 0x80}}},
        {".hex: comments, blank lines, CRLF, out of order",
         text("# made by hand\n\n" + hexLine("0042", "40") + "# more\r\n\r\n" + hexLine("0041")),
         std::nullopt,
         {{'A' * 32 + 30, 0x80}, {'B' * 32 + 30, 0x40}}},
        {".hex: 16 wide, no newline at the end",
         text("0041:" + std::string(60, '0') + "8001"),
         std::nullopt,
         {{'A' * 32 + 30, 0x80}, {'A' * 32 + 31, 0x01}}},
        {".hex: a 6-digit code point", text(hexLine("01F600")), U'\U0001F600', {{30, 0x80}}},
        {".hex: the last code point", text(hexLine("10FFFF")), U'\U0010FFFF', {{30, 0x80}}},
        {".hex: a code point twice, the first taken",
         text(hexLine("0041") + hexLine("0042") + hexLine("0041", "01") + hexLine("0041", "02")),
         std::nullopt,
         {{'A' * 32 + 30, 0x80}, {'B' * 32 + 30, 0x80}},
         "2 glyphs repeat a code point taken before (first U+0041)"},
        {".hex: a code point twice in a row",
         text(hexLine("0041") + hexLine("0041", "01")),
         std::nullopt,
         {{'A' * 32 + 30, 0x80}},
         "1 glyph repeats a code point taken before (first U+0041)"},
        {"BDF: CHARS off by one is only a warning",
         text(bdfHead + "CHARS 2\n" + bdfChar("BBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         std::nullopt,
         {{'A' * 32 + 10, 0x80}},
         "says CHARS 2 but holds 1"},
        {"BDF: the same glyph thrice and blank lines: one warning",
         text(bdfHead + bdfChar("BBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n") +
              bdfChar("BBX 1 1 1 0\nBITMAP\n80\nENDCHAR\n") +
              bdfChar("BBX 1 1 2 0\nBITMAP\n80\nENDCHAR\n") + std::string(100, '\n') + "ENDFONT\n"),
         std::nullopt,
         {{'A' * 32 + 10, 0x80}},
         "2 glyphs repeat a code point taken before (first U+0041)"},
        {"BDF: a negative origin moves the cell left",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 -1 -2\nSTARTCHAR a\nENCODING 0\n"
              "BBX 2 1 -1 0\nBITMAP\nC0\nENDCHAR\nENDFONT\n"),
         std::nullopt,
         {{10, 0xC0}}},
        {"BDF: glyphs above FONT_ASCENT that fit are placed by their boxes",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nFONT_ASCENT 4\n" + aboveBaseline),
         std::nullopt,
         {{'A' * 32, 0x80}, {'B' * 32 + 10, 0x80}},
         "glyphs reach 2 rows above FONT_ASCENT"},
        {"BDF: an unencoded glyph above FONT_ASCENT moves no glyph",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nFONT_ASCENT 4\nSTARTCHAR x\nENCODING -1 7\n"
              "BBX 1 1 0 6\nBITMAP\n80\nENDCHAR\n" +
              bdfChar("BBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         std::nullopt,
         {{'A' * 32 + 6, 0x80}}},
        {"BDF: a positive bounding box x offset moves no glyph left",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 2 0\n" +
              bdfChar("BBX 1 1 3 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         std::nullopt,
         {{'A' * 32 + 14, 0x10}}},
        {"BDF: no FONT_ASCENT, a bounding box lower than the glyphs",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 2 0 0\n" + aboveBaseline),
         std::nullopt,
         {{'A' * 32, 0x80}, {'B' * 32 + 10, 0x80}},
         "glyphs reach 4 rows above the FONTBOUNDINGBOX"},
        {"BDF: padded rows, an empty box without BITMAP, an unencoded glyph",
         text(bdfHead + "STARTCHAR space\nENCODING 32\nBBX 0 0 0 0\nENDCHAR\n" +
              "STARTCHAR x\nENCODING -1 7\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n" +
              bdfChar("BBX 9 1 0 0\nBITMAP\n80800000\nENDCHAR\nENDFONT\n")),
         std::nullopt,
         {{'A' * 32 + 10, 0x80}, {'A' * 32 + 11, 0x80}}},
        {"FNT 2.0, variable pitch, OEM: a glyph 20 wide keeps 16 columns",
         windowsFnt(0x200, 255, 'A', 2, {{3, {0xE0, 0x40}}, {20, {0x80, 0, 0x01, 0, 0xFF, 0xFF}}}),
         std::nullopt,
         {{'A' * 32, 0xE0}, {'A' * 32 + 2, 0x40}, {'B' * 32, 0x80}, {'B' * 32 + 1, 0x01}},
         "1 glyph is wider than 16 pixels (up to 20)"},
        {"FNT 3.0, ANSI: e acute is cp437 0x82",
         windowsFnt(0x300, 0, 0xE9, 1, {{8, {0x81}}}),
         std::nullopt,
         {{0x82 * 32, 0x81}}},
        {"FNT of a charset celkit has no code page for: keyed by code",
         windowsFnt(0x300, 128, 'C', 1, {{9, {0x80, 0x80}}}),
         std::nullopt,
         {{'C' * 32, 0x80}, {'C' * 32 + 1, 0x80}}},
        {"FNT of exactly 8192 bytes, text where its names are: not a raw font",
         windowsFnt(0x300, 255, 'A', 1, {{8, {0x80}}, {8, Bytes(8023)}}),
         std::nullopt,
         {{'A' * 32, 0x80}}},
        {"PE library of two fonts, the second by --index",
         peLibrary({windowsFnt(0x300, 255, 'A', 1, {{8, {0x01}}}),
                    windowsFnt(0x300, 255, 'B', 1, {{8, {0x02}}})}),
         std::nullopt,
         {{'B' * 32, 0x02}},
         nullptr,
         1},
    };
    for (const Row& row : rows) {
        Font font, expected;
        std::string error;
        std::vector<std::string> warnings;
        ImportOptions options{*builtinMap("cp437"), row.first};
        options.index = row.index;
        ASSERT_TRUE(importFont(row.file, options, font, error, &warnings))
            << row.what << ": " << error;
        for (auto [at, value] : row.set) expected.bytes[at] = static_cast<std::uint8_t>(value);
        EXPECT_EQ(font.bytes, expected.bytes) << row.what;
        if (row.warning == nullptr) {
            EXPECT_TRUE(warnings.empty()) << row.what << ": " << warnings.front();
        } else {
            ASSERT_EQ(warnings.size(), 1u) << row.what;
            EXPECT_NE(warnings[0].find(row.warning), std::string::npos)
                << row.what << ": " << warnings[0];
        }
    }
}

TEST(FontFormats, MalformedFontsAreRefusedWithTheirReason) {
    const Bytes psf = psf2(1, 2, 2, 8, {0xAA, 0x55});
    const Bytes fnt3 = windowsFnt(0x300, 255, 'A', 1, {{8, {1}}});
    std::string rows17;
    for (int i = 0; i < 17; ++i) rows17 += "00\n";
    struct Row {
        const char* what;
        Bytes file;
        const char* reason;
    };
    const Row rows[] = {
        {"PSF2 header cut short", cut(psf, 20), "truncated PSF2 header"},
        {"PSF2 count lies", changed(psf, 16, 9), "truncated PSF2 glyphs"},
        {"PSF2 glyph size lies", changed(psf, 20, 3), "does not match"},
        {"PSF2 header size lies", changed(psf, 8, 200), "header size 200"},
        {"PSF2 too wide", psf2(1, 48, 16, 24, Bytes(48)), "24 x 16 pixels; at most 16 x 16 fit"},
        {"PSF2 table cut short", psf2(1, 2, 2, 8, {0xAA, 0x55, 0x41}, 1),
         "truncated PSF2 Unicode table"},
        {"PSF2 table bad UTF-8", psf2(1, 2, 2, 8, {0xAA, 0x55, 0xC3, 0x41, 0xFF}, 1), "bad UTF-8"},
        {"PSF1 glyphs cut short", {0x36, 0x04, 0x00, 0x10, 0x00}, "truncated PSF1 glyphs"},
        {"PSF1 table cut short",
         [] {
             Bytes b = {0x36, 0x04, 0x02, 0x01};
             b.resize(4 + 256 + 3);
             return b;
         }(),
         "truncated PSF1 Unicode table"},
        {"gzip cut short", cut(gzipped, 30), "gzip"},
        {"gzip CRC wrong", changed(gzipped, 31, 0x61), "incorrect data check"},
        {"gzip length wrong", changed(gzipped, 35, 0x61), "incorrect length check"},
        {"gzip unknown method", changed(gzipped, 2, 7), "unknown compression method"},
        {"gzip deflate data corrupt", changed(gzipped, 10, 0xFF), "corrupt"},
        {"gzip of no font",
         {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         "holds no font"},
        {"hex line of the wrong length", text("0041:00FF\n"), "glyph data of 4 hex digits"},
        {"hex data not hex", text("0041:0000000000000000000000000000000G\n"), "not hexadecimal"},
        {"hex bad line after good", text("0041:" + std::string(32, '0') + "\nzz\n"), "line 2"},
        {"hex glyph too wide", text("0041:" + std::string(96, '0') + "\n"),
         "is 24 pixels wide; at most 16 fit"},
        {"BDF missing ENDCHAR",
         text(bdfHead + "CHARS 1\n" + bdfChar("BBX 1 1 0 0\nBITMAP\n80\nENDFONT\n")),
         "has no ENDCHAR"},
        {"BDF row too short",
         text(bdfHead + bdfChar("BBX 9 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         "bitmap row of 2 hex digits"},
        {"BDF rows missing", text(bdfHead + bdfChar("BBX 1 3 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         "fewer bitmap rows"},
        {"BDF bitmap before BBX", text(bdfHead + bdfChar("BITMAP\n80\nENDCHAR\nENDFONT\n")),
         "BITMAP before BBX"},
        {"BDF huge BBX", text(bdfHead + bdfChar("BBX 99999 1 0 0\nENDCHAR\nENDFONT\n")), "bad BBX"},
        {"BDF glyph too high",
         text(bdfHead + bdfChar("BBX 1 17 0 0\nBITMAP\n") + rows17 + "ENDCHAR\nENDFONT\n"),
         "17 pixels high"},
        {"BDF glyph past the cell",
         text(bdfHead + bdfChar("BBX 1 1 16 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         "reaches outside the 16 x 16 cell"},
        {"BDF without ENDFONT", text(bdfHead), "no ENDFONT"},
        {"nothing the map picks", text("4E00:" + std::string(32, '0') + "\n"),
         "none of the font's glyphs"},
        {"fnt of the wrong size", Bytes(8191, 0x11), "not a font celkit reads"},
        {"PSF2 header size below 32", changed(psf, 8, 28), "header size 28"},
        // The bombs: counts no font needs, refused before any glyph is kept.
        {"PSF2 of 67,108,832 glyphs of 1 x 1", psf2(67108832, 1, 1, 1, Bytes(64)),
         "counts 67108832 glyphs; at most 1114368"},
        {"the same with a Unicode table", psf2(22369610, 1, 1, 1, Bytes(64), 1),
         "counts 22369610 glyphs"},
        {"PSF2 of 2,097,151 glyphs of 16 x 16", psf2(2097151, 32, 16, 16, Bytes(64)),
         "counts 2097151 glyphs"},
        {"PSF2 one glyph past the cap", psf2(1114369, 1, 1, 1, Bytes(64)), "counts 1114369"},
        {"PSF2 within the cap, past the data", psf2(1114368, 1, 1, 1, Bytes(64)),
         "truncated PSF2 glyphs"},
        {"PSF2 overlong UTF-8", psf2(1, 1, 1, 8, {0, 0xC1, 0x81, 0xFF}, 1), "bad UTF-8"},
        {"PSF2 overlong three bytes", psf2(1, 1, 1, 8, {0, 0xE0, 0x9F, 0xBF, 0xFF}, 1),
         "bad UTF-8"},
        {"PSF2 surrogate", psf2(1, 1, 1, 8, {0, 0xED, 0xA0, 0x80, 0xFF}, 1), "bad UTF-8"},
        {"PSF2 past U+10FFFF", psf2(1, 1, 1, 8, {0, 0xF4, 0x90, 0x80, 0x80, 0xFF}, 1), "bad UTF-8"},
        {"PSF2 UTF-8 cut by the end", psf2(1, 1, 1, 8, {0, 0xE2, 0x82}, 1), "bad UTF-8"},
        {"hex code point past U+10FFFF", text(hexLine("110000")), "110000 is past U+10FFFF"},
        {"hex code point of 7 digits", text(hexLine("0041") + hexLine("0000041")),
         "line 2: expected a code point of 4 to 6 hex digits"},
        {"hex code point of 3 digits", text(hexLine("0041") + hexLine("041")),
         "line 2: expected a code point of 4 to 6 hex digits"},
        {"hex data of 33 digits", text("0041:" + std::string(33, '0') + "\n"),
         "glyph data of 33 hex digits"},
        {"hex data with a stray CR", text("0041:" + std::string(32, '0') + "\r0\n"),
         "glyph data of 34 hex digits"},
        {"hex comments alone", text("# nothing\n\n"), "not a font celkit reads"},
        {"BDF rows past the BBX",
         text(bdfHead + bdfChar("BBX 8 2 0 0\nBITMAP\nFF\nFF\nFF\nFF\nENDCHAR\nENDFONT\n")),
         "glyph 'a' (line 6) has more bitmap rows than its BBX height 2"},
        {"BDF ENCODING past 32 bits",
         text(bdfHead +
              "STARTCHAR big\nENCODING 4294967361\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n"),
         "glyph 'big' (line 6) has ENCODING 4294967361, past U+10FFFF"},
        {"BDF ENCODING one past U+10FFFF",
         text(bdfHead +
              "STARTCHAR a\nENCODING 1114112\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n"),
         "past U+10FFFF"},
        {"BDF ENCODING -2", text(bdfHead + "STARTCHAR a\nENCODING -2\nENDCHAR\nENDFONT\n"),
         "line 7: glyph 'a' (line 6) has a bad ENCODING"},
        {"BDF bounding box offset past 64 bits",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 9223372036854775807\nENDFONT\n"),
         "line 2: bad FONTBOUNDINGBOX"},
        {"BDF bounding box offset 257", text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 257 0\nENDFONT\n"),
         "bad FONTBOUNDINGBOX"},
        {"BDF BBX offset -257", text(bdfHead + bdfChar("BBX 1 1 0 -257\nENDCHAR\nENDFONT\n")),
         "glyph 'a' (line 6) has a bad BBX"},
        {"BDF line numbers count blank lines of either end",
         text("STARTFONT 2.1\n\n\r\n\nCHARS x\nENDFONT\n"), "BDF line 5: bad CHARS"},
        {"hex line numbers count blank lines", text(hexLine("0041") + "\n\r\n\nzz\n"), "line 5:"},
        {"BDF second BITMAP",
         text(bdfHead + bdfChar("BBX 8 1 0 0\nBITMAP\nFF\nBITMAP\n81\nENDCHAR\nENDFONT\n")),
         "glyph 'a' (line 6) has a second BITMAP"},
        {"BDF BBX after BITMAP",
         text(bdfHead + bdfChar("BBX 8 1 0 0\nBITMAP\nFF\nBBX 16 16 0 0\nENDCHAR\nENDFONT\n")),
         "glyph 'a' (line 6) has BBX after its BITMAP"},
        {"BDF second BBX",
         text(bdfHead + bdfChar("BBX 8 1 0 0\nBBX 8 2 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n")),
         "has a second BBX"},
        {"BDF second ENCODING", text(bdfHead + bdfChar("ENCODING 66\nENDCHAR\nENDFONT\n")),
         "has a second ENCODING"},
        {"BDF rows missing without BITMAP",
         text(bdfHead + bdfChar("BBX 1 1 0 0\nENDCHAR\nENDFONT\n")), "lacks BITMAP"},
        {"BDF a name that would drive the terminal",
         text(bdfHead + "STARTCHAR \x1B]0;PWNED\x07\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\nENDFONT\n"),
         "glyph '\\x1B]0;PWNED\\x07' (line 6) lacks ENCODING"},
        {"BDF glyph below the cell once the top is raised",
         text("STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 0\nFONT_ASCENT 8\n"
              "STARTCHAR a\nENCODING 65\nBBX 1 1 0 10\nBITMAP\n80\nENDCHAR\n"
              "STARTCHAR b\nENCODING 66\nBBX 1 1 0 -6\nBITMAP\n80\nENDCHAR\nENDFONT\n"),
         "glyph 0x42 reaches outside the 16 x 16 cell"},
        {"FNT glyph bits past its end", changed(windowsFnt(0x300, 255, 'A', 1, {{8, {1}}}), 150, 0xF0),
         "glyph 0x41's bits lie outside the font resource"},
        {"FNT vector font in a library", peLibrary({changed(fnt3, 66, 1)}),
         "a vector font; celkit reads raster fonts"},
        {"FNT of version 1 in a library", peLibrary({changed(fnt3, 1, 1)}),
         "version 0x100; celkit reads versions 2.0 and 3.0"},
        {"FNT in a library says it is longer than the file", peLibrary({changed(fnt3, 4, 1)}),
         "the font resource is cut short"},
        {"FNT 17 rows high", windowsFnt(0x300, 255, 'A', 17, {{8, Bytes(17, 1)}}), "17 pixels high"},
        {"PE library without fonts", peLibrary({}), "a Windows library with no font resources"},
        {"PE language directory inside itself",
         [&] {
             Bytes b = peLibrary({fnt3});
             b[0x200 + 24 + 16 + 4] = 24;  // the name entry's target: the name directory
             return b;
         }(),
         "nests deeper than type, name and language"},
    };
    for (const Row& row : rows) {
        Font font;
        font.bytes[0] = 0x5A;
        std::string error;
        EXPECT_FALSE(
            importFont(row.file, ImportOptions{*builtinMap("cp437"), std::nullopt}, font, error))
            << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
        EXPECT_EQ(error.find('\x1B'), std::string::npos) << row.what << ": a raw escape";
        EXPECT_EQ(font.bytes[0], 0x5A) << row.what << ": the font was changed";
    }
}

// `gzipped` with every optional header field set (FEXTRA, FNAME, FCOMMENT)
// and the header's own CRC-16 (FHCRC), right or wrong.
Bytes withHeaderFields(bool rightHeaderCrc) {
    Bytes head(gzipped.begin(), gzipped.begin() + 10);
    head[3] = 2 | 4 | 8 | 16;
    for (int b : {3, 0, int('a'), int('b'), int('c')}) head.push_back(static_cast<std::uint8_t>(b));
    for (char c : std::string("font.psf")) head.push_back(static_cast<std::uint8_t>(c));
    head.push_back(0);
    for (char c : std::string("a comment")) head.push_back(static_cast<std::uint8_t>(c));
    head.push_back(0);
    const uLong crc =
        crc32(0, head.data(), static_cast<uInt>(head.size())) + (rightHeaderCrc ? 0 : 1);
    head.push_back(static_cast<std::uint8_t>(crc));
    head.push_back(static_cast<std::uint8_t>(crc >> 8));
    head.insert(head.end(), gzipped.begin() + 10, gzipped.end());
    return head;
}

// `size` zero bytes as one gzip member, written by zlib.
Bytes gzipOfZeros(std::size_t size) {
    const Bytes zeros(size, 0);
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY), Z_OK);
    Bytes out(deflateBound(&stream, static_cast<uLong>(size)));
    stream.next_in = const_cast<Bytef*>(zeros.data());
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

TEST(Gzip, MembersInflateWithinTheLimitOrAreRefusedWithTheirReason) {
    // A fixed-Huffman block whose match reaches back to the very first byte:
    // "abcabcabcabc" (literals a b c, then length 9 at distance 3).
    // zlib's fixed-Huffman stream (Python zlib, Z_FIXED) of "abcabcabcabc":
    // literals a b c, then a match of 9 at distance 3, back to the first byte.
    const Bytes backToFirst = {0x1F, 0x8B, 8,    0,    0,    0,    0,    0,    0,
                               0xFF, 0x4B, 0x4C, 0x4A, 0x4E, 0x84, 0x21, 0x00, 0x34,
                               0x2A, 0x6E, 0x5A, 12,   0,    0,    0};
    struct Row {
        const char* what;
        Bytes file;
        std::size_t limit;
        const char* reason;  // null: inflates
        std::size_t size;
    };
    const Row rows[] = {
        {"every optional header field", withHeaderFields(true), gzipLimit, nullptr, 34},
        {"header CRC wrong", withHeaderFields(false), gzipLimit, "header crc mismatch", 0},
        {"a match back to the first byte", backToFirst, gzipLimit, nullptr, 12},
        {"exactly the limit", gzipOfZeros(4096), 4096, nullptr, 4096},
        {"one byte past the limit", gzipOfZeros(4097), 4096, "inflates to more than", 0},
        {"a bomb past the default limit", gzipOfZeros(gzipLimit + 1), gzipLimit,
         "inflates to more than 16 MiB", 0},
        {"no gzip magic", text("PK"), gzipLimit, "not gzip", 0},
        {"magic alone", cut(gzipped, 2), gzipLimit, "truncated", 0},
    };
    for (const Row& row : rows) {
        Bytes out = {1, 2, 3};
        std::string error;
        const bool inflated = gunzip(row.file, out, error, row.limit);
        if (row.reason == nullptr) {
            EXPECT_TRUE(inflated) << row.what << ": " << error;
            EXPECT_EQ(out.size(), row.size) << row.what;
        } else {
            EXPECT_FALSE(inflated) << row.what;
            EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
            EXPECT_EQ(out, Bytes({1, 2, 3})) << row.what << ": out was changed";
        }
    }
    Bytes text;
    std::string error;
    ASSERT_TRUE(gunzip(backToFirst, text, error)) << error;
    EXPECT_EQ(std::string(text.begin(), text.end()), "abcabcabcabc");
}

// A .gz output is the same file from either build: zlib's header names the
// system it was built for unless told. The header as Python's gzip writes
// it at level 9 without a name or time, then what inflates to the input.
TEST(Gzip, OutputsAreTheSameOnEveryBuild) {
    const Bytes input = text("the same bytes from either build");
    const Bytes file = celkit::gzipped(input);
    ASSERT_GE(file.size(), 10u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 10),
              Bytes({0x1F, 0x8B, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x03}));
    Bytes back;
    std::string error;
    ASSERT_TRUE(gunzip(file, back, error)) << error;
    EXPECT_EQ(back, input);
}

}  // namespace
}  // namespace celkit
