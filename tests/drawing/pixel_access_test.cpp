#include <algorithm>
#include <climits>
#include <cstring>

#include "drawing/pixel_access.h"
#include "drawing_fixture.h"

namespace {

using PixelAccess = DrawingTest;

// A pixel's bytes as a colour value 0xAABBGGRR (alpha 0 for 3-byte pixels).
uint32_t stored(const Pixels& pixels, int32_t x, int32_t y) {
    const unsigned char* p = pixels.at(x, y);
    return (pixels.bytes == 4 ? uint32_t(p[3]) << 24 : 0) | uint32_t(p[0]) << 16 |
           uint32_t(p[1]) << 8 | p[2];
}

void store(const Pixels& pixels, int32_t x, int32_t y, uint32_t colour) {
    unsigned char* p = pixels.at(x, y);
    p[0] = (colour >> 16) & 0xFF;
    p[1] = (colour >> 8) & 0xFF;
    p[2] = colour & 0xFF;
    if (pixels.bytes == 4) p[3] = colour >> 24;
}

uint32_t lastCustom[4];

uint32_t swapChannels(int32_t x, int32_t y, uint32_t source, uint32_t target) {
    lastCustom[0] = x, lastCustom[1] = y, lastCustom[2] = source, lastCustom[3] = target;
    return 0x7F000000 | (target & 0xFF) << 16 | (target & 0xFF0000) >> 16 | (target & 0xFF00);
}

TEST_F(PixelAccess, ReadersGiveRedInTheLowByte) {
    struct Case {
        unsigned char blue, green, red, alpha;
        uint32_t rgb, rgba;
    } cases[] = {
        {0x10, 0x20, 0x30, 0x40, 0x00102030, 0x40102030},
        {0, 0, 0, 0, 0, 0},
        {0, 0, 1, 0xFF, 1, 0xFF000001},
        {0xFF, 0xFF, 0xFF, 0x80, 0x00FFFFFF, 0x80FFFFFF},
    };
    for (int32_t depth : {24, 32}) {
        DrawingContext* context = openCanvas(1, 3, 2, depth);
        ASSERT_NE(context, nullptr);
        Pixels pixels(1);
        for (const Case& c : cases) {
            unsigned char* p = pixels.at(2, 1);
            p[0] = c.blue, p[1] = c.green, p[2] = c.red;
            if (depth == 32) p[3] = c.alpha;
            EXPECT_EQ(readPixel(2, 1), c.rgb) << depth;
            if (depth == 32) EXPECT_EQ(readRgba(context, 2, 1), c.rgba);
        }
        endDrawing();
    }
}

// The canvas is a bottom-up DIB section, as the platform describes it: a
// pixel written at its place in that layout is the one the session reads
// at (x, y), at every corner of the 257 x 257 canvas and with every row
// padded to 4 bytes.
TEST_F(PixelAccess, ThePlatformsRowOrderIsTheSessionsTopToBottom) {
    DrawingContext* context = openCanvas(1, 257, 257);
    ASSERT_NE(context, nullptr);
    DIBSECTION section;
    ASSERT_EQ(GetObjectW(imageHandle(1), sizeof section, &section), int(sizeof section));
    EXPECT_GT(section.dsBmih.biHeight, 0) << "bottom-up";
    Pixels pixels(1);
    const struct {
        int32_t x, y;
        uint32_t colour;  // 0x00BBGGRR
    } cases[] = {
        {0, 0, 0x00000002},     {256, 0, 0x00030004},   {0, 256, 0x00010000},
        {256, 256, 0x00050607}, {128, 100, 0x00A0B0C0}, {255, 1, 0x00FFFFFF},
    };
    for (const auto& c : cases) store(pixels, c.x, c.y, c.colour);
    pixels.at(256, 0)[3] = 0xFF;  // the top row's padding
    for (const auto& c : cases) EXPECT_EQ(readPixel(c.x, c.y), c.colour) << c.x << ", " << c.y;
    EXPECT_EQ(readPixel(1, 0), 0u) << "neighbours untouched";
    EXPECT_EQ(readPixel(0, 1), 0u);
}

// Every pixel reads as its own, at both depths, with and without row
// padding, before a clip, inside one (in whole-target coordinates) and after
// it is undone; the clip's own corner is also where a plotter writes.
TEST_F(PixelAccess, EveryPixelReadsAsItselfThroughClipAndUnclip) {
    struct Case {
        int32_t depth, width, height;
    } cases[] = {{24, 4, 3}, {24, 5, 3}, {32, 3, 5}, {24, 1, 1}, {32, 2, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.depth << " bits " << c.width << "x" << c.height);
        DrawingContext* context = openCanvas(1, c.width, c.height, c.depth);
        ASSERT_NE(context, nullptr);
        Pixels pixels(1);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                pixels.set(x, y, 0x805A0000u | uint32_t(y + 1) << 8 | uint32_t(x + 1));
        // 0x00BBGGRR of pixel (x, y) stored above; alpha plays no part in mode 0.
        auto own = [](int32_t x, int32_t y) {
            return uint32_t(x + 1) << 16 | uint32_t(y + 1) << 8 | 0x5Au;
        };
        for (const char* step : {"fresh", "clipped", "unclipped"}) {
            SCOPED_TRACE(step);
            bool clipped = step[0] == 'c';
            if (clipped) context->clipOutput(context, 1, 1, c.width, c.height);
            if (step[0] == 'u') context->unclipOutput(context);
            for (int32_t y = 0; y < c.height; ++y)
                for (int32_t x = 0; x < c.width; ++x) {
                    bool seen = !clipped || (x >= 1 && y >= 1);
                    EXPECT_EQ(readPixel(x, y), seen ? own(x, y) : 0u) << x << "," << y;
                }
        }
        if (c.width > 1 && c.height > 1) {
            context->clipOutput(context, 1, 1, c.width, c.height);
            context->colourPlotter(context, 0, 0, 0x00010203);
            EXPECT_EQ(pixels.argb(1, 1) & 0xFFFFFF, 0x030201u);
        }
        endDrawing();
    }
}

// A record made for another output kind may keep its rows top-down: row 0
// is then first in memory.
TEST(PixelRows, TheRowOrderFlagPlacesRowZero) {
    struct Case {
        uint32_t flags;
        int32_t x, y;
        size_t offset;  // of the pixel's first byte; rows of 8 bytes
    } cases[] = {
        {FORMAT_24_BIT, 0, 0, 0},
        {FORMAT_24_BIT, 1, 2, 19},
        {FORMAT_BOTTOM_UP | FORMAT_24_BIT, 0, 0, 16},
        {FORMAT_BOTTOM_UP | FORMAT_24_BIT, 1, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.flags << " " << c.x << "," << c.y);
        unsigned char bits[24] = {};
        DrawingContext record = {};
        initDrawingContext(&record, c.flags);
        record.pixelBits = bits;
        record.rowPitch = 8;
        record.outputWidth = 2;
        record.outputHeight = 3;
        placeRows(&record);
        bits[c.offset] = 0x10, bits[c.offset + 2] = 0x30;
        EXPECT_EQ(record.pixelReader(&record, c.x, c.y), 0x00100030u);
        bits[c.offset] = 0, bits[c.offset + 2] = 0;
        record.colourPlotter(&record, c.x, c.y, 0x00445566);
        EXPECT_EQ(bits[c.offset + 1], 0x55);
        EXPECT_EQ(std::count(bits, bits + sizeof bits, 0), 21);
    }
}

TEST_F(PixelAccess, NothingOutsideTheOutputIsReadOrWritten) {
    for (int32_t depth : {24, 32}) {
        DrawingContext* context = openCanvas(1, 5, 4, depth, 0xFFFFFF);
        ASSERT_NE(context, nullptr);
        Pixels pixels(1);
        std::vector<unsigned char> before(pixels.bits, pixels.bits + pixels.pitch * 4);
        const int32_t outside[][2] = {{-1, 0},
                                      {0, -1},
                                      {5, 0},
                                      {0, 4},
                                      {INT32_MIN, 0},
                                      {0, INT32_MAX},
                                      {INT32_MAX, INT32_MIN},
                                      {-1, -1}};
        for (uint32_t mode : {0u, 0x02u, 0x08u, 0x10u, 0x20u, 0x40u, 0x80u, 0x100u}) {
            context->setDrawingMode(context, mode);
            for (const auto& xy : outside) {
                EXPECT_EQ(context->pixelReader(context, xy[0], xy[1]), 0u);
                context->frontPlotter(context, xy[0], xy[1]);
                context->colourPlotter(context, xy[0], xy[1], 0x12345678);
            }
        }
        EXPECT_EQ(readPixel(INT32_MAX, 0), 0u);
        EXPECT_EQ(std::memcmp(before.data(), pixels.bits, before.size()), 0) << depth;
        endDrawing();
    }
}

// Each mode at each depth, as a caller sees it: the mode the session keeps,
// what reading a pixel gives (with its alpha or without), and the pixel
// after plotting half-transparent red on it, through both plotter forms.
// The pixel before is 0x64102030 (0xAABBGGRR; alpha dropped at 24 bits);
// the custom mode swaps red and blue and sets alpha 0x7F; the gradient has
// no stops and gives white.
TEST_F(PixelAccess, EachModeAtEachDepthGivesItsPixel) {
    struct Case {
        int32_t depth;
        uint32_t mode, kept, read, plotted;
        const char* acts;
    } cases[] = {
        {24, 0x000, 0x000, 0x00102030, 0x000000FF, "solid"},
        {24, 0x100, 0x000, 0x00102030, 0x000000FF, "solid: no alpha to write"},
        {32, 0x100, 0x100, 0x64102030, 0x800000FF, "all channels"},
        {32, 0x118, 0x100, 0x64102030, 0x800000FF, "all channels wins over blend and alpha only"},
        {24, 0x118, 0x000, 0x00102030, 0x000000FF, "solid"},
        {32, 0x018, 0x018, 0x64102030, 0x80102030, "alpha only"},
        {24, 0x018, 0x018, 0x00102030, 0x00102030, "alpha only: nothing at 24 bits"},
        {24, 0x010, 0x010, 0x00102030, 0x00070F97, "blend"},
        {24, 0x020, 0x020, 0x00102030, 0x00070F97, "blend: no alpha to keep"},
        {32, 0x010, 0x010, 0x64102030, 0xB10408C5, "blend with alpha"},
        {32, 0x020, 0x020, 0x64102030, 0x640408C5, "blend keeping alpha"},
        {32, 0x012, 0x012, 0x64102030, 0x641020CF, "xor, read with alpha"},
        {32, 0x002, 0x002, 0x00102030, 0x641020CF, "xor, read without alpha"},
        {32, 0x040, 0x040, 0x00102030, 0x64FFFFFF, "gradient"},
        {32, 0x050, 0x050, 0x64102030, 0xFFFFFFFF, "gradient blended"},
        {24, 0x090, 0x090, 0x00102030, 0x00302010, "custom"},
        {32, 0x080, 0x080, 0x64102030, 0x7F302010, "custom"},
        {32, 0x110, 0x100, 0x64102030, 0x800000FF, "all channels wins over blend"},
        {32, 0x005, 0x005, 0x00102030, 0x640000FF, "solid: unknown bits ignored"},
    };
    const uint32_t before = 0x64102030, red = 0x800000FF;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.depth << " bits, mode 0x" << std::hex << c.mode << ": " << c.acts);
        DrawingContext* context = openCanvas(1, 2, 2, c.depth);
        ASSERT_NE(context, nullptr);
        context->customCallback = swapChannels;
        context->frontColour = red;
        Pixels pixels(1);
        store(pixels, 1, 0, before);
        context->setDrawingMode(context, c.mode);
        EXPECT_EQ(context->drawingMode, c.kept);
        EXPECT_EQ(readPixel(1, 0), c.read);
        context->frontPlotter(context, 1, 0);
        EXPECT_EQ(stored(pixels, 1, 0), c.plotted) << "front form";
        store(pixels, 1, 0, before);
        context->colourPlotter(context, 1, 0, red);
        EXPECT_EQ(stored(pixels, 1, 0), c.plotted) << "colour form";
        endDrawing();
    }
}

