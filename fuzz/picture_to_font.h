// The tool's way from picture bytes to font bytes, with the file left out:
// the bytes become the picture image, and the tool's own convertSheet draws
// it on its canvas and scans it into a byte array. Shared by the fuzz
// target and the test that replays its findings, so both take exactly the
// steps the tool takes.
#ifndef CELPACK_FUZZ_PICTURE_TO_FONT_H
#define CELPACK_FUZZ_PICTURE_TO_FONT_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "app/font_format.h"
#include "app/sheet_conversion.h"
#include "drawing/drawing_session.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/runtime.h"

namespace pictureToFont {

// What one walk gave.
struct Outcome {
    bool loaded;            // decodeImageMemory accepted the bytes
    Conversion conversion;  // what convertSheet said, once loaded
    int32_t sinkCalls;      // bytes the scan handed over (8192 expected)
    uint8_t font[fontFileSize];
};

inline Outcome* current = nullptr;

inline int32_t keepByte(uint32_t value) {
    if (current->sinkCalls < fontFileSize) current->font[current->sinkCalls] = uint8_t(value);
    current->sinkCalls++;
    return 1;
}

inline const RuntimeLibraries* libraries() {
    static const RuntimeLibraries list = {initImageDecoders, initImages, initDrawing,
                                          nullptr,           nullptr,    endImages};
    return &list;
}

// Converts one block; every image it made is freed on return.
// As in the tool, a block that does not load goes no further.
inline void walk(const uint8_t* data, size_t size, Outcome* outcome) {
    memset(outcome, 0, sizeof *outcome);
    current = outcome;
    outcome->loaded = decodeImageMemory(PICTURE_IMAGE, data, uint32_t(size)) != 0;
    if (outcome->loaded) outcome->conversion = convertSheet(imageHandle(PICTURE_IMAGE), keepByte);
    freeImage(DYNAMIC_OBJECT);
    current = nullptr;
}

// One walk on a 1 x 1 white picture, which grows the image table to hold
// images 0 and 1, so that later walks can be held to leave the heap as
// they found it. True when it gave the one lit pixel it should.
inline bool warmUp(Outcome* outcome) {
    static const uint8_t onePixel[58] = {
        'B', 'M', 58, 0, 0, 0, 0, 0, 0,    0,    54,   0, 0, 0,         // file header
        40,  0,   0,  0, 1, 0, 0, 0, 1,    0,    0,    0, 1, 0, 24, 0,  // 1 x 1, 24 bits
        0,   0,   0,  0, 4, 0, 0, 0, 0,    0,    0,    0, 0, 0, 0,  0,
        0,   0,   0,  0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0};
    walk(onePixel, sizeof onePixel, outcome);
    return outcome->loaded && outcome->font[0] == 0x80 && outcome->font[1] == 0;
}

}  // namespace pictureToFont

#endif
