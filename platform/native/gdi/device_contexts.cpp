// Memory device contexts: their creation and deletion, what is selected
// into them, and the drawing attributes they keep.
#include "platform/native/gdi/gdi_objects.h"

#include <new>

namespace native {

namespace {

const int blackOnWhite = 1;  // the stretch mode a new DC starts with
const UINT alignError = 0xFFFFFFFF;

// A bitmap leaves its DC; one deleted while selected goes now.
void releaseBitmap(HBITMAP handle) {
    if (handle == stockBitmap()) return;
    Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr) return;
    bitmap->selectedInto = nullptr;
    if (bitmap->deletePending) destroyBitmap(handle);
}

HGDIOBJ selectBitmap(HDC handle, DeviceContext& dc, HBITMAP bitmap) {
    Bitmap* chosen = findBitmap(bitmap);
    HBITMAP previous = dc.bitmap;
    if (bitmap == previous) return previous;
    // A bitmap is in one DC at a time; the stock one may be in any number.
    if (bitmap != stockBitmap() && chosen->selectedInto != nullptr) return nullptr;
    if (bitmap != stockBitmap()) chosen->selectedInto = handle;
    dc.bitmap = bitmap;
    releaseBitmap(previous);
    return previous;
}

// DeleteDC, and DeleteObject of a memory DC.
BOOL deleteDeviceContext(HGDIOBJ handle) {
    DeviceContext* context = findDC(static_cast<HDC>(handle));
    if (context == nullptr) return FALSE;
    HBITMAP bitmap = context->bitmap;
    removeObject(handle);
    delete context;
    releaseBitmap(bitmap);
    return TRUE;
}

}  // namespace

}  // namespace native

using namespace native;

HDC CreateCompatibleDC(HDC dc) {
    if (dc != nullptr && findDC(dc) == nullptr) return nullptr;
    DeviceContext* made = new (std::nothrow) DeviceContext();
    if (made == nullptr) return nullptr;
    made->bitmap = stockBitmap();
    made->font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    made->brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    made->backgroundMode = OPAQUE;
    made->backgroundColour = RGB(255, 255, 255);
    made->textColour = RGB(0, 0, 0);
    made->textAlign = TA_LEFT | TA_TOP;
    made->stretchMode = blackOnWhite;
    made->brushOrigin = POINT{0, 0};
    HGDIOBJ handle = addObject(kindMemoryDC, made, deleteDeviceContext);
    if (handle == nullptr) delete made;
    return static_cast<HDC>(handle);
}

BOOL DeleteDC(HDC dc) { return deleteDeviceContext(dc); }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return nullptr;
    HGDIOBJ previous;
    switch (kindOf(object)) {
    case kindBitmap: return selectBitmap(dc, *context, static_cast<HBITMAP>(object));
    case kindBrush:
        previous = context->brush;
        context->brush = static_cast<HBRUSH>(object);
        return previous;
    case kindFont:
        previous = context->font;
        context->font = static_cast<HFONT>(object);
        return previous;
    default: return nullptr;
    }
}

int SetBkMode(HDC dc, int mode) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int previous = context->backgroundMode;
    context->backgroundMode = mode;
    return previous;
}

UINT SetTextAlign(HDC dc, UINT align) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return alignError;
    UINT previous = context->textAlign;
    context->textAlign = align;
    return previous;
}

COLORREF SetBkColor(HDC dc, COLORREF colour) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return CLR_INVALID;
    COLORREF previous = context->backgroundColour;
    context->backgroundColour = colour;
    return previous;
}

COLORREF SetTextColor(HDC dc, COLORREF colour) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return CLR_INVALID;
    COLORREF previous = context->textColour;
    context->textColour = colour;
    return previous;
}

int SetStretchBltMode(HDC dc, int mode) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr || mode < blackOnWhite || mode > HALFTONE) return 0;
    int previous = context->stretchMode;
    context->stretchMode = mode;
    return previous;
}

BOOL SetBrushOrgEx(HDC dc, int x, int y, LPPOINT previous) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return FALSE;
    if (previous != nullptr) *previous = context->brushOrigin;
    context->brushOrigin = POINT{x, y};
    return TRUE;
}

// GDI calls are never batched here, as on the reference platform: the
// limit is always 1 and setting it changes nothing.
DWORD GdiGetBatchLimit(void) { return 1; }

DWORD GdiSetBatchLimit(DWORD) { return 1; }
