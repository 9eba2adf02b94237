// celkit's pictures: what it reads and writes besides fonts. A Picture is
// rows of pixels from the top, held as the file had them where that is
// cheap: a byte per pixel into a palette of at most 256 colours (grey PNG,
// previews) or three bytes R, G, B. BMP and ICO are read through the
// project's own image loading (so celkit sees a picture exactly as celpack
// does), PNG through stb_image in its own channels; previews are written as
// PNG (palette when they have few colours) or 24-bit BMP and sheets as the
// 1-bit BMP celpack reads.
#ifndef CELKIT_PICTURE_PICTURE_H
#define CELKIT_PICTURE_PICTURE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "celkit/font/font.h"

namespace celkit {

// Pixel memory from malloc, so that a decoder's buffer can be taken over
// without a copy.
class PixelBytes {
public:
    PixelBytes() = default;
    PixelBytes(std::size_t size, std::uint8_t fill);  // throws std::bad_alloc
    PixelBytes(const PixelBytes& other);
    PixelBytes(PixelBytes&&) noexcept = default;
    PixelBytes& operator=(const PixelBytes& other);
    PixelBytes& operator=(PixelBytes&&) noexcept = default;
    // Takes `data` (from malloc) and frees it later.
    static PixelBytes adopt(std::uint8_t* data, std::size_t size);
    // Keeps the first `size` bytes and gives the rest back.
    void shrink(std::size_t size);

    std::uint8_t* data() { return memory.get(); }
    const std::uint8_t* data() const { return memory.get(); }
    std::size_t size() const { return length; }
    std::uint8_t& operator[](std::size_t i) { return memory.get()[i]; }
    std::uint8_t operator[](std::size_t i) const { return memory.get()[i]; }

private:
    struct Free {
        void operator()(std::uint8_t* p) const;
    };
    std::unique_ptr<std::uint8_t, Free> memory;
    std::size_t length = 0;
};

struct Picture {
    int width = 0;
    int height = 0;
    // Not empty: a byte per pixel, an index into it. Empty: R, G, B bytes.
    std::vector<std::uint32_t> palette;  // 0xRRGGBB, each colour once
    PixelBytes bytes;
    // A byte of alpha per pixel when some pixel is less than half opaque (a
    // PNG with alpha or a colour key, a BMP or an icon with alpha); empty
    // otherwise. The colours stay as celpack's canvas shows them.
    PixelBytes alpha;
    // How the file holds its pixels, e.g. "8-bit RGBA", "24-bit".
    std::string encoding;
    bool celpackReads = false;  // a BMP or ICO, read on celpack's road

    Picture() = default;
    // A picture of one colour, indexed.
    Picture(int width, int height, std::uint32_t fill);

    bool indexed() const { return !palette.empty(); }
    bool transparent(std::size_t i) const { return alpha.size() != 0 && alpha[i] < 128; }
    std::size_t pixelCount() const { return std::size_t(width) * std::size_t(height); }
    std::uint32_t colour(std::size_t i) const {
        if (indexed()) return palette[bytes[i]];
        const std::uint8_t* p = bytes.data() + i * 3;
        return std::uint32_t(p[0]) << 16 | std::uint32_t(p[1]) << 8 | p[2];
    }
    std::uint32_t at(int x, int y) const {
        return colour(std::size_t(y) * std::size_t(width) + std::size_t(x));
    }
    void set(int x, int y, std::uint32_t colour) { fill(x, y, 1, 1, colour); }
    // Clipped to the picture. A 257th colour turns an indexed picture into
    // R, G, B.
    void fill(int x, int y, int w, int h, std::uint32_t colour);
    void toRgb();
};

// Largest picture celkit reads or makes, in pixels: a whole-plane chart
// (4128 x 4160) fits with room to spare; a lying header cannot ask for
// gigabytes.
inline constexpr long long pictureLimit = 40LL * 1000 * 1000;

enum class PictureKind { Bmp, Ico, Png, Unknown };

// From the first bytes: "BM", an icon directory, or the PNG signature.
PictureKind pictureKindOf(const std::vector<std::uint8_t>& data);

// Asked with the picture's size before any pixel is decoded: false with a
// reason refuses the picture (the caller knows what it can use).
using SizeCheck = std::function<bool(int width, int height, std::string& error)>;

// Any BMP or ICO the project's image loading accepts (transparent icon
// pixels come out black, as for celpack), or a PNG (composed over black).
// False with a reason otherwise; `out` is then left empty.
bool readPicture(const std::vector<std::uint8_t>& data, Picture& out, std::string& error,
                 const SizeCheck& check = nullptr);

// The BMP/ICO road alone: decode, draw on a black canvas of the picture's
// size, read every pixel back.
bool readPictureThroughImageLoading(const std::vector<std::uint8_t>& data, Picture& out,
                                    std::string& error, const SizeCheck& check = nullptr);

// PNG through stb_image; the other formats stb knows are refused.
bool readPng(const std::vector<std::uint8_t>& data, Picture& out, std::string& error,
             const SizeCheck& check = nullptr);

// The budget of PNG data, judged from its header before stb decodes it,
// as celpack's loader judges compressed bitmaps: up to 2048 x 2048 pixels
// from any file, beyond that at most 128 pixels per byte of the file; and
// whatever the file's size, stb may not need more than 192 MiB (the
// inflated rows and the decoded picture, see pngDecodeCost). A file under
// 100 KB thus makes at most 12.8 M pixels, within a second and 256 MB on
// either build.
std::uint64_t pngPixelsAllowed(std::uint64_t fileLength);
inline constexpr std::uint64_t pngCostCeiling = std::uint64_t(192) << 20;
std::uint64_t pngDecodeCost(std::uint32_t width, std::uint32_t height, int bitDepth,
                            int colourType);

// Empty when the picture cannot be encoded (too large for the writer).
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
