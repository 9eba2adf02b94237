// Drawing through a memory DC: FillRect, GetPixel, BitBlt, StretchBlt and
// text in the stock system font.
#include <gtest/gtest.h>

#include "tests/platform/dib_test_bytes.h"

namespace {

// A top-down 32-bit section selected into its own DC.
struct Canvas {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    unsigned char* bits;
    int width, height;

    Canvas(int w, int h, int depth = 32) : width(w), height(h) {
        dc = CreateCompatibleDC(NULL);
        bitmap = dibtest::makeSection(w, -h, depth, &bits);
        previous = SelectObject(dc, bitmap);
    }
    ~Canvas() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    // One character a pixel: '#' where the pixel equals `ink`, '.' else.
    std::string map(COLORREF ink) const {
        std::string text;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) text += GetPixel(dc, x, y) == ink ? '#' : '.';
            text += '\n';
        }
        return text;
    }
};

TEST(FillRect, FillsTheClippedRectangle) {
    const struct {
        RECT rect;
        const char* filled;
    } cases[] = {
        {{1, 1, 3, 2}, "....\n.##.\n....\n"},
        {{-5, -5, 2, 1}, "##..\n....\n....\n"},
        {{2, 1, 9, 9}, "....\n..##\n..##\n"},
        {{3, 3, 1, 1}, "....\n....\n..##\n"},  // edges the wrong way round
        {{2, 2, 2, 3}, "....\n....\n....\n"},
    };
    for (const auto& c : cases) {
        Canvas canvas(4, 3);
        HBRUSH brush = CreateSolidBrush(RGB(0x12, 0x34, 0x56));
        EXPECT_TRUE(FillRect(canvas.dc, &c.rect, brush));
        EXPECT_EQ(canvas.map(RGB(0x12, 0x34, 0x56)), c.filled);
        DeleteObject(brush);
    }
}

TEST(FillRect, WritesColourBytesWithAlphaZero) {
    Canvas canvas(2, 1);
    memset(canvas.bits, 0x77, 8);
    RECT all = {0, 0, 2, 1};
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(dibtest::hexOf(canvas.bits, 8), "ffffff00ffffff00");
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(NULL_BRUSH)));
    EXPECT_EQ(dibtest::hexOf(canvas.bits, 8), "ffffff00ffffff00");
    FillRect(canvas.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(dibtest::hexOf(canvas.bits, 8), "0000000000000000");
}

TEST(GetPixel, ReadsColourAndRefusesOutside) {
    Canvas canvas(2, 2, 24);
    // Top-down 24-bit rows of 8 bytes: pixel (1, 0) then (0, 1).
    memcpy(canvas.bits + 3, dibtest::hex("030201").data(), 3);
    memcpy(canvas.bits + 8, dibtest::hex("ccbbaa").data(), 3);
    EXPECT_EQ(GetPixel(canvas.dc, 1, 0), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(canvas.dc, 0, 1), RGB(0xAA, 0xBB, 0xCC));
    const POINT outside[] = {{-1, 0}, {0, -1}, {2, 0}, {0, 2}};
    for (const POINT& p : outside)
        EXPECT_EQ(GetPixel(canvas.dc, p.x, p.y), CLR_INVALID) << p.x << "," << p.y;
    EXPECT_EQ(GetPixel(NULL, 0, 0), CLR_INVALID);
    HDC fresh = CreateCompatibleDC(NULL);
    EXPECT_EQ(GetPixel(fresh, 0, 0), RGB(0, 0, 0));  // the stock monochrome bitmap
    DeleteDC(fresh);
    Canvas alpha(1, 1, 32);
    memcpy(alpha.bits, dibtest::hex("a2a1a080").data(), 4);
    EXPECT_EQ(GetPixel(alpha.dc, 0, 0), RGB(0xA0, 0xA1, 0xA2));
}

