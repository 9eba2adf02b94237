// Turning what the blit cannot copy directly into DIB sections of 24 or 32
// bits: icons (with their mask as alpha), device-dependent bitmaps, and
// bitmaps wanted at another size or of a lower depth. Each result is a new
// bitmap that the caller deletes.
#ifndef CELPACK_BITMAP_CONVERSION_H
#define CELPACK_BITMAP_CONVERSION_H

#include "platform/platform.h"

HBITMAP iconToBitmap(HICON icon);
HBITMAP copyToDibSection(HBITMAP bitmap);
// width or height -1: the source's own. A 32-bit source's fully
// transparent pixels are set to 0x00FFFFFF in place first.
HBITMAP resampleBitmap(HBITMAP bitmap, int32_t width, int32_t height);

// The cubic filter used for 32-bit sources (Mitchell and Netravali,
// B = C = 1/3), at distance `distance` in source pixels.
double cubicWeight(double distance);

#endif
