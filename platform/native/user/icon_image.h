// Inside the native layer only: an icon image decoded into plain pixels
// before it becomes an icon's bitmaps.
#ifndef CELPACK_NATIVE_ICON_IMAGE_H
#define CELPACK_NATIVE_ICON_IMAGE_H

#include <memory>

#include "platform/native/types.h"

namespace native {

// Icons larger than this many pixels are refused rather than allocated.
const uint64_t iconPixelLimit = uint64_t(1) << 25;

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

// Sets the mask from the alpha: transparent wherever a pixel is short of
// fully opaque.
void maskFromAlpha(IconImage* image);
// True when some pixel's alpha is not 0.
bool hasAnyAlpha(const IconImage& image);

}  // namespace native

#endif
