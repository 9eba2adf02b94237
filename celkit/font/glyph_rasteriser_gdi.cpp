// Windows draws the glyphs itself: the font is added for this process alone
// under a family name of its own and chosen by it; GetGlyphOutlineW draws each glyph
// by its number, in one bit or in 65 grey levels. GDI has no choice of
// hinting: it always fits outlines as Windows does.
#include <windows.h>

#include <algorithm>
#include <string>

#include "celkit/font/glyph_rasteriser.h"

namespace celkit {
namespace {

std::uint32_t be32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return at + 4 > d.size() ? 0
                             : std::uint32_t{d[at]} << 24 | std::uint32_t{d[at + 1]} << 16 |
                                   std::uint32_t{d[at + 2]} << 8 | d[at + 3];
}

void put16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, value >> 16);
    put16(out, value & 0xFFFF);
}

// The 'name' table of a family of its own: family, style and full name.
std::vector<std::uint8_t> nameTable(const std::u16string& family) {
    std::vector<std::uint8_t> name;
    put16(name, 0), put16(name, 3), put16(name, 6 + 12 * 3);
    for (unsigned id : {1u, 2u, 4u}) {
        put16(name, 3), put16(name, 1), put16(name, 0x409), put16(name, id);
        put16(name, static_cast<unsigned>(2 * (id == 2 ? 7 : family.size())));
        put16(name, id == 2 ? static_cast<unsigned>(2 * family.size()) : 0);
    }
    for (char16_t c : family) put16(name, c);
    for (char c : std::string("Regular")) put16(name, static_cast<unsigned char>(c));
    return name;
}

// Font `index` of the file as a font of its own whose 'name' table gives it
// a family of its own, so that Windows chooses it and not an installed font
// of the same name (an older Liberation Mono, say), with the 'OS/2' and
// 'post' tables Windows wants if it lacks them. Its tables are the ones
// SfntFont found within the file.
std::vector<std::uint8_t> standalone(const std::vector<std::uint8_t>& data, int index,
                                     const std::u16string& family) {
    std::size_t directory = 0;
    if (be32(data, 0) == 0x74746366)  // 'ttcf'
        directory = be32(data, 12 + 4 * static_cast<std::size_t>(index));
    const std::size_t count = std::size_t{data[directory + 4]} << 8 | data[directory + 5];
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> tables;
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = directory + 12 + 16 * i;
        const std::uint32_t tag = be32(data, entry), at = be32(data, entry + 8),
                            length = be32(data, entry + 12);
        if (tag == 0x6E616D65) continue;  // 'name'
        tables.emplace_back(
            tag, std::vector<std::uint8_t>(data.begin() + at, data.begin() + at + length));
    }
    auto has = [&](std::uint32_t tag) {
        return std::any_of(tables.begin(), tables.end(),
                           [tag](const auto& t) { return t.first == tag; });
    };
    tables.emplace_back(0x6E616D65, nameTable(family));
    if (!has(0x4F532F32)) {  // 'OS/2', version 0 of weight 400
        std::vector<std::uint8_t> os2(78, 0);
        os2[5] = 400 & 0xFF, os2[4] = 400 >> 8;
        tables.emplace_back(0x4F532F32, os2);
    }
    if (!has(0x706F7374)) {  // 'post', version 3: no glyph names
        std::vector<std::uint8_t> post(32, 0);
        post[1] = 3;
        tables.emplace_back(0x706F7374, post);
    }
    std::sort(tables.begin(), tables.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::uint8_t> out;
    put32(out, be32(data, directory));
    put16(out, static_cast<unsigned>(tables.size())), put16(out, 0), put16(out, 0), put16(out, 0);
    std::uint32_t at = 12 + 16 * static_cast<std::uint32_t>(tables.size());
    for (const auto& [tag, bytes] : tables) {
        put32(out, tag), put32(out, 0), put32(out, at);
        put32(out, static_cast<std::uint32_t>(bytes.size()));
        at += static_cast<std::uint32_t>((bytes.size() + 3) / 4 * 4);
    }
    for (const auto& table : tables) {
        out.insert(out.end(), table.second.begin(), table.second.end());
        out.resize((out.size() + 3) / 4 * 4, 0);
    }
    return out;
}

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

    bool open(const std::vector<std::uint8_t>& data, const SfntFont& font, int index, int pixels,
              bool grey, std::string& error) {
        grey_ = grey;
        static unsigned opened = 0;
        const std::string own =
            "celkit " + std::to_string(GetCurrentProcessId()) + " " + std::to_string(++opened);
        const std::u16string family(own.begin(), own.end());
        std::vector<std::uint8_t> copy = standalone(data, index, family);
        DWORD count = 0;
        added_ =
            AddFontMemResourceEx(copy.data(), static_cast<DWORD>(copy.size()), nullptr, &count);
        if (added_ == nullptr || count == 0) {
            error = "Windows cannot open the font";
            return false;
        }
        LOGFONTW want{};
        want.lfHeight = -pixels;  // negative: the em, not the cell
        want.lfWeight = font.weight();
        want.lfItalic = font.italic() ? TRUE : FALSE;
        want.lfCharSet = DEFAULT_CHARSET;
        want.lfOutPrecision = OUT_TT_ONLY_PRECIS;
        want.lfQuality = NONANTIALIASED_QUALITY;
        std::copy(family.begin(), family.end(), want.lfFaceName);
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
            error = "Windows chose another font than the file's";
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
        // No glyph of a sane font at 256 pixels per em comes near this.
        if (size > (1u << 22)) {
            why = "Windows draws it larger than 4 MiB";
            return false;
        }
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
                                                const SfntFont& font, int index, int pixels,
                                                Hinting, bool grey, std::string& error) {
    auto rasteriser = std::make_unique<GdiRasteriser>();
    if (!rasteriser->open(data, font, index, pixels, grey, error)) return nullptr;
    return rasteriser;
}

}  // namespace celkit
