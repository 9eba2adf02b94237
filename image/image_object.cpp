#include "image/image_object.h"

#include "runtime/heaps.h"

static ObjectTable* imageTable;

// Largest pixel memory a DIB section of ours may have: its size must fit
// the platform's signed 32-bit size fields.
static const uint64_t pixelMemoryLimit = 0x7FFFFFFF;

void initImages() { imageTable = createObjectTable(sizeof(ImageObject), 16, freeImage); }

void endImages() {
    if (imageTable) freeAllObjects(imageTable);
}

int32_t rowStride(int32_t width, int32_t depth) {
    switch (depth) {
    case 1: return ((width + 31) / 32) * 4;
    case 4: return ((width + 7) / 8) * 4;
    case 8: return ((width + 3) / 4) * 4;
    case 15:
    case 16: return ((width + 1) / 2) * 4;
    case 24: return ((width + 1) * 3 / 4) * 4;
    default: return width * 4;
    }
}

static uint32_t magnitude(int32_t value) {
    return value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

HBITMAP createImageBitmap(int32_t width, int32_t height, int32_t depth) {
    int32_t bitCount = depth >= 24 ? depth : 24;
    // The record holds 16-bit sides, and the memory size must not overflow.
    uint64_t sideX = magnitude(width), sideY = magnitude(height);
    if (sideX > IMAGE_SIZE_LIMIT || sideY > IMAGE_SIZE_LIMIT) return nullptr;
    if (bitCount > 64) return nullptr;
    uint64_t bytes = ((sideX * static_cast<uint64_t>(bitCount) + 31) / 32) * 4 * sideY;
    if (bytes > pixelMemoryLimit) return nullptr;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    DeleteDC(dc);
    return bitmap;
}

ImageObject* allocateImageRecord(ObjectId number) {
    if (!imageTable) return nullptr;
    return static_cast<ImageObject*>(allocateObject(imageTable, number));
}

void releaseImageRecord(ObjectId number, ImageObject* record) {
    if (number == DYNAMIC_OBJECT && record)
        releaseObject(imageTable, reinterpret_cast<ObjectId>(record));
}

intptr_t imageResult(ObjectId number, const ImageObject* record) {
    if (number == DYNAMIC_OBJECT) return reinterpret_cast<intptr_t>(record);
    return reinterpret_cast<intptr_t>(record->handle);
}

// 32-bit images are filled by storing the pixel straight into the section.
static void fillPixels32(const BITMAP& described, int32_t width, int32_t height,
                         uint32_t background) {
    uint32_t pixel =
        ((background & 0xFF) << 16) | ((background >> 16) & 0xFF) | (background & 0xFF00FF00u);
    int32_t stride = rowStride(described.bmWidth, described.bmBitsPixel);
    uint8_t* row = static_cast<uint8_t*>(described.bmBits);
    for (int32_t y = 0; y < height; ++y, row += stride) {
        uint32_t* out = reinterpret_cast<uint32_t*>(row);
        for (int32_t x = 0; x < width; ++x) out[x] = pixel;
    }
}

// Other depths are filled by the platform through a memory context.
static void fillWithBrush(HBITMAP bitmap, int32_t width, int32_t height, uint32_t background) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return;
    HGDIOBJ previous = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT area = {0, 0, width, height};
    FillRect(dc, &area, brush);
    DeleteObject(brush);
    SelectObject(dc, previous);
    DeleteDC(dc);
}

intptr_t createImage(ObjectId number, int32_t width, int32_t height, int32_t depth,
                     int32_t background) {
    uint32_t colour = static_cast<uint32_t>(background);
    if (depth == 32) colour = background == -1 ? 0 : (colour | 0xFF000000u);

    ImageObject* record = allocateImageRecord(number);
    if (!record) return 0;
    HBITMAP bitmap = createImageBitmap(width, height, depth);
    BITMAP described;
    memset(&described, 0, sizeof described);
    if (bitmap && GetObjectW(bitmap, sizeof described, &described) != sizeof described) {
        DeleteObject(bitmap);
        bitmap = nullptr;
    }
    if (!bitmap) {
        releaseImageRecord(number, record);
        return 0;
    }

    // The whole section gets the background, top-down ones included.
    if (depth == 32 && described.bmBits && described.bmBitsPixel == 32)
        fillPixels32(described, described.bmWidth, described.bmHeight, colour);
    else
        fillWithBrush(bitmap, described.bmWidth, described.bmHeight, colour);

    record->handle = bitmap;
    record->width = static_cast<int16_t>(described.bmWidth);
    record->height = static_cast<int16_t>(described.bmHeight);
    record->depth = static_cast<uint8_t>(described.bmBitsPixel);
    record->sourceDepth = record->depth;
    record->formatTag = 0;
    return imageResult(number, record);
}

const ImageObject* findImage(ObjectId number) {
    if (!imageTable) return nullptr;
    return static_cast<const ImageObject*>(lookupObject(imageTable, number));
}

HANDLE imageHandle(ObjectId number) {
    const ImageObject* record = findImage(number);
    return record ? record->handle : nullptr;
}

int freeImage(ObjectId number) {
    if (!imageTable) return 0;
    if (number == DYNAMIC_OBJECT) {
        freeAllObjects(imageTable);
        return 1;
    }
    ImageObject* record = static_cast<ImageObject*>(lookupObject(imageTable, number));
    if (!record) return 0;
    if (GetObjectType(record->handle) == OBJ_BITMAP)
        DeleteObject(record->handle);
    else
        DestroyIcon(static_cast<HICON>(record->handle));
    releaseObject(imageTable, number);
    return 1;
}
