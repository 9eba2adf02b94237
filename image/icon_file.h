// Icon files: the directory, the choice of one image (the deepest of the
// first entry's size), the platform icon made from it, and the size and
// depth an image record gets for that icon.
#ifndef CELPACK_ICON_FILE_H
#define CELPACK_ICON_FILE_H

#include "platform/platform.h"

// An icon made from the best image of an icon file of `length` bytes: the
// deepest of the first entry's size, at that image's own size. 0 for a
// block that is no usable icon file: an image header the platform could
// not honestly draw (its layout, bit count, sides, parts past its end, or
// more pixels than its compressed data may expand to) is refused before
// the platform sees it, and an icon the platform makes at another size is
// refused after. lastLoadFailure() tells which.
HICON iconFromMemory(const void* block, uint32_t length);

// Index of the directory entry iconFromMemory uses, or -1 when the block
// is no icon file or its directory does not fit in it.
int32_t chooseIconEntry(const uint8_t* block, uint32_t length);

// Size and depth of an icon as an image record holds them: those of its
// colour bitmap, or, for a monochrome icon that has none, the mask's width,
// half its height and depth 1. 0 when the platform cannot describe it.
bool describeIcon(HICON icon, int32_t* width, int32_t* height, uint32_t* depth);

#endif
