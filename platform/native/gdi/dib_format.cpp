// Reading a BITMAPINFO the way the platform does: which headers, bit
// counts, compressions and masks it takes, where the colour table lies,
// and how 16- and 32-bit channels become 8-bit ones.
#include "platform/native/gdi/dib_format.h"

#include <string.h>

namespace native {

namespace {

const DWORD red555 = 0x7C00, green555 = 0x03E0, blue555 = 0x001F;
const DWORD red888 = 0xFF0000, green888 = 0x00FF00, blue888 = 0x0000FF;

DWORD readDword(const BYTE* bytes) {
    return static_cast<DWORD>(bytes[0]) | static_cast<DWORD>(bytes[1]) << 8 |
           static_cast<DWORD>(bytes[2]) << 16 | static_cast<DWORD>(bytes[3]) << 24;
}

bool knownBitCount(WORD bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The compression a bit count allows, for the given use.
bool compressionFits(const DibFormat& format, DibUse use) {
    switch (format.compression) {
    case BI_RGB: return true;
    case BI_BITFIELDS: return format.bitsPerPixel == 16 || format.bitsPerPixel == 32;
    case BI_RLE8:
    case BI_RLE4:
        // Run-length data is bounded by biSizeImage alone, so it must be
        // given; it is stored bottom-up only.
        return use == dibForConversion && !format.topDown && format.sizeImage != 0 &&
               format.bitsPerPixel == (format.compression == BI_RLE8 ? 8 : 4);
    default: return false;  // BI_JPEG, BI_PNG and unknown codes
    }
}

}  // namespace

DWORD dibStride(LONG width, WORD bitsPerPixel) {
    if (width <= 0) return 0;
    uint64_t stride = (static_cast<uint64_t>(width) * bitsPerPixel + 31) / 32 * 4;
    return stride > 0xFFFFFFFFu ? 0 : static_cast<DWORD>(stride);
}

Channel channelOf(DWORD mask) {
    Channel channel = {0, 0};
    if (mask == 0) return channel;
    while (!(mask & 1)) {
        mask >>= 1;
        channel.shift++;
    }
    while (mask & 1) {
        mask >>= 1;
        channel.length++;
    }
    return channel;
}

BYTE channelValue(DWORD pixel, Channel channel) {
    if (channel.length == 0) return 0;
    DWORD value = pixel >> channel.shift;
    if (channel.length < 32) value &= (static_cast<DWORD>(1) << channel.length) - 1;
    if (channel.length >= 8) return static_cast<BYTE>(value >> (channel.length - 8));
    DWORD top = value << (8 - channel.length);
    return static_cast<BYTE>(top | top >> channel.length);
}

DWORD channelBits(BYTE value, Channel channel) {
    if (channel.length == 0) return 0;
    DWORD bits = channel.length >= 8 ? static_cast<DWORD>(value) << (channel.length - 8)
                                     : static_cast<DWORD>(value) >> (8 - channel.length);
    return bits << channel.shift;
}

bool readDibFormat(const BITMAPINFO* info, UINT usage, DibUse use, DibFormat* format) {
    if (info == nullptr || format == nullptr) return false;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return false;
    memset(format, 0, sizeof *format);
    const BYTE* base = reinterpret_cast<const BYTE*>(info);
    DWORD headerSize = info->bmiHeader.biSize;
    LONG height;
    WORD planes;
    DWORD coloursUsed = 0;
    size_t entryBytes;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        const BITMAPCOREHEADER* core = reinterpret_cast<const BITMAPCOREHEADER*>(info);
        format->width = core->bcWidth;
        height = core->bcHeight;  // unsigned: a core DIB is always bottom-up
        planes = core->bcPlanes;
        format->bitsPerPixel = core->bcBitCount;
        format->compression = BI_RGB;
        entryBytes = sizeof(RGBTRIPLE);
    } else if (headerSize >= sizeof(BITMAPINFOHEADER)) {
        const BITMAPINFOHEADER& header = info->bmiHeader;
        format->width = header.biWidth;
        height = header.biHeight;
        planes = header.biPlanes;
        format->bitsPerPixel = header.biBitCount;
        format->compression = header.biCompression;
        format->sizeImage = header.biSizeImage;
        coloursUsed = header.biClrUsed;
        entryBytes = sizeof(RGBQUAD);
    } else {
        return false;
    }

