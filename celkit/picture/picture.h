// celkit's pictures: what it reads and writes besides fonts. A Picture is
// colours 0xRRGGBB, rows from the top, whatever file it came from; BMP and
// ICO are read through the project's own image loading (so celkit sees a
// picture exactly as celpack does), PNG through stb_image; previews are
// written as PNG or 24-bit BMP and sheets as the 1-bit BMP celpack reads.
#ifndef CELKIT_PICTURE_PICTURE_H
#define CELKIT_PICTURE_PICTURE_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/font.h"

namespace celkit {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // width * height, row by row from the top

    Picture() = default;
    Picture(int width, int height, std::uint32_t fill)
        : width(width), height(height), pixels(std::size_t(width) * std::size_t(height), fill) {}
    std::uint32_t at(int x, int y) const {
        return pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)];
    }
    void set(int x, int y, std::uint32_t colour) {
        pixels[std::size_t(y) * std::size_t(width) + std::size_t(x)] = colour;
    }
    void fill(int x, int y, int w, int h, std::uint32_t colour);
};

// Largest picture celkit reads, in pixels: a whole-plane chart (4128 x 4160)
// fits with room to spare; a lying header cannot ask for gigabytes.
inline constexpr long long pictureLimit = 40LL * 1000 * 1000;

enum class PictureKind { Bmp, Ico, Png, Unknown };

// From the first bytes: "BM", an icon directory, or the PNG signature.
PictureKind pictureKindOf(const std::vector<std::uint8_t>& data);

// Any BMP or ICO the project's image loading accepts (transparent icon
// pixels come out black, as for celpack), or a PNG (composed over black).
// False with a reason otherwise; `out` is then left empty.
bool readPicture(const std::vector<std::uint8_t>& data, Picture& out, std::string& error);

// The BMP/ICO road alone: decode, draw on a black canvas of the picture's
// size, read every pixel back.
bool readPictureThroughImageLoading(const std::vector<std::uint8_t>& data, Picture& out,
                                    std::string& error);

// PNG through stb_image; the other formats stb knows are refused.
bool readPng(const std::vector<std::uint8_t>& data, Picture& out, std::string& error);

std::vector<std::uint8_t> encodePng(const Picture& picture);
std::vector<std::uint8_t> encodeBmp(const Picture& picture);  // 24 bits per pixel, bottom-up

// The sheet celpack reads: 256 x 256 pixels, 1 bit per pixel, white ink on
// black, glyph g in cell column g % 16, cell row g / 16.
std::vector<std::uint8_t> encodeSheet(const Font& font);

// The font celpack makes of a picture: every pixel of the top left 256 x 256
// that is not pure black is set; cells the picture does not cover are blank.
Font fontAsCelpackReads(const Picture& picture);

}  // namespace celkit

#endif
