#include "celkit/terminal_drawing.h"

#include <algorithm>
#include <cstdio>

#include "celkit/font/text_codes.h"
#include "celkit/picture/font_preview.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace celkit {
namespace {

const char* block(bool top, bool bottom) {
    if (top) return bottom ? "\u2588" : "\u2580";
    return bottom ? "\u2584" : " ";
}

void trimRight(std::string& line) { line.erase(line.find_last_not_of(' ') + 1); }

}  // namespace

std::vector<std::string> blockLines(int width, int height,
                                    const std::function<bool(int x, int y)>& ink) {
    std::vector<std::string> lines;
    for (int y = 0; y < height; y += 2) {
        std::string line;
        for (int x = 0; x < width; ++x) line += block(ink(x, y), y + 1 < height && ink(x, y + 1));
        trimRight(line);
        lines.push_back(line);
    }
    return lines;
}

int glyphsPerBand(int glyphWidth, int columns) {
    int count = 16;
    while (count > 1 && count * glyphWidth + count - 1 > columns) count /= 2;
    return count;
}

std::string glyphBands(const Font& font, const std::vector<int>& glyphs, int columns,
                       const std::function<std::string(int glyph)>& label) {
    const int width = font.inkWidth(), pitch = width + 1;
    const int perBand = glyphsPerBand(width, columns);
    std::string out;
    for (std::size_t first = 0; first < glyphs.size(); first += static_cast<std::size_t>(perBand)) {
        const int count =
            static_cast<int>(std::min(glyphs.size() - first, static_cast<std::size_t>(perBand)));
        std::string labels;
        for (int i = 0; i < count; ++i) {
            labels.resize(static_cast<std::size_t>(i * pitch), ' ');
            labels += label(glyphs[first + static_cast<std::size_t>(i)]);
        }
        trimRight(labels);
        out += labels + '\n';
        auto ink = [&](int x, int y) {
            const int glyph = glyphs[first + static_cast<std::size_t>(x / pitch)];
            return x % pitch < width && font.pixel(glyph, x % pitch, y);
        };
        for (const std::string& line : blockLines(count * pitch - 1, glyphSide, ink))
            out += line + '\n';
    }
    return out;
}

std::string wrapText(const std::string& text, int letters) {
    const std::size_t most = static_cast<std::size_t>(std::max(letters, 1));
    std::u32string out;
    std::u32string line;
    // Broken from `at` on, never erased from the front: a long line costs
    // its length, not its length squared.
    auto breakLine = [&] {
        std::size_t at = 0;
        while (line.size() - at > most) {
            // The last space that lets the line fit, looked for within the
            // line alone; the whole run of spaces there goes, not just the one.
            std::size_t cut = at + most, end = at;
            while (cut > at && line[cut] != U' ') --cut;
            if (cut > at) {
                end = cut;
                while (end > at && line[end - 1] == U' ') --end;
            }
            if (end == at) {
                out.append(line, at, most);
                at += most;
            } else {
                out.append(line, at, end - at);
                at = std::min(line.find_first_not_of(U' ', cut), line.size());
            }
            if (at < line.size()) out += U'\n';
        }
        out.append(line, at, std::u32string::npos);
        line.clear();
    };
    for (char32_t c : decodeUtf8(text)) {
        if (c == U'\n') {
            breakLine();
            out += U'\n';
        } else {
            line.push_back(c);
        }
    }
    breakLine();
    std::string bytes;
    for (char32_t c : out) {
        std::uint8_t encoded[4];
        bytes.append(reinterpret_cast<const char*>(encoded), encodeUtf8(c, encoded));
    }
    return bytes;
}

bool outputIsTerminal() {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
#else
    return isatty(STDOUT_FILENO) == 1;
#endif
}

void writeToTerminal(const std::string& text) {
    std::fflush(stdout);
#ifdef _WIN32
    HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(console, &mode)) {
        int length =
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0],
                            length);
        // Older consoles refuse one write of more than some 64 KB.
        for (std::size_t at = 0; at < wide.size(); at += 8192) {
            DWORD written = 0;
            WriteConsoleW(console, wide.data() + at,
                          static_cast<DWORD>(std::min<std::size_t>(8192, wide.size() - at)),
                          &written, nullptr);
        }
        return;
    }
#endif
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

}  // namespace celkit
