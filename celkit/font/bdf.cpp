#include "celkit/font/bdf.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>

namespace celkit {

namespace {

// Bigger boxes than this are not fonts anyone draws by hand; refusing them
// bounds what a lying header can make us allocate.
constexpr long largestBox = 256;

struct Lines {
    std::string_view text;
    int number = 0;
    bool next(std::string_view& line) {
        if (text.empty()) return false;
        std::size_t end = text.find('\n');
        line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        ++number;
        return true;
    }
};

std::string_view keyword(std::string_view line) {
    return line.substr(0, line.find_first_of(" \t"));
}

// Whitespace-separated integers after the keyword; false unless exactly `count`.
bool integers(std::string_view line, long* values, int count) {
    std::string rest(line.substr(keyword(line).size()));
    const char* p = rest.c_str();
    for (int i = 0; i < count; ++i) {
        char* end;
        errno = 0;
        values[i] = std::strtol(p, &end, 10);
        if (end == p || errno != 0) return false;
        p = end;
    }
    while (*p == ' ' || *p == '\t') ++p;
    return *p == '\0';
}

std::string propertyString(std::string_view line) {
    std::string_view rest = line.substr(keyword(line).size());
    while (!rest.empty() && (rest[0] == ' ' || rest[0] == '\t')) rest.remove_prefix(1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return std::string(rest);
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string at(int line) { return "BDF line " + std::to_string(line) + ": "; }

}  // namespace

bool isBdf(const std::vector<std::uint8_t>& data) {
    static const char magic[] = "STARTFONT ";
    return data.size() >= sizeof magic - 1 &&
           std::equal(magic, magic + sizeof magic - 1, data.begin());
}

bool readBdf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error) {
    if (!isBdf(data)) {
        error = "not a BDF font (no STARTFONT)";
        return false;
    }
    Lines lines{std::string_view(reinterpret_cast<const char*>(data.data()), data.size())};
    std::string_view line;
    long box[4] = {0, 0, 0, 0};
    bool haveBox = false, haveAscent = false, ended = false;
    long ascent = 0, declared = -1;
    SourceFont font;
    std::string registry, encodingName;
    while (lines.next(line)) {
        const std::string_view key = keyword(line);
        if (key == "FONTBOUNDINGBOX") {
            if (!integers(line, box, 4) || box[0] < 0 || box[1] < 0 || box[0] > largestBox ||
                box[1] > largestBox) {
                error = at(lines.number) + "bad FONTBOUNDINGBOX";
                return false;
            }
            haveBox = true;
        } else if (key == "FONT_ASCENT") {
            if (!integers(line, &ascent, 1) || ascent < -largestBox || ascent > largestBox) {
                error = at(lines.number) + "bad FONT_ASCENT";
                return false;
            }
            haveAscent = true;
        } else if (key == "CHARSET_REGISTRY") {
            registry = propertyString(line);
        } else if (key == "CHARSET_ENCODING") {
            encodingName = propertyString(line);
        } else if (key == "CHARS") {
            if (!integers(line, &declared, 1) || declared < 0) {
                error = at(lines.number) + "bad CHARS";
                return false;
            }
        } else if (key == "ENDFONT") {
            ended = true;
            break;
        } else if (key == "STARTCHAR") {
            if (!haveBox) {
                error = at(lines.number) + "a glyph comes before FONTBOUNDINGBOX";
                return false;
            }
            const int start = lines.number;
            const std::string name = propertyString(line);
            const std::string who = "glyph '" + name + "' (line " + std::to_string(start) + ")";
            SourceGlyph glyph;
            long encoding[2] = {-1, -1}, bbx[4];
            bool haveEncoding = false, haveBbx = false, closed = false;
            while (lines.next(line)) {
                const std::string_view k = keyword(line);
                if (k == "ENCODING") {
                    if (!integers(line, encoding, 1) && !integers(line, encoding, 2)) {
                        error = at(lines.number) + "bad ENCODING";
                        return false;
                    }
                    haveEncoding = true;
                } else if (k == "BBX") {
                    if (!integers(line, bbx, 4) || bbx[0] < 0 || bbx[1] < 0 ||
                        bbx[0] > largestBox || bbx[1] > largestBox ||
                        std::labs(bbx[2]) > largestBox || std::labs(bbx[3]) > largestBox) {
                        error = at(lines.number) + "bad BBX";
                        return false;
                    }
                    haveBbx = true;
                } else if (k == "BITMAP") {
                    if (!haveBbx) {
                        error = who + " has BITMAP before BBX";
                        return false;
                    }
                    glyph.width = static_cast<int>(bbx[0]);
                    glyph.height = static_cast<int>(bbx[1]);
                    const std::size_t rowBytes = static_cast<std::size_t>((glyph.width + 7) / 8);
                    glyph.rows.assign(rowBytes * glyph.height, 0);
                    for (int y = 0; y < glyph.height; ++y) {
                        if (!lines.next(line) || keyword(line) == "ENDCHAR") {
                            error = who + " has fewer bitmap rows than its BBX height " +
                                    std::to_string(glyph.height);
                            return false;
                        }
                        if (line.size() < rowBytes * 2 || line.size() % 2 != 0) {
                            error = at(lines.number) + "bitmap row of " +
                                    std::to_string(line.size()) + " hex digits; " + who +
                                    " needs " + std::to_string(rowBytes * 2);
                            return false;
                        }
                        for (std::size_t i = 0; i < line.size(); ++i)
                            if (hexDigit(line[i]) < 0) {
                                error = at(lines.number) + "bitmap row is not hexadecimal";
                                return false;
                            }
                        for (std::size_t i = 0; i < rowBytes; ++i)
                            glyph.rows[y * rowBytes + i] = static_cast<std::uint8_t>(
                                hexDigit(line[2 * i]) << 4 | hexDigit(line[2 * i + 1]));
                    }
                } else if (k == "ENDCHAR") {
                    closed = true;
                    break;
                } else if (k == "STARTCHAR" || k == "ENDFONT") {
                    break;
                }
            }
            if (!closed) {
                error = who + " has no ENDCHAR";
                return false;
            }
            if (!haveEncoding || !haveBbx) {
                error = who + " lacks " + (haveEncoding ? "BBX" : "ENCODING");
                return false;
            }
            const long originTop = haveAscent ? ascent : box[1] + box[3];
            const long originLeft = box[2] < 0 ? box[2] : 0;
            glyph.left = static_cast<int>(bbx[2] - originLeft);
            glyph.top = static_cast<int>(originTop - (bbx[3] + bbx[1]));
            // ENCODING -1 n: a glyph outside the encoding; it cannot be picked.
            glyph.number = encoding[0];
            if (encoding[0] >= 0) glyph.codepoints.push_back(static_cast<char32_t>(encoding[0]));
            font.glyphs.push_back(std::move(glyph));
        }
    }
    if (!ended) {
        error = "BDF font has no ENDFONT";
        return false;
    }
    if (declared >= 0 && static_cast<std::size_t>(declared) != font.glyphs.size()) {
        error = "BDF font says CHARS " + std::to_string(declared) + " but holds " +
                std::to_string(font.glyphs.size()) + " glyphs";
        return false;
    }
    for (char& c : registry) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Latin-1's encodings are its Unicode code points.
    font.unicode = registry == "ISO10646" || (registry == "ISO8859" && encodingName == "1");
    out = std::move(font);
    return true;
}

std::vector<char32_t> uniqueCodepoints(const CodepointMap& map) {
    std::set<char32_t> taken;
    std::vector<char32_t> result(glyphCount);
    for (int g = 0; g < glyphCount; ++g) {
        result[g] = 0xF000 + static_cast<char32_t>(g);
        for (char32_t c : map.codepoints[g])
            if (taken.insert(c).second) {
                result[g] = c;
                break;
            }
    }
    // A fallback may still meet a code point a later glyph took from the map.
    std::set<char32_t> seen;
    for (int g = 0; g < glyphCount; ++g)
        while (!seen.insert(result[g]).second) result[g] += 0x100;
    return result;
}

std::vector<std::uint8_t> writeBdf(const Font& font, const CodepointMap& map,
                                   const std::string& family) {
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    // XLFD fields cannot hold '-' and BDF strings end at a '"'.
    std::string name;
    for (char c : family)
        name += (c == '-' || c == '"' || c == '*' || c == '?' || c == ',' ||
                 static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                    ? '_'
                    : c;
    if (name.empty()) name = "celkit";
    const int descent = glyphSide - bdfAscent;
    std::string text;
    text += "STARTFONT 2.1\n";
    text += "FONT -celkit-" + name + "-Medium-R-Normal--16-160-75-75-C-160-ISO10646-1\n";
    text += "SIZE 16 75 75\n";
    text += "FONTBOUNDINGBOX 16 16 0 -" + std::to_string(descent) + "\n";
    text += "STARTPROPERTIES 18\n";
    text += "FOUNDRY \"celkit\"\nFAMILY_NAME \"" + name + "\"\n";
    text += "WEIGHT_NAME \"Medium\"\nSLANT \"R\"\nSETWIDTH_NAME \"Normal\"\nADD_STYLE_NAME \"\"\n";
    text += "PIXEL_SIZE 16\nPOINT_SIZE 160\nRESOLUTION_X 75\nRESOLUTION_Y 75\n";
    text +=
        "SPACING \"C\"\nAVERAGE_WIDTH 160\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n";
    text += "FONT_ASCENT " + std::to_string(bdfAscent) + "\nFONT_DESCENT " +
            std::to_string(descent) + "\n";
    text += "DEFAULT_CHAR " + std::to_string(static_cast<unsigned long>(codes[0])) + "\n";
    text += "COPYRIGHT \"\"\n";
    text += "ENDPROPERTIES\n";
    text += "CHARS " + std::to_string(glyphCount) + "\n";
    char buffer[64];
    for (int g = 0; g < glyphCount; ++g) {
        const unsigned long code = codes[g];
        std::snprintf(buffer, sizeof buffer, code > 0xFFFF ? "u%05lX" : "uni%04lX", code);
        text += "STARTCHAR " + std::string(buffer) + "\n";
        text += "ENCODING " + std::to_string(code) + "\n";
        // 16 pixels at 16 points and 75 dpi: 16 * 72000 / (16 * 75) thousandths.
        text += "SWIDTH 960 0\nDWIDTH 16 0\n";
        text += "BBX 16 16 0 -" + std::to_string(descent) + "\nBITMAP\n";
        for (int y = 0; y < glyphSide; ++y) {
            std::snprintf(buffer, sizeof buffer, "%02X%02X\n", font.bytes[g * glyphBytes + 2 * y],
                          font.bytes[g * glyphBytes + 2 * y + 1]);
            text += buffer;
        }
        text += "ENDCHAR\n";
    }
    text += "ENDFONT\n";
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace celkit
