// The options import and export share to fit glyphs into their cells
// (--stretch, --align, --shift), and the font they make of each input.
#ifndef CELKIT_TRANSFORM_OPTIONS_H
#define CELKIT_TRANSFORM_OPTIONS_H

#include <string>

#include "celkit/font/font.h"
#include "celkit/font/glyph_transform.h"

namespace CLI {
class App;
}

namespace celkit {

struct TransformOptions {
    int stretch = 1;
    std::string align;  // "", left, centre
    std::string shift;  // X,Y
};
void addTransformOptions(CLI::App& command, TransformOptions& options);

// UsageError naming the option when a value is malformed.
GlyphTransform glyphTransform(const TransformOptions& options);

// The input's font transformed; Failure naming the input and the glyph
// whose ink would leave its cell.
Font transformed(const std::string& input, const Font& font, const GlyphTransform& transform);

}  // namespace celkit

#endif
