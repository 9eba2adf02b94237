// Any bytes as a picture for celkit's import: PNG through stb_image, BMP and
// ICO through the project's image loading, then cut into glyphs with cell
// sizes and chart blocks taken from the input's length. Whatever the input:
// no crash, no out-of-bounds access, a reason for every refusal, and a
// picture that is read has exactly width x height pixels, each of a colour
// its palette holds.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "celkit/picture/glyph_grid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    celkit::Picture picture;
    std::string error;
    if (!celkit::readPicture(bytes, picture, error)) {
        if (error.empty() || picture.bytes.size() != 0) abort();
        return 0;
    }
    size_t pixels = size_t(picture.width) * size_t(picture.height);
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.bytes.size() != pixels * (picture.indexed() ? 1 : 3) ||
        picture.palette.size() > 256)
        abort();
    for (size_t i = 0; picture.indexed() && i < pixels; ++i)
        if (picture.bytes[i] >= picture.palette.size()) abort();
    celkit::ColourCensus census = celkit::takeCensus(picture);
    // Pixels less than half opaque are counted apart from the colours.
    if (census.transparent > pixels || census.colours > pixels - census.transparent ||
        (census.colours == 0) != (census.transparent == pixels))
        abort();
    celkit::GridOptions options;
    celkit::Font font;
    for (int layout = 0; layout < 2; ++layout) {
        options.layout = layout ? celkit::GridLayout::Unifont : celkit::GridLayout::Grid;
        options.cellWidth = layout ? 0 : int(size % 18);
        options.cellHeight = options.cellWidth ? int(size / 18 % 18) + 1 : 0;
        options.first = char32_t(size * 37 % 0x10000);
        error.clear();
        if (!celkit::glyphsFromPicture(picture, options, font, error) && error.empty()) abort();
    }
    return 0;
}
