// SetDIBits and GetDIBits: pixels between a caller's DIB memory and a
// bitmap, converted in software.
//
// Scan lines count from the bottom of the caller's DIB. The DIB and the
// bitmap share their top row, whatever their heights; what falls outside
// the bitmap is not written (SetDIBits) or reads as zero (GetDIBits).
//
// Source bytes SetDIBits reads behind `bits`, with stride the row size
// padded to 4 bytes:
// - bottom-up rows: stride x min(lines, height - start), nothing when start
//   is past the height;
// - top-down rows (negative height): stride x min(lines, height) when lines
//   is positive as a signed number, nothing otherwise;
// - BI_RLE8 and BI_RLE4: up to biSizeImage bytes, which must be given.
#include "platform/native/gdi/dib_format.h"
#include "platform/native/kernel.h"

#include <string.h>

namespace native {

namespace {

bool plain32(const Bitmap& bitmap) {
    return bitmap.bitsPerPixel == 32 && bitmap.bitfields[0] == 0xFF0000 &&
           bitmap.bitfields[1] == 0xFF00 && bitmap.bitfields[2] == 0xFF;
}

// Writes a table entry as a pixel: blue, green, red and, at 4 bytes, an
// alpha of 0. With `spare`, the byte after a 3-byte pixel may be written
// too (the next pixel's first byte, written over next): one store.
template <int size, bool spare>
inline void putColour(BYTE* out, RGBQUAD colour) {
    colour.rgbReserved = 0;
    memcpy(out, &colour, size == 4 || spare ? 4 : 3);
}

// Colour-table indices into 24-bit or plain 32-bit pixels. A table entry
// holds blue, green, red, 0: the bytes such a pixel takes (alpha 0), and the
// entries past the table are zero, black. Whole bytes of packed indices are
// split with fixed shifts; the last pixel of the row never writes past it.
template <WORD bits, int size>
void paletteRow(const DibFormat& format, const BYTE* row, BYTE* out, LONG width) {
    const LONG perByte = 8 / bits;
    const DWORD mask = (1u << bits) - 1;
    LONG x = 0;
    // Every pixel of these bytes has one after it in the row.
    for (; x + perByte < width; x += perByte, out += perByte * size) {
        BYTE packed = row[x / perByte];
#pragma GCC unroll 8
        for (LONG k = 0; k < perByte; ++k)
            putColour<size, true>(out + k * size,
                                  format.colours[(packed >> (8 - bits * (k + 1))) & mask]);
    }
    for (; x < width; ++x, out += size) {
        const RGBQUAD& colour = format.colours[paletteIndex(row, x, bits)];
        if (x + 1 < width)
            putColour<size, true>(out, colour);
        else
            putColour<size, false>(out, colour);
    }
}

template <int size>
void paletteRowOf(const DibFormat& format, const BYTE* row, BYTE* out, LONG width) {
    if (format.bitsPerPixel == 1)
        paletteRow<1, size>(format, row, out, width);
    else if (format.bitsPerPixel == 4)
        paletteRow<4, size>(format, row, out, width);
    else
        paletteRow<8, size>(format, row, out, width);
}

// One source row into row y (from the top) of the target.
void convertRow(const DibFormat& format, const BYTE* row, Bitmap& target, LONG y) {
    if (y < 0 || y >= target.height) return;
    LONG width = format.width < target.width ? format.width : target.width;
    BYTE* out = bitmapRow(target, y);
    if (format.bitsPerPixel == 24 && target.bitsPerPixel == 24) {
        memcpy(out, row, 3 * static_cast<size_t>(width));
    } else if (format.plain32 && plain32(target)) {
        memcpy(out, row, 4 * static_cast<size_t>(width));
    } else if (format.bitsPerPixel <= 8 && target.bitsPerPixel == 24) {
        paletteRowOf<3>(format, row, out, width);
    } else if (format.bitsPerPixel <= 8 && plain32(target)) {
        paletteRowOf<4>(format, row, out, width);
    } else {
        for (LONG x = 0; x < width; ++x) writeBitmapPixel(target, x, y, dibPixel(format, row, x));
    }
}

int setUncompressed(const DibFormat& format, UINT start, UINT lines, const BYTE* bits,
                    Bitmap& target) {
    const UINT height = static_cast<UINT>(format.height);
    if (!format.topDown) {
        if (start > height) return static_cast<int>(lines);
        UINT count = lines < height - start ? lines : height - start;
        for (UINT i = 0; i < count; ++i)
            convertRow(format, bits + static_cast<size_t>(i) * format.stride, target,
                       static_cast<LONG>(height - 1 - (start + i)));
        return static_cast<int>(count);
    }
    // Top-down rows: the first row in memory is scan line start + lines - 1.
    // A count that is negative as a signed number converts nothing.
    int count = static_cast<int>(lines);
    if (count <= 0) return count;
    int64_t firstY = static_cast<int64_t>(height) - static_cast<int64_t>(start) - count;
    int64_t rows = count < format.height ? count : format.height;
    for (int64_t i = 0; i < rows; ++i) {
        int64_t y = firstY + i;
        if (y >= 0 && y < format.height)
            convertRow(format, bits + static_cast<size_t>(i) * format.stride, target,
                       static_cast<LONG>(y));
    }
    return count;
}

void storePixel(BYTE* row, LONG x, WORD bitsPerPixel, DWORD argb) {
    if (bitsPerPixel == 16) {
        WORD pixel = static_cast<WORD>(((argb >> 19) & 0x1F) << 10 | ((argb >> 11) & 0x1F) << 5 |
                                       ((argb >> 3) & 0x1F));
        row[2 * x] = static_cast<BYTE>(pixel);
        row[2 * x + 1] = static_cast<BYTE>(pixel >> 8);
        return;
    }
    BYTE* p = row + static_cast<size_t>(x) * (bitsPerPixel / 8);
    p[0] = static_cast<BYTE>(argb);
    p[1] = static_cast<BYTE>(argb >> 8);
    p[2] = static_cast<BYTE>(argb >> 16);
    if (bitsPerPixel == 32) p[3] = static_cast<BYTE>(argb >> 24);
}

// The info-only GetDIBits: the bitmap's own format, or the image size of
// the format the caller names.
int describeForCaller(const Bitmap& bitmap, BITMAPINFOHEADER& header) {
    if (header.biBitCount == 0) {
        header.biWidth = bitmap.width;
        header.biHeight = bitmap.height;
        header.biPlanes = 1;
        header.biBitCount = bitmap.bitsPerPixel;
        header.biCompression =
            bitmap.bitsPerPixel == 16 || bitmap.bitsPerPixel == 32 ? BI_BITFIELDS : BI_RGB;
        header.biSizeImage = static_cast<DWORD>(bitmap.stride) * static_cast<DWORD>(bitmap.height);
        header.biClrUsed = 0;
        header.biClrImportant = 0;
        return bitmap.height;
    }
    WORD bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    DWORD stride = dibStride(header.biWidth, bits);
    uint64_t rows = header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight;
    uint64_t size = static_cast<uint64_t>(stride) * rows;
    if (stride == 0 || size > 0xFFFFFFFFu) return 0;
    header.biSizeImage = static_cast<DWORD>(size);
    return 1;
}

}  // namespace

}  // namespace native

