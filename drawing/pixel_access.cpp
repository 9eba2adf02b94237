#include "drawing/pixel_access.h"

#include "drawing/gradient.h"
#include "runtime/heaps.h"

namespace {

// One unsigned comparison per axis also rejects negative coordinates.
inline bool inside(const DrawingContext* context, int32_t x, int32_t y) {
    return static_cast<uint32_t>(x) < static_cast<uint32_t>(context->outputWidth) &&
           static_cast<uint32_t>(y) < static_cast<uint32_t>(context->outputHeight);
}

// Address of pixel (x, y), which must be inside the output: both are then
// small and not negative, so the column's offset fits 32 unsigned bits.
inline BYTE* addressOf(const DrawingContext* context, int32_t x, int32_t y, int32_t size) {
    uint32_t column = static_cast<uint32_t>(x) * static_cast<uint32_t>(size);
    return context->topRow + static_cast<uint32_t>(y) * context->rowStep + column;
}

// Address of pixel (x, y), or null outside the output.
inline BYTE* pixelAt(const DrawingContext* context, int32_t x, int32_t y, int32_t size) {
    return inside(context, x, y) ? addressOf(context, x, y, size) : nullptr;
}

// The colour's own components, never premultiplied.
inline ColourComponents split(uint32_t colour) {
    ColourComponents parts;
    parts.red = static_cast<int32_t>(colour & 0xFF);
    parts.green = static_cast<int32_t>((colour >> 8) & 0xFF);
    parts.blue = static_cast<int32_t>((colour >> 16) & 0xFF);
    parts.alpha = static_cast<int32_t>(colour >> 24);
    parts.inverseAlpha = 255 - parts.alpha;
    return parts;
}

inline ColourComponents premultiply(ColourComponents parts) {
    parts.red *= parts.alpha;
    parts.green *= parts.alpha;
    parts.blue *= parts.alpha;
    return parts;
}

inline void writeColour(BYTE* pixel, const ColourComponents& c) {
    pixel[0] = static_cast<BYTE>(c.blue);
    pixel[1] = static_cast<BYTE>(c.green);
    pixel[2] = static_cast<BYTE>(c.red);
}

inline void xorColour(BYTE* pixel, const ColourComponents& c) {
    pixel[0] ^= static_cast<BYTE>(c.blue);
    pixel[1] ^= static_cast<BYTE>(c.green);
    pixel[2] ^= static_cast<BYTE>(c.red);
}

// 3-byte blend from weighted (premultiplied) channels.
inline void blendWeighted3(BYTE* pixel, const ColourComponents& weighted) {
    int32_t inverse = weighted.inverseAlpha;
    pixel[0] = static_cast<BYTE>((pixel[0] * inverse + weighted.blue) / 255);
    pixel[1] = static_cast<BYTE>((pixel[1] * inverse + weighted.green) / 255);
    pixel[2] = static_cast<BYTE>((pixel[2] * inverse + weighted.red) / 255);
}

inline void blendWeighted4(BYTE* pixel, const ColourComponents& weighted, int keepAlpha) {
    int32_t channels[3] = {weighted.blue, weighted.green, weighted.red};
    blendOverPixel4(pixel, channels, weighted.alpha, keepAlpha);
}

inline void writeAll(BYTE* pixel, const ColourComponents& c) {
    writeColour(pixel, c);
    pixel[3] = static_cast<BYTE>(c.alpha);
}

// A colour as read from memory: 0x00BBGGRR.
inline uint32_t colourOf(const BYTE* pixel) {
    return (static_cast<uint32_t>(pixel[0]) << 16) | (static_cast<uint32_t>(pixel[1]) << 8) |
           pixel[2];
}

// The gradient or custom colour of one pixel, written under the mode.
void plotGeneralAt(DrawingContext* context, int32_t x, int32_t y) {
    int32_t size = context->bytesPerPixel;
    BYTE* pixel = pixelAt(context, x, y, size);
    if (!pixel) return;
    uint32_t colour = context->gradientMode ? gradientColour(context, x, y) : context->frontColour;
    if (context->customMode) {
        uint32_t alpha = size == 4 ? pixel[3] : 255u;
        uint32_t result = context->customCallback(x, y, colour, colourOf(pixel) | (alpha << 24));
        writeColour(pixel, split(result));
        if (size == 4) pixel[3] = static_cast<BYTE>(result >> 24);
        return;
    }
    uint32_t mode = context->drawingMode;
    ColourComponents parts = split(colour);
    if (mode & MODE_XOR) {
        xorColour(pixel, parts);
    } else if (mode & MODE_ALL_CHANNELS) {
        writeAll(pixel, parts);
    } else if (mode & MODE_ALPHA_ONLY) {
        if (size == 4) pixel[3] = static_cast<BYTE>(parts.alpha);
    } else if (mode & (MODE_BLEND | MODE_BLEND_KEEP_ALPHA)) {
        if (size == 3)
            blendWeighted3(pixel, premultiply(parts));
        else
            blendWeighted4(pixel, premultiply(parts), (mode & MODE_BLEND) == 0);
    } else {
        writeColour(pixel, parts);
    }
}

}  // namespace

