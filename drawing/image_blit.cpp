#include "drawing/image_blit.h"

#include "drawing/bitmap_conversion.h"
#include "drawing/pixel_access.h"
#include "image/image_object.h"
#include "runtime/heaps.h"

namespace {

// One clipped row of a blit: `count` pixels from `source` onto `target`,
// the first of them at output pixel (x, y).
struct RowJob {
    DrawingContext* context;
    BYTE* target;
    const BYTE* source;
    int32_t count;
    int32_t x;
    int32_t y;
    int32_t opacity;
};

typedef void (*RowWork)(const RowJob& job);

// The alpha a 4-byte source pixel is drawn with.
inline int32_t scaledAlpha(int32_t alpha, int32_t opacity) {
    return opacity == 255 ? alpha : alpha * opacity / 255;
}

template <int SourceBytes>
inline int32_t sourceAlpha(const BYTE* source, int32_t opacity) {
    return SourceBytes == 4 ? scaledAlpha(source[3], opacity) : opacity;
}

void nothing(const RowJob&) {}

void copyBlock(const RowJob& job) {
    memcpy(job.target, job.source, static_cast<size_t>(job.count) * 3);
}

// 24-bit onto 24-bit at an opacity between 0 and 255.
void fadeBytes(const RowJob& job) {
    int32_t opacity = job.opacity, inverse = 255 - job.opacity;
    for (int32_t i = 0; i < job.count * 3; ++i)
        job.target[i] =
            static_cast<BYTE>((job.source[i] * opacity + job.target[i] * inverse) / 255);
}

// Blue, green and red copied; a 4-byte target keeps its alpha.
template <int SourceBytes, int TargetBytes>
void copyColour(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    // A local count: the stores below could otherwise change it.
    const int32_t count = job.count;
    int32_t i = 0;
    if (SourceBytes == 4 && TargetBytes == 3) {
        // Four bytes a pixel: the fourth lands on the next pixel's blue,
        // which that pixel then writes; the last pixel takes three.
        for (; i + 1 < count; ++i, s += 4, t += 3) memcpy(t, s, 4);
    }
    for (; i < count; ++i, s += SourceBytes, t += TargetBytes) {
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
    }
}

// A 32-bit source blended onto a 24-bit target by its own alpha.
void blendSourceAlpha3(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    for (int32_t i = 0; i < job.count; ++i, s += 4, t += 3) {
        int32_t alpha = scaledAlpha(s[3], job.opacity), inverse = 255 - alpha;
        for (int c = 0; c < 3; ++c) t[c] = static_cast<BYTE>((s[c] * alpha + t[c] * inverse) / 255);
    }
}

// Blended onto a 4-byte target as the blend plotters do.
template <int SourceBytes, int KeepAlpha>
void blendOver4(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    for (int32_t i = 0; i < job.count; ++i, s += SourceBytes, t += 4) {
        int32_t alpha = sourceAlpha<SourceBytes>(s, job.opacity);
        int32_t weighted[3] = {s[0] * alpha, s[1] * alpha, s[2] * alpha};
        blendOverPixel4(t, weighted, alpha, KeepAlpha);
    }
}

template <int SourceBytes, int TargetBytes>
void xorColour(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    for (int32_t i = 0; i < job.count; ++i, s += SourceBytes, t += TargetBytes) {
        t[0] ^= s[0];
        t[1] ^= s[1];
        t[2] ^= s[2];
    }
}

template <int SourceBytes>
void allChannels(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    for (int32_t i = 0; i < job.count; ++i, s += SourceBytes, t += 4) {
        t[0] = s[0];
        t[1] = s[1];
        t[2] = s[2];
        t[3] = static_cast<BYTE>(sourceAlpha<SourceBytes>(s, job.opacity));
    }
}

template <int SourceBytes>
void alphaOnly(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    for (int32_t i = 0; i < job.count; ++i, s += SourceBytes, t += 4)
        t[3] = static_cast<BYTE>(sourceAlpha<SourceBytes>(s, job.opacity));
}

// Every pixel through the session's callback. Colours are 0xAABBGGRR; a
// 3-byte pixel counts as opaque.
template <int SourceBytes, int TargetBytes>
void customColour(const RowJob& job) {
    const BYTE* s = job.source;
    BYTE* t = job.target;
    CustomCallback callback = job.context->customCallback;
    for (int32_t i = 0; i < job.count; ++i, s += SourceBytes, t += TargetBytes) {
        uint32_t source = (SourceBytes == 4 ? static_cast<uint32_t>(s[3]) << 24 : 0xFF000000u) |
                          (static_cast<uint32_t>(s[0]) << 16) | (s[1] << 8) | s[2];
        uint32_t target = (TargetBytes == 4 ? static_cast<uint32_t>(t[3]) << 24 : 0xFF000000u) |
                          (static_cast<uint32_t>(t[0]) << 16) | (t[1] << 8) | t[2];
        uint32_t result = callback(job.x + i, job.y, source, target);
        t[0] = static_cast<BYTE>(result >> 16);
        t[1] = static_cast<BYTE>(result >> 8);
        t[2] = static_cast<BYTE>(result);
        if (TargetBytes == 4) t[3] = static_cast<BYTE>(result >> 24);
    }
}

template <int SourceBytes, int TargetBytes>
RowWork chooseFor(uint32_t mode, int32_t opacity, int32_t useSourceAlpha) {
    if (mode & MODE_CUSTOM) return customColour<SourceBytes, TargetBytes>;
    if (mode & MODE_XOR) return xorColour<SourceBytes, TargetBytes>;
    if (TargetBytes == 4) {
        if (mode & MODE_ALL_CHANNELS) return allChannels<SourceBytes>;
        if (mode & MODE_ALPHA_ONLY) return alphaOnly<SourceBytes>;
        if (mode & MODE_BLEND) return blendOver4<SourceBytes, 0>;
        if (mode & MODE_BLEND_KEEP_ALPHA) return blendOver4<SourceBytes, 1>;
    } else {
        if (mode & MODE_ALPHA_ONLY) return nothing;
        if (SourceBytes == 4 && (mode & (MODE_BLEND | MODE_BLEND_KEEP_ALPHA)))
            return blendSourceAlpha3;
    }
    // Drawing mode 0.
    if (SourceBytes == 3) {
        if (opacity == 255) return TargetBytes == 3 ? copyBlock : copyColour<3, TargetBytes>;
        if (opacity == 0) return nothing;
        return TargetBytes == 3 ? fadeBytes : blendOver4<3, 0>;
    }
    if (!useSourceAlpha) return copyColour<4, TargetBytes>;
    return TargetBytes == 3 ? blendSourceAlpha3 : blendOver4<4, 0>;
}

template <int SourceBytes>
RowWork chooseRowWork(const DrawingContext* context, int32_t opacity, int32_t useSourceAlpha) {
    if (context->bytesPerPixel == 4)
        return chooseFor<SourceBytes, 4>(context->drawingMode, opacity, useSourceAlpha);
    return chooseFor<SourceBytes, 3>(context->drawingMode, opacity, useSourceAlpha);
}

// Cuts a source of width by height with its top left pixel at (x, y) to the
// output and runs `work` on each row that is left. Sums are 64-bit so that
// no position or size can wrap into the pixel memory.
void blitRows(DrawingContext* context, const BYTE* bits, int32_t pitch, int32_t sourceBytes,
              int32_t x, int32_t y, int32_t width, int32_t height, int32_t opacity, RowWork work) {
    const int64_t outputWidth = context->outputWidth, outputHeight = context->outputHeight;
    const int bottomUp = context->rowsBottomUp != 0;
    int64_t w = width, h = height, left = x, skipX = 0, skipRows = 0;
    int64_t targetRow = bottomUp ? outputHeight - y - h : y;
    if (left < 0) {
        w += left;
        skipX = -left;
        left = 0;
    }
    if (targetRow < 0) {
        h += targetRow;
        skipRows = -targetRow;
        targetRow = 0;
    }
    if (left + w > outputWidth) w = outputWidth - left;
    if (targetRow + h > outputHeight) h = outputHeight - targetRow;
    if (w < 1 || h < 1 || !bits) return;

    int64_t sourceRow = bottomUp ? skipRows : height - skipRows - 1;
    int64_t sourceStep = bottomUp ? 1 : -1;
    RowJob job;
    job.context = context;
    job.count = static_cast<int32_t>(w);
    job.x = static_cast<int32_t>(left);
    job.opacity = opacity;
    for (int64_t i = 0; i < h; ++i) {
        int64_t row = targetRow + i;
        job.y = static_cast<int32_t>(bottomUp ? outputHeight - 1 - row : row);
        job.target = context->pixelBits + static_cast<intptr_t>(row) * context->rowPitch +
                     static_cast<intptr_t>(left) * context->bytesPerPixel;
        job.source = bits + static_cast<intptr_t>(sourceRow + i * sourceStep) * pitch +
                     static_cast<intptr_t>(skipX) * sourceBytes;
        work(job);
    }
}

bool readDibSection(HGDIOBJ handle, DIBSECTION* section) {
    return GetObjectW(handle, sizeof *section, section) == static_cast<int>(sizeof *section);
}

}  // namespace

