#include "celkit/transform_options.h"

#include <CLI/CLI.hpp>

#include "celkit/program.h"

namespace celkit {
namespace {

// An offset from -15 to 15: any more moves every pixel out of the cell.
bool parseOffset(const std::string& text, int& value) {
    std::size_t digits = text.rfind('-', 0) == 0 || text.rfind('+', 0) == 0 ? 1 : 0;
    if (text.size() <= digits || text.size() > digits + 2 ||
        text.find_first_not_of("0123456789", digits) != std::string::npos)
        return false;
    value = std::stoi(text.substr(digits)) * (text[0] == '-' ? -1 : 1);
    return value > -glyphSide && value < glyphSide;
}

}  // namespace

void addTransformOptions(CLI::App& command, TransformOptions& options) {
    command
        .add_option("--stretch", options.stretch,
                    "2: every pixel of a font drawn within 8 x 8 becomes 2 x 2 (done first)")
        ->check(CLI::Range(1, 2))
        ->capture_default_str();
    command
        .add_option("--align", options.align,
                    "left or centre: move the box round the whole font's ink to the cell's left "
                    "or middle, every glyph alike (after --stretch)")
        ->type_name("SIDE")
        ->check(CLI::IsMember({"left", "centre"}, [](std::string side) {
            return side == "center" ? "centre" : side;  // either spelling
        }));
    command
        .add_option("--shift", options.shift,
                    "move every glyph X pixels right and Y down, negative for left and up "
                    "(done last)")
        ->type_name("X,Y");
}

GlyphTransform glyphTransform(const TransformOptions& options) {
    GlyphTransform transform;
    transform.stretch = options.stretch;
    if (options.align == "left")
        transform.align = GlyphAlign::Left;
    else if (!options.align.empty())
        transform.align = GlyphAlign::Centre;
    if (!options.shift.empty()) {
        std::size_t comma = options.shift.find(',');
        if (comma == std::string::npos ||
            !parseOffset(options.shift.substr(0, comma), transform.shiftX) ||
            !parseOffset(options.shift.substr(comma + 1), transform.shiftY))
            throw UsageError("--shift: '" + options.shift +
                             "' is no shift; give X,Y, each from -15 to 15, e.g. -1,0");
    }
    return transform;
}

Font transformed(const std::string& input, const Font& font, const GlyphTransform& transform) {
    Font out;
    std::string error;
    if (!transformGlyphs(font, transform, out, error)) throw Failure(input + ": " + error);
    return out;
}

}  // namespace celkit
