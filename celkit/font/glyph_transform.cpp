#include "celkit/font/glyph_transform.h"

namespace celkit {
namespace {

std::string glyphName(int glyph) { return "glyph " + glyphNumber(glyph); }

std::string place(int x, int y) { return "x " + std::to_string(x) + ", y " + std::to_string(y); }

bool stretchGlyphs(const Font& in, int factor, Font& out, std::string& error) {
    if (factor != 1 && factor != 2) {
        error = "a stretch of " + std::to_string(factor) + " is none celkit makes; give 1 or 2";
        return false;
    }
    out = Font{};
    for (int g = 0; g < glyphCount; ++g)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x) {
                if (!in.pixel(g, x, y)) continue;
                if ((x + 1) * factor > glyphSide || (y + 1) * factor > glyphSide) {
                    error = glyphName(g) + ": its ink at " + place(x, y) +
                            " leaves the 16 x 16 cell when stretched " + std::to_string(factor) +
                            " times (a font to stretch is drawn within " +
                            std::to_string(glyphSide / factor) + " x " +
                            std::to_string(glyphSide / factor) + ")";
                    return false;
                }
                for (int dy = 0; dy < factor; ++dy)
                    for (int dx = 0; dx < factor; ++dx)
                        out.setPixel(g, x * factor + dx, y * factor + dy, true);
            }
    return true;
}

// Columns left .. right holding ink in any glyph; right < left when there is none.
void inkColumns(const Font& font, int& left, int& right) {
    left = glyphSide;
    right = -1;
    for (int g = 0; g < glyphCount; ++g)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x)
                if (font.pixel(g, x, y)) {
                    if (x < left) left = x;
                    if (x > right) right = x;
                }
}

bool moveGlyphs(const Font& in, int dx, int dy, Font& out, std::string& error) {
    out = Font{};
    for (int g = 0; g < glyphCount; ++g)
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x) {
                if (!in.pixel(g, x, y)) continue;
                int tx = x + dx, ty = y + dy;
                if (tx < 0 || tx >= glyphSide || ty < 0 || ty >= glyphSide) {
                    error = glyphName(g) + ": shifted by " + std::to_string(dx) + "," +
                            std::to_string(dy) + " its ink at " + place(x, y) +
                            " leaves the 16 x 16 cell";
                    return false;
                }
                out.setPixel(g, tx, ty, true);
            }
    return true;
}

}  // namespace

bool transformGlyphs(const Font& in, const GlyphTransform& transform, Font& out,
                     std::string& error) {
    Font stretched;
    if (!stretchGlyphs(in, transform.stretch, stretched, error)) return false;
    int dx = 0;
    if (transform.align != GlyphAlign::Keep) {
        int left = 0, right = 0;
        inkColumns(stretched, left, right);
        if (right >= left) {
            int target =
                transform.align == GlyphAlign::Left ? 0 : (glyphSide - (right - left + 1)) / 2;
            dx = target - left;
        }
    }
    Font aligned, shifted;
    if (!moveGlyphs(stretched, dx, 0, aligned, error) ||  // aligned ink stays within the cell
        !moveGlyphs(aligned, transform.shiftX, transform.shiftY, shifted, error))
        return false;
    out = shifted;
    return true;
}

}  // namespace celkit
