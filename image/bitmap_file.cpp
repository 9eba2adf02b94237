#include "image/bitmap_file.h"

#include "image/image_object.h"
#include "image/load_failure.h"
#include "image/pixel_budget.h"
#include "platform/byte_reader.h"
#include "runtime/heaps.h"

// Offsets in the file header and in the info header that follows it.
static const size_t fileHeaderSize = 14;
static const size_t offBitsField = 10;
static const size_t infoStart = fileHeaderSize;
static const uint32_t coreHeaderSize = 12;
static const uint32_t infoHeaderSize = 40;
static const uint32_t headerWithMasksSize = 52;  // 40 plus the three masks
// Run-length data is copied with two more bytes; keep that size in range.
static const uint32_t runLengthLimit = 0x7FFFFFF0;

// Stage 1: the file header. Only the pixel offset is taken from it.
static int readFileHeader(const ByteReader& file, BitmapFile* out) {
    uint16_t type;
    if (!file.u16(0, &type) || type != 0x4D42) return refuseLoad(LoadFailure::UnknownFormat);
    if (!file.u32(offBitsField, &out->pixelOffset)) return refuseLoad(LoadFailure::TruncatedHeader);
    return 1;
}

static int acceptedEncoding(uint32_t bitCount, uint32_t compression, int32_t height) {
    switch (compression) {
    case BI_RGB:
        return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
               bitCount == 24 || bitCount == 32;
    case BI_RLE8: return bitCount == 8 && height > 0;
    case BI_RLE4: return bitCount == 4 && height > 0;
    case BI_BITFIELDS: return bitCount == 16 || bitCount == 32;
    default: return 0;
    }
}

// Stage 2: the info header, whichever variant, into the one shape. Also
// tells where the colour table starts (after the masks that follow a
// 40-byte header) and how long its entries are.
static int readInfoHeader(const ByteReader& file, BitmapFile* out, size_t* tableStart,
                          size_t* entrySize, uint32_t* colourUse, uint32_t* imageSize) {
    uint32_t headerSize;
    if (!file.u32(infoStart, &headerSize)) return refuseLoad(LoadFailure::TruncatedHeader);
    uint32_t compression = BI_RGB;
    *colourUse = 0;
    *imageSize = 0;
    if (headerSize == coreHeaderSize) {
        // The old core header keeps unsigned 16-bit sides: always bottom-up.
        uint16_t width, height, bitCount;
        if (!file.u16(infoStart + 4, &width) || !file.u16(infoStart + 6, &height) ||
            !file.u16(infoStart + 10, &bitCount))
            return refuseLoad(LoadFailure::TruncatedHeader);
        out->width = width;
        out->height = height;
        out->bitCount = bitCount;
        *entrySize = 3;
    } else if (headerSize >= infoHeaderSize) {
        uint16_t bitCount;
        if (!file.fits(infoStart, headerSize) || !file.i32(infoStart + 4, &out->width) ||
            !file.i32(infoStart + 8, &out->height) || !file.u16(infoStart + 14, &bitCount) ||
            !file.u32(infoStart + 16, &compression) || !file.u32(infoStart + 20, imageSize) ||
            !file.u32(infoStart + 32, colourUse))
            return refuseLoad(LoadFailure::TruncatedHeader);
        out->bitCount = bitCount;
        *entrySize = 4;
    } else {
        return refuseLoad(LoadFailure::UnsupportedEncoding);
    }
    out->compression = compression;
    if (out->width < 1 || out->width > IMAGE_SIZE_LIMIT || out->height == 0 ||
        out->height < -IMAGE_SIZE_LIMIT || out->height > IMAGE_SIZE_LIMIT)
        return refuseLoad(LoadFailure::SizeOutOfRange);
    if (!acceptedEncoding(out->bitCount, compression, out->height))
        return refuseLoad(LoadFailure::UnsupportedEncoding);

    *tableStart = infoStart + headerSize;
    if (compression == BI_BITFIELDS) {
        // V4 and V5 headers hold the masks; a 40-byte one is followed by them.
        size_t masksAt =
            headerSize >= headerWithMasksSize ? infoStart + infoHeaderSize : infoStart + headerSize;
        for (int i = 0; i < 3; ++i) {
            uint32_t mask;
            if (!file.u32(masksAt + 4 * i, &mask)) return refuseLoad(LoadFailure::TruncatedHeader);
            out->description.masks[i] = mask;
        }
        if (headerSize < headerWithMasksSize) *tableStart = masksAt + 12;
    }
    return 1;
}

