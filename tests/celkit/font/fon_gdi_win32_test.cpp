// Windows' own text drawing with an exported .fon (under Wine in the
// tests): GDI lists the face as a raster font of the map's charset, and
// TextOutW draws each character of the map as the .fnt's glyph, pixel for
// pixel, the code page of that charset taking it to the right code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "celkit/font/fon.h"
#include "celkit/font/font_formats.h"
#include "support/test_support.h"

namespace celkit {
namespace {

Font sample() {
    Font font;
    std::uint32_t seed = 7;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return font;
}

struct Listed {
    const std::wstring* face;
    int fontType = 0, charset = -1, fixedPitch = -1;
};

int CALLBACK onFont(const LOGFONTW* logFont, const TEXTMETRICW* metrics, DWORD type, LPARAM data) {
    auto* listed = reinterpret_cast<Listed*>(data);
    if (*listed->face != logFont->lfFaceName) return 1;
    listed->fontType = static_cast<int>(type);
    listed->charset = logFont->lfCharSet;
    listed->fixedPitch = (metrics->tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
    return 0;
}

struct Row {
    const char* map;
    const char* face;
    int charset;
    // Drawn by code (TextOutA) rather than by character: OEM text goes
    // through the system's OEM code page on Windows, and Wine takes the
    // ANSI one instead, but a code is the font's glyph on both.
    bool byCode;
};

TEST(FonGdi, TextOutDrawsEachCharacterOfTheMapAsTheFontsGlyph) {
    const Font font = sample();
    const std::string dir = std::string(CELPACK_BINARY_DIR) + "/fon_gdi_win32_test";
    CreateDirectoryA(testsupport::hostPath(dir).c_str(), nullptr);
    const Row rows[] = {
        {"windows-1252", "Celkit ANSI", ANSI_CHARSET, false},
        {"windows-1251", "Celkit Cyrillic", RUSSIAN_CHARSET, false},
        {"windows-1250", "Celkit Central European", EASTEUROPE_CHARSET, false},
        {"cp437", "Celkit OEM", OEM_CHARSET, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.map);
        const CodepointMap map = *builtinMap(row.map);
        const std::string path = testsupport::hostPath(dir + "/" + row.map + ".fon");
        ASSERT_TRUE(testsupport::writeFileBytes(
            path, exportFont(font, *formatNamed("fon"), ExportOptions{map, row.face})));
        const std::wstring file = testsupport::wide(path), face = testsupport::wide(row.face);
        ASSERT_EQ(AddFontResourceExW(file.c_str(), FR_PRIVATE, nullptr), 1);

        HDC dc = CreateCompatibleDC(nullptr);
        LOGFONTW query = {};
        query.lfCharSet = DEFAULT_CHARSET;
        face.copy(query.lfFaceName, LF_FACESIZE - 1);
        Listed listed{&face};
        EnumFontFamiliesExW(dc, &query, onFont, reinterpret_cast<LPARAM>(&listed), 0);
        EXPECT_EQ(listed.fontType & (RASTER_FONTTYPE | TRUETYPE_FONTTYPE), RASTER_FONTTYPE);
        EXPECT_EQ(listed.charset, row.charset);
        EXPECT_EQ(listed.fixedPitch, 1);

        HFONT hfont =
            CreateFontW(16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, static_cast<BYTE>(row.charset),
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                        FIXED_PITCH | FF_MODERN, face.c_str());
        BITMAPINFO info = {};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 256, -256, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bitmap, nullptr);
        HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
        HGDIOBJ oldFont = SelectObject(dc, hfont);
        WCHAR selected[LF_FACESIZE] = {};
        GetTextFaceW(dc, LF_FACESIZE, selected);
        EXPECT_EQ(face, selected);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(dc, &metrics);
        EXPECT_EQ(metrics.tmHeight, 16);
        EXPECT_EQ(metrics.tmAscent, 14);
        EXPECT_EQ(metrics.tmAveCharWidth, fonCellWidth);
        EXPECT_EQ(metrics.tmCharSet, row.charset);

        // Each glyph's code or first character in its own cell, black on white.
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        SetBkMode(dc, OPAQUE);
        RECT all = {0, 0, 256, 256};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        auto drawnHere = [&](int g) {
            return row.byCode || (!map.codepoints[g].empty() && map.codepoints[g][0] <= 0xFFFF);
        };
        int drawn = 0;
        for (int g = 0; g < glyphCount; ++g) {
            if (!drawnHere(g)) continue;
            const char code = static_cast<char>(g);
            const WCHAR c = row.byCode ? 0 : static_cast<WCHAR>(map.codepoints[g][0]);
            ASSERT_TRUE(row.byCode ? TextOutA(dc, g % 16 * 16, g / 16 * 16, &code, 1)
                                   : TextOutW(dc, g % 16 * 16, g / 16 * 16, &c, 1));
            ++drawn;
        }
        GdiFlush();
        EXPECT_GT(drawn, 200);
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        int wrong = 0;
        for (int g = 0; g < glyphCount; ++g) {
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    const bool ink =
                        (pixels[(g / 16 * 16 + y) * 256 + g % 16 * 16 + x] & 0xFFFFFF) == 0;
                    const bool expected = drawnHere(g) && x < fonCellWidth && font.pixel(g, x, y);
                    if (ink != expected && wrong++ < 8)
                        ADD_FAILURE() << "glyph " << g << " pixel (" << x << ", " << y << ")";
                }
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
