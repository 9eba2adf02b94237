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

TEST_F(PixelAccess, TheTopRowLiesLastInMemory) {
    DrawingContext* context = openCanvas(1, 257, 257);
    ASSERT_NE(context, nullptr);
    unsigned char* bits = context->pixelBits;
    bits[0] = 0x01;                         // first row in memory, x = 0
    bits[256 * 772 + 2] = 0x02;             // last row in memory, x = 0, red
    bits[198400] = 0x03;                    // (256, 0): blue
    bits[198402] = 0x04;                    // (256, 0): red
    bits[198403] = 0xFF;                    // row padding, never read
    EXPECT_EQ(readPixel(0, 256), 0x00010000u);
    EXPECT_EQ(readPixel(0, 0), 0x00000002u);
    EXPECT_EQ(readPixel(256, 0), 0x00030004u);
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
            for (int32_t x = 0; x < c.width; ++x) pixels.set(x, y, 0x805A0000u | uint32_t(y + 1) << 8 | uint32_t(x + 1));
        // 0x00BBGGRR of pixel (x, y) stored above; alpha plays no part in mode 0.
        auto own = [](int32_t x, int32_t y) { return uint32_t(x + 1) << 16 | uint32_t(y + 1) << 8 | 0x5Au; };
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
        const int32_t outside[][2] = {{-1, 0}, {0, -1}, {5, 0}, {0, 4}, {INT32_MIN, 0},
                                      {0, INT32_MAX}, {INT32_MAX, INT32_MIN}, {-1, -1}};
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

TEST_F(PixelAccess, TheModeChoosesThePixelRoutines) {
    struct Case {
        int32_t depth;
        uint32_t mode, stored;
        FrontPlotter front;
        ColourPlotter colour;
        SessionPixelReader reader;
        uint32_t premultiplied;
    } cases[] = {
        {24, 0x000, 0x000, plotSolid, plotSolidColour, readRgb, 0},
        {24, 0x100, 0x000, plotSolid, plotSolidColour, readRgb, 0},
        {32, 0x100, 0x100, plotAllChannels, plotAllChannelsColour, readRgba, 0},
        {32, 0x118, 0x100, plotAllChannels, plotAllChannelsColour, readRgba, 0},
        {24, 0x118, 0x000, plotSolid, plotSolidColour, readRgb, 0},
        {32, 0x018, 0x018, plotAlphaOnly, plotAlphaOnlyColour, readRgba, 1},
        {24, 0x018, 0x018, plotNothing, plotNothingColour, readRgb, 1},
        {24, 0x010, 0x010, plotBlend, plotBlendColour, readRgb, 1},
        {24, 0x020, 0x020, plotBlend, plotBlendColour, readRgb, 1},
        {32, 0x010, 0x010, plotBlendAlpha, plotBlendAlphaColour, readRgba, 1},
        {32, 0x020, 0x020, plotBlendKeepAlpha, plotBlendKeepAlphaColour, readRgba, 1},
        {32, 0x012, 0x012, plotXor, plotXorColour, readRgba, 0},
        {32, 0x002, 0x002, plotXor, plotXorColour, readRgb, 0},
        {32, 0x040, 0x040, plotGeneral, plotGeneralColour, readRgb, 0},
        {32, 0x050, 0x050, plotGeneral, plotGeneralColour, readRgba, 0},
        {24, 0x090, 0x090, plotGeneral, plotGeneralColour, readRgb, 0},
        {32, 0x080, 0x080, plotGeneral, plotGeneralColour, readRgba, 0},
        {32, 0x110, 0x100, plotAllChannels, plotAllChannelsColour, readRgba, 0},
        {32, 0x005, 0x005, plotSolid, plotSolidColour, readRgb, 0},
    };
    for (int32_t depth : {24, 32}) {
        DrawingContext* context = openCanvas(1, 2, 2, depth);
        ASSERT_NE(context, nullptr);
        for (const Case& c : cases) {
            if (c.depth != depth) continue;
            SCOPED_TRACE(testing::Message() << depth << " bits, mode 0x" << std::hex << c.mode);
            context->setDrawingMode(context, c.mode);
            EXPECT_EQ(context->drawingMode, c.stored);
            EXPECT_EQ(context->frontPlotter, c.front);
            EXPECT_EQ(context->colourPlotter, c.colour);
            EXPECT_EQ(context->pixelReader, c.reader);
            EXPECT_EQ(context->premultiplied, c.premultiplied);
            EXPECT_EQ(context->gradientMode, c.stored & 0x40);
            EXPECT_EQ(context->customMode, c.stored & 0x80);
        }
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

uint32_t lastCustom[4];

uint32_t swapChannels(int32_t x, int32_t y, uint32_t source, uint32_t target) {
    lastCustom[0] = x, lastCustom[1] = y, lastCustom[2] = source, lastCustom[3] = target;
    return 0x7F000000 | (target & 0xFF) << 16 | (target & 0xFF0000) >> 16 | (target & 0xFF00);
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
