#include "image/icon_file.h"

#include "image/image_loading.h"
#include "platform/byte_reader.h"

static const size_t directoryHeaderSize = 6;
static const size_t entrySize = 16;
static const DWORD iconFormatVersion = 0x00030000;

int32_t chooseIconEntry(const uint8_t* block, uint32_t length) {
    ByteReader file = {block, length};
    uint16_t reserved, type, count;
    if (!file.u16(0, &reserved) || !file.u16(2, &type) || !file.u16(4, &count)) return -1;
    if (reserved != 0 || type != 1 || count == 0) return -1;
    if (!file.fits(directoryHeaderSize, entrySize * count)) return -1;

    const uint8_t* first = block + directoryHeaderSize;
    int32_t chosen = 0;
    uint16_t best = 0;
    file.u16(directoryHeaderSize + 6, &best);
    for (uint16_t i = 1; i < count; ++i) {
        size_t at = directoryHeaderSize + entrySize * i;
        uint16_t bitCount = 0;
        file.u16(at + 6, &bitCount);
        if (block[at] == first[0] && block[at + 1] == first[1] && bitCount > best) {
            chosen = i;
            best = bitCount;
        }
    }
    return chosen;
}

// The size CreateIconFromResourceEx is asked for, and the image's bit
// count: from the PNG header for PNG-compressed images, else from the
// image's BITMAPINFOHEADER (whose height counts colour and mask rows).
static int readImageSize(const ByteReader& image, int32_t* width, int32_t* height,
                         uint32_t* bitCount) {
    static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (image.fits(0, 8) && memcmp(image.data, pngSignature, 8) == 0) {
        uint32_t chunkType, pngWidth, pngHeight;
        if (!readBigEndian32(image, 12, &chunkType) || chunkType != 0x49484452 ||  // "IHDR"
            !readBigEndian32(image, 16, &pngWidth) || !readBigEndian32(image, 20, &pngHeight))
            return 0;
        if (pngWidth > 0x7FFFFFFF || pngHeight > 0x7FFFFFFF) return 0;
        *width = static_cast<int32_t>(pngWidth);
        *height = static_cast<int32_t>(pngHeight);
        *bitCount = 32;
        return 1;
    }
    int32_t headerHeight;
    uint16_t headerBitCount;
    if (!image.i32(4, width) || !image.i32(8, &headerHeight) || !image.u16(14, &headerBitCount))
        return 0;
    *height = headerHeight / 2;
    *bitCount = headerBitCount;
    return 1;
}

HICON iconFromMemory(const void* block, uint32_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(block);
    int32_t chosen = chooseIconEntry(bytes, length);
    if (chosen < 0) return 0;

    ByteReader file = {bytes, length};
    size_t entry = directoryHeaderSize + entrySize * static_cast<size_t>(chosen);
    uint32_t imageLength, imageOffset;
    ByteReader image;
    if (!file.u32(entry + 8, &imageLength) || !file.u32(entry + 12, &imageOffset) ||
        !file.sub(imageOffset, imageLength, &image))
        return 0;
    int32_t width, height;
    uint32_t bitCount;
    if (!readImageSize(image, &width, &height, &bitCount)) return 0;

    // The platform takes the image from a fixed memory block of its own.
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, imageLength);
    if (!copy) return 0;
    memcpy(copy, image.data, imageLength);
    PBYTE resource = static_cast<PBYTE>(copy);
    HICON icon = CreateIconFromResourceEx(resource, imageLength, TRUE, iconFormatVersion,
                                          width, height, LR_DEFAULTCOLOR);
    // 16-bit images get no second try.
    if (!icon && bitCount != 16)
        icon = CreateIconFromResource(resource, imageLength, TRUE, iconFormatVersion);
    GlobalFree(copy);
    return icon;
}

int describeIcon(HICON icon, int32_t* width, int32_t* height, uint32_t* depth) {
    ICONINFO info;
    memset(&info, 0, sizeof info);
    if (!GetIconInfo(icon, &info)) return 0;
    BITMAP described;
    memset(&described, 0, sizeof described);
    int ok;
    if (info.hbmColor) {
        ok = GetObjectW(info.hbmColor, sizeof described, &described) == sizeof described;
        *width = described.bmWidth;
        *height = described.bmHeight;
        *depth = described.bmBitsPixel;
    } else {
        // The mask holds the AND rows above the XOR rows.
        ok = info.hbmMask &&
             GetObjectW(info.hbmMask, sizeof described, &described) == sizeof described;
        *width = described.bmWidth;
        *height = described.bmHeight / 2;
        *depth = 1;
    }
    // The icon keeps its own bitmaps; these copies are ours.
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return ok;
}
