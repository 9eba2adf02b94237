// The .otb read back by a small reader of its own: the table directory and
// checksums a loader verifies, each glyph's code found through both
// character maps, and its strike image the .fnt's bytes. FreeType and
// fontconfig read it in consumers.py; this runs on the Windows build too.
#include <gtest/gtest.h>
#include <zlib.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "celkit/font/bdf.h"
#include "celkit/font/font_formats.h"
#include "celkit/font/otb.h"
#include "celkit/font/pcf.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t be(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | b.at(at + i);
    return v;
}

std::uint32_t sum(const Bytes& b, std::size_t at, std::size_t size) {
    std::uint32_t s = 0;
    for (std::size_t i = 0; i < size; i += 4) s += be(b, at + i, 4);
    return s;
}

Font sample() {
    Font font;
    std::uint32_t seed = 99;
    for (auto& b : font.bytes)
        b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
    return font;
}

struct Otb {
    Bytes bytes;
    std::map<std::string, std::size_t> at;  // table offsets

    // The glyph a code maps to through the cmap subtable of `format`.
    std::uint32_t glyph(std::uint32_t code, int format) const {
        const std::size_t cmap = at.at("cmap");
        for (std::uint32_t i = 0; i < be(bytes, cmap + 2, 2); ++i) {
            const std::size_t t = cmap + be(bytes, cmap + 8 + 8 * i, 4);
            if (be(bytes, cmap + 4 + 8 * i, 2) != 3 ||
                be(bytes, t, 2) != static_cast<std::uint32_t>(format))
                continue;
            if (format == 12) {
                for (std::uint32_t g = 0; g < be(bytes, t + 12, 4); ++g) {
                    const std::size_t r = t + 16 + 12 * g;
                    if (code >= be(bytes, r, 4) && code <= be(bytes, r + 4, 4))
                        return be(bytes, r + 8, 4) + code - be(bytes, r, 4);
                }
                return 0;
            }
            const std::uint32_t segments = be(bytes, t + 6, 2) / 2;
            // The binary search's fields, which consumers check: a power of two at most the count.
            std::uint32_t power = 1, log = 0;
            while (power * 2 <= segments) power *= 2, ++log;
            EXPECT_EQ(be(bytes, t + 8, 2), 2 * power) << segments << " segments";
            EXPECT_EQ(be(bytes, t + 10, 2), log);
            EXPECT_EQ(be(bytes, t + 12, 2), 2 * (segments - power));
            for (std::uint32_t s = 0; s < segments; ++s) {
                const std::size_t end = t + 14 + 2 * s, start = end + 2 * segments + 2;
                if (code > be(bytes, end, 2) || code < be(bytes, start, 2)) continue;
                EXPECT_EQ(be(bytes, start + 4 * segments, 2), 0u);  // no glyph index array
                return (code + be(bytes, start + 2 * segments, 2)) & 0xFFFF;
            }
            return 0;
        }
        return 0;
    }
};

Otb parse(const Bytes& file) {
    Otb otb{file, {}};
    const std::uint32_t count = be(file, 4, 2);
    std::string previous;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t record = 12 + 16 * i;
        const std::string tag(file.begin() + static_cast<long>(record),
                              file.begin() + static_cast<long>(record) + 4);
        const std::uint32_t offset = be(file, record + 8, 4), length = be(file, record + 12, 4);
        EXPECT_LT(previous, tag) << "tags in order";
        EXPECT_EQ(offset % 4, 0u) << tag;
        EXPECT_LE(offset + ((length + 3) & ~3u), file.size()) << tag;
        std::uint32_t expected = sum(file, offset, length);
        if (tag == "head") expected -= be(file, offset + 8, 4);  // counted without the adjustment
        EXPECT_EQ(be(file, record + 4, 4), expected) << tag;
        otb.at[tag] = offset;
        previous = tag;
    }
    EXPECT_EQ(file.size() % 4, 0u);
    EXPECT_EQ(sum(file, 0, file.size()), 0xB1B0AFBAu);
    return otb;
}

TEST(Otb, EveryGlyphIsFoundByItsCodeAndHoldsTheFontsBytes) {
    const Font font = sample();
    CodepointMap cp437 = *builtinMap("cp437"), block;
    cp437.codepoints[2] = {U'\x1F600'};   // beyond the first plane: format 12 only
    cp437.codepoints[3] = {U'\xFFFF'};    // the code format 4's closing segment holds
    cp437.codepoints[5] = {};             // none: its Private Use fallback
    for (int g = 0; g < glyphCount; ++g)  // one run and the closing one: a power of two
        block.codepoints[g] = {static_cast<char32_t>(0xE000 + g)};
    for (const CodepointMap* map : {&block, &cp437}) {
        const std::vector<char32_t> codes = uniqueCodepoints(*map);
        const Otb otb = parse(writeOtb(font, *map, "t"));
        for (int g = 0; g < glyphCount; ++g) {
            EXPECT_EQ(otb.glyph(codes[g], 12), static_cast<std::uint32_t>(g + 1)) << g;
            EXPECT_EQ(otb.glyph(codes[g], 4),
                      codes[g] < 0xFFFF ? static_cast<std::uint32_t>(g + 1) : 0u)
                << g;
        }
        EXPECT_EQ(otb.glyph(0x1F601, 12), 0u);
        EXPECT_EQ(otb.glyph(0xFFFF, 4), 0u);
        if (map != &cp437) continue;

        // The strike: index format 2 (one size for all), images packed in EBDT.
        const std::size_t eblc = otb.at.at("EBLC"), ebdt = otb.at.at("EBDT");
        const std::size_t array = eblc + be(otb.bytes, eblc + 8, 4);
        const std::size_t subtable = array + be(otb.bytes, array + 4, 4);
        ASSERT_EQ(be(otb.bytes, subtable, 4), 0x00020005u);
        const std::size_t images = ebdt + be(otb.bytes, subtable + 4, 4);
        const std::uint32_t size = be(otb.bytes, subtable + 8, 4);
        ASSERT_EQ(size, 32u);
        for (int g = 0; g < glyphCount; ++g)
            EXPECT_TRUE(std::equal(font.bytes.begin() + g * 32, font.bytes.begin() + g * 32 + 32,
                                   otb.bytes.begin() + static_cast<long>(images + (g + 1) * size)))
                << g;
    }
}

// The Windows build must write what the native one does, byte for byte
// (so that what FreeType and fontconfig check natively holds for it too):
// these are the native build's digests of the sample font's files. (A
// baseline 14 rows down gives the bytes written before it was found from
// the glyphs.)
TEST(Otb, WritersGiveTheSameBytesOnEveryBuild) {
    const Font font = sample();
    const CodepointMap map = *builtinMap("cp437");
    struct Row {
        const char* format;
        int width;
        std::optional<int> baseline;
        unsigned long crc;
    };
    const Row rows[] = {{"pcf", 16, 14, 3886592171ul},
                        {"otb", 16, 14, 3567456093ul},
                        {"bdf", 8, std::nullopt, 237926032ul},
                        {"pcf", 8, std::nullopt, 1885621671ul},
                        {"otb", 8, std::nullopt, 886668290ul}};
    for (const Row& row : rows) {
        const Bytes file = exportFont(font, *formatNamed(row.format),
                                      ExportOptions{map, "Sample Font", row.width, row.baseline});
        EXPECT_EQ(crc32(0, file.data(), static_cast<uInt>(file.size())), row.crc)
            << row.format << " " << row.width;
    }
}

}  // namespace
}  // namespace celkit
