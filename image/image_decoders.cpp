#include "image/image_decoders.h"

static const ImageDecoder* decoders[IMAGE_DECODER_LIMIT];
static int decoderCount;

void initImageDecoders() { decoderCount = 0; }

int registerImageDecoder(const ImageDecoder* decoder) {
    if (!decoder || decoderCount >= IMAGE_DECODER_LIMIT) return 0;
    decoders[decoderCount++] = decoder;
    return 1;
}

void endImageDecoders() {
    for (int i = 0; i < decoderCount; ++i)
        if (decoders[i]->end) decoders[i]->end();
    decoderCount = 0;
}

HBITMAP decodeWithRegisteredDecoders(const uint8_t* block, uint32_t length, uint32_t* sourceDepth,
                                     uint32_t* formatTag) {
    for (int i = 0; i < decoderCount; ++i) {
        const ImageDecoder* decoder = decoders[i];
        if (!decoder->probe(block, length)) continue;
        *formatTag = decoder->formatTag;
        return decoder->decode(block, length, sourceDepth);
    }
    return nullptr;
}
