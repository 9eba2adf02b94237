#include "image/icon_file.h"

#include "image/image_object.h"
#include "image/load_failure.h"
#include "image/pixel_budget.h"
#include "platform/byte_reader.h"

static const size_t directoryHeaderSize = 6;
static const size_t entrySize = 16;
static const DWORD iconFormatVersion = 0x00030000;

int32_t chooseIconEntry(const uint8_t* block, uint32_t length) {
    ByteReader file = {block, length};
    uint16_t reserved, type, count;
    if (!file.u16(0, &reserved) || !file.u16(2, &type) || !file.u16(4, &count) || reserved != 0 ||
        type != 1) {
        refuseLoad(LoadFailure::UnknownFormat);
        return -1;
    }
    if (count == 0 || !file.fits(directoryHeaderSize, entrySize * count)) {
        refuseLoad(LoadFailure::TruncatedHeader);
        return -1;
    }

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

// What the loader knows of an icon image before the platform sees it: its
// own size (the one CreateIconFromResourceEx is asked for) and bit count.
struct IconImageShape {
    int32_t width;
    int32_t height;
    uint32_t bitCount;
};

static const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
static const uint32_t pngHeaderChunk = 0x49484452;  // "IHDR"
static const size_t pngHeaderEnd = 33;              // signature, IHDR and its checksum
static const uint32_t coreHeaderSize = 12;
static const uint32_t infoHeaderSize = 40;

static int sideInRange(int64_t side) { return side >= 1 && side <= IMAGE_SIZE_LIMIT; }

// A PNG image: the size from its IHDR chunk. 16-bit channels are refused,
// as one build's platform refuses them, and so is a size the compressed
// stream could only reach by costing far more than its length.
static int readPngShape(const ByteReader& image, IconImageShape* shape) {
    uint32_t chunkLength, chunkType, width, height;
    uint8_t bitDepth;
    if (!image.fits(0, pngHeaderEnd) || !readBigEndian32(image, 8, &chunkLength) ||
        !readBigEndian32(image, 12, &chunkType) || !readBigEndian32(image, 16, &width) ||
        !readBigEndian32(image, 20, &height) || !image.u8(24, &bitDepth) || chunkLength != 13 ||
        chunkType != pngHeaderChunk)
        return refuseLoad(LoadFailure::TruncatedHeader);
    if (!sideInRange(width) || !sideInRange(height)) return refuseLoad(LoadFailure::SizeOutOfRange);
    if (bitDepth > 8) return refuseLoad(LoadFailure::UnsupportedEncoding);
    if (!withinPixelBudget(width, height, static_cast<uint32_t>(image.length)))
        return refuseLoad(LoadFailure::TooCostly);
    shape->width = static_cast<int32_t>(width);
    shape->height = static_cast<int32_t>(height);
    shape->bitCount = 32;
    return 1;
}

static int knownBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// A bitmap-style image, read in its own header's layout (12-byte core or
// 40-byte; the platform takes no other): a size both builds can draw, a
// known bit count and encoding, and every part the platform reads (header,
// masks, colour table, colour rows, AND mask rows) inside the image.
static int readBitmapShape(const ByteReader& image, IconImageShape* shape) {
    uint32_t headerSize;
    if (!image.u32(0, &headerSize)) return refuseLoad(LoadFailure::TruncatedHeader);
    int32_t width, doubleHeight;  // colour rows and mask rows together
    uint16_t planes, bitCount;
    uint32_t compression = BI_RGB, coloursUsed = 0;
    size_t entrySize;
    if (headerSize == coreHeaderSize) {
        uint16_t coreWidth, coreHeight;
        if (!image.u16(4, &coreWidth) || !image.u16(6, &coreHeight) || !image.u16(8, &planes) ||
            !image.u16(10, &bitCount))
            return refuseLoad(LoadFailure::TruncatedHeader);
        width = coreWidth;
        doubleHeight = coreHeight;
        entrySize = 3;
    } else if (headerSize == infoHeaderSize) {
        if (!image.i32(4, &width) || !image.i32(8, &doubleHeight) || !image.u16(12, &planes) ||
            !image.u16(14, &bitCount) || !image.u32(16, &compression) ||
            !image.u32(32, &coloursUsed))
            return refuseLoad(LoadFailure::TruncatedHeader);
        entrySize = 4;
    } else {
        return refuseLoad(LoadFailure::UnsupportedEncoding);
    }
    int32_t height = doubleHeight / 2;
    if (!sideInRange(width) || !sideInRange(height)) return refuseLoad(LoadFailure::SizeOutOfRange);
    if (planes == 0 || !knownBitCount(bitCount))
        return refuseLoad(LoadFailure::UnsupportedEncoding);
    uint64_t masks = 0;
    if (compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32))
        masks = 12;
    else if (compression != BI_RGB)
        return refuseLoad(LoadFailure::UnsupportedEncoding);

    // Table entries as the platform skips them: biClrUsed (at most 256)
    // when given, else the full table of a palette image.
    uint64_t entries = coloursUsed != 0 ? (coloursUsed < 256 ? coloursUsed : 256)
                       : bitCount <= 8  ? (1u << bitCount)
                                        : 0;
    uint64_t rows = static_cast<uint64_t>(height);
    uint64_t needed = headerSize + masks + entries * entrySize +
                      rows * static_cast<uint64_t>(rowStride(width, bitCount)) +
                      rows * static_cast<uint64_t>(rowStride(width, 1));
    if (needed > image.length) return refuseLoad(LoadFailure::DataOutsideFile);
    shape->width = width;
    shape->height = height;
    shape->bitCount = bitCount;
    return 1;
}

