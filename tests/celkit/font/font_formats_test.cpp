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

const std::string bdfHead =
    "STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0 -2\nSTARTPROPERTIES 1\n"
    "CHARSET_REGISTRY \"ISO10646\"\nENDPROPERTIES\n";
std::string bdfChar(const std::string& body) { return "STARTCHAR a\nENCODING 65\n" + body; }

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
            if (format.read == nullptr) continue;
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

TEST(FontFormats, SmallGlyphsLandAtTheirPlaceInTheCell) {
    struct Row {
        const char* what;
        Bytes file;
        std::optional<char32_t> first;
        std::vector<std::pair<int, int>> set;
    };
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
    };
    for (const Row& row : rows) {
        Font font, expected;
        std::string error;
        ASSERT_TRUE(
            importFont(row.file, ImportOptions{*builtinMap("cp437"), row.first}, font, error))
            << row.what << ": " << error;
        for (auto [at, value] : row.set) expected.bytes[at] = static_cast<std::uint8_t>(value);
        EXPECT_EQ(font.bytes, expected.bytes) << row.what;
    }
}

TEST(FontFormats, MalformedFontsAreRefusedWithTheirReason) {
    const Bytes psf = psf2(1, 2, 2, 8, {0xAA, 0x55});
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
        {"BDF CHARS lies",
         text(bdfHead + "CHARS 2\n" + bdfChar("BBX 1 1 0 0\nBITMAP\n80\nENDCHAR\nENDFONT\n")),
         "says CHARS 2 but holds 1"},
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
    };
    for (const Row& row : rows) {
        Font font;
        font.bytes[0] = 0x5A;
        std::string error;
        EXPECT_FALSE(
            importFont(row.file, ImportOptions{*builtinMap("cp437"), std::nullopt}, font, error))
            << row.what;
        EXPECT_NE(error.find(row.reason), std::string::npos) << row.what << ": " << error;
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

}  // namespace
}  // namespace celkit
