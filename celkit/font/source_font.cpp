#include "celkit/font/source_font.h"

#include <cstdio>
#include <unordered_map>

namespace celkit {

std::string hexNumber(long value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, value < 0 ? "-0x%lX" : "0x%lX",
                  value < 0 ? -value : value);
    return buffer;
}

namespace {

bool place(const SourceGlyph& glyph, int slot, Font& out, std::string& error) {
    const std::string who = "glyph " + hexNumber(glyph.number);
    if (glyph.width > glyphSide) {
        error = who + " is " + std::to_string(glyph.width) + " pixels wide; at most 16 fit";
        return false;
    }
    if (glyph.height > glyphSide) {
        error = who + " is " + std::to_string(glyph.height) + " pixels high; at most 16 fit";
        return false;
    }
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x) {
            if (!glyph.pixel(x, y)) continue;
            const int cx = glyph.left + x, cy = glyph.top + y;
            if (cx < 0 || cx >= glyphSide || cy < 0 || cy >= glyphSide) {
                error = who + " reaches outside the 16 x 16 cell at its offset in the font";
                return false;
            }
            out.setPixel(slot, cx, cy, true);
        }
    return true;
}

}  // namespace

bool pickGlyphs(const SourceFont& source, const ImportOptions& options, Font& out,
                std::string& error) {
    std::unordered_map<long, std::size_t> byKey;  // code point or number -> first glyph with it
    for (std::size_t i = 0; i < source.glyphs.size(); ++i) {
        const SourceGlyph& g = source.glyphs[i];
        if (source.unicode)
            for (char32_t c : g.codepoints) byKey.emplace(static_cast<long>(c), i);
        else
            byKey.emplace(g.number, i);
    }
    Font font;
    int picked = 0;
    for (int slot = 0; slot < glyphCount; ++slot) {
        std::vector<long> wanted;
        if (options.first)
            wanted.push_back(static_cast<long>(*options.first) + slot);
        else if (source.unicode)
            for (char32_t c : options.map.codepoints[slot]) wanted.push_back(static_cast<long>(c));
        else
            wanted.push_back(slot);
        for (long key : wanted) {
            auto found = byKey.find(key);
            if (found == byKey.end()) continue;
            if (!place(source.glyphs[found->second], slot, font, error)) return false;
            ++picked;
            break;
        }
    }
    if (picked == 0) {
        error = options.first ? "the font has no glyph in the block from U+" +
                                    hexNumber(*options.first).substr(2)
                              : "none of the font's glyphs stands for a code point of the map";
        return false;
    }
    out = font;
    return true;
}

}  // namespace celkit
