// The CSS colour names ("red", "rebeccapurple" ...) the colour options take
// besides RRGGBB; the table is generated (scripts/make_colour_names.py).
#ifndef CELKIT_COLOUR_NAMES_H
#define CELKIT_COLOUR_NAMES_H

#include <cstdint>
#include <optional>
#include <string>

namespace celkit {

// 0xRRGGBB of a CSS colour name in any case, or none.
std::optional<std::uint32_t> colourNamed(const std::string& name);

}  // namespace celkit

#endif
