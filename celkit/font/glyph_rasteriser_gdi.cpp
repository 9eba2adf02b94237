// Windows draws the glyphs itself: the font is added for this process alone
// and chosen by its family name and style; GetGlyphOutlineW draws each glyph
// by its number, in one bit or in 65 grey levels. GDI has no choice of
// hinting: it always fits outlines as Windows does.
#include <windows.h>

#include <algorithm>

#include "celkit/font/glyph_rasteriser.h"

namespace celkit {
namespace {

class GdiRasteriser : public GlyphRasteriser {
public:
    ~GdiRasteriser() override {
        if (dc_ != nullptr) {
            if (old_ != nullptr) SelectObject(dc_, old_);
            DeleteDC(dc_);
        }
        if (font_ != nullptr) DeleteObject(font_);
        if (added_ != nullptr) RemoveFontMemResourceEx(added_);
    }

    bool open(const std::vector<std::uint8_t>& data, const SfntFont& font, int pixels, bool grey,
              std::string& error) {
        grey_ = grey;
        DWORD count = 0;
        added_ = AddFontMemResourceEx(const_cast<std::uint8_t*>(data.data()),
                                      static_cast<DWORD>(data.size()), nullptr, &count);
        if (added_ == nullptr || count == 0) {
            error = "Windows cannot open the font";
            return false;
        }
        if (font.family().empty() || font.family().size() >= LF_FACESIZE) {
            error = "the font has no family name Windows can choose it by";
            return false;
        }
        LOGFONTW want{};
        want.lfHeight = -pixels;  // negative: the em, not the cell
        want.lfWeight = font.weight();
        want.lfItalic = font.italic() ? TRUE : FALSE;
        want.lfCharSet = DEFAULT_CHARSET;
        want.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        want.lfQuality = NONANTIALIASED_QUALITY;
        std::copy(font.family().begin(), font.family().end(), want.lfFaceName);
        font_ = CreateFontIndirectW(&want);
        dc_ = CreateCompatibleDC(nullptr);
        if (font_ == nullptr || dc_ == nullptr) {
            error = "Windows cannot make the font";
            return false;
        }
        old_ = SelectObject(dc_, font_);
        // Another font of the same name would draw other glyphs by these numbers.
        const std::vector<std::uint8_t> head = font.head();
        std::vector<std::uint8_t> chosen(head.size());
        const DWORD tag = 'h' | 'e' << 8 | 'a' << 16 | static_cast<DWORD>('d') << 24;
        if (GetFontData(dc_, tag, 0, chosen.data(), static_cast<DWORD>(chosen.size())) !=
                static_cast<DWORD>(chosen.size()) ||
            chosen != head) {
            error = "Windows chose another font for the file's family name";
            return false;
        }
        return true;
    }

    bool draw(long glyph, GlyphImage& out, std::string& why) override {
        out = GlyphImage{};
        const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        const UINT format = (grey_ ? GGO_GRAY8_BITMAP : GGO_BITMAP) | GGO_GLYPH_INDEX;
        GLYPHMETRICS metrics{};
        const DWORD size = GetGlyphOutlineW(dc_, static_cast<UINT>(glyph), format, &metrics, 0,
                                            nullptr, &identity);
        if (size == GDI_ERROR) {
            why = "Windows cannot draw it";
            return false;
        }
        if (size == 0) return true;  // no ink
        std::vector<std::uint8_t> bits(size);
        if (GetGlyphOutlineW(dc_, static_cast<UINT>(glyph), format, &metrics, size, bits.data(),
                             &identity) == GDI_ERROR) {
            why = "Windows cannot draw it";
            return false;
        }
        const int width = static_cast<int>(metrics.gmBlackBoxX),
                  height = static_cast<int>(metrics.gmBlackBoxY);
        // Rows are padded to four bytes.
        const std::size_t stride = grey_ ? (static_cast<std::size_t>(width) + 3) / 4 * 4
                                         : (static_cast<std::size_t>(width) + 31) / 32 * 4;
        if (stride * static_cast<std::size_t>(height) > bits.size()) {
            why = "Windows drew a bitmap smaller than its size";
            return false;
        }
        out.left = metrics.gmptGlyphOrigin.x;
        out.top = metrics.gmptGlyphOrigin.y;
        out.width = width;
        out.height = height;
        out.coverage.assign(static_cast<std::size_t>(width) * height, 0);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = bits.data() + stride * static_cast<std::size_t>(y);
            for (int x = 0; x < width; ++x)
                out.coverage[static_cast<std::size_t>(y) * width + x] =
                    grey_ ? static_cast<std::uint8_t>(std::min(64, int{row[x]}) * 255 / 64)
                          : ((row[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0);
        }
        return true;
    }

private:
    HANDLE added_ = nullptr;
    HFONT font_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ old_ = nullptr;
    bool grey_ = false;
};

}  // namespace

std::unique_ptr<GlyphRasteriser> openRasteriser(const std::vector<std::uint8_t>& data,
                                                const SfntFont& font, int, int pixels, Hinting,
                                                bool grey, std::string& error) {
    auto rasteriser = std::make_unique<GdiRasteriser>();
    if (!rasteriser->open(data, font, pixels, grey, error)) return nullptr;
    return rasteriser;
}

}  // namespace celkit
