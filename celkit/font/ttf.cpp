#include "celkit/font/ttf.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>

#include "celkit/font/bdf.h"
#include "celkit/font/sfnt_writer.h"

namespace celkit {

namespace {

using sfnt::Bytes;
using sfnt::put;
using sfnt::put16;
using sfnt::put32;

constexpr int unitsPerPixel = 64;  // 16 pixels to the em of 1024: a unit is 1/64 pixel at 16
constexpr int numGlyphs = glyphCount + 1;

// Directions on the pixel lattice, y down, clockwise as seen: right, down, left, up.
constexpr int dx[4] = {1, 0, -1, 0}, dy[4] = {0, 1, 0, -1};

struct Point {
    int x, y;
};
using Contour = std::vector<Point>;

struct Edge {
    int x, y, dir;  // from lattice point (x, y)
};

// The boundary between a glyph's ink and the rest, as closed contours with
// the ink on their right. Where two pieces of boundary meet at a corner
// (pixels touching diagonally) both ways on are right; the way that joins
// two contours into one is taken, so each connected piece of boundary is
// one contour that may touch itself at such corners.
std::vector<Contour> traceContours(const Font& font, int glyph, Cell cell) {
    const int width = cell.width;
    const int height = glyphSide;
    auto ink = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < height && font.pixel(glyph, x, y);
    };
    std::vector<Edge> edges;
    const int stride = width + 1;
    std::vector<std::array<int, 4>> out((width + 1) * (height + 1), {-1, -1, -1, -1});
    auto add = [&](int x, int y, int dir) {
        out[y * stride + x][dir] = static_cast<int>(edges.size());
        edges.push_back({x, y, dir});
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (!ink(x, y)) continue;
            if (!ink(x, y - 1)) add(x, y, 0);
            if (!ink(x + 1, y)) add(x + 1, y, 1);
            if (!ink(x, y + 1)) add(x + 1, y + 1, 2);
            if (!ink(x - 1, y)) add(x, y + 1, 3);
        }
    const int count = static_cast<int>(edges.size());
    // First the right turn everywhere: each 4-connected piece of ink and each hole on its own.
    std::vector<int> next(count), previous(count);
    for (int e = 0; e < count; ++e) {
        const Edge& edge = edges[e];
        const std::array<int, 4>& at =
            out[(edge.y + dy[edge.dir]) * stride + edge.x + dx[edge.dir]];
        const int right = at[(edge.dir + 1) % 4], straight = at[edge.dir];
        next[e] = right >= 0 ? right : straight >= 0 ? straight : at[(edge.dir + 3) % 4];
        previous[next[e]] = e;
    }
    std::vector<int> loop(count, -1), parent;
    for (int e = 0; e < count; ++e) {
        if (loop[e] >= 0) continue;
        for (int f = e; loop[f] < 0; f = next[f]) loop[f] = static_cast<int>(parent.size());
        parent.push_back(static_cast<int>(parent.size()));
    }
    auto find = [&](int l) {
        while (parent[l] != l) l = parent[l];
        return l;
    };
    // Then, at each corner where two contours meet, the left turns that join them.
    for (int e = 0; e < count; ++e) {
        const Edge &a = edges[e], &b = edges[next[e]];
        if (b.dir != (a.dir + 1) % 4) continue;  // not a right turn
        const int other = out[b.y * stride + b.x][(a.dir + 3) % 4];
        if (other < 0) continue;
        const int g = previous[other];  // the edge entering from the opposite side
        if (find(loop[e]) == find(loop[g])) continue;
        parent[find(loop[e])] = find(loop[g]);
        std::swap(next[e], next[g]);
        previous[next[e]] = e;
        previous[next[g]] = g;
    }
    std::vector<Contour> contours;
    std::vector<bool> done(count, false);
    for (int e = 0; e < count; ++e) {
        if (done[e]) continue;
        std::vector<int> path;
        for (int f = e; !done[f]; f = next[f]) {
            done[f] = true;
            path.push_back(f);
        }
        // Corners only: a point where the direction changes (never all one way).
        Contour contour;
        for (std::size_t i = 0; i < path.size(); ++i) {
            const Edge& edge = edges[path[i]];
            if (edge.dir != edges[path[(i + path.size() - 1) % path.size()]].dir)
                contour.push_back({edge.x * unitsPerPixel, (cell.ascent - edge.y) * unitsPerPixel});
        }
        contours.push_back(std::move(contour));
    }
    return contours;
}

struct Glyph {
    Bytes data;
    int points = 0, contours = 0;
    sfnt::Box box{0, 0, 0, 0};
};

// A simple glyph: every point on the curve, coordinates as deltas. Corners
// alternate between moving across and moving up or down, so a flag is seldom
// its predecessor's and none is marked repeated.
Glyph encode(const std::vector<Contour>& contours) {
    Glyph glyph;
    if (contours.empty()) return glyph;
    sfnt::Box& box = glyph.box;
    box = {contours[0][0].x, contours[0][0].y, contours[0][0].x, contours[0][0].y};
    Bytes ends, flags, xs, ys;
    Point last{0, 0};
    for (const Contour& contour : contours) {
        for (const Point& p : contour) {
            box = {std::min(box.xMin, p.x), std::min(box.yMin, p.y), std::max(box.xMax, p.x),
                   std::max(box.yMax, p.y)};
            int flag = 0x01;
            const int deltas[2] = {p.x - last.x, p.y - last.y};
            Bytes* coords[2] = {&xs, &ys};
            for (int axis = 0; axis < 2; ++axis) {
                const int d = deltas[axis], shortBit = 0x02 << axis, sameBit = 0x10 << axis;
                if (d == 0) {
                    flag |= sameBit;
                } else if (d > -256 && d < 256) {
                    flag |= shortBit | (d > 0 ? sameBit : 0);
                    put(*coords[axis], std::abs(d), 1);
                } else {
                    put16(*coords[axis], d);
                }
            }
            flags.push_back(static_cast<std::uint8_t>(flag));
            last = p;
            ++glyph.points;
        }
        put16(ends, glyph.points - 1);
    }
    glyph.contours = static_cast<int>(contours.size());
    Bytes& t = glyph.data;
    put16(t, glyph.contours);
    for (int v : {box.xMin, box.yMin, box.xMax, box.yMax}) put16(t, v);
    t.insert(t.end(), ends.begin(), ends.end());
    put16(t, 0);  // no instructions
    for (const Bytes* part : {&flags, &xs, &ys}) t.insert(t.end(), part->begin(), part->end());
    t.resize((t.size() + 3) / 4 * 4, 0);
    return glyph;
}

Bytes maximumProfile(const std::vector<Glyph>& glyphs) {
    int points = 0, contours = 0;
    for (const Glyph& g : glyphs) points = std::max(points, g.points);
    for (const Glyph& g : glyphs) contours = std::max(contours, g.contours);
    Bytes t;
    put32(t, 0x00010000);
    put16(t, numGlyphs);
    // Points and contours; none composite; two zones, no storage or functions;
    // the one value the font program pushes; no glyph instructions.
    for (int v : {points, contours, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0}) put16(t, v);
    return t;
}

// Ranges of sizes and how to render them: smoothed, except at the size the pixels are drawn for.
Bytes gridFitting() {
    Bytes t;
    put16(t, 1);
    put16(t, 3);
    for (int v : {glyphSide - 1, 0x000F, glyphSide, 0x0001, 0xFFFF, 0x000F}) put16(t, v);
    return t;
}

}  // namespace

