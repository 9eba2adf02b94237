// Windows itself draws celkit's .ttf (under Wine in the tests): the font,
// installed for this process with AddFontResourceExA and chosen by its
// family name at 16 pixels per em without smoothing, is a fixed-pitch
// TrueType face with the cell's metrics, and TextOutW draws each glyph on a
// DIB exactly as the .fnt holds it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "celkit/font/bdf.h"
#include "celkit/font/ttf.h"
#include "support/test_support.h"

namespace celkit {
namespace {

TEST(GdiText, AnInstalledTtfDrawsTheFontsPixels) {
    Font font;
    std::string error;
    const auto fnt = testsupport::readFileBytes(testsupport::hostPath(
        std::string(CELPACK_TEST_DATA) + "/../../examples/dejavu-mono.expected.fnt"));
    ASSERT_TRUE(parseFnt(fnt, font, error)) << error;
    const CodepointMap map = *builtinMap("cp437");
    const std::string folder =
        testsupport::hostPath(std::string(CELPACK_BINARY_DIR) + "/ttf_gdi_win32_test");
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string path = folder + "/celkit.ttf";
    const auto ttf = writeTtf(font, map, "Celkit GDI Test");
    ASSERT_TRUE(testsupport::writeFileBytes(path, {ttf.begin(), ttf.end()}));
    ASSERT_EQ(AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr), 1);

    const HFONT face = CreateFontW(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                   OUT_TT_ONLY_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                   FIXED_PITCH | FF_MODERN, L"Celkit GDI Test");
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16 * 256, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_TRUE(face && dc && dib && bits);
    const HGDIOBJ oldBitmap = SelectObject(dc, dib), oldFont = SelectObject(dc, face);
    WCHAR chosen[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, chosen);
    EXPECT_EQ(std::wstring(chosen), L"Celkit GDI Test");
    TEXTMETRICW metrics{};
    ASSERT_TRUE(GetTextMetricsW(dc, &metrics));
    EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE);
    EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set means variable pitch
    EXPECT_EQ(metrics.tmAscent, bdfAscent);
    EXPECT_EQ(metrics.tmDescent, glyphSide - bdfAscent);
    EXPECT_EQ(metrics.tmAveCharWidth, glyphSide);
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, RGB(0, 0, 0));
    const std::vector<char32_t> codes = uniqueCodepoints(map);
    for (int g = 0; g < glyphCount; ++g) {
        const WCHAR text = static_cast<WCHAR>(codes[g]);  // cp437 stays in the first plane
        EXPECT_TRUE(TextOutW(dc, 16 * g, 0, &text, 1)) << g;
    }
    GdiFlush();
    int wrong = 0;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int g = 0; g < glyphCount; ++g)
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                if (((pixels[y * 16 * 256 + 16 * g + x] & 0xFFFFFF) != 0) != font.pixel(g, x, y) &&
                    wrong++ < 5)
                    ADD_FAILURE() << "glyph " << g << " pixel " << x << "," << y;
    EXPECT_EQ(wrong, 0);

    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(dib);
    DeleteObject(face);
    DeleteDC(dc);
    EXPECT_TRUE(RemoveFontResourceExA(path.c_str(), FR_PRIVATE, nullptr));
}

}  // namespace
}  // namespace celkit
