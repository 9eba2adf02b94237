#include "app/sheet_conversion.h"

#include "drawing/drawing_session.h"
#include "image/image_object.h"

Conversion convertSheet(HANDLE picture, ByteSink sink) {
    // Without a canvas or a session there are no pixels to read: stop
    // rather than hand over a font of nothing.
    if (!createImage(CANVAS_IMAGE, CANVAS_SIDE, CANVAS_SIDE)) return Conversion::noCanvas;
    DrawingContext* canvas = imageOutput(CANVAS_IMAGE);
    if (canvas == nullptr || !beginDrawing(canvas)) return Conversion::noCanvas;

    // An icon the platform could not turn into pixels would give a font of
    // nothing without a word.
    if (!drawImage(picture, 0, 0)) {
        endDrawing();
        return Conversion::notDrawn;
    }
    scanGlyphSheet(readPixel, sink);
    endDrawing();
    return Conversion::done;
}
