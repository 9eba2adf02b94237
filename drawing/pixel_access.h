// The pixel level of a session: how the drawing mode picks the routines
// that read and plot single pixels, the readers and plotters themselves,
// and the colour components that the plotters use.
//
// Coordinates are output coordinates (origin added). Outside the output a
// reader answers 0 and a plotter does nothing.
#ifndef CELPACK_PIXEL_ACCESS_H
#define CELPACK_PIXEL_ACCESS_H

#include "drawing/drawing_context.h"

// Derives topRow and rowStep; run after every change of pixelBits,
// rowPitch, outputHeight or rowsBottomUp.
void placeRows(DrawingContext* context);

void setDrawingMode(DrawingContext* context, uint32_t mode);
void unpackFrontColour(DrawingContext* context, uint32_t colour);
void unpackBackColour(DrawingContext* context, uint32_t colour);
// Gives back the flood fill's storage and the gradient stops.
void releaseDrawingScratch(DrawingContext* context);

// Stores `colour` as the front colour and unpacks it.
void useFrontColour(DrawingContext* context, uint32_t colour);

uint32_t readRgb(DrawingContext* context, int32_t x, int32_t y);
uint32_t readRgba(DrawingContext* context, int32_t x, int32_t y);

// The plotter family: front forms use frontComponents, colour forms the
// colour's own bytes.
void plotSolid(DrawingContext* context, int32_t x, int32_t y);
void plotSolidColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotXor(DrawingContext* context, int32_t x, int32_t y);
void plotXorColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotBlend(DrawingContext* context, int32_t x, int32_t y);
void plotBlendColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotNothing(DrawingContext* context, int32_t x, int32_t y);
void plotNothingColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotAlphaOnly(DrawingContext* context, int32_t x, int32_t y);
void plotAlphaOnlyColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotAllChannels(DrawingContext* context, int32_t x, int32_t y);
void plotAllChannelsColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotBlendAlpha(DrawingContext* context, int32_t x, int32_t y);
void plotBlendAlphaColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotBlendKeepAlpha(DrawingContext* context, int32_t x, int32_t y);
void plotBlendKeepAlphaColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);
void plotGeneral(DrawingContext* context, int32_t x, int32_t y);
void plotGeneralColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour);

// Blends of one 4-byte pixel (blue, green, red, alpha) shared with the blit:
// `weighted` holds blue, green and red already multiplied by `alpha`.
void blendOverPixel4(BYTE* pixel, const int32_t weighted[3], int32_t alpha, int keepAlpha);

#endif
