#include "celkit/picture/colour_census.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace celkit {
namespace {

// The tie-break: the larger count, then the smaller colour.
struct Tally {
    ColourCensus census;
    std::size_t bestCount = 0;
    void offer(std::uint32_t colour, std::size_t count) {
        if (count == 0) return;
        ++census.colours;
        if (count > bestCount || (count == bestCount && colour < census.mostCommon)) {
            census.mostCommon = colour;
            bestCount = count;
        }
    }
    ColourCensus finish(std::size_t transparent) {
        census.mostCommonCount = bestCount;
        census.transparent = transparent;
        return census;
    }
};

// Pixels counted per palette entry, eight at a time where eight bytes in
// a row are the same (paper, mostly). The counts are a local array so that
// the compiler need not reload the pixels after each count.
ColourCensus countIndexed(const Picture& picture, std::size_t transparent) {
    std::size_t counts[256] = {};
    const std::uint8_t* bytes = picture.bytes.data();
    std::size_t i = 0, n = picture.pixelCount();
    if (transparent != 0) {
        for (; i < n; ++i)
            if (!picture.transparent(i)) ++counts[bytes[i]];
    }
    for (; n - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word == (word & 0xFF) * 0x0101010101010101u) {
            counts[word & 0xFF] += 8;
            continue;
        }
        for (int k = 0; k < 8; ++k) ++counts[bytes[i + static_cast<std::size_t>(k)]];
    }
    for (; i < n; ++i) ++counts[bytes[i]];
    Tally tally;  // the palette holds each colour once
    for (std::size_t index = 0; index < picture.palette.size(); ++index)
        tally.offer(picture.palette[index], counts[index]);
    return tally.finish(transparent);
}

// Up to half the table's size in colours, counted a run at a time; false
// once there are more.
constexpr std::size_t smallTableSize = 4096;
struct SmallTable {
    std::uint32_t colour[smallTableSize];
    std::size_t count[smallTableSize];  // 0: a free slot
};

bool countFew(const Picture& picture, std::size_t transparent, ColourCensus& census) {
    auto table = std::make_unique<SmallTable>();
    std::fill(std::begin(table->count), std::end(table->count), 0);
    std::size_t used = 0, n = picture.pixelCount();
    for (std::size_t i = 0; i < n;) {
        if (picture.transparent(i)) {
            ++i;
            continue;
        }
        std::uint32_t c = picture.colour(i);
        std::size_t end = i + 1;
        while (end < n && picture.colour(end) == c && !picture.transparent(end)) ++end;
        std::size_t slot = (c * 2654435761u) >> 20 & (smallTableSize - 1);
        while (table->count[slot] != 0 && table->colour[slot] != c)
            slot = (slot + 1) & (smallTableSize - 1);
        if (table->count[slot] == 0) {
            if (++used > smallTableSize / 2) return false;
            table->colour[slot] = c;
        }
        table->count[slot] += end - i;
        i = end;
    }
    Tally tally;
    for (std::size_t slot = 0; slot < smallTableSize; ++slot)
        tally.offer(table->colour[slot], table->count[slot]);
    census = tally.finish(transparent);
    return true;
}

// Many colours: one pass counts each red, one copies green and blue into
// that red's stretch, then each stretch is counted in a 65536-entry table
// (256 KiB) that stays in the cache, and read back through the stretch
// itself, each entry cleared as it is taken: no pass over unused entries.
ColourCensus countMany(const Picture& picture, std::size_t transparent) {
    std::size_t n = picture.pixelCount();
    const std::uint8_t* rgb = picture.bytes.data();
    std::vector<std::size_t> start(257, 0);
    for (std::size_t i = 0; i < n; ++i)
        if (!picture.transparent(i)) ++start[static_cast<std::size_t>(rgb[i * 3]) + 1];
    for (std::size_t red = 1; red <= 256; ++red) start[red] += start[red - 1];
    std::vector<std::uint16_t> greenBlue(n - transparent);
    std::vector<std::size_t> next(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < n; ++i) {
        if (picture.transparent(i)) continue;
        const std::uint8_t* p = rgb + i * 3;
        greenBlue[next[p[0]]++] = static_cast<std::uint16_t>(p[1] << 8 | p[2]);
    }
    Tally tally;
    std::vector<std::uint32_t> counts(65536, 0);
    for (std::uint32_t red = 0; red < 256; ++red) {
        const std::uint16_t* first = greenBlue.data() + start[red];
        const std::uint16_t* last = greenBlue.data() + start[red + 1];
        for (const std::uint16_t* p = first; p != last; ++p) ++counts[*p];
        for (const std::uint16_t* p = first; p != last; ++p) {
            tally.offer(red << 16 | *p, counts[*p]);
            counts[*p] = 0;
        }
    }
    return tally.finish(transparent);
}

}  // namespace

ColourCensus takeCensus(const Picture& picture) {
    std::size_t transparent = 0;
    if (picture.alpha.size() != 0)
        for (std::size_t i = 0; i < picture.pixelCount(); ++i)
            transparent += picture.alpha[i] < 128 ? 1 : 0;
    if (picture.indexed()) return countIndexed(picture, transparent);
    ColourCensus census;
    if (countFew(picture, transparent, census)) return census;
    return countMany(picture, transparent);
}

}  // namespace celkit
