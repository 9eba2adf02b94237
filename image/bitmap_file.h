// Bitmap files ("BM"): read in stages (file header, info header, colour
// table, pixels), each checked against the block before the next is read,
// and converted by the platform into a bottom-up DIB section of 24 bits
// per pixel (32 for 32-bit files).
#ifndef CELPACK_BITMAP_FILE_H
#define CELPACK_BITMAP_FILE_H

#include "platform/platform.h"

// A bitmap file's description in one shape, whichever info header it had
// (12-byte core, 40-byte, V4, V5). Once readBitmapFile has accepted it:
// - width is 1..32767; height is non-zero and at most 32767 either way,
//   negative for top-down rows;
// - bitCount and compression are one of: BI_RGB at 1, 4, 8, 16, 24 or 32
//   bits; BI_RLE8 at 8 and BI_RLE4 at 4 bits, bottom-up only; BI_BITFIELDS
//   at 16 or 32 bits;
// - description is a 40-byte header with those values, followed by the
//   colour table (colourCount entries, 1 to 2^bitCount, for 8 bits and
//   fewer; biClrUsed = colourCount) or, for BI_BITFIELDS, the three masks;
// - the pixel data, pixelLength bytes from pixelOffset, lies in the block
//   after the headers and the colour table or masks: every row for
//   uncompressed files, the run-length data otherwise, which declares no
//   more pixels than withinPixelBudget allows for its length.
struct BitmapFile {
    int32_t width;
    int32_t height;
    uint32_t bitCount;
    uint32_t compression;
    uint32_t colourCount;
    uint32_t pixelOffset;
    uint32_t pixelLength;
    struct {
        BITMAPINFOHEADER header;
        union {
            RGBQUAD colours[256];
            DWORD masks[3];
        };
    } description;
};

// 1 when the block is a bitmap file whose every part lies inside it, with
// *file filled as above; 0 otherwise.
int readBitmapFile(const uint8_t* block, uint32_t length, BitmapFile* file);

// The bitmap path: a new bottom-up DIB section holding the file's picture,
// its alpha bytes made opaque when a 32-bit file has none set; 0 when the
// file is refused or the platform converts nothing. *sourceDepth gets the
// file's bits per pixel.
HBITMAP decodeBitmapFile(const uint8_t* block, uint32_t length, uint32_t* sourceDepth);

#endif
