// Windows' own text drawing with an exported .fon (under Wine in the
// tests): GDI lists the face as a fixed-pitch raster font of the map's
// charset with the cell's width and ascent, and TextOutW draws each
// character of the map as the .fnt's glyph, pixel for pixel, that
// charset's code page taking it to its code.
#include <gtest/gtest.h>

#include <string>

#include "celkit/font/fon.h"
#include "celkit/font/font_formats.h"
#include "support/test_support.h"

namespace celkit {
namespace {

struct Listed {
    std::wstring face;
    DWORD type = 0;
    int charset = -1;
};

int CALLBACK onFont(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD type, LPARAM data) {
    auto* listed = reinterpret_cast<Listed*>(data);
    if (listed->face != font->lfFaceName || (metrics->tmPitchAndFamily & TMPF_FIXED_PITCH))
        return 1;
    listed->type = type;
    listed->charset = font->lfCharSet;
    return 0;
}

TEST(FonGdi, TextOutDrawsEachCharacterOfTheMapAsTheFontsGlyph) {
    Font wide;
    std::uint32_t seed = 7;
    for (auto& b : wide.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    Font narrow = wide;  // ink in the left 8 columns only
    for (int i = 1; i < fontBytes; i += 2) narrow.bytes[i] = 0;
    const std::string dir = std::string(CELPACK_BINARY_DIR) + "/fon_gdi_win32_test";
    CreateDirectoryA(testsupport::hostPath(dir).c_str(), nullptr);
    // The OEM row is drawn by code (TextOutA): Windows takes OEM text
    // through the system's OEM code page, Wine through the ANSI one, but a
    // code is the font's glyph on both.
    const struct {
        const char* map;
        int charset;
        bool byCode;
        int width, baseline;
    } rows[] = {{"windows-1252", ANSI_CHARSET, false, 16, 14},
                {"windows-1251", RUSSIAN_CHARSET, false, 8, 12},
                {"windows-1250", EASTEUROPE_CHARSET, false, 16, 16},
                {"cp437", OEM_CHARSET, true, 8, 14}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.map);
        const Font& font = row.width == 8 ? narrow : wide;
        const CodepointMap map = *builtinMap(row.map);
        const std::string face = std::string("Celkit ") + row.map;
        const std::string path = testsupport::hostPath(dir + "/" + row.map + ".fon");
        const std::wstring file = testsupport::wide(path);
        ASSERT_TRUE(testsupport::writeFileBytes(
            path, exportFont(font, *formatNamed("fon"),
                             ExportOptions{map, face, row.width, row.baseline})));
        ASSERT_EQ(AddFontResourceExW(file.c_str(), FR_PRIVATE, nullptr), 1);

        HDC dc = CreateCompatibleDC(nullptr);
        LOGFONTW query = {};
        query.lfCharSet = DEFAULT_CHARSET;
        Listed listed{testsupport::wide(face)};
        listed.face.copy(query.lfFaceName, LF_FACESIZE - 1);
        EnumFontFamiliesExW(dc, &query, onFont, reinterpret_cast<LPARAM>(&listed), 0);
        EXPECT_EQ(listed.type & (RASTER_FONTTYPE | TRUETYPE_FONTTYPE), RASTER_FONTTYPE);
        EXPECT_EQ(listed.charset, row.charset);

        HFONT hfont =
            CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<BYTE>(row.charset),
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                        FIXED_PITCH | FF_MODERN, listed.face.c_str());
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap), oldFont = SelectObject(dc, hfont);
        WCHAR selected[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, selected);
        EXPECT_EQ(listed.face, selected);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        EXPECT_EQ(metrics.tmHeight, glyphSide);
        EXPECT_EQ(metrics.tmAscent, row.baseline);
        EXPECT_EQ(metrics.tmAveCharWidth, row.width);
        EXPECT_EQ(metrics.tmMaxCharWidth, row.width);
        SIZE extent{};
        EXPECT_TRUE(GetTextExtentPoint32A(dc, "MiW", 3, &extent));
        EXPECT_EQ(extent.cx, 3 * row.width);

        // Each glyph's code or first character in its own cell, black on white.
        SetBkColor(dc, RGB(255, 255, 255));
        RECT all = {0, 0, 256, 256};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        auto drawn = [&](int g) {
            return row.byCode || (!map.codepoints[g].empty() && map.codepoints[g][0] <= 0xFFFF);
        };
        int count = 0;
        for (int g = 0; g < glyphCount; ++g) {
            if (!drawn(g)) continue;
            ++count;
            const char code = static_cast<char>(g);
            const WCHAR c = row.byCode ? 0 : static_cast<WCHAR>(map.codepoints[g][0]);
            ASSERT_TRUE(row.byCode ? TextOutA(dc, g % 16 * 16, g / 16 * 16, &code, 1)
                                   : TextOutW(dc, g % 16 * 16, g / 16 * 16, &c, 1));
        }
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        EXPECT_GT(count, 200);
        int wrong = 0;
        for (int g = 0; g < glyphCount; ++g)
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool ink =
                        (pixels[(g / 16 * 16 + y) * 256 + g % 16 * 16 + x] & 0xFFFFFF) == 0;
                    if (ink != (drawn(g) && x < row.width && font.pixel(g, x, y)) && wrong++ < 8)
                        ADD_FAILURE() << "glyph " << g << " pixel (" << x << ", " << y << ")";
                }
        EXPECT_EQ(wrong, 0);

        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteObject(hfont);
        DeleteObject(bitmap);
        DeleteDC(dc);
        EXPECT_TRUE(RemoveFontResourceExW(file.c_str(), FR_PRIVATE, nullptr));
    }
}

}  // namespace
}  // namespace celkit
