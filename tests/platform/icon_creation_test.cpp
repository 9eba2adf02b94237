// Icons made from resource data and handed back by GetIconInfo, on both
// builds: the Windows run pins the platform's behaviour, the native run
// proves the software layer matches it.
#include <gtest/gtest.h>

#include <functional>

#include "tests/platform/icon_test_support.h"

using namespace icontest;

namespace {

uint32_t paletteEntry(uint32_t i) { return (i * 16) << 16 | (255 - i * 16) << 8 | (i + 1); }

Pixels palette16() {
    Pixels palette;
    for (uint32_t i = 0; i < 16; ++i) palette.push_back(paletteEntry(i));
    return palette;
}

Pixels indices(int bits) {
    Pixels pixels;
    for (uint32_t i = 0; i < 12; ++i) pixels.push_back(i % (1u << bits));
    return pixels;
}

Pixels coloursOf(const Pixels& indices) {
    Pixels colours;
    for (uint32_t i : indices) colours.push_back(paletteEntry(i));
    return colours;
}

// Two pixels of alpha 255 among lower ones.
Pixels partlyOpaque() {
    Pixels pixels = gradient(10);
    pixels[1] |= 0xFF000000;
    pixels[6] |= 0xFF000000;
    return pixels;
}

Pixels rgb555() {
    Pixels pixels;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            pixels.push_back(x * 0x1F | y << 10 | (x == 1 ? 0x3E0 : 0));
    return pixels;
}

Pixels firstRow(const Pixels& pixels) { return Pixels(pixels.begin(), pixels.begin() + 4); }

}  // namespace

TEST(IconCreation, BitmapImagesOfEveryDepth) {
    const struct {
        int bits;
        Pixels pixels, expected;
    } cases[] = {
        {1, indices(1), coloursOf(indices(1))},
        {4, indices(4), coloursOf(indices(4))},
        {8, indices(8), coloursOf(indices(8))},
        // 5-5-5, each channel widened by repeating its top bits.
        {16,
         rgb555(),
         {0x000000, 0x00FFFF, 0x0008F7, 0x0010EF, 0x080000, 0x08FFFF, 0x0808F7, 0x0810EF, 0x100000,
          0x10FFFF, 0x1008F7, 0x1010EF}},
        {24, gradient(10), gradient(0)},
        {32, gradient(0), gradient(0)},
        {32, gradient(10), gradient(10)},  // alpha kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bits);
        HICON icon = makeIcon(bitmapIcon(4, 3, c.bits, c.pixels, sampleMask, palette16()));
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(GetObjectType(icon), 0u);
        IconParts parts = iconParts(icon);
        ASSERT_TRUE(parts.ok);
        EXPECT_EQ(parts.info.fIcon, TRUE);
        EXPECT_EQ(parts.info.xHotspot, 2u);
        EXPECT_EQ(parts.info.yHotspot, 1u);
        // A device-dependent bitmap: no DIBSECTION, no visible bits.
        EXPECT_EQ(parts.colourAnswer, int(sizeof(BITMAP)));
        EXPECT_EQ(parts.colourShape.bmBitsPixel, 32);
        EXPECT_EQ(parts.colourShape.bmBits, nullptr);
        EXPECT_EQ(parts.colour, c.expected);
        EXPECT_EQ(parts.maskShape.bmBitsPixel, 1);
        EXPECT_EQ(parts.mask, "1000/0000/0001");
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_FALSE(DestroyIcon(icon));
        EXPECT_FALSE(GetIconInfo(icon, &parts.info));
    }
}

TEST(IconCreation, BlackAndWhiteOneBitImagesHaveOnlyAMask) {
    Pixels checker = {0, 1, 0, 1, 1, 0, 1, 0, 0, 1, 0, 1};
    HICON icon = makeIcon(bitmapIcon(4, 3, 1, checker, sampleMask, {0x000000, 0xFFFFFF}));
    IconParts parts = iconParts(icon);
    ASSERT_TRUE(parts.ok);
    EXPECT_EQ(parts.info.hbmColor, nullptr);
    EXPECT_EQ(parts.maskShape.bmHeight, 6);
    EXPECT_EQ(parts.mask, "1000/0000/0001/0101/1010/0101");  // AND over XOR
    DestroyIcon(icon);

    // White then black is a colour image.
    icon = makeIcon(bitmapIcon(4, 3, 1, checker, sampleMask, {0xFFFFFF, 0x000000}));
    parts = iconParts(icon);
    EXPECT_EQ(firstRow(parts.colour), Pixels({0xFFFFFF, 0, 0xFFFFFF, 0}));
    DestroyIcon(icon);
}

