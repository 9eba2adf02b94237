// Any bytes as a font file for celkit's import and as a code-point map's
// text. Whatever the input: no crash, no out-of-bounds access, a reason for
// every refusal, and an import that succeeds reads back the same from the
// font it produced (the .fnt writer is the identity).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <string_view>
#include <vector>

#include "celkit/font/font_formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    std::string error;

    celkit::CodepointMap map;
    if (!celkit::parseMapText(std::string_view(reinterpret_cast<const char*>(data), size), map,
                              error) &&
        error.empty())
        abort();
    if (error.empty()) {
        celkit::CodepointMap back;
        if (!celkit::parseMapText(celkit::formatMapText(map), back, error) ||
            back.codepoints != map.codepoints)
            abort();
    }

    static const celkit::CodepointMap cp437 = *celkit::builtinMap("cp437");
    for (std::optional<char32_t> first :
         {std::optional<char32_t>(), std::optional<char32_t>(0x400)}) {
        celkit::Font font;
        error.clear();
        const bool imported =
            celkit::importFont(bytes, celkit::ImportOptions{cp437, first}, font, error);
        if (!imported && error.empty()) abort();
        celkit::FontData found;
        std::string why;
        if (imported && !celkit::identifyFontData(bytes, found, why)) abort();
    }
    return 0;
}
