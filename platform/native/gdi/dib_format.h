// Inside the native layer only: the description of device-independent
// pixels as a BITMAPINFO gives it (the 12-byte core header, the 40-byte
// header and its longer versions), read once into a DibFormat, and the
// decoding of one pixel of such a row.
//
// Bytes a description takes, from the start of the BITMAPINFO: the header
// (biSize bytes, 12 for the core header); for BI_BITFIELDS behind a 40-byte
// header, three DWORD masks; for 1, 4 and 8 bits per pixel, the colour
// table right behind the header: biClrUsed entries (all 2^bits when 0,
// never more than 2^bits), 4 bytes each, 3 for the core header.
#ifndef CELPACK_NATIVE_DIB_FORMAT_H
#define CELPACK_NATIVE_DIB_FORMAT_H

#include "platform/native/gdi/gdi_objects.h"

namespace native {

// Where a colour mask lies in a pixel: its lowest bit and the run of set
// bits above it.
struct Channel {
    BYTE shift;
    BYTE length;
};

struct DibFormat {
    LONG width;   // > 0
    LONG height;  // > 0, absolute
    bool topDown;
    WORD bitsPerPixel;  // 1, 4, 8, 16, 24 or 32
    DWORD compression;  // BI_RGB, BI_RLE8, BI_RLE4 or BI_BITFIELDS
    DWORD sizeImage;    // bytes of run-length data
    DWORD stride;       // bytes per uncompressed row
    DWORD masks[3];     // red, green, blue of 16- and 32-bit pixels
    Channel channels[3];
    bool plain32;          // 32 bits laid out blue, green, red, alpha
    RGBQUAD colours[256];  // the colour table; entries past colourCount are black
    int colourCount;
};

// What the description is for: a new DIB section takes only uncompressed
// layouts and one plane; a conversion source also takes run-length data.
enum DibUse { dibForSection, dibForConversion };

// Reads and checks a description; false for anything the platform refuses.
bool readDibFormat(const BITMAPINFO* info, UINT usage, DibUse use, DibFormat* format);

// The channel of a colour mask; a zero mask gives length 0.
Channel channelOf(DWORD mask);
// A channel's value widened or narrowed to 8 bits: narrow channels repeat
// their top bits below themselves once (5-bit 0x10 gives 0x84), wide ones
// keep their top 8 bits.
BYTE channelValue(DWORD pixel, Channel channel);
// The pixel bits that hold an 8-bit value in a channel.
DWORD channelBits(BYTE value, Channel channel);

// The colour-table index of pixel x in a row of 1, 4 or 8 bits per pixel,
// leftmost pixel in the high bits.
inline DWORD paletteIndex(const BYTE* row, LONG x, WORD bitsPerPixel) {
    if (bitsPerPixel == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    if (bitsPerPixel == 4) return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    return row[x];
}

// Pixel x of an uncompressed row as 0xAARRGGBB. Alpha is the stored byte
// only for 32-bit pixels laid out blue, green, red, alpha; 0 otherwise.
DWORD dibPixel(const DibFormat& format, const BYTE* row, LONG x);

// Decodes BI_RLE8 or BI_RLE4 data into the target. The data is read up to
// biSizeImage bytes and never beyond. Rows are counted from the bottom of
// the source and placed so that the two pictures share their top row. A
// run that passes the end of a row is cut there; pixels skipped by a delta
// or an early end of line are left as they were; the row being decoded
// when the data runs out is dropped.
void decodeRunLength(const DibFormat& format, const BYTE* data, Bitmap& target);

}  // namespace native

#endif
