// Command lines and the parameters they must give, shared by the native
// test and the Windows probe. In the lines, [q] stands for one double
// quote.
#ifndef CELPACK_TEST_PARAMETER_CASES_H
#define CELPACK_TEST_PARAMETER_CASES_H

#include <stdio.h>

#include <string>
#include <vector>

#include "runtime/parameters.h"

namespace parametercases {

struct Case {
    const char* line;
    int count;
    std::vector<std::string> parameters;
};

inline std::vector<Case> cases() {
    return {
        {"[q]C:\\tools\\celpack.exe[q] pic.bmp", 1, {"pic.bmp"}},
        {"celpack [q]my pic.bmp[q]", 1, {"my pic.bmp"}},
        {"celpack   a   b   ", 2, {"a", "b"}},
        {"celpack [q][q]", 1, {""}},
        {"celpack [q]a[q]b", 2, {"a", "b"}},
        {"celpack a[q]b c[q]", 2, {"a\"b", "c\""}},
        {"celpack [q]abc", 1, {"abc"}},
        {"celpack [q]", 1, {""}},
        {"celpack\tpic.bmp", 0, {}},
        {"", -1, {}},
        {"   ", -1, {}},
        {"celpack", 0, {}},
        {"   celpack   ", 0, {}},
        {"[q]my tools\\celpack.exe[q]pic.bmp", 1, {"pic.bmp"}},
        {"celpack [q][q] [q][q] x", 3, {"", "", "x"}},
        {"celpack a\\[q]b [q]c\\[q] d", 3, {"a\\\"b", "c\\", "d"}},
        {"celpack \xC3\xA9t\xC3\xA9.bmp", 1, {"\xC3\xA9t\xC3\xA9.bmp"}},
    };
}

inline std::u16string utf16(const std::string& utf8) {
    std::u16string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char16_t>(c);
        } else {  // two-byte forms are all the cases use
            out += static_cast<char16_t>(((c & 0x1F) << 6) | (utf8[++i] & 0x3F));
        }
    }
    return out;
}

inline std::u16string lineOf(const Case& c) {
    std::string line = c.line;
    for (size_t at; (at = line.find("[q]")) != std::string::npos;) line.replace(at, 3, "\"");
    return utf16(line);
}

inline std::string escape(const std::u16string& text) {
    std::string out;
    for (char16_t unit : text) {
        if (unit >= 0x20 && unit < 0x7F && unit != '\\') {
            out += static_cast<char>(unit);
        } else {
            char code[8];
            snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(unit));
            out += code;
        }
    }
    return out;
}

// What the runtime answers on the current command line: the count, every
// parameter up to one past the last, and the cursor afterwards.
inline std::string report() {
    std::string out = "count " + std::to_string(countParameters()) + "\n";
    int32_t last = countParameters() > 0 ? countParameters() : 0;
    for (int32_t i = 0; i <= last; ++i) {
        const WCHAR* parameter = parameterAt(i);
        out += "[" + escape(std::u16string(reinterpret_cast<const char16_t*>(parameter))) + "]\n";
    }
    out += "cursor " + std::to_string(parameterCursor()) + "\n";
    return out;
}

inline std::string expectedReport(const Case& c) {
    std::string out = "count " + std::to_string(c.count) + "\n";
    for (const std::string& parameter : c.parameters) out += "[" + escape(utf16(parameter)) + "]\n";
    out += "[]\n";
    out += "cursor " + std::to_string(c.count > 0 ? c.count : 0) + "\n";
    return out;
}

}  // namespace parametercases

#endif
