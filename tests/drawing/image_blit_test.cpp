#include <climits>
#include <cstring>
#include <random>

#include "drawing/image_blit.h"
#include "image/icon_file.h"
#include "drawing/pixel_access.h"
#include "drawing_fixture.h"
#include "tests/platform/dib_test_bytes.h"

namespace {

using ImageBlit = DrawingTest;

const uint32_t kBackground = 0x00563412;  // 0xAARRGGBB as stored: red 0x56

// How many canvas pixels differ from `picture` placed with its top left
// pixel at (x, y), with `background` everywhere else; reports the first few.
template <typename Picture>
int misplaced(const Pixels& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
              const Picture& picture, uint32_t background) {
    int mismatches = 0;
    for (int32_t cy = 0; cy < canvas.height; ++cy)
        for (int32_t cx = 0; cx < canvas.width; ++cx) {
            int64_t px = int64_t(cx) - x, py = int64_t(cy) - y;
            bool covered = px >= 0 && py >= 0 && px < width && py < height;
            uint32_t want = covered ? picture(int32_t(px), int32_t(py)) : background;
            if ((canvas.argb(cx, cy) & 0xFFFFFF) != want && ++mismatches < 5)
                ADD_FAILURE() << "canvas " << cx << "," << cy << ": " << std::hex
                              << canvas.argb(cx, cy) << " instead of " << want;
        }
    return mismatches;
}

// The same for image 1, the canvas of these tests, with their background.
template <typename Picture>
void expectPlaced(int32_t canvasWidth, int32_t canvasHeight, int32_t x, int32_t y, int32_t width,
                  int32_t height, const Picture& picture) {
    SCOPED_TRACE(testing::Message() << "at " << x << "," << y);
    Pixels canvas(1);
    ASSERT_EQ(canvas.width, canvasWidth);
    ASSERT_EQ(canvas.height, canvasHeight);
    EXPECT_EQ(misplaced(canvas, x, y, width, height, picture, kBackground), 0);
}

// Each picture, drawn on a canvas of `canvas` square filled with the
// background, covers exactly its own pixels, cut at the canvas edges.
TEST_F(ImageBlit, PicturesLandAtTheirPositionCutAtTheEdges) {
    const char* const small = "drawing/small_10_24bit_pillow.bmp";
    const char* const large = "drawing/large_300_24bit_magick.bmp";
    const char* const gradient = "bmp/gradient_32bit_variedalpha_magick.bmp";
    struct Case {
        const char* picture;
        const char* expected;  // .rgb or .rgba of the picture
        int32_t width, height, canvas, depth, x, y;
    } cases[] = {
        {"bmp/sheet_24bit_magick.bmp", "bmp/sheet_24bit_magick.rgb", 256, 256, 257, 24, 0, 0},
        {large, "drawing/large_300.rgba", 300, 300, 257, 24, 0, 0},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, 0, 0},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, -3, 0},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, 0, -4},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, 250, 251},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, -9, 256},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, -10, 0},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, 257, 3},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, INT32_MIN, INT32_MIN},
        {small, "drawing/small_10.rgba", 10, 10, 257, 24, INT32_MAX, INT32_MAX},
        {large, "drawing/large_300.rgba", 300, 300, 257, 24, -40, -30},
        // A 32-bit picture gives its colour whatever its alpha; on a 32-bit
        // canvas the alpha is kept.
        {gradient, "bmp/gradient_32bit_variedalpha_magick.rgb", 23, 17, 30, 24, 2, 3},
        {gradient, "bmp/gradient_32bit_variedalpha_magick.rgb", 23, 17, 30, 32, 2, 3},
        // PNG icon sheets are copied exactly.
        {"ico/sheet_png_magick.ico", "ico/sheet_png.rgb", 256, 256, 257, 24, 0, 0},
        {"ico/sheet_png_pillow.ico", "ico/sheet_png.rgb", 256, 256, 257, 24, 0, 0},
        // A one-bit icon is drawn from its colour bitmap.
        {"ico/duo_1bit_magick.ico", "ico/duo_1bit_magick.rgb", 16, 16, 20, 24, 2, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.picture << " on " << c.depth << " bits");
        HANDLE picture = loadFixture(0, c.picture);
        ASSERT_NE(picture, nullptr);
        ASSERT_NE(openCanvas(1, c.canvas, c.canvas, c.depth, 0x123456), nullptr);
        drawImage(picture, c.x, c.y);
        Expected expected = expectation(c.expected, c.width);
        ASSERT_EQ(expected.bytes.size(), size_t(c.width) * c.height * expected.channels);
        expectPlaced(c.canvas, c.canvas, c.x, c.y, c.width, c.height,
                     [&](int32_t x, int32_t y) { return expected.argb(x, y) & 0xFFFFFF; });
        if (c.depth == 32) EXPECT_EQ(Pixels(1).argb(c.x, c.y) >> 24, 0xFFu);
        endDrawing();
    }
}

