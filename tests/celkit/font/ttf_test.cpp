// The .ttf read back by a small reader of its own: each shape's outline,
// filled by the nonzero winding rule at the pixel centres, is its ink, with
// the fewest contours and corners; OS/2 claims only code pages held whole.
// ots-sanitize, fontTools (also the tables' bounds against the outlines),
// FreeType, fontconfig and Pillow read it in consumers.py; this runs on the
// Windows build too, which must write the same bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "celkit/font/font_formats.h"
#include "celkit/font/ttf.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Ttf {
    Bytes b;
    std::map<std::string, std::size_t> at;

    long u(std::size_t offset, int n) const {
        long v = 0;
        for (int i = 0; i < n; ++i) v = v << 8 | b.at(offset + i);
        return v;
    }
    long s16(std::size_t offset) const { return static_cast<std::int16_t>(u(offset, 2)); }

    explicit Ttf(Bytes file) : b(std::move(file)) {
        for (long i = 0; i < u(4, 2); ++i)
            at[std::string(b.begin() + 12 + 16 * i, b.begin() + 16 + 16 * i)] =
                u(12 + 16 * i + 8, 4);
    }

    // Glyph g's contours as points (x, y) in font units.
    std::vector<std::vector<std::pair<long, long>>> contours(int g) const {
        const std::size_t start = at.at("glyf") + u(at.at("loca") + 4 * g, 4);
        if (u(at.at("loca") + 4 * g + 4, 4) == u(at.at("loca") + 4 * g, 4)) return {};
        const long count = s16(start), points = u(start + 10 + 2 * (count - 1), 2) + 1;
        std::size_t p = start + 10 + 2 * count;
        p += 2 + u(p, 2);  // instructions
        std::vector<int> flags;
        while (static_cast<long>(flags.size()) < points) {
            const int flag = b.at(p++);
            for (int r = (flag & 8) ? b.at(p++) : 0; r >= 0; --r) flags.push_back(flag);
        }
        std::vector<std::pair<long, long>> all(points);
        for (int axis = 0; axis < 2; ++axis) {
            long v = 0;
            for (long i = 0; i < points; ++i) {
                EXPECT_TRUE(flags[i] & 1) << "on the curve";
                const int f = flags[i] >> axis;
                if (f & 2)
                    v += (f & 0x10) ? b.at(p) : -b.at(p), ++p;
                else if (!(f & 0x10))
                    v += s16(p), p += 2;
                (axis ? all[i].second : all[i].first) = v;
            }
        }
        std::vector<std::vector<std::pair<long, long>>> out;
        for (long c = 0, first = 0; c < count; ++c) {
            const long last = u(start + 10 + 2 * c, 2);
            out.emplace_back(all.begin() + first, all.begin() + last + 1);
            first = last + 1;
        }
        return out;
    }
};

// Nonzero winding number at the centre of each pixel of the cell (rows from the top).
std::vector<std::string> fill(const std::vector<std::vector<std::pair<long, long>>>& contours) {
    std::vector<std::string> rows(16, std::string(16, '.'));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const long cx = x * 64 + 32, cy = (13 - y) * 64 + 32;
            int winding = 0;
            for (const auto& c : contours)
                for (std::size_t i = 0; i < c.size(); ++i) {
                    const auto [x0, y0] = c[i];
                    const auto [x1, y1] = c[(i + 1) % c.size()];
                    EXPECT_TRUE(x0 % 64 == 0 && y0 % 64 == 0 && (x0 == x1) != (y0 == y1));
                    if (x0 > cx && std::min(y0, y1) < cy && std::max(y0, y1) > cy)
                        winding += y1 > y0 ? 1 : -1;
                }
            EXPECT_TRUE(winding == 0 || winding == -1) << "clockwise, never overlapping";
            if (winding) rows[y][x] = '#';
        }
    return rows;
}

