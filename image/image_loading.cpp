#include "image/image_loading.h"

#include "image/bitmap_file.h"
#include "image/icon_file.h"
#include "image/image_decoders.h"
#include "image/load_failure.h"
#include "runtime/heaps.h"

intptr_t loadImage(ObjectId number, const WCHAR* name, int32_t flags) {
    (void)flags;
    // Stays so unless the file is read whole and decoding begins.
    refuseLoad(LoadFailure::Unreadable);
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    // A file of 4 GiB or more cannot be held: refuse it rather than decode
    // its first bytes.
    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file, &sizeHigh);
    if (sizeHigh != 0 || (size == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS)) {
        CloseHandle(file);
        return 0;
    }
    // One byte at least, so that an empty file still gets a block to decode.
    void* block = HeapAlloc(runtimeHeap, 0, size ? size : 1);
    if (!block) {
        CloseHandle(file);
        return 0;
    }
    intptr_t result = 0;
    DWORD read = 0;
    if (ReadFile(file, block, size, &read, nullptr) && read == size)
        result = decodeImageMemory(number, block, size);
    HeapFree(runtimeHeap, 0, block);
    CloseHandle(file);
    return result;
}

// What a path hands back for the record: the handle with its size and
// depth, or a null handle.
struct DecodedImage {
    HANDLE handle;
    int32_t width;
    int32_t height;
    uint32_t depth;
    uint32_t sourceDepth;
    uint32_t formatTag;
};

// Takes a new bitmap with its size and depth; leaves the handle null (the
// bitmap deleted) when the platform cannot describe it or a record cannot
// hold its size.
static void describeBitmap(HBITMAP bitmap, DecodedImage* out) {
    BITMAP described;
    if (GetObjectW(bitmap, sizeof described, &described) != sizeof described ||
        described.bmWidth > IMAGE_SIZE_LIMIT || described.bmHeight > IMAGE_SIZE_LIMIT) {
        DeleteObject(bitmap);
        refuseLoad(LoadFailure::PlatformFailed);
        return;
    }
    out->handle = bitmap;
    out->width = described.bmWidth;
    out->height = described.bmHeight;
    out->depth = described.bmBitsPixel;
}

static void bitmapPath(const uint8_t* block, uint32_t length, DecodedImage* out) {
    HBITMAP bitmap = decodeBitmapFile(block, length, &out->sourceDepth);
    out->formatTag = IMAGE_FORMAT_BMP;
    if (bitmap) describeBitmap(bitmap, out);
}

static void iconPath(HICON icon, DecodedImage* out) {
    if (!describeIcon(icon, &out->width, &out->height, &out->depth)) {
        DestroyIcon(icon);
        refuseLoad(LoadFailure::PlatformFailed);
        return;
    }
    out->handle = icon;
    out->sourceDepth = out->depth;
    out->formatTag = IMAGE_FORMAT_ICON;
}

// Offered whatever the icon path refused; when no decoder takes it either,
// the icon path's reason stands.
static void decoderPath(const uint8_t* block, uint32_t length, DecodedImage* out) {
    HBITMAP bitmap =
        decodeWithRegisteredDecoders(block, length, &out->sourceDepth, &out->formatTag);
    if (bitmap) describeBitmap(bitmap, out);
}

intptr_t decodeImageMemory(ObjectId number, const void* block, uint32_t length, int32_t flags) {
    (void)flags;
    clearLoadFailure();
    ImageObject* record = allocateImageRecord(number);
    if (!record) return refuseLoad(LoadFailure::PlatformFailed);
    const uint8_t* bytes = static_cast<const uint8_t*>(block);
    if (!bytes) length = 0;

    DecodedImage image;
    memset(&image, 0, sizeof image);
    if (length >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        bitmapPath(bytes, length, &image);
    } else if (HICON icon = iconFromMemory(bytes, length)) {
        iconPath(icon, &image);
    } else {
        decoderPath(bytes, length, &image);
    }
    if (!image.handle) {
        releaseImageRecord(number, record);
        if (lastLoadFailure() == LoadFailure::None) refuseLoad(LoadFailure::UnknownFormat);
        return 0;
    }
    clearLoadFailure();
    record->handle = image.handle;
    record->width = static_cast<int16_t>(image.width);
    record->height = static_cast<int16_t>(image.height);
    record->depth = static_cast<uint8_t>(image.depth);
    record->sourceDepth = static_cast<uint8_t>(image.sourceDepth);
    record->formatTag = image.formatTag;
    return imageResult(number, record);
}