bool imageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y) {
    return handle && blitImage(context, handle, x, y, -1, -1, 255, 0);
}

void sizedImageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y, int32_t width,
                       int32_t height) {
    if (handle) blitImage(context, handle, x, y, width, height, 255, 0);
}

void alphaImageBlitter(DrawingContext* context, HANDLE handle, int32_t x, int32_t y,
                       int32_t opacity) {
    if (handle && GetObjectType(handle) == OBJ_BITMAP)
        blitImage(context, handle, x, y, -1, -1, opacity, 1);
}

bool blitImage(DrawingContext* context, HANDLE handle, int32_t x, int32_t y, int32_t width,
               int32_t height, int32_t opacity, int32_t useSourceAlpha) {
    if (opacity < 0) opacity = 0;
    if (opacity > 255) opacity = 255;
    if (GetObjectType(handle) == OBJ_BITMAP) {
        HBITMAP bitmap = static_cast<HBITMAP>(handle);
        DIBSECTION section;
        BITMAP plain;
        if (readDibSection(handle, &section)) {
            const BITMAP& described = section.dsBm;
            if ((width == -1 || width == described.bmWidth) &&
                (height == -1 || height == described.bmHeight) && described.bmBitsPixel >= 24)
                return blitDibSection(context, bitmap, x, y, opacity, useSourceAlpha);
            HBITMAP resampled = resampleBitmap(bitmap, width, height);
            if (!resampled) return false;
            bool drawn = blitDibSection(context, resampled, x, y, opacity, useSourceAlpha);
            DeleteObject(resampled);
            return drawn;
        }
        if (GetObjectW(handle, sizeof plain, &plain) != static_cast<int>(sizeof plain))
            return false;
        HBITMAP copy = copyToDibSection(bitmap);
        if (!copy) return false;
        bool drawn = blitImage(context, copy, x, y, width, height, opacity, useSourceAlpha);
        DeleteObject(copy);
        return drawn;
    }
    HBITMAP converted = iconToBitmap(static_cast<HICON>(handle));
    if (!converted) return false;
    bool drawn = blitImage(context, converted, x, y, width, height, opacity, 1);
    DeleteObject(converted);
    return drawn;
}

