// FreeType draws the glyphs natively. Its memory comes through a meter, so
// that no font, however hostile, takes more than a bounded share.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_MODULE_H

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "celkit/font/glyph_rasteriser.h"

namespace celkit {
namespace {

constexpr std::size_t memoryLimit = 64u << 20;

struct Meter {
    std::size_t used = 0;
};

// Each block carries its size before it, for the meter to give back.
constexpr std::size_t header = alignof(std::max_align_t);

void* take(FT_Memory memory, long size) {
    auto* meter = static_cast<Meter*>(memory->user);
    const auto bytes = static_cast<std::size_t>(size);
    if (size <= 0 || bytes > memoryLimit - meter->used) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(bytes + header));
    if (block == nullptr) return nullptr;
    meter->used += bytes;
    *reinterpret_cast<std::size_t*>(block) = bytes;
    return block + header;
}

void give(FT_Memory memory, void* block) {
    if (block == nullptr) return;
    auto* start = static_cast<unsigned char*>(block) - header;
    static_cast<Meter*>(memory->user)->used -= *reinterpret_cast<std::size_t*>(start);
    std::free(start);
}

void* retake(FT_Memory memory, long, long size, void* block) {
    void* moved = take(memory, size);
    if (moved == nullptr) return nullptr;
    const std::size_t had =
        *reinterpret_cast<std::size_t*>(static_cast<unsigned char*>(block) - header);
    std::memcpy(moved, block, std::min(had, static_cast<std::size_t>(size)));
    give(memory, block);
    return moved;
}

class FreeTypeRasteriser : public GlyphRasteriser {
public:
    ~FreeTypeRasteriser() override {
        if (face_ != nullptr) FT_Done_Face(face_);
        if (library_ != nullptr) FT_Done_Library(library_);
    }

    bool open(const std::vector<std::uint8_t>& data, int index, int pixels, Hinting hinting,
              bool grey, std::string& error) {
        memory_.user = &meter_;
        memory_.alloc = take;
        memory_.free = give;
        memory_.realloc = retake;
        if (FT_New_Library(&memory_, &library_) != 0) {
            error = "FreeType cannot start";
            return false;
        }
        FT_Add_Default_Modules(library_);
        FT_Set_Default_Properties(library_);
        if (FT_New_Memory_Face(library_, data.data(), static_cast<FT_Long>(data.size()), index,
                               &face_) != 0) {
            error = "FreeType cannot open the font";  // "cannot open the font" in both builds
            return false;
        }
        if (FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(pixels)) != 0) {
            error = "FreeType cannot draw the font at " + std::to_string(pixels) + " pixels";
            return false;
        }
        grey_ = grey;
        switch (hinting) {
        case Hinting::None: flags_ = FT_LOAD_NO_HINTING; break;
        case Hinting::Light: flags_ = FT_LOAD_TARGET_LIGHT; break;
        case Hinting::Full: flags_ = grey ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO; break;
        }
        return true;
    }

    bool draw(long glyph, GlyphImage& out, std::string& why) override {
        out = GlyphImage{};
        if (FT_Load_Glyph(face_, static_cast<FT_UInt>(glyph), flags_) != 0 ||
            FT_Render_Glyph(face_->glyph, grey_ ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) !=
                0) {
            why = "FreeType cannot draw it";
            return false;
        }
        const FT_Bitmap& bitmap = face_->glyph->bitmap;
        out.left = face_->glyph->bitmap_left;
        out.top = face_->glyph->bitmap_top;
        out.width = static_cast<int>(bitmap.width);
        out.height = static_cast<int>(bitmap.rows);
        out.coverage.assign(std::size_t{bitmap.width} * bitmap.rows, 0);
        for (unsigned y = 0; y < bitmap.rows; ++y) {
            const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
            for (unsigned x = 0; x < bitmap.width; ++x) {
                std::uint8_t level = 0;
                if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
                    level = (row[x / 8] & (0x80 >> (x % 8))) != 0 ? 255 : 0;
                else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY)
                    level = static_cast<std::uint8_t>(row[x] * 255 /
                                                      std::max(1u, bitmap.num_grays - 1u));
                out.coverage[y * bitmap.width + x] = level;
            }
        }
        return true;
    }

private:
    Meter meter_;
    FT_MemoryRec_ memory_{};
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
    FT_Int32 flags_ = FT_LOAD_DEFAULT;
    bool grey_ = false;
};

}  // namespace

std::unique_ptr<GlyphRasteriser> openRasteriser(const std::vector<std::uint8_t>& data,
                                                const SfntFont&, int index, int pixels,
                                                Hinting hinting, bool grey, std::string& error) {
    auto rasteriser = std::make_unique<FreeTypeRasteriser>();
    if (!rasteriser->open(data, index, pixels, hinting, grey, error)) return nullptr;
    return rasteriser;
}

}  // namespace celkit
