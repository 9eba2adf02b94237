#include "drawing/canvas_drawing.h"

#include "drawing/drawing_session.h"
#include "image/image_object.h"

CanvasDrawing drawOnFreshCanvas(ObjectId canvas, int32_t width, int32_t height, HANDLE picture,
                                void (*reader)(void* context), void* context) {
    // Without a canvas or a session there are no pixels to read.
    if (!createImage(canvas, width, height)) return CanvasDrawing::noCanvas;
    DrawingContext* output = imageOutput(canvas);
    if (output == nullptr || !beginDrawing(output)) return CanvasDrawing::noCanvas;

    // A picture the platform could not turn into pixels would read as a
    // black canvas without a word.
    if (!drawImage(picture, 0, 0)) {
        endDrawing();
        return CanvasDrawing::notDrawn;
    }
    reader(context);
    endDrawing();
    return CanvasDrawing::read;
}
