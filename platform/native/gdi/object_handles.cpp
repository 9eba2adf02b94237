// The calls that work on any GDI handle (GetObjectType, GetObjectW,
// DeleteObject), the stock objects and solid brushes.
#include "platform/native/gdi/gdi_objects.h"

#include <new>
#include <string.h>

namespace native {

namespace {

struct StockObjects {
    HGDIOBJ whiteBrush;
    HGDIOBJ blackBrush;
    HGDIOBJ nullBrush;
    HGDIOBJ systemFont;
    HBITMAP bitmap;
};

HGDIOBJ makeBrush(COLORREF colour, bool stock, bool hollow) {
    Brush* brush = new (std::nothrow) Brush{colour, stock, hollow};
    if (brush == nullptr) return nullptr;
    HGDIOBJ handle = addObject(kindBrush, brush);
    if (handle == nullptr) delete brush;
    return handle;
}

// Made on first use and kept for the life of the process.
const StockObjects& stockObjects() {
    static const StockObjects objects = [] {
        StockObjects made;
        made.whiteBrush = makeBrush(RGB(255, 255, 255), true, false);
        made.blackBrush = makeBrush(RGB(0, 0, 0), true, false);
        made.nullBrush = makeBrush(0, true, true);
        Font* font = new (std::nothrow) Font{true};
        made.systemFont = font ? addObject(kindFont, font) : nullptr;
        made.bitmap = createBitmap(1, 1, false, 1, false);
        return made;
    }();
    return objects;
}

// What GetObjectW tells of a bitmap: DIB rows are padded to 4 bytes,
// device-dependent ones to 2, and only DIB sections show their bits.
BITMAP describeBitmap(const Bitmap& bitmap) {
    BITMAP described;
    described.bmType = 0;
    described.bmWidth = bitmap.width;
    described.bmHeight = bitmap.height;
    described.bmWidthBytes = bitmap.dibSection
        ? bitmap.stride
        : LONG((uint64_t(bitmap.width) * bitmap.bitsPerPixel + 15) / 16 * 2);
    described.bmPlanes = 1;
    described.bmBitsPixel = bitmap.bitsPerPixel;
    described.bmBits = bitmap.dibSection ? bitmap.bits : nullptr;
    return described;
}

}  // namespace

HBITMAP stockBitmap() { return stockObjects().bitmap; }

bool isStockObject(HGDIOBJ object) {
    const StockObjects& stock = stockObjects();
    return object != nullptr &&
           (object == stock.whiteBrush || object == stock.blackBrush || object == stock.nullBrush ||
            object == stock.systemFont || object == stock.bitmap);
}

}  // namespace native

using namespace native;

HGDIOBJ GetStockObject(int object) {
    const StockObjects& stock = stockObjects();
    switch (object) {
    case WHITE_BRUSH: return stock.whiteBrush;
    case BLACK_BRUSH: return stock.blackBrush;
    case NULL_BRUSH: return stock.nullBrush;
    case SYSTEM_FONT: return stock.systemFont;
    default: return nullptr;
    }
}

HBRUSH CreateSolidBrush(COLORREF colour) {
    return static_cast<HBRUSH>(makeBrush(colour & 0xFFFFFF, false, false));
}

DWORD GetObjectType(HGDIOBJ object) {
    ObjectKind kind = kindOf(object);
    // Icons are user objects: GDI does not know them.
    return kind == kindIcon ? 0 : DWORD(kind);
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    Bitmap* bitmap = findBitmap(object);
    if (bitmap == nullptr) return 0;
    if (buffer == nullptr) return int(sizeof(BITMAP));
    // The size is taken as unsigned, so a negative one is "large enough".
    UINT room = UINT(size);
    if (room < sizeof(BITMAP)) return 0;
    BITMAP described = describeBitmap(*bitmap);
    if (!bitmap->dibSection || room < sizeof(DIBSECTION)) {
        memcpy(buffer, &described, sizeof described);
        return int(sizeof(BITMAP));
    }
    DIBSECTION section;
    memset(&section, 0, sizeof section);
    section.dsBm = described;
    section.dsBmih = bitmap->header;
    if (bitmap->header.biCompression == BI_BITFIELDS)
        memcpy(section.dsBitfields, bitmap->bitfields, sizeof section.dsBitfields);
    memcpy(buffer, &section, sizeof section);
    return int(sizeof(DIBSECTION));
}

BOOL DeleteObject(HGDIOBJ object) {
    if (isStockObject(object)) return TRUE;  // stock objects stay
    switch (kindOf(object)) {
    case kindBitmap: {
        Bitmap* bitmap = findBitmap(object);
        // A selected bitmap lives on until its DC lets go of it.
        if (bitmap->selectedInto != nullptr) bitmap->deletePending = true;
        else destroyBitmap(static_cast<HBITMAP>(object));
        return TRUE;
    }
    case kindBrush: {
        Brush* brush = static_cast<Brush*>(findObject(object, kindBrush));
        removeObject(object);
        delete brush;
        return TRUE;
    }
    case kindFont: {
        Font* font = static_cast<Font*>(findObject(object, kindFont));
        removeObject(object);
        delete font;
        return TRUE;
    }
    case kindMemoryDC:
        return DeleteDC(static_cast<HDC>(object));
    default:
        return FALSE;
    }
}