TEST(BitBlt, CopiesTheOverlapOfSourceAndTarget) {
    // Source pixels hold their own coordinates: blue = x, green = y.
    Canvas source(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            unsigned char* p = source.bits + 4 * (4 * y + x);
            p[0] = static_cast<unsigned char>(x);
            p[1] = static_cast<unsigned char>(y);
            p[2] = 0x80;
            p[3] = 0x40;
        }
    const struct {
        int x, y, width, height, sourceX, sourceY;
        const char* copied;  // target pixels that came from the source
    } cases[] = {
        {0, 0, 2, 2, 1, 1, "##...\n##...\n.....\n"},
        {-1, 1, 3, 3, 0, 0, ".....\n##...\n##...\n"},
        {2, 0, 3, 3, 2, 2, "..##.\n..##.\n.....\n"},
        {4, 2, 5, 5, 0, 0, ".....\n.....\n....#\n"},
    };
    for (const auto& c : cases) {
        Canvas target(5, 3);
        memset(target.bits, 0x77, 5 * 3 * 4);
        EXPECT_TRUE(BitBlt(target.dc, c.x, c.y, c.width, c.height, source.dc, c.sourceX, c.sourceY,
                           SRCCOPY));
        std::string copied;
        for (int y = 0; y < 3; ++y) {
            for (int x = 0; x < 5; ++x) {
                const unsigned char* p = target.bits + 4 * (5 * y + x);
                bool fromSource = p[2] == 0x80;
                if (fromSource) {
                    EXPECT_EQ(p[0], x - c.x + c.sourceX);
                    EXPECT_EQ(p[1], y - c.y + c.sourceY);
                    EXPECT_EQ(p[3], 0x40);  // 32 to 32 keeps alpha
                }
                copied += fromSource ? '#' : '.';
            }
            copied += '\n';
        }
        EXPECT_EQ(copied, c.copied);
    }
}

TEST(StretchBlt, HalftoneShrinksAUniformPicture) {
    Canvas source(6, 4, 24);
    RECT all = {0, 0, 6, 4};
    HBRUSH brush = CreateSolidBrush(RGB(10, 200, 30));
    FillRect(source.dc, &all, brush);
    Canvas target(4, 4, 24);
    EXPECT_EQ(SetStretchBltMode(target.dc, HALFTONE), 1);
    EXPECT_TRUE(SetBrushOrgEx(target.dc, 0, 0, NULL));
    EXPECT_TRUE(StretchBlt(target.dc, 0, 0, 3, 2, source.dc, 0, 0, 6, 4, SRCCOPY));
    EXPECT_EQ(target.map(RGB(10, 200, 30)), "###.\n###.\n....\n....\n");
    DeleteObject(brush);
}

TEST(SystemFont, MeasuresAndDrawsText) {
    HDC dc = CreateCompatibleDC(NULL);
    HGDIOBJ font = GetStockObject(SYSTEM_FONT);
    ASSERT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    SelectObject(dc, font);
    TEXTMETRICW metrics;
    ASSERT_TRUE(GetTextMetricsW(dc, &metrics));
    EXPECT_EQ(metrics.tmItalic, 0);
    EXPECT_GT(metrics.tmHeight, 0);
    EXPECT_EQ(metrics.tmAscent + metrics.tmDescent, metrics.tmHeight);
    SIZE hg, h;
    ASSERT_TRUE(GetTextExtentPoint32W(dc, UTF16("Hg"), 2, &hg));
    ASSERT_TRUE(GetTextExtentPoint32W(dc, UTF16("H"), 1, &h));
    EXPECT_EQ(hg.cy, metrics.tmHeight);
    EXPECT_GT(h.cx, 0);
    EXPECT_GT(hg.cx, h.cx);
    EXPECT_FALSE(GetTextExtentPoint32W(dc, UTF16("H"), -1, &h));
    DeleteDC(dc);

    // Opaque text covers its box with the background colour and ink; the
    // pixels around the box stay.
    const COLORREF before = RGB(0x77, 0x77, 0x77), background = RGB(1, 2, 3),
                   ink = RGB(255, 255, 255);
    for (int mode : {OPAQUE, TRANSPARENT}) {
        Canvas canvas(hg.cx + 6, hg.cy + 6, 24);
        RECT all = {0, 0, canvas.width, canvas.height};
        HBRUSH grey = CreateSolidBrush(before);
        FillRect(canvas.dc, &all, grey);
        DeleteObject(grey);
        SetBkMode(canvas.dc, mode);
        SetBkColor(canvas.dc, background);
        SetTextColor(canvas.dc, ink);
        EXPECT_TRUE(TextOutW(canvas.dc, 3, 2, UTF16("Hg"), 2));
        int inked = 0, unchanged = 0, backgroundPixels = 0;
        for (int y = 0; y < canvas.height; ++y)
            for (int x = 0; x < canvas.width; ++x) {
                COLORREF pixel = GetPixel(canvas.dc, x, y);
                bool inBox = x >= 3 && x < 3 + hg.cx && y >= 2 && y < 2 + hg.cy;
                if (!inBox) {
                    EXPECT_EQ(pixel, before) << x << "," << y;
                    continue;
                }
                inked += pixel == ink;
                unchanged += pixel == before;
                backgroundPixels += pixel == background;
            }
        EXPECT_GT(inked, 0) << mode;
        if (mode == OPAQUE) {
            EXPECT_EQ(unchanged, 0);
            EXPECT_GT(backgroundPixels, 0);
        } else {
            EXPECT_GT(unchanged, 0);
            EXPECT_EQ(backgroundPixels, 0);
        }
    }
}

}  // namespace
