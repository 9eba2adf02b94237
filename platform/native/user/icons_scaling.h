// Inside the native layer only: icon images made at another size.
#ifndef CELPACK_NATIVE_ICONS_SCALING_H
#define CELPACK_NATIVE_ICONS_SCALING_H

#include "platform/native/user/icon_image.h"

namespace native {

// The image at another size, as the platform scales icons it creates:
// enlarging repeats pixels; shrinking ANDs together every source pixel
// that falls on one target pixel, colour bytes and mask bits alike.
bool scaleIconImage(const IconImage& source, LONG width, LONG height, IconImage* scaled);

}  // namespace native

#endif
