#include "drawing/bitmap_conversion.h"

#include "image/bitmap_access.h"
#include "image/image_object.h"
#include "runtime/heaps.h"

namespace {

// A header with room for any colour table GetDIBits may write.
struct BitmapInfoBlock {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};

// The header of a bottom-up, uncompressed bitmap of that size and depth.
void describeRows(BitmapInfoBlock* info, int32_t width, int32_t height, int32_t depth) {
    memset(info, 0, sizeof *info);
    info->header.biSize = sizeof(BITMAPINFOHEADER);
    info->header.biWidth = width;
    info->header.biHeight = height;
    info->header.biPlanes = 1;
    info->header.biBitCount = static_cast<WORD>(depth);
    info->header.biCompression = BI_RGB;
}

bool describeSection(HGDIOBJ bitmap, DIBSECTION* section);

// A bottom-up DIB section of 24 or 32 bits, made as every image bitmap is,
// and its pixel memory; null when either cannot be had.
HBITMAP createSection(int32_t width, int32_t height, int32_t depth, BYTE** bits) {
    *bits = nullptr;
    HBITMAP section = createImageBitmap(width, height, depth);
    DIBSECTION described;
    if (section && describeSection(section, &described) && described.dsBm.bmBits) {
        *bits = static_cast<BYTE*>(described.dsBm.bmBits);
        return section;
    }
    if (section) DeleteObject(section);
    return nullptr;
}

bool describe(HGDIOBJ bitmap, BITMAP* described) {
    return GetObjectW(bitmap, sizeof *described, described) == static_cast<int>(sizeof *described);
}

bool describeSection(HGDIOBJ bitmap, DIBSECTION* section) {
    return GetObjectW(bitmap, sizeof *section, section) == static_cast<int>(sizeof *section);
}

// ---- The cubic resample of 32-bit pixels

int32_t floorToInt(double value) {
    int32_t whole = static_cast<int32_t>(value);
    return value < whole ? whole - 1 : whole;
}

// For each target sample: the first source sample and the weights of the
// samples from there on, `taps` weights per target sample.
struct Filter {
    int32_t targetLength;
    int32_t taps;
    int32_t* first;
    int32_t* count;
    double* weights;
};

void freeFilter(Filter* filter) {
    giveBackRecord(filter->first);
    giveBackRecord(filter->count);
    giveBackRecord(filter->weights);
}

bool buildFilter(int32_t sourceLength, int32_t targetLength, Filter* filter) {
    double scale = static_cast<double>(sourceLength) / targetLength;
    // Shrinking widens the filter so that every source pixel counts.
    double widening = scale > 1 ? scale : 1;
    double support = 2 * widening;
    int64_t taps = static_cast<int64_t>(2 * support) + 2;
    if (taps > sourceLength) taps = sourceLength;
    filter->targetLength = targetLength;
    filter->taps = static_cast<int32_t>(taps);
    filter->first = static_cast<int32_t*>(takeRecord(sizeof(int32_t) * targetLength));
    filter->count = static_cast<int32_t*>(takeRecord(sizeof(int32_t) * targetLength));
    uint64_t weightBytes = sizeof(double) * static_cast<uint64_t>(taps) * targetLength;
    filter->weights = weightBytes < 0x40000000u
                          ? static_cast<double*>(takeRecord(static_cast<SIZE_T>(weightBytes)))
                          : nullptr;
    if (!filter->first || !filter->count || !filter->weights) {
        freeFilter(filter);
        return false;
    }
    for (int32_t target = 0; target < targetLength; ++target) {
        double centre = (target + 0.5) * scale - 0.5;
        int32_t from = floorToInt(centre - support) + 1;
        if (from < 0) from = 0;
        int32_t to = floorToInt(centre + support);
        if (to > sourceLength - 1) to = sourceLength - 1;
        if (to - from + 1 > filter->taps) to = from + filter->taps - 1;
        double* weights = filter->weights + static_cast<intptr_t>(target) * filter->taps;
        double sum = 0;
        for (int32_t source = from; source <= to; ++source) {
            double weight = cubicWeight((source - centre) / widening);
            weights[source - from] = weight;
            sum += weight;
        }
        if (sum != 0)
            for (int32_t i = 0; i <= to - from; ++i) weights[i] /= sum;
        filter->first[target] = from;
        filter->count[target] = to - from + 1;
    }
    return true;
}

// Resamples `lines` lines of 4-byte pixels along one axis. Strides are in
// bytes: between lines and between neighbouring samples of a line.
void resampleLines(const BYTE* source, intptr_t sourceLineStride, intptr_t sourceSampleStride,
                   BYTE* target, intptr_t targetLineStride, intptr_t targetSampleStride,
                   int32_t lines, const Filter& filter) {
    for (int32_t line = 0; line < lines; ++line) {
        const BYTE* sourceLine = source + line * sourceLineStride;
        BYTE* targetSample = target + line * targetLineStride;
        for (int32_t t = 0; t < filter.targetLength; ++t, targetSample += targetSampleStride) {
            const double* weights = filter.weights + static_cast<intptr_t>(t) * filter.taps;
            const BYTE* sample = sourceLine + filter.first[t] * sourceSampleStride;
            double sums[4] = {0, 0, 0, 0};
            for (int32_t k = 0; k < filter.count[t]; ++k, sample += sourceSampleStride)
                for (int c = 0; c < 4; ++c) sums[c] += weights[k] * sample[c];
            for (int c = 0; c < 4; ++c) {
                double value = sums[c] + 0.5;
                targetSample[c] = value <= 0 ? 0 : value >= 255 ? 255 : static_cast<BYTE>(value);
            }
        }
    }
}

// Two separable passes; the order that makes the smaller intermediate.
bool resample32(BYTE* source, int32_t sourceWidth, int32_t sourceHeight, BYTE* target,
                int32_t width, int32_t height) {
    const intptr_t sourcePitch = static_cast<intptr_t>(sourceWidth) * 4;
    const intptr_t targetPitch = static_cast<intptr_t>(width) * 4;
    bool rowsFirst =
        static_cast<int64_t>(width) * sourceHeight <= static_cast<int64_t>(sourceWidth) * height;
    int32_t middleWidth = rowsFirst ? width : sourceWidth;
    int32_t middleHeight = rowsFirst ? sourceHeight : height;
    uint64_t middleBytes = static_cast<uint64_t>(middleWidth) * middleHeight * 4;
    if (middleBytes >= 0x40000000u) return false;
    BYTE* middle = static_cast<BYTE*>(takeRecord(static_cast<SIZE_T>(middleBytes)));
    Filter across, down;
    if (!middle) return false;
    if (!buildFilter(sourceWidth, width, &across)) {
        giveBackRecord(middle);
        return false;
    }
    if (!buildFilter(sourceHeight, height, &down)) {
        freeFilter(&across);
        giveBackRecord(middle);
        return false;
    }
    const intptr_t middlePitch = static_cast<intptr_t>(middleWidth) * 4;
    if (rowsFirst) {
        resampleLines(source, sourcePitch, 4, middle, middlePitch, 4, sourceHeight, across);
        resampleLines(middle, 4, middlePitch, target, 4, targetPitch, width, down);
    } else {
        resampleLines(source, 4, sourcePitch, middle, 4, middlePitch, sourceWidth, down);
        resampleLines(middle, middlePitch, 4, target, targetPitch, 4, height, across);
    }
    freeFilter(&across);
    freeFilter(&down);
    giveBackRecord(middle);
    return true;
}

}  // namespace

