#include "celkit/font/bdf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string_view>

#include "celkit/font/text_codes.h"

namespace celkit {

namespace {

// Bigger boxes than this are not fonts anyone draws by hand; refusing them
// bounds what a lying header can make us allocate.
constexpr long long largestBox = 256;
// Numbers past this are refused as numbers; smaller ones are checked per field.
constexpr long long largestNumber = 1000000000000000LL;

struct Lines {
    std::string_view text;
    std::size_t number = 0;
    // The next line that holds anything: blank lines mean nothing outside a
    // bitmap, and a file of millions of them must cost little each.
    bool nextContent(std::string_view& line) {
        std::size_t at = 0;
        for (;;) {
            if (at < text.size() && text[at] == '\n')
                at += 1;
            else if (at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n')
                at += 2;
            else
                break;
            ++number;
        }
        text.remove_prefix(at);
        return next(line);
    }
    bool next(std::string_view& line) {
        if (text.empty()) return false;
        const std::size_t end = text.find('\n');
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

bool isSpace(char c) { return c == ' ' || c == '\t'; }

// Whitespace-separated decimal integers after the keyword; false unless
// exactly `count`, each within largestNumber.
bool integers(std::string_view line, long long* values, int count) {
    std::string_view rest = line.substr(keyword(line).size());
    for (int i = 0; i < count; ++i) {
        if (rest.empty() || !isSpace(rest[0])) return false;
        while (!rest.empty() && isSpace(rest[0])) rest.remove_prefix(1);
        const bool negative = !rest.empty() && rest[0] == '-';
        if (!rest.empty() && (rest[0] == '-' || rest[0] == '+')) rest.remove_prefix(1);
        if (rest.empty() || rest[0] < '0' || rest[0] > '9') return false;
        long long v = 0;
        while (!rest.empty() && rest[0] >= '0' && rest[0] <= '9') {
            v = v * 10 + (rest[0] - '0');
            if (v > largestNumber) return false;
            rest.remove_prefix(1);
        }
        values[i] = negative ? -v : v;
    }
    return rest.empty();
}

bool within(long long v, long long low, long long high) { return v >= low && v <= high; }

std::string propertyString(std::string_view line) {
    std::string_view rest = line.substr(keyword(line).size());
    while (!rest.empty() && isSpace(rest[0])) rest.remove_prefix(1);
    if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
        rest = rest.substr(1, rest.size() - 2);
    return std::string(rest);
}

// A glyph name for a message: printable ASCII as it is, the rest escaped,
// so that a hostile name cannot drive the terminal that shows the error.
std::string printable(std::string_view name) {
    std::string out;
    for (char c : name.substr(0, 64)) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '\\') {
            out += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", b);
            out += escaped;
        }
    }
    return name.size() > 64 ? out + "..." : out;
}

bool isHexRow(std::string_view line) {
    if (line.empty()) return false;
    for (char c : line)
        if (hexDigitValue(c) < 0) return false;
    return true;
}

std::string at(std::size_t line) { return "BDF line " + std::to_string(line) + ": "; }

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
    long long box[4] = {0, 0, 0, 0}, ascent = 0, declared = -1;
    bool haveBox = false, haveAscent = false, ended = false;
    SourceFont font;
    std::string registry, encodingName;
    // Each glyph's top above the baseline; made a row of the cell at the end.
    std::vector<int> boxTops;
    while (lines.nextContent(line)) {
        const std::string_view key = keyword(line);
        if (key == "FONTBOUNDINGBOX") {
            if (!integers(line, box, 4) || !within(box[0], 0, largestBox) ||
                !within(box[1], 0, largestBox) || !within(box[2], -largestBox, largestBox) ||
                !within(box[3], -largestBox, largestBox)) {
                error =
                    at(lines.number) + "bad FONTBOUNDINGBOX (sizes 0 to 256, offsets -256 to 256)";
                return false;
            }
            haveBox = true;
        } else if (key == "FONT_ASCENT") {
            if (!integers(line, &ascent, 1) || !within(ascent, -largestBox, largestBox)) {
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
            const std::size_t start = lines.number;
            const std::string_view name = line.substr(key.size());
            const auto who = [&] {
                std::string_view n = name;
                while (!n.empty() && isSpace(n[0])) n.remove_prefix(1);
                return "glyph '" + printable(n) + "' (line " + std::to_string(start) + ")";
            };
            long long encoding[2] = {-1, -1}, bbx[4] = {0, 0, 0, 0};
            bool haveEncoding = false, haveBbx = false, haveBitmap = false, closed = false;
            SourceGlyph glyph;
            while (lines.nextContent(line)) {
                const std::string_view k = keyword(line);
                if (k == "ENDCHAR") {
                    closed = true;
                    break;
                }
                if (k == "STARTCHAR" || k == "ENDFONT") break;
                if (k == "ENCODING") {
                    if (haveEncoding) {
                        error = who() + " has a second ENCODING";
                        return false;
                    }
                    if ((!integers(line, encoding, 1) && !integers(line, encoding, 2)) ||
                        encoding[0] < -1) {
                        error = at(lines.number) + who() + " has a bad ENCODING";
                        return false;
                    }
                    if (encoding[0] > static_cast<long long>(lastCodepoint)) {
                        error = who() + " has ENCODING " + std::to_string(encoding[0]) +
                                ", past U+10FFFF";
                        return false;
                    }
                    haveEncoding = true;
                } else if (k == "BBX") {
                    if (haveBitmap || haveBbx) {
                        error = who() +
                                (haveBitmap ? " has BBX after its BITMAP" : " has a second BBX");
                        return false;
                    }
                    if (!integers(line, bbx, 4) || !within(bbx[0], 0, largestBox) ||
                        !within(bbx[1], 0, largestBox) ||
                        !within(bbx[2], -largestBox, largestBox) ||
                        !within(bbx[3], -largestBox, largestBox)) {
                        error = at(lines.number) + who() +
                                " has a bad BBX (sizes 0 to 256, offsets -256 to 256)";
                        return false;
                    }
                    haveBbx = true;
                } else if (k == "BITMAP") {
                    if (haveBitmap || !haveBbx) {
                        error = who() +
                                (haveBitmap ? " has a second BITMAP" : " has BITMAP before BBX");
                        return false;
                    }
                    haveBitmap = true;
                    glyph.width = static_cast<int>(bbx[0]);
                    glyph.height = static_cast<int>(bbx[1]);
                    glyph.at = font.bits.size();
                    const std::size_t rowBytes = static_cast<std::size_t>((glyph.width + 7) / 8);
                    for (int y = 0; y < glyph.height; ++y) {
                        if (!lines.next(line) || keyword(line) == "ENDCHAR") {
                            error = who() + " has fewer bitmap rows (" + std::to_string(y) +
                                    ") than its BBX height " + std::to_string(glyph.height);
                            return false;
                        }
                        // Rows may be padded past the width, never cut short.
                        if (line.size() < rowBytes * 2 || line.size() % 2 != 0) {
                            error = at(lines.number) + "bitmap row of " +
                                    std::to_string(line.size()) + " hex digits; " + who() +
                                    " needs " + std::to_string(rowBytes * 2);
                            return false;
                        }
                        if (!isHexRow(line) && !line.empty()) {
                            error = at(lines.number) + who() +
                                    " has a bitmap row that is not hexadecimal";
                            return false;
                        }
                        for (std::size_t i = 0; i < rowBytes; ++i)
                            font.bits.push_back(static_cast<std::uint8_t>(
                                hexDigitValue(line[2 * i]) << 4 | hexDigitValue(line[2 * i + 1])));
                    }
                } else if (haveBitmap && isHexRow(line)) {
                    error = who() + " has more bitmap rows than its BBX height " +
                            std::to_string(glyph.height);
                    return false;
                }
            }
            if (!closed) {
                error = who() + " has no ENDCHAR";
                return false;
            }
            // A box of no rows needs no BITMAP line.
            if (!haveEncoding || !haveBbx || (!haveBitmap && bbx[1] > 0)) {
                error = who() + " lacks " +
                        (!haveEncoding ? "ENCODING"
                         : !haveBbx    ? "BBX"
                                       : "BITMAP");
                return false;
            }
            glyph.width = static_cast<int>(bbx[0]);
            glyph.height = static_cast<int>(bbx[1]);
            // ENCODING -1 n: a glyph outside the encoding; it cannot be picked.
            glyph.number = static_cast<std::int32_t>(encoding[0]);
            glyph.left = static_cast<int>(bbx[2] - (box[2] < 0 ? box[2] : 0));
            font.glyphs.push_back(glyph);
            boxTops.push_back(static_cast<int>(bbx[3] + bbx[1]));
        }
    }
    if (!ended) {
        error = "BDF font has no ENDFONT";
        return false;
    }
    if (declared >= 0 && static_cast<unsigned long long>(declared) != font.glyphs.size())
        font.warnings.push_back("BDF font says CHARS " + std::to_string(declared) + " but holds " +
                                std::to_string(font.glyphs.size()) + " glyphs");
    // The cell's top row lies at the ascent (else at the bounding box's top),
    // unless a glyph that fits the cell reaches higher: then at that glyph's top.
    const long long declaredTop = haveAscent ? ascent : box[1] + box[3];
    long long top = declaredTop;
    for (std::size_t i = 0; i < font.glyphs.size(); ++i) {
        const SourceGlyph& g = font.glyphs[i];
        if (g.number >= 0 && g.width <= glyphSide && g.height <= glyphSide)
            top = std::max<long long>(top, boxTops[i]);
    }
    if (top > declaredTop)
        font.warnings.push_back(
            std::string("glyphs reach ") + std::to_string(top - declaredTop) + " rows above " +
            (haveAscent ? "FONT_ASCENT" : "the FONTBOUNDINGBOX") + "; placed by their boxes");
    for (std::size_t i = 0; i < font.glyphs.size(); ++i)
        font.glyphs[i].top = static_cast<int>(top - boxTops[i]);
    for (char& c : registry) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Latin-1's encodings are its Unicode code points.
    font.unicode = registry == "ISO10646" || (registry == "ISO8859" && encodingName == "1");
    warnOfDuplicateKeys(font);
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

std::string xlfdFamily(const std::string& family) {
    // XLFD fields cannot hold '-' and BDF strings end at a '"'.
    std::string name;
    for (char c : family)
        name += (c == '-' || c == '"' || c == '*' || c == '?' || c == ',' ||
                 static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                    ? '_'
                    : c;
    return name.empty() ? "celkit" : name;
}

std::vector<std::uint8_t> writeBdf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell) {
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    const std::string name = xlfdFamily(family);
    const std::string width = std::to_string(cell.width), tenths = std::to_string(10 * cell.width);
    const std::string cellBox = width + " 16 0 " + std::to_string(-cell.descent());
    // The cell's width in pixels at 16 points and 75 dpi, in thousandths of the point size.
    const std::string scalable = std::to_string(cell.width * 72000 / (16 * 75));
    std::string text;
    text += "STARTFONT 2.1\n";
    text += "FONT -celkit-" + name + "-Medium-R-Normal--16-160-75-75-C-" + tenths + "-ISO10646-1\n";
    text += "SIZE 16 75 75\n";
    text += "FONTBOUNDINGBOX " + cellBox + "\n";
    text += "STARTPROPERTIES 18\n";
    text += "FOUNDRY \"celkit\"\nFAMILY_NAME \"" + name + "\"\n";
    text += "WEIGHT_NAME \"Medium\"\nSLANT \"R\"\nSETWIDTH_NAME \"Normal\"\nADD_STYLE_NAME \"\"\n";
    text += "PIXEL_SIZE 16\nPOINT_SIZE 160\nRESOLUTION_X 75\nRESOLUTION_Y 75\n";
    // Every glyph's ink lies in its cell: a character-cell font.
    text += "SPACING \"C\"\nAVERAGE_WIDTH " + tenths +
            "\nCHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\n";
    text += "FONT_ASCENT " + std::to_string(cell.ascent) + "\nFONT_DESCENT " +
            std::to_string(cell.descent()) + "\n";
    text += "DEFAULT_CHAR " + std::to_string(static_cast<unsigned long>(codes[0])) + "\n";
    text += "COPYRIGHT \"\"\n";
    text += "ENDPROPERTIES\n";
    text += "CHARS " + std::to_string(glyphCount) + "\n";
    // 16 wide keeps the full boxes it always had; 8 wide gives each glyph its ink's box.
    const bool tight = cell.width < glyphSide;
    char buffer[64];
    for (int g = 0; g < glyphCount; ++g) {
        const unsigned long code = codes[g];
        std::snprintf(buffer, sizeof buffer, code > 0xFFFF ? "u%05lX" : "uni%04lX", code);
        text += "STARTCHAR " + std::string(buffer) + "\n";
        text += "ENCODING " + std::to_string(code) + "\n";
        text += "SWIDTH " + scalable + " 0\nDWIDTH " + width + " 0\n";
        const InkBox box = tight ? inkBox(font, g, cell.width) : InkBox{0, 0, glyphSide, glyphSide};
        const int below = box.height == 0 ? 0 : cell.ascent - box.top - box.height;
        text += "BBX " + std::to_string(box.width) + " " + std::to_string(box.height) + " " +
                std::to_string(box.left) + " " + std::to_string(below) + "\nBITMAP\n";
        for (int y = box.top; y < box.top + box.height; ++y) {
            unsigned row = 0;
            for (int x = 0; x < box.width; ++x)
                if (font.pixel(g, box.left + x, y)) row |= 0x8000u >> x;
            std::snprintf(buffer, sizeof buffer, box.width > 8 ? "%04X\n" : "%02X\n",
                          box.width > 8 ? row : row >> 8);
            text += buffer;
        }
        text += "ENDCHAR\n";
    }
    text += "ENDFONT\n";
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace celkit
