// The platform's own engine drawing one glyph of an sfnt font at a pixel
// size: FreeType natively (glyph_rasteriser_freetype.cpp), GDI on Windows
// (glyph_rasteriser_gdi.cpp), so that a user gets the pixels the system's
// other programs draw. A one-bit strike of the size is taken before the
// outline, by both engines.
#ifndef CELKIT_FONT_GLYPH_RASTERISER_H
#define CELKIT_FONT_GLYPH_RASTERISER_H

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "celkit/font/import_options.h"
#include "celkit/font/sfnt_font.h"

namespace celkit {

struct GlyphImage {
    int left = 0, top = 0;  // pixels right of the pen, rows above the baseline
    int width = 0, height = 0;
    std::vector<std::uint8_t> coverage;  // width x height, 0 .. 255 (255 only for one-bit)
};

class GlyphRasteriser {
public:
    virtual ~GlyphRasteriser() = default;
    // False with a reason when the engine refuses the glyph; it is then left blank.
    virtual bool draw(long glyph, GlyphImage& out, std::string& why) = 0;
};

// The font `data` holds (kept alive by the caller) at `pixels` per em,
// drawn in one bit with `hinting`, or in grey levels when `grey`. Null with
// a reason when the engine cannot open it.
std::unique_ptr<GlyphRasteriser> openRasteriser(const std::vector<std::uint8_t>& data,
                                                const SfntFont& font, int index, int pixels,
                                                Hinting hinting, bool grey, std::string& error);

}  // namespace celkit

#endif