TEST(Ttf, OutlinesFillTheInkWithTheFewestContoursAndCorners) {
    const std::string checker = "#.#.#.#.#.#.#.#.", full(16, '#');
    std::vector<std::string> board, square(16, full), corners(16);
    for (int y = 0; y < 16; ++y) board.push_back(y % 2 ? checker.substr(1) + "." : checker);
    corners[0] = "#", corners[15] = std::string(15, '.') + "#";
    struct Row {
        const char* name;
        std::vector<std::string> ink;
        std::size_t contours;
        int corners;  // -1: not counted
    };
    const Row rows[] = {
        {"blank", {}, 0, 0},
        {"the whole cell", square, 1, 4},
        {"a run", {"", "", "..############"}, 1, 4},
        {"opposite corners", corners, 2, 8},
        {"touching at a corner", {"#.", ".#"}, 1, 8},
        {"a ring around a hole", {"###", "#.#", "###"}, 2, 8},
        {"a ring closed at a corner", {"###", "#.#", "##."}, 1, 10},
        {"a diamond around a blank", {".#.", "#.#", ".#."}, 1, 16},
        {"a checkerboard", board, 1, -1},
        {"two shapes", {"##..##", "#....#"}, 2, 12},
    };
    for (const Row& row : rows) {
        Font font;
        std::vector<std::string> ink(16, std::string(16, '.'));
        for (std::size_t y = 0; y < row.ink.size(); ++y)
            for (std::size_t x = 0; x < row.ink[y].size(); ++x)
                if (row.ink[y][x] == '#') font.setPixel(0x41, x, y, true), ink[y][x] = '#';
        const Ttf ttf(writeTtf(font, *builtinMap("cp437"), "t"));
        const auto contours = ttf.contours(0x41 + 1);
        EXPECT_EQ(fill(contours), ink) << row.name;
        EXPECT_EQ(contours.size(), row.contours) << row.name;
        std::size_t corners = 0;
        for (const auto& c : contours) corners += c.size();
        if (row.corners >= 0) EXPECT_EQ(corners, static_cast<std::size_t>(row.corners)) << row.name;
    }
}

Font sample() {
    Font font;
    std::uint32_t seed = 7;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return font;
}

// Windows offers a font for the code pages OS/2 claims: a claim only where
// every character of the page is in the font.
TEST(Ttf, CodePagesClaimedAreTheOnesTheMapHoldsWhole) {
    const std::pair<const char*, std::uint64_t> rows[] = {{"cp437", 1ull << 63},
                                                          {"cp850", 1ull << 62},
                                                          {"cp852", 1ull << 58},
                                                          {"cp866", 1ull << 49},
                                                          {"windows-1252", 1ull << 0},
                                                          {"windows-1250", 1ull << 1},
                                                          {"windows-1251", 1ull << 2},
                                                          {"latin1", 0},
                                                          {"koi8-r", 0}};
    for (const auto& [map, pages] : rows) {
        const Ttf ttf(writeTtf(Font{}, *builtinMap(map), "t"));
        const std::size_t os2 = ttf.at.at("OS/2");
        EXPECT_EQ(static_cast<std::uint64_t>(ttf.u(os2 + 78, 4)) |
                      static_cast<std::uint64_t>(ttf.u(os2 + 82, 4)) << 32,
                  pages)
            << map;
    }
}

// The Windows build must write what the native one does, byte for byte (so
// that what the consumers check natively holds for it too): the native
// build's digests of the sample font's file. (A baseline 14 rows down gives
// the bytes written before it was found from the glyphs.)
TEST(Ttf, TheSameBytesOnEveryBuild) {
    const struct {
        int width;
        std::optional<int> baseline;
        unsigned long crc;
    } rows[] = {{16, 14, 553165306ul}, {8, std::nullopt, 431118899ul}};
    for (const auto& row : rows) {
        const Bytes file =
            exportFont(sample(), *formatNamed("ttf"),
                       ExportOptions{*builtinMap("cp437"), "Sample Font", row.width, row.baseline});
        EXPECT_EQ(crc32(0, file.data(), static_cast<uInt>(file.size())), row.crc) << row.width;
    }
}

}  // namespace
}  // namespace celkit