void blendOverPixel4(BYTE* pixel, const int32_t weighted[3], int32_t alpha, int keepAlpha) {
    if (alpha == 0) return;
    int32_t inverse = 255 - alpha;
    int32_t destination = pixel[3];
    if (destination == 0) {
        for (int i = 0; i < 3; ++i) pixel[i] = static_cast<BYTE>(weighted[i] / alpha);
    } else {
        int32_t divisor = alpha * 255 + destination * inverse;
        for (int i = 0; i < 3; ++i)
            pixel[i] =
                static_cast<BYTE>((pixel[i] * inverse * destination + weighted[i] * 255) / divisor);
    }
    if (!keepAlpha) pixel[3] = static_cast<BYTE>((destination * inverse + alpha * 255) / 255);
}

// ---- Readers

// The conversion calls readRgb once per pixel of the sheet: a bounds test,
// one multiply-add per axis and the byte loads, nothing derived per call.
uint32_t readRgb(DrawingContext* context, int32_t x, int32_t y) {
    if (!inside(context, x, y)) return 0;
    return colourOf(addressOf(context, x, y, context->bytesPerPixel));
}

uint32_t readRgba(DrawingContext* context, int32_t x, int32_t y) {
    if (!inside(context, x, y)) return 0;
    const BYTE* pixel = addressOf(context, x, y, 4);
    return colourOf(pixel) | (static_cast<uint32_t>(pixel[3]) << 24);
}

// ---- Plotters

void plotSolid(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        writeColour(pixel, context->frontComponents);
}

void plotSolidColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        writeColour(pixel, split(colour));
}

void plotXor(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        xorColour(pixel, context->frontComponents);
}

void plotXorColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        xorColour(pixel, split(colour));
}

void plotBlend(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, 3)) blendWeighted3(pixel, context->frontComponents);
}

void plotBlendColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, 3)) blendWeighted3(pixel, premultiply(split(colour)));
}

void plotNothing(DrawingContext*, int32_t, int32_t) {}

void plotNothingColour(DrawingContext*, int32_t, int32_t, uint32_t) {}

void plotAlphaOnly(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, 4))
        pixel[3] = static_cast<BYTE>(context->frontComponents.alpha);
}

void plotAlphaOnlyColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, 4)) pixel[3] = static_cast<BYTE>(colour >> 24);
}

void plotAllChannels(DrawingContext* context, int32_t x, int32_t y) {
    // The mode that installs this member never premultiplies.
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        writeAll(pixel, context->frontComponents);
}

void plotAllChannelsColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, context->bytesPerPixel))
        writeAll(pixel, split(colour));
}

void plotBlendAlpha(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, 4)) blendWeighted4(pixel, context->frontComponents, 0);
}

void plotBlendAlphaColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, 4))
        blendWeighted4(pixel, premultiply(split(colour)), 0);
}

void plotBlendKeepAlpha(DrawingContext* context, int32_t x, int32_t y) {
    if (BYTE* pixel = pixelAt(context, x, y, 4)) blendWeighted4(pixel, context->frontComponents, 1);
}

void plotBlendKeepAlphaColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    if (BYTE* pixel = pixelAt(context, x, y, 4))
        blendWeighted4(pixel, premultiply(split(colour)), 1);
}

