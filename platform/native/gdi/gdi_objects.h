// Inside the native layer only: the typed object table behind every GDI
// and icon handle, and the shapes of the objects it holds. A handle is a
// small tagged number, never an address, so a stale or forged handle is
// refused by a look-up and never read through.
#ifndef CELPACK_NATIVE_GDI_OBJECTS_H
#define CELPACK_NATIVE_GDI_OBJECTS_H

#include "platform/native/gdi.h"

namespace native {

// GDI object types keep the platform's OBJ_* numbers; icons are user
// objects, which GetObjectType does not know (it answers 0 for them).
enum ObjectKind : DWORD {
    kindNone = 0,
    kindBrush = OBJ_BRUSH,
    kindFont = OBJ_FONT,
    kindBitmap = OBJ_BITMAP,
    kindMemoryDC = OBJ_MEMDC,
    kindIcon = 0x100,
};

// A bitmap: a DIB section (bits visible through GetObjectW) or a
// device-dependent bitmap (bits private to the layer).
struct Bitmap {
    LONG width;               // > 0
    LONG height;              // > 0, absolute
    bool topDown;             // rows stored top row first
    WORD bitsPerPixel;        // 1, 4, 8, 16, 24 or 32
    bool dibSection;          // false: a device-dependent bitmap
    LONG stride;              // bytes per row, padded to 4
    BYTE* bits;               // stride * height bytes, owned
    BITMAPINFOHEADER header;  // what GetObjectW reports in dsBmih
    DWORD bitfields[3];       // colour masks of 16- and 32-bit sections
    RGBQUAD colours[256];     // colour table of 1, 4 and 8-bit sections
    int colourCount;
    HDC selectedInto;    // the DC it is selected into, or null
    bool deletePending;  // DeleteObject while selected: goes when deselected
};

struct DeviceContext {
    HBITMAP bitmap;  // selected bitmap (the stock 1x1 one at first)
    HFONT font;
    HBRUSH brush;
    int backgroundMode;
    COLORREF backgroundColour;
    COLORREF textColour;
    UINT textAlign;
    int stretchMode;
    POINT brushOrigin;
};

struct Brush {
    COLORREF colour;
    bool stock;
    bool hollow;  // NULL_BRUSH: paints nothing
};

struct Font {
    bool stock;
};

struct Icon {
    HBITMAP colour;  // 32-bit device-dependent bitmap, or null
    HBITMAP mask;    // 1-bit bitmap, as tall as the icon
    LONG width;
    LONG height;
    WORD sourceBitsPerPixel;  // of the image it was made from; 0 for PNG
    bool hasAlpha;            // 32-bit and PNG images keep their alpha
};

// What DeleteObject does for one kind: frees the object and its handle (or
// defers that), answering DeleteObject's result. Each kind's own file
// hands its routine to addObject, so the table never names another file.
typedef BOOL (*DestroyRoutine)(HGDIOBJ handle);

// The table. addObject takes ownership of `object` (allocated with new).
// Without a destroy routine DeleteObject refuses the handle.
HGDIOBJ addObject(ObjectKind kind, void* object, DestroyRoutine destroy = nullptr);
// Runs the routine the handle was added with; FALSE for a handle that is
// not live or has none.
BOOL destroyObject(HGDIOBJ handle);
// From now on DeleteObject answers TRUE for the handle and keeps it.
void keepObject(HGDIOBJ handle);
// The object of a live handle of that kind, or null.
void* findObject(HGDIOBJ handle, ObjectKind kind);
// The kind of a live handle, kindNone for anything else.
ObjectKind kindOf(HGDIOBJ handle);
// Forgets the handle; the caller has already freed the object.
void removeObject(HGDIOBJ handle);

// The table's three doors above, each starting as the real one; tests may
// put a fake in their place (tests/support/native_fakes.h) and call the one
// they replaced. `add` answers null when the table is full.
struct ObjectHooks {
    HGDIOBJ (*add)(ObjectKind kind, void* object, DestroyRoutine destroy);
    void (*keep)(HGDIOBJ handle);
    void (*remove)(HGDIOBJ handle);
};
extern ObjectHooks objectHooks;

inline Bitmap* findBitmap(HGDIOBJ handle) {
    return static_cast<Bitmap*>(findObject(handle, kindBitmap));
}
inline DeviceContext* findDC(HDC handle) {
    return static_cast<DeviceContext*>(findObject(handle, kindMemoryDC));
}
inline Icon* findIcon(HICON handle) { return static_cast<Icon*>(findObject(handle, kindIcon)); }

// A new bitmap with zeroed pixel memory, or null when the size cannot be
// made (width or height not positive, memory over the layer's limit).
HBITMAP createBitmap(LONG width, LONG height, bool topDown, WORD bitsPerPixel, bool dibSection);
// Frees a bitmap object and its handle.
void destroyBitmap(HBITMAP bitmap);

// A new brush of that colour; a hollow one paints nothing.
HGDIOBJ createBrush(COLORREF colour, bool stock, bool hollow);

// The stock 1 x 1 monochrome bitmap every new memory DC holds. It may be
// selected into any number of DCs and is never deleted.
HBITMAP stockBitmap();

// Bytes per row of a DIB: rows padded to 4 bytes. 0 when the row would not
// fit in 32 bits.
DWORD dibStride(LONG width, WORD bitsPerPixel);

// Address of pixel row y counted from the top of the picture.
inline BYTE* bitmapRow(const Bitmap& bitmap, LONG y) {
    LONG memoryRow = bitmap.topDown ? y : bitmap.height - 1 - y;
    return bitmap.bits + static_cast<size_t>(memoryRow) * static_cast<size_t>(bitmap.stride);
}

// Colour of pixel (x, y), top-down, as 0x00RRGGBB plus the stored alpha in
// the top byte for 32-bit bitmaps; palette entries resolved.
DWORD readBitmapPixel(const Bitmap& bitmap, LONG x, LONG y);
// Stores 0xAARRGGBB at (x, y); lower depths take the nearest palette entry
// or drop bits as the platform does.
void writeBitmapPixel(Bitmap& bitmap, LONG x, LONG y, DWORD argb);

}  // namespace native

#endif
