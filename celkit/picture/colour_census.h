// Counting a picture's colours in time linear in its pixels and memory
// bounded by the colours it can have: a count per palette index, a small
// table for pictures of few colours, a count per 24-bit colour (64 MiB)
// only for pictures of many.
#ifndef CELKIT_PICTURE_COLOUR_CENSUS_H
#define CELKIT_PICTURE_COLOUR_CENSUS_H

#include <cstddef>
#include <cstdint>

#include "celkit/picture/picture.h"

namespace celkit {

// The colour most pixels have; the smallest such colour on a tie; 0 for a
// picture without pixels.
std::uint32_t mostCommonColour(const Picture& picture);

// How many different colours the picture's pixels have.
std::size_t colourCount(const Picture& picture);

}  // namespace celkit

#endif
