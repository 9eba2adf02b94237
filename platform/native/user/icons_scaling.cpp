// Icons made at a size other than their image's: the platform's stretch
// for icon creation, taken from what it was seen to produce.
//
// Along each axis the smaller size's index for a larger-size index i is
// (i * smaller + (smaller - 1) / 2) / larger. Enlarging gives each target
// pixel the one source pixel so named; shrinking gives each target pixel
// every source pixel that names it, combined with AND. That is why shrunk
// icons come out darker, and why a transparent mask bit survives only
// where all the pixels it covers were transparent.
#include "platform/native/user/icons_scaling.h"

#include <new>

namespace native {

namespace {

// The source pixels of each target pixel along one axis: target i takes
// first[i] to last[i], inclusive.
struct AxisRuns {
    std::unique_ptr<LONG[]> first;
    std::unique_ptr<LONG[]> last;

    bool make(LONG source, LONG target) {
        first.reset(new (std::nothrow) LONG[static_cast<size_t>(target)]);
        last.reset(new (std::nothrow) LONG[static_cast<size_t>(target)]);
        if (!first || !last) return false;
        if (target >= source) {
            for (LONG i = 0; i < target; ++i) {
                int64_t index = (static_cast<int64_t>(i) * source + (source - 1) / 2) / target;
                first[i] = last[i] = static_cast<LONG>(index);
            }
            return true;
        }
        for (LONG i = 0; i < target; ++i) first[i] = -1;
        for (LONG j = 0; j < source; ++j) {
            LONG index =
                static_cast<LONG>((static_cast<int64_t>(j) * target + (target - 1) / 2) / source);
            if (first[index] < 0) first[index] = j;
            last[index] = j;
        }
        return true;
    }
};

}  // namespace

bool scaleIconImage(const IconImage& source, LONG width, LONG height, IconImage* scaled) {
    AxisRuns columns, rows;
    if (!columns.make(source.width, width) || !rows.make(source.height, height)) return false;
    if (!scaled->allocate(width, height)) return false;
    scaled->monochrome = source.monochrome;
    scaled->sourceBitsPerPixel = source.sourceBitsPerPixel;

    const DWORD* colours = source.colours.get();
    const BYTE* mask = source.mask.get();
    for (LONG y = 0; y < height; ++y) {
        for (LONG x = 0; x < width; ++x) {
            DWORD colour = 0xFFFFFFFF;
            BYTE bit = 1;
            for (LONG sy = rows.first[y]; sy <= rows.last[y]; ++sy) {
                size_t row = static_cast<size_t>(sy) * static_cast<size_t>(source.width);
                for (LONG sx = columns.first[x]; sx <= columns.last[x]; ++sx) {
                    colour &= colours[row + static_cast<size_t>(sx)];
                    bit &= mask[row + static_cast<size_t>(sx)];
                }
            }
            size_t at =
                static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
            scaled->colours[at] = colour;
            scaled->mask[at] = bit;
        }
    }
    return true;
}

}  // namespace native
