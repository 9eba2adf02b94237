#include "drawing/drawing_session.h"

#include "drawing/image_blit.h"
#include "drawing/pixel_access.h"
#include "drawing/gradient.h"
#include "drawing/primitives.h"
#include "image/image_object.h"
#include "runtime/heaps.h"

namespace {

bool drawNoImage(DrawingContext*, HANDLE, int32_t, int32_t) { return false; }

// Stands in for "no session", so that the public entries run without a
// test: it has no pixels, so its reader answers 0, and its blitter draws
// nothing and says so. Built at compile time: it is there before start-up runs.
constexpr DrawingContext noSessionRecord() {
    DrawingContext record{};
    record.pixelReader = readRgb;
    record.imageBlitter = drawNoImage;
    return record;
}
DrawingContext noSession = noSessionRecord();

// The session the drawing entries act on, never null; sessionSlot mirrors
// it for the thread (null for no session) and is never read.
DrawingContext* currentDrawing = &noSession;
DWORD sessionSlot = TLS_OUT_OF_INDEXES;

const uint32_t backgroundBlack = 0;
const uint32_t textWhite = 0xFFFFFF;

void makeCurrent(DrawingContext* context) {
    currentDrawing = context ? context : &noSession;
    if (sessionSlot != TLS_OUT_OF_INDEXES) TlsSetValue(sessionSlot, context);
}

void freeContext(DrawingContext* context) {
    giveBackRecord(context);
    makeCurrent(nullptr);
}

BYTE* bufferAddress(DrawingContext* context) { return context->publishedBits; }
int32_t bufferPitch(DrawingContext* context) { return context->rowPitch; }
uint32_t bufferFormat(DrawingContext* context) { return context->formatFlags; }

DrawingContext* createDrawingContext(uint32_t formatFlags) {
    DrawingContext* context = static_cast<DrawingContext*>(takeRecord(sizeof(DrawingContext)));
    if (!context) return nullptr;
    makeCurrent(context);
    initDrawingContext(context, formatFlags);
    context->startOutput = startImageOutput;
    context->stopOutput = stopImageOutput;
    context->selectFont = selectFont;
    context->textWriter = writeText;
    context->textWidthGauge = textWidth;
    context->textHeightGauge = textHeight;
    context->rotatedTextWriter = writeRotatedText;
    context->imageBlitter = imageBlitter;
    context->sizedImageBlitter = sizedImageBlitter;
    context->alphaImageBlitter = alphaImageBlitter;
    context->imageGrabber = imageGrabber;
    return context;
}

// Memory address of output pixel (x, y) counted from the top.
BYTE* outputPixel(const DrawingContext* context, int32_t x, int32_t y) {
    int32_t row = context->rowsBottomUp ? context->outputHeight - 1 - y : y;
    return context->pixelBits + static_cast<intptr_t>(row) * context->rowPitch +
           static_cast<intptr_t>(x) * context->bytesPerPixel;
}

// Narrows [start, start + length) to [0, limit); the length may end up 0.
void clampSpan(int32_t* start, int32_t* length, int32_t limit) {
    int64_t from = *start, count = *length;
    if (from < 0) {
        count += from;
        from = 0;
    } else if (from > limit) {
        from = limit;
    }
    if (from + count > limit) count = limit - from;
    if (count < 0) count = 0;
    *start = static_cast<int32_t>(from);
    *length = static_cast<int32_t>(count);
}

// How much of [start, start + length) lies before 0.
int32_t cutBefore(int32_t start, int32_t length) {
    int64_t cut = start < 0 ? -static_cast<int64_t>(start) : 0;
    return static_cast<int32_t>(cut < length ? cut : length);
}

}  // namespace

void initDrawing() {
    // Tests start the runtime many times: one slot serves them all.
    if (sessionSlot == TLS_OUT_OF_INDEXES) sessionSlot = TlsAlloc();
    currentDrawing = &noSession;
}

DrawingContext* currentDrawingContext() {
    return currentDrawing == &noSession ? nullptr : currentDrawing;
}

void initDrawingContext(DrawingContext* context, uint32_t formatFlags) {
    context->rowsBottomUp = formatFlags & FORMAT_BOTTOM_UP;
    context->formatFlags = formatFlags;
    context->drawingMode = 0;
    context->bytesPerPixel = (formatFlags & (FORMAT_32_BIT | FORMAT_32_BIT_ALT)) ? 4 : 3;
    context->gradientEndColour = 0xFFFFFFFF;
    context->gradientStartColour = 0xFF000000;
    context->frontColour = 0;
    context->backColour = 0;
    context->unpackBackColour = unpackBackColour;
    context->boxDrawer = drawBox;
    context->roundBoxDrawer = drawRoundBox;
    context->bufferAddress = bufferAddress;
    context->bufferPitch = bufferPitch;
    context->bufferFormat = bufferFormat;
    context->setDrawingMode = setDrawingMode;
    context->ellipseDrawer = drawEllipse;
    context->areaFiller = fillArea;
    context->unpackFrontColour = unpackFrontColour;
    context->lineDrawer = drawLine;
    context->clipOutput = clipOutput;
    context->unclipOutput = unclipOutput;
    context->gradientCallback = constantGradient;
    context->customCallback = keepTarget;
    setDrawingMode(context, 0);
}

