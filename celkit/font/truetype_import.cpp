#include "celkit/font/truetype_import.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <set>

#include "celkit/font/glyph_rasteriser.h"
#include "celkit/font/sfnt_font.h"
#include "celkit/font/text_codes.h"

namespace celkit {

using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr int window = 48, margin = 16;  // the canvas around the cell, to see what is clipped
// The processor time all of a font's glyphs may take: a font of real glyphs
// takes a hundredth of it, a hostile one (subroutines calling each other
// thirty times eight deep) half a second a glyph. The same however large
// the file is, or was before it was inflated.
constexpr double drawingSeconds = 0.5;

int ceilDiv(long a, long b) { return static_cast<int>(a <= 0 ? -(-a / b) : (a + b - 1) / b); }

// The size and baseline the glyphs are drawn at, and the rows the font's
// ascent and descent take there.
struct Fit {
    int size = 0, baseline = 0;
};

std::string strikeSizes(const SfntFont& font) {
    std::string sizes;
    for (const SfntStrike& s : font.strikes())
        sizes += (sizes.empty() ? "" : ", ") + std::to_string(s.pixels);
    return sizes.empty() ? "none" : sizes;
}

// Rows above and below the baseline at `size`: a strike's own, else the
// outline metrics rounded outwards, as the engines round them.
std::pair<int, int> rowsAt(const SfntFont& font, int size) {
    for (const SfntStrike& s : font.strikes())
        if (s.pixels == size) return {s.ascent, s.descent};
    return {ceilDiv(static_cast<long>(font.ascender()) * size, font.unitsPerEm()),
            ceilDiv(static_cast<long>(font.descender()) * size, font.unitsPerEm())};
}

bool fitFont(const SfntFont& font, const ImportOptions& options, Fit& fit, std::string& error) {
    auto fits = [&](int size) {
        const auto [above, below] = rowsAt(font, size);
        return above + below <= glyphSide;
    };
    if (options.size) {
        fit.size = *options.size;
        if (fit.size < 1 || fit.size > 256) {
            error = "--size " + std::to_string(fit.size) + " is outside 1 .. 256";
            return false;
        }
        bool strike = false;
        for (const SfntStrike& s : font.strikes()) strike = strike || s.pixels == fit.size;
        if (!font.outlines() && !strike) {
            error = "the font has no outlines and no bitmaps of " + std::to_string(fit.size) +
                    " pixels (it has: " + strikeSizes(font) + ")";
            return false;
        }
    } else if (font.outlines()) {
        for (int size = 1; size <= 256 && fits(size); ++size) fit.size = size;
        if (fit.size == 0) {
            error = "the font's ascent and descent (" + std::to_string(font.ascender()) + " + " +
                    std::to_string(font.descender()) + " of " + std::to_string(font.unitsPerEm()) +
                    " units per em) fit 16 rows at no size";
            return false;
        }
    } else {
        for (const SfntStrike& s : font.strikes())
            if (fits(s.pixels) && s.pixels > fit.size) fit.size = s.pixels;
        if (fit.size == 0) {
            error = "no bitmap strike of the font fits 16 rows (it has: " + strikeSizes(font) + ")";
            return false;
        }
    }
    const auto [above, below] = rowsAt(font, fit.size);
    // The descenders fit when the font does; else the overflow is shared
    // between the top and the bottom as the ascent and descent are.
    if (options.baseline)
        fit.baseline = *options.baseline;
    else if (above + below <= glyphSide)
        fit.baseline = glyphSide - std::max(0, below);
    else
        fit.baseline = (glyphSide * above + (above + below) / 2) / (above + below);
    return true;
}

// Draws glyph by glyph into 16 x 16 cells.
class Renderer {
public:
    Renderer(const SfntFont& font, GlyphRasteriser& engine, const Fit& fit, int threshold)
        : font_(font),
          engine_(engine),
          fit_(fit),
          threshold_(threshold),
          scale_(static_cast<double>(fit.size) / font.unitsPerEm()) {}

