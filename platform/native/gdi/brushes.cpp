// Brushes: solid ones made by callers and the stock ones.
#include "platform/native/gdi/gdi_objects.h"

#include <new>

namespace native {

namespace {

BOOL deleteBrush(HGDIOBJ handle) {
    Brush* brush = static_cast<Brush*>(findObject(handle, kindBrush));
    if (brush == nullptr) return FALSE;
    removeObject(handle);
    delete brush;
    return TRUE;
}

}  // namespace

HGDIOBJ createBrush(COLORREF colour, bool stock, bool hollow) {
    Brush* brush = new (std::nothrow) Brush{colour, stock, hollow};
    if (brush == nullptr) return nullptr;
    HGDIOBJ handle = addObject(kindBrush, brush, deleteBrush);
    if (handle == nullptr) delete brush;
    return handle;
}

}  // namespace native

HBRUSH CreateSolidBrush(COLORREF colour) {
    return static_cast<HBRUSH>(native::createBrush(colour & 0xFFFFFF, false, false));
}