double cubicWeight(double distance) {
    // Mitchell and Netravali with B = C = 1/3, multiplied out.
    double x = distance < 0 ? -distance : distance;
    if (x < 1) return (7 * x * x * x - 12 * x * x + 16.0 / 3) / 6;
    if (x < 2) return (-7.0 / 3 * x * x * x + 12 * x * x - 20 * x + 32.0 / 3) / 6;
    return 0;
}

namespace {

// Black-and-white icons come without a colour bitmap: their mask is twice
// as tall, the AND bits above the XOR bits. Built from those they draw like
// any other icon, instead of leaving a blank canvas and an empty font.
HBITMAP monochromeIconToBitmap(HBITMAP mask) {
    BITMAP described;
    if (!describe(mask, &described) || described.bmWidth < 1 || described.bmHeight < 2)
        return nullptr;
    int32_t width = described.bmWidth, height = described.bmHeight / 2;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    BYTE* bits = nullptr;
    HBITMAP section = createSection(width, height, 32, &bits);
    HGDIOBJ previous = section ? SelectObject(dc, mask) : nullptr;
    if (section && !previous) {
        // Unread, the mask would leave every pixel transparent: a picture
        // that draws nothing is a failed conversion.
        DeleteObject(section);
        section = nullptr;
    }
    if (section) {
        for (int32_t r = 0; r < height; ++r) {
            BYTE* pixel = bits + static_cast<intptr_t>(height - 1 - r) * width * 4;
            for (int32_t c = 0; c < width; ++c, pixel += 4) {
                BYTE colour = GetPixel(dc, c, r + height) != 0 ? 0xFF : 0;
                pixel[0] = pixel[1] = pixel[2] = colour;
                pixel[3] = GetPixel(dc, c, r) != 0 ? 0 : 255;
            }
        }
        SelectObject(dc, previous);
    }
    DeleteDC(dc);
    return section;
}

}  // namespace

