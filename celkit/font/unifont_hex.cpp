#include "celkit/font/unifont_hex.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "celkit/font/bdf.h"

namespace celkit {

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The code point before the colon: 4 to 6 hex digits. Returns the colon's
// position, or npos.
std::size_t readCodepoint(std::string_view line, unsigned long& cp) {
    std::size_t colon = line.find(':');
    if (colon < 4 || colon > 6 || colon == std::string_view::npos) return std::string_view::npos;
    cp = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        int d = hexDigit(line[i]);
        if (d < 0) return std::string_view::npos;
        cp = cp * 16 + static_cast<unsigned long>(d);
    }
    return cp <= 0x10FFFF ? colon : std::string_view::npos;
}

std::string_view firstLine(const std::vector<std::uint8_t>& data) {
    std::string_view text(reinterpret_cast<const char*>(data.data()),
                          std::min<std::size_t>(data.size(), 4096));
    while (!text.empty() && (text[0] == '\n' || text[0] == '\r')) text.remove_prefix(1);
    return text.substr(0, text.find('\n'));
}

}  // namespace

bool isUnifontHex(const std::vector<std::uint8_t>& data) {
    std::string_view line = firstLine(data);
    unsigned long cp;
    std::size_t colon = readCodepoint(line, cp);
    return colon != std::string_view::npos && colon + 1 < line.size() &&
           hexDigit(line[colon + 1]) >= 0;
}

bool readUnifontHex(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error) {
    std::string_view text(reinterpret_cast<const char*>(data.data()), data.size());
    SourceFont font;
    font.unicode = true;
    int number = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) continue;
        const std::string where = ".hex line " + std::to_string(number) + ": ";
        unsigned long cp;
        std::size_t colon = readCodepoint(line, cp);
        if (colon == std::string_view::npos) {
            error = where + "expected a code point of 4 to 6 hex digits and ':'";
            return false;
        }
        std::string_view bits = line.substr(colon + 1);
        if (bits.size() != 32 && bits.size() != 64 && bits.size() != 96 && bits.size() != 128) {
            error = where + "glyph data of " + std::to_string(bits.size()) +
                    " hex digits; expected 32 or 64";
            return false;
        }
        SourceGlyph glyph;
        glyph.number = static_cast<long>(cp);
        glyph.codepoints.push_back(static_cast<char32_t>(cp));
        glyph.height = glyphSide;
        glyph.width = static_cast<int>(bits.size() / 4);
        glyph.rows.resize(bits.size() / 2);
        for (std::size_t i = 0; i < bits.size(); i += 2) {
            int high = hexDigit(bits[i]), low = hexDigit(bits[i + 1]);
            if (high < 0 || low < 0) {
                error = where + "glyph data is not hexadecimal";
                return false;
            }
            glyph.rows[i / 2] = static_cast<std::uint8_t>(high << 4 | low);
        }
        font.glyphs.push_back(std::move(glyph));
    }
    if (font.glyphs.empty()) {
        error = ".hex font holds no glyphs";
        return false;
    }
    out = std::move(font);
    return true;
}

std::vector<std::uint8_t> writeUnifontHex(const Font& font, const CodepointMap& map) {
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    std::vector<int> order(glyphCount);
    for (int g = 0; g < glyphCount; ++g) order[g] = g;
    std::sort(order.begin(), order.end(), [&](int a, int b) { return codes[a] < codes[b]; });
    std::string text;
    char buffer[16];
    for (int g : order) {
        std::snprintf(buffer, sizeof buffer, "%04lX:", static_cast<unsigned long>(codes[g]));
        text += buffer;
        for (int i = 0; i < glyphBytes; ++i) {
            std::snprintf(buffer, sizeof buffer, "%02X", font.bytes[g * glyphBytes + i]);
            text += buffer;
        }
        text += '\n';
    }
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace celkit
