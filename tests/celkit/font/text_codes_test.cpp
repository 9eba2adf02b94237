// The shared hex and UTF-8 codes, at the edges where a slip would let a
// reader take malformed text or a writer emit it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "celkit/font/text_codes.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(TextCodes, Utf8DecodesOnlyShortestFormsOfCharacters) {
    struct Row {
        Bytes bytes;
        std::size_t used;  // 0: refused
        char32_t c;
    };
    const Row rows[] = {
        {{0x41}, 1, 0x41},
        {{0x7F}, 1, 0x7F},
        {{0xC2, 0x80}, 2, 0x80},
        {{0xDF, 0xBF}, 2, 0x7FF},
        {{0xE0, 0xA0, 0x80}, 3, 0x800},
        {{0xED, 0x9F, 0xBF}, 3, 0xD7FF},
        {{0xEE, 0x80, 0x80}, 3, 0xE000},
        {{0xEF, 0xBF, 0xBF}, 3, 0xFFFF},
        {{0xF0, 0x90, 0x80, 0x80}, 4, 0x10000},
        {{0xF4, 0x8F, 0xBF, 0xBF, 0x41}, 4, 0x10FFFF},
        {{0xC0, 0x80}, 0, 0},              // overlong U+0000
        {{0xC1, 0xBF}, 0, 0},              // overlong U+007F
        {{0xE0, 0x9F, 0xBF}, 0, 0},        // overlong U+07FF
        {{0xF0, 0x8F, 0xBF, 0xBF}, 0, 0},  // overlong U+FFFF
        {{0xED, 0xA0, 0x80}, 0, 0},        // surrogate U+D800
        {{0xED, 0xBF, 0xBF}, 0, 0},        // surrogate U+DFFF
        {{0xF4, 0x90, 0x80, 0x80}, 0, 0},  // U+110000
        {{0xF8, 0x88, 0x80, 0x80, 0x80}, 0, 0},
        {{0x80}, 0, 0},              // a continuation byte alone
        {{0xC2, 0x41}, 0, 0},        // no continuation
        {{0xE2, 0x82}, 0, 0},        // cut short
        {{0xF0, 0x9F, 0x98}, 0, 0},  // cut short
        {{}, 0, 0},
    };
    for (const Row& row : rows) {
        char32_t c = 0x5A5A;
        EXPECT_EQ(decodeUtf8(row.bytes.data(), row.bytes.size(), c), row.used)
            << testing::PrintToString(row.bytes);
        EXPECT_EQ(c, row.used ? row.c : 0x5A5A) << testing::PrintToString(row.bytes);
    }
}

TEST(TextCodes, Utf8EncodesEachCharacterInItsShortestForm) {
    const std::pair<char32_t, Bytes> rows[] = {
        {0x00, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0xC2, 0x80}},
        {0x7FF, {0xDF, 0xBF}},
        {0x800, {0xE0, 0xA0, 0x80}},
        {0xFFFF, {0xEF, 0xBF, 0xBF}},
        {0x10000, {0xF0, 0x90, 0x80, 0x80}},
        {0x10FFFF, {0xF4, 0x8F, 0xBF, 0xBF}},
    };
    for (const auto& [c, bytes] : rows) {
        Bytes out = {0xFF};
        appendUtf8(out, c);
        EXPECT_EQ(Bytes(out.begin() + 1, out.end()), bytes) << std::hex << c;
        char32_t back;
        EXPECT_EQ(decodeUtf8(bytes.data(), bytes.size(), back), bytes.size()) << std::hex << c;
        EXPECT_EQ(back, c);
    }
}

TEST(TextCodes, HexDigitsAndNumbers) {
    struct Row {
        const char* text;
        std::size_t maxDigits;
        bool good;
        std::uint64_t value;
    };
    const Row rows[] = {
        {"0", 1, true, 0},
        {"09afAF", 6, true, 0x09AFAF},
        {"10FFFF", 6, true, 0x10FFFF},
        {"1000000", 6, false, 0},
        {"FFFFFFFFFFFFFFFF", 16, true, 0xFFFFFFFFFFFFFFFFu},
        {"10000000000000000", 17, false, 0},  // 17 digits would wrap
        {"", 4, false, 0},
        {"12 ", 4, false, 0},
        {"-1", 4, false, 0},
        {"g", 4, false, 0},
        {"0x1", 4, false, 0},
    };
    for (const Row& row : rows) {
        std::uint64_t value = 77;
        EXPECT_EQ(parseHex(row.text, row.maxDigits, value), row.good) << row.text;
        EXPECT_EQ(value, row.good ? row.value : 77) << row.text;
    }
    // Every byte: a digit exactly when it is one of 0-9 a-f A-F, alone and at
    // each place of a run that the eight-at-a-time check reads in words.
    const std::string digits = "0123456789abcdefABCDEF";
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const bool digit = b != 0 && digits.find(c) != std::string::npos;
        EXPECT_EQ(hexDigitValue(c) >= 0, digit) << b;
        for (std::size_t length : {1, 8, 17, 40})
            for (std::size_t at = 0; at < length; ++at) {
                std::string run(length, 'a');
                run[at] = c;
                ASSERT_EQ(allHexDigits(run), digit) << b << " at " << at << " of " << length;
            }
    }
    EXPECT_EQ(hexDigitValue('7'), 7);
    EXPECT_EQ(hexDigitValue('c'), 12);
    EXPECT_EQ(hexDigitValue('F'), 15);
    EXPECT_TRUE(allHexDigits(""));
}

}  // namespace
}  // namespace celkit
