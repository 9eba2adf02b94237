// The cell the bitmap writers (BDF, PCF, .fon, .otb, .ttf) place every glyph
// in: its width (16, or 8 for a font drawn in the left half) and the rows
// above the baseline, found from the glyphs unless the caller gives them.
#ifndef CELKIT_FONT_EXPORT_CELL_H
#define CELKIT_FONT_EXPORT_CELL_H

#include <cstdint>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "celkit/font/import_options.h"

namespace celkit {

// The ascent of a font without capitals to find it from.
inline constexpr int defaultAscent = 14;

// Every glyph's rows as a writer stores them at `width`: two bytes a row at
// 16, the left byte alone at 8; glyph g's begin at g * 16 * (width / 8).
std::vector<std::uint8_t> packedRows(const Font& font, int width);

struct Cell {
    int width = glyphSide;
    int ascent = defaultAscent;  // rows above the baseline, 0 to 16
    int descent() const { return glyphSide - ascent; }
};

// A glyph's ink within the cell's columns, in cell coordinates (rows from
// the top); width and height 0 for a blank glyph.
struct InkBox {
    int left = 0, top = 0, width = 0, height = 0;
};
InkBox inkBox(const Font& font, int glyph, int cellWidth);

// The baseline lies under the row most capitals A-Z (those the map has and
// that have ink) end on, the lower row on a tie; defaultAscent without any.
int foundAscent(const Font& font, const CodepointMap& map);

// options.width, and options.baseline or else foundAscent.
Cell exportCell(const Font& font, const ExportOptions& options);

}  // namespace celkit

#endif