TEST(IconCreation, HeaderFields) {
    const Bytes eight = bitmapIcon(4, 3, 8, indices(8), sampleMask, palette16());
    const Bytes deep = bitmapIcon(4, 3, 32, gradient(10), sampleMask);
    auto set32 = [](Bytes d, size_t at, uint32_t v) {
        memcpy(&d[at], &v, 4);
        return d;
    };
    auto insert = [](Bytes d, size_t at, const Bytes& extra) {
        d.insert(d.begin() + long(at), extra.begin(), extra.end());
        return d;
    };
    auto bitfields = [&](uint32_t r, uint32_t g, uint32_t b) {
        Bytes masks;
        append32(masks, r), append32(masks, g), append32(masks, b);
        return insert(set32(deep, 16, 3), 40, masks);
    };
    Bytes core = {12, 0, 0, 0, 4, 0, 6, 0, 1, 0, 24, 0};
    Bytes deep24 = bitmapIcon(4, 3, 24, gradient(0), sampleMask);
    core.insert(core.end(), deep24.begin() + 40, deep24.end());
    Bytes shortTable = set32(eight, 32, 2);
    shortTable.erase(shortTable.begin() + 48, shortTable.begin() + 40 + 1024);
    const Pixels normal = firstRow(coloursOf(indices(8)));
    const struct {
        const char* name;
        Bytes data;
        Pixels row;  // empty: refused
    } cases[] = {
        {"2-entry table", shortTable, {paletteEntry(0), paletteEntry(1), 0, 0}},
        {"table count over 256", set32(eight, 32, 300), normal},
        {"table skipped at 32 bits", insert(set32(deep, 32, 3), 40, Bytes(12)),
         firstRow(gradient(10))},
        {"core header", core, firstRow(gradient(0))},
        {"two planes", set32(eight, 12, 0x00080002), normal},
        {"image size ignored", set32(eight, 20, 0xFFFFFFFF), normal},
        {"standard masks keep alpha", bitfields(0xFF0000, 0xFF00, 0xFF), firstRow(gradient(10))},
        {"other masks drop alpha",
         bitfields(0xFF, 0xFF00, 0xFF0000),
         {0xC8, 0x2800C8, 0x5000C8, 0x7800C8}},
        {"48 bits", set32(deep, 12, 0x00300001), {}},
        {"run-length", set32(eight, 16, 1), {}},
        {"PNG compression", set32(eight, 16, 5), {}},
        {"compression 9", set32(eight, 16, 9), {}},
        {"header size 0", set32(eight, 0, 0), {}},
        {"header size 41", set32(eight, 0, 41), {}},
        {"header size 108", insert(set32(eight, 0, 108), 40, Bytes(68)), {}},
        {"width 65536", set32(eight, 4, 0x10000), {}},
        {"width 2^31 - 1", set32(eight, 4, 0x7FFFFFFF), {}},
        {"height 2^31 - 2", set32(eight, 8, 0x7FFFFFFE), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HICON icon = makeIcon(c.data);
        EXPECT_EQ(icon != nullptr, !c.row.empty());
        if (icon == nullptr) continue;
        EXPECT_EQ(firstRow(iconParts(icon).colour), c.row);
        DestroyIcon(icon);
    }
    Bytes data = eight;
    EXPECT_EQ(CreateIconFromResourceEx(data.data(), DWORD(data.size()), TRUE, 0x00020000, 0, 0, 0),
              nullptr);
    EXPECT_EQ(CreateIconFromResourceEx(nullptr, DWORD(data.size()), TRUE, 0x00030000, 0, 0, 0),
              nullptr);
}

// Every byte the data lacks: refused while the colour rows are incomplete;
// a missing or partial mask makes the icon opaque, or opaque where its
// alpha is. PNG streams need everything up to the end chunk.
TEST(IconCreation, TruncatedData) {
    const struct {
        const char* name;
        Bytes data;
        size_t tail;       // bytes that may be missing
        const char* mask;  // without them
    } cases[] = {
        {"1 bit", bitmapIcon(4, 3, 1, indices(1), sampleMask, palette16()), 12, "0000/0000/0000"},
        {"8 bits", bitmapIcon(4, 3, 8, indices(8), sampleMask, palette16()), 12, "0000/0000/0000"},
        {"32 bits", bitmapIcon(4, 3, 32, gradient(0), sampleMask), 12, "0000/0000/0000"},
        {"32 bits with alpha", bitmapIcon(4, 3, 32, partlyOpaque(), sampleMask), 12,
         "1011/1101/1111"},
        {"PNG", iconFixture("rgba_4x3_pillow.png"), 12, "1111/1011/0011"},
    };
    for (const auto& c : cases) {
        for (size_t length = 0; length < c.data.size(); ++length) {
            SCOPED_TRACE(std::string(c.name) + " cut to " + std::to_string(length));
            Bytes cut(c.data.begin(), c.data.begin() + long(length));
            HICON icon =
                CreateIconFromResourceEx(cut.data(), DWORD(length), TRUE, 0x00030000, 0, 0, 0);
            ASSERT_EQ(icon != nullptr, length + c.tail >= c.data.size());
            if (icon) EXPECT_EQ(iconParts(icon).mask, c.mask);
            DestroyIcon(icon);
        }
    }
}

TEST(IconCreation, PngImages) {
    const Pixels rgba = {0x00C80000, 0x01C80028, 0x7FC80050, 0x80C80078, 0xFEC83C00, 0xFFC83C28,
                         0x00C83C50, 0x0AC83C78, 0xFFC87800, 0xFFC87828, 0x64C87850, 0x00C87878};
    const struct {
        const char* name;
        Pixels colour;
        const char* mask;
    } cases[] = {
        // Alpha kept; the mask lets through everything short of opaque.
        {"rgba_4x3_pillow.png", rgba, "1111/1011/0011"},
        {"rgba_interlaced_4x3_magick.png", rgba, "1111/1011/0011"},
        {"grey_4x3_pillow.png",
         {0x3C3C3C, 0x404040, 0x454545, 0x494949, 0x5F5F5F, 0x646464, 0x686868, 0x6D6D6D, 0x828282,
          0x878787, 0x8B8B8B, 0x909090},
         "0000/0000/0000"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HICON icon = makeIcon(iconFixture(c.name));
        IconParts parts = iconParts(icon);
        ASSERT_TRUE(parts.ok);
        EXPECT_EQ(parts.colourAnswer, int(sizeof(BITMAP)));
        EXPECT_EQ(parts.colour, c.colour);
        EXPECT_EQ(parts.mask, c.mask);
        DestroyIcon(icon);
    }

    // Lengths that lie: a huge declared size, an image chunk longer than the data.
    Bytes huge = iconFixture("rgba_4x3_pillow.png"), longChunk = huge;
    huge[17] = 0x10;
    longChunk[33] = 0x7F;
    EXPECT_EQ(makeIcon(huge), nullptr);
    EXPECT_EQ(makeIcon(longChunk), nullptr);
}

TEST(IconCreation, SheetOf256) {
    Bytes sheet = iconFixture("sheet_256_pillow.png");
    ASSERT_FALSE(sheet.empty());
    for (int size : {0, 256}) {
        HICON icon = makeIcon(sheet, size, size);
        IconParts parts = iconParts(icon);
        ASSERT_EQ(parts.colour.size(), 65536u);
        EXPECT_EQ(parts.colour[0], 0u);
        EXPECT_EQ(parts.colour[4 * 256 + 4], 0xFFFFFFu);
        EXPECT_EQ(parts.colour[11 * 256 + 11], 0xFFFFFFu);
        EXPECT_EQ(parts.colour[12 * 256 + 11], 0u);
        DestroyIcon(icon);
    }
    // The "size" a reader finds at the header's width and height offsets.
    uint32_t width, height;
    memcpy(&width, &sheet[4], 4);
    memcpy(&height, &sheet[8], 4);
    EXPECT_EQ(makeIcon(sheet, int(width), int(height) / 2), nullptr);

    // Shrunk to the default size, every 8 x 8 block holds black.
    HICON icon = CreateIconFromResource(sheet.data(), DWORD(sheet.size()), TRUE, 0x00030000);
    IconParts parts = iconParts(icon);
    EXPECT_EQ(parts.colourShape.bmWidth, 32);
    EXPECT_EQ(parts.colour, Pixels(32 * 32, 0));
    DestroyIcon(icon);
}

// Which source pixels make each pixel of a scaled icon.
TEST(IconCreation, ScalingCombinesSourcePixelsWithAnd) {
    const struct {
        int from, to;
        const char* sources;
    } cases[] = {
        {1, 3, "0 0 0"},
        {2, 5, "0 0 0 1 1"},
        {3, 7, "0 0 1 1 1 2 2"},
        {4, 5, "0 1 1 2 3"},
        {4, 7, "0 0 1 1 2 3 3"},
        {5, 8, "0 0 1 2 2 3 4 4"},
        {3, 1, "0+1+2"},
        {4, 3, "0 1+2 3"},
        {5, 3, "0+1 2 3+4"},
        {7, 5, "0 1+2 3 4+5 6"},
        {13, 9, "0 1+2 3 4+5 6 7+8 9 10+11 12"},
        {24, 7, "0+1+2 3+4+5+6 7+8+9 10+11+12+13 14+15+16 17+18+19+20 21+22+23"},
    };
    for (const auto& c : cases) {
        for (bool column : {false, true}) {
            SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) +
                         (column ? " rows" : " columns"));
            HICON icon = column ? makeIcon(numberedPixels(c.from, true), 1, c.to)
                                : makeIcon(numberedPixels(c.from, false), c.to, 1);
            std::string sources;
            for (uint32_t pixel : iconParts(icon).colour)
                sources += (sources.empty() ? "" : " ") + sourcesOf(pixel);
            EXPECT_EQ(sources, c.sources);
            DestroyIcon(icon);
        }
    }
}