TEST_F(ImageBlit, ATopDownFileLandsUpright) {
    // 3 by 2 pixels, biHeight -2: the top row comes first in the file.
    std::vector<unsigned char> file = {'B', 'M', 78, 0, 0, 0, 0,  0, 0,    0,    54,   0,    0, 0,
                                       40,  0,   0,  0, 3, 0, 0,  0, 0xFE, 0xFF, 0xFF, 0xFF, 1, 0,
                                       24,  0,   0,  0, 0, 0, 24, 0, 0,    0,    0,    0,    0, 0,
                                       0,   0,   0,  0, 0, 0, 0,  0, 0,    0,    0,    0};
    const unsigned char rows[2][12] = {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                                       {11, 12, 13, 14, 15, 16, 17, 18, 19, 0, 0, 0}};
    file.insert(file.end(), &rows[0][0], &rows[0][0] + 24);
    ASSERT_TRUE(decodeImageMemory(0, file.data(), uint32_t(file.size())));
    ASSERT_NE(openCanvas(1, 5, 5, 24, 0x123456), nullptr);
    drawImage(imageHandle(0), 1, 1);
    expectPlaced(5, 5, 1, 1, 3, 2, [&](int32_t x, int32_t y) {
        const unsigned char* p = &rows[y][x * 3];
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    });
}

TEST_F(ImageBlit, IconsKeepTheCanvasUnderTheirTransparentPixels) {
    Expected holes{fixtureBytes("drawing/holes.rgba"), 32};
    ASSERT_EQ(holes.bytes.size(), 32u * 32 * 4);
    for (const char* icon : {"drawing/holes_32bit_magick.ico", "drawing/holes_8bit_magick.ico",
                             "drawing/holes_png_pillow.ico"}) {
        SCOPED_TRACE(icon);
        HANDLE picture = loadFixture(0, icon);
        ASSERT_NE(picture, nullptr);
        for (int32_t depth : {24, 32}) {
            ASSERT_NE(openCanvas(1, 40, 40, depth, 0x123456), nullptr);
            drawImage(picture, 5, -2);
            expectPlaced(40, 40, 5, -2, 32, 32, [&](int32_t x, int32_t y) {
                uint32_t pixel = holes.argb(x, y);
                return pixel >> 24 ? pixel & 0xFFFFFF : kBackground;
            });
            endDrawing();
        }
    }
}

TEST_F(ImageBlit, TheCanvasDrawnOntoItselfMovesWhole) {
    for (auto shift : {std::make_pair(1, 0), std::make_pair(-2, 1), std::make_pair(0, -1)}) {
        SCOPED_TRACE(testing::Message() << shift.first << "," << shift.second);
        ASSERT_NE(openCanvas(1, 6, 5), nullptr);
        Pixels canvas(1);
        auto original = [](int32_t x, int32_t y) { return uint32_t(0x010203 * (y * 6 + x + 1)); };
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 6; ++x) canvas.set(x, y, original(x, y));
        drawImage(imageHandle(1), shift.first, shift.second);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 6; ++x) {
                int32_t fromX = x - shift.first, fromY = y - shift.second;
                bool moved = fromX >= 0 && fromY >= 0 && fromX < 6 && fromY < 5;
                ASSERT_EQ(canvas.argb(x, y), moved ? original(fromX, fromY) : original(x, y))
                    << x << "," << y;
            }
        endDrawing();
    }
}

