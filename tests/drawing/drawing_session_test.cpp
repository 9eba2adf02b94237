#include <climits>

#include "drawing/drawing_session.h"
#include "drawing_fixture.h"

namespace {

using DrawingSession = DrawingTest;

struct BlitCall {
    int calls;
    int32_t x, y;
} lastBlit;

// Answers false on every second call, so that drawImage's answer is seen
// to be the slot's.
bool recordBlit(DrawingContext*, HANDLE, int32_t x, int32_t y) {
    ++lastBlit.calls;
    lastBlit.x = x;
    lastBlit.y = y;
    return lastBlit.calls % 2 == 1;
}

TEST_F(DrawingSession, ImageOutputsTakeTheirFormatFromTheImage) {
    struct Case {
        int32_t depth;
        uint32_t formatFlags;
        int32_t bytesPerPixel, bitsPerPixel;
    } cases[] = {
        {24, 0x8010, 3, 24},
        {32, 0x8040, 4, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        ASSERT_TRUE(createImage(1, 257, 257, c.depth));
        DrawingContext* context = imageOutput(1);
        ASSERT_NE(context, nullptr);
        EXPECT_EQ(currentDrawingContext(), context);
        intptr_t dc = beginDrawing(context);
        EXPECT_NE(dc, 0);
        EXPECT_EQ(dc, reinterpret_cast<intptr_t>(context->deviceContext));
        EXPECT_EQ(context->bufferFormat(context), c.formatFlags);
        EXPECT_EQ(context->bytesPerPixel, c.bytesPerPixel);
        EXPECT_EQ(context->bitsPerPixel, c.bitsPerPixel);
        // The buffer is the image's pixel memory as the platform describes it.
        DIBSECTION section;
        ASSERT_EQ(GetObjectW(imageHandle(1), sizeof section, &section), int(sizeof section));
        EXPECT_EQ(context->bufferPitch(context), section.dsBm.bmWidthBytes);
        EXPECT_EQ(context->bufferAddress(context), section.dsBm.bmBits);
        EXPECT_EQ(context->outputWidth, 257);
        EXPECT_EQ(context->outputHeight, 257);
        EXPECT_EQ(context->originX, 0);
        EXPECT_EQ(context->originY, 0);
        // A fresh context: opaque white to opaque black, colours 0, mode 0.
        EXPECT_EQ(context->gradientStartColour, 0xFF000000u);
        EXPECT_EQ(context->gradientEndColour, 0xFFFFFFFFu);
        EXPECT_EQ(context->gradientCallback(5, 9), 1.0);
        EXPECT_EQ(context->customCallback(1, 2, 0x11223344, 0x55667788), 0x55667788u);
        EXPECT_EQ(context->drawingMode, 0u);
        EXPECT_EQ(context->frontComponents.inverseAlpha, 255);
        endDrawing();
        EXPECT_EQ(currentDrawingContext(), nullptr);
    }
}

// What beginDrawing hands back is a device context holding the image:
// platform drawing through it lands in the image's pixels.
TEST_F(DrawingSession, TheSessionsDeviceContextDrawsIntoTheImage) {
    for (int32_t depth : {24, 32}) {
        SCOPED_TRACE(depth);
        ASSERT_TRUE(createImage(1, 6, 4, depth));
        DrawingContext* context = imageOutput(1);
        ASSERT_NE(context, nullptr);
        HDC dc = reinterpret_cast<HDC>(beginDrawing(context));
        ASSERT_NE(dc, nullptr);
        RECT area = {1, 1, 3, 2};
        ASSERT_TRUE(FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
        EXPECT_EQ(readPixel(1, 1) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(readPixel(2, 1) & 0xFFFFFF, 0xFFFFFFu);
        EXPECT_EQ(readPixel(3, 1) & 0xFFFFFF, 0u);
        EXPECT_EQ(readPixel(1, 2) & 0xFFFFFF, 0u);
        endDrawing();
    }
}

TEST_F(DrawingSession, OnlyDibSectionImagesBecomeOutputs) {
    DrawingContext* open = openCanvas(1, 8, 8);
    ASSERT_NE(open, nullptr);
    ASSERT_TRUE(loadFixture(2, "ico/eight_4bit_magick.ico"));
    EXPECT_EQ(imageOutput(2), nullptr);   // an icon
    EXPECT_EQ(imageOutput(7), nullptr);   // no image
    EXPECT_EQ(imageOutput(-1), nullptr);  // no dynamic image either
    EXPECT_EQ(currentDrawingContext(), open);
    EXPECT_EQ(beginDrawing(nullptr), 0);
}

// A record that does not describe its bitmap would let the pixel routines
// misread rows or reach past the pixel memory: no output is made of it.
TEST_F(DrawingSession, RecordsThatDoNotDescribeTheirBitmapAreNoOutputs) {
    const struct {
        int32_t recordDepth, bits, recordWidth, recordHeight;
        bool output;
    } cases[] = {
        {24, 24, 8, 6, true},  {32, 32, 8, 6, true},  {24, 16, 8, 6, false}, {24, 32, 8, 6, false},
        {32, 24, 8, 6, false}, {24, 24, 9, 6, false}, {24, 24, 8, 7, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.recordDepth << " over " << c.bits << " bits, "
                                        << c.recordWidth << " x " << c.recordHeight);
        ImageObject* record = allocateImageRecord(3);
        ASSERT_NE(record, nullptr);
        record->handle = createImageBitmap(8, 6, 24);
        if (c.bits != 24) {
            DeleteObject(record->handle);
            BITMAPINFO info = {};
            info.bmiHeader = {sizeof(BITMAPINFOHEADER), 8, 6, 1, WORD(c.bits), BI_RGB};
            void* bits = nullptr;
            record->handle = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        }
        ASSERT_NE(record->handle, nullptr);
        record->width = int16_t(c.recordWidth);
        record->height = int16_t(c.recordHeight);
        record->depth = uint8_t(c.recordDepth);
        DrawingContext* context = imageOutput(3);
        EXPECT_EQ(context != nullptr, c.output);
        if (context) EXPECT_NE(beginDrawing(context), 0);
        endDrawing();
    }
}

TEST_F(DrawingSession, WithoutASessionTheEntriesDoNothing) {
    ASSERT_TRUE(createImage(0, 4, 4, 24, 0xFFFFFF));
    drawImage(imageHandle(0), 0, 0);
    EXPECT_EQ(readPixel(0, 0), 0u);
    endDrawing();
    endDrawing();
    EXPECT_EQ(currentDrawingContext(), nullptr);
}

TEST_F(DrawingSession, AFailedStartEndsTheSession) {
    ASSERT_TRUE(createImage(1, 4, 4));
    DrawingContext* context = imageOutput(1);
    ASSERT_NE(context, nullptr);
    context->pixelBits = nullptr;
    EXPECT_EQ(beginDrawing(context), 0);
    EXPECT_EQ(currentDrawingContext(), nullptr);
}

TEST_F(DrawingSession, EndDrawingRestoresTheBatchLimit) {
    DWORD before = GdiGetBatchLimit();
    ASSERT_NE(openCanvas(1, 4, 4), nullptr);
    EXPECT_EQ(GdiGetBatchLimit(), 1u);
    endDrawing();
    EXPECT_EQ(GdiGetBatchLimit(), before);
}

TEST_F(DrawingSession, TheTextStripIsAsWideAsTheTargetAndTallEnoughForHg) {
    for (int32_t width : {257, 3}) {
        SCOPED_TRACE(width);
        DrawingContext* context = openCanvas(1, width, 20);
        ASSERT_NE(context, nullptr);
        ASSERT_NE(context->textDC, nullptr);
        ASSERT_NE(context->textStrip, nullptr);
        SIZE hg = {0, 0};
        ASSERT_TRUE(GetTextExtentPoint32W(context->textDC, UTF16("Hg"), 2, &hg));
        int32_t expected = hg.cy + 20 > 50 ? hg.cy + 20 : 50;
        EXPECT_EQ(context->textStripHeight, expected);
        BITMAP strip;
        ASSERT_EQ(GetObjectW(context->textStrip, sizeof strip, &strip),
                  static_cast<int>(sizeof strip));
        EXPECT_EQ(strip.bmWidth, width);
        EXPECT_EQ(strip.bmHeight, expected);
        EXPECT_EQ(strip.bmBitsPixel, 24);
        EXPECT_EQ(context->textStripPitch, rowStride(width, 24));
        EXPECT_EQ(context->italicOverhang, 0);
        EXPECT_EQ(context->font, static_cast<HFONT>(GetStockObject(SYSTEM_FONT)));
        // Selecting the same font again keeps the strip.
        HBITMAP kept = context->textStrip;
        context->selectFont(context, reinterpret_cast<HFONT>(intptr_t(-1)));
        EXPECT_EQ(context->textStrip, kept);
        endDrawing();
    }
    EXPECT_EQ(measureItalicOverhang(static_cast<HFONT>(GetStockObject(SYSTEM_FONT))), 0);
}

TEST_F(DrawingSession, ClippingMovesTheOriginAndThePixelMemory) {
    struct Case {
        int32_t x, y, width, height;
        int32_t outputWidth, outputHeight, originX, originY;
        int32_t firstX, firstY;  // canvas pixel that the clip's (0, 0) is
    } cases[] = {
        {10, 20, 5, 5, 5, 5, -10, -20, 10, 20},
        {-3, -4, 10, 10, 7, 6, 0, 0, 0, 0},
        {95, 90, 10, 20, 5, 10, -95, -90, 95, 90},
        {150, 150, 10, 10, 0, 0, -100, -100, 100, 100},
        {-20, 5, 10, 10, 0, 10, 0, -5, 0, 5},
        {0, 0, INT32_MAX, INT32_MAX, 100, 100, 0, 0, 0, 0},
        {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 0, 0, 0, 0, 0},
        {50, 50, -5, -5, 0, 0, -50, -50, 50, 50},
    };
    DrawingContext* context = openCanvas(1, 100, 100);
    ASSERT_NE(context, nullptr);
    Pixels canvas(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.width << "x" << c.height);
        context->clipOutput(context, c.x, c.y, c.width, c.height);
        EXPECT_EQ(context->outputWidth, c.outputWidth);
        EXPECT_EQ(context->outputHeight, c.outputHeight);
        EXPECT_EQ(context->originX, c.originX);
        EXPECT_EQ(context->originY, c.originY);
        if (c.outputWidth > 0 && c.outputHeight > 0) {
            // The clip's top left pixel is the canvas pixel it covers.
            canvas.set(c.firstX, c.firstY, 0x123456);
            EXPECT_EQ(readPixel(c.firstX, c.firstY), 0x563412u);
            EXPECT_EQ(readPixel(c.firstX - 1, c.firstY), 0u);  // outside the clip
            canvas.set(c.firstX, c.firstY, 0);
        } else {
            EXPECT_EQ(readPixel(c.firstX, c.firstY), 0u);
        }
        context->unclipOutput(context);
        EXPECT_EQ(context->outputWidth, 100);
        EXPECT_EQ(context->outputHeight, 100);
        EXPECT_EQ(context->originX, 0);
        EXPECT_EQ(context->originY, 0);
        EXPECT_EQ(context->pixelBits, canvas.bits);
        // The whole canvas is back, at its own coordinates.
        canvas.set(99, 98, 0x0A0B0C);
        EXPECT_EQ(readPixel(99, 98), 0x0C0B0Au);
        canvas.set(99, 98, 0);
    }
}

TEST_F(DrawingSession, DrawImageAddsTheOrigin) {
    DrawingContext* context = openCanvas(1, 100, 100);
    ASSERT_NE(context, nullptr);
    context->imageBlitter = recordBlit;
    lastBlit = {};
    EXPECT_TRUE(drawImage(reinterpret_cast<HANDLE>(1), 3, 4));
    EXPECT_EQ(lastBlit.x, 3);
    EXPECT_EQ(lastBlit.y, 4);
    context->clipOutput(context, 10, 20, 5, 5);
    EXPECT_FALSE(drawImage(reinterpret_cast<HANDLE>(1), 3, 4));
    EXPECT_EQ(lastBlit.x, -7);
    EXPECT_EQ(lastBlit.y, -16);
    EXPECT_EQ(lastBlit.calls, 2);
}

TEST_F(DrawingSession, GrabCopiesTheVisiblePartOfARectangle) {
    for (int32_t depth : {24, 32}) {
        SCOPED_TRACE(depth);
        DrawingContext* context = openCanvas(1, 6, 5, depth);
        ASSERT_NE(context, nullptr);
        Pixels canvas(1);
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 6; ++x) canvas.set(x, y, 0x80000000u | (y << 8) | (x + 1));
        struct Case {
            int32_t x, y, width, height;
        } cases[] = {{1, 1, 3, 2}, {-2, -1, 4, 4}, {4, 3, 5, 5}, {10, 10, 2, 2}};
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
            intptr_t result = context->imageGrabber(context, 2, c.x, c.y, c.width, c.height);
            ASSERT_NE(result, 0);
            EXPECT_EQ(reinterpret_cast<HANDLE>(result), imageHandle(2));
            const ImageObject* image = findImage(2);
            ASSERT_NE(image, nullptr);
            EXPECT_EQ(image->width, c.width);
            EXPECT_EQ(image->height, c.height);
            EXPECT_EQ(image->depth, depth);
            EXPECT_EQ(image->formatTag, 0u);
            Pixels grabbed(2);
            for (int32_t y = 0; y < c.height; ++y)
                for (int32_t x = 0; x < c.width; ++x) {
                    int32_t cx = c.x + x, cy = c.y + y;
                    bool inside = cx >= 0 && cy >= 0 && cx < 6 && cy < 5;
                    EXPECT_EQ(grabbed.argb(x, y), inside ? canvas.argb(cx, cy) : 0u)
                        << x << "," << y;
                }
        }
        intptr_t dynamic = context->imageGrabber(context, -1, 0, 0, 2, 2);
        ASSERT_NE(dynamic, 0);
        EXPECT_EQ(Pixels(dynamic).argb(1, 1), canvas.argb(1, 1));
        EXPECT_EQ(context->imageGrabber(context, 3, 0, 0, 0, 5), 0);
        EXPECT_EQ(context->imageGrabber(context, 3, 0, 0, 5, -5), 0);
        endDrawing();
    }
}

}  // namespace