bool blitDibSection(DrawingContext* context, HBITMAP bitmap, int32_t x, int32_t y, int32_t opacity,
                    int32_t useSourceAlpha) {
    DIBSECTION section;
    if (!readDibSection(bitmap, &section)) return false;
    const BITMAP& described = section.dsBm;
    int32_t pitch = rowStride(described.bmWidth, described.bmBitsPixel);
    const BYTE* bits = static_cast<const BYTE*>(described.bmBits);
    if (!bits || described.bmWidth < 1 || described.bmHeight < 1) return false;
    if (described.bmBitsPixel != 32 && described.bmBitsPixel != 24) return false;
    // The target drawn onto itself: rows would overlap while being copied,
    // so the rows are read from a copy.
    BYTE* copy = nullptr;
    if (bits == context->publishedBits) {
        size_t bytes = static_cast<size_t>(pitch) * static_cast<size_t>(described.bmHeight);
        copy = static_cast<BYTE*>(takeRecord(bytes));
        if (!copy) return false;
        memcpy(copy, bits, bytes);
        bits = copy;
    }
    if (described.bmBitsPixel == 32)
        blitRows32(context, bits, pitch, x, y, described.bmWidth, described.bmHeight, opacity,
                   useSourceAlpha);
    else if (described.bmBitsPixel == 24)
        blitRows24(context, bits, pitch, x, y, described.bmWidth, described.bmHeight, opacity);
    giveBackRecord(copy);
    return true;
}

void blitRows24(DrawingContext* context, const BYTE* bits, int32_t pitch, int32_t x, int32_t y,
                int32_t width, int32_t height, int32_t opacity) {
    blitRows(context, bits, pitch, 3, x, y, width, height, opacity,
             chooseRowWork<3>(context, opacity, 0));
}

void blitRows32(DrawingContext* context, const BYTE* bits, int32_t pitch, int32_t x, int32_t y,
                int32_t width, int32_t height, int32_t opacity, int32_t useSourceAlpha) {
    blitRows(context, bits, pitch, 4, x, y, width, height, opacity,
             chooseRowWork<4>(context, opacity, useSourceAlpha));
}
