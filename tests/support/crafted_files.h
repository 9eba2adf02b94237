// Picture files crafted byte by byte in a test: the little-endian patches
// and the BMP and ICO writers every test program shares.
#ifndef CELPACK_CRAFTED_FILES_H
#define CELPACK_CRAFTED_FILES_H

#include <stddef.h>
#include <stdint.h>

#include <functional>
#include <vector>

namespace crafted {

using Bytes = std::vector<unsigned char>;
// Colour of picture pixel (x, y), top row 0: 0xRRGGBB, or a palette index.
using Pixels = std::function<uint32_t(int x, int y)>;

inline void put16(Bytes& bytes, size_t at, uint32_t value) {
    bytes[at] = value & 0xFF;
    bytes[at + 1] = (value >> 8) & 0xFF;
}
inline void put32(Bytes& bytes, size_t at, uint32_t value) {
    put16(bytes, at, value & 0xFFFF);
    put16(bytes, at + 2, value >> 16);
}
// Appends `value` as four little-endian bytes.
inline void append32(Bytes& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back((value >> (8 * i)) & 0xFF);
}
inline uint32_t get32(const Bytes& bytes, size_t at) {
    return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
           (uint32_t(bytes[at + 3]) << 24);
}

// A bitmap file with a 40-byte header: 24 bits, or 1, 4 or 8 with
// `palette` (0x00RRGGBB entries). A negative height stores the rows top
// row first.
inline Bytes bitmapFile(int width, int height, int bits, const Pixels& pixels,
                        const std::vector<uint32_t>& palette = {}) {
    int rows = height < 0 ? -height : height;
    size_t stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    size_t offset = 14 + 40 + palette.size() * 4;
    Bytes file(offset + stride * size_t(rows), 0);
    file[0] = 'B';
    file[1] = 'M';
    put32(file, 2, uint32_t(file.size()));
    put32(file, 10, uint32_t(offset));
    put32(file, 14, 40);
    put32(file, 18, uint32_t(width));
    put32(file, 22, uint32_t(height));
    put16(file, 26, 1);
    put16(file, 28, uint32_t(bits));
    put32(file, 46, uint32_t(palette.size()));
    for (size_t i = 0; i < palette.size(); i++) put32(file, 54 + i * 4, palette[i]);
    for (int y = 0; y < rows; y++) {
        unsigned char* row = &file[offset + stride * size_t(height < 0 ? y : rows - 1 - y)];
        for (int x = 0; x < width; x++) {
            uint32_t value = pixels(x, y);
            if (bits == 24) {
                row[x * 3] = value & 0xFF;
                row[x * 3 + 1] = (value >> 8) & 0xFF;
                row[x * 3 + 2] = (value >> 16) & 0xFF;
            } else {
                int bit = x * bits;
                row[bit / 8] |= uint8_t(value << (8 - bits - bit % 8));
            }
        }
    }
    return file;
}

// An icon file holding the one image `image` (resource data as the
// platform takes it), its directory entry claiming `side` and `bits`.
inline Bytes iconFileOf(const Bytes& image, int side, int bits) {
    Bytes file(6 + 16, 0);
    put16(file, 2, 1);
    put16(file, 4, 1);
    file[6] = uint8_t(side);
    file[7] = uint8_t(side);
    put16(file, 10, 1);
    put16(file, 12, uint32_t(bits));
    put32(file, 14, uint32_t(image.size()));
    put32(file, 18, 22);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

// Icon resource data of width x height with every pixel opaque, in a
// 40-byte header or the 12-byte core one: 32 bits (alpha 0xFF), or 1, 4 or
// 8 with the full table `palette` (0x00RRGGBB entries).
inline Bytes iconImage(int width, int height, int bits, const Pixels& pixels,
                       const std::vector<uint32_t>& palette = {}, bool core = false) {
    size_t header = core ? 12 : 40, entry = core ? 3 : 4;
    size_t stride = (size_t(width) * size_t(bits) + 31) / 32 * 4;
    size_t maskStride = (size_t(width) + 31) / 32 * 4;
    size_t colour = header + palette.size() * entry;
    Bytes image(colour + (stride + maskStride) * size_t(height), 0);
    put32(image, 0, uint32_t(header));
    if (core) {
        put16(image, 4, uint32_t(width));
        put16(image, 6, uint32_t(height * 2));
        put16(image, 8, 1);
        put16(image, 10, uint32_t(bits));
    } else {
        put32(image, 4, uint32_t(width));
        put32(image, 8, uint32_t(height * 2));
        put16(image, 12, 1);
        put16(image, 14, uint32_t(bits));
    }
    for (size_t i = 0; i < palette.size(); i++)
        for (size_t b = 0; b < 3; b++)
            image[header + i * entry + b] = (palette[i] >> (8 * b)) & 0xFF;
    for (int y = 0; y < height; y++) {
        unsigned char* row = &image[colour + stride * size_t(height - 1 - y)];
        for (int x = 0; x < width; x++) {
            uint32_t value = pixels(x, y);
            if (bits == 32) {
                put32(image, size_t(row - image.data()) + size_t(x) * 4, value | 0xFF000000u);
            } else {
                int bit = x * bits;
                row[bit / 8] |= uint8_t(value << (8 - bits - bit % 8));
            }
        }
    }
    return image;
}

// An icon file holding the one image `image`, its directory entry claiming
// width x height and `bits`.
inline Bytes iconFileOf(const Bytes& image, int width, int height, int bits) {
    Bytes file = iconFileOf(image, width, bits);
    file[7] = uint8_t(height);
    return file;
}

// An icon file with one 32-bit image; a pixel is transparent where
// `pixels` gives 0xFFFFFFFF.
inline Bytes iconFile(int side, const Pixels& pixels) {
    size_t maskStride = (size_t(side) + 31) / 32 * 4;
    Bytes image(40 + size_t(side) * size_t(side) * 4 + maskStride * size_t(side), 0);
    put32(image, 0, 40);
    put32(image, 4, uint32_t(side));
    put32(image, 8, uint32_t(side * 2));
    put16(image, 12, 1);
    put16(image, 14, 32);
    size_t colour = 40;
    size_t mask = colour + size_t(side) * size_t(side) * 4;
    for (int y = 0; y < side; y++) {
        size_t memoryRow = size_t(side - 1 - y);
        for (int x = 0; x < side; x++) {
            uint32_t value = pixels(x, y);
            bool transparent = value == 0xFFFFFFFFu;
            put32(image, colour + (memoryRow * size_t(side) + size_t(x)) * 4,
                  transparent ? 0 : (value | 0xFF000000u));
            if (transparent)
                image[mask + maskStride * memoryRow + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        }
    }
    return iconFileOf(image, side, 32);
}

}  // namespace crafted

#endif