TEST_F(ImageBlit, ThingsThatAreNoPictureDrawNothing) {
    DrawingContext* context = openCanvas(1, 4, 4, 24, 0x123456);
    ASSERT_NE(context, nullptr);
    HBRUSH brush = CreateSolidBrush(0xFFFFFF);
    EXPECT_FALSE(drawImage(nullptr, 0, 0));
    EXPECT_FALSE(drawImage(brush, 0, 0));
    EXPECT_FALSE(drawImage(reinterpret_cast<HANDLE>(intptr_t(0x4321)), 0, 0));
    context->alphaImageBlitter(context, nullptr, 0, 0, 255);
    context->sizedImageBlitter(context, nullptr, 0, 0, 2, 2);
    DeleteObject(brush);
    expectPlaced(4, 4, 0, 0, 0, 0, [](int32_t, int32_t) { return 0u; });
}

// drawImage tells the caller whether the picture reached the canvas: a
// platform step that fails on the way (an icon whose bitmaps cannot be
// had, a handle that is no picture) must not pass for a drawn picture.
TEST_F(ImageBlit, DrawImageAnswersWhetherItDrew) {
    HANDLE bitmap = loadFixture(0, "drawing/small_10_24bit_pillow.bmp");
    HANDLE icon = loadFixture(2, "ico/eight_4bit_magick.ico");
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(icon, nullptr);
    std::vector<unsigned char> file = fixtureBytes("ico/eight_4bit_magick.ico");
    HICON destroyed = iconFromMemory(file.data(), uint32_t(file.size()));
    ASSERT_NE(destroyed, nullptr);
    DestroyIcon(destroyed);
    HBRUSH brush = CreateSolidBrush(0xFFFFFF);
    const struct {
        const char* what;
        HANDLE handle;
        int32_t x;
        bool drawn;
    } cases[] = {
        {"a bitmap", bitmap, 0, true},
        {"an icon", icon, 0, true},
        {"a bitmap wholly outside", bitmap, 1000, true},
        {"an icon wholly outside", icon, -1000, true},
        {"a destroyed icon", destroyed, 0, false},
        {"a brush", brush, 0, false},
        {"no handle", nullptr, 0, false},
    };
    ASSERT_NE(openCanvas(1, 20, 20, 24, 0x123456), nullptr);
    for (const auto& c : cases) EXPECT_EQ(drawImage(c.handle, c.x, 0), c.drawn) << c.what;
    endDrawing();
    EXPECT_FALSE(drawImage(bitmap, 0, 0)) << "without a session";
    DeleteObject(brush);
}

// Colours below are 0xAARRGGBB, as stored in memory.
// The callback's colours are 0xAABBGGRR: blue from the source, green from
// the target, red the position.
uint32_t customResult(int32_t x, int32_t y, uint32_t source, uint32_t target) {
    return 0x40000000 | (source & 0xFF0000) | (target & 0xFF00) | uint32_t(x * 16 + y);
}

