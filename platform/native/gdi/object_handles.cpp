// The calls that work on any GDI handle: GetObjectType, GetObjectW and
// DeleteObject, which runs the destroy routine of the handle's kind.
#include "platform/native/gdi/gdi_objects.h"

#include <string.h>

namespace native {

namespace {

// What GetObjectW tells of a bitmap: DIB rows are padded to 4 bytes,
// device-dependent ones to 2, and only DIB sections show their bits.
BITMAP describeBitmap(const Bitmap& bitmap) {
    BITMAP described;
    described.bmType = 0;
    described.bmWidth = bitmap.width;
    described.bmHeight = bitmap.height;
    described.bmWidthBytes =
        bitmap.dibSection
            ? bitmap.stride
            : static_cast<LONG>((static_cast<uint64_t>(bitmap.width) * bitmap.bitsPerPixel + 15) /
                                16 * 2);
    described.bmPlanes = 1;
    described.bmBitsPixel = bitmap.bitsPerPixel;
    described.bmBits = bitmap.dibSection ? bitmap.bits : nullptr;
    return described;
}

}  // namespace

}  // namespace native

using namespace native;

DWORD GetObjectType(HGDIOBJ object) {
    ObjectKind kind = kindOf(object);
    // Icons are user objects: GDI does not know them.
    return kind == kindIcon ? 0 : static_cast<DWORD>(kind);
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer) {
    Bitmap* bitmap = findBitmap(object);
    if (bitmap == nullptr) return 0;
    if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
    // The size is taken as unsigned, so a negative one is "large enough".
    UINT room = static_cast<UINT>(size);
    if (room < sizeof(BITMAP)) return 0;
    BITMAP described = describeBitmap(*bitmap);
    if (!bitmap->dibSection || room < sizeof(DIBSECTION)) {
        memcpy(buffer, &described, sizeof described);
        return static_cast<int>(sizeof(BITMAP));
    }
    DIBSECTION section;
    memset(&section, 0, sizeof section);
    section.dsBm = described;
    section.dsBmih = bitmap->header;
    if (bitmap->header.biCompression == BI_BITFIELDS)
        memcpy(section.dsBitfields, bitmap->bitfields, sizeof section.dsBitfields);
    memcpy(buffer, &section, sizeof section);
    return static_cast<int>(sizeof(DIBSECTION));
}

BOOL DeleteObject(HGDIOBJ object) { return destroyObject(object); }