    // The glyph's 16 rows are appended to `bits`, where `out` says they start;
    // a glyph the engine refuses is a warning and stays blank. False with a
    // reason when the font's glyphs have taken their time.
    bool render(long glyph, char32_t code, SourceGlyph& out, Bytes& bits, std::string& error,
                std::vector<std::string>& warnings) {
        const std::string name = codepointName(code);
        if (static_cast<double>(std::clock() - start_) > drawingSeconds * CLOCKS_PER_SEC) {
            error = "the font's glyphs take too long to draw (more than half a second, at " + name +
                    ")";
            return false;
        }
        const int cell = font_.advance(glyph) == 0 ? cellOf(code) : 0;
        long bearing = 0;
        const int reach = cell > 0 && font_.leftBearing(glyph, bearing) && bearing < 0
                              ? static_cast<int>(static_cast<double>(-bearing) * scale_ + 0.5)
                              : 0;
        out.number = static_cast<std::int32_t>(glyph);
        out.width = out.height = glyphSide;
        out.at = bits.size();
        bits.resize(bits.size() + 2 * glyphSide, 0);
        GlyphImage image;
        std::string why;
        if (!engine_.draw(glyph, image, why)) {
            warnings.push_back(name + " is left blank: " + why);
            return true;
        }
        std::vector<std::uint8_t> canvas(window * window, 0);
        bool clipped = false;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const std::uint8_t level =
                    image.coverage[static_cast<std::size_t>(y) * image.width + x];
                if (level < threshold_) continue;
                const long cx = margin + image.left + x,
                           cy = margin + fit_.baseline - image.top + y;
                if (cx < 0 || cx >= window || cy < 0 || cy >= window)
                    clipped = true;
                else
                    canvas[static_cast<std::size_t>(cy * window + cx)] = 1;
            }
        place(canvas, clipped, cell, reach, name, &bits[out.at]);
        return true;
    }

    // One line for all the glyphs that were clipped.
    void reportClipped(std::vector<std::string>& warnings) const {
        if (clippedNames_.empty()) return;
        std::string line = std::to_string(clippedNames_.size()) +
                           " glyphs reach outside the 16 x 16 cell and were clipped:";
        for (const std::string& name : clippedNames_) line += " " + name;
        warnings.push_back(line);
    }

private:
    // The pixels of a cell-wide character near `code`: the advance most
    // characters of its 256-code page have (its script's letters), else the
    // font's most common one.
    int cellOf(char32_t code) {
        const char32_t page = code & ~char32_t{0xFF};
        auto known = cells_.find(page);
        if (known != cells_.end()) return known->second;
        const auto& cmap = font_.cmap();
        auto from = [&](char32_t c) {
            return std::lower_bound(cmap.begin(), cmap.end(), c,
                                    [](const auto& e, char32_t k) { return e.first < k; });
        };
        int cell = modalAdvance(from(page), from(page + 0x100));
        if (cell == 0) {
            if (fontCell_ < 0) fontCell_ = modalAdvance(cmap.begin(), cmap.end());
            cell = fontCell_;
        }
        return cells_[page] = cell;
    }
    template <typename Iterator>
    int modalAdvance(Iterator from, Iterator to) const {
        std::map<long, long> counts;
        for (; from != to; ++from) {
            const long advance = font_.advance(from->second);
            if (advance > 0) ++counts[advance];
        }
        long best = 0, most = 0;
        for (const auto& [advance, count] : counts)  // the narrower of a tie
            if (count > most) best = advance, most = count;
        return static_cast<int>(static_cast<double>(best) * scale_ + 0.5);
    }

    // The cell of the canvas. A zero-advance glyph (a combining mark) whose
    // ink starts left of the pen is drawn to sit on the character before it;
    // alone in its cell it moves right by `cell`, that character's width, or
    // further when its own left bearing (`reach` pixels left of the pen)
    // says it starts further left, and ink still left of the cell then moves
    // on to the cell's edge rather than be clipped.
    void place(const std::vector<std::uint8_t>& canvas, bool clipped, int cell, int reach,
               const std::string& name, std::uint8_t* rows) {
        int left = window, right = -1;  // the leftmost and rightmost inked columns
        for (int y = 0; y < window; ++y)
            for (int x = 0; x < window; ++x)
                if (canvas[y * window + x] != 0)
                    left = std::min(left, x), right = std::max(right, x);
        // Any other glyph reaching left of the pen (a J's hook) moves right as far as it fits.
        const int shift = cell > 0 && left < margin ? std::max({cell, reach, margin - left})
                          : left < margin
                              ? std::max(0, std::min(margin - left, margin + glyphSide - 1 - right))
                              : 0;
        for (int y = 0; y < window; ++y)
            for (int x = 0; x < window; ++x) {
                if (canvas[y * window + x] == 0) continue;
                const int cx = x - margin + shift, cy = y - margin;
                if (cx < 0 || cx >= glyphSide || cy < 0 || cy >= glyphSide) {
                    clipped = true;
                    continue;
                }
                rows[cy * 2 + cx / 8] |= static_cast<std::uint8_t>(0x80 >> (cx % 8));
            }
        if (clipped) clippedNames_.push_back(name);
    }