TEST_F(ImageBlit, TheModeAndOpacityDecideEachPixel) {
    struct Case {
        const char* name;
        int32_t sourceDepth, targetDepth;
        uint32_t mode;
        int32_t opacity, useSourceAlpha;
        uint32_t source, target, after;
    } cases[] = {
        {"24 on 24", 24, 24, 0, 255, 0, 0x00A0B0C0, 0x00010203, 0x00A0B0C0},
        {"24 on 24 unseen", 24, 24, 0, 0, 0, 0x00A0B0C0, 0x00010203, 0x00010203},
        {"24 on 24 faded", 24, 24, 0, 128, 0, 0x00FF0000, 0x00000000, 0x00800000},
        {"32 on 24", 32, 24, 0, 255, 0, 0x10A0B0C0, 0x00010203, 0x00A0B0C0},
        {"32 on 24 ignores opacity", 32, 24, 0, 0, 0, 0x10A0B0C0, 0x00010203, 0x00A0B0C0},
        {"32 on 24 by alpha", 32, 24, 0, 255, 1, 0x80FF0000, 0x00000000, 0x00800000},
        {"32 on 24 by alpha and opacity", 32, 24, 0, 128, 1, 0xFFFF0000, 0x00000000, 0x00800000},
        {"32 on 24 clear", 32, 24, 0, 255, 1, 0x00FFFFFF, 0x00010203, 0x00010203},
        {"24 on 32", 24, 32, 0, 255, 0, 0x00A0B0C0, 0x7F010203, 0x7FA0B0C0},
        {"24 on 32 unseen", 24, 32, 0, 0, 0, 0x00A0B0C0, 0x7F010203, 0x7F010203},
        {"24 on 32 faded", 24, 32, 0, 128, 0, 0x00FF0000, 0xFF000000, 0xFF800000},
        {"32 on 32", 32, 32, 0, 255, 0, 0x10A0B0C0, 0x7F010203, 0x7FA0B0C0},
        {"32 on 32 by alpha", 32, 32, 0, 255, 1, 0x80FF0000, 0x64000000, 0xB1B70000},
        {"32 on 32 on clear", 32, 32, 0, 255, 1, 0x80A0B0C0, 0x00010203, 0x80A0B0C0},
        {"custom", 24, 24, 0x80, 255, 0, 0x000000AA, 0x0000BB00, 0x0011BBAA},
        {"custom sets alpha", 32, 32, 0x80, 255, 0, 0x000000AA, 0x0000BB00, 0x4011BBAA},
        {"xor", 32, 24, 0x02, 255, 1, 0x800F0F0F, 0x00F0F0FF, 0x00FFFFF0},
        {"alpha only on 24", 32, 24, 0x08, 255, 1, 0xFFFFFFFF, 0x00010203, 0x00010203},
        {"blend on 24", 32, 24, 0x10, 255, 0, 0x80FF0000, 0x00000000, 0x00800000},
        {"blend on 24 from 24", 24, 24, 0x10, 128, 0, 0x00FF0000, 0x00000000, 0x00800000},
        {"all channels from 24", 24, 32, 0x100, 0x40, 0, 0x00A0B0C0, 0xFF010203, 0x40A0B0C0},
        {"all channels from 32", 32, 32, 0x100, 128, 1, 0xFFA0B0C0, 0x01010203, 0x80A0B0C0},
        {"all channels copy", 32, 32, 0x100, 255, 1, 0x33A0B0C0, 0x01010203, 0x33A0B0C0},
        {"alpha only from 24", 24, 32, 0x08, 0x40, 0, 0x00A0B0C0, 0xFF010203, 0x40010203},
        {"alpha only from 32", 32, 32, 0x08, 128, 1, 0xFFA0B0C0, 0xFF010203, 0x80010203},
        {"blend from 24", 24, 32, 0x10, 128, 0, 0x00FF0000, 0x64000000, 0xB1B70000},
        {"blend keep alpha", 32, 32, 0x20, 255, 1, 0x80FF0000, 0x64000000, 0x64B70000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(createImage(0, 1, 1, c.sourceDepth));
        Pixels(0).set(0, 0, c.source);
        DrawingContext* context = openCanvas(1, 3, 2, c.targetDepth);
        ASSERT_NE(context, nullptr);
        context->customCallback = customResult;
        context->setDrawingMode(context, c.mode);
        Pixels canvas(1);
        canvas.set(1, 1, c.target);
        blitImage(context, imageHandle(0), 1, 1, -1, -1, c.opacity, c.useSourceAlpha);
        EXPECT_EQ(canvas.argb(1, 1), c.after) << std::hex << canvas.argb(1, 1);
        EXPECT_EQ(canvas.argb(0, 1) & 0xFFFFFF, 0u);  // the neighbours stay
        EXPECT_EQ(canvas.argb(2, 1) & 0xFFFFFF, 0u);
        EXPECT_EQ(canvas.argb(1, 0) & 0xFFFFFF, 0u);
        endDrawing();
    }
}

TEST_F(ImageBlit, HalfTransparentRedOverBlackGivesHalfRed) {
    ASSERT_TRUE(createImage(0, 2, 1, 32));
    Pixels(0).set(0, 0, 0x80FF0000);
    Pixels(0).set(1, 0, 0x80FF0000);
    DrawingContext* context = openCanvas(1, 257, 257);
    ASSERT_NE(context, nullptr);
    context->alphaImageBlitter(context, imageHandle(0), 255, 256, 255);
    EXPECT_EQ(readPixel(255, 256), 128u);
    EXPECT_EQ(readPixel(256, 256), 128u);
    EXPECT_EQ(readPixel(254, 256), 0u);
}

TEST_F(ImageBlit, LowDepthSectionsAndDeviceBitmapsAreConvertedFirst) {
    // A 2 by 2, 8-bit palette DIB section, bottom-up.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info = {};
    info.header = dibtest::bitmapInfo(2, 2, 8).bmiHeader;
    info.colours[1] = {0x30, 0x20, 0x10, 0};
    info.colours[2] = {0x33, 0x22, 0x11, 0};
    info.colours[3] = {0x00, 0xFF, 0x00, 0};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    unsigned char* indexes = static_cast<unsigned char*>(bits);
    indexes[0] = 1, indexes[1] = 2;  // bottom row
    indexes[4] = 3, indexes[5] = 1;  // top row
    const uint32_t expected[2][2] = {{0x00FF00, 0x102030}, {0x102030, 0x112233}};
    ASSERT_NE(openCanvas(1, 4, 4, 24, 0x123456), nullptr);
    drawImage(section, 1, 1);
    expectPlaced(4, 4, 1, 1, 2, 2, [&](int32_t x, int32_t y) { return expected[y][x]; });
    endDrawing();
    DeleteObject(section);

    // An icon's colour bitmap, which the platform hands out device-dependent.
    HANDLE icon = loadFixture(0, "drawing/holes_png_pillow.ico");
    ASSERT_NE(icon, nullptr);
    ICONINFO parts;
    ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &parts));
    Expected holes{fixtureBytes("drawing/holes.rgba"), 32};
    ASSERT_NE(openCanvas(1, 40, 40, 24, 0x123456), nullptr);
    drawImage(parts.hbmColor, 3, 3);
    Pixels canvas(1);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            if (holes.argb(x, y) >> 24)  // colours of clear pixels are undefined
                ASSERT_EQ(canvas.argb(x + 3, y + 3), holes.argb(x, y) & 0xFFFFFF) << x << "," << y;
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
}

