// .ttf/.otf import from fonts crafted here: glyf and CFF squares land where
// the metrics, --size and --threshold put them, composites and clipping,
// and hostile files (truncations, offsets past their tables, runaway
// components and subroutines) refused or left blank with their reason.
// Debian's DejaVu Sans Mono, when present, must give the same bytes in the
// native and the Windows build (FreeType judges its pixels in consumers.py).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font_formats.h"
#include "celkit/font/text_codes.h"

namespace celkit {
namespace {

void put(Bytes& out, long value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<std::uint8_t>(static_cast<unsigned long>(value) >> (8 * i)));
}
void set16(Bytes& out, std::size_t at, long value) {
    out[at] = static_cast<std::uint8_t>(value >> 8);
    out[at + 1] = static_cast<std::uint8_t>(value);
}

struct Point {
    long x, y;
};

// One contour of on-curve points, every coordinate a two-byte delta.
Bytes simpleGlyph(const std::vector<Point>& contour) {
    Bytes g;
    put(g, 1, 2);
    long box[4] = {contour[0].x, contour[0].y, contour[0].x, contour[0].y};
    for (const Point& p : contour)
        box[0] = std::min(box[0], p.x), box[1] = std::min(box[1], p.y),
        box[2] = std::max(box[2], p.x), box[3] = std::max(box[3], p.y);
    for (long v : box) put(g, v, 2);
    put(g, static_cast<long>(contour.size()) - 1, 2);
    put(g, 0, 2);  // no instructions
    for (std::size_t i = 0; i < contour.size(); ++i) g.push_back(1);
    long last = 0;
    for (const Point& p : contour) put(g, p.x - last, 2), last = p.x;
    last = 0;
    for (const Point& p : contour) put(g, p.y - last, 2), last = p.y;
    return g;
}

Bytes square(long x0, long y0, long x1, long y1) {
    return simpleGlyph({{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}});
}

// Components at x/y offsets, as words.
Bytes composite(const std::vector<std::vector<long>>& parts) {
    Bytes g;
    put(g, -1, 2);
    put(g, 0, 8);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        put(g, 0x0003 | (i + 1 < parts.size() ? 0x20 : 0), 2);
        put(g, parts[i][0], 2);
        put(g, parts[i][1], 2);
        put(g, parts[i][2], 2);
    }
    return g;
}