std::vector<std::uint8_t> writeTtf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell) {
    // Each glyph's code as the other formats give it, then its other code
    // points that no glyph has yet.
    const std::vector<char32_t> unique = uniqueCodepoints(map);
    sfnt::CodeGlyphs codes;
    std::set<char32_t> taken(unique.begin(), unique.end());
    for (int g = 0; g < glyphCount; ++g) codes.emplace_back(unique[g], g + 1);
    for (int g = 0; g < glyphCount; ++g)
        for (char32_t code : map.codepoints[g])
            if (taken.insert(code).second) codes.emplace_back(code, g + 1);
    const sfnt::Layout layout{unitsPerPixel, cell.width, cell.ascent};  // advanced by the cell
    const int advance = layout.advance * unitsPerPixel;
    std::vector<Glyph> glyphs(1);  // the .notdef, blank
    for (int g = 0; g < glyphCount; ++g) glyphs.push_back(encode(traceContours(font, g, cell)));

    Bytes outlines, locations, metrics;
    put16(metrics, advance);
    put16(metrics, 0);
    sfnt::Box bounds{0, 0, 0, 0};
    int minLeft = 0, minRight = 0, maxExtent = 0;
    bool any = false;
    for (const Glyph& g : glyphs) {
        put32(locations, static_cast<long>(outlines.size()));
        outlines.insert(outlines.end(), g.data.begin(), g.data.end());
        if (&g != &glyphs.front())
            put16(metrics, g.box.xMin);  // left bearing: x of 0 at the origin
        if (g.contours == 0) continue;
        const sfnt::Box& b = g.box;
        bounds = any ? sfnt::Box{std::min(bounds.xMin, b.xMin), std::min(bounds.yMin, b.yMin),
                                 std::max(bounds.xMax, b.xMax), std::max(bounds.yMax, b.yMax)}
                     : b;
        minLeft = any ? std::min(minLeft, b.xMin) : b.xMin;
        minRight = any ? std::min(minRight, advance - b.xMax) : advance - b.xMax;
        maxExtent = std::max(maxExtent, b.xMax);
        any = true;
    }
    put32(locations, static_cast<long>(outlines.size()));
    // The outlines lie on pixel edges, where dropout control could only add
    // pixels; a font program of its own also keeps FreeType from auto-hinting.
    const Bytes program = {0xB0, 0x00, 0x85};  // push 0, set scan control
    return sfnt::assemble({
        {"OS/2", sfnt::os2(layout, codes, sfnt::coverage(codes))},
        {"cmap", sfnt::characterMap(codes, false)},
        {"gasp", gridFitting()},
        {"glyf", outlines},
        {"head", sfnt::fontHeader(layout, bounds, 1)},
        {"hhea", sfnt::horizontalHeader(layout, minLeft, minRight, maxExtent)},
        {"hmtx", metrics},
        {"loca", locations},
        {"maxp", maximumProfile(glyphs)},
        {"name", sfnt::names(family)},
        {"post", sfnt::postScript(layout)},
        {"prep", program},
    });
}

}  // namespace celkit
