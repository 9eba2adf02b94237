// One road from a loaded picture to pixels that can be read: a fresh black
// canvas image, a drawing session on it, the picture drawn at 0, 0, then
// the caller's reader while the session is open. celpack's sheet
// conversion and celkit's picture reading both take it.
#ifndef CELPACK_CANVAS_DRAWING_H
#define CELPACK_CANVAS_DRAWING_H

#include "platform/platform.h"
#include "runtime/object_table.h"

enum class CanvasDrawing {
    read,      // drawn, and the reader ran
    noCanvas,  // no memory for the canvas or its drawing session
    notDrawn,  // a platform step of drawing the picture failed; the reader did not run
};

// The canvas stays under `canvas` for the caller to free. The reader reads
// the session's pixels (readPixel); `context` is handed to it.
CanvasDrawing drawOnFreshCanvas(ObjectId canvas, int32_t width, int32_t height, HANDLE picture,
                                void (*reader)(void* context), void* context);

#endif
