// Windows itself draws celkit's .ttf (under Wine in the tests): the font,
// installed for this process with AddFontResourceExA and chosen by its
// family name at 16 pixels per em without smoothing, is a fixed-pitch
// TrueType face with the cell's metrics (16 or 8 wide, the baseline found
// or given), and TextOutW draws each glyph on a DIB exactly as the .fnt
// holds it.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "celkit/font/bdf.h"
#include "celkit/font/font_formats.h"
#include "support/test_support.h"

namespace celkit {
namespace {

TEST(GdiText, AnInstalledTtfDrawsTheFontsPixels) {
    Font wide;
    std::string error;
    const auto fnt = testsupport::readFileBytes(testsupport::hostPath(
        std::string(CELPACK_TEST_DATA) + "/../../examples/dejavu-mono.expected.fnt"));
    ASSERT_TRUE(parseFnt(fnt, wide, error)) << error;
    const CodepointMap map = *builtinMap("cp437");
    const std::string folder =
        testsupport::hostPath(std::string(CELPACK_BINARY_DIR) + "/ttf_gdi_win32_test");
    CreateDirectoryA(folder.c_str(), nullptr);
    // The sample's capitals end on row 11: its baseline is 12 rows down unless given.
    const struct {
        int width;
        std::optional<int> baseline;
        int ascent;
    } rows[] = {{16, std::nullopt, 12}, {8, 13, 13}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        Font font = wide;
        for (int g = 0; g < glyphCount; ++g)
            for (int y = 0; y < glyphSide; ++y)
                for (int x = row.width; x < glyphSide; ++x) font.setPixel(g, x, y, false);
        const std::string family = "Celkit GDI Test " + std::to_string(row.width);
        const std::string path = folder + "/celkit" + std::to_string(row.width) + ".ttf";
        const auto ttf = exportFont(font, *formatNamed("ttf"),
                                    ExportOptions{map, family, row.width, row.baseline});
        ASSERT_TRUE(testsupport::writeFileBytes(path, {ttf.begin(), ttf.end()}));
        ASSERT_EQ(AddFontResourceExA(path.c_str(), FR_PRIVATE, nullptr), 1);

        const std::wstring name = testsupport::wide(family);
        const HFONT face = CreateFontW(
            -16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_ONLY_PRECIS,
            CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, FIXED_PITCH | FF_MODERN, name.c_str());
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 16 * 256, -16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_TRUE(face && dc && dib && bits);
        const HGDIOBJ oldBitmap = SelectObject(dc, dib), oldFont = SelectObject(dc, face);
        WCHAR chosen[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, chosen);
        EXPECT_EQ(std::wstring(chosen), name);
        TEXTMETRICW metrics{};
        ASSERT_TRUE(GetTextMetricsW(dc, &metrics));
        EXPECT_TRUE(metrics.tmPitchAndFamily & TMPF_TRUETYPE);
        EXPECT_FALSE(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set means variable pitch
        EXPECT_EQ(metrics.tmAscent, row.ascent);
        EXPECT_EQ(metrics.tmDescent, glyphSide - row.ascent);
        EXPECT_EQ(metrics.tmAveCharWidth, row.width);
        SIZE extent{};
        EXPECT_TRUE(GetTextExtentPoint32W(dc, L"MiW", 3, &extent));
        EXPECT_EQ(extent.cx, 3 * row.width);
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
                    if (((pixels[y * 16 * 256 + 16 * g + x] & 0xFFFFFF) != 0) !=
                            font.pixel(g, x, y) &&
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
}

}  // namespace
}  // namespace celkit