using namespace native;

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
    Bitmap* target = findBitmap(bitmap);
    if (target == nullptr || bits == nullptr) return 0;
    DibFormat format;
    if (!readDibFormat(info, usage, dibForConversion, &format)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (lines == 0) return 0;
    const BYTE* source = static_cast<const BYTE*>(bits);
    // Run-length data always converts whole, whatever start and lines say.
    if (format.compression == BI_RLE8 || format.compression == BI_RLE4) {
        decodeRunLength(format, source, *target);
        return format.height;
    }
    return setUncompressed(format, start, lines, source, *target);
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
              UINT usage) {
    Bitmap* source = findBitmap(bitmap);
    if (findDC(dc) == nullptr || source == nullptr || info == nullptr) return 0;
    BITMAPINFOHEADER& header = info->bmiHeader;
    if (header.biSize < sizeof(BITMAPINFOHEADER)) return 0;
    if (bits == nullptr) return describeForCaller(*source, header);

    // Rows come out as 16 (5-5-5), 24 or 32 bits without a colour table.
    WORD depth = header.biBitCount;
    if (usage != DIB_RGB_COLORS || header.biCompression != BI_RGB ||
        (depth != 16 && depth != 24 && depth != 32))
        return 0;
    LONG width = header.biWidth;
    if (width <= 0 || header.biHeight == 0 || header.biHeight == static_cast<LONG>(0x80000000))
        return 0;
    DWORD stride = dibStride(width, depth);
    if (stride == 0) return 0;
    const bool topDown = header.biHeight < 0;
    const UINT height = static_cast<UINT>(topDown ? -header.biHeight : header.biHeight);
    if (start >= height) return 0;
    UINT count = lines < height - start ? lines : height - start;
    LONG usableWidth = width < source->width ? width : source->width;
    int copied = 0;
    for (UINT i = 0; i < count; ++i) {
        UINT scan = start + i;
        BYTE* out =
            static_cast<BYTE*>(bits) + static_cast<size_t>(topDown ? count - 1 - i : i) * stride;
        memset(out, 0, stride);
        UINT y = height - 1 - scan;
        if (y >= static_cast<UINT>(source->height)) continue;
        for (LONG x = 0; x < usableWidth; ++x)
            storePixel(out, x, depth, readBitmapPixel(*source, x, static_cast<LONG>(y)));
        copied++;
    }
    return copied;
}
