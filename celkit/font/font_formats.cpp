#include "celkit/font/font_formats.h"

#include <algorithm>
#include <cctype>

#include "celkit/font/bdf.h"
#include "celkit/font/c_header.h"
#include "celkit/font/gzip.h"
#include "celkit/font/psf.h"
#include "celkit/font/unifont_hex.h"

namespace celkit {

namespace {

bool hasPictureSignature(const std::vector<std::uint8_t>& d) {
    static const std::uint8_t png[] = {0x89, 'P', 'N', 'G'};
    if (d.size() >= 4 && std::equal(png, png + 4, d.begin())) return true;
    if (d.size() >= 2 && d[0] == 'B' && d[1] == 'M') return true;
    return d.size() >= 4 && d[0] == 0 && d[1] == 0 && (d[2] == 1 || d[2] == 2) &&
           d[3] == 0;  // ICO, CUR
}

// Any font format but gzip.
bool looksLikePlainFont(const std::vector<std::uint8_t>& data) {
    return isPsf(data) || isBdf(data) || isUnifontHex(data) ||
           (data.size() == static_cast<std::size_t>(fontBytes) && !hasPictureSignature(data));
}

bool importPlain(const std::vector<std::uint8_t>& data, const ImportOptions& options, Font& out,
                 std::string& error) {
    SourceFont source;
    bool read;
    if (isPsf(data))
        read = readPsf(data, source, error);
    else if (isBdf(data))
        read = readBdf(data, source, error);
    else if (isUnifontHex(data))
        read = readUnifontHex(data, source, error);
    else if (data.size() == static_cast<std::size_t>(fontBytes) && !hasPictureSignature(data))
        return parseFnt(data, out, error);
    else {
        error = "not a font celkit reads (PSF, BDF, .hex or .fnt)";
        return false;
    }
    return read && pickGlyphs(source, options, out, error);
}

}  // namespace

std::optional<FontFormat> formatForOutput(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "fnt") return FontFormat::Fnt;
    if (extension == "psf") return FontFormat::Psf;
    if (extension == "bdf") return FontFormat::Bdf;
    if (extension == "hex") return FontFormat::Hex;
    if (extension == "h") return FontFormat::CHeader;
    return std::nullopt;
}

std::vector<std::uint8_t> exportFont(const Font& font, FontFormat format,
                                     const ExportOptions& options) {
    switch (format) {
    case FontFormat::Fnt: return std::vector<std::uint8_t>(font.bytes.begin(), font.bytes.end());
    case FontFormat::Psf: return writePsf2(font, options.map);
    case FontFormat::Bdf: return writeBdf(font, options.map, options.name);
    case FontFormat::Hex: return writeUnifontHex(font, options.map);
    case FontFormat::CHeader: return writeCHeader(font, options.map, options.name);
    }
    return {};
}

bool importFont(const std::vector<std::uint8_t>& data, const ImportOptions& options, Font& out,
                std::string& error) {
    if (!isGzip(data)) return importPlain(data, options, out, error);
    std::vector<std::uint8_t> inflated;
    if (!gunzip(data, inflated, error)) return false;
    if (!looksLikePlainFont(inflated)) {
        error = "the gzip data holds no font celkit reads";
        return false;
    }
    return importPlain(inflated, options, out, error);
}

bool looksLikeFontFile(const std::vector<std::uint8_t>& data) {
    if (!isGzip(data)) return looksLikePlainFont(data);
    std::vector<std::uint8_t> inflated;
    std::string error;
    return gunzip(data, inflated, error) && looksLikePlainFont(inflated);
}

}  // namespace celkit