TEST(IconCreation, DesiredSizes) {
    const Bytes data = bitmapIcon(4, 3, 24, gradient(0), sampleMask);
    const struct {
        int width, height;
        LONG madeWidth, madeHeight;
        const char* mask;
    } cases[] = {
        {0, 0, 4, 3, "1000/0000/0001"},
        {0, 5, 4, 5, "1000/1000/0000/0001/0001"},
        {8, 0, 8, 3, "11000000/00000000/00000011"},
        {3, 5, 3, 5, "100/100/000/001/001"},
        {2, 2, 2, 2, "00/00"},  // a transparent bit needs all its sources transparent
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        HICON icon = makeIcon(data, c.width, c.height);
        IconParts parts = iconParts(icon);
        EXPECT_EQ(parts.colourShape.bmWidth, c.madeWidth);
        EXPECT_EQ(parts.colourShape.bmHeight, c.madeHeight);
        EXPECT_EQ(parts.info.xHotspot, DWORD(c.madeWidth / 2));
        EXPECT_EQ(parts.mask, c.mask);
        DestroyIcon(icon);
    }
    HICON icon = CreateIconFromResource(const_cast<BYTE*>(data.data()), DWORD(data.size()), TRUE,
                                        0x00030000);
    EXPECT_EQ(iconParts(icon).maskShape.bmWidth, 32);
    DestroyIcon(icon);
    // LR_DEFAULTSIZE: a 0 means the default size.
    icon = CreateIconFromResourceEx(const_cast<BYTE*>(data.data()), DWORD(data.size()), TRUE,
                                    0x00030000, 0, 5, 0x40);
    IconParts parts = iconParts(icon);
    EXPECT_EQ(parts.maskShape.bmWidth, 32);
    EXPECT_EQ(parts.maskShape.bmHeight, 5);
    DestroyIcon(icon);
}

TEST(IconCreation, HandedOutBitmapsAreTheCallers) {
    HICON icon = makeIcon(bitmapIcon(4, 3, 32, gradient(10), sampleMask));
    ICONINFO first, second;
    ASSERT_TRUE(GetIconInfo(icon, &first));
    ASSERT_TRUE(GetIconInfo(icon, &second));
    EXPECT_NE(first.hbmColor, second.hbmColor);
    EXPECT_TRUE(DeleteObject(first.hbmColor));
    EXPECT_TRUE(DeleteObject(first.hbmMask));
    EXPECT_EQ(readPixels(second.hbmColor), gradient(10));
    DeleteObject(second.hbmColor);
    DeleteObject(second.hbmMask);
    EXPECT_EQ(iconParts(icon).colour, gradient(10));
    EXPECT_TRUE(DestroyIcon(icon));
}
