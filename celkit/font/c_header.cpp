#include "celkit/font/c_header.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

#include "celkit/font/export_cell.h"

namespace celkit {

namespace {

// Every keyword of C (C89 to C23) and C++ (C++98 to C++23), the alternative
// tokens (and, bitor ...) and asm, which compilers take as one. Those
// starting with '_' never arise: such names gain a prefix first. A space
// stands at each end, for the search.
constexpr std::string_view keywords =
    " alignas alignof and and_eq asm auto bitand bitor bool break case catch char"
    " char16_t char32_t char8_t class co_await co_return co_yield compl concept const"
    " const_cast consteval constexpr constinit continue decltype default delete do double"
    " dynamic_cast else enum explicit export extern false float for friend goto if inline"
    " int long mutable namespace new noexcept not not_eq nullptr operator or or_eq"
    " private protected public register reinterpret_cast requires restrict return short"
    " signed sizeof static static_assert static_cast struct switch template this"
    " thread_local throw true try typedef typeid typename typeof typeof_unqual union"
    " unsigned using virtual void volatile wchar_t while xor xor_eq ";

}  // namespace

std::string cIdentifier(const std::string& name) {
    std::string id;
    for (char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (id.empty()) return "font";
    // Names starting with '_' and a capital or with two '_' are the compiler's.
    if (std::isdigit(static_cast<unsigned char>(id[0])) || id[0] == '_') id = "font_" + id;
    if (keywords.find(" " + id + " ") != std::string_view::npos) return id + "_font";
    return id;
}

std::vector<std::uint8_t> writeCHeader(const Font& font, const CodepointMap& map,
                                       const std::string& name, int width) {
    const std::string id = cIdentifier(name);
    std::string upper = id;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const bool narrow = width == glyphSide / 2;
    const std::vector<std::uint8_t> rows = packedRows(font, width);
    const int perGlyph = static_cast<int>(rows.size()) / glyphCount;
    std::string text;
    text += narrow ? "/* " + id + ": 256 glyphs of 8 x 16 pixels, 16 bytes each: a byte per row\n"
                   : "/* " + id +
                         ": 256 glyphs of 16 x 16 pixels, 32 bytes each: 16 rows of two bytes\n";
    text += narrow ? "   from the top, bit 7 the leftmost pixel. */\n"
                   : "   from the top, bit 7 of the first byte the leftmost pixel. */\n";
    text += "#ifndef " + upper + "_FONT_H\n#define " + upper + "_FONT_H\n\n";
    text += "#define " + upper + "_WIDTH " + (narrow ? "8" : "16") + "\n";
    text += "#define " + upper + "_HEIGHT 16\n";
    text += "#define " + upper + "_COUNT 256\n\n";
    text += "static const unsigned char " + id + "[256][" + std::to_string(perGlyph) + "] = {\n";
    char buffer[32];
    for (int g = 0; g < glyphCount; ++g) {
        std::snprintf(buffer, sizeof buffer, "    /* 0x%02X", g);
        text += buffer;
        if (!map.codepoints[g].empty()) {
            std::snprintf(buffer, sizeof buffer, " U+%04lX",
                          static_cast<unsigned long>(map.codepoints[g][0]));
            text += buffer;
        }
        text += " */\n    {";
        for (int n = 0; n < perGlyph; ++n) {
            std::snprintf(buffer, sizeof buffer, "0x%02X%s", rows[g * perGlyph + n],
                          n + 1 < perGlyph ? (n % 16 == 15 ? ",\n     " : ", ") : "");
            text += buffer;
        }
        text += g + 1 < glyphCount ? "},\n" : "}\n";
    }
    text += "};\n\n#endif\n";
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace celkit
