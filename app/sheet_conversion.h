// The road from a loaded picture to font bytes, the same for the tool and
// for the fuzz target: the picture is drawn at its own size on a fresh
// black canvas (image CANVAS_IMAGE) and the canvas's glyph cells are
// scanned into a byte sink. Nothing here names a file.
#ifndef CELPACK_SHEET_CONVERSION_H
#define CELPACK_SHEET_CONVERSION_H

#include "app/glyph_scan.h"
#include "platform/platform.h"

// The numbered objects of one run.
#define PICTURE_IMAGE 0
#define CANVAS_IMAGE 1

// The canvas is one pixel wider and taller than the sheet; that row and
// column never reach the font.
#define CANVAS_SIDE 257

enum class Conversion {
    done,      // the sink took all 8192 bytes
    noCanvas,  // no memory for the canvas or its drawing session; no byte sent
    notDrawn,  // the picture could not be drawn (a platform step failed); no byte sent
};

// Converts the picture behind `picture` (an image handle) into the sink.
// The canvas stays under CANVAS_IMAGE for the caller to free.
Conversion convertSheet(HANDLE picture, ByteSink sink);

#endif
