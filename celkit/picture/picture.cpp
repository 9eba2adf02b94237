#include "celkit/picture/picture.h"

#include <algorithm>

namespace celkit {

void Picture::fill(int x, int y, int w, int h, std::uint32_t colour) {
    for (int row = std::max(0, y); row < std::min(height, y + h); ++row)
        for (int column = std::max(0, x); column < std::min(width, x + w); ++column)
            set(column, row, colour);
}

PictureKind pictureKindOf(const std::vector<std::uint8_t>& data) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 8 && std::equal(png, png + 8, data.begin())) return PictureKind::Png;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return PictureKind::Bmp;
    if (data.size() >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0)
        return PictureKind::Ico;
    return PictureKind::Unknown;
}

bool readPicture(const std::vector<std::uint8_t>& data, Picture& out, std::string& error) {
    switch (pictureKindOf(data)) {
    case PictureKind::Png: return readPng(data, out, error);
    case PictureKind::Bmp:
    case PictureKind::Ico: return readPictureThroughImageLoading(data, out, error);
    case PictureKind::Unknown: break;
    }
    out = Picture();
    error = "not a font or a BMP, ICO or PNG picture";
    return false;
}

Font fontAsCelpackReads(const Picture& picture) {
    Font font;
    for (int glyph = 0; glyph < glyphCount; ++glyph)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x) {
                int px = (glyph % 16) * glyphSide + x, py = (glyph / 16) * glyphSide + y;
                if (px < picture.width && py < picture.height && picture.at(px, py) != 0)
                    font.setPixel(glyph, x, y, true);
            }
    return font;
}

}  // namespace celkit
