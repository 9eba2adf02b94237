#include "celkit/font/source_font.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "celkit/font/text_codes.h"

namespace celkit {

std::string hexNumber(long value) {
    char buffer[24];
    const unsigned long magnitude =
        value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
    std::snprintf(buffer, sizeof buffer, value < 0 ? "-0x%lX" : "0x%lX", magnitude);
    return buffer;
}

bool SourceFont::pixel(const SourceGlyph& glyph, int x, int y) const {
    const std::size_t rowBytes = static_cast<std::size_t>((glyph.width + 7) / 8);
    const std::size_t byte =
        static_cast<std::size_t>(y) * rowBytes + static_cast<std::size_t>(x / 8);
    if (!hexDigits) return (bits[glyph.at + byte] & (0x80 >> (x % 8))) != 0;
    const int digit = hexDigitValue(static_cast<char>(bits[glyph.at + 2 * byte + (x % 8) / 4]));
    return (digit & (8 >> (x % 4))) != 0;
}

namespace {

constexpr std::uint32_t noGlyph = std::numeric_limits<std::uint32_t>::max();

// Calls f(key, glyph index) for every key in file order.
template <class F>
void forEachKey(const SourceFont& font, F f) {
    if (!font.table.empty()) {
        for (const CodepointLink& link : font.table)
            f(static_cast<std::uint32_t>(link.codepoint), link.glyph);
        return;
    }
    for (std::size_t i = 0; i < font.glyphs.size(); ++i)
        if (font.glyphs[i].number >= 0)
            f(static_cast<std::uint32_t>(font.glyphs[i].number), static_cast<std::uint32_t>(i));
}

bool place(const SourceFont& source, const SourceGlyph& glyph, int slot, Font& out,
           std::string& error) {
    const auto who = [&] { return "glyph " + hexNumber(glyph.number); };
    if (glyph.width > glyphSide) {
        error = who() + " is " + std::to_string(glyph.width) + " pixels wide; at most 16 fit";
        return false;
    }
    if (glyph.height > glyphSide) {
        error = who() + " is " + std::to_string(glyph.height) + " pixels high; at most 16 fit";
        return false;
    }
    for (int y = 0; y < glyph.height; ++y)
        for (int x = 0; x < glyph.width; ++x) {
            if (!source.pixel(glyph, x, y)) continue;
            const int cx = glyph.left + x, cy = glyph.top + y;
            if (cx < 0 || cx >= glyphSide || cy < 0 || cy >= glyphSide) {
                error = who() + " reaches outside the 16 x 16 cell at its offset in the font";
                return false;
            }
            out.setPixel(slot, cx, cy, true);
        }
    return true;
}

}  // namespace

void warnOfRepeats(SourceFont& font, std::size_t repeats, std::uint32_t firstRepeat,
                   const char* what) {
    if (repeats == 0) return;
    char first[24];
    std::snprintf(first, sizeof first, font.unicode ? "U+%04lX" : "%lu",
                  static_cast<unsigned long>(firstRepeat));
    font.warnings.push_back(std::to_string(repeats) + " " + what + " repeat" +
                            (repeats == 1 ? "s" : "") + " a " +
                            (font.unicode ? "code point" : "glyph number") +
                            " taken before (first " + first + "); the earliest glyph is used");
}

void warnOfDuplicateKeys(SourceFont& font) {
    KeySet seen;
    std::size_t repeats = 0;
    std::uint32_t firstRepeat = 0;
    forEachKey(font, [&](std::uint32_t key, std::uint32_t) {
        if (!seen.add(key) && key <= keyLimit && repeats++ == 0) firstRepeat = key;
    });
    warnOfRepeats(font, repeats, firstRepeat, repeats == 1 ? "glyph" : "glyphs");
}

bool pickGlyphs(const SourceFont& source, const ImportOptions& options, Font& out,
                std::string& error) {
    // Each slot's keys in the order they are tried, sorted by key so that one
    // pass over the font finds the first glyph of each.
    struct Want {
        std::uint32_t key, rank, glyph;
        int slot;
    };
    std::vector<Want> wants;
    for (int slot = 0; slot < glyphCount; ++slot) {
        if (options.first)
            wants.push_back(
                {static_cast<std::uint32_t>(*options.first) + static_cast<std::uint32_t>(slot), 0,
                 noGlyph, slot});
        else if (source.unicode) {
            std::uint32_t rank = 0;
            for (char32_t c : options.map.codepoints[slot])
                wants.push_back({static_cast<std::uint32_t>(c), rank++, noGlyph, slot});
        } else
            wants.push_back({static_cast<std::uint32_t>(slot), 0, noGlyph, slot});
    }
    std::sort(wants.begin(), wants.end(),
              [](const Want& a, const Want& b) { return a.key < b.key; });
    // Each distinct key once, with the first glyph the font gives it: one
    // search per font entry however often the map repeats a key.
    std::vector<std::uint32_t> keys, firstGlyph;
    for (const Want& w : wants)
        if (keys.empty() || keys.back() != w.key) keys.push_back(w.key);
    firstGlyph.assign(keys.size(), noGlyph);
    KeySet wanted;
    for (std::uint32_t key : keys) wanted.add(key);
    forEachKey(source, [&](std::uint32_t key, std::uint32_t glyph) {
        if (!wanted.has(key)) return;
        const std::size_t at = static_cast<std::size_t>(
            std::lower_bound(keys.begin(), keys.end(), key) - keys.begin());
        if (firstGlyph[at] == noGlyph) firstGlyph[at] = glyph;
    });
    for (Want& w : wants)
        w.glyph = firstGlyph[static_cast<std::size_t>(
            std::lower_bound(keys.begin(), keys.end(), w.key) - keys.begin())];
    // Per slot, the found key tried first.
    std::vector<const Want*> best(glyphCount, nullptr);
    for (const Want& w : wants)
        if (w.glyph != noGlyph && (!best[w.slot] || w.rank < best[w.slot]->rank)) best[w.slot] = &w;
    Font font;
    int picked = 0;
    for (int slot = 0; slot < glyphCount; ++slot) {
        if (!best[slot]) continue;
        if (!place(source, source.glyphs[best[slot]->glyph], slot, font, error)) return false;
        ++picked;
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
