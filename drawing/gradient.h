// Where a plotted pixel's colour comes from when the session draws in
// gradient or custom mode: the gradient's colour at a pixel, its stops, and
// the callbacks a fresh context starts with. The pixel plotters and the
// session both use it; it uses neither.
#ifndef CELPACK_GRADIENT_H
#define CELPACK_GRADIENT_H

#include "drawing/drawing_context.h"

// The colour of the gradient at (x, y): the callback's position, clamped to
// 0..1, between the start colour, the stops and the end colour.
uint32_t gradientColour(DrawingContext* context, int32_t x, int32_t y);
// Adds a stop (position 0..1) to the session's gradient; 0 without memory.
int addGradientStop(DrawingContext* context, double position, uint32_t colour);

// The default callbacks of a fresh context.
double constantGradient(int32_t x, int32_t y);
uint32_t keepTarget(int32_t x, int32_t y, uint32_t source, uint32_t target);

#endif
