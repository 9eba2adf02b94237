// Bitmap-style icon images: the header, the colour table, the colour rows
// and the AND mask rows, read the way the platform reads them.
#include "platform/native/user/icons_bitmap_image.h"

#include <string.h>

#include "platform/native/gdi/dib_format.h"

namespace native {

namespace {

const uint32_t coreHeaderSize = 12;
const uint32_t infoHeaderSize = 40;

struct ImageHeader {
    uint32_t size;
    int32_t width;
    int32_t doubleHeight;  // colour rows and mask rows together
    uint16_t planes;
    uint16_t bitsPerPixel;
    uint32_t compression;
    uint32_t coloursUsed;
};

bool readHeader(const ByteReader& data, ImageHeader* header) {
    memset(header, 0, sizeof *header);
    if (!data.u32(0, &header->size)) return false;
    if (header->size == coreHeaderSize) {
        uint16_t width, height;
        if (!data.u16(4, &width) || !data.u16(6, &height) || !data.u16(8, &header->planes) ||
            !data.u16(10, &header->bitsPerPixel))
            return false;
        header->width = width;
        header->doubleHeight = height;
        header->compression = BI_RGB;
        return true;
    }
    // Longer headers are refused too: the platform takes only these two.
    if (header->size != infoHeaderSize) return false;
    return data.i32(4, &header->width) && data.i32(8, &header->doubleHeight) &&
           data.u16(12, &header->planes) && data.u16(14, &header->bitsPerPixel) &&
           data.u32(16, &header->compression) && data.u32(32, &header->coloursUsed);
}

bool knownBitCount(uint16_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Colour table entries the data holds: biClrUsed of them (at most 256, and
// skipped over even for deeper images), or the full table of a palette
// image when it is 0. Indices past the table are black.
uint32_t tableEntries(const ImageHeader& header) {
    if (header.size == coreHeaderSize)
        return header.bitsPerPixel <= 8 ? 1u << header.bitsPerPixel : 0;
    if (header.coloursUsed != 0) return header.coloursUsed < 256 ? header.coloursUsed : 256;
    return header.bitsPerPixel <= 8 ? 1u << header.bitsPerPixel : 0;
}

bool isBlackThenWhite(const DibFormat& format, const ByteReader& table, size_t entryBytes) {
    if (format.colourCount < 2) return false;
    // The unused fourth byte counts: a table of 00 00 00 01 is not black.
    static const uint8_t black[4] = {0, 0, 0, 0};
    static const uint8_t white[4] = {0xFF, 0xFF, 0xFF, 0};
    return memcmp(table.data, black, entryBytes) == 0 &&
           memcmp(table.data + entryBytes, white, entryBytes) == 0;
}

}  // namespace

bool decodeBitmapIconImage(const ByteReader& data, bool forceMonochrome, IconImage* image) {
    ImageHeader header;
    if (!readHeader(data, &header)) return false;
    LONG height = header.doubleHeight / 2;
    if (header.width <= 0 || height <= 0 || header.planes == 0) return false;
    if (!knownBitCount(header.bitsPerPixel)) return false;
    bool bitfields = header.compression == BI_BITFIELDS;
    if (header.compression != BI_RGB &&
        !(bitfields && (header.bitsPerPixel == 16 || header.bitsPerPixel == 32)))
        return false;

    DibFormat format;
    memset(&format, 0, sizeof format);
    format.width = header.width;
    format.height = height;
    format.bitsPerPixel = header.bitsPerPixel;
    format.compression = header.compression;
    format.stride = dibStride(header.width, header.bitsPerPixel);
    if (format.stride == 0) return false;

    size_t offset = header.size;
    if (bitfields) {
        for (int i = 0; i < 3; ++i) {
            uint32_t mask;
            if (!data.u32(offset + 4 * static_cast<size_t>(i), &mask) || mask == 0) return false;
            format.masks[i] = mask;
        }
        offset += 12;
    } else if (header.bitsPerPixel == 16) {
        format.masks[0] = 0x7C00;
        format.masks[1] = 0x03E0;
        format.masks[2] = 0x001F;
    } else {
        format.masks[0] = 0xFF0000;
        format.masks[1] = 0x00FF00;
        format.masks[2] = 0x0000FF;
    }
    for (int i = 0; i < 3; ++i) format.channels[i] = channelOf(format.masks[i]);
    format.plain32 = header.bitsPerPixel == 32 && format.masks[0] == 0xFF0000 &&
                     format.masks[1] == 0x00FF00 && format.masks[2] == 0x0000FF;

    size_t entryBytes = header.size == coreHeaderSize ? 3 : 4;
    uint32_t entries = tableEntries(header);
    ByteReader table;
    if (!data.sub(offset, entries * entryBytes, &table)) return false;
    if (header.bitsPerPixel <= 8) {
        format.colourCount = static_cast<int>(entries);
        for (uint32_t i = 0; i < entries; ++i) {
            const uint8_t* entry = table.data + i * entryBytes;
            format.colours[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        }
    }
    offset += table.length;

    ByteReader colourRows;
    uint64_t colourBytes = static_cast<uint64_t>(format.stride) * static_cast<uint64_t>(height);
    if (colourBytes > data.length ||
        !data.sub(offset, static_cast<size_t>(colourBytes), &colourRows))
        return false;
    offset += colourRows.length;
    // A mask cut short by the data's end is not read at all. The image is
    // then opaque everywhere, or, when it has alpha, opaque where its alpha
    // is, as on the platform.
    size_t maskStride = dibStride(header.width, 1);
    uint64_t maskBytes = static_cast<uint64_t>(maskStride) * static_cast<uint64_t>(height);
    ByteReader maskRows;
    bool hasMask =
        maskBytes <= data.length && data.sub(offset, static_cast<size_t>(maskBytes), &maskRows);

    if (!image->allocate(header.width, height)) return false;
    image->sourceBitsPerPixel = header.bitsPerPixel;
    image->monochrome = header.bitsPerPixel == 1 &&
                        (forceMonochrome || isBlackThenWhite(format, table, entryBytes));
    for (LONG y = 0; y < height; ++y) {
        const BYTE* row = colourRows.data + static_cast<size_t>(height - 1 - y) * format.stride;
        DWORD* out =
            image->colours.get() + static_cast<size_t>(y) * static_cast<size_t>(header.width);
        for (LONG x = 0; x < header.width; ++x) {
            if (image->monochrome)
                out[x] = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? 0x00FFFFFF : 0;
            else
                out[x] = dibPixel(format, row, x);
        }
        if (!hasMask) continue;
        const BYTE* maskRow = maskRows.data + static_cast<size_t>(height - 1 - y) * maskStride;
        BYTE* maskOut =
            image->mask.get() + static_cast<size_t>(y) * static_cast<size_t>(header.width);
        for (LONG x = 0; x < header.width; ++x) maskOut[x] = (maskRow[x >> 3] >> (7 - (x & 7))) & 1;
    }
    if (!hasMask && format.plain32 && hasAnyAlpha(*image)) maskFromAlpha(image);
    return true;
}

}  // namespace native
