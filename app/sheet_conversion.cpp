#include "app/sheet_conversion.h"

#include "drawing/canvas_drawing.h"
#include "drawing/drawing_session.h"

static void scanInto(void* sink) { scanGlyphSheet(readPixel, *static_cast<ByteSink*>(sink)); }

Conversion convertSheet(HANDLE picture, ByteSink sink) {
    switch (drawOnFreshCanvas(CANVAS_IMAGE, CANVAS_SIDE, CANVAS_SIDE, picture, scanInto, &sink)) {
    case CanvasDrawing::read: return Conversion::done;
    case CanvasDrawing::noCanvas: return Conversion::noCanvas;
    case CanvasDrawing::notDrawn: break;
    }
    return Conversion::notDrawn;
}
