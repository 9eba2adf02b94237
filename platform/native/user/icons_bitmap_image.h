// Inside the native layer only: icon resource data in the bitmap layout (a
// BITMAPINFOHEADER whose height counts the colour rows and the AND mask
// rows together, a colour table, the colour rows, then the 1-bit mask
// rows, all bottom-up), read only through a ByteReader over the data.
#ifndef CELPACK_NATIVE_ICONS_BITMAP_IMAGE_H
#define CELPACK_NATIVE_ICONS_BITMAP_IMAGE_H

#include "platform/byte_reader.h"
#include "platform/native/user/icon_image.h"

namespace native {

// False for malformed or unsupported data, with `image` left empty.
// `forceMonochrome` makes every 1-bit image monochrome.
bool decodeBitmapIconImage(const ByteReader& data, bool forceMonochrome, IconImage* image);

}  // namespace native

#endif
