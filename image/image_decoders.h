// The registry of further image decoders, offered every block that is
// neither a bitmap nor an icon file, in the order they were registered.
// The tool registers none, so for it the registry stays empty.
#ifndef CELPACK_IMAGE_DECODERS_H
#define CELPACK_IMAGE_DECODERS_H

#include "image/image_object.h"

struct ImageDecoder {
    uint32_t formatTag;  // the decoder's own four-character code
    // Non-zero when the decoder takes the block.
    int (*probe)(const uint8_t* block, uint32_t length);
    // A new bitmap made from the block, or 0; *sourceDepth gets the
    // source's bits per pixel.
    HBITMAP (*decode)(const uint8_t* block, uint32_t length, uint32_t* sourceDepth);
    // Releases what the decoder holds; may be null.
    void (*end)();
};

#define IMAGE_DECODER_LIMIT 8

// Adds a decoder (kept by address) after those already there; 0 when the
// registry is full.
int registerImageDecoder(const ImageDecoder* decoder);

// Runs every decoder's end operation and empties the registry.
void endImageDecoders();

// The first decoder whose probe takes the block decodes it: its bitmap, or
// 0 when none takes it or the taker fails.
HBITMAP decodeWithRegisteredDecoders(const uint8_t* block, uint32_t length, uint32_t* sourceDepth,
                                     uint32_t* formatTag);

#endif