// A CFF table of one font whose glyphs 1.. are `charstrings`, with global subroutines.
Bytes cffTable(std::vector<Bytes> charstrings, const std::vector<Bytes>& subrs = {}) {
    auto index = [](const std::vector<Bytes>& items) {
        Bytes out;
        put(out, static_cast<long>(items.size()), 2);
        if (items.empty()) return out;
        out.push_back(4);
        long offset = 1;
        put(out, offset, 4);
        for (const Bytes& item : items) put(out, offset += static_cast<long>(item.size()), 4);
        for (const Bytes& item : items) out.insert(out.end(), item.begin(), item.end());
        return out;
    };
    Bytes out = {1, 0, 4, 4};
    const Bytes names = index({{'A'}}), strings = index({}), globals = index(subrs);
    const long topSize = static_cast<long>(index({Bytes(6)}).size());
    const long at = 4 + static_cast<long>(names.size()) + topSize +
                    static_cast<long>(strings.size() + globals.size());
    Bytes top = {29};
    put(top, at, 4);
    top.push_back(17);
    charstrings.insert(charstrings.begin(), Bytes{14});
    for (const Bytes& part : {names, index({top}), strings, globals, index(charstrings)})
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// 100,0 rmoveto 500 hlineto 700 vlineto -500 hlineto endchar: the square of the glyf fonts.
const Bytes cffSquare = {239, 139, 21, 248, 136, 6, 249, 80, 7, 252, 136, 6, 14};

// A font of glyphs 0 (empty), 1.. at 'A', 'B' ..., 1000 units per em, ascender 800.
struct Ttf {
    std::vector<Bytes> glyphs = {{}, square(100, 0, 600, 700)};
    Bytes cff;  // outlines in CFF instead
    long unitsPerEm = 1000;
    std::function<void(std::map<std::string, Bytes>&)> tweak;

    Bytes bytes() const {
        std::map<std::string, Bytes> t;
        const long count = static_cast<long>(glyphs.size());
        Bytes& head = t["head"];
        head.assign(54, 0);
        set16(head, 18, unitsPerEm);
        set16(head, 50, 1);
        Bytes& hhea = t["hhea"];
        hhea.assign(36, 0);
        set16(hhea, 4, 800);
        set16(hhea, 6, -200);
        set16(hhea, 34, count);
        // What Windows loads a font by: its family name, weight and version.
        Bytes& os2 = t["OS/2"];
        os2.assign(78, 0);
        set16(os2, 4, 400);
        Bytes& post = t["post"];
        put(post, 0x30000, 4), post.resize(32, 0);
        set16(head, 12, 0x5F0F), set16(head, 14, 0x3CF5);
        Bytes& name = t["name"];
        const std::u16string family = u"Celkit Test";
        put(name, 0, 2), put(name, 1, 2), put(name, 18, 2);
        put(name, 3, 2), put(name, 1, 2), put(name, 0x409, 2), put(name, 1, 2);
        put(name, static_cast<long>(2 * family.size()), 2), put(name, 0, 2);
        for (char16_t c : family) put(name, c, 2);
        Bytes& maxp = t["maxp"];
        put(maxp, 0x5000, 4);
        put(maxp, count, 2);
        // Each left bearing is the glyph's own left edge, where engines start drawing.
        Bytes& hmtx = t["hmtx"];
        hmtx.assign(static_cast<std::size_t>(4 * count), 0);
        for (std::size_t g = 0; g < glyphs.size(); ++g)
            if (glyphs[g].size() >= 4)
                hmtx[4 * g + 2] = glyphs[g][2], hmtx[4 * g + 3] = glyphs[g][3];
        Bytes& cmap = t["cmap"];
        const long segments = count;  // one per glyph 1.., then the closing one
        put(cmap, 0, 2), put(cmap, 1, 2), put(cmap, 3, 2), put(cmap, 1, 2), put(cmap, 12, 4);
        put(cmap, 4, 2), put(cmap, 16 + 8 * segments, 2), put(cmap, 0, 2);
        put(cmap, 2 * segments, 2), put(cmap, 0, 6);
        for (long g = 1; g < count; ++g) put(cmap, 0x40 + g, 2);
        put(cmap, 0xFFFF, 2), put(cmap, 0, 2);
        for (long g = 1; g < count; ++g) put(cmap, 0x40 + g, 2);
        put(cmap, 0xFFFF, 2);
        for (long g = 1; g < count; ++g) put(cmap, -0x40, 2);
        put(cmap, 1, 2);
        cmap.insert(cmap.end(), static_cast<std::size_t>(2 * segments), 0);  // no range offsets
        if (!cff.empty()) {
            t["CFF "] = cff;
        } else {
            Bytes& loca = t["loca"];
            Bytes& glyf = t["glyf"];
            for (const Bytes& g : glyphs) {
                put(loca, static_cast<long>(glyf.size()), 4);
                glyf.insert(glyf.end(), g.begin(), g.end());
            }
            put(loca, static_cast<long>(glyf.size()), 4);
        }
        if (tweak) tweak(t);
        Bytes out;
        put(out, cff.empty() ? 0x00010000 : 0x4F54544F, 4);
        put(out, static_cast<long>(t.size()), 2);
        put(out, 0, 6);
        long offset = 12 + 16 * static_cast<long>(t.size());
        for (const auto& [tag, data] : t) {
            out.insert(out.end(), tag.begin(), tag.end());
            put(out, 0, 4), put(out, offset, 4), put(out, static_cast<long>(data.size()), 4);
            offset += static_cast<long>((data.size() + 3) / 4 * 4);
        }
        for (const auto& [tag, data] : t) {
            out.insert(out.end(), data.begin(), data.end());
            out.resize((out.size() + 3) / 4 * 4, 0);
        }
        return out;
    }
};

struct Result {
    bool ok = false;
    Font font;
    std::string error;
    std::vector<std::string> warnings;
};

// At 16 px, the baseline 13 rows down unless fitted (a size of 0), the
// outlines unhinted: the pen's fraction is kept.
Result import(const Bytes& data, int size = 16, int threshold = 0, int baseline = 13,
              int index = 0) {
    Result r;
    ImportOptions options{*builtinMap("cp437"), std::nullopt};
    options.index = index;
    if (size != 0) options.size = size, options.baseline = baseline;
    if (threshold != 0) options.threshold = threshold;
    options.hinting = Hinting::None;
    r.ok = importFont(data, options, r.font, r.error, &r.warnings);
    return r;
}

// Ink exactly where the rectangle x0..x1, y0..y1 (in pixels) covers at
// least threshold / 255 of a pixel, or (threshold 0, one bit) a pixel's
// centre, on the rectangle's top or left edge or inside.
::testing::AssertionResult inkCovers(const Font& font, int slot, double x0, double x1, double y0,
                                     double y1, int threshold = 0) {
    for (int y = 0; y < glyphSide; ++y)
        for (int x = 0; x < glyphSide; ++x) {
            const double w = std::max(0.0, std::min(x1, x + 1.0) - std::max(x0, 1.0 * x));
            const double h = std::max(0.0, std::min(y1, y + 1.0) - std::max(y0, 1.0 * y));
            const bool want = threshold == 0
                                  ? x + 0.5 >= x0 && x + 0.5 < x1 && y + 0.5 >= y0 && y + 0.5 < y1
                                  : w * h * 255 >= threshold;
            if (font.pixel(slot, x, y) != want) {
                std::string drawn;
                for (int row = 0; row < glyphSide; ++row, drawn += '\n')
                    for (int column = 0; column < glyphSide; ++column)
                        drawn += font.pixel(slot, column, row) ? '#' : '.';
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " of glyph " << slot << " is "
                       << (want ? "blank" : "ink") << ":\n"
                       << drawn;
            }
        }
    return ::testing::AssertionSuccess();
}
::testing::AssertionResult blank(const Font& font, int slot) {
    return inkCovers(font, slot, 0, 0, 0, 0);
}

// A bitmap-only font whose glyph 'A' is 3 x 2 pixels, rows 101 and 011,
// at bearing 1 and 5 above the baseline of a strike of 16 pixels with an
// ascender of 14: ink at 1,9 3,9 2,10 3,10 of the cell.
Bytes strikeFont(int indexFormat, int imageFormat, std::function<void(Bytes&)> tweak = {}) {
    const Bytes small = {2, 3, 1, 5, 4}, big = {2, 3, 1, 5, 4, 0, 0, 0};
    const Bytes bytes = {0xA0, 0x60}, bits = {0xAC};
    Bytes image;
    if (imageFormat == 1 || imageFormat == 2) image = small;
    if (imageFormat == 6 || imageFormat == 7) image = big;
    const Bytes& data = imageFormat == 1 || imageFormat == 6 ? bytes : bits;
    image.insert(image.end(), data.begin(), data.end());
    const long size = static_cast<long>(image.size());
    Bytes index;
    put(index, indexFormat, 2), put(index, imageFormat, 2), put(index, 4, 4);
    if (indexFormat == 1) put(index, 0, 4), put(index, size, 4);
    if (indexFormat == 3) put(index, 0, 2), put(index, size, 2);
    if (indexFormat == 2 || indexFormat == 5)
        put(index, size, 4), index.insert(index.end(), big.begin(), big.end());
    if (indexFormat == 5) put(index, 1, 4), put(index, 1, 2);
    if (indexFormat == 4)
        put(index, 1, 4), put(index, 1, 2), put(index, 0, 2), put(index, 0, 2), put(index, size, 2);
    Bytes eblc;
    put(eblc, 0x20000, 4), put(eblc, 1, 4);
    put(eblc, 56, 4), put(eblc, 8 + static_cast<long>(index.size()), 4), put(eblc, 1, 4),
        put(eblc, 0, 4);
    eblc.push_back(14), eblc.push_back(0xFE), eblc.resize(eblc.size() + 10 + 12, 0);
    put(eblc, 1, 2), put(eblc, 1, 2);
    eblc.insert(eblc.end(), {16, 16, 1, 1});
    put(eblc, 1, 2), put(eblc, 1, 2), put(eblc, 8, 4);
    eblc.insert(eblc.end(), index.begin(), index.end());
    Bytes ebdt;
    put(ebdt, 0x20000, 4);
    ebdt.insert(ebdt.end(), image.begin(), image.end());
    if (tweak) tweak(eblc);
    Ttf font;
    font.tweak = [eblc, ebdt](std::map<std::string, Bytes>& t) {
        t.erase("glyf");
        t.erase("loca");
        t["EBLC"] = eblc;
        t["EBDT"] = ebdt;
    };
    return font.bytes();
}

TEST(TrueType, GlyphsLandWhereMetricsSizeAndThresholdPutThem) {
    struct Case {
        const char* what;
        Ttf font;
        int size, threshold, baseline, slot;
        double x0, x1, y0, y1;
        const char* warning = nullptr;
    };
    Ttf withComposite, cff, large;
    withComposite.glyphs.push_back(composite({{1, 200, -100}}));
    large.glyphs.push_back(square(-200, -400, 1200, 900));
    cff.cff = cffTable({cffSquare});
    // At 16 px the square spans x 1.6 .. 9.6 and, above a baseline at row
    // 13, y 1.8 .. 13. The font's ascent and descent are 0.8 and 0.2 em.
    const Case cases[] = {
        {"glyf square", Ttf{}, 16, 0, 13, 'A', 1.6, 9.6, 1.8, 13},
        {"glyf square in grey, cut at half", Ttf{}, 16, 128, 13, 'A', 1.6, 9.6, 1.8, 13},
        {"a threshold above the right column's 60 %", Ttf{}, 16, 160, 13, 'A', 1.6, 9.6, 1.8, 13},
        {"8 px, baseline at row 7", Ttf{}, 8, 0, 7, 'A', 0.8, 4.8, 1.4, 7},
        // 15 px: 12 rows above and 3 below fit, 16 px would need 13 + 4.
        {"fitted: the largest size whose ascent and descent fit, descenders on the last rows",
         Ttf{}, 0, 0, 0, 'A', 1.5, 9, 2.5, 13},
        {"16 px, too tall: the overflow shared by the top and the bottom", Ttf{}, 16, 0, -1, 'A',
         1.6, 9.6, 0.8, 12},
        {"a composite moved right 200 and down 100", withComposite, 16, 0, 13, 'B', 4.8, 12.8, 3.4,
         14.6},
        {"CFF square", cff, 16, 0, 13, 'A', 1.6, 9.6, 1.8, 13},
        {"a glyph larger than the cell", large, 16, 0, 13, 'B', 0, 16, 0, 16,
         "1 glyphs reach outside the 16 x 16 cell and were clipped: U+0042"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Result r;
        ImportOptions options{*builtinMap("cp437"), std::nullopt};
        if (c.size != 0) options.size = c.size;
        if (c.baseline > 0) options.baseline = c.baseline;
        if (c.threshold != 0) options.threshold = c.threshold;
        r.ok = importFont(c.font.bytes(), options, r.font, r.error, &r.warnings);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(inkCovers(r.font, c.slot, c.x0, c.x1, c.y0, c.y1, c.threshold));
        EXPECT_EQ(r.warnings,
                  c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{});
    }
}

// Glyphs 'A' and 'E' (squares), 'B' a mark left of the pen, 'C' one from
// the pen on, 'D' one across it, at the advances each case gives, in a font
// of 1600 units per em: at 16 px a unit is a hundredth of a pixel and every
// edge falls between pixels, hinted or not (500 is a 5-pixel cell). 'B'
// spans x -4 .. -1 (or from its bearing), y 6 .. 8.
TEST(TrueType, ZeroAdvanceMarksLandOverTheCellBeforeThem) {
    struct Case {
        const char* what;
        std::vector<long> advances;  // of glyphs 0..
        int slot;
        std::vector<double> ink;  // x0, x1, y0, y1
        std::size_t hmtxBytes = 0;
        long longMetrics = 0;  // then left bearings only
        long bearing = -400;   // where 'B' starts, its left bearing
    };
    const std::vector<long> one = {0, 500, 0, 0, 0};
    const Case cases[] = {
        {"a mark left of the pen moves one cell right", one, 'B', {1, 4, 6, 8}},
        {"a mark from the pen on stays", one, 'C', {0, 3, 6, 8}},
        {"a mark across the pen moves on to the cell", one, 'D', {0, 8, 12, 13}},
        {"the cell is the most common advance", {0, 500, 0, 1000, 1000, 1500}, 'B', {6, 9, 6, 8}},
        // Not a mark: moved in only as far as the cell's edge.
        {"a glyph with an advance moves in to the cell's edge",
         {0, 500, 500, 0, 0},
         'B',
         {0, 3, 6, 8}},
        {"no character advances: no cell, in to the edge", {0, 0, 0, 0, 0}, 'B', {0, 3, 6, 8}},
        // Without its advance, the mark is no mark: in to the edge.
        {"no advance past the end of 'hmtx'", one, 'B', {0, 3, 6, 8}, 8},
        {"glyphs past the long metrics advance as the last", one, 'B', {0, 3, 6, 8}, 14, 2},
        {"a mark whose bearing reaches past one cell moves as far",
         one,
         'B',
         {0, 3, 6, 8},
         0,
         0,
         -800},
        {"a bearing within one cell moves it one cell", one, 'B', {2, 5, 6, 8}, 0, 0, -300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Ttf font;
        font.unitsPerEm = 1600;
        font.glyphs.push_back(square(c.bearing, 500, c.bearing + 300, 700));
        font.glyphs.push_back(square(0, 500, 300, 700));
        font.glyphs.push_back(square(-700, 0, 100, 100));
        font.glyphs.push_back(square(100, 0, 600, 700));
        font.tweak = [&c](std::map<std::string, Bytes>& t) {
            for (std::size_t g = 0; g < c.advances.size(); ++g)
                set16(t["hmtx"], 4 * g, c.advances[g]);
            if (c.hmtxBytes != 0) t["hmtx"].resize(c.hmtxBytes);
            if (c.longMetrics != 0) set16(t["hhea"], 34, c.longMetrics);
        };
        const Result r = import(font.bytes());
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(inkCovers(r.font, c.slot, c.ink[0], c.ink[1], c.ink[2], c.ink[3]));
    }
}

// A collection of the fonts: each one's tables where its own file has them,
// after the collection's header, its directory's offsets moved with it.
Bytes collection(const std::vector<Bytes>& fonts) {
    Bytes out;
    put(out, 0x74746366, 4), put(out, 0x10000, 4), put(out, static_cast<long>(fonts.size()), 4);
    const long header = 12 + 4 * static_cast<long>(fonts.size());
    long at = header;
    for (const Bytes& font : fonts) put(out, at, 4), at += static_cast<long>(font.size());
    for (const Bytes& font : fonts) {
        const std::size_t start = out.size(), count = std::size_t{font[4]} << 8 | font[5];
        out.insert(out.end(), font.begin(), font.end());
        for (std::size_t i = 0; i < count; ++i) {
            const std::size_t entry = start + 12 + 16 * i + 8;
            long offset = 0;
            for (int b = 0; b < 4; ++b) offset = offset << 8 | out[entry + b];
            offset += static_cast<long>(start);
            for (int b = 0; b < 4; ++b)
                out[entry + b] = static_cast<std::uint8_t>(offset >> (24 - 8 * b));
        }
    }
    return out;
}

TEST(TrueType, ACollectionsFontIsPickedByIndex) {
    Ttf wide;
    wide.glyphs[1] = square(100, 0, 900, 700);
    const Bytes both = collection({Ttf{}.bytes(), wide.bytes()});
    const std::pair<int, double> cases[] = {{0, 9.6}, {1, 14.4}, {2, 0}};
    for (const auto& [index, right] : cases) {
        SCOPED_TRACE(index);
        const Result r = import(both, 16, 0, 13, index);
        EXPECT_EQ(r.ok, right != 0) << r.error;
        if (r.ok) EXPECT_TRUE(inkCovers(r.font, 'A', 1.6, right, 1.8, 13));
        if (!r.ok) EXPECT_EQ(r.error, "--index 2: the collection holds 2 fonts, numbered from 0");
    }
}

TEST(TrueType, ItsOwnCmapIsItsMap) {
    Ttf font;
    font.glyphs.push_back(square(0, 0, 100, 100));
    CodepointMap map;
    std::string error;
    ASSERT_TRUE(mapFromFont(font.bytes(), map, error)) << error;
    EXPECT_EQ(map.codepoints[0], std::vector<char32_t>{U'A'});
    EXPECT_EQ(map.codepoints[1], std::vector<char32_t>{U'B'});
}

TEST(TrueType, SignaturesAreSniffedButRawFontsStayRaw) {
    Bytes padded = Ttf{}.bytes(), raw(fontBytes, 0xC3);
    padded.resize(fontBytes);
    raw[1] = 1;
    raw[0] = raw[2] = raw[3] = 0;
    const std::pair<Bytes, const char*> cases[] = {
        {Ttf{}.bytes(), "ttf"},
        {{0, 1, 0, 0, 0}, "ttf"},
        {{'O', 'T', 'T', 'O'}, "ttf"},
        {padded, "ttf"},
        {raw, "fnt"},
    };
    for (const auto& [data, format] : cases) {
        FontData found;
        std::string error;
        ASSERT_TRUE(identifyFontData(data, found, error)) << error;
        EXPECT_STREQ(found.format->name, format) << data.size();
    }
}

TEST(TrueType, HostileFontsAreRefusedWithTheirReason) {
    struct Case {
        const char* what;
        std::function<Bytes()> make;
        const char* error;  // none: imported
        int index = 0;
    };
    auto tweaked = [](std::function<void(std::map<std::string, Bytes>&)> tweak) {
        return [tweak] {
            Ttf font;
            font.tweak = tweak;
            return font.bytes();
        };
    };
    auto cut = [](std::size_t size) {
        return [size] {
            Bytes b = Ttf{}.bytes();
            b.resize(size);
            return b;
        };
    };
    auto cffWith = [](std::function<void(Bytes&)> change) {
        return [change] {
            Ttf font;
            font.cff = cffTable({cffSquare});
            change(font.cff);
            return font.bytes();
        };
    };
    const Case cases[] = {
        {"a truncated directory", cut(40), "truncated sfnt table directory"},
        {"a truncated last table", cut(Ttf{}.bytes().size() - 60), "past the end of the file"},
        {"a table past the end",
         [] {
             Bytes b = Ttf{}.bytes();
             b[12 + 8] = 0x7F;  // the first table's offset
             return b;
         },
         "the 'OS/2' table lies past the end of the file"},
        // The engine reads its way through these glyph offsets (none is drawn
        // from outside the file, as the sanitizer build checks).
        {"loca past glyf", tweaked([](auto& t) { t["loca"][7] = 0xFF; }), nullptr},
        {"loca going backwards", tweaked([](auto& t) { t["loca"][3] = 4; }), nullptr},
        {"a short loca", tweaked([](auto& t) { t["loca"].resize(4); }),
         "neither outlines nor one-bit bitmap strikes"},
        {"a glyph count past loca", tweaked([](auto& t) { set16(t["maxp"], 4, 0xFFFF); }),
         "neither outlines nor one-bit bitmap strikes"},
        {"no units per em", tweaked([](auto& t) { set16(t["head"], 18, 0); }), "units per em 0"},
        {"a short head", tweaked([](auto& t) { t["head"].resize(50); }),
         "no complete 'head' table"},
        {"no cmap", tweaked([](auto& t) { t.erase("cmap"); }), "no 'cmap' table"},
        {"a cmap subtable of format 6", tweaked([](auto& t) { set16(t["cmap"], 12, 6); }),
         "no Unicode 'cmap' subtable"},
        {"a cmap range past its table",
         tweaked([](auto& t) { set16(t["cmap"], 12 + 16 + 6 * 2, 0x7000); }),
         "a 'cmap' range points past its table"},
        {"a CFF header index of offset size 5", cffWith([](Bytes& c) { c[6] = 5; }),
         "cannot open the font"},
        {"CFF charstrings past the table", cffWith([](Bytes& c) { c[28] = 0x7F; }),
         "cannot open the font"},
        {"a cmap format 4 whose segments overlap", tweaked([](auto& t) {
             set16(t["cmap"], 12 + 14, 0xFFFF);  // the first segment's end
             set16(t["cmap"], 12 + 20, 0);       // and start
         }),
         "the 'cmap' segments overlap: they span 65537 codes of 65536"},
        {"--index 1 of a single font", [] { return Ttf{}.bytes(); },
         "--index 1: the file holds one font, number 0", 1},
        {"bitmaps only, of another size",
         [] { return strikeFont(1, 1, [](Bytes& b) { b[8 + 44] = b[8 + 45] = 12; }); },
         "the font has no outlines and no bitmaps of 16 pixels (it has: 12)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = import(c.make(), 16, 0, 13, c.index);
        EXPECT_EQ(r.ok, c.error == nullptr);
        if (c.error != nullptr) EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    }
}

TEST(TrueType, BrokenGlyphsAreLeftBlankWithTheirReason) {
    Bytes truncated = square(100, 0, 600, 700);
    truncated.resize(truncated.size() - 3);
    Bytes flags = square(100, 0, 600, 700);
    flags.resize(14);
    // Subroutine i calls subroutine i + 1 thirty times, eight deep: 30^8
    // calls unless stopped.
    std::vector<Bytes> runaway(9, Bytes{11});
    for (std::uint8_t i = 0; i < 8; ++i)
        for (int n = 0; n < 30; ++n)
            runaway[i].insert(runaway[i].begin(), {static_cast<std::uint8_t>(33 + i), 29});
    struct Case {
        const char* what;
        Bytes font;
        char slot;
    };
    Ttf self, outside, shortGlyph, shortFlags, cff, fanOut;
    self.glyphs.push_back(composite({{2, 0, 0}}));
    // 40 parts of 40 empty parts each: drawn, 1640 components.
    fanOut.glyphs.push_back(composite(std::vector<std::vector<long>>(40, {3, 0, 0})));
    fanOut.glyphs.push_back(composite(std::vector<std::vector<long>>(40, {0, 0, 0})));
    outside.glyphs.push_back(composite({{1, 0, 0}, {9, 0, 0}}));
    shortGlyph.glyphs.push_back(truncated);
    shortFlags.glyphs.push_back(flags);
    cff.cff = cffTable({cffSquare, {32, 29, 14}}, runaway);
    cff.glyphs.push_back({});
    // The engine's reason is its own; the glyph is blank, said so or not,
    // and the font's other glyphs are drawn.
    const Case cases[] = {
        {"a composite of itself", self.bytes(), 'B'},
        {"a component past the glyphs", outside.bytes(), 'B'},
        {"components fanning out", fanOut.bytes(), 'B'},
        {"truncated coordinates", shortGlyph.bytes(), 'B'},
        {"truncated flags", shortFlags.bytes(), 'B'},
        {"runaway CFF subroutines", cff.bytes(), 'B'},
        {"bitmap data past its table", strikeFont(1, 1, [](Bytes& b) { b[64 + 4] = 0x7F; }), 'A'},
        {"a bitmap index past its table", strikeFont(1, 1, [](Bytes& b) { b[56 + 4] = 0x7F; }),
         'A'},
        {"bitmap index format 9", strikeFont(1, 1, [](Bytes& b) { b[64 + 1] = 9; }), 'A'},
        {"bitmap image format 8", strikeFont(1, 1, [](Bytes& b) { b[64 + 3] = 8; }), 'A'},
        {"image format 5 without metrics", strikeFont(1, 2, [](Bytes& b) { b[64 + 3] = 5; }), 'A'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Result r = import(c.font);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(blank(r.font, c.slot));
        if (c.slot == 'B') EXPECT_TRUE(inkCovers(r.font, 'A', 1.6, 9.6, 1.8, 13));
        ASSERT_LE(r.warnings.size(), 1u);
        for (const std::string& warning : r.warnings)
            EXPECT_EQ(warning.rfind(std::string(codepointName(static_cast<unsigned char>(c.slot))) +
                                        " is left blank: ",
                                    0),
                      0u)
                << warning;
    }
}

TEST(TrueType, BitmapStrikesAreReadInEveryLayout) {
    const std::pair<int, int> layouts[] = {{1, 1}, {3, 2}, {1, 6}, {4, 7}, {2, 5}, {5, 5}};
    for (auto [indexFormat, imageFormat] : layouts) {
        SCOPED_TRACE("index format " + std::to_string(indexFormat) + ", image format " +
                     std::to_string(imageFormat));
        const Result r = import(strikeFont(indexFormat, imageFormat), 0);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
        for (int y = 0; y < glyphSide; ++y)
            for (int x = 0; x < glyphSide; ++x)
                EXPECT_EQ(r.font.pixel('A', x, y),
                          (y == 9 && (x == 1 || x == 3)) || (y == 10 && (x == 2 || x == 3)))
                    << x << "," << y;
    }
}

TEST(TrueType, CelkitsOwnOtbReadsBack) {
    Font font;
    for (std::size_t i = 0; i < font.bytes.size(); ++i)
        font.bytes[i] = static_cast<std::uint8_t>(i * 7 + (i >> 5));
    const CodepointMap map = *builtinMap("cp437");
    const Result r = import(exportFont(font, *formatNamed("otb"), ExportOptions{map, "t"}), 0);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.font.bytes, font.bytes);
    EXPECT_TRUE(r.warnings.empty());
}

// Real fonts at the defaults, in each build's engine: nothing clipped, and
// the descenders (and the underscore) below the letters' baseline.
TEST(TrueType, RealFontsFitTheCellByDefault) {
    for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf"}) {
        SCOPED_TRACE(path);
        std::ifstream file(path, std::ios::binary);
        if (!file) GTEST_SKIP() << "fonts-dejavu-core or fonts-liberation is not installed";
        const Bytes data((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const Result r = import(data, 0);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
        auto lowest = [&](char c) {
            int row = -1;
            for (int y = 0; y < glyphSide; ++y)
                for (int x = 0; x < glyphSide; ++x)
                    if (r.font.pixel(static_cast<unsigned char>(c), x, y)) row = y;
            return row;
        };
        for (char c : std::string("_gjpqy")) EXPECT_GT(lowest(c), lowest('a')) << c;
    }
}

}  // namespace
}  // namespace celkit
