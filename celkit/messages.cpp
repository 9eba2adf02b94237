// celkit's messages: one line "celkit: ..." on standard error, whatever
// bytes a name, an option value or a file brought in.
#include <iostream>

#include "celkit/program.h"

namespace celkit {

// celpack's rule: control bytes (line breaks included) as \xNN, so that a
// message stays one line and a name cannot drive the terminal.
std::string shown(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
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
