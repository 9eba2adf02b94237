// Renders 256 glyphs of a bitmap font, or of an outline font at 16 pixels
// per em in monochrome, with FreeType into a .fnt, as a reader nobody here
// wrote sees them: glyph i is the character whose code point is line i of
// CODES (hex), its bitmap placed by FreeType's left bearing and by its top
// below the font's ascent. A character the font lacks stays blank. Fails
// when a glyph's ink leaves the 16 x 16 cell. Says how many were missing,
// the ascent, the advances the glyphs have (in whole pixels), and a Windows
// font's charset byte. With SIZE, an outline font is drawn
// at SIZE pixels per em unhinted, as celkit renders it, and ink outside the
// cell is clipped.
//   freetype_render FONT CODES OUT.fnt [SIZE]
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_WINFONTS_H

#include <cstdio>
#include <fstream>
#include <iostream>
#include <set>
#include <string>
#include <vector>

namespace {
// Released on every return, so that leak checks see only our own faults.
struct Library {
    FT_Library library = nullptr;
    ~Library() {
        if (library) FT_Done_FreeType(library);
    }
};
}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: freetype_render FONT CODES OUT.fnt [SIZE]\n";
        return 2;
    }
    Library owner;
    FT_Face face;
    if (FT_Init_FreeType(&owner.library) || FT_New_Face(owner.library, argv[1], 0, &face)) {
        std::cerr << "freetype_render: FreeType cannot open " << argv[1] << "\n";
        return 1;
    }
    const bool sized = argc == 5;
    if (!sized && face->num_fixed_sizes > 0 && FT_Select_Size(face, 0)) {
        std::cerr << "freetype_render: cannot select the bitmap size\n";
        return 1;
    }
    // An outline font is drawn at 16 pixels per em, in monochrome.
    const FT_UInt size = sized ? static_cast<FT_UInt>(std::stoul(argv[4])) : 16;
    if ((sized || face->num_fixed_sizes == 0) && FT_Set_Pixel_Sizes(face, 0, size)) {
        std::cerr << "freetype_render: cannot set the pixels per em\n";
        return 1;
    }
    // A font of another encoding (KOI8-R) has no Unicode map for FreeType
    // to pick; CODES are then its own codes.
    if (face->charmap == nullptr && face->num_charmaps > 0 &&
        FT_Set_Charmap(face, face->charmaps[0])) {
        std::cerr << "freetype_render: cannot select the font's character map\n";
        return 1;
    }
    const long ascent = face->size->metrics.ascender >> 6;
    std::ifstream codes(argv[2]);
    std::vector<unsigned char> font(8192, 0);
    std::string line;
    int missing = 0;
    std::set<long> advances;
    for (int g = 0; g < 256; ++g) {
        if (!std::getline(codes, line)) {
            std::cerr << "freetype_render: CODES has fewer than 256 lines\n";
            return 1;
        }
        const unsigned long code = std::stoul(line, nullptr, 16);
        const FT_UInt index = FT_Get_Char_Index(face, code);
        if (index == 0) {
            ++missing;
            continue;
        }
        const FT_Int32 load =
            FT_LOAD_RENDER | FT_LOAD_TARGET_MONO | (sized ? FT_LOAD_NO_HINTING : 0);
        if (FT_Load_Glyph(face, index, load)) {
            std::cerr << "freetype_render: cannot render U+" << std::hex << code << "\n";
            return 1;
        }
        const FT_GlyphSlot slot = face->glyph;
        advances.insert(slot->advance.x % 64 == 0 ? slot->advance.x / 64 : -1);
        const FT_Bitmap& bitmap = slot->bitmap;
        for (unsigned y = 0; y < bitmap.rows; ++y)
            for (unsigned x = 0; x < bitmap.width; ++x) {
                const unsigned char* row = bitmap.buffer + static_cast<long>(y) * bitmap.pitch;
                const bool ink = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                     ? (row[x / 8] >> (7 - x % 8)) & 1
                                     : row[x] >= 128;
                if (!ink) continue;
                const long cx = slot->bitmap_left + static_cast<long>(x);
                const long cy = ascent - slot->bitmap_top + static_cast<long>(y);
                if (cx < 0 || cx >= 16 || cy < 0 || cy >= 16) {
                    if (sized) continue;
                    std::cerr << "freetype_render: U+" << std::hex << code
                              << " leaves the 16 x 16 cell\n";
                    return 1;
                }
                font[g * 32 + cy * 2 + cx / 8] |= static_cast<unsigned char>(0x80 >> (cx % 8));
            }
    }
    std::ofstream out(argv[3], std::ios::binary);
    out.write(reinterpret_cast<const char*>(font.data()), 8192);
    std::cout << "missing " << missing << "\nascent " << ascent << "\nadvances";
    for (long advance : advances) std::cout << " " << advance;
    std::cout << "\n";
    FT_WinFNT_HeaderRec header;
    if (FT_Get_WinFNT_Header(face, &header) == 0)
        std::cout << "winfnt charset " << static_cast<int>(header.charset) << "\n";
    return out ? 0 : 1;
}
