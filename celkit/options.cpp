// Option values and font inputs shared by the subcommands.
#include <CLI/CLI.hpp>
#include <iostream>

#include "celkit/font/text_codes.h"
#include "celkit/input_kind.h"
#include "celkit/program.h"

namespace celkit {
namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::uint32_t parseColour(const std::string& option, const std::string& text) {
    std::string digits = startsWith(text, "#") ? text.substr(1) : text;
    std::uint64_t value = 0;
    if (digits.size() != 6 || !parseHex(digits, 6, value))
        throw UsageError(option + ": '" + text +
                         "' is no colour; give RRGGBB in hex, with or without #");
    return static_cast<std::uint32_t>(value);
}

int parseGlyphNumber(const std::string& text) {
    std::uint64_t value = 0;
    bool good;
    if (startsWith(text, "0x") || startsWith(text, "0X")) {
        good = parseHex(text.substr(2), 4, value);
    } else {
        good = !text.empty() && text.size() <= 4 &&
               text.find_first_not_of("0123456789") == std::string::npos;
        if (good) value = std::stoul(text);
    }
    if (!good || value > 255)
        throw UsageError("--glyph: '" + text + "' is no glyph number 0..255 (or 0x00..0xFF)");
    return static_cast<int>(value);
}

char32_t parseCodepoint(const std::string& option, const std::string& text) {
    std::string digits = (startsWith(text, "U+") || startsWith(text, "u+") ||
                          startsWith(text, "0x") || startsWith(text, "0X"))
                             ? text.substr(2)
                             : text;
    std::uint64_t value = 0;
    if (!parseHex(digits, 6, value) || value > lastCodepoint)
        throw UsageError(option + ": '" + text + "' is no code point; give U+XXXX");
    return static_cast<char32_t>(value);
}

CodepointMap loadMap(const std::string& mapName) {
    if (auto builtin = builtinMap(mapName)) return *builtin;
    std::error_code ignored;
    if (mapName != "-" && !fs::exists(pathOf(mapName), ignored))
        throw UsageError("--map: '" + mapName + "' is no map file nor one of " + builtinMapNames());
    std::vector<std::uint8_t> bytes = readInput(mapName);
    CodepointMap map;
    std::string error;
    // A font whose signature says so gives its own table; anything else is map text.
    FontData font;
    if (identifyFontData(bytes, font, error) && font.format != &rawFontFormat()) {
        if (!mapFromFont(bytes, map, error)) throw Failure(mapName + ": " + error);
        return map;
    }
    error.clear();
    if (!parseMapText(std::string(bytes.begin(), bytes.end()), map, error))
        throw Failure(mapName + ": " + error);
    return map;
}

CodepointMap blockMap(char32_t first) {
    CodepointMap map;
    for (char32_t g = 0; g < 256 && first + g <= lastCodepoint; ++g)
        map.codepoints[g].push_back(first + g);
    return map;
}

Font loadFont(const std::string& name, const CodepointMap& map) {
    return fontOf(readAndIdentify(name), ImportOptions{map, std::nullopt});
}

void addDestinationOptions(CLI::App& command, Destination& destination) {
    auto* output =
        command.add_option("-o,--output", destination.output, "the output file (one input only)");
    auto* directory = command.add_option("-d,--directory", destination.directory,
                                         "write each output into DIR, named after its input");
    output->excludes(directory);
    directory->type_name("DIR");
    output->type_name("FILE");
}

}  // namespace celkit
