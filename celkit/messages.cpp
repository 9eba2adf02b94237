// celkit's messages: one line "celkit: ..." on standard error, whatever
// bytes a name, an option value or a file brought in.
#include <algorithm>
#include <ctime>
#include <iostream>

#include "celkit/font/text_codes.h"
#include "celkit/program.h"

namespace celkit {

// Control characters, C0 and DEL as celpack escapes them and C1 besides,
// and bytes that are no UTF-8, as \xNN: a message stays one line, and a
// name cannot drive the terminal (U+009B or a lone 0x9B byte is CSI).
std::string shown(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const std::size_t length = decodeUtf8(bytes + at, text.size() - at, c);
        if (length != 0 && c >= 0x20 && (c < 0x7F || c >= 0xA0)) {
            out.append(text, at, length);
            at += length;
            continue;
        }
        // A C1 control's two bytes both show; a stray byte alone.
        for (const std::size_t end = at + std::max<std::size_t>(length, 1); at < end; ++at) {
            out += "\\x";
            out += hex[bytes[at] >> 4];
            out += hex[bytes[at] & 0xF];
        }
    }
    return out;
}

void reportError(const std::string& message) {
    std::string text = message;
    // A library's text may end its last line; that break is no part of it.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    std::cerr << ("celkit: " + shown(text) + "\n") << std::flush;
}

// The local time as 12:03:44, for the status lines of watch and edit.
std::string clockNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &now);
#else
    localtime_r(&now, &local);
#endif
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace celkit