DrawingContext* imageOutput(ObjectId number) {
    const ImageObject* image = findImage(number);
    if (!image) return nullptr;
    HANDLE handle = image->handle;
    if (GetObjectType(handle) != OBJ_BITMAP) return nullptr;
    uint32_t depthFlag = image->depth == 32 ? FORMAT_32_BIT : FORMAT_24_BIT;
    DIBSECTION section;
    if (GetObjectW(handle, sizeof section, &section) != static_cast<int>(sizeof section) ||
        !section.dsBm.bmBits)
        return nullptr;
    // The record's 16-bit size must be the bitmap's: a wrapped size would
    // let the pixel routines reach past the pixel memory.
    int32_t width = image->width, height = image->height;
    int32_t bitmapHeight =
        section.dsBm.bmHeight < 0 ? -section.dsBm.bmHeight : section.dsBm.bmHeight;
    if (width <= 0 || height <= 0 || width != section.dsBm.bmWidth || height != bitmapHeight)
        return nullptr;
    // The pixel size must be the bitmap's, or rows would be misread.
    if (section.dsBm.bmBitsPixel != (depthFlag == FORMAT_32_BIT ? 32 : 24)) return nullptr;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    DrawingContext* context = createDrawingContext(FORMAT_BOTTOM_UP | depthFlag);
    if (!context) {
        DeleteDC(dc);
        return nullptr;
    }
    context->savedBatchLimit = GdiGetBatchLimit();
    GdiSetBatchLimit(1);
    context->deviceContext = dc;
    SelectObject(dc, handle);
    context->pixelBits = static_cast<BYTE*>(section.dsBm.bmBits);
    context->rowPitch = rowStride(section.dsBm.bmWidth, section.dsBm.bmBitsPixel);
    context->outputWidth = width;
    context->outputHeight = height;
    placeRows(context);
    context->endOutput = endImageOutput;
    context->bitsPerPixel = depthFlag == FORMAT_32_BIT ? 32 : 24;
    return context;
}

intptr_t beginDrawing(DrawingContext* output) {
    if (!output) return 0;
    output->unclippedWidth = output->outputWidth;
    output->unclippedHeight = output->outputHeight;
    intptr_t started = output->startOutput(output);
    if (started) return started;
    output->endOutput(output, 0);
    freeContext(output);
    return 0;
}

void endDrawing() {
    DrawingContext* context = currentDrawing;
    if (context == &noSession) return;
    context->stopOutput(context);
    context->endOutput(context, 1);
    freeContext(context);
}

bool drawImage(HANDLE handle, int32_t x, int32_t y) {
    DrawingContext* context = currentDrawing;
    return context->imageBlitter(context, handle, x + context->originX, y + context->originY);
}

uint32_t readPixel(int32_t x, int32_t y) {
    DrawingContext* context = currentDrawing;
    // Wrapping sums land outside the output, where the reader answers 0.
    return context->pixelReader(
        context,
        static_cast<int32_t>(static_cast<uint32_t>(x) + static_cast<uint32_t>(context->originX)),
        static_cast<int32_t>(static_cast<uint32_t>(y) + static_cast<uint32_t>(context->originY)));
}

// ---- The image output

intptr_t startImageOutput(DrawingContext* context) {
    if (!context->pixelBits) return 0;
    context->publishedBits = context->pixelBits;
    context->textDC = CreateCompatibleDC(nullptr);
    context->selectFont(context, reinterpret_cast<HFONT>(static_cast<intptr_t>(-1)));
    return reinterpret_cast<intptr_t>(context->deviceContext);
}

void stopImageOutput(DrawingContext* context) {
    if (context->textDC) DeleteDC(context->textDC);
    if (context->textStrip) DeleteObject(context->textStrip);
    if (context->rotatedFont) DeleteObject(context->rotatedFont);
    releaseDrawingScratch(context);
}

void endImageOutput(DrawingContext* context, int32_t) {
    DeleteDC(context->deviceContext);
    GdiSetBatchLimit(context->savedBatchLimit);
}

