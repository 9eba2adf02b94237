#include "celkit/edit/sheet_document.h"

#include <algorithm>

#include "celkit/edit/icon_encoding.h"
#include "celkit/picture/glyph_sheet.h"
#include "celkit/program.h"

namespace celkit {
namespace {

// Import's reading of a picture of this kind, as `import` does it with no
// options.
Font readGlyphs(const std::string& name, const Picture& picture, PictureReading* reading) {
    Font font;
    std::string error;
    if (!glyphsFromPicture(picture, GridOptions(), font, error, reading))
        throw Failure(name + ": " + error);
    return font;
}

// Two colours are saved as a 1-bit BMP with the paper first, as celpack's
// own sheets are; more as 24 bits.
std::vector<std::uint8_t> encodeBmpSheet(const Picture& picture, std::uint32_t paper) {
    std::vector<std::uint32_t> colours;
    for (std::size_t i = 0; i < picture.pixelCount() && colours.size() <= 2; ++i)
        if (std::find(colours.begin(), colours.end(), picture.colour(i)) == colours.end())
            colours.push_back(picture.colour(i));
    if (colours.size() > 2 || picture.alpha.size() != 0) return encodeBmp(picture);
    Picture twoColours(picture.width, picture.height, paper);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) twoColours.set(x, y, picture.at(x, y));
    return encodeTwoColourBmp(twoColours);
}

}  // namespace

PictureKind kindOfName(const std::string& extension) {
    if (extension == ".bmp") return PictureKind::Bmp;
    if (extension == ".ico") return PictureKind::Ico;
    if (extension == ".png") return PictureKind::Png;
    return PictureKind::Unknown;
}

SheetDocument readDocument(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    SheetDocument document;
    document.kind = pictureKindOf(bytes);
    if (document.kind == PictureKind::Unknown)
        throw Failure(name + ": not a BMP, ICO or PNG picture");
    std::string error;
    GridOptions defaults;
    auto fits = [&](int width, int height, std::string& why) {
        return gridFitsPicture(width, height, defaults, why);
    };
    if (!readPicture(bytes, document.picture, error, fits)) throw Failure(name + ": " + error);
    PictureReading reading;
    document.glyphs = readGlyphs(name, document.picture, &reading);
    document.cellWidth = document.picture.width / 16;
    document.cellHeight = document.picture.height / 16;
    document.paper = reading.paper;
    document.transparentPaper = reading.transparentPaper;
    // A sheet without ink yet gets the colour furthest from its paper.
    const std::uint32_t grey =
        (reading.paper >> 16 & 0xFF) + (reading.paper >> 8 & 0xFF) + (reading.paper & 0xFF);
    document.ink = reading.inkPixels != 0 ? reading.ink : grey > 3 * 127 ? 0x000000 : 0xFFFFFF;
    return document;
}

SheetDocument blankDocument(PictureKind kind, int cellWidth, int cellHeight) {
    SheetDocument document;
    document.kind = kind;
    document.cellWidth = cellWidth;
    document.cellHeight = cellHeight;
    document.picture = Picture(16 * cellWidth, 16 * cellHeight, document.paper);
    return document;
}

SavedSheet saveDocument(const std::string& name, const SheetDocument& document,
                        const Font& glyphs) {
    Picture picture = document.picture;
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x) {
                const bool ink = glyphs.pixel(glyph, x, y);
                if (ink == document.glyphs.pixel(glyph, x, y)) continue;
                if (x >= document.cellWidth || y >= document.cellHeight)
                    throw Failure(name + ": glyph " + glyphNumber(glyph) + " has ink outside its " +
                                  std::to_string(document.cellWidth) + " x " +
                                  std::to_string(document.cellHeight) + " cell");
                const int px = (glyph % 16) * document.cellWidth + x,
                          py = (glyph / 16) * document.cellHeight + y;
                picture.set(px, py, ink ? document.ink : document.paper);
                if (picture.alpha.size() != 0)
                    picture.alpha[static_cast<std::size_t>(py) *
                                      static_cast<std::size_t>(picture.width) +
                                  static_cast<std::size_t>(px)] =
                        ink || !document.transparentPaper ? 0xFF : 0;
            }
    SavedSheet saved;
    switch (document.kind) {
    case PictureKind::Bmp: saved.sheet = encodeBmpSheet(picture, document.paper); break;
    case PictureKind::Ico: saved.sheet = encodeIcon(picture); break;
    case PictureKind::Png: saved.sheet = encodePng(picture); break;
    case PictureKind::Unknown: break;
    }
    if (saved.sheet.empty()) throw Failure(name + ": the sheet could not be encoded");
    // The font comes from the bytes that will be on disk, read back.
    Picture written;
    std::string error;
    if (!readPicture(saved.sheet, written, error))
        throw Failure(name + ": the saved sheet does not read back: " + error);
    saved.font = document.kind == PictureKind::Png ? readGlyphs(name, written, nullptr)
                                                   : fontAsCelpackReads(written);
    return saved;
}

}  // namespace celkit
