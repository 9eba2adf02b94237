// DrawIconEx into 24- and 32-bit DIB sections, on both builds.
#include <gtest/gtest.h>

#include "tests/platform/icon_test_support.h"

using namespace icontest;

namespace {

const uint32_t fill = 0x80336699;

// A target filled with `fill`, the icon drawn into it; pixels as 0xAARRGGBB,
// top row first (alpha 0 at 24 bits).
struct Target {
    int width, height, bits;
    HBITMAP bitmap;
    uint8_t* memory;
    HDC dc;

    Target(int w, int h, int b) : width(w), height(h), bits(b) {
        BITMAPINFO info;
        memset(&info, 0, sizeof info);
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, WORD(b), BI_RGB, 0, 0, 0, 0, 0};
        void* pixels = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        memory = static_cast<uint8_t*>(pixels);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) memcpy(at(x, y), &fill, size_t(b / 8));
        dc = CreateCompatibleDC(nullptr);
        SelectObject(dc, bitmap);
    }
    ~Target() {
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    uint8_t* at(int x, int y) {
        return memory + (height - 1 - y) * rowBytes(width, bits) + x * bits / 8;
    }
    uint32_t pixel(int x, int y) {
        uint32_t value = 0;
        memcpy(&value, at(x, y), size_t(bits / 8));
        return value;
    }
};

}  // namespace

TEST(IconDrawing, MaskImageAndBoth) {
    HICON masked = makeIcon(bitmapIcon(4, 3, 24, gradient(0), sampleMask));
    HICON mono = makeIcon(
        bitmapIcon(4, 3, 1, {0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}, sampleMask, {0, 0xFFFFFF}));
    HICON alpha = makeIcon(bitmapIcon(4, 3, 32, gradient(10), sampleMask));
    const struct {
        const char* name;
        HICON icon;
        UINT flags;
        Pixels expected;  // pixels (0, 0), (1, 0) and (3, 2); (0, 0) and (3, 2) are masked
    } cases[] = {
        {"masked image", masked, DI_IMAGE, {0xC80000, 0xC80028, 0xC87878}},
        {"masked mask", masked, DI_MASK, {0xFFFFFF, 0, 0xFFFFFF}},
        // AND with the mask, then XOR with the colours.
        {"masked normal", masked, DI_NORMAL, {0xFB6699, 0xC80028, 0xFB1EE1}},
        {"monochrome image", mono, DI_IMAGE, {0, 0xFFFFFF, 0xFFFFFF}},
        {"monochrome mask", mono, DI_MASK, {0xFFFFFF, 0, 0xFFFFFF}},
        {"monochrome normal", mono, DI_NORMAL, {0x336699, 0xFFFFFF, 0xCC9966}},
        // Alpha 0, 10 and 130: blended, each term rounded; the mask is not used.
        {"alpha image", alpha, DI_IMAGE, {0x80336699, 0x85396295, 0xC17F6F88}},
        {"alpha mask", alpha, DI_MASK, {0xFFFFFF, 0, 0xFFFFFF}},
        {"alpha normal", alpha, DI_NORMAL, {0x80336699, 0x85396295, 0xC17F6F88}},
    };
    for (const auto& c : cases) {
        for (int bits : {32, 24}) {
            SCOPED_TRACE(std::string(c.name) + (bits == 24 ? " at 24 bits" : " at 32 bits"));
            Target target(4, 3, bits);
            ASSERT_TRUE(DrawIconEx(target.dc, 0, 0, c.icon, 4, 3, 0, nullptr, c.flags));
            Pixels drawn = {target.pixel(0, 0), target.pixel(1, 0), target.pixel(3, 2)};
            Pixels expected = c.expected;
            if (bits == 24)
                for (uint32_t& value : expected) value &= 0xFFFFFF;
            EXPECT_EQ(drawn, expected);
        }
    }
    for (HICON icon : {masked, mono, alpha}) DestroyIcon(icon);
}

