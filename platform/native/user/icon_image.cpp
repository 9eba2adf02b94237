// Icon images: plain pixels, sized within the limit.
#include "platform/native/user/icon_image.h"

#include <new>

namespace native {

bool IconImage::allocate(LONG newWidth, LONG newHeight) {
    colours.reset();
    mask.reset();
    width = height = 0;
    if (newWidth <= 0 || newHeight <= 0 ||
        static_cast<uint64_t>(newWidth) * static_cast<uint64_t>(newHeight) > iconPixelLimit)
        return false;
    size_t count = static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight);
    colours.reset(new (std::nothrow) DWORD[count]());
    mask.reset(new (std::nothrow) BYTE[count]());
    if (!colours || !mask) {
        colours.reset();
        mask.reset();
        return false;
    }
    width = newWidth;
    height = newHeight;
    return true;
}

void maskFromAlpha(IconImage* image) {
    for (size_t i = 0; i < image->pixelCount(); ++i)
        image->mask[i] = (image->colours[i] >> 24) != 0xFF;
}

bool hasAnyAlpha(const IconImage& image) {
    for (size_t i = 0; i < image.pixelCount(); ++i)
        if (image.colours[i] >> 24) return true;
    return false;
}

}  // namespace native