// Direct row blits from memory of any position and size: only the part
// inside the canvas changes, and nothing outside either buffer is touched
// (the sanitizer build watches the second part).
TEST_F(ImageBlit, ClippingNeverLeavesEitherBuffer) {
    std::mt19937 random(7);
    const int32_t edges[] = {
        INT32_MIN, INT32_MIN + 1, -1000000000,   -300,     -17, -1, 0, 1, 5, 16, 17,
        18,        1000000000,    INT32_MAX - 1, INT32_MAX};
    for (int32_t depth : {24, 32}) {
        DrawingContext* context = openCanvas(1, 17, 13, depth);
        ASSERT_NE(context, nullptr);
        Pixels canvas(1);
        for (int round = 0; round < 400; ++round) {
            int32_t sourceBytes = random() % 2 ? 3 : 4;
            int32_t width = 1 + random() % 40, height = 1 + random() % 40;
            int32_t x = random() % 3 ? edges[random() % 15] : int32_t(random() % 60) - 30;
            int32_t y = random() % 3 ? edges[random() % 15] : int32_t(random() % 60) - 30;
            int32_t pitch = (width * sourceBytes + 3) & ~3;
            std::vector<unsigned char> source(size_t(pitch) * height);
            for (size_t i = 0; i < source.size(); ++i)
                source[i] = static_cast<unsigned char>(random());
            canvas.fill(0);
            if (sourceBytes == 3)
                blitRows24(context, source.data(), pitch, x, y, width, height, 255);
            else
                blitRows32(context, source.data(), pitch, x, y, width, height, 255, 0);
            SCOPED_TRACE(testing::Message() << sourceBytes << " bytes " << width << "x" << height
                                            << " at " << x << "," << y);
            ASSERT_EQ(misplaced(
                          canvas, x, y, width, height,
                          [&](int32_t px, int32_t py) {
                              const unsigned char* p =
                                  &source[size_t(height - 1 - py) * pitch + px * sourceBytes];
                              return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
                          },
                          0),
                      0);
        }
        endDrawing();
    }
}

}  // namespace
