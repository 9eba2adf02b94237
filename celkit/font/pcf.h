// X11's Portable Compiled Format, the binary bitmap font X servers and
// FreeType load. Reads every layout a PCF may have (either byte and bit
// order, any row padding and scan unit, compressed or full metrics), each
// encoded glyph placed from the font's ascent and keyed by Unicode for
// ISO10646 and ISO8859-1 fonts. Writes the layout bdftopcf writes by
// default: most significant byte and bit first, rows padded to 4 bytes,
// compressed metrics, the same properties as the BDF export and every glyph
// the full cell, as bdftopcf compiles that.
#ifndef CELKIT_FONT_PCF_H
#define CELKIT_FONT_PCF_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/font.h"
#include "celkit/font/source_font.h"

namespace celkit {

bool isPcf(const std::vector<std::uint8_t>& data);
bool readPcf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error);
std::vector<std::uint8_t> writePcf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell = {});

// The code each glyph is written under in a PCF, whose encodings end at
// U+FFFF: uniqueCodepoints, with a code beyond the first plane replaced by a
// free one in the Private Use Area (U+F000 + glyph when free).
std::vector<char32_t> pcfCodepoints(const CodepointMap& map);

}  // namespace celkit

#endif
