// Every font format celkit reads or writes, as one table: a row names the
// format as -f takes it, its file extensions, how its content is recognised,
// and its reader and writer. Options, help texts, the extension check and
// messages all come from the table, so a new format is one row (and its own
// file). Recognising an input by content, gzip inflated once, is here too.
#ifndef CELKIT_FONT_FONT_FORMATS_H
#define CELKIT_FONT_FONT_FORMATS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "celkit/font/font.h"
#include "celkit/font/import_options.h"
#include "celkit/font/source_font.h"

namespace celkit {

using Bytes = std::vector<std::uint8_t>;

struct FontFormat {
    const char* name;  // as -f takes it
    const char* description;
    std::vector<std::string> extensions;  // lower case with the dot; the first is -d's
    // Recognises the format by content; null for the raw font, which has no signature.
    bool (*sniff)(const Bytes& data);
    // The 256 glyphs the options pick; null when celkit does not read the format.
    bool (*read)(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                 std::vector<std::string>& warnings);
    // Every glyph with its code points, before any is picked; null for the
    // raw font and the formats celkit does not read.
    bool (*readSource)(const Bytes& data, SourceFont& out, std::string& error);
    // Null when celkit does not write the format.
    Bytes (*write)(const Font& font, const ExportOptions& options);
};

// The rows, the raw font first.
const std::vector<FontFormat>& fontFormats();
const FontFormat& rawFontFormat();

// By -f's name; null when there is none.
const FontFormat* formatNamed(std::string_view name);
// By an output name's extension, case ignored, a final .gz aside (the
// output is then gzip-compressed, see compressedOutput); null when none matches.
const FontFormat* formatForOutput(const std::string& path);
bool compressedOutput(const std::string& path);  // the name ends .gz
// "fnt, psf, bdf, hex, h": the names of the formats that can `write` (or `read`).
std::string formatNames(bool writable);

// Content alone: the format whose signature the data carries, else null. A
// raw font has no signature; callers decide it by name and size.
const FontFormat* sniffFontFormat(const Bytes& data);

// What a font file holds once gzip is taken off (at most once): the format
// by signature, or the raw font for 8192 bytes without one. False with a
// reason otherwise.
struct FontData {
    const FontFormat* format = nullptr;
    Bytes bytes;  // inflated when the file was gzip-compressed
    bool compressed = false;
};
bool identifyFontData(Bytes data, FontData& out, std::string& error);

// A font file's own Unicode table as a map: glyph g of the map stands for
// what the font's glyph g does. False with a reason when the data is no
// font with such a table.
bool mapFromFont(const Bytes& data, CodepointMap& out, std::string& error);

// identifyFontData, then the format's reader.
bool importFont(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                std::vector<std::string>* warnings = nullptr);

inline Bytes exportFont(const Font& font, const FontFormat& format, const ExportOptions& options) {
    return format.write(font, options);
}

}  // namespace celkit

#endif