TEST(IconDrawing, PlacesClipsAndStretches) {
    HICON icon = makeIcon(bitmapIcon(4, 3, 24, gradient(0), sampleMask));
    const struct {
        int x, y, width, height;
        UINT flags;
        int px, py;
        uint32_t expected;
    } cases[] = {
        {-1, -1, 0, 0, DI_NORMAL, 0, 0, 0xC83C28},  // icon (1, 1)
        {-1, -1, 0, 0, DI_NORMAL, 2, 1, 0xFB1EE1},  // icon (3, 2), masked
        {-1, -1, 0, 0, DI_NORMAL, 3, 0, fill},
        {2, 3, 0, 0, DI_NORMAL, 2, 3, 0xFB6699},
        {2, 3, 0, 0, DI_NORMAL, 5, 4, 0xC83C78},  // icon (3, 1)
        {2, 3, 0, 0, DI_NORMAL, 1, 3, fill},
        {0, 0, 8, 6, DI_NORMAL, 1, 1, 0xFB6699},  // icon (0, 0), masked
        {0, 0, 2, 2, DI_IMAGE, 1, 1, 0xC87878},   // icon (3, 2)
        {0, 0, 2, 2, DI_IMAGE, 2, 0, fill},
        {0, 0, 0, 0, 0, 0, 0, fill},  // nothing asked for
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y << " " << c.width << "x" << c.height
                                        << " pixel " << c.px << "," << c.py);
        Target target(6, 5, 32);
        EXPECT_TRUE(DrawIconEx(target.dc, c.x, c.y, icon, c.width, c.height, 0, nullptr, c.flags));
        EXPECT_EQ(target.pixel(c.px, c.py), c.expected);
    }
    Target target(6, 5, 32);
    EXPECT_FALSE(DrawIconEx(target.dc, 0, 0, nullptr, 0, 0, 0, nullptr, DI_NORMAL));
    DestroyIcon(icon);
    EXPECT_FALSE(DrawIconEx(target.dc, 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
    EXPECT_EQ(target.pixel(0, 0), fill);
}

// Which icon pixel each target pixel shows when drawn at another size
// (blended: the numbered pixels are opaque).
TEST(IconDrawing, OtherSizesShowOneIconPixelEach) {
    const struct {
        int from, to;
        const char* columns;
        const char* rows;
    } cases[] = {
        {2, 5, "0 0 0 1 1", "0 0 0 1 1"},
        {4, 7, "0 0 1 1 2 3 3", "0 0 1 1 2 3 3"},
        {3, 1, "2", "0"},
        {4, 2, "1 3", "0 2"},
        {4, 3, "0 2 3", "0 1 3"},
        {7, 5, "0 2 3 5 6", "0 1 3 4 6"},
        {24, 7, "2 6 9 13 16 20 23", "0 3 7 10 14 17 21"},
    };
    for (const auto& c : cases) {
        for (bool column : {false, true}) {
            SCOPED_TRACE(std::to_string(c.from) + " to " + std::to_string(c.to) +
                         (column ? " rows" : " columns"));
            HICON icon = makeIcon(numberedPixels(c.from, column));
            Target target(column ? 1 : c.to, column ? c.to : 1, 32);
            DrawIconEx(target.dc, 0, 0, icon, target.width, target.height, 0, nullptr, DI_IMAGE);
            std::string shown;
            for (int i = 0; i < c.to; ++i)
                shown += (shown.empty() ? "" : " ") +
                         sourcesOf(column ? target.pixel(0, i) : target.pixel(i, 0));
            EXPECT_EQ(shown, column ? c.rows : c.columns);
            DestroyIcon(icon);
        }
    }
    // Unblended, one column of three shows the middle one.
    Pixels pixels = {0xFFFFFE, 0xFFFFFD, 0xFFFFFB};
    HICON icon = makeIcon(bitmapIcon(3, 1, 24, pixels, "000"));
    Target target(1, 1, 32);
    DrawIconEx(target.dc, 0, 0, icon, 1, 1, 0, nullptr, DI_IMAGE);
    EXPECT_EQ(sourcesOf(target.pixel(0, 0)), "1");
    DestroyIcon(icon);
}
