#include "celkit/font/c_header.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace celkit {

namespace {

// Keywords of C and C++ that a file name might plausibly be.
const char* const keywords[] = {
    "alignas",  "alignof",   "and",      "asm",    "auto",      "bool",     "break",    "case",
    "catch",    "char",      "class",    "const",  "constexpr", "continue", "default",  "delete",
    "do",       "double",    "else",     "enum",   "explicit",  "export",   "extern",   "false",
    "float",    "for",       "friend",   "goto",   "if",        "inline",   "int",      "long",
    "mutable",  "namespace", "new",      "not",    "operator",  "or",       "private",  "protected",
    "public",   "register",  "restrict", "return", "short",     "signed",   "sizeof",   "static",
    "struct",   "switch",    "template", "this",   "throw",     "true",     "try",      "typedef",
    "typename", "union",     "unsigned", "using",  "virtual",   "void",     "volatile", "while",
    "xor",
};

}  // namespace

std::string cIdentifier(const std::string& name) {
    std::string id;
    for (char c : name) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    if (id.empty()) return "font";
    // Names starting with '_' and a capital or with two '_' are the compiler's.
    if (std::isdigit(static_cast<unsigned char>(id[0])) || id[0] == '_') id = "font_" + id;
    for (const char* k : keywords)
        if (id == k) return id + "_font";
    return id;
}

std::vector<std::uint8_t> writeCHeader(const Font& font, const CodepointMap& map,
                                       const std::string& name) {
    const std::string id = cIdentifier(name);
    std::string upper = id;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string text;
    text += "/* " + id + ": 256 glyphs of 16 x 16 pixels, 32 bytes each: 16 rows of two bytes\n";
    text += "   from the top, bit 7 of the first byte the leftmost pixel. */\n";
    text += "#ifndef " + upper + "_FONT_H\n#define " + upper + "_FONT_H\n\n";
    text += "#define " + upper + "_WIDTH 16\n";
    text += "#define " + upper + "_HEIGHT 16\n";
    text += "#define " + upper + "_COUNT 256\n\n";
    text += "static const unsigned char " + id + "[256][32] = {\n";
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
        for (int i = 0; i < glyphBytes; ++i) {
            std::snprintf(buffer, sizeof buffer, "0x%02X%s", font.bytes[g * glyphBytes + i],
                          i + 1 < glyphBytes ? (i % 16 == 15 ? ",\n     " : ", ") : "");
            text += buffer;
        }
        text += g + 1 < glyphCount ? "},\n" : "}\n";
    }
    text += "};\n\n#endif\n";
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace celkit
