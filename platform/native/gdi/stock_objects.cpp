// The stock objects: three brushes, the system font and the 1 x 1 bitmap
// of a new memory DC. DeleteObject keeps them.
#include "platform/native/gdi/gdi_objects.h"

#include <new>

namespace native {

namespace {

struct StockObjects {
    HGDIOBJ whiteBrush;
    HGDIOBJ blackBrush;
    HGDIOBJ nullBrush;
    HGDIOBJ systemFont;
    HBITMAP bitmap;
};

HGDIOBJ kept(HGDIOBJ object) {
    keepObject(object);
    return object;
}

// Made on first use and kept for the life of the process.
const StockObjects& stockObjects() {
    static const StockObjects objects = [] {
        StockObjects made;
        made.whiteBrush = kept(createBrush(RGB(255, 255, 255), true, false));
        made.blackBrush = kept(createBrush(RGB(0, 0, 0), true, false));
        made.nullBrush = kept(createBrush(0, true, true));
        Font* font = new (std::nothrow) Font{true};
        made.systemFont = font ? kept(addObject(kindFont, font)) : nullptr;
        made.bitmap = static_cast<HBITMAP>(kept(createBitmap(1, 1, false, 1, false)));
        return made;
    }();
    return objects;
}

}  // namespace

HBITMAP stockBitmap() { return stockObjects().bitmap; }

}  // namespace native

HGDIOBJ GetStockObject(int object) {
    const native::StockObjects& stock = native::stockObjects();
    switch (object) {
    case WHITE_BRUSH: return stock.whiteBrush;
    case BLACK_BRUSH: return stock.blackBrush;
    case NULL_BRUSH: return stock.nullBrush;
    case SYSTEM_FONT: return stock.systemFont;
    default: return nullptr;
    }
}
