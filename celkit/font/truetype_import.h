// TrueType and OpenType (CFF) fonts, bitmap-only ones (.otb) and the fonts
// of a collection, read by drawing each picked character into its 16 x 16
// cell: by default at the largest size whose ascent and descent fit the
// cell, the baseline where the descenders fit; pen at the cell's left edge
// (a zero-advance mark left of it moves right onto the cell it would sit
// on). The platform's engine draws (glyph_rasteriser.h); ink outside the
// cell is clipped with one warning naming the glyphs.
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

// Every character of the font's Unicode cmap, each glyph keyed by its
// number and drawn empty: only the cmap is read.
bool readTrueType(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);

// Only the characters the options pick, fitted or at their size, baseline,
// hinting and threshold.
bool importTrueType(const std::vector<std::uint8_t>& data, const ImportOptions& options, Font& out,
                    std::string& error, std::vector<std::string>& warnings);

}  // namespace celkit

#endif