// Stage 3: the colour table of files of 8 bits and fewer, to RGBQUADs.
// *tableEnd gets where every writer puts the pixels: after the table, or
// after the optional one of biClrUsed entries that deeper files may carry.
static int readColourTable(const ByteReader& file, BitmapFile* out, size_t tableStart,
                           size_t entrySize, uint32_t colourUse, uint64_t* tableEnd) {
    out->colourCount = 0;
    if (out->bitCount > 8) {
        uint32_t optional = colourUse <= 256 ? colourUse : 0;
        *tableEnd = tableStart + static_cast<uint64_t>(optional) * entrySize;
        return 1;
    }
    uint32_t full = 1u << out->bitCount;
    uint32_t count = colourUse != 0 && colourUse < full ? colourUse : full;
    ByteReader table;
    if (!file.sub(tableStart, static_cast<size_t>(count) * entrySize, &table))
        return refuseLoad(LoadFailure::DataOutsideFile);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* entry = table.data + i * entrySize;
        RGBQUAD& colour = out->description.colours[i];
        colour.rgbBlue = entry[0];
        colour.rgbGreen = entry[1];
        colour.rgbRed = entry[2];
        colour.rgbReserved = 0;
    }
    out->colourCount = count;
    *tableEnd = tableStart + table.length;
    return 1;
}

// Stage 4: where the pixels lie. A pixel offset inside the headers or the
// colour table would read them as pixels: the pixels are then taken from
// the table's end. Uncompressed files need every row; run-length data runs
// for biSizeImage bytes when given, else to the end, and may not declare
// more pixels than its length can honestly hold.
static int locatePixels(const ByteReader& file, BitmapFile* out, uint32_t imageSize,
                        uint64_t tableEnd) {
    if (out->pixelOffset < tableEnd) {
        if (tableEnd > file.length) return refuseLoad(LoadFailure::DataOutsideFile);
        out->pixelOffset = static_cast<uint32_t>(tableEnd);
    }
    if (out->compression == BI_RLE8 || out->compression == BI_RLE4) {
        if (out->pixelOffset > file.length) return refuseLoad(LoadFailure::DataOutsideFile);
        uint32_t rest = static_cast<uint32_t>(file.length - out->pixelOffset);
        if (imageSize != 0 && imageSize > rest) return refuseLoad(LoadFailure::DataOutsideFile);
        out->pixelLength = imageSize != 0 ? imageSize : rest;
        if (out->pixelLength > runLengthLimit ||
            !withinPixelBudget(static_cast<uint32_t>(out->width),
                               static_cast<uint32_t>(out->height), out->pixelLength))
            return refuseLoad(LoadFailure::TooCostly);
        return 1;
    }
    uint32_t rows =
        out->height < 0 ? static_cast<uint32_t>(-out->height) : static_cast<uint32_t>(out->height);
    uint64_t bytes =
        static_cast<uint64_t>(rowStride(out->width, static_cast<int32_t>(out->bitCount))) * rows;
    if (bytes > 0xFFFFFFFFu || !file.fits(out->pixelOffset, static_cast<size_t>(bytes)))
        return refuseLoad(LoadFailure::DataOutsideFile);
    out->pixelLength = static_cast<uint32_t>(bytes);
    return 1;
}

