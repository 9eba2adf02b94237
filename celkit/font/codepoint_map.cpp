#include "celkit/font/codepoint_map.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "celkit/font/code_pages.h"
#include "celkit/font/text_codes.h"

namespace celkit {

namespace {

// Code page 437 as the PC's video ROM draws it: the control range shows the
// pictures (smileys, card suits, arrows) rather than nothing.
constexpr std::uint16_t cp437[256] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642,
    0x2640, 0x266A, 0x266B, 0x263C, 0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC, 0x0020, 0x0021, 0x0022, 0x0023,
    0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F, 0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F, 0x0050, 0x0051, 0x0052, 0x0053,
    0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B,
    0x006C, 0x006D, 0x006E, 0x006F, 0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302, 0x00C7, 0x00FC, 0x00E9, 0x00E2,
    0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566,
    0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0,
    0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A,
    0x207F, 0x00B2, 0x25A0, 0x00A0,
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

int digitValue(char c, int base) {
    const int v = hexDigitValue(c);
    return v < base ? v : -1;
}

// Reads an unsigned number in C notation (0x hex, leading 0 octal, else
// decimal) or, with `unicode`, U+hex; at most `limit`.
bool readNumber(std::string_view& s, bool unicode, unsigned long limit, unsigned long& value) {
    int base = 10;
    if (unicode) {
        if (s.size() < 2 || (s[0] != 'U' && s[0] != 'u') || s[1] != '+') return false;
        s.remove_prefix(2);
        base = 16;
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        s.remove_prefix(2);
        base = 16;
    } else if (!s.empty() && s[0] == '0') {
        base = 8;
    }
    if (s.empty() || digitValue(s[0], base) < 0) return false;
    value = 0;
    while (!s.empty() && digitValue(s[0], base) >= 0) {
        value = value * base + static_cast<unsigned long>(digitValue(s[0], base));
        if (value > limit) return false;
        s.remove_prefix(1);
    }
    return true;
}

void skipSpace(std::string_view& s) {
    while (!s.empty() && isSpace(s[0])) s.remove_prefix(1);
}

// One line of a table: "GLYPH CODEPOINTS" or "FIRST-LAST idem" or
// "FIRST-LAST U+A-U+B"; sequences (code points joined by commas) name
// combined characters a 256-glyph font cannot hold apart, so they are read
// and dropped.
bool parseLine(std::string_view line, CodepointMap& map, std::string& why) {
    unsigned long first, last, cp;
    if (!readNumber(line, false, 255, first)) {
        why = "expected a glyph number from 0 to 255";
        return false;
    }
    last = first;
    if (!line.empty() && line[0] == '-') {
        line.remove_prefix(1);
        if (!readNumber(line, false, 255, last) || last < first) {
            why = "bad glyph range";
            return false;
        }
    }
    if (!line.empty() && !isSpace(line[0])) {
        why = "expected a space after the glyph number";
        return false;
    }
    skipSpace(line);
    if (last != first) {
        if (line.substr(0, 4) == "idem") {
            line.remove_prefix(4);
            for (unsigned long g = first; g <= last; ++g)
                map.codepoints[g].push_back(static_cast<char32_t>(g));
        } else {
            unsigned long cpLast;
            if (!readNumber(line, true, lastCodepoint, cp) || line.empty() || line[0] != '-') {
                why = "a glyph range takes 'idem' or a code point range";
                return false;
            }
            line.remove_prefix(1);
            if (!readNumber(line, true, lastCodepoint, cpLast) || cpLast - cp != last - first ||
                cpLast < cp) {
                why = "the code point range and the glyph range differ in length";
                return false;
            }
            for (unsigned long g = first; g <= last; ++g)
                map.codepoints[g].push_back(static_cast<char32_t>(cp + g - first));
        }
        skipSpace(line);
        if (!line.empty()) {
            why = "unexpected text after the range";
            return false;
        }
        return true;
    }
    while (!line.empty()) {
        if (line.substr(0, 4) == "idem") {
            line.remove_prefix(4);
            map.codepoints[first].push_back(static_cast<char32_t>(first));
        } else {
            if (!readNumber(line, true, lastCodepoint, cp)) {
                why = "expected a code point as U+XXXX";
                return false;
            }
            bool sequence = false;
            while (!line.empty() && line[0] == ',') {
                line.remove_prefix(1);
                skipSpace(line);
                unsigned long next;
                if (!readNumber(line, true, lastCodepoint, next)) {
                    why = "expected a code point after ','";
                    return false;
                }
                sequence = true;
            }
            if (!sequence) map.codepoints[first].push_back(static_cast<char32_t>(cp));
        }
        if (!line.empty() && !isSpace(line[0])) {
            why = "expected a space between code points";
            return false;
        }
        skipSpace(line);
    }
    return true;
}

}  // namespace

int CodepointMap::glyphFor(char32_t codepoint) const {
    if (index.empty()) {
        // Main code points rank before the others, then lower glyphs; the
        // first entry of each code point is its answer.
        std::vector<std::pair<char32_t, int>> ranked;
        for (int g = 0; g < 256; ++g)
            for (std::size_t i = 0; i < codepoints[g].size(); ++i)
                ranked.emplace_back(codepoints[g][i], (i == 0 ? 0 : 256) + g);
        std::sort(ranked.begin(), ranked.end());
        for (const auto& [c, rank] : ranked)
            if (index.empty() || index.back().first != c) index.emplace_back(c, rank % 256);
        if (index.empty()) index.emplace_back(0, -1);  // an empty map finds nothing
    }
    const auto found = std::lower_bound(index.begin(), index.end(), std::make_pair(codepoint, -1));
    return found != index.end() && found->first == codepoint ? found->second : -1;
}

std::optional<CodepointMap> builtinMap(std::string_view name) {
    CodepointMap map;
    if (name == "cp437") {
        for (int g = 0; g < 256; ++g) map.codepoints[g].push_back(cp437[g]);
    } else if (name == "latin1") {
        for (int g = 0; g < 256; ++g) map.codepoints[g].push_back(static_cast<char32_t>(g));
    } else {
        const auto& pages = codePages();
        const auto page = std::find_if(pages.begin(), pages.end(),
                                       [&](const CodePage& p) { return name == p.name; });
        if (page == pages.end()) return std::nullopt;
        for (int g = 0; g < 256; ++g)
            if (page->codepoints[g] != 0) map.codepoints[g].push_back(page->codepoints[g]);
    }
    return map;
}

std::string builtinMapNames() {
    std::string names = "cp437, latin1";
    for (const CodePage& page : codePages()) names += std::string(", ") + page.name;
    return names;
}

bool parseMapText(std::string_view text, CodepointMap& out, std::string& error) {
    CodepointMap map;
    int lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        std::size_t hash = line.find('#');
        if (hash != std::string_view::npos) line = line.substr(0, hash);
        skipSpace(line);
        while (!line.empty() && isSpace(line.back())) line.remove_suffix(1);
        if (line.empty()) continue;
        std::string why;
        if (!parseLine(line, map, why)) {
            error = "code-point map line " + std::to_string(lineNumber) + ": " + why;
            return false;
        }
    }
    out = std::move(map);
    return true;
}

std::string formatMapText(const CodepointMap& map) {
    std::string text = "#\n# Character table\n#\n";
    char buffer[16];
    for (int g = 0; g < 256; ++g) {
        std::snprintf(buffer, sizeof buffer, "0x%03x\t", g);
        text += buffer;
        bool firstOne = true;
        for (char32_t c : map.codepoints[g]) {
            std::snprintf(buffer, sizeof buffer, "%sU+%04lx", firstOne ? "" : " ",
                          static_cast<unsigned long>(c));
            text += buffer;
            firstOne = false;
        }
        text += '\n';
    }
    return text;
}

}  // namespace celkit
