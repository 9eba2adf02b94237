#include "celkit/font/unifont_hex.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "celkit/font/bdf.h"
#include "celkit/font/export_cell.h"
#include "celkit/font/text_codes.h"

namespace celkit {

namespace {

// The code point before the colon: 4 to 6 hex digits. Returns the colon's
// position, or npos; `cp` may be past U+10FFFF, for the caller to refuse.
std::size_t readCodepoint(std::string_view line, std::uint64_t& cp) {
    if (line.size() > 4 && line[4] == ':') {  // the Basic Multilingual Plane, most lines
        const auto digit = [&](int i) {
            return unsigned{hexDigitTable.value[static_cast<unsigned char>(line[i])]};
        };
        const unsigned a = digit(0), b = digit(1), c = digit(2), d = digit(3);
        if ((a | b | c | d) > 15) return std::string_view::npos;
        cp = a << 12 | b << 8 | c << 4 | d;
        return 4;
    }
    std::uint64_t v = 0;
    std::size_t i = 0;
    for (int d; i < line.size() && i <= 6 && (d = hexDigitValue(line[i])) >= 0; ++i)
        v = v << 4 | static_cast<std::uint64_t>(d);
    if (i < 4 || i > 6 || i == line.size() || line[i] != ':') return std::string_view::npos;
    cp = v;
    return i;
}

bool skipped(std::string_view line) { return line.empty() || line[0] == '#'; }

std::string_view nextLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

}  // namespace

bool isUnifontHex(const std::vector<std::uint8_t>& data) {
    // Comments and blank lines may open the file; look at the first glyph line.
    std::string_view text(reinterpret_cast<const char*>(data.data()),
                          std::min<std::size_t>(data.size(), 64 << 10));
    std::string_view line;
    do line = nextLine(text);
    while (skipped(line) && !text.empty());
    std::uint64_t cp;
    const std::size_t colon = readCodepoint(line, cp);
    return colon != std::string_view::npos && colon + 1 < line.size() &&
           hexDigitValue(line[colon + 1]) >= 0;
}

bool readUnifontHex(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error) {
    SourceFont font;
    font.unicode = true;
    font.hexDigits = true;
    font.bits = data;
    std::string_view text(reinterpret_cast<const char*>(font.bits.data()), font.bits.size());
    const char* const start = text.data();
    // A glyph line holds at least 37 characters.
    font.glyphs.reserve(data.size() / 37 + 1);
    std::size_t number = 0;
    std::int64_t previous = -1;
    bool ascending = true;  // as Unifont's files are: no code point can repeat
    while (!text.empty()) {
        ++number;
        if (text[0] == '\n') {  // blank lines cost little however many
            text.remove_prefix(1);
            continue;
        }
        const auto where = [&] { return ".hex line " + std::to_string(number) + ": "; };
        std::uint64_t cp;
        const std::size_t colon = readCodepoint(text, cp);
        if (colon == std::string_view::npos) {
            if (skipped(nextLine(text))) continue;
            error = where() + "expected a code point of 4 to 6 hex digits and ':'";
            return false;
        }
        if (cp > lastCodepoint) {
            error =
                where() + "code point " + std::string(text.substr(0, colon)) + " is past U+10FFFF";
            return false;
        }
        // Glyph lines are 32 to 128 digits: finding the line's end by its
        // length spares a search through every digit.
        const std::string_view rest = text.substr(colon + 1);
        std::size_t length = 0, end = 0;
        for (std::size_t n = 32; n <= 128 && length == 0; n += 32) {
            if (rest.size() == n)
                length = end = n;
            else if (rest.size() > n && rest[n] == '\n')
                length = n, end = n + 1;
            else if (rest.size() > n && rest[n] == '\r' &&
                     (rest.size() == n + 1 || rest[n + 1] == '\n'))
                length = n, end = std::min(rest.size(), n + 2);
        }
        if (length == 0) {
            error = where() + "glyph data of " + std::to_string(nextLine(text).size() - colon - 1) +
                    " hex digits; expected 32 or 64";
            return false;
        }
        const std::string_view bits = rest.substr(0, length);
        if (!allHexDigits(bits)) {
            error = where() + "glyph data is not hexadecimal";
            return false;
        }
        SourceGlyph glyph;
        glyph.number = static_cast<std::int32_t>(cp);
        ascending = ascending && glyph.number > previous;
        previous = glyph.number;
        glyph.height = glyphSide;
        glyph.width = static_cast<int>(length / 4);
        glyph.at = static_cast<std::size_t>(bits.data() - start);
        font.glyphs.push_back(glyph);
        text.remove_prefix(colon + 1 + end);
    }
    if (font.glyphs.empty()) {
        error = ".hex font holds no glyphs";
        return false;
    }
    if (!ascending) warnOfDuplicateKeys(font);
    out = std::move(font);
    return true;
}

std::vector<std::uint8_t> writeUnifontHex(const Font& font, const CodepointMap& map, int width) {
    static const char hex[] = "0123456789ABCDEF";
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    std::vector<int> order;
    // A blank glyph the map leaves out would only claim a made-up code point.
    for (int g = 0; g < glyphCount; ++g)
        if (!map.codepoints[g].empty() || !font.blank(g)) order.push_back(g);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return codes[a] < codes[b]; });
    const std::vector<std::uint8_t> rows = packedRows(font, width);
    const int perGlyph = static_cast<int>(rows.size()) / glyphCount;
    std::vector<std::uint8_t> out;
    out.reserve(glyphCount * (7 + 2 * glyphBytes + 1));
    for (int g : order) {
        // Four digits in the Basic Multilingual Plane, six beyond it.
        for (int shift = codes[g] > 0xFFFF ? 20 : 12; shift >= 0; shift -= 4)
            out.push_back(static_cast<std::uint8_t>(hex[(codes[g] >> shift) & 0xF]));
        out.push_back(':');
        for (int i = 0; i < perGlyph; ++i) {
            const std::uint8_t b = rows[g * perGlyph + i];
            out.push_back(static_cast<std::uint8_t>(hex[b >> 4]));
            out.push_back(static_cast<std::uint8_t>(hex[b & 0xF]));
        }
        out.push_back('\n');
    }
    return out;
}

}  // namespace celkit
