// What a caller asks of a font import and export, apart from the bytes: the
// code-point map that picks (or labels) the 256 glyphs, and the names a
// writer gives the font.
#ifndef CELKIT_FONT_IMPORT_OPTIONS_H
#define CELKIT_FONT_IMPORT_OPTIONS_H

#include <optional>
#include <string>

#include "celkit/font/codepoint_map.h"

namespace celkit {

struct ImportOptions {
    CodepointMap map;
    std::optional<char32_t> first;  // take the block first..first+255 instead of the map
};

struct ExportOptions {
    CodepointMap map;
    std::string name;  // C identifier / BDF family, from the file name or --name
};

}  // namespace celkit

#endif