void selectFont(DrawingContext* context, HFONT font) {
    HDC dc = context->textDC;
    if (!dc) return;
    if (font == reinterpret_cast<HFONT>(static_cast<intptr_t>(-1)))
        font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    context->italicOverhang = measureItalicOverhang(font);
    SelectObject(dc, font);
    context->font = font;
    if (context->rotatedFont) {
        DeleteObject(context->rotatedFont);
        context->rotatedFont = nullptr;
    }

    SIZE size = {0, 0};
    GetTextExtentPoint32W(dc, UTF16("Hg"), 2, &size);
    int32_t needed = size.cy + 20;
    if (needed < 50) needed = 50;
    if (needed <= context->textStripHeight) return;  // the strip only grows

    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = context->outputWidth;
    info.bmiHeader.biHeight = -needed;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP strip = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!strip) return;
    context->textStripBits = static_cast<BYTE*>(bits);
    context->textStripHeight = needed;
    context->textStripPitch = rowStride(context->outputWidth, 24);
    SelectObject(dc, strip);
    if (context->textStrip) DeleteObject(context->textStrip);
    context->textStrip = strip;

    SetBkMode(dc, OPAQUE);
    SetTextAlign(dc, TA_LEFT | TA_TOP);
    SetBkColor(dc, backgroundBlack);
    SetTextColor(dc, textWhite);
}

int32_t measureItalicOverhang(HFONT font) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return 0;
    HGDIOBJ oldFont = SelectObject(dc, font);
    int32_t overhang = 0;
    TEXTMETRICW metrics;
    SIZE size = {0, 0};
    if (GetTextMetricsW(dc, &metrics) && metrics.tmItalic &&
        GetTextExtentPoint32W(dc, UTF16("H"), 1, &size) && size.cx > 0 && size.cy > 0) {
        int32_t w = size.cx, h = size.cy;
        HBITMAP bitmap = CreateCompatibleBitmap(dc, 2 * w, 2 * h);
        if (bitmap) {
            HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
            SetBkMode(dc, OPAQUE);
            SetTextAlign(dc, TA_LEFT | TA_TOP);
            SetBkColor(dc, backgroundBlack);
            SetTextColor(dc, textWhite);
            RECT all = {0, 0, 2 * w, 2 * h};
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            TextOutW(dc, 0, 0, UTF16("H"), 1);
            // The rightmost inked column tells how far the slant reaches.
            for (int32_t c = 2 * w - 1; c >= 0 && !overhang; --c)
                for (int32_t r = 0; r < h; ++r)
                    if (GetPixel(dc, c, r) != 0) {
                        overhang = c - w + 2;
                        break;
                    }
            SelectObject(dc, oldBitmap);
            DeleteObject(bitmap);
        }
    }
    SelectObject(dc, oldFont);
    DeleteDC(dc);
    return overhang;
}

void clipOutput(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height) {
    // Sizes never go negative: the pixel routines trust them.
    clampSpan(&x, &width, context->unclippedWidth);
    clampSpan(&y, &height, context->unclippedHeight);
    int32_t row = context->rowsBottomUp ? context->unclippedHeight - y - height : y;
    context->pixelBits = context->publishedBits + static_cast<intptr_t>(row) * context->rowPitch +
                         static_cast<intptr_t>(x) * context->bytesPerPixel;
    context->outputWidth = width;
    context->outputHeight = height;
    context->originX = -x;
    context->originY = -y;
    placeRows(context);
}

void unclipOutput(DrawingContext* context) {
    context->outputWidth = context->unclippedWidth;
    context->outputHeight = context->unclippedHeight;
    context->originX = 0;
    context->originY = 0;
    context->pixelBits = context->publishedBits;
    placeRows(context);
}

intptr_t imageGrabber(DrawingContext* context, ObjectId number, int32_t x, int32_t y, int32_t width,
                      int32_t height) {
    if (width < 1 || height < 1) return 0;
    HBITMAP bitmap = createImageBitmap(width, height, context->bitsPerPixel);
    if (!bitmap) return 0;
    DIBSECTION section;
    if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section) ||
        !section.dsBm.bmBits) {
        DeleteObject(bitmap);
        return 0;
    }
    int32_t newHeight = section.dsBm.bmHeight;
    int32_t newPitch = rowStride(section.dsBm.bmWidth, section.dsBm.bmBitsPixel);
    BYTE* newBits = static_cast<BYTE*>(section.dsBm.bmBits);

    // Where the clipped rectangle starts inside the new image.
    int32_t left = cutBefore(x, width);
    int32_t top = cutBefore(y, height);
    clampSpan(&x, &width, context->outputWidth);
    clampSpan(&y, &height, context->outputHeight);
    int32_t bytes = context->bytesPerPixel;
    for (int32_t r = 0; r < height; ++r) {
        BYTE* target = newBits + static_cast<intptr_t>(newHeight - 1 - (top + r)) * newPitch +
                       static_cast<intptr_t>(left) * bytes;
        memcpy(target, outputPixel(context, x, y + r), static_cast<size_t>(width) * bytes);
    }

    ImageObject* record = allocateImageRecord(number);
    if (!record) {
        DeleteObject(bitmap);
        return 0;
    }
    record->handle = bitmap;
    record->width = static_cast<int16_t>(section.dsBm.bmWidth);
    record->height = static_cast<int16_t>(newHeight);
    record->depth = static_cast<uint8_t>(context->bitsPerPixel);
    return imageResult(number, record);
}
