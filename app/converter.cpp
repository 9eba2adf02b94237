#include "app/converter.h"

#include "app/font_format.h"
#include "app/sheet_conversion.h"
#include "file/output_file.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/message.h"
#include "runtime/parameters.h"
#include "runtime/strings.h"

static const WCHAR errorCaption[] = UTF16("Error");
static const WCHAR usageText[] = UTF16("use celpack.exe pic.bmp");
static const WCHAR loadErrorText[] = UTF16("Error loading Image");
static const WCHAR writeErrorText[] = UTF16("Error writing file!");
static const WCHAR canvasErrorText[] = UTF16("Error creating the canvas!");

// Names tried for the new font before it replaces the old one: the font's
// name + ".PID-N.tmp", N from 0 up, in the font's own directory so that
// the last step is a rename on one volume.
static const int32_t temporaryNameTries = 100;

static void reportError(const WCHAR* text) { showMessage(errorCaption, text, 0); }

static int32_t writeFontByte(uint32_t value) { return writeByte(FONT_FILE, value); }

// Writes value in decimal at `out`; returns the position after it.
static WCHAR* putDecimal(WCHAR* out, uint32_t value) {
    WCHAR digits[10];
    int32_t count = 0;
    do {
        digits[count++] = static_cast<WCHAR>(UTF16('0') + value % 10);
        value /= 10;
    } while (value != 0);
    while (count > 0) *out++ = digits[--count];
    return out;
}

// "fontName.PID-N.tmp" as a temporary string.
static const WCHAR* temporaryName(const WCHAR* font, int32_t attempt) {
    WCHAR suffix[32];
    WCHAR* at = suffix;
    *at++ = UTF16('.');
    at = putDecimal(at, GetCurrentProcessId());
    *at++ = UTF16('-');
    at = putDecimal(at, static_cast<uint32_t>(attempt));
    static const WCHAR ending[] = UTF16(".tmp");
    for (const WCHAR* e = ending; *e != 0; ++e) *at++ = *e;
    *at = 0;
    return joinTemporary(font, suffix);
}

// Creates file FONT_FILE under a fresh temporary name, never opening a file
// or following a link that is already there. The kept name, or null.
static WCHAR* createTemporaryFont(const WCHAR* font) {
    for (int32_t attempt = 0; attempt < temporaryNameTries; ++attempt) {
        WCHAR* name = keepString(temporaryName(font, attempt));
        if (name == nullptr) return nullptr;
        if (createNewFile(FONT_FILE, name)) return name;
        if (GetLastError() != ERROR_FILE_EXISTS) return nullptr;
    }
    return nullptr;
}

// Whatever went wrong, the old font stays and the new one goes.
static void discardTemporary(const WCHAR* temporary) {
    closeFile(FONT_FILE);
    DeleteFileW(temporary);
}

void runConverter() {
    if (countParameters() == 0) {
        reportError(usageText);
        return;
    }
    WCHAR* pictureName = keepString(parameterAt(0));

    // The picture is loaded before the output is made, so a picture that
    // cannot be read leaves no file behind.
    if (pictureName == nullptr) {
        reportError(loadErrorText);
        return;
    }
    if (!loadImage(PICTURE_IMAGE, pictureName)) {
        reportError(joinTemporary(loadErrorText, pictureName));
        return;
    }

    // The font is written under a temporary name and replaces NAME.fnt only
    // once it is whole, so a failure or a killed run never costs the font
    // that was there, and a link under the name is replaced, not written
    // through.
    WCHAR* fontName = keepString(joinTemporary(pictureName, fontFileExtension));
    WCHAR* temporary = fontName == nullptr ? nullptr : createTemporaryFont(fontName);
    if (temporary == nullptr) {
        reportError(writeErrorText);
        return;
    }

    switch (convertSheet(imageHandle(PICTURE_IMAGE), writeFontByte)) {
    case Conversion::done: break;
    case Conversion::noCanvas:
        discardTemporary(temporary);
        reportError(canvasErrorText);
        return;
    case Conversion::notDrawn:
        discardTemporary(temporary);
        reportError(joinTemporary(loadErrorText, pictureName));
        return;
    }

    if (!closeFile(FONT_FILE) ||
        !MoveFileExW(temporary, fontName, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary);
        reportError(writeErrorText);
    }
}
