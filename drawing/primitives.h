// The drawing primitives behind the context's slots: filled rectangles,
// rounded rectangles and ellipses, lines, flood fill, and text through the
// session's text strip. All draw through the session's plotters, so the
// drawing mode applies to them.
#ifndef CELPACK_PRIMITIVES_H
#define CELPACK_PRIMITIVES_H

#include "drawing/drawing_context.h"

void drawBox(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height,
             uint32_t colour);
void drawRoundBox(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t radiusX, int32_t radiusY, uint32_t colour);
void drawEllipse(DrawingContext* context, int32_t x, int32_t y, int32_t radiusX, int32_t radiusY,
                 uint32_t colour);
void drawLine(DrawingContext* context, int32_t x1, int32_t y1, int32_t x2, int32_t y2,
              uint32_t colour);
// Fills the 4-connected area of pixels that read as the one at (x, y).
void fillArea(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);

int32_t writeText(DrawingContext* context, int32_t x, int32_t y, const WCHAR* text,
                  uint32_t colour);
int32_t writeRotatedText(DrawingContext* context, int32_t x, int32_t y, const WCHAR* text,
                         float angle, uint32_t colour);
int32_t textWidth(DrawingContext* context, const WCHAR* text);
int32_t textHeight(DrawingContext* context, const WCHAR* text);

#endif
