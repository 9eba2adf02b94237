// Copying an image into the current session's target at its own size, at
// another size, or with an opacity: icons and device-dependent bitmaps are
// first made DIB sections, then rows are copied or blended in software.
#ifndef CELPACK_IMAGE_BLIT_H
#define CELPACK_IMAGE_BLIT_H

#include "drawing/drawing_context.h"

// The slots. imageBlitter answers as blitImage; false for a null handle.
bool imageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y);
void sizedImageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y, int32_t width,
                       int32_t height);
void alphaImageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y,
                       int32_t opacity);

// width and height -1: the image's own. opacity 0 to 255. Both answer
// false when nothing could be drawn: the handle is no image, or describing
// or converting it failed, or its pixels are of a depth the rows cannot
// take. A source wholly outside the target was drawn, invisibly: true.
bool blitImage(DrawingContext* context, HANDLE handle, int32_t x, int32_t y, int32_t width,
               int32_t height, int32_t opacity, int32_t useSourceAlpha);
bool blitDibSection(DrawingContext* context, HBITMAP bitmap, int32_t x, int32_t y, int32_t opacity,
                    int32_t useSourceAlpha);
// Source rows are bottom-up, `pitch` bytes apart; (x, y) is where the
// source's top left pixel lands.
void blitRows24(DrawingContext* context, const BYTE* bits, int32_t pitch, int32_t x, int32_t y,
                int32_t width, int32_t height, int32_t opacity);
void blitRows32(DrawingContext* context, const BYTE* bits, int32_t pitch, int32_t x, int32_t y,
                int32_t width, int32_t height, int32_t opacity, int32_t useSourceAlpha);

#endif
