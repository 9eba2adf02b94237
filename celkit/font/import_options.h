// What a caller asks of a font import and export, apart from the bytes: the
// code-point map that picks (or labels) the 256 glyphs, and the names a
// writer gives the font.
#ifndef CELKIT_FONT_IMPORT_OPTIONS_H
#define CELKIT_FONT_IMPORT_OPTIONS_H

#include <optional>
#include <string>

#include "celkit/font/codepoint_map.h"

namespace celkit {

// How an outline is fitted to the pixel grid before it is drawn in one bit.
enum class Hinting { None, Light, Full };

struct ImportOptions {
    CodepointMap map;
    std::optional<char32_t> first;  // take the block first..first+255 instead of the map
    int index = 0;                  // the font of a file that holds several
    // For outline fonts: pixels per em, else the largest whose ascent and
    // descent fit the cell; the baseline's row, else where the descenders fit.
    std::optional<int> size = std::nullopt;
    std::optional<int> baseline = std::nullopt;
    Hinting hinting = Hinting::Full;
    // Coverage (of 255) that makes a pixel ink in a grey rendering, instead of one-bit.
    std::optional<int> threshold = std::nullopt;
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