int readBitmapFile(const uint8_t* block, uint32_t length, BitmapFile* out) {
    memset(out, 0, sizeof *out);
    ByteReader file = {block, length};
    size_t tableStart = 0, entrySize = 0;
    uint32_t colourUse = 0, imageSize = 0;
    uint64_t tableEnd = 0;
    if (!readFileHeader(file, out) ||
        !readInfoHeader(file, out, &tableStart, &entrySize, &colourUse, &imageSize) ||
        !readColourTable(file, out, tableStart, entrySize, colourUse, &tableEnd) ||
        !locatePixels(file, out, imageSize, tableEnd))
        return 0;

    BITMAPINFOHEADER& header = out->description.header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = out->width;
    header.biHeight = out->height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(out->bitCount);
    header.biCompression = out->compression;
    header.biSizeImage = out->pixelLength;
    header.biClrUsed = out->colourCount;
    return 1;
}

// Run-length data is handed over in a copy that ends in an end-of-bitmap
// mark, so a conversion that trusts the data stops inside the copy.
static uint8_t* copyRunLengthData(const uint8_t* block, BitmapFile* file) {
    uint8_t* copy = static_cast<uint8_t*>(takeRecord(static_cast<SIZE_T>(file->pixelLength) + 2));
    if (!copy) return nullptr;
    memcpy(copy, block + file->pixelOffset, file->pixelLength);
    copy[file->pixelLength] = 0;
    copy[file->pixelLength + 1] = 1;
    file->description.header.biSizeImage = file->pixelLength + 2;
    return copy;
}

// A 32-bit file whose alpha bytes are all 0 means no alpha: make it opaque.
static void fixUpAlpha(HBITMAP bitmap, int32_t width, int32_t rows) {
    BITMAP described;
    if (GetObjectW(bitmap, sizeof described, &described) != sizeof described) return;
    if (!described.bmBits || described.bmBitsPixel != 32) return;
    int32_t stride = rowStride(described.bmWidth, described.bmBitsPixel);
    uint8_t* pixels = static_cast<uint8_t*>(described.bmBits);
    for (int32_t y = 0; y < rows; ++y) {
        const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x)
            if (row[4 * x + 3] != 0) return;
    }
    for (int32_t y = 0; y < rows; ++y) {
        uint8_t* row = pixels + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x) row[4 * x + 3] = 0xFF;
    }
}

HBITMAP decodeBitmapFile(const uint8_t* block, uint32_t length, uint32_t* sourceDepth) {
    // Large, but taken once per load; it keeps the path off the heap.
    BitmapFile file;
    if (!readBitmapFile(block, length, &file)) return nullptr;
    *sourceDepth = file.bitCount;

    // Top-down files become ordinary bottom-up images: the section takes
    // the absolute height and the platform turns the rows around.
    int32_t rows = file.height < 0 ? -file.height : file.height;
    // Only 32-bit files keep their depth (and alpha); the rest become 24.
    int32_t depth = file.bitCount == 32 ? 32 : 24;
    HBITMAP bitmap = createImageBitmap(file.width, rows, depth);
    if (!bitmap) {
        refuseLoad(LoadFailure::PlatformFailed);
        return nullptr;
    }

    const uint8_t* pixels = block + file.pixelOffset;
    uint8_t* copy = nullptr;
    if (file.compression == BI_RLE8 || file.compression == BI_RLE4) {
        copy = copyRunLengthData(block, &file);
        pixels = copy;
    }
    int converted = 0;
    HDC dc = pixels ? CreateCompatibleDC(nullptr) : nullptr;
    if (dc) {
        converted =
            SetDIBits(dc, bitmap, 0, static_cast<UINT>(rows), pixels,
                      reinterpret_cast<const BITMAPINFO*>(&file.description), DIB_RGB_COLORS);
        DeleteDC(dc);
    }
    giveBackRecord(copy);
    // A conversion that yields nothing is a failed load, not a blank image.
    if (converted <= 0) {
        DeleteObject(bitmap);
        refuseLoad(LoadFailure::PlatformFailed);
        return nullptr;
    }
    if (depth == 32) fixUpAlpha(bitmap, file.width, rows);
    return bitmap;
}
