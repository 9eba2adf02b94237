// Copying pixels between the bitmaps of two memory DCs: BitBlt at the same
// size, StretchBlt to another size. Only SRCCOPY is carried out.
#include "platform/native/gdi/gdi_objects.h"

#include <vector>

namespace native {

namespace {

DWORD argbOf(COLORREF colour) {
    return static_cast<DWORD>(GetRValue(colour)) << 16 |
           static_cast<DWORD>(GetGValue(colour)) << 8 | GetBValue(colour);
}

// Monochrome meets colour as on the platform: a 0 bit takes the target's
// text colour and a 1 bit its background colour; going the other way, the
// source's background colour becomes 1 and everything else 0.
struct BlitColours {
    bool fromMonochrome;
    bool toMonochrome;
    DWORD textColour;        // of the target DC
    DWORD targetBackground;  // of the target DC
    DWORD sourceBackground;  // of the source DC
};

BlitColours blitColours(const DeviceContext& target, const Bitmap& targetBitmap,
                        const DeviceContext& source, const Bitmap& sourceBitmap) {
    BlitColours colours;
    colours.fromMonochrome = sourceBitmap.bitsPerPixel == 1 && targetBitmap.bitsPerPixel != 1;
    colours.toMonochrome = targetBitmap.bitsPerPixel == 1 && sourceBitmap.bitsPerPixel != 1;
    colours.textColour = argbOf(target.textColour);
    colours.targetBackground = argbOf(target.backgroundColour);
    colours.sourceBackground = argbOf(source.backgroundColour);
    return colours;
}

DWORD translate(const BlitColours& colours, DWORD argb) {
    if (colours.fromMonochrome)
        return (argb & 0xFFFFFF) == 0 ? colours.textColour : colours.targetBackground;
    if (colours.toMonochrome) return (argb & 0xFFFFFF) == colours.sourceBackground ? 0xFFFFFF : 0;
    return argb;
}

struct Blit {
    DeviceContext* targetDC;
    DeviceContext* sourceDC;
    Bitmap* target;
    Bitmap* source;
};

bool openBlit(HDC targetHandle, HDC sourceHandle, DWORD rop, Blit* blit) {
    if (rop != SRCCOPY) return false;
    blit->targetDC = findDC(targetHandle);
    blit->sourceDC = findDC(sourceHandle);
    if (blit->targetDC == nullptr || blit->sourceDC == nullptr) return false;
    blit->target = findBitmap(blit->targetDC->bitmap);
    blit->source = findBitmap(blit->sourceDC->bitmap);
    return blit->target != nullptr && blit->source != nullptr;
}

// Average of the source pixels in [x0, x1) x [y0, y1), rounded, per
// channel and alpha.
DWORD boxAverage(const Bitmap& source, LONG x0, LONG x1, LONG y0, LONG y1) {
    uint64_t sums[4] = {0, 0, 0, 0};
    uint64_t count = 0;
    for (LONG y = y0; y < y1; ++y)
        for (LONG x = x0; x < x1; ++x) {
            DWORD argb = readBitmapPixel(source, x, y);
            for (int c = 0; c < 4; ++c) sums[c] += (argb >> (8 * c)) & 0xFF;
            count++;
        }
    DWORD result = 0;
    for (int c = 0; c < 4; ++c)
        result |= static_cast<DWORD>((sums[c] + count / 2) / count) << (8 * c);
    return result;
}

// Cuts a span of `length` starting at `start` to 0..limit along one axis;
// `partner`, the same span's start in the other bitmap, moves with it.
void clipSpan(int64_t& start, int64_t& partner, int64_t& length, int64_t limit) {
    if (start < 0) {
        partner -= start;
        length += start;
        start = 0;
    }
    if (start + length > limit) length = limit - start;
}

}  // namespace

}  // namespace native

using namespace native;

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
    Blit blit;
    if (!openBlit(target, source, rop, &blit)) return FALSE;
    // Cut the rectangle to the source, then to the target.
    int64_t left = x, top = y, sx = sourceX, sy = sourceY, w = width, h = height;
    clipSpan(sx, left, w, blit.source->width);
    clipSpan(sy, top, h, blit.source->height);
    clipSpan(left, sx, w, blit.target->width);
    clipSpan(top, sy, h, blit.target->height);
    if (w <= 0 || h <= 0) return TRUE;

    // Read everything first: source and target may be one bitmap.
    BlitColours colours = blitColours(*blit.targetDC, *blit.target, *blit.sourceDC, *blit.source);
    std::vector<DWORD> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
    for (int64_t row = 0; row < h; ++row)
        for (int64_t column = 0; column < w; ++column)
            pixels[static_cast<size_t>(row * w + column)] =
                translate(colours, readBitmapPixel(*blit.source, static_cast<LONG>(sx + column),
                                                   static_cast<LONG>(sy + row)));
    for (int64_t row = 0; row < h; ++row)
        for (int64_t column = 0; column < w; ++column)
            writeBitmapPixel(*blit.target, static_cast<LONG>(left + column),
                             static_cast<LONG>(top + row),
                             pixels[static_cast<size_t>(row * w + column)]);
    return TRUE;
}

// HALFTONE averages the source pixels under each target pixel; the other
// modes take the source pixel under its centre. Mirroring (negative sizes)
// is not carried out.
BOOL StretchBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
                int sourceY, int sourceWidth, int sourceHeight, DWORD rop) {
    if (width == sourceWidth && height == sourceHeight)
        return BitBlt(target, x, y, width, height, source, sourceX, sourceY, rop);
    Blit blit;
    if (!openBlit(target, source, rop, &blit)) return FALSE;
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return FALSE;
    BlitColours colours = blitColours(*blit.targetDC, *blit.target, *blit.sourceDC, *blit.source);
    const bool average = blit.targetDC->stretchMode == HALFTONE;
    const int64_t sw = sourceWidth, sh = sourceHeight, w = width, h = height;

    struct Placed {
        LONG x, y;
        DWORD argb;
    };
    std::vector<Placed> placed;
    for (int64_t row = 0; row < h; ++row) {
        int64_t ty = y + row;
        if (ty < 0 || ty >= blit.target->height) continue;
        for (int64_t column = 0; column < w; ++column) {
            int64_t tx = x + column;
            if (tx < 0 || tx >= blit.target->width) continue;
            int64_t x0, x1, y0, y1;
            if (average) {
                x0 = sourceX + column * sw / w;
                x1 = sourceX + ((column + 1) * sw + w - 1) / w;
                y0 = sourceY + row * sh / h;
                y1 = sourceY + ((row + 1) * sh + h - 1) / h;
            } else {
                x0 = sourceX + (2 * column + 1) * sw / (2 * w);
                y0 = sourceY + (2 * row + 1) * sh / (2 * h);
                x1 = x0 + 1;
                y1 = y0 + 1;
            }
            if (x0 < 0) x0 = 0;
            if (y0 < 0) y0 = 0;
            if (x1 > blit.source->width) x1 = blit.source->width;
            if (y1 > blit.source->height) y1 = blit.source->height;
            if (x0 >= x1 || y0 >= y1) continue;
            DWORD argb = boxAverage(*blit.source, static_cast<LONG>(x0), static_cast<LONG>(x1),
                                    static_cast<LONG>(y0), static_cast<LONG>(y1));
            placed.push_back(
                Placed{static_cast<LONG>(tx), static_cast<LONG>(ty), translate(colours, argb)});
        }
    }
    for (const Placed& pixel : placed) writeBitmapPixel(*blit.target, pixel.x, pixel.y, pixel.argb);
    return TRUE;
}
