#include "celkit/font/font_formats.h"

#include <algorithm>

#include "celkit/font/bdf.h"
#include "celkit/font/c_header.h"
#include "celkit/font/fon.h"
#include "celkit/font/gzip.h"
#include "celkit/font/otb.h"
#include "celkit/font/pcf.h"
#include "celkit/font/psf.h"
#include "celkit/font/ttf.h"
#include "celkit/font/source_font.h"
#include "celkit/font/truetype_import.h"
#include "celkit/font/unifont_hex.h"
#include "celkit/font/windows_font_reader.h"

namespace celkit {
namespace {

// A format whose reader finds any number of glyphs, of which the options pick 256.
template <bool (*readSource)(const Bytes&, SourceFont&, std::string&)>
bool readAndPick(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                 std::vector<std::string>& warnings) {
    SourceFont source;
    if (!readSource(data, source, error) || !pickGlyphs(source, options, out, error)) return false;
    warnings.insert(warnings.end(), source.warnings.begin(), source.warnings.end());
    return true;
}

bool readWindowsFontAndPick(const Bytes& data, const ImportOptions& options, Font& out,
                            std::string& error, std::vector<std::string>& warnings) {
    SourceFont source;
    if (!readWindowsFont(data, options.index, source, error) ||
        !pickGlyphs(source, options, out, error))
        return false;
    warnings.insert(warnings.end(), source.warnings.begin(), source.warnings.end());
    return true;
}

bool readFirstWindowsFont(const Bytes& data, SourceFont& out, std::string& error) {
    return readWindowsFont(data, 0, out, error);
}

bool readRaw(const Bytes& data, const ImportOptions&, Font& out, std::string& error,
             std::vector<std::string>&) {
    return parseFnt(data, out, error);
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

const std::vector<FontFormat>& fontFormats() {
    static const std::vector<FontFormat> formats = {
        {"fnt",
         "celpack's raw font: 256 glyphs of 16 x 16, 8192 bytes",
         {".fnt"},
         nullptr,
         readRaw,
         nullptr,
         [](const Font& font, const ExportOptions&) {
             return Bytes(font.bytes.begin(), font.bytes.end());
         }},
        {"psf",
         "PC Screen Font with a Unicode table: the source's version where it is known, else 2 "
         "(PSF1 and PSF2 read, also gzip-compressed)",
         {".psf", ".psfu"},
         isPsf,
         readAndPick<readPsf>,
         readPsf,
         [](const Font& font, const ExportOptions& options) {
             return writePsf2(font, options.map, options.width);
         }},
        // The versions by name, for -f; names ending .psf are the row above's.
        {"psf1",
         "PC Screen Font 1: 256 glyphs 8 pixels wide, UCS-2 Unicode table",
         {".psf", ".psfu"},
         nullptr,
         nullptr,
         nullptr,
         [](const Font& font, const ExportOptions& options) {
             return writePsf1(font, options.map);
         }},
        {"psf2",
         "PC Screen Font 2, 8 or 16 pixels wide, UTF-8 Unicode table",
         {".psf", ".psfu"},
         nullptr,
         nullptr,
         nullptr,
         [](const Font& font, const ExportOptions& options) {
             return writePsf2(font, options.map, options.width);
         }},
        {"bdf",
         "Glyph Bitmap Distribution Format 2.1",
         {".bdf"},
         isBdf,
         readAndPick<readBdf>,
         readBdf,
         [](const Font& font, const ExportOptions& options) {
             return writeBdf(font, options.map, options.name, exportCell(font, options));
         }},
        {"hex",
         "Unifont .hex",
         {".hex"},
         isUnifontHex,
         readAndPick<readUnifontHex>,
         readUnifontHex,
         [](const Font& font, const ExportOptions& options) {
             return writeUnifontHex(font, options.map, options.width);
         }},
        {"pcf",
         "X11 Portable Compiled Format (also read gzip-compressed)",
         {".pcf"},
         isPcf,
         readAndPick<readPcf>,
         readPcf,
         [](const Font& font, const ExportOptions& options) {
             return writePcf(font, options.map, options.name, exportCell(font, options));
         }},
        {"fon",
         "Windows raster font: an FNT 3.0 resource in a 16-bit library; read, also FNT 2.0, "
         "variable pitch, 32-bit libraries and bare .fnt resources (--index picks the font)",
         {".fon"},
         isWindowsFont,
         readWindowsFontAndPick,
         readFirstWindowsFont,
         [](const Font& font, const ExportOptions& options) {
             return writeFon(font, options.map, options.name, exportCell(font, options));
         }},
        {"otb",
         "OpenType bitmap font: one 16-pixel strike, no outlines",
         {".otb"},
         nullptr,
         nullptr,
         nullptr,
         [](const Font& font, const ExportOptions& options) {
             return writeOtb(font, options.map, options.name, exportCell(font, options));
         }},
        {"ttf",
         "TrueType font whose outlines are the pixels, exact at 16 pixels per em; read, also "
         "OpenType (.otf, .otb): the bitmap strike of --size, else the outlines rendered",
         {".ttf"},
         isTrueType,
         importTrueType,
         readTrueType,
         [](const Font& font, const ExportOptions& options) {
             return writeTtf(font, options.map, options.name, exportCell(font, options));
         }},
        {"h",
         "a C/C++ header with the glyph array",
         {".h"},
         nullptr,
         nullptr,
         nullptr,
         [](const Font& font, const ExportOptions& options) {
             return writeCHeader(font, options.map, options.name, options.width);
         }},
    };
    return formats;
}

const FontFormat& rawFontFormat() { return fontFormats().front(); }

const FontFormat* formatNamed(std::string_view name) {
    for (const FontFormat& format : fontFormats())
        if (name == format.name) return &format;
    return nullptr;
}

bool compressedOutput(const std::string& path) {
    const std::string name = lower(path);
    return name.size() > 3 && name.compare(name.size() - 3, 3, ".gz") == 0;
}

const FontFormat* formatForOutput(const std::string& path) {
    std::string name = lower(path);
    if (compressedOutput(name)) name.resize(name.size() - 3);
    for (const FontFormat& format : fontFormats())
        for (const std::string& extension : format.extensions)
            if (name.size() > extension.size() &&
                name.compare(name.size() - extension.size(), extension.size(), extension) == 0 &&
                name[name.size() - extension.size() - 1] != '/' &&
                name[name.size() - extension.size() - 1] != '\\')
                return &format;
    return nullptr;
}

std::string formatNames(bool writable) {
    std::string names;
    for (const FontFormat& format : fontFormats()) {
        if (writable ? format.write == nullptr : format.read == nullptr) continue;
        if (!names.empty()) names += ", ";
        names += format.name;
    }
    return names;
}

const FontFormat* sniffFontFormat(const Bytes& data) {
    for (const FontFormat& format : fontFormats())
        if (format.sniff != nullptr && format.sniff(data)) return &format;
    return nullptr;
}

bool identifyFontData(Bytes data, FontData& out, std::string& error) {
    bool compressed = false;
    if (isGzip(data)) {
        Bytes inflated;
        if (!gunzip(data, inflated, error)) return false;
        data = std::move(inflated);
        compressed = true;
    }
    const FontFormat* format = sniffFontFormat(data);
    if (format == nullptr && data.size() == static_cast<std::size_t>(fontBytes))
        format = &rawFontFormat();
    if (format == nullptr) {
        error = compressed ? "the gzip data holds no font celkit reads"
                           : "not a font celkit reads (" + formatNames(false) + ")";
        return false;
    }
    out.format = format;
    out.bytes = std::move(data);
    out.compressed = compressed;
    return true;
}

bool mapFromFont(const Bytes& data, CodepointMap& out, std::string& error) {
    FontData font;
    if (!identifyFontData(data, font, error)) return false;
    SourceFont source;
    if (font.format->readSource == nullptr) {
        error = std::string("a ") + font.format->name + " font has no Unicode table";
        return false;
    }
    if (!font.format->readSource(font.bytes, source, error)) return false;
    if (!source.unicode) {
        error = "the font has no Unicode table";
        return false;
    }
    CodepointMap map;
    // A table's links (each code point with its first glyph), else each glyph's own code.
    for (const CodepointLink& link : source.table)
        if (link.glyph < map.codepoints.size())
            map.codepoints[link.glyph].push_back(link.codepoint);
    for (std::size_t g = 0;
         source.table.empty() && g < source.glyphs.size() && g < map.codepoints.size(); ++g)
        if (source.glyphs[g].number >= 0)
            map.codepoints[g].push_back(static_cast<char32_t>(source.glyphs[g].number));
    out = std::move(map);
    return true;
}

bool importFont(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                std::vector<std::string>* warnings) {
    FontData font;
    if (!identifyFontData(data, font, error)) return false;
    std::vector<std::string> said;
    if (!font.format->read(font.bytes, options, out, error, said)) return false;
    if (warnings != nullptr) warnings->insert(warnings->end(), said.begin(), said.end());
    return true;
}

}  // namespace celkit
