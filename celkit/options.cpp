// Option values and font inputs shared by the subcommands.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>

#include "celkit/colour_names.h"
#include "celkit/font/gzip.h"
#include "celkit/font/psf.h"
#include "celkit/font/text_codes.h"
#include "celkit/input_kind.h"
#include "celkit/program.h"

namespace celkit {
namespace {

bool startsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

}  // namespace

std::uint32_t parseColour(const std::string& option, const std::string& text) {
    if (auto named = colourNamed(text)) return *named;
    std::string digits = startsWith(text, "#") ? text.substr(1) : text;
    std::uint64_t value = 0;
    if (digits.size() != 6 || !parseHex(digits, 6, value))
        throw UsageError(option + ": '" + text +
                         "' is no colour; give RRGGBB in hex, with or without #, or a CSS "
                         "colour name");
    return static_cast<std::uint32_t>(value);
}

namespace {

// One end of a --glyph range: a glyph number, or a code point for the map.
struct GlyphItem {
    bool isCodepoint;
    std::uint64_t value;
};

bool glyphItem(const std::string& text, GlyphItem& out) {
    std::uint64_t value = 0;
    if (startsWith(text, "0x") || startsWith(text, "0X")) {
        if (!parseHex(text.substr(2), 4, value) || value > 255) return false;
        out = {false, value};
    } else if (startsWith(text, "U+") || startsWith(text, "u+")) {
        if (!parseHex(text.substr(2), 6, value) || value > lastCodepoint) return false;
        out = {true, value};
    } else if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos) {
        // Digits are a glyph number, a single digit too: the character 7 is U+0037.
        if (text.size() > 3 || (value = std::stoul(text)) > 255) return false;
        out = {false, value};
    } else {
        char32_t c = 0;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
        if (text.empty() || decodeUtf8(bytes, text.size(), c) != text.size()) return false;
        out = {true, c};
    }
    return true;
}

}  // namespace

std::vector<int> parseGlyphList(const std::string& text, const CodepointMap& map,
                                const std::string& mapName) {
    std::vector<int> glyphs;
    // Every code point the map knows with its glyph, in order: a range walks
    // what the map holds, not each of the 1.1 million code points it spans.
    std::vector<std::pair<char32_t, int>> known;
    auto knownCodepoints = [&]() -> const std::vector<std::pair<char32_t, int>>& {
        if (known.empty()) {
            for (const auto& codepoints : map.codepoints)
                for (char32_t c : codepoints) known.emplace_back(c, 0);
            std::sort(known.begin(), known.end());
            known.erase(std::unique(known.begin(), known.end()), known.end());
            for (auto& entry : known) entry.second = map.glyphFor(entry.first);
        }
        return known;
    };
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        std::string part = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (part.empty()) throw UsageError("--glyph: '" + text + "' has an empty part");
        auto bad = [&](const std::string& why) {
            return UsageError("--glyph: '" + part + "' " + why);
        };
        // A dash after the first byte splits a range; "-" alone is the character.
        std::size_t dash = part.find('-', 1);
        std::string firstText = part.substr(0, dash);
        GlyphItem first{}, last{};
        if (!glyphItem(firstText, first) ||
            (dash != std::string::npos && !glyphItem(part.substr(dash + 1), last)))
            throw bad(
                "is no glyph number 0..255 (decimal or 0x hex), character or U+XXXX code point");
        if (dash == std::string::npos) last = first;
        if (first.isCodepoint != last.isCodepoint)
            throw bad("mixes a glyph number with a character or code point");
        if (first.value > last.value) throw bad("runs backwards");
        std::size_t before = glyphs.size();
        auto add = [&](int glyph) {
            if (glyphs.size() == maxListedGlyphs)
                throw UsageError("--glyph: the list names more than " +
                                 std::to_string(maxListedGlyphs) + " glyphs");
            glyphs.push_back(glyph);
        };
        if (!first.isCodepoint) {
            for (std::uint64_t v = first.value; v <= last.value; ++v) add(static_cast<int>(v));
        } else if (first.value == last.value) {
            int glyph = map.glyphFor(static_cast<char32_t>(first.value));
            if (glyph >= 0) add(glyph);
        } else {
            const auto& codepoints = knownCodepoints();
            auto at = std::lower_bound(codepoints.begin(), codepoints.end(),
                                       std::make_pair(static_cast<char32_t>(first.value), -1));
            for (; at != codepoints.end() && at->first <= last.value; ++at) add(at->second);
        }
        if (glyphs.size() == before) throw bad("has no glyph in map " + mapName);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return glyphs;
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

CodepointMap loadMap(const std::string& mapName, int* version) {
    if (version != nullptr) *version = 0;
    if (auto builtin = builtinMap(mapName)) return *builtin;
    std::error_code ignored;
    if (mapName != "-" && !fs::exists(pathOf(mapName), ignored))
        throw UsageError("--map: '" + mapName + "' is no map file nor one of " + builtinMapNames());
    std::vector<std::uint8_t> bytes = readInput(mapName);
    CodepointMap map;
    std::string error;
    // A font whose signature says so gives its own table; anything else is map text.
    FontData font;
    const bool compressed = isGzip(bytes);
    if (identifyFontData(bytes, font, error) && (font.format != &rawFontFormat() || compressed)) {
        if (!mapFromFont(bytes, map, error)) throw Failure(mapName + ": " + error);
        if (version != nullptr) *version = psfVersion(font.bytes);
        return map;
    }
    // Gzip data is a font or nothing: its own reason, never map text's.
    if (compressed) throw Failure(mapName + ": " + error);
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

Font loadFont(const std::string& name, const CodepointMap& map, int index) {
    ImportOptions options{map, std::nullopt};
    options.index = index;
    return fontOf(readAndIdentify(name), options);
}

void addIndexOption(CLI::App& command, int& index) {
    command
        .add_option("--index", index, "which font of a file holding several (.fon, .ttc), from 0")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber)
        ->capture_default_str();
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
