// The pictures the tool takes at the edges of what it takes: a side of
// 32767 pixels is loaded, 32768 refused, in both directions and for both
// row orders; blank images of those sizes likewise. Natively, the icon
// loader's second attempt at the default size is taken for every bit count
// but 16.
#include <gtest/gtest.h>

#include <vector>

#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/runtime.h"
#include "support/crafted_files.h"

namespace {

using crafted::Bytes;

class PictureLimits : public ::testing::Test {
protected:
    RuntimeLibraries libraries = {};
    void SetUp() override {
        libraries.initImageDecoders = initImageDecoders;
        libraries.initImages = initImages;
        libraries.endImages = endImages;
        startRuntime(&libraries);
    }
    void TearDown() override { stopRuntime(); }

    // Loads the bytes as image 0; its recorded size, or 0 x 0 when refused.
    static std::pair<int, int> load(const Bytes& file) {
        if (!decodeImageMemory(0, file.data(), uint32_t(file.size()))) return {0, 0};
        const ImageObject* image = findImage(0);
        EXPECT_NE(image, nullptr);
        return image ? std::pair<int, int>(image->width, image->height) : std::pair<int, int>(0, 0);
    }
};

uint32_t everyOther(int x, int y) { return uint32_t((x + y) & 1); }

TEST_F(PictureLimits, ASideOf32767IsLoadedAndOf32768Refused) {
    const struct {
        int width, height;
        bool loaded;
    } cases[] = {
        {32767, 1, true},  {32768, 1, false},  {1, 32767, true}, {1, 32768, false},
        {1, -32767, true}, {1, -32768, false}, {32767, 2, true}, {32769, 1, false},
        {1, 1, true},      {0, 1, false},      {1, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        Bytes file = crafted::bitmapFile(c.width, c.height, 1, everyOther, {0x000000, 0xFFFFFF});
        std::pair<int, int> size = load(file);
        if (c.loaded) {
            EXPECT_EQ(size, std::make_pair(c.width, c.height < 0 ? -c.height : c.height));
        } else {
            EXPECT_EQ(size, std::make_pair(0, 0));
            EXPECT_EQ(imageHandle(0), nullptr);
        }
        freeImage(0);
    }
}

// The smallest picture of every encoding, one pixel, loads; run-length
// data only bottom-up, as the platform takes it.
TEST_F(PictureLimits, OnePixelLoadsInEveryEncoding) {
    const struct {
        const char* name;
        int bits, height;
        uint32_t compression;
        std::vector<unsigned char> pixels;  // the data after the palette
        bool loaded;
    } cases[] = {
        {"1 bit", 1, 1, BI_RGB, {0x80, 0, 0, 0}, true},
        {"4 bits", 4, 1, BI_RGB, {0x10, 0, 0, 0}, true},
        {"8 bits", 8, 1, BI_RGB, {1, 0, 0, 0}, true},
        {"24 bits", 24, 1, BI_RGB, {1, 2, 3, 0}, true},
        {"24 bits top-down", 24, -1, BI_RGB, {1, 2, 3, 0}, true},
        {"RLE8", 8, 1, BI_RLE8, {1, 1, 0, 1}, true},
        {"RLE4", 4, 1, BI_RLE4, {1, 0x10, 0, 1}, true},
        {"RLE8 top-down", 8, -1, BI_RLE8, {1, 1, 0, 1}, false},
        {"RLE4 top-down", 4, -1, BI_RLE4, {1, 0x10, 0, 1}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint32_t> palette;
        if (c.bits <= 8) palette = {0x000000, 0xFFFFFF};
        Bytes file = crafted::bitmapFile(
            1, c.height, c.bits, [](int, int) { return 0u; }, palette);
        size_t offset = crafted::get32(file, 10);
        file.resize(offset);
        file.insert(file.end(), c.pixels.begin(), c.pixels.end());
        crafted::put32(file, 2, uint32_t(file.size()));
        crafted::put32(file, 30, c.compression);
        crafted::put32(file, 34, uint32_t(c.pixels.size()));
        EXPECT_EQ(load(file), c.loaded ? std::make_pair(1, 1) : std::make_pair(0, 0));
        freeImage(0);
    }
}

TEST_F(PictureLimits, ABlankImageTakesASideOf32767) {
    const struct {
        int width, height;
        bool made;
    } cases[] = {
        {32767, 1, true}, {32768, 1, false}, {1, 32767, true}, {1, 32768, false}, {0, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        EXPECT_EQ(createImage(0, c.width, c.height) != 0, c.made);
        const ImageObject* image = findImage(0);
        if (c.made && image) {
            EXPECT_EQ(image->width, c.width);
            EXPECT_EQ(image->height, c.height);
        } else {
            EXPECT_EQ(image, nullptr);
        }
        freeImage(0);
    }
}

// An icon image with the 12-byte header of the old form, its bit count
// given, its bytes laid out for one bit per pixel: two colours, then the
// colour rows and the mask of 8 x 8 pixels.
Bytes oldFormIcon(uint16_t bitCount) {
    const int side = 8;
    Bytes image(12 + 2 * 3 + 4 * side + 4 * side, 0);
    crafted::put32(image, 0, 12);
    crafted::put16(image, 4, side);
    crafted::put16(image, 6, 2 * side);
    crafted::put16(image, 8, 1);
    crafted::put16(image, 10, bitCount);
    image[15] = image[16] = image[17] = 0xFF;
    for (int row = 0; row < side; ++row) image[18 + 4 * row] = 0xA5;
    return crafted::iconFileOf(image, side, 1);
}

// The old form is read in its own layout: at one bit per pixel it loads at
// its own size; a bit count the platform cannot draw, or one whose pixels
// do not fit the image's bytes, is refused rather than handed to a second
// attempt at the default size.
TEST_F(PictureLimits, TheOldFormIconLoadsAtItsOwnSizeOrNotAtAll) {
    for (uint16_t bits : {0, 1, 4, 8, 15, 16, 17, 24, 32, 0x1000}) {
        SCOPED_TRACE(bits);
        std::pair<int, int> size = load(oldFormIcon(bits));
        EXPECT_EQ(size, bits == 1 ? std::make_pair(8, 8) : std::make_pair(0, 0));
        freeImage(0);
    }
}

}  // namespace
