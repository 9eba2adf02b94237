#include "image/bitmap_access.h"

#include "image/image_object.h"
#include "runtime/runtime.h"

void* readBitmapRows32(HBITMAP bitmap, int* owned) {
    *owned = 0;
    BITMAP described;
    if (GetObjectW(bitmap, sizeof described, &described) != sizeof described) return nullptr;
    if (described.bmBits) return described.bmBits;

    *owned = 1;
    int32_t width = described.bmWidth, height = described.bmHeight;
    // The copy holds what GetDIBits writes: 32 bits a pixel, whatever the
    // bitmap's own depth.
    uint64_t bytes = static_cast<uint64_t>(rowStride(width, 32)) * static_cast<uint64_t>(height);
    if (width <= 0 || height <= 0 || bytes > 0x7FFFFFFF) return nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    void* rows = takeRecord(static_cast<SIZE_T>(bytes));
    if (rows) {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        if (!GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), rows, &info, DIB_RGB_COLORS)) {
            giveBackRecord(rows);
            rows = nullptr;
        }
    }
    DeleteDC(dc);
    return rows;
}

int bitmapHasAlpha(HBITMAP bitmap) {
    if (!alphaBlendEntry) return 0;
    if (GetObjectType(bitmap) != OBJ_BITMAP) return 0;
    // A 32-bit DIB section is taken to carry alpha without looking.
    DIBSECTION section;
    if (GetObjectW(bitmap, sizeof section, &section) == sizeof section)
        return section.dsBm.bmBitsPixel == 32 ? 1 : 0;
    BITMAP described;
    if (GetObjectW(bitmap, sizeof described, &described) != sizeof described ||
        described.bmBitsPixel != 32)
        return 0;

    int owned = 0;
    const uint8_t* rows = static_cast<const uint8_t*>(readBitmapRows32(bitmap, &owned));
    if (!rows) return 0;
    int32_t stride = rowStride(described.bmWidth, 32);
    int found = 0;
    for (int32_t y = 0; y < described.bmHeight && !found; ++y) {
        const uint8_t* row = rows + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < described.bmWidth; ++x)
            if (row[4 * x + 3] != 0) {
                found = 1;
                break;
            }
    }
    if (owned) giveBackRecord(const_cast<uint8_t*>(rows));
    return found;
}
