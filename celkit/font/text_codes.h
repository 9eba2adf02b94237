// The small text codes every font format and option shares: hex digits and
// UTF-8. One copy, so that every reader refuses the same malformed input.
#ifndef CELKIT_FONT_TEXT_CODES_H
#define CELKIT_FONT_TEXT_CODES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace celkit {

inline constexpr char32_t lastCodepoint = 0x10FFFF;

// Hex digit values by byte, 0xFF for anything else: readers look at every
// digit of every glyph, so one load beats a chain of compares.
struct HexDigitTable {
    std::uint8_t value[256];
    constexpr HexDigitTable() : value{} {
        for (int c = 0; c < 256; ++c)
            value[c] = c >= '0' && c <= '9'   ? std::uint8_t(c - '0')
                       : c >= 'a' && c <= 'f' ? std::uint8_t(c - 'a' + 10)
                       : c >= 'A' && c <= 'F' ? std::uint8_t(c - 'A' + 10)
                                              : std::uint8_t(0xFF);
    }
};
inline constexpr HexDigitTable hexDigitTable;

// 0..15 for a hex digit of either case, -1 for anything else.
inline int hexDigitValue(char c) {
    const std::uint8_t v = hexDigitTable.value[static_cast<unsigned char>(c)];
    return v < 16 ? v : -1;
}

// True when every character of `text` is a hex digit (also when it is empty).
bool allHexDigits(std::string_view text);

// `digits` as hex: 1 to `maxDigits` (at most 16) digits and nothing else.
bool parseHex(std::string_view digits, std::size_t maxDigits, std::uint64_t& value);

// The character at `p` (at most `n` bytes): its length, or 0 for a
// truncated, overlong or surrogate form or one past U+10FFFF.
std::size_t decodeUtf8(const std::uint8_t* p, std::size_t n, char32_t& c);

// `c` (at most U+10FFFF) as 1 to 4 bytes into `out`; returns how many.
std::size_t encodeUtf8(char32_t c, std::uint8_t out[4]);
void appendUtf8(std::vector<std::uint8_t>& out, char32_t c);

// "U+0041", "U+1F600": how messages name a code point, at least 4 digits.
std::string codepointName(char32_t c);

}  // namespace celkit

#endif
