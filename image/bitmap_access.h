// Bitmap queries for the image blit: a bitmap's pixels as 32-bit rows,
// and whether a bitmap carries an alpha channel worth blending.
#ifndef CELPACK_BITMAP_ACCESS_H
#define CELPACK_BITMAP_ACCESS_H

#include "platform/platform.h"

// The pixel rows of `bitmap`, or 0. For a DIB section they are its own
// memory (*owned = 0), in its own order, depth and rowStride. For any other
// bitmap they are a copy, 32 bits per pixel, top row first, width * 4
// bytes a row (*owned = 1): give it back with giveBackRecord.
void* readBitmapRows32(HBITMAP bitmap, int* owned);

// 1 when `bitmap` has an alpha channel to blend with: any 32-bit DIB
// section, or another 32-bit bitmap with a non-zero alpha byte. 0 for
// everything else, and always 0 when the platform has no AlphaBlend.
int bitmapHasAlpha(HBITMAP bitmap);

#endif
