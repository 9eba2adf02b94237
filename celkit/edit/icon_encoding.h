// An icon file of one image, as edit saves an ICO sheet: 32-bit pixels
// with their AND mask, so that pixels less than half opaque stay
// transparent and every reader, old or new, sees the same picture.
#ifndef CELKIT_EDIT_ICON_ENCODING_H
#define CELKIT_EDIT_ICON_ENCODING_H

#include <cstdint>
#include <vector>

#include "celkit/picture/picture.h"

namespace celkit {

// Empty for a picture an icon cannot hold (a side of 0 or over 256).
std::vector<std::uint8_t> encodeIcon(const Picture& picture);

}  // namespace celkit

#endif
