// Helpers of the image tests: fixture paths and bytes, a running runtime
// with the image library, and the pixels of a loaded image read straight
// from platform memory (never through the loader under test).
#ifndef CELPACK_IMAGE_TEST_SUPPORT_H
#define CELPACK_IMAGE_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/runtime.h"
#include "support/crafted_files.h"
#include "support/test_support.h"
#include "tests/platform/dib_test_bytes.h"

namespace imagetest {

typedef std::vector<unsigned char> Bytes;

using testsupport::dataPath;
using testsupport::wide;

inline Bytes readData(const std::string& relative) {
    Bytes bytes = testsupport::dataBytes(relative);
    EXPECT_FALSE(bytes.empty()) << "missing fixture " << relative;
    return bytes;
}

inline intptr_t loadData(ObjectId number, const std::string& relative) {
    return loadImage(number, wide(dataPath(relative)).c_str());
}

inline intptr_t decodeBytes(ObjectId number, const Bytes& bytes) {
    return decodeImageMemory(number, bytes.empty() ? "" : static_cast<const void*>(bytes.data()),
                             static_cast<uint32_t>(bytes.size()));
}

// The runtime with the image library only, started for each test.
class ImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const RuntimeLibraries images = {initImageDecoders, initImages, nullptr,
                                                nullptr,           nullptr,    endImages};
        startRuntime(&images);
    }
    void TearDown() override { stopRuntime(); }
};

// Pixels top row first: red, green, blue, alpha (alpha 0 for 24-bit).
struct Pixels {
    int width = 0;
    int height = 0;
    Bytes rgba;

    Bytes rgb() const {
        Bytes out;
        for (size_t i = 0; i < rgba.size(); i += 4) out.insert(out.end(), &rgba[i], &rgba[i] + 3);
        return out;
    }
    Bytes alpha() const {
        Bytes out;
        for (size_t i = 3; i < rgba.size(); i += 4) out.push_back(rgba[i]);
        return out;
    }
};

// The pixel memory of a DIB section taken as bottom-up rows of
// rowStride bytes, as every image the loader makes must be.
inline Pixels sectionPixels(HANDLE handle) {
    Pixels pixels;
    BITMAP described;
    if (GetObjectW(handle, sizeof described, &described) != sizeof described || !described.bmBits)
        return pixels;
    pixels.width = described.bmWidth;
    pixels.height = described.bmHeight;
    int bytesPerPixel = described.bmBitsPixel / 8;
    int stride = rowStride(described.bmWidth, described.bmBitsPixel);
    const unsigned char* bits = static_cast<const unsigned char*>(described.bmBits);
    for (int y = 0; y < pixels.height; ++y) {
        const unsigned char* row = bits + static_cast<size_t>(pixels.height - 1 - y) * stride;
        for (int x = 0; x < pixels.width; ++x) {
            const unsigned char* p = row + x * bytesPerPixel;
            unsigned char pixel[4] = {p[2], p[1], p[0],
                                      static_cast<unsigned char>(bytesPerPixel == 4 ? p[3] : 0)};
            pixels.rgba.insert(pixels.rgba.end(), pixel, pixel + 4);
        }
    }
    return pixels;
}

// Any bitmap's pixels through the platform's own conversion to 32 bits.
inline Pixels bitmapPixels(HBITMAP bitmap) {
    Pixels pixels;
    BITMAP described;
    if (GetObjectW(bitmap, sizeof described, &described) != sizeof described) return pixels;
    pixels.width = described.bmWidth;
    pixels.height = described.bmHeight;
    Bytes bgra(static_cast<size_t>(pixels.width) * pixels.height * 4);
    BITMAPINFO info = dibtest::bitmapInfo(pixels.width, -pixels.height, 32);
    HDC dc = CreateCompatibleDC(NULL);
    int lines = GetDIBits(dc, bitmap, 0, pixels.height, bgra.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (lines != pixels.height) return Pixels();
    for (size_t i = 0; i < bgra.size(); i += 4) {
        unsigned char pixel[4] = {bgra[i + 2], bgra[i + 1], bgra[i], bgra[i + 3]};
        pixels.rgba.insert(pixels.rgba.end(), pixel, pixel + 4);
    }
    return pixels;
}

// The colour bitmap of an icon, through GetIconInfo.
inline Pixels iconPixels(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return Pixels();
    Pixels pixels = info.hbmColor ? bitmapPixels(info.hbmColor) : Pixels();
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return pixels;
}

// Where two RGB planes of `width` pixels a row first differ, for failure
// messages; empty when they are equal.
inline std::string rgbDifference(const Bytes& got, const Bytes& expected, int width) {
    if (got.size() != expected.size())
        return "sizes differ: " + std::to_string(got.size()) + " bytes, expected " +
               std::to_string(expected.size());
    for (size_t i = 0; i < got.size(); i += 3) {
        if (got[i] == expected[i] && got[i + 1] == expected[i + 1] && got[i + 2] == expected[i + 2])
            continue;
        char text[120];
        snprintf(text, sizeof text, "pixel x %d y %d is %02X%02X%02X, expected %02X%02X%02X",
                 static_cast<int>(i / 3 % width), static_cast<int>(i / 3 / width), got[i],
                 got[i + 1], got[i + 2], expected[i], expected[i + 1], expected[i + 2]);
        return text;
    }
    return "";
}

// Little-endian patches for crafted files: the tests' one copy.
using crafted::get32;
using crafted::put16;
using crafted::put32;

}  // namespace imagetest

#endif
