// Drawing sessions: an image object made into a drawing target, the one
// current session that the public drawing entries act on, and the image
// output's own slots (start, stop, release, text strip, clipping, grab).
#ifndef CELPACK_DRAWING_SESSION_H
#define CELPACK_DRAWING_SESSION_H

#include "drawing/drawing_context.h"
#include "platform/platform.h"
#include "runtime/object_table.h"

// Start-up: the thread-local slot that mirrors the current session.
void initDrawing();

// The session that the drawing entries use, or null.
DrawingContext* currentDrawingContext();

// Makes image `number` (a 24- or 32-bit DIB section) a drawing target and
// its record the current session; 0 when the image cannot be drawn on.
DrawingContext* imageOutput(ObjectId number);
// Starts the session; the device context handle, or 0 (the record is then
// gone).
intptr_t beginDrawing(DrawingContext* output);
// Ends and frees the current session; nothing without one.
void endDrawing();

// Public entries: they add the session's origin and call a slot. Without
// a session they do nothing and answer 0. drawImage answers true when the
// image was drawn (wholly clipped counts as drawn), false for a null
// handle or when a platform step failed so that nothing was drawn.
bool drawImage(HANDLE handle, int32_t x, int32_t y);
uint32_t readPixel(int32_t x, int32_t y);

// The image output's slots.
intptr_t startImageOutput(DrawingContext* context);
void stopImageOutput(DrawingContext* context);
void endImageOutput(DrawingContext* context, int32_t completed);
void selectFont(DrawingContext* context, HFONT font);
void clipOutput(DrawingContext* context, int32_t x, int32_t y, int32_t width, int32_t height);
void unclipOutput(DrawingContext* context);
intptr_t imageGrabber(DrawingContext* context, ObjectId number, int32_t x, int32_t y, int32_t width,
                      int32_t height);

// Extra width of italic text in `font`, found by drawing "H"; 0 for upright
// fonts.
int32_t measureItalicOverhang(HFONT font);

// The generic part of a record's set-up, for any output kind.
void initDrawingContext(DrawingContext* context, uint32_t formatFlags);

#endif
