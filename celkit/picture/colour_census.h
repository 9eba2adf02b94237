// Counting a picture's colours in time linear in its pixels and memory
// bounded by the colours it can have: a count per palette index, a small
// table for pictures of few colours, and for pictures of many a pass that
// sorts the pixels by red into a copy of their green and blue (two bytes a
// pixel), counted one red at a time in a table that stays in the cache.
// Pixels less than half opaque are counted apart from the colours.
#ifndef CELKIT_PICTURE_COLOUR_CENSUS_H
#define CELKIT_PICTURE_COLOUR_CENSUS_H

#include <cstddef>
#include <cstdint>

#include "celkit/picture/picture.h"

namespace celkit {

struct ColourCensus {
    // The colour most pixels have; the smallest such colour on a tie; 0
    // for a picture without pixels.
    std::uint32_t mostCommon = 0;
    std::size_t colours = 0;  // how many different colours the pixels have
    std::size_t mostCommonCount = 0;
    // Pixels less than half opaque: counted here, not as colours.
    std::size_t transparent = 0;
};

ColourCensus takeCensus(const Picture& picture);

inline std::uint32_t mostCommonColour(const Picture& picture) {
    return takeCensus(picture).mostCommon;
}

}  // namespace celkit

#endif
