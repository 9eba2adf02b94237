// The picture library against PNGs crafted here (zlib for the streams):
// what is refused from the header before any pixel is decoded, how alpha
// is composed, the paper colour's tie-break, charts of every shape, and
// the loader's reason in the message of a BMP it refuses.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "celkit/picture/glyph_grid.h"
#include "celkit/picture/glyph_sheet.h"
#include "support/crafted_files.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

void appendBig32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

void chunk(Bytes& out, const char* type, const Bytes& data) {
    appendBig32(out, std::uint32_t(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    out.insert(out.end(), body.begin(), body.end());
    appendBig32(out, std::uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

// A PNG of the given header whose IDAT holds `idat` as it is (garbage is
// fine for a file that must be refused before decoding), with a tEXt chunk
// of `padding` bytes after the header.
Bytes pngFile(std::uint32_t width, std::uint32_t height, int depth, int colourType,
              const Bytes& idat, std::size_t padding = 0, const Bytes& trns = {}) {
    Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    appendBig32(header, width);
    appendBig32(header, height);
    header.insert(header.end(), {std::uint8_t(depth), std::uint8_t(colourType), 0, 0, 0});
    chunk(out, "IHDR", header);
    if (padding != 0) chunk(out, "tEXt", Bytes(padding, 'x'));
    if (!trns.empty()) chunk(out, "tRNS", trns);
    chunk(out, "IDAT", idat);
    chunk(out, "IEND", {});
    return out;
}

// Rows of 8-bit samples, each row given filter 0.
Bytes deflateRows(const Bytes& samples, std::size_t rowBytes) {
    Bytes raw;
    for (std::size_t at = 0; at < samples.size(); at += rowBytes) {
        raw.push_back(0);
        raw.insert(raw.end(), samples.begin() + long(at), samples.begin() + long(at + rowBytes));
    }
    uLongf length = compressBound(uLong(raw.size()));
    Bytes packed(length);
    EXPECT_EQ(compress(packed.data(), &length, raw.data(), uLong(raw.size())), Z_OK);
    packed.resize(length);
    return packed;
}

TEST(PngHeader, RefusedBeforeDecodingWithTheReason) {
    GridOptions grid, chart;
    chart.layout = GridLayout::Unifont;
    GridOptions smallCells;
    smallCells.cellWidth = smallCells.cellHeight = 8;
    struct Row {
        const char* name;
        std::uint32_t width, height;
        int depth, colourType;
        std::size_t padding;
        const GridOptions* check;
        const char* error;
    };
    // The IDAT is no zlib stream: a file that got as far as decoding fails
    // with stb's reason instead.
    const char* decoded = "not a PNG picture that can be decoded";
    const Row rows[] = {
        {"grid of big cells", 6320, 6320, 1, 0, 0, &grid, "cells of 395 x 395 pixels"},
        {"grid not of 16 cells", 100, 100, 8, 2, 0, &grid, "no grid of 16 x 16 equal cells"},
        {"too small for its cells", 120, 128, 8, 2, 0, &smallCells, "too small for 16 x 16 cells"},
        {"larger than its cells", 4000, 4000, 1, 0, 200000, &smallCells, decoded},
        {"chart a pixel too wide", 4129, 4160, 1, 0, 0, &chart, "no chart of 16 x 16 cells"},
        {"chart a band too short", 4128, 64, 1, 0, 0, &chart, "no chart of 16 x 16 cells"},
        {"the whole chart", 4128, 4160, 1, 0, 200000, &chart, decoded},
        {"past the pixel limit", 8000, 5001, 1, 0, 0, nullptr, "more than 40000000 pixels"},
        {"at the pixel limit", 8000, 5000, 1, 0, 400000, nullptr, decoded},
        // 2048 x 2048 pixels from any file, 128 a byte beyond that (the
        // file is the padding and 133 bytes).
        {"blank grey, small file", 6048, 6560, 1, 0, 0, nullptr, "would make 39674880 pixels"},
        {"at the floor", 2048, 2048, 8, 6, 0, nullptr, decoded},
        {"past the floor", 2048, 2049, 8, 6, 0, nullptr, "at most 4194304 from a file"},
        {"true colour, small file", 3328, 3328, 8, 2, 0, nullptr, "would make 11075584 pixels"},
        {"true colour, a byte per 128 pixels", 3328, 3328, 8, 2, 86395, nullptr, decoded},
        {"true colour, a byte short", 3328, 3328, 8, 2, 86394, nullptr, "would make 11075584"},
        // Whatever the file, stb may hold no more than 192 MiB.
        {"alpha, past the ceiling", 6000, 6000, 8, 6, 400000, nullptr, "at most 192 MiB"},
        {"alpha, under it", 4500, 4500, 8, 6, 400000, nullptr, decoded},
        {"palette expanded", 5800, 5800, 8, 3, 400000, nullptr, "would take 193 MiB"},
        {"sixteen bits", 3700, 3700, 16, 6, 400000, nullptr, "would take 209 MiB"},
        {"eight bits", 3700, 3700, 8, 6, 400000, nullptr, decoded},
        {"zero wide", 0, 10, 8, 0, 0, nullptr, "a side of 0 pixels"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes file =
            pngFile(row.width, row.height, row.depth, row.colourType, Bytes(64, 0xEE), row.padding);
        SizeCheck check;
        if (row.check)
            check = [&](int width, int height, std::string& why) {
                return gridFitsPicture(width, height, *row.check, why);
            };
        Picture picture;
        std::string error;
        EXPECT_FALSE(readPng(file, picture, error, check));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        EXPECT_EQ(picture.pixelCount(), 0u);
    }
}

TEST(PngHeader, PixelsGrowWithTheFileUpToTheLimit) {
    struct Row {
        std::uint64_t fileLength, allowed;
    };
    const Row rows[] = {{0, 2048 * 2048},
                        {2048 * 2048 / 128, 2048 * 2048},
                        {2048 * 2048 / 128 + 1, 2048 * 2048 + 128},
                        {40000000 / 128, 40000000 - 40000000 % 128},
                        {40000000 / 128 + 1, 40000000},
                        {std::uint64_t(1) << 62, 40000000}};
    for (const Row& row : rows) EXPECT_EQ(pngPixelsAllowed(row.fileLength), row.allowed);
}

TEST(PngChunks, EachMustLieInsideTheFile) {
    Bytes good = pngFile(2, 1, 8, 0, deflateRows({7, 9}, 2));
    Picture picture;
    std::string error;
    ASSERT_TRUE(readPng(good, picture, error)) << error;
    EXPECT_EQ(picture.at(1, 0), 0x090909u);
    Bytes textFirst = good;  // the tEXt chunk's type in the header's place
    std::memcpy(&textFirst[12], "tEXt", 4);
    EXPECT_FALSE(readPng(textFirst, picture, error));
    EXPECT_NE(error.find("no 13-byte IHDR chunk first"), std::string::npos) << error;
    EXPECT_FALSE(readPng(Bytes(good.begin(), good.begin() + 7), picture, error));
    EXPECT_NE(error.find("truncated PNG"), std::string::npos) << error;
    // IEND runs past the end by 1 to 4 bytes; then a tEXt before it claims
    // 1 to 4 bytes more than there are, so that the walk would land inside
    // IEND or past the file.
    for (std::size_t cut = 1; cut <= 4; ++cut) {
        SCOPED_TRACE(cut);
        Bytes shorter(good.begin(), good.end() - long(cut));
        EXPECT_FALSE(readPng(shorter, picture, error));
        EXPECT_NE(error.find("truncated PNG"), std::string::npos) << error;
        Bytes lying = pngFile(2, 1, 8, 0, deflateRows({7, 9}, 2), 0);
        lying.resize(lying.size() - 12);  // no IEND: the tEXt below is last
        chunk(lying, "tEXt", Bytes(8, 'x'));
        std::size_t length = lying.size() - 20;
        lying[length + 3] = std::uint8_t(8 + cut);
        EXPECT_FALSE(readPng(lying, picture, error));
        EXPECT_NE(error.find("truncated PNG"), std::string::npos) << error;
    }
}

TEST(PngAlpha, ComposedOverBlackRoundingAtTheHalf) {
    struct Row {
        int colourType;
        Bytes samples;  // one pixel
        std::uint32_t colour;
    };
    const Row rows[] = {
        {4, {255, 128}, 0x808080},       {4, {255, 127}, 0x7F7F7F},
        {4, {1, 128}, 0x010101},         {4, {1, 127}, 0x000000},
        {4, {200, 0}, 0x000000},         {4, {200, 255}, 0xC8C8C8},
        {6, {3, 255, 1, 128}, 0x028001}, {6, {3, 255, 1, 127}, 0x017F00},
        {6, {255, 2, 0, 191}, 0xBF0100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(int(row.samples[0]) * 1000 + row.samples.back());
        Picture picture;
        std::string error;
        ASSERT_TRUE(
            readPng(pngFile(1, 1, 8, row.colourType, deflateRows(row.samples, row.samples.size())),
                    picture, error))
            << error;
        EXPECT_EQ(picture.at(0, 0), row.colour);
    }
    // A colour key makes its pixels transparent, black; the others stay.
    Picture keyed;
    std::string error;
    ASSERT_TRUE(readPng(pngFile(2, 1, 8, 0, deflateRows({5, 6}, 2), 0, {0, 5}), keyed, error));
    EXPECT_EQ(keyed.at(0, 0), 0u);
    EXPECT_EQ(keyed.at(1, 0), 0x060606u);
}

TEST(PngAlpha, PixelsBelowHalfOpacityAreThePaper) {
    // Black paper; glyph 1 drawn in colour 1 at alpha 128, glyph 2 at 127.
    Bytes samples(256 * 256 * 2, 0);
    for (int g = 1; g <= 2; ++g)
        for (int i = 0; i < 5; ++i) {
            std::size_t at = (std::size_t(3 + i) * 256 + std::size_t(g * 16 + 4)) * 2;
            samples[at] = 1;
            samples[at + 1] = g == 1 ? 128 : 127;
        }
    Picture picture;
    std::string error;
    ASSERT_TRUE(readPng(pngFile(256, 256, 8, 4, deflateRows(samples, 512)), picture, error));
    Font font;
    ASSERT_TRUE(glyphsFromPicture(picture, GridOptions(), font, error)) << error;
    EXPECT_TRUE(font.pixel(1, 4, 3));
    EXPECT_TRUE(font.pixel(1, 4, 7));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) EXPECT_FALSE(font.pixel(2, x, y)) << x << "," << y;
}

// An RGB picture of `pixels` (row by row, one row).
Picture rgbPicture(const std::vector<std::uint32_t>& pixels) {
    Picture picture;
    picture.width = int(pixels.size());
    picture.height = 1;
    picture.bytes = PixelBytes(pixels.size() * 3, 0);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        picture.bytes[i * 3] = std::uint8_t(pixels[i] >> 16);
        picture.bytes[i * 3 + 1] = std::uint8_t(pixels[i] >> 8);
        picture.bytes[i * 3 + 2] = std::uint8_t(pixels[i]);
    }
    return picture;
}

TEST(ColourCensus, MostCommonWinsThenTheSmallestColour) {
    struct Row {
        const char* name;
        std::vector<std::uint32_t> runs;  // colour, count, colour, count...
        std::size_t distinct;             // extra colours of one pixel each, from 0x100000
        std::uint32_t mostCommon;
        std::size_t colours;
        std::vector<std::uint8_t> alpha = {};  // per pixel, when there is any
        std::size_t transparent = 0;
    };
    const Row rows[] = {
        {"tie, smaller second", {0xFF00FF, 3, 0x00FF00, 3}, 0, 0x00FF00, 2},
        {"tie, smaller first", {0x00FF00, 3, 0xFF00FF, 3}, 0, 0x00FF00, 2},
        {"larger count, larger colour", {0x000001, 2, 0xFFFFFF, 3, 0x000001, 0}, 0, 0xFFFFFF, 2},
        {"runs add up", {7, 2, 9, 3, 7, 2}, 0, 7, 2},
        {"black ties white", {0, 4, 0xFFFFFF, 4}, 0, 0, 2},
        {"many colours, tie", {0xFE0000, 5, 0x0100FF, 5}, 5000, 0x0100FF, 5002},
        {"many colours, larger wins", {0x0100FF, 5, 0xFE0000, 6}, 5000, 0xFE0000, 5002},
        {"many colours, smaller red first", {0x02FFFF, 4, 0x030000, 4}, 5000, 0x02FFFF, 5002},
        {"one pixel each", {}, 3000, 0x100000, 3000},
        {"alpha 127 is less than half opaque, 128 is not",
         {9, 1, 5, 2},
         0,
         5,
         1,
         {127, 128, 255},
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint32_t> pixels;
        for (std::size_t i = 0; i < row.runs.size(); i += 2)
            pixels.insert(pixels.end(), row.runs[i + 1], row.runs[i]);
        for (std::size_t k = 0; k < row.distinct; ++k)
            pixels.push_back(0x100000 + std::uint32_t(k));
        Picture rgb = rgbPicture(pixels);
        if (!row.alpha.empty()) rgb.alpha = PixelBytes(row.alpha.size(), 0);
        for (std::size_t i = 0; i < row.alpha.size(); ++i) rgb.alpha[i] = row.alpha[i];
        ColourCensus census = takeCensus(rgb);
        EXPECT_EQ(census.mostCommon, row.mostCommon);
        EXPECT_EQ(census.colours, row.colours);
        EXPECT_EQ(census.transparent, row.transparent);
        if (row.colours > 256 || !row.alpha.empty()) continue;
        Picture indexed(int(pixels.size()), 1, pixels.empty() ? 0 : pixels[0]);
        for (std::size_t i = 0; i < pixels.size(); ++i) indexed.set(int(i), 0, pixels[i]);
        ASSERT_TRUE(indexed.indexed());
        census = takeCensus(indexed);
        EXPECT_EQ(census.mostCommon, row.mostCommon);
        EXPECT_EQ(census.colours, row.colours);
    }
    EXPECT_EQ(takeCensus(Picture()).mostCommon, 0u);
    EXPECT_EQ(takeCensus(Picture()).colours, 0u);
}

TEST(ChartLayout, CellsCountAlongTheChartsOwnRows) {
    struct Row {
        int cellsWide, cellsHigh;
    };
    for (const Row& row : {Row{5, 3}, Row{3, 5}, Row{256, 1}, Row{1, 256}, Row{16, 16}}) {
        SCOPED_TRACE(std::to_string(row.cellsWide) + " x " + std::to_string(row.cellsHigh));
        Picture chart(unifontLeftBand + 16 * row.cellsWide, unifontTopBand + 16 * row.cellsHigh,
                      0xFFFFFF);
        chart.fill(0, 0, chart.width, unifontTopBand, 0x808080);  // labels, not glyphs
        // Cell c has a dot in its row c % 16, column c / 16 % 16.
        int cells = row.cellsWide * row.cellsHigh;
        for (int c = 0; c < cells; ++c)
            chart.set(unifontLeftBand + c % row.cellsWide * 16 + c / 16 % 16,
                      unifontTopBand + c / row.cellsWide * 16 + c % 16, 0);
        GridOptions options;
        options.layout = GridLayout::Unifont;
        options.paper = 0xFFFFFF;
        options.first = U'\0';
        Font font;
        std::string error;
        ASSERT_TRUE(glyphsFromPicture(chart, options, font, error)) << error;
        for (int g = 0; g < glyphCount; ++g)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x)
                    ASSERT_EQ(font.pixel(g, x, y), g < cells && x == g / 16 % 16 && y == g % 16)
                        << g << ": " << x << "," << y;
    }
}

TEST(BitmapRoad, TheLoadersReasonIsInTheMessage) {
    struct Row {
        const char* name;
        Bytes file;
        const char* error;
    };
    Bytes sheet = crafted::bitmapFile(4, 4, 24, [](int, int) { return 0xFFFFFFu; });
    Bytes cut(sheet.begin(), sheet.begin() + 30);
    Bytes deep = sheet;
    crafted::put16(deep, 28, 7);
    Bytes noPixels = sheet;
    noPixels.resize(54 + 10);
    const Row rows[] = {
        {"header cut", cut, "(truncated header)"},
        {"bit count 7", deep, "(unsupported encoding)"},
        {"pixels past the end", noPixels, "(data outside the file)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Picture picture;
        std::string error;
        EXPECT_FALSE(readPicture(row.file, picture, error));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
    }
    Picture picture;
    std::string error;
    ASSERT_TRUE(readPicture(sheet, picture, error)) << error;
    EXPECT_EQ(picture.at(3, 3), 0xFFFFFFu);
}

// Import's reading of a sheet: paper (auto or given, transparency), the
// threshold and the warnings. Glyph 1 has one pixel at its (4, 4), glyph 2
// at its (4, 4); everything else is the background.
TEST(PictureReading, PaperTransparencyThresholdAndWarnings) {
    struct Pixel {
        std::uint32_t colour;
        std::uint8_t alpha;
    };
    struct Row {
        const char* name;
        Pixel background, first, second;
        std::optional<std::uint32_t> paper;
        std::optional<int> threshold;
        bool firstInk, secondInk;
        const char* paperText;
        const char* warning;  // a substring of the one warning, or "" for none
    };
    const Row rows[] = {
        {"black on transparent",
         {0, 0},
         {0, 255},
         {0, 127},
         {},
         {},
         true,
         false,
         "transparency",
         ""},
        {"transparent white is paper too",
         {0, 0},
         {0, 255},
         {0xFFFFFF, 0},
         {},
         {},
         true,
         false,
         "transparency",
         ""},
        {"transparent pixels on white paper",
         {0xFFFFFF, 255},
         {0, 128},
         {0xFF0000, 127},
         {},
         {},
         true,
         false,
         "FFFFFF",
         ""},
        {"transparency given a paper",
         {0xFFFFFF, 0},
         {0xFF00FF, 255},
         {0xFFFFFF, 255},
         0xFF00FF,
         {},
         false,
         true,
         "FF00FF",
         ""},
        {"black paper is read as celpack reads it",
         {0, 255},
         {0xFF0000, 0},
         {0, 0},
         0u,
         {},
         true,
         false,
         "000000",
         ""},
        {"grey taken as ink",
         {0xFFFFFF, 255},
         {0, 255},
         {0x808080, 255},
         {},
         {},
         true,
         true,
         "FFFFFF",
         "1 pixel of 1 other colour (808080) taken as ink beside 000000; --threshold N decides"},
        {"threshold 49 keeps grey",
         {0xFFFFFF, 255},
         {0, 255},
         {0x808080, 255},
         {},
         49,
         true,
         true,
         "FFFFFF",
         ""},
        {"threshold 50 drops grey",
         {0xFFFFFF, 255},
         {0, 255},
         {0x808080, 255},
         {},
         50,
         true,
         false,
         "FFFFFF",
         ""},
        {"threshold on lighter ink",
         {0x000000, 255},
         {0xFFFFFF, 255},
         {0x404040, 255},
         {},
         30,
         true,
         false,
         "000000",
         ""},
        {"blank",
         {0xFFFFFF, 255},
         {0xFFFFFF, 255},
         {0xFFFFFF, 255},
         {},
         {},
         false,
         false,
         "FFFFFF",
         "every glyph is blank: no pixel of the cells differs from the paper (FFFFFF); "
         "--paper RRGGBB names the paper"},
        {"full",
         {0, 255},
         {0, 255},
         {0, 255},
         0xFFFFFFu,
         {},
         true,
         true,
         "FFFFFF",
         "every glyph is full"},
    };
    for (const Row& row : rows) {
        for (bool rgb : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (rgb ? ", RGB" : ", indexed"));
            Picture picture(256, 256, row.background.colour);
            picture.set(20, 4, row.first.colour);
            picture.set(36, 4, row.second.colour);
            if (rgb) picture.toRgb();
            picture.alpha = PixelBytes(picture.pixelCount(), row.background.alpha);
            picture.alpha[4 * 256 + 20] = row.first.alpha;
            picture.alpha[4 * 256 + 36] = row.second.alpha;
            GridOptions options;
            options.paper = row.paper;
            options.threshold = row.threshold;
            Font font;
            std::string error;
            PictureReading reading;
            ASSERT_TRUE(glyphsFromPicture(picture, options, font, error, &reading)) << error;
            EXPECT_EQ(font.pixel(1, 4, 4), row.firstInk);
            EXPECT_EQ(font.pixel(2, 4, 4), row.secondInk);
            EXPECT_EQ(paperText(reading), row.paperText);
            std::vector<std::string> warnings = readingWarnings(reading, options);
            if (*row.warning == 0) {
                EXPECT_TRUE(warnings.empty()) << warnings.front();
                EXPECT_EQ(font.pixel(3, 0, 0), false);  // the background stays paper
            } else {
                ASSERT_EQ(warnings.size(), 1u);
                EXPECT_NE(warnings[0].find(row.warning), std::string::npos) << warnings[0];
            }
        }
    }
}

TEST(PictureReading, OtherColoursNamedMostPixelsFirst) {
    // Ink FFFFFF (5 pixels) and 4 other colours: 3 named, most pixels first.
    Picture picture(256, 256, 0);
    const std::pair<std::uint32_t, int> inks[] = {
        {0xFFFFFF, 5}, {0x101010, 1}, {0x202020, 3}, {0x303030, 2}, {0x404040, 2}};
    int x = 0;
    for (const auto& ink : inks)
        for (int i = 0; i < ink.second; ++i, ++x) picture.set(x, 0, ink.first);
    Font font;
    std::string error;
    PictureReading reading;
    ASSERT_TRUE(glyphsFromPicture(picture, GridOptions(), font, error, &reading)) << error;
    EXPECT_EQ(reading.inkPixels, 13u);
    EXPECT_EQ(readingWarnings(reading, GridOptions()),
              std::vector<std::string>{"8 pixels of 4 other colours (202020, 303030, 404040, ...) "
                                       "taken as ink beside FFFFFF; --threshold N decides grey"});
    EXPECT_EQ(groupedNumber(1204), "1,204");
    EXPECT_EQ(groupedNumber(1234567), "1,234,567");
    EXPECT_EQ(groupedNumber(999), "999");
}

TEST(PictureReading, BlackPaperGivenReadsBmpAndIcoAsCelpack) {
    // 23 x 17 pixels: glyph 0 covered whole, glyph 1 in part, glyph 16 one row.
    struct Row {
        const char* name;
        bool celpackReads;
        std::optional<std::uint32_t> paper;
        int cellWidth;
        bool read;
    };
    const Row rows[] = {
        {"bmp, black given", true, 0u, 0, true},  {"png, black given", false, 0u, 0, false},
        {"bmp, paper found", true, {}, 0, false}, {"bmp, white given", true, 0xFFFFFFu, 0, false},
        {"bmp, cell given", true, 0u, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Picture picture(23, 17, 0);
        picture.celpackReads = row.celpackReads;
        picture.set(15, 15, 0xFFFFFF);
        picture.set(22, 0, 0x010101);
        picture.set(0, 16, 0x808080);
        GridOptions options;
        options.paper = row.paper;
        options.cellWidth = options.cellHeight = row.cellWidth;
        Font font;
        std::string error;
        EXPECT_EQ(glyphsFromPicture(picture, options, font, error), row.read) << error;
        if (!row.read) continue;
        Font want;
        want.setPixel(0, 15, 15, true);
        want.setPixel(1, 6, 0, true);
        want.setPixel(16, 0, 0, true);
        EXPECT_EQ(font.bytes, want.bytes);
        EXPECT_EQ(font.bytes, fontAsCelpackReads(picture).bytes);
    }
}

// A 32-bit bitmap of width x height, rows bottom-up, pixel (x, y) given as
// 0xAARRGGBB.
Bytes bitmap32(int width, int height, const std::function<std::uint32_t(int, int)>& pixels) {
    Bytes file = crafted::bitmapFile(width, height, 24, [](int, int) { return 0u; });
    file.resize(54 + std::size_t(width * height) * 4);
    crafted::put32(file, 2, std::uint32_t(file.size()));
    crafted::put16(file, 28, 32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            crafted::put32(file, 54 + std::size_t(((height - 1 - y) * width + x) * 4),
                           pixels(x, y));
    return file;
}

TEST(BitmapRoad, AlphaKeptWhereAPixelIsLessThanHalfOpaque) {
    struct Row {
        const char* name;
        Bytes file;
        std::vector<int> alpha;  // top row first, or empty: none kept
    };
    const Row rows[] = {
        {"32-bit with alpha",
         bitmap32(3, 2,
                  [](int x, int y) { return std::uint32_t(x + 3 * y) * 40u << 24 | 0xFFFFFF; }),
         {0, 40, 80, 120, 160, 200}},
        {"32-bit all opaque", bitmap32(2, 2, [](int, int) { return 0xFF123456u; }), {}},
        {"32-bit without alpha", bitmap32(2, 2, [](int, int) { return 0x00123456u; }), {}},
        {"icon with a transparent pixel",
         crafted::iconFile(2,
                           [](int x, int y) { return x == 1 && y == 0 ? 0xFFFFFFFFu : 0x00FF00u; }),
         {255, 0, 255, 255}},
        {"24-bit", crafted::bitmapFile(2, 2, 24, [](int, int) { return 0u; }), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Picture picture;
        std::string error;
        ASSERT_TRUE(readPicture(row.file, picture, error)) << error;
        ASSERT_EQ(picture.alpha.size(), row.alpha.size());
        for (std::size_t i = 0; i < row.alpha.size(); ++i)
            EXPECT_EQ(picture.alpha[i], row.alpha[i]) << i;
    }
}

// Sheets in every layout, read back by import's own reading.
TEST(GlyphSheet, ImportReadsBackWhatTheSheetHolds) {
    Font font;
    for (int g = 0; g < glyphCount; ++g)
        for (int i = 0; i < 4; ++i) font.setPixel(g, (g + i * 5) % 7, (g / 7 + i * 3) % 11, true);
    struct Row {
        const char* name;
        int cellWidth, cellHeight;
        std::uint32_t ink, paper;
        GridLayout layout;
        int width, height;
    };
    const Row rows[] = {
        {"celpack's", 16, 16, 0xFFFFFF, 0, GridLayout::Grid, 256, 256},
        {"8x12 magenta", 8, 12, 0xFFFFFF, 0xFF00FF, GridLayout::Grid, 128, 192},
        {"7x11 black on white", 7, 11, 0, 0xFFFFFF, GridLayout::Grid, 112, 176},
        {"chart", 16, 16, 0, 0xFFFFFF, GridLayout::Unifont, 32 + 256 * 16, 64 + 39 * 16},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SheetLayout layout;
        layout.cellWidth = row.cellWidth;
        layout.cellHeight = row.cellHeight;
        layout.ink = row.ink;
        layout.paper = row.paper;
        layout.layout = row.layout;
        layout.map = *builtinMap("cp437");
        Picture sheet;
        std::vector<int> clipped;
        std::string error;
        ASSERT_TRUE(drawSheet(font, layout, sheet, clipped, error)) << error;
        EXPECT_TRUE(clipped.empty());
        EXPECT_EQ(sheet.width, row.width);
        EXPECT_EQ(sheet.height, row.height);
        GridOptions options;
        options.paper = row.paper;
        options.layout = row.layout;
        options.map = layout.map;
        if (row.layout == GridLayout::Grid) {
            options.cellWidth = row.cellWidth;
            options.cellHeight = row.cellHeight;
        }
        Font back;
        ASSERT_TRUE(glyphsFromPicture(sheet, options, back, error)) << error;
        EXPECT_EQ(back.bytes, font.bytes);
        Bytes bmp = encodeTwoColourBmp(sheet);
        ASSERT_FALSE(bmp.empty());
        Picture read;
        ASSERT_TRUE(readPicture(bmp, read, error)) << error;
        for (int y = 0; y < sheet.height; y += 3)
            for (int x = 0; x < sheet.width; x += 5) ASSERT_EQ(read.at(x, y), sheet.at(x, y));
    }
    // The default sheet is byte for byte the one celpack reads.
    Picture sheet;
    std::vector<int> clipped;
    std::string error;
    ASSERT_TRUE(drawSheet(font, SheetLayout(), sheet, clipped, error));
    EXPECT_EQ(encodeTwoColourBmp(sheet), encodeSheet(font));
}

TEST(GlyphSheet, ClippedGlyphsAndChartsTooLarge) {
    Font font;
    font.setPixel(3, 7, 0, true);   // fits 8 wide
    font.setPixel(4, 8, 0, true);   // does not
    font.setPixel(5, 0, 11, true);  // fits 12 high
    font.setPixel(6, 0, 12, true);  // does not
    SheetLayout layout;
    layout.cellWidth = 8;
    layout.cellHeight = 12;
    Picture sheet;
    std::vector<int> clipped;
    std::string error;
    ASSERT_TRUE(drawSheet(font, layout, sheet, clipped, error));
    EXPECT_EQ(clipped, (std::vector<int>{4, 6}));
    EXPECT_EQ(sheet.at(3 * 8 + 7, 0), 0xFFFFFFu);
    EXPECT_EQ(sheet.at(5 * 8, 11), 0xFFFFFFu);
    layout = SheetLayout();
    layout.layout = GridLayout::Unifont;
    layout.first = U'\U0010FF00';
    EXPECT_FALSE(drawSheet(font, layout, sheet, clipped, error));
    EXPECT_NE(error.find("U+10FFFF"), std::string::npos) << error;
}

}  // namespace
}  // namespace celkit
