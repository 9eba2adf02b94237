// Every font format celkit exports and imports, behind two calls: a writer
// per format chosen by the output name, and one reader that recognises the
// input by its content (PSF1, PSF2 plain or gzip-compressed, BDF, Unifont
// .hex, .fnt). Readers check every length before use and fail with a reason.
#ifndef CELKIT_FONT_FONT_FORMATS_H
#define CELKIT_FONT_FONT_FORMATS_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"

namespace celkit {

enum class FontFormat { Fnt, Psf, Bdf, Hex, CHeader };

// From an output file name's extension: .fnt .psf .bdf .hex .h; nullopt otherwise.
std::optional<FontFormat> formatForOutput(const std::string& path);

struct ExportOptions {
    CodepointMap map;
    std::string name;
};  // name: C identifier / BDF family, from the file name or --name
std::vector<std::uint8_t> exportFont(const Font& font, FontFormat format,
                                     const ExportOptions& options);

struct ImportOptions {
    CodepointMap map;
    std::optional<char32_t> first;
};  // first: take the block first..first+255 instead of the map

// Recognises PSF1, PSF2 (also gzip-compressed), BDF, Unifont .hex and .fnt by content; false with a clear reason
// (e.g. "truncated PSF2 header", "glyph 0x41 is 24 pixels wide; at most 16 fit") when the data is not a font it reads.
bool importFont(const std::vector<std::uint8_t>& data, const ImportOptions& options, Font& out,
                std::string& error);

// True when importFont would recognise the data's format (so a caller can fall back to picture import).
bool looksLikeFontFile(const std::vector<std::uint8_t>& data);

}  // namespace celkit

#endif
