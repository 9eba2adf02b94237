#include "celkit/input_kind.h"

#include "celkit/font/gzip.h"
#include "celkit/program.h"

namespace celkit {
namespace {

bool namedFnt(const std::string& name) {
    const FontFormat* format = formatForOutput(name);
    return format == &rawFontFormat();
}

const char* pictureName(PictureKind kind) {
    switch (kind) {
    case PictureKind::Bmp: return "BMP";
    case PictureKind::Ico: return "ICO";
    case PictureKind::Png: return "PNG";
    case PictureKind::Unknown: break;
    }
    return "unknown";
}

}  // namespace

std::string Input::kindText() const {
    if (font == nullptr) return std::string(pictureName(picture)) + " picture";
    return std::string("font (") + font->name + (compressed ? ", gzip-compressed)" : ")");
}

Input identifyInput(const std::string& name, Bytes data) {
    Input input;
    input.name = name;
    if (namedFnt(name) && data.size() == static_cast<std::size_t>(fontBytes)) {
        input.font = &rawFontFormat();
    } else if ((input.picture = pictureKindOf(data)) == PictureKind::Unknown) {
        FontData font;
        std::string error;
        // What is wrong with gzip data is all there is to say of it.
        const bool gzip = isGzip(data);
        if (!identifyFontData(std::move(data), font, error))
            throw Failure(name + ": " + error + (gzip ? "" : "; pictures: BMP, ICO, PNG"));
        input.font = font.format;
        input.compressed = font.compressed;
        data = std::move(font.bytes);
    }
    input.bytes = std::move(data);
    return input;
}

Input readAndIdentify(const std::string& name) { return identifyInput(name, readInput(name)); }

Font fontOf(const Input& input, const ImportOptions& options) {
    if (input.font == nullptr)
        throw Failure(input.name + ": " + input.kindText() +
                      ", not a font; 'celkit import' makes a font of it");
    if (input.font->read == nullptr)
        throw Failure(input.name + ": celkit writes " + input.font->name + " but does not read it");
    Font font;
    std::string reason;
    if (!readGlyphs(input, options, font, reason)) throw Failure(input.name + ": " + reason);
    return font;
}

bool readGlyphs(const Input& input, const ImportOptions& options, Font& font, std::string& reason) {
    std::vector<std::string> warnings;
    if (!input.font->read(input.bytes, options, font, reason, warnings)) return false;
    for (const std::string& warning : warnings) reportError(input.name + ": warning: " + warning);
    return true;
}

}  // namespace celkit
