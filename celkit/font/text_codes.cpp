#include "celkit/font/text_codes.h"

#include <cstring>

namespace celkit {

bool allHexDigits(std::string_view text) {
    // Eight characters at a time: a byte is a digit when it lies in '0'..'9'
    // or, lowered, in 'a'..'f'. Adding 0x80 - low sets a byte's top bit from
    // low on; adding 0x7F - high sets it past high. With no top bit set in
    // the input no sum carries into the next byte.
    constexpr std::uint64_t ones = 0x0101010101010101u, tops = ones * 0x80;
    const auto bad = [&](std::size_t at) {
        std::uint64_t v;
        std::memcpy(&v, text.data() + at, 8);
        const std::uint64_t lower = v | ones * 0x20;
        const std::uint64_t digit = (v + ones * (0x80 - '0')) & ~(v + ones * (0x7F - '9'));
        const std::uint64_t letter = (lower + ones * (0x80 - 'a')) & ~(lower + ones * (0x7F - 'f'));
        return v | ~(digit | letter);
    };
    std::uint64_t bits = 0;
    std::size_t i = 0;
    for (; i + 16 <= text.size(); i += 16) bits |= bad(i) | bad(i + 8);
    for (; i + 8 <= text.size(); i += 8) bits |= bad(i);
    if ((bits & tops) != 0) return false;
    for (; i < text.size(); ++i)
        if (hexDigitValue(text[i]) < 0) return false;
    return true;
}

bool parseHex(std::string_view digits, std::size_t maxDigits, std::uint64_t& value) {
    // 16 digits fill 64 bits exactly, so no sum below can wrap.
    if (digits.empty() || digits.size() > maxDigits || digits.size() > 16) return false;
    std::uint64_t v = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0) return false;
        v = v << 4 | static_cast<std::uint64_t>(d);
    }
    value = v;
    return true;
}

std::size_t decodeUtf8(const std::uint8_t* p, std::size_t n, char32_t& c) {
    if (n == 0) return 0;
    const std::uint8_t b = p[0];
    std::size_t length;
    char32_t v;
    if (b < 0x80) {
        c = b;
        return 1;
    }
    if ((b & 0xE0) == 0xC0) {
        length = 2;
        v = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        length = 3;
        v = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        length = 4;
        v = b & 0x07;
    } else {
        return 0;
    }
    if (n < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    static const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < least[length] || (v >= 0xD800 && v <= 0xDFFF) || v > lastCodepoint) return 0;
    c = v;
    return length;
}

std::size_t encodeUtf8(char32_t c, std::uint8_t out[4]) {
    if (c < 0x80) {
        out[0] = static_cast<std::uint8_t>(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = static_cast<std::uint8_t>(0xC0 | (c >> 6));
        out[1] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        return 2;
    }
    if (c < 0x10000) {
        out[0] = static_cast<std::uint8_t>(0xE0 | (c >> 12));
        out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
        out[2] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
        return 3;
    }
    out[0] = static_cast<std::uint8_t>(0xF0 | (c >> 18));
    out[1] = static_cast<std::uint8_t>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<std::uint8_t>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<std::uint8_t>(0x80 | (c & 0x3F));
    return 4;
}

void appendUtf8(std::vector<std::uint8_t>& out, char32_t c) {
    std::uint8_t bytes[4];
    out.insert(out.end(), bytes, bytes + encodeUtf8(c, bytes));
}

std::string codepointName(char32_t c) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    for (std::uint32_t v = c; v != 0 || hex.size() < 4; v >>= 4)
        hex.insert(hex.begin(), digits[v & 15]);
    return "U+" + hex;
}

}  // namespace celkit
