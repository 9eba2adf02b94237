#include "celkit/picture/colour_census.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace celkit {
namespace {

constexpr std::uint32_t colourSpace = 1u << 24;

// Pixels counted per palette entry, eight at a time where eight bytes in
// a row are the same (paper, mostly). The counts are a local array so that
// the compiler need not reload the pixels after each count.
std::vector<std::size_t> indexCounts(const Picture& picture) {
    std::size_t counts[256] = {};
    const std::uint8_t* bytes = picture.bytes.data();
    std::size_t i = 0, n = picture.pixelCount();
    for (; n - i >= 8; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        if (word == (word & 0xFF) * 0x0101010101010101u) {
            counts[word & 0xFF] += 8;
            continue;
        }
        for (int k = 0; k < 8; ++k) ++counts[bytes[i + std::size_t(k)]];
    }
    for (; i < n; ++i) ++counts[bytes[i]];
    return std::vector<std::size_t>(counts, counts + 256);
}

// Counts of up to `capacity` / 2 colours in an open-addressed table, a run
// of one colour at a time; false once there are more colours than that.
constexpr std::size_t smallTableSize = 4096;
struct SmallTable {
    std::uint32_t colour[smallTableSize];
    std::size_t count[smallTableSize];  // 0: a free slot
};

bool countFew(const Picture& picture, SmallTable& table) {
    std::fill(std::begin(table.count), std::end(table.count), 0);
    std::size_t used = 0, n = picture.pixelCount();
    for (std::size_t i = 0; i < n;) {
        std::uint32_t c = picture.colour(i);
        std::size_t end = i + 1;
        while (end < n && picture.colour(end) == c) ++end;
        std::size_t slot = (c * 2654435761u) >> 20 & (smallTableSize - 1);
        while (table.count[slot] != 0 && table.colour[slot] != c)
            slot = (slot + 1) & (smallTableSize - 1);
        if (table.count[slot] == 0) {
            if (++used > smallTableSize / 2) return false;
            table.colour[slot] = c;
        }
        table.count[slot] += end - i;
        i = end;
    }
    return true;
}

struct FreeCounts {
    void operator()(std::uint32_t* p) const { std::free(p); }
};

// A count per 24-bit colour; calloc leaves the pages a picture never
// touches unmapped. 40 M pixels fit a 32-bit count.
std::unique_ptr<std::uint32_t, FreeCounts> countEvery(const Picture& picture) {
    std::unique_ptr<std::uint32_t, FreeCounts> counts(
        static_cast<std::uint32_t*>(std::calloc(colourSpace, sizeof(std::uint32_t))));
    if (!counts) throw std::bad_alloc();
    std::uint32_t* c = counts.get();
    for (std::size_t i = 0, n = picture.pixelCount(); i < n; ++i) ++c[picture.colour(i)];
    return counts;
}

// The tie-break: the larger count, then the smaller colour.
struct Best {
    std::uint32_t colour = 0;
    std::size_t count = 0;
    void offer(std::uint32_t c, std::size_t n) {
        if (n > count || (n == count && n != 0 && c < colour)) {
            colour = c;
            count = n;
        }
    }
};

}  // namespace

std::uint32_t mostCommonColour(const Picture& picture) {
    Best best;
    if (picture.indexed()) {
        std::vector<std::size_t> counts = indexCounts(picture);
        for (std::size_t i = 0; i < picture.palette.size(); ++i)
            best.offer(picture.palette[i], counts[i]);
        return best.colour;
    }
    auto table = std::make_unique<SmallTable>();
    if (countFew(picture, *table)) {
        for (std::size_t slot = 0; slot < smallTableSize; ++slot)
            best.offer(table->colour[slot], table->count[slot]);
        return best.colour;
    }
    table.reset();
    auto counts = countEvery(picture);
    for (std::uint32_t c = 0; c < colourSpace; ++c) best.offer(c, counts.get()[c]);
    return best.colour;
}

std::size_t colourCount(const Picture& picture) {
    if (picture.indexed()) {
        std::vector<std::size_t> counts = indexCounts(picture);
        return std::size_t(
            std::count_if(counts.begin(), counts.end(), [](std::size_t n) { return n != 0; }));
    }
    std::vector<bool> seen(colourSpace, false);  // 2 MiB
    std::size_t count = 0;
    for (std::size_t i = 0, n = picture.pixelCount(); i < n; ++i) {
        std::uint32_t c = picture.colour(i);
        if (!seen[c]) {
            seen[c] = true;
            ++count;
        }
    }
    return count;
}

}  // namespace celkit