HBITMAP iconToBitmap(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return nullptr;
    if (!info.hbmColor) {
        HBITMAP section = info.hbmMask ? monochromeIconToBitmap(info.hbmMask) : nullptr;
        if (info.hbmMask) DeleteObject(info.hbmMask);
        return section;
    }
    if (bitmapHasAlpha(info.hbmColor)) {
        // The colour bitmap carries its own alpha: draw it as it is.
        if (info.hbmMask) DeleteObject(info.hbmMask);
        return info.hbmColor;
    }
    HBITMAP section = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP colour;
    if (dc && info.hbmColor && describe(info.hbmColor, &colour)) {
        int32_t width = colour.bmWidth, height = colour.bmHeight;
        BYTE* bits = nullptr;
        section = createSection(width, height, 32, &bits);
        HGDIOBJ previous = section ? SelectObject(dc, section) : nullptr;
        // A failed step would leave a black picture where the icon is
        // opaque: no picture at all, so that the caller hears of it.
        bool drawn = previous && DrawIconEx(dc, 0, 0, icon, width, height, 0, nullptr, DI_IMAGE) &&
                     SelectObject(dc, info.hbmMask);
        if (drawn) {
            // The mask decides: set bits are transparent.
            for (int32_t r = 0; r < height; ++r) {
                BYTE* pixel = bits + static_cast<intptr_t>(height - 1 - r) * width * 4;
                for (int32_t c = 0; c < width; ++c, pixel += 4)
                    pixel[3] = GetPixel(dc, c, r) != 0 ? 0 : 255;
            }
        }
        if (previous) SelectObject(dc, previous);
        if (section && !drawn) {
            DeleteObject(section);
            section = nullptr;
        }
    }
    if (dc) DeleteDC(dc);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return section;
}

