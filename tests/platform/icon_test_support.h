// Helpers of the icon tests: icon resource data crafted byte by byte, and
// an icon's bitmaps read back through GetIconInfo and GetDIBits.
#ifndef CELPACK_ICON_TEST_SUPPORT_H
#define CELPACK_ICON_TEST_SUPPORT_H

#include <string.h>

#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/crafted_files.h"
#include "support/test_support.h"
#include "tests/platform/dib_test_bytes.h"

namespace icontest {

typedef std::vector<uint8_t> Bytes;
typedef std::vector<uint32_t> Pixels;

using crafted::append32;

using dibtest::rowBytes;

// Bitmap-style icon data: a 40-byte header (height doubled), the palette
// (0x00RRGGBB entries), the colour rows and the AND mask rows, bottom-up.
// `pixels` are top row first: palette indices up to 8 bits, raw values at
// 16, 0xAARRGGBB at 24 (alpha dropped) and 32. `mask` is "1" for transparent,
// top row first.
inline Bytes bitmapIcon(int width, int height, int bits, const Pixels& pixels,
                        const std::string& mask, const Pixels& palette = Pixels()) {
    Bytes data;
    append32(data, 40);
    append32(data, uint32_t(width));
    append32(data, uint32_t(2 * height));
    append32(data, 1 | uint32_t(bits) << 16);
    for (int i = 0; i < 6; ++i) append32(data, 0);
    if (bits <= 8)
        for (int i = 0; i < (1 << bits); ++i)
            append32(data, i < int(palette.size()) ? palette[i] : 0);
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(size_t(rowBytes(width, bits)));
        for (int x = 0; x < width; ++x) {
            uint32_t v = pixels[size_t(y * width + x)];
            if (bits < 8)
                row[size_t(x * bits / 8)] |= uint8_t(v << (8 - bits - x * bits % 8));
            else
                memcpy(&row[size_t(x * bits / 8)], &v, size_t(bits / 8));
        }
        data.insert(data.end(), row.begin(), row.end());
    }
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(size_t(rowBytes(width, 1)));
        for (int x = 0; x < width; ++x)
            if (mask[size_t(y * width + x)] == '1') row[size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        data.insert(data.end(), row.begin(), row.end());
    }
    return data;
}

// The 4 x 3 sample image: two transparent corners, and colours of red
// 200, green 60 per row, blue 40 per column, alpha `step` * (x + 5y).
const char* const sampleMask = "100000000001";

inline Pixels gradient(uint32_t step) {
    Pixels pixels;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 4; ++x)
            pixels.push_back((step * (x + 5 * y)) << 24 | 0xC80000 | y * 60 << 8 | x * 40);
    return pixels;
}

// Icon pixel i lacks colour bit i: `count` of them, a row or a column.
inline Bytes numberedPixels(int count, bool column) {
    Pixels pixels;
    for (int i = 0; i < count; ++i) pixels.push_back(0xFF000000 | (0xFFFFFF & ~(1u << i)));
    std::string mask(size_t(count), '0');
    return column ? bitmapIcon(1, count, 32, pixels, mask) : bitmapIcon(count, 1, 32, pixels, mask);
}

// The numbers of the icon pixels a pixel was made of, "+" between them.
inline std::string sourcesOf(uint32_t pixel) {
    std::string sources;
    for (int bit = 0; bit < 24; ++bit)
        if (!(pixel & (1u << bit))) sources += (sources.empty() ? "" : "+") + std::to_string(bit);
    return sources;
}

inline HICON makeIcon(Bytes data, int width = 0, int height = 0) {
    return CreateIconFromResourceEx(data.data(), DWORD(data.size()), TRUE, 0x00030000, width,
                                    height, 0);
}

// A fixture file of tests/data/icons.
inline Bytes iconFixture(const std::string& name) {
    return testsupport::dataBytes("icons/" + name);
}

// A bitmap's pixels as 32-bit 0xAARRGGBB, top row first.
inline Pixels readPixels(HBITMAP bitmap) {
    BITMAP shape;
    if (GetObjectW(bitmap, sizeof shape, &shape) != int(sizeof shape)) return Pixels();
    Pixels pixels(size_t(shape.bmWidth) * size_t(shape.bmHeight));
    BITMAPINFO info = dibtest::bitmapInfo(shape.bmWidth, -shape.bmHeight, 32);
    HDC dc = CreateCompatibleDC(nullptr);
    int rows = GetDIBits(dc, bitmap, 0, UINT(shape.bmHeight), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    return rows == shape.bmHeight ? pixels : Pixels();
}

// A mask as '0' and '1', rows separated by '/'.
inline std::string maskText(const Pixels& pixels, int width) {
    std::string text;
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i && i % size_t(width) == 0) text += '/';
        text += (pixels[i] & 0xFFFFFF) ? '1' : '0';
    }
    return text;
}

// What GetIconInfo hands out, read and deleted.
struct IconParts {
    bool ok = false;
    ICONINFO info;
    BITMAP colourShape, maskShape;
    int colourAnswer = 0;  // GetObjectW with room for a DIBSECTION
    Pixels colour;
    std::string mask;
};

inline IconParts iconParts(HICON icon) {
    IconParts parts;
    memset(&parts.info, 0, sizeof parts.info);
    memset(&parts.colourShape, 0, sizeof parts.colourShape);
    memset(&parts.maskShape, 0, sizeof parts.maskShape);
    if (!GetIconInfo(icon, &parts.info)) return parts;
    parts.ok = true;
    if (parts.info.hbmColor) {
        DIBSECTION section;
        parts.colourAnswer = GetObjectW(parts.info.hbmColor, sizeof section, &section);
        parts.colourShape = section.dsBm;
        parts.colour = readPixels(parts.info.hbmColor);
        DeleteObject(parts.info.hbmColor);
    }
    GetObjectW(parts.info.hbmMask, sizeof parts.maskShape, &parts.maskShape);
    parts.mask = maskText(readPixels(parts.info.hbmMask), parts.maskShape.bmWidth);
    DeleteObject(parts.info.hbmMask);
    return parts;
}

}  // namespace icontest

#endif
