// Inside the native layer only: icon resource data that is a PNG stream,
// read only through a ByteReader over the data.
#ifndef CELPACK_NATIVE_ICONS_PNG_IMAGE_H
#define CELPACK_NATIVE_ICONS_PNG_IMAGE_H

#include "platform/byte_reader.h"
#include "platform/native/user/icon_image.h"

namespace native {

// True when the data begins with the PNG signature.
bool isPngIconData(const ByteReader& data);
// False for malformed or unsupported data, with `image` left empty.
bool decodePngIconImage(const ByteReader& data, IconImage* image);

}  // namespace native

#endif