HBITMAP copyToDibSection(HBITMAP bitmap) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return nullptr;
    BITMAP described;
    if (!describe(bitmap, &described) || described.bmWidth < 1 || described.bmHeight < 1) {
        DeleteDC(dc);
        return nullptr;
    }
    int32_t width = described.bmWidth, height = described.bmHeight;
    int32_t depth = described.bmBitsPixel > 24 ? 32 : 24;
    BYTE* bits = nullptr;
    HBITMAP section = createSection(width, height, depth, &bits);
    if (!section) {
        DeleteDC(dc);
        return nullptr;
    }
    BitmapInfoBlock info;
    describeRows(&info, width, height, depth);
    if (!GetDIBits(dc, bitmap, 0, height, bits, reinterpret_cast<BITMAPINFO*>(&info),
                   DIB_RGB_COLORS)) {
        DeleteObject(section);
        DeleteDC(dc);
        return nullptr;
    }
    if (described.bmBitsPixel == 32) {
        // A bitmap without any alpha is an opaque one.
        size_t bytes = static_cast<size_t>(width) * height * 4;
        bool anyAlpha = false;
        for (size_t i = 3; i < bytes && !anyAlpha; i += 4) anyAlpha = bits[i] != 0;
        if (!anyAlpha)
            for (size_t i = 3; i < bytes; i += 4) bits[i] = 255;
    }
    DeleteDC(dc);
    return section;
}

HBITMAP resampleBitmap(HBITMAP bitmap, int32_t width, int32_t height) {
    DIBSECTION section;
    BITMAP& described = section.dsBm;
    bool isSection = describeSection(bitmap, &section);
    if (!isSection && !describe(bitmap, &described)) return nullptr;
    int32_t sourceWidth = described.bmWidth;
    int32_t sourceHeight = described.bmHeight < 0 ? -described.bmHeight : described.bmHeight;
    if (width == -1) width = sourceWidth;
    if (height == -1) height = sourceHeight;
    if (width < 1 || height < 1 || sourceWidth < 1 || sourceHeight < 1) return nullptr;
    int32_t depth = described.bmBitsPixel > 24 ? 32 : 24;
    HBITMAP result = createImageBitmap(width, height, depth);
    if (!result) return nullptr;

    bool done = false;
    if (depth == 32 && (width != sourceWidth || height != sourceHeight)) {
        DIBSECTION made;
        if (isSection && described.bmBits && described.bmBitsPixel == 32 &&
            describeSection(result, &made) && made.dsBm.bmBits) {
            // Fully transparent pixels count as white so that they do not
            // darken the edges they are blended into.
            BYTE* pixel = static_cast<BYTE*>(described.bmBits);
            BYTE* end = pixel + static_cast<size_t>(sourceWidth) * sourceHeight * 4;
            for (; pixel < end; pixel += 4)
                if (pixel[3] == 0) pixel[0] = pixel[1] = pixel[2] = 255;
            done = resample32(static_cast<BYTE*>(described.bmBits), sourceWidth, sourceHeight,
                              static_cast<BYTE*>(made.dsBm.bmBits), width, height);
        }
    } else {
        HDC sourceDC = CreateCompatibleDC(nullptr);
        HDC targetDC = CreateCompatibleDC(nullptr);
        if (sourceDC && targetDC) {
            HGDIOBJ oldSource = SelectObject(sourceDC, bitmap);
            HGDIOBJ oldTarget = SelectObject(targetDC, result);
            if (width == sourceWidth && height == sourceHeight) {
                done = BitBlt(targetDC, 0, 0, width, height, sourceDC, 0, 0, SRCCOPY) != 0;
            } else {
                SetStretchBltMode(targetDC, HALFTONE);
                SetBrushOrgEx(targetDC, 0, 0, nullptr);
                done = StretchBlt(targetDC, 0, 0, width, height, sourceDC, 0, 0, sourceWidth,
                                  sourceHeight, SRCCOPY) != 0;
            }
            SelectObject(sourceDC, oldSource);
            SelectObject(targetDC, oldTarget);
        }
        if (sourceDC) DeleteDC(sourceDC);
        if (targetDC) DeleteDC(targetDC);
    }
    if (!done) {
        DeleteObject(result);
        return nullptr;
    }
    return result;
}
