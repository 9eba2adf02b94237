// Fonts drawn in a terminal with Unicode block elements: a character per
// pixel column and two pixel rows per line (upper half, lower half, full
// block, space), ink in the terminal's own foreground, no colour escapes.
#ifndef CELKIT_TERMINAL_DRAWING_H
#define CELKIT_TERMINAL_DRAWING_H

#include <functional>
#include <string>
#include <vector>

#include "celkit/font/font.h"

namespace celkit {

// What a chart in the terminal fits: the width every terminal has.
inline constexpr int terminalColumns = 80;

// Lines of blocks, without trailing blanks, for width x height pixels; an
// odd last row has paper below it.
std::vector<std::string> blockLines(int width, int height,
                                    const std::function<bool(int x, int y)>& ink);

// How many glyphs of `glyphWidth` pixels a band of `columns` holds, one
// column apart: the largest power of two up to 16 that fits (at least 1),
// so that every band of the chart starts at a round hex number.
int glyphsPerBand(int glyphWidth, int columns);

// The glyphs in bands of glyphsPerBand, each Font::inkWidth() wide; above
// each band a line with every glyph's label (its number in hex, say) at the
// glyph's left edge.
std::string glyphBands(const Font& font, const std::vector<int>& glyphs, int columns,
                       const std::function<std::string(int glyph)>& label);

// UTF-8 `text` with its lines broken so that none holds more than
// `letters` code points: at the last space that lets a line fit (the space
// dropped), else mid-word. Its own newlines stay.
std::string wrapText(const std::string& text, int letters);

// Standard output is a terminal (a console on Windows), not a file or a pipe.
bool outputIsTerminal();

// UTF-8 text to standard output; a Windows console gets it as UTF-16, so
// the blocks show whatever its code page.
void writeToTerminal(const std::string& text);

}  // namespace celkit

#endif
