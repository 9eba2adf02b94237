#include "app/converter.h"

#include "drawing/drawing_session.h"
#include "app/glyph_scan.h"
#include "file/output_file.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/message.h"
#include "runtime/parameters.h"
#include "runtime/strings.h"

WCHAR* pictureName;
WCHAR* fontName;

static const WCHAR errorCaption[] = UTF16("Error");
static const WCHAR usageText[] = UTF16("use celpack.exe pic.bmp");
static const WCHAR loadErrorText[] = UTF16("Error loading Image");
static const WCHAR writeErrorText[] = UTF16("Error writing file!");
static const WCHAR canvasErrorText[] = UTF16("Error creating the canvas!");

static void reportError(const WCHAR* text) { showMessage(errorCaption, text, 0); }

static int32_t writeFontByte(uint32_t value) { return writeByte(FONT_FILE, value); }

// An output that did not get all its bytes must not pass for a font: it is
// closed and removed.
static void discardOutput() {
    closeFile(FONT_FILE);
    DeleteFileW(fontName);
}

void runConverter() {
    pictureName = NULL;
    fontName = NULL;

    if (countParameters() == 0) {
        reportError(usageText);
        return;
    }
    pictureName = keepString(parameterAt(0));

    // The picture is loaded before the output is made, so a picture that
    // cannot be read leaves no file behind.
    if (pictureName == NULL) {
        reportError(loadErrorText);
        return;
    }
    if (!loadImage(PICTURE_IMAGE, pictureName)) {
        reportError(joinTemporary(loadErrorText, pictureName));
        return;
    }

    fontName = keepString(joinTemporary(pictureName, UTF16(".fnt")));
    if (fontName == NULL || !createFile(FONT_FILE, fontName)) {
        reportError(writeErrorText);
        return;
    }

    // Without a canvas or a session there are no pixels to read: stop
    // rather than write a font of nothing.
    if (!createImage(CANVAS_IMAGE, CANVAS_SIDE, CANVAS_SIDE)) {
        discardOutput();
        reportError(canvasErrorText);
        return;
    }
    DrawingContext* canvas = imageOutput(CANVAS_IMAGE);
    if (canvas == NULL || !beginDrawing(canvas)) {
        discardOutput();
        reportError(canvasErrorText);
        return;
    }

    drawImage(imageHandle(PICTURE_IMAGE), 0, 0);
    scanGlyphSheet(readPixel, writeFontByte);
    endDrawing();

    if (!closeFile(FONT_FILE)) {
        DeleteFileW(fontName);
        reportError(writeErrorText);
    }
}