TEST_F(PixelAccess, ColoursAreSplitOncePerModeChange) {
    DrawingContext* context = openCanvas(1, 2, 2, 32);
    ASSERT_NE(context, nullptr);
    context->frontColour = 0x80FF4020;
    context->backColour = 0x0A010203;
    context->setDrawingMode(context, 0x10);
    EXPECT_EQ(context->frontComponents.red, 0x20 * 0x80);
    EXPECT_EQ(context->frontComponents.green, 0x40 * 0x80);
    EXPECT_EQ(context->frontComponents.blue, 0xFF * 0x80);
    EXPECT_EQ(context->frontComponents.alpha, 0x80);
    EXPECT_EQ(context->frontComponents.inverseAlpha, 0x7F);
    EXPECT_EQ(context->backComponents.red, 3 * 10);
    context->setDrawingMode(context, 0);
    EXPECT_EQ(context->frontComponents.blue, 0xFF);
    EXPECT_EQ(context->backComponents.blue, 1);
}

TEST_F(PixelAccess, PlottersCombineTheColourWithThePixel) {
    struct Case {
        const char* name;
        int32_t depth;
        uint32_t mode, colour, before, after;
    } cases[] = {
        {"solid", 24, 0x000, 0x80112233, 0x00FFFFFF, 0x00112233},
        {"solid keeps alpha", 32, 0x000, 0x80112233, 0x7F000000, 0x7F112233},
        {"xor", 24, 0x002, 0x000F0F0F, 0x00F0F0FF, 0x00FFFFF0},
        {"xor keeps alpha", 32, 0x002, 0xFF0F0F0F, 0x10F0F0FF, 0x10FFFFF0},
        {"blend opaque", 24, 0x010, 0xFF102030, 0x00FFFFFF, 0x00102030},
        {"blend clear", 24, 0x010, 0x00102030, 0x00ABCDEF, 0x00ABCDEF},
        {"blend half", 24, 0x010, 0x80FF0000, 0x00000000, 0x00800000},
        {"blend keep on 3 bytes", 24, 0x020, 0x80FF0000, 0x00000000, 0x00800000},
        {"alpha only", 32, 0x008, 0x40112233, 0xFFABCDEF, 0x40ABCDEF},
        {"alpha only on 3 bytes", 24, 0x008, 0x40112233, 0x00ABCDEF, 0x00ABCDEF},
        {"all channels", 32, 0x100, 0x40112233, 0xFFABCDEF, 0x40112233},
        {"blend alpha on clear", 32, 0x010, 0x80102030, 0x00ABCDEF, 0x80102030},
        {"blend alpha clear source", 32, 0x010, 0x00102030, 0x33ABCDEF, 0x33ABCDEF},
        {"blend alpha opaque", 32, 0x010, 0xFF102030, 0xC8ABCDEF, 0xFF102030},
        {"blend alpha half over opaque", 32, 0x010, 0x800000FF, 0xFF000000, 0xFF000080},
        {"blend alpha half over 100", 32, 0x010, 0x800000FF, 0x64000000, 0xB10000B7},
        {"blend keep alpha half over 100", 32, 0x020, 0x800000FF, 0x64000000, 0x640000B7},
        {"gradient at its end", 24, 0x040, 0x00000000, 0x00000000, 0x00FFFFFF},
        {"gradient blended", 24, 0x050, 0x00000000, 0x00000000, 0x00FFFFFF},
        {"gradient alpha only", 32, 0x048, 0x00000000, 0x00000000, 0xFF000000},
        {"gradient xor", 32, 0x042, 0x00000000, 0x0A0F0F0F, 0x0AF0F0F0},
        {"custom", 24, 0x080, 0x11223344, 0x00ABCDEF, 0x00EFCDAB},
        {"custom sets alpha", 32, 0x080, 0x11223344, 0x01ABCDEF, 0x7FEFCDAB},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int form = 0; form < 2; ++form) {
            DrawingContext* context = openCanvas(1, 2, 2, c.depth);
            ASSERT_NE(context, nullptr);
            context->customCallback = swapChannels;
            Pixels pixels(1);
            store(pixels, 1, 0, c.before);
            context->frontColour = c.colour;
            context->setDrawingMode(context, c.mode);
            if (form == 0)
                context->frontPlotter(context, 1, 0);
            else
                context->colourPlotter(context, 1, 0, c.colour);
            EXPECT_EQ(stored(pixels, 1, 0), c.after) << (form ? "colour form" : "front form");
            EXPECT_EQ(stored(pixels, 0, 0), c.depth == 32 ? 0xFF000000u : 0u);  // its neighbour
            endDrawing();
        }
    }
}

TEST_F(PixelAccess, TheCustomCallbackSeesPositionSourceAndTarget) {
    DrawingContext* context = openCanvas(1, 4, 4);
    ASSERT_NE(context, nullptr);
    context->customCallback = swapChannels;
    context->setDrawingMode(context, 0x80);
    store(Pixels(1), 3, 2, 0x00010203);
    context->colourPlotter(context, 3, 2, 0x44556677);
    EXPECT_EQ(context->frontColour, 0x44556677u);
    EXPECT_EQ(lastCustom[0], 3u);
    EXPECT_EQ(lastCustom[1], 2u);
    EXPECT_EQ(lastCustom[2], 0x44556677u);
    EXPECT_EQ(lastCustom[3], 0xFF010203u);  // a 3-byte pixel counts as opaque
}

}  // namespace
