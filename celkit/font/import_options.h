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
    int size = 16;                  // pixels per em, for outline fonts
    int threshold = 128;            // coverage (of 255) that makes a pixel ink, for outline fonts
    int index = 0;                  // which font of a file holding several (0 the first)
};

struct ExportOptions {
    CodepointMap map;
    std::string name;  // C identifier / BDF family, from the file name or --name
    int width = 16;    // 8: every glyph's ink is in columns 0-7 and the cell is written 8 wide
    // Rows above the baseline (the ascent); found from the capitals when unset.
    std::optional<int> baseline = std::nullopt;
};

}  // namespace celkit

#endif
