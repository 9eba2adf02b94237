// Shared set-up of the drawing tests: a started runtime with the image and
// drawing libraries, canvases made by createImage, pictures decoded from
// fixture files, and a look at pixel memory that does not go through the
// drawing library's own readers.
#ifndef CELPACK_TESTS_DRAWING_FIXTURE_H
#define CELPACK_TESTS_DRAWING_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "drawing/drawing_session.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/runtime.h"
#include "support/test_support.h"

// An .rgba (or, with 3 channels, .rgb) expectation: pixel (x, y) as
// 0xAARRGGBB, alpha 0 for .rgb.
struct Expected {
    std::vector<unsigned char> bytes;
    int32_t width;
    int channels = 4;
    uint32_t argb(int32_t x, int32_t y) const {
        const unsigned char* p = &bytes[(static_cast<size_t>(y) * width + x) * channels];
        return (channels == 4 ? uint32_t(p[3]) << 24 : 0) | uint32_t(p[0]) << 16 |
               uint32_t(p[1]) << 8 | p[2];
    }
};

class DrawingTest : public ::testing::Test {
protected:
    // The runtime keeps the address until it stops.
    RuntimeLibraries libraries = {};

    void SetUp() override {
        libraries.initImageDecoders = initImageDecoders;
        libraries.initImages = initImages;
        libraries.initDrawing = initDrawing;
        libraries.endImages = endImages;
        startRuntime(&libraries);
    }
    void TearDown() override {
        endDrawing();
        stopRuntime();
    }

    // Image `number` of width by height, filled with `background`, as the
    // open session.
    DrawingContext* openCanvas(ObjectId number, int32_t width, int32_t height, int32_t depth = 24,
                               int32_t background = 0) {
        if (!createImage(number, width, height, depth, background)) return nullptr;
        DrawingContext* context = imageOutput(number);
        if (!context || !beginDrawing(context)) return nullptr;
        return context;
    }

    // Decodes a file of tests/data as image `number`; its handle or 0.
    HANDLE loadFixture(ObjectId number, const std::string& relative) {
        std::vector<unsigned char> bytes = testsupport::dataBytes(relative);
        if (bytes.empty()) return nullptr;
        if (!decodeImageMemory(number, bytes.data(), static_cast<uint32_t>(bytes.size())))
            return nullptr;
        return imageHandle(number);
    }

    static std::vector<unsigned char> fixtureBytes(const std::string& relative) {
        return testsupport::dataBytes(relative);
    }
    // An .rgb or .rgba file of tests/data for a picture `width` pixels wide.
    static Expected expectation(const std::string& relative, int32_t width) {
        bool rgb = relative.size() > 4 && relative.compare(relative.size() - 4, 4, ".rgb") == 0;
        return Expected{fixtureBytes(relative), width, rgb ? 3 : 4};
    }
};

// The pixel memory of a DIB section image, or of any DIB section, read
// directly; no bits when it is none.
struct Pixels {
    unsigned char* bits = nullptr;
    int32_t width = 0, height = 0, pitch = 0, bytes = 0, bitsPerPixel = 0;

    explicit Pixels(ObjectId number) : Pixels(imageHandle(number), true) {}
    static Pixels of(HANDLE section) { return Pixels(section, true); }
    Pixels(HANDLE handle, bool) {
        DIBSECTION section;
        if (GetObjectW(handle, sizeof section, &section) != static_cast<int>(sizeof section))
            return;
        bits = static_cast<unsigned char*>(section.dsBm.bmBits);
        width = section.dsBm.bmWidth;
        height = section.dsBm.bmHeight;
        bitsPerPixel = section.dsBm.bmBitsPixel;
        bytes = bitsPerPixel / 8;
        pitch = rowStride(width, bitsPerPixel);
    }
    // Pixel (x, y) counted from the top of a bottom-up image.
    unsigned char* at(int32_t x, int32_t y) const {
        return bits + static_cast<intptr_t>(height - 1 - y) * pitch + x * bytes;
    }
    // 0xAARRGGBB as stored (alpha 0 for 3-byte pixels).
    uint32_t argb(int32_t x, int32_t y) const {
        const unsigned char* p = at(x, y);
        return (bytes == 4 ? uint32_t(p[3]) << 24 : 0) | uint32_t(p[2]) << 16 |
               uint32_t(p[1]) << 8 | p[0];
    }
    void fill(uint32_t argbValue) const {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) set(x, y, argbValue);
    }
    void set(int32_t x, int32_t y, uint32_t argbValue) const {
        unsigned char* p = at(x, y);
        p[0] = argbValue & 0xFF;
        p[1] = (argbValue >> 8) & 0xFF;
        p[2] = (argbValue >> 16) & 0xFF;
        if (bytes == 4) p[3] = argbValue >> 24;
    }
};

#endif
