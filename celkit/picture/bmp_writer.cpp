// The two BMP files celkit writes, both with a 40-byte info header and
// bottom-up rows padded to four bytes: a 24-bit preview, and the 1-bit sheet
// whose colour table is black (0) then white (1).
#include <cstring>

#include "celkit/picture/picture.h"

namespace celkit {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> bmpHeaders(int width, int height, int bitCount, std::uint32_t colours,
                                     std::uint32_t pixelBytes) {
    std::uint32_t offset = 14 + 40 + colours * 4;
    std::vector<std::uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put(out, offset + pixelBytes, 4);
    put(out, 0, 4);
    put(out, offset, 4);
    put(out, 40, 4);
    put(out, static_cast<std::uint32_t>(width), 4);
    put(out, static_cast<std::uint32_t>(height), 4);
    put(out, 1, 2);
    put(out, static_cast<std::uint32_t>(bitCount), 2);
    put(out, 0, 4);  // BI_RGB
    put(out, pixelBytes, 4);
    put(out, 2835, 4);  // 72 dots per inch
    put(out, 2835, 4);
    put(out, colours, 4);
    put(out, 0, 4);
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const Picture& picture) {
    std::size_t width = static_cast<std::size_t>(picture.width),
                height = static_cast<std::size_t>(picture.height);
    std::size_t stride = (width * 3 + 3) & ~static_cast<std::size_t>(3);
    // The file's sizes are 32-bit fields.
    if (picture.width <= 0 || picture.height <= 0 || stride > (0xFFFFFFFFu - 54) / height)
        return {};
    std::vector<std::uint8_t> out = bmpHeaders(picture.width, picture.height, 24, 0,
                                               static_cast<std::uint32_t>(stride * height));
    std::size_t start = out.size();
    out.resize(start + stride * height, 0);
    // B, G, R of each palette entry, ready to copy.
    std::uint8_t bgr[256][3] = {};
    for (std::size_t i = 0; i < picture.palette.size(); ++i)
        for (int c = 0; c < 3; ++c)
            bgr[i][c] = static_cast<std::uint8_t>(picture.palette[i] >> (8 * c));
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = out.data() + start + (height - 1 - y) * stride;
        if (picture.indexed()) {
            const std::uint8_t* in = picture.bytes.data() + y * width;
            for (std::size_t x = 0; x < width; ++x) std::memcpy(row + x * 3, bgr[in[x]], 3);
            continue;
        }
        const std::uint8_t* in = picture.bytes.data() + y * width * 3;
        for (std::size_t x = 0; x < width * 3; x += 3) {
            row[x] = in[x + 2];
            row[x + 1] = in[x + 1];
            row[x + 2] = in[x];
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeSheet(const Font& font) {
    constexpr int side = 16 * glyphSide, stride = side / 8;
    std::vector<std::uint8_t> out = bmpHeaders(side, side, 1, 2, stride * side);
    put(out, 0x000000, 4);
    put(out, 0xFFFFFF, 4);
    for (int y = side - 1; y >= 0; --y) {
        int cellRow = y / glyphSide, row = y % glyphSide;
        // A sheet row is the same glyph row of 16 glyphs side by side: two
        // font bytes each, already in the sheet's bit order.
        for (int cellColumn = 0; cellColumn < 16; ++cellColumn) {
            int glyph = cellRow * 16 + cellColumn;
            out.push_back(font.bytes[static_cast<std::size_t>(glyph * glyphBytes + row * 2)]);
            out.push_back(font.bytes[static_cast<std::size_t>(glyph * glyphBytes + row * 2 + 1)]);
        }
    }
    return out;
}

}  // namespace celkit