    if (use == dibForSection ? planes != 1 : planes == 0) return false;
    if (format->width <= 0 || height == 0 || height == static_cast<LONG>(0x80000000)) return false;
    format->topDown = height < 0;
    format->height = height < 0 ? -height : height;
    if (!knownBitCount(format->bitsPerPixel) || !compressionFits(*format, use)) return false;
    format->stride = dibStride(format->width, format->bitsPerPixel);
    if (format->stride == 0) return false;

    // Masks follow a 40-byte header and lie at the same place inside the
    // longer ones.
    if (format->compression == BI_BITFIELDS) {
        for (int i = 0; i < 3; ++i)
            format->masks[i] = readDword(base + sizeof(BITMAPINFOHEADER) + 4 * i);
        if (!format->masks[0] || !format->masks[1] || !format->masks[2]) return false;
    } else if (format->bitsPerPixel == 16) {
        format->masks[0] = red555;
        format->masks[1] = green555;
        format->masks[2] = blue555;
    } else {
        format->masks[0] = red888;
        format->masks[1] = green888;
        format->masks[2] = blue888;
    }
    for (int i = 0; i < 3; ++i) format->channels[i] = channelOf(format->masks[i]);
    format->plain32 = format->bitsPerPixel == 32 && format->masks[0] == red888 &&
                      format->masks[1] == green888 && format->masks[2] == blue888;

    if (format->bitsPerPixel <= 8) {
        // Palette-index tables need a logical palette, which this layer
        // does not have.
        if (usage != DIB_RGB_COLORS) return false;
        DWORD limit = static_cast<DWORD>(1) << format->bitsPerPixel;
        DWORD count = coloursUsed == 0 || coloursUsed > limit ? limit : coloursUsed;
        const BYTE* table = base + headerSize;
        for (DWORD i = 0; i < count; ++i) {
            const BYTE* entry = table + i * entryBytes;
            format->colours[i] = RGBQUAD{entry[0], entry[1], entry[2], 0};
        }
        format->colourCount = static_cast<int>(count);
    }
    return true;
}

DWORD dibPixel(const DibFormat& format, const BYTE* row, LONG x) {
    DWORD index;
    switch (format.bitsPerPixel) {
    case 1:
    case 4:
    case 8: index = paletteIndex(row, x, format.bitsPerPixel); break;
    case 16: {
        const BYTE* p = row + 2 * static_cast<size_t>(x);
        DWORD pixel = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8;
        return DWORD(channelValue(pixel, format.channels[0])) << 16 |
               DWORD(channelValue(pixel, format.channels[1])) << 8 |
               channelValue(pixel, format.channels[2]);
    }
    case 24: {
        const BYTE* p = row + 3 * static_cast<size_t>(x);
        return static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[0];
    }
    default: {
        DWORD pixel = readDword(row + 4 * static_cast<size_t>(x));
        if (format.plain32) return pixel;
        return DWORD(channelValue(pixel, format.channels[0])) << 16 |
               DWORD(channelValue(pixel, format.channels[1])) << 8 |
               channelValue(pixel, format.channels[2]);
    }
    }
    // Indices past the table give black.
    if (static_cast<int>(index) >= format.colourCount) return 0;
    const RGBQUAD& colour = format.colours[index];
    return static_cast<DWORD>(colour.rgbRed) << 16 | static_cast<DWORD>(colour.rgbGreen) << 8 |
           colour.rgbBlue;
}

}  // namespace native
