// TrueType and OpenType (CFF) fonts, read by drawing each mapped character
// into its 16 x 16 cell at a pixel size: pen at the cell's left edge (a
// zero-advance mark left of it moves right onto the cell it would sit on),
// baseline at the font's ascent. A one-bit bitmap strike (EBLC/EBDT) of the
// size is taken as it is (so .otb fonts read too); otherwise the outline is
// rendered, ink where coverage reaches a threshold. Ink outside the cell is
// clipped with a warning naming the glyphs. The sfnt directory, the tables
// stb_truetype reads and every outline are checked against the data before
// stb_truetype sees them, as it trusts the offsets it finds, and its work
// on each glyph and font is metered.
#ifndef CELKIT_FONT_TRUETYPE_IMPORT_H
#define CELKIT_FONT_TRUETYPE_IMPORT_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/font.h"
#include "celkit/font/import_options.h"
#include "celkit/font/source_font.h"

namespace celkit {

bool isTrueType(const std::vector<std::uint8_t>& data);

// Every character of the font's Unicode cmap, rendered at 16 px.
bool readTrueType(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);

// Only the characters the options pick, at their size and threshold.
bool importTrueType(const std::vector<std::uint8_t>& data, const ImportOptions& options, Font& out,
                    std::string& error, std::vector<std::string>& warnings);

}  // namespace celkit

#endif