void plotGeneral(DrawingContext* context, int32_t x, int32_t y) { plotGeneralAt(context, x, y); }

void plotGeneralColour(DrawingContext* context, int32_t x, int32_t y, uint32_t colour) {
    context->frontColour = colour;
    plotGeneralAt(context, x, y);
}

// ---- Rows

void placeRows(DrawingContext* context) {
    intptr_t pitch = context->rowPitch;
    if (context->rowsBottomUp && context->outputHeight > 0 && context->pixelBits) {
        context->topRow = context->pixelBits + (context->outputHeight - 1) * pitch;
        context->rowStep = -pitch;
    } else {
        context->topRow = context->pixelBits;
        context->rowStep = pitch;
    }
}

// ---- Colours and mode

void unpackFrontColour(DrawingContext* context, uint32_t colour) {
    ColourComponents parts = split(colour);
    context->frontComponents = context->premultiplied ? premultiply(parts) : parts;
}

void unpackBackColour(DrawingContext* context, uint32_t colour) {
    ColourComponents parts = split(colour);
    context->backComponents = context->premultiplied ? premultiply(parts) : parts;
}

void useFrontColour(DrawingContext* context, uint32_t colour) {
    context->frontColour = colour;
    context->unpackFrontColour(context, colour);
}

void setDrawingMode(DrawingContext* context, uint32_t mode) {
    int fourBytes = context->bytesPerPixel == 4;
    if (mode & MODE_ALL_CHANNELS) {
        mode &= ~(MODE_ALPHA_ONLY | MODE_BLEND | MODE_BLEND_KEEP_ALPHA);
        if (!fourBytes) mode &= ~MODE_ALL_CHANNELS;
    }
    context->drawingMode = mode;
    context->premultiplied = (mode & (MODE_BLEND | MODE_BLEND_KEEP_ALPHA)) &&
                             !(mode & (MODE_XOR | MODE_GRADIENT | MODE_CUSTOM | MODE_ALL_CHANNELS));
    context->gradientMode = mode & MODE_GRADIENT;
    context->customMode = mode & MODE_CUSTOM;

    FrontPlotter front;
    ColourPlotter coloured;
    if (mode & (MODE_GRADIENT | MODE_CUSTOM)) {
        front = plotGeneral, coloured = plotGeneralColour;
    } else if (mode & MODE_XOR) {
        front = plotXor, coloured = plotXorColour;
    } else if (mode & MODE_ALL_CHANNELS) {
        front = plotAllChannels, coloured = plotAllChannelsColour;
    } else if (mode & MODE_ALPHA_ONLY) {
        if (fourBytes)
            front = plotAlphaOnly, coloured = plotAlphaOnlyColour;
        else
            front = plotNothing, coloured = plotNothingColour;
    } else if (mode & MODE_BLEND) {
        if (fourBytes)
            front = plotBlendAlpha, coloured = plotBlendAlphaColour;
        else
            front = plotBlend, coloured = plotBlendColour;
    } else if (mode & MODE_BLEND_KEEP_ALPHA) {
        if (fourBytes)
            front = plotBlendKeepAlpha, coloured = plotBlendKeepAlphaColour;
        else
            front = plotBlend, coloured = plotBlendColour;
    } else {
        front = plotSolid, coloured = plotSolidColour;
    }
    context->frontPlotter = front;
    context->colourPlotter = coloured;

    const uint32_t alphaModes =
        MODE_ALPHA_ONLY | MODE_BLEND | MODE_BLEND_KEEP_ALPHA | MODE_CUSTOM | MODE_ALL_CHANNELS;
    context->pixelReader = fourBytes && (mode & alphaModes) ? readRgba : readRgb;

    context->unpackFrontColour(context, context->frontColour);
    context->unpackBackColour(context, context->backColour);
}

// ---- Scratch storage

void releaseDrawingScratch(DrawingContext* context) {
    // Pool blocks are chained through their first field.
    void* block = context->fillPool;
    while (block) {
        void* next = *static_cast<void**>(block);
        giveBackRecord(block);
        block = next;
    }
    giveBackRecord(context->fillScratch);
    GradientStop* stop = context->gradientStops;
    while (stop) {
        GradientStop* next = stop->next;
        giveBackRecord(stop);
        stop = next;
    }
}
