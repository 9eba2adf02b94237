// Packs a 16 by 16 sheet of 16 by 16 pixel glyph cells into the glyph font
// byte stream, in file order. It knows only a pixel reader and a byte sink.
#ifndef CELPACK_GLYPH_SCAN_H
#define CELPACK_GLYPH_SCAN_H

#include "platform/platform.h"

// A colour at picture coordinates (x, y); only whether it is 0 matters.
typedef uint32_t (*PixelReader)(int32_t x, int32_t y);
// Takes one byte of the stream; its result is ignored.
typedef int32_t (*ByteSink)(uint32_t value);

// Reads each pixel of the sheet's 256 by 256 area once, cell by cell, and
// calls the sink exactly 8192 times.
void scanGlyphSheet(PixelReader readPixel, ByteSink sink);

#endif
