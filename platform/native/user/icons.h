// Inside the native layer only: icon images as resource data holds them,
// decoded into plain pixels before they become an icon's bitmaps.
//
// Resource data is either a bitmap-style image (a BITMAPINFOHEADER whose
// height counts the colour rows and the AND mask rows together, a colour
// table, the colour rows, then the 1-bit mask rows, all bottom-up) or a
// PNG stream. Decoders read only through a ByteReader over the data and
// its given size, and fail on anything that does not fit.
#ifndef CELPACK_NATIVE_ICONS_H
#define CELPACK_NATIVE_ICONS_H

#include <memory>

#include "platform/byte_reader.h"
#include "platform/native/gdi/gdi_objects.h"
#include "platform/native/user.h"

namespace native {

// Icons larger than this many pixels are refused rather than allocated.
const uint64_t iconPixelLimit = uint64_t(1) << 25;

// The platform's default icon size (SM_CXICON by SM_CYICON).
const LONG defaultIconSize = 32;

// One decoded image, top row first.
struct IconImage {
    LONG width = 0;
    LONG height = 0;
    // 0xAARRGGBB per pixel. Alpha is 0 unless the source keeps it (32-bit
    // pixels laid out blue, green, red, alpha, and PNG images with alpha).
    // For a monochrome image these are the XOR bits as black and white.
    std::unique_ptr<DWORD[]> colours;
    // The AND mask, one byte per pixel: 1 where the target shows through.
    std::unique_ptr<BYTE[]> mask;
    // A 1-bit image whose colour table is exactly black then white: the
    // platform keeps it as one mask bitmap of AND bits over XOR bits.
    bool monochrome = false;
    WORD sourceBitsPerPixel = 0;  // 0 for PNG

    // Zeroed pixels of the given size; false when it is empty, over
    // iconPixelLimit or the memory cannot be had.
    bool allocate(LONG newWidth, LONG newHeight);
    size_t pixelCount() const { return size_t(width) * size_t(height); }
};

// True when the data begins with the PNG signature.
bool isPngIconData(const ByteReader& data);

// Decoders: false for malformed or unsupported data, with `image` left
// empty. `forceMonochrome` makes every 1-bit image monochrome.
bool decodeBitmapIconImage(const ByteReader& data, bool forceMonochrome, IconImage* image);
bool decodePngIconImage(const ByteReader& data, IconImage* image);

// Sets the mask from the alpha: transparent wherever a pixel is short of
// fully opaque.
void maskFromAlpha(IconImage* image);
// True when some pixel's alpha is not 0.
bool hasAnyAlpha(const IconImage& image);

// The image at another size, as the platform scales icons it creates:
// enlarging repeats pixels; shrinking ANDs together every source pixel
// that falls on one target pixel, colour bytes and mask bits alike.
bool scaleIconImage(const IconImage& source, LONG width, LONG height, IconImage* scaled);

}  // namespace native

#endif