static int readIconImageShape(const ByteReader& image, IconImageShape* shape) {
    if (image.fits(0, 8) && memcmp(image.data, pngSignature, 8) == 0)
        return readPngShape(image, shape);
    return readBitmapShape(image, shape);
}

HICON iconFromMemory(const void* block, uint32_t length) {
    const uint8_t* bytes = static_cast<const uint8_t*>(block);
    int32_t chosen = chooseIconEntry(bytes, length);
    if (chosen < 0) return nullptr;

    ByteReader file = {bytes, length};
    size_t entry = directoryHeaderSize + entrySize * static_cast<size_t>(chosen);
    uint32_t imageLength, imageOffset;
    ByteReader image;
    if (!file.u32(entry + 8, &imageLength) || !file.u32(entry + 12, &imageOffset) ||
        !file.sub(imageOffset, imageLength, &image)) {
        refuseLoad(LoadFailure::DataOutsideFile);
        return nullptr;
    }
    IconImageShape shape = {0, 0, 0};
    if (!readIconImageShape(image, &shape)) return nullptr;

    // The platform takes the image from a fixed memory block of its own.
    HGLOBAL copy = GlobalAlloc(GMEM_FIXED, imageLength);
    if (!copy) {
        refuseLoad(LoadFailure::PlatformFailed);
        return nullptr;
    }
    memcpy(copy, image.data, imageLength);
    PBYTE resource = static_cast<PBYTE>(copy);
    HICON icon = CreateIconFromResourceEx(resource, imageLength, TRUE, iconFormatVersion,
                                          shape.width, shape.height, LR_DEFAULTCOLOR);
    // 16-bit images get no second try.
    if (!icon && shape.bitCount != 16)
        icon = CreateIconFromResource(resource, imageLength, TRUE, iconFormatVersion);
    GlobalFree(copy);
    // The second try makes an icon of the default size; anything but the
    // image's own size would give a wrong font, so it is a failed load.
    if (!icon) {
        refuseLoad(LoadFailure::PlatformFailed);
        return nullptr;
    }
    int32_t width, height;
    uint32_t depth;
    bool described = describeIcon(icon, &width, &height, &depth);
    if (!described || width != shape.width || height != shape.height) {
        DestroyIcon(icon);
        refuseLoad(described ? LoadFailure::WrongIconSize : LoadFailure::PlatformFailed);
        return nullptr;
    }
    return icon;
}

bool describeIcon(HICON icon, int32_t* width, int32_t* height, uint32_t* depth) {
    ICONINFO info;
    // Filled whole on success; nothing of it is read on failure.
    if (!GetIconInfo(icon, &info)) return false;
    BITMAP described;
    memset(&described, 0, sizeof described);
    bool ok;
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
