#include "celkit/picture/picture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace celkit {

void PixelBytes::Free::operator()(std::uint8_t* p) const { std::free(p); }

PixelBytes::PixelBytes(std::size_t size, std::uint8_t fill) : length(size) {
    memory.reset(static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size)));
    if (!memory) throw std::bad_alloc();
    std::memset(memory.get(), fill, size);
}

PixelBytes::PixelBytes(const PixelBytes& other) : PixelBytes(other.length, 0) {
    if (other.length != 0) std::memcpy(memory.get(), other.memory.get(), other.length);
}

PixelBytes& PixelBytes::operator=(const PixelBytes& other) {
    if (this != &other) *this = PixelBytes(other);
    return *this;
}

PixelBytes PixelBytes::adopt(std::uint8_t* data, std::size_t size) {
    PixelBytes bytes;
    bytes.memory.reset(data);
    bytes.length = size;
    return bytes;
}

void PixelBytes::shrink(std::size_t size) {
    if (size >= length || size == 0) return;
    // realloc keeps the block when it cannot shrink it in place.
    if (void* smaller = std::realloc(memory.get(), size)) {
        (void)memory.release();
        memory.reset(static_cast<std::uint8_t*>(smaller));
    }
    length = size;
}

Picture::Picture(int width, int height, std::uint32_t fill)
    : width(width),
      height(height),
      palette{fill & 0xFFFFFF},
      bytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0) {}

void Picture::toRgb() {
    if (!indexed()) return;
    PixelBytes rgb(pixelCount() * 3, 0);
    for (std::size_t i = 0; i < pixelCount(); ++i) {
        std::uint32_t c = palette[bytes[i]];
        rgb[i * 3] = static_cast<std::uint8_t>(c >> 16);
        rgb[i * 3 + 1] = static_cast<std::uint8_t>(c >> 8);
        rgb[i * 3 + 2] = static_cast<std::uint8_t>(c);
    }
    bytes = std::move(rgb);
    palette.clear();
}

void Picture::fill(int x, int y, int w, int h, std::uint32_t colour) {
    colour &= 0xFFFFFF;
    int top = std::max(0, y), bottom = static_cast<int>(std::min<long long>(height, 0LL + y + h));
    int left = std::max(0, x), right = static_cast<int>(std::min<long long>(width, 0LL + x + w));
    if (top >= bottom || left >= right) return;
    if (indexed()) {
        auto found = std::find(palette.begin(), palette.end(), colour);
        if (found == palette.end() && palette.size() < 256) {
            palette.push_back(colour);
            found = palette.end() - 1;
        }
        if (found != palette.end()) {
            auto index = static_cast<std::uint8_t>(found - palette.begin());
            for (int row = top; row < bottom; ++row)
                std::memset(bytes.data() +
                                static_cast<std::size_t>(row) * static_cast<std::size_t>(width) +
                                static_cast<std::size_t>(left),
                            index, static_cast<std::size_t>(right - left));
            return;
        }
        toRgb();
    }
    for (int row = top; row < bottom; ++row)
        for (int column = left; column < right; ++column) {
            std::uint8_t* p =
                bytes.data() +
                (static_cast<std::size_t>(row) * static_cast<std::size_t>(width) + column) * 3;
            p[0] = static_cast<std::uint8_t>(colour >> 16);
            p[1] = static_cast<std::uint8_t>(colour >> 8);
            p[2] = static_cast<std::uint8_t>(colour);
        }
}

PictureKind pictureKindOf(const std::vector<std::uint8_t>& data) {
    static const std::uint8_t png[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (data.size() >= 8 && std::equal(png, png + 8, data.begin())) return PictureKind::Png;
    if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return PictureKind::Bmp;
    if (data.size() >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 1 && data[3] == 0)
        return PictureKind::Ico;
    return PictureKind::Unknown;
}

bool readPicture(const std::vector<std::uint8_t>& data, Picture& out, std::string& error,
                 const SizeCheck& check) {
    switch (pictureKindOf(data)) {
    case PictureKind::Png: return readPng(data, out, error, check);
    case PictureKind::Bmp:
    case PictureKind::Ico: return readPictureThroughImageLoading(data, out, error, check);
    case PictureKind::Unknown: break;
    }
    out = Picture();
    error = "not a font or a BMP, ICO or PNG picture";
    return false;
}

Font fontAsCelpackReads(const Picture& picture) {
    Font font;
    int width = std::min(picture.width, 16 * glyphSide);
    int height = std::min(picture.height, 16 * glyphSide);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px)
            if (picture.at(px, py) != 0)
                font.setPixel((py / glyphSide) * 16 + px / glyphSide, px % glyphSide,
                              py % glyphSide, true);
    return font;
}

}  // namespace celkit
