// Filling rectangles with a brush and reading single pixels, both on the
// bitmap selected into a memory DC.
#include <string.h>

#include "platform/native/gdi/gdi_objects.h"

namespace native {

namespace {

DWORD argbOf(COLORREF colour) {
    return static_cast<DWORD>(GetRValue(colour)) << 16 |
           static_cast<DWORD>(GetGValue(colour)) << 8 | GetBValue(colour);
}

// An edge pair given the wrong way round covers the pixels from the
// smaller edge + 1 up to the larger one, as the reference platform fills.
void orderEdges(LONG& low, LONG& high) {
    if (high >= low) return;
    LONG smaller = high;
    high = low + 1;
    low = smaller + 1;
}

}  // namespace

}  // namespace native

using namespace native;

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
    if (rect == nullptr) return 0;
    // A bad DC or brush paints nothing yet counts as done, as on the
    // reference platform.
    DeviceContext* context = findDC(dc);
    Brush* paint = static_cast<Brush*>(findObject(brush, kindBrush));
    if (context == nullptr || paint == nullptr || paint->hollow) return TRUE;
    Bitmap* target = findBitmap(context->bitmap);
    if (target == nullptr) return TRUE;
    LONG left = rect->left, right = rect->right, top = rect->top, bottom = rect->bottom;
    orderEdges(left, right);
    orderEdges(top, bottom);
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > target->width) right = target->width;
    if (bottom > target->height) bottom = target->height;
    DWORD colour = argbOf(paint->colour);
    if (left >= right || top >= bottom) return TRUE;
    if (target->bitsPerPixel == 24 || target->bitsPerPixel == 32) {
        // Paint one pixel, then copy its bytes along the row and the row
        // down the rest: a canvas is filled at memory speed.
        size_t size = target->bitsPerPixel / 8;
        writeBitmapPixel(*target, left, top, colour);
        BYTE* first = bitmapRow(*target, top) + size * static_cast<size_t>(left);
        size_t span = size * static_cast<size_t>(right - left);
        for (size_t done = size; done < span; done += size) memcpy(first + done, first, size);
        for (LONG y = top + 1; y < bottom; ++y)
            memcpy(bitmapRow(*target, y) + size * static_cast<size_t>(left), first, span);
        return TRUE;
    }
    for (LONG y = top; y < bottom; ++y)
        for (LONG x = left; x < right; ++x) writeBitmapPixel(*target, x, y, colour);
    return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return CLR_INVALID;
    const Bitmap* source = findBitmap(context->bitmap);
    if (source == nullptr || x < 0 || y < 0 || x >= source->width || y >= source->height)
        return CLR_INVALID;
    DWORD argb = readBitmapPixel(*source, x, y);
    return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF);
}
