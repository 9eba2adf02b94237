// The font as a C header valid in C and C++: the glyph array as
// static const unsigned char NAME[256][32] (16 wide, two bytes a row) or
// NAME[256][16] (8 wide, a byte a row) with NAME_WIDTH, NAME_HEIGHT and
// NAME_COUNT macros, for firmware and boot loaders.
#ifndef CELKIT_FONT_C_HEADER_H
#define CELKIT_FONT_C_HEADER_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"

namespace celkit {

// `name` made a C identifier: other characters become '_', a leading digit
// or a keyword gains a prefix, nothing at all becomes "font".
std::string cIdentifier(const std::string& name);
std::vector<std::uint8_t> writeCHeader(const Font& font, const CodepointMap& map,
                                       const std::string& name, int width);

}  // namespace celkit

#endif
