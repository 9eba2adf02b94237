// The 8-bit code pages consoles and old systems use (DOS, KOI8-R, ISO 8859,
// Windows), each byte's character, generated from an independent source by
// scripts/make_code_pages.py. 0 where a byte stands for no character.
#ifndef CELKIT_FONT_CODE_PAGES_H
#define CELKIT_FONT_CODE_PAGES_H

#include <array>
#include <cstdint>

namespace celkit {

struct CodePage {
    const char* name;  // as --map takes it: "cp850", "koi8-r", "iso8859-5", "windows-1251"
    std::array<std::uint16_t, 256> codepoints;
};

const std::array<CodePage, 22>& codePages();

}  // namespace celkit

#endif