    const SfntFont& font_;
    GlyphRasteriser& engine_;
    Fit fit_;
    int threshold_;
    double scale_;
    std::vector<std::string> clippedNames_;
    std::map<char32_t, int> cells_;  // page -> cellOf
    int fontCell_ = -1;              // the font's most common advance, once known
    std::clock_t start_ = std::clock();
};

bool openFont(SfntFont& font, int index, std::string& error) {
    if (!font.open(index, error)) {
        if (error.rfind("--index", 0) != 0) error = "not a font celkit can render: " + error;
        return false;
    }
    return true;
}

}  // namespace

bool isTrueType(const Bytes& data) {
    if (!isSfnt(data)) return false;
    // Of a raw font's size, a directory of printable tags too, so that a raw
    // font that happens to begin with 00 01 00 00 stays one; any other
    // size is the sfnt its signature says, truncated or not.
    if (data.size() != static_cast<std::size_t>(fontBytes)) return true;
    const std::size_t count = static_cast<std::size_t>(data[4]) << 8 | data[5];
    if (count == 0 || count > 256 || data.size() < 12 + 16 * count) return false;
    for (std::size_t i = 12; i < 12 + 16 * count; i += 16)
        for (std::size_t j = i; j < i + 4; ++j)
            if (data[j] < 0x20 || data[j] > 0x7E) return false;
    return true;
}

// Only the cmap is read: each glyph's code points, nothing drawn.
bool readTrueType(const Bytes& data, SourceFont& out, std::string& error) {
    SfntFont font(data);
    if (!openFont(font, 0, error)) return false;
    std::map<long, std::vector<char32_t>> codes;
    for (const auto& [c, glyph] : font.cmap()) codes[glyph].push_back(c);
    SourceFont source;
    source.unicode = true;
    for (const auto& [glyph, points] : codes) {
        for (char32_t c : points)
            source.table.push_back({c, static_cast<std::uint32_t>(source.glyphs.size())});
        SourceGlyph g;
        g.number = static_cast<std::int32_t>(glyph);
        source.glyphs.push_back(g);
    }
    out = std::move(source);
    return true;
}

bool importTrueType(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                    std::vector<std::string>& warnings) {
    SfntFont font(data);
    Fit fit;
    if (!openFont(font, options.index, error) || !fitFont(font, options, fit, error)) return false;
    auto engine = openRasteriser(data, font, options.index, fit.size, options.hinting,
                                 options.threshold.has_value(), error);
    if (engine == nullptr) return false;
    // Only the glyph each slot picks is drawn: at most 256, whatever the map lists.
    SourceFont source;
    source.unicode = true;
    std::map<long, std::uint32_t> drawn;  // glyph -> its place in source
    std::set<char32_t> linked;
    Renderer renderer(font, *engine, fit, options.threshold.value_or(1));
    for (int slot = 0; slot < glyphCount; ++slot) {
        std::vector<char32_t> tried;
        if (options.first)
            tried.push_back(*options.first + static_cast<char32_t>(slot));
        else
            tried = options.map.codepoints[slot];
        for (char32_t c : tried) {
            const long glyph = font.glyphFor(c);
            if (glyph == 0) continue;
            auto done = drawn.find(glyph);
            if (done == drawn.end()) {
                SourceGlyph g;
                if (!renderer.render(glyph, c, g, source.bits, error, source.warnings))
                    return false;
                done = drawn.emplace(glyph, static_cast<std::uint32_t>(source.glyphs.size())).first;
                source.glyphs.push_back(g);
            }
            if (linked.insert(c).second) source.table.push_back({c, done->second});
            break;
        }
    }
    renderer.reportClipped(source.warnings);
    if (!pickGlyphs(source, options, out, error)) return false;
    warnings.insert(warnings.end(), source.warnings.begin(), source.warnings.end());
    return true;
}

}  // namespace celkit
