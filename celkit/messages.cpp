// celkit's messages: one line "celkit: ..." on standard error, whatever
// bytes a name, an option value or a file brought in.
#include <iostream>

#include "celkit/program.h"

namespace celkit {

namespace {

// The length of the well-formed UTF-8 sequence at text[at], or 0: no
// overlong forms, surrogates or code points past U+10FFFF.
std::size_t sequenceAt(const std::string& text, std::size_t at) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(at);
    std::size_t length = lead < 0xC2 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF5 ? 4 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    unsigned char second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
        return 0;
    return length;
}

}  // namespace

// Control characters, C0 and DEL as celpack escapes them and C1 besides,
// and bytes that are no UTF-8, as \xNN: a message stays one line, and a
// name cannot drive the terminal (U+009B or a lone 0x9B byte is CSI).
std::string shown(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        unsigned char byte = static_cast<unsigned char>(text[at]);
        std::size_t length = byte < 0x80 ? 1 : sequenceAt(text, at);
        const bool control =
            byte < 0x20 || byte == 0x7F ||
            (byte == 0xC2 && length == 2 && static_cast<unsigned char>(text[at + 1]) < 0xA0);
        if (length == 0 || control) {
            // A C1 control's two bytes both show; a stray byte alone.
            for (std::size_t end = at + (length == 0 ? 1 : length); at < end; ++at) {
                unsigned char escaped = static_cast<unsigned char>(text[at]);
                out += "\\x";
                out += hex[escaped >> 4];
                out += hex[escaped & 0xF];
            }
        } else {
            out.append(text, at, length);
            at += length;
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

}  // namespace celkit
