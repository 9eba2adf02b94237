#include "celkit/font/truetype_import.h"

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <map>
#include <set>

#include "celkit/font/text_codes.h"

namespace celkit {

using Bytes = std::vector<std::uint8_t>;

namespace {

// What stb_truetype may spend on one glyph. Its asserts run in every
// charstring subroutine call and in the rasteriser's edge loop, so counting
// them meters its work; allocations are capped. Over either, it is left by
// longjmp (no C++ object lives in the frames skipped) and what it holds freed.
struct Meter {
    std::jmp_buf escape;
    long steps = 0, stepLimit = 0;
    std::size_t bytes = 0, byteLimit = 0;
    std::vector<void*> blocks;
};
// One thread renders (thread_local would cost a call per step on MinGW).
Meter* meter = nullptr;

void step() {
    if (meter != nullptr && ++meter->steps > meter->stepLimit) std::longjmp(meter->escape, 1);
}

void* meteredAlloc(std::size_t size) {
    if (meter == nullptr || size > meter->byteLimit - meter->bytes) return nullptr;
    void* block = std::malloc(size);
    if (block == nullptr) return nullptr;
    meter->bytes += size;
    meter->blocks.push_back(block);
    return block;
}

void meteredFree(void* block) {
    if (block == nullptr || meter == nullptr) return;
    auto found = std::find(meter->blocks.rbegin(), meter->blocks.rend(), block);
    if (found == meter->blocks.rend()) return;
    meter->blocks.erase(std::next(found).base());
    std::free(block);
}

// The rasteriser's own rounding, so that both builds (glibc and msvcrt)
// compute the same pixels from the same SSE arithmetic.
double floorOf(double x) {
    if (!(x > -1e15 && x < 1e15)) return x != x ? 0 : x;
    const double t = static_cast<double>(static_cast<long long>(x));
    return t > x ? t - 1 : t;
}
double ceilOf(double x) { return -floorOf(-x); }
double sqrtOf(double x) { return x > 0 ? __builtin_sqrt(x) : 0; }
double absOf(double x) { return __builtin_fabs(x); }

}  // namespace
}  // namespace celkit

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STBTT_STATIC
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_assert(x) celkit::step()
#define STBTT_malloc(x, u) ((void)(u), celkit::meteredAlloc(x))
#define STBTT_free(x, u) ((void)(u), celkit::meteredFree(x))
#define STBTT_ifloor(x) (static_cast<int>(celkit::floorOf(x)))
#define STBTT_iceil(x) (static_cast<int>(celkit::ceilOf(x)))
#define STBTT_sqrt(x) celkit::sqrtOf(x)
#define STBTT_fabs(x) celkit::absOf(x)
// Used by its distance fields only, which celkit does not draw.
#define STBTT_pow(x, y) (static_cast<void>(y), x)
#define STBTT_fmod(x, y) (static_cast<void>(y), x)
#define STBTT_cos(x) (x)
#define STBTT_acos(x) (x)
#include <stb_truetype.h>
#pragma GCC diagnostic pop

namespace celkit {
namespace {

// Larger outlines are no character's; the caps bound what one file costs.
constexpr long pointsPerGlyph = 8192;
constexpr int nestingLimit = 8;            // components within components
constexpr long componentsPerGlyph = 4096;  // counted with repeats, as they are drawn
// A font's budget grows with its size: a large font is allowed its many glyphs.
constexpr long stepsPerGlyph = 4000000, stepsPerFont = 40000000, stepsPerByte = 64;
constexpr long segmentCost = 10;  // steps per line segment the rasteriser draws
constexpr std::size_t bytesPerGlyph = 32u << 20;
constexpr int window = 48, margin = 16;  // the canvas around the cell, to see what is clipped

std::uint32_t be(const std::uint8_t* p, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = v << 8 | p[i];
    return v;
}

struct Table {
    std::size_t offset = 0, length = 0;
    bool found = false;
};

class Sfnt {
public:
    explicit Sfnt(const Bytes& data) : data_(data) {}

    bool open(std::string& error) {
        if (data_.size() < 12) return fail(error, "truncated sfnt header");
        const std::uint32_t count = u16(4);
        if (count > (data_.size() - 12) / 16) return fail(error, "truncated sfnt table directory");
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = 12 + 16 * i;
            const std::size_t offset = u32(at + 8), length = u32(at + 12);
            if (offset > data_.size() || length > data_.size() - offset)
                return fail(error, "the '" + tag(at) + "' table lies past the end of the file");
            tables_[tag(at)] = {offset, length, true};
        }
        head_ = table("head");
        if (!head_.found || head_.length < 54) return fail(error, "no complete 'head' table");
        const Table hhea = table("hhea"), maxp = table("maxp");
        if (!hhea.found || hhea.length < 36) return fail(error, "no complete 'hhea' table");
        if (!maxp.found || maxp.length < 6) return fail(error, "no complete 'maxp' table");
        hmtx_ = table("hmtx");
        if (!hmtx_.found) return fail(error, "no 'hmtx' table");
        unitsPerEm_ = static_cast<int>(u16(head_.offset + 18));
        if (unitsPerEm_ < 16 || unitsPerEm_ > 16384)
            return fail(error,
                        "units per em " + std::to_string(unitsPerEm_) + " outside 16 .. 16384");
        ascender_ = static_cast<std::int16_t>(u16(hhea.offset + 4));
        longMetrics_ = static_cast<long>(u16(hhea.offset + 34));
        glyphCount_ = static_cast<long>(u16(maxp.offset + 4));
        if (!readCmap(error)) return false;
        if (table("CFF ").found) return openCff(error);
        // A bitmap-only font (.otb) has strikes and no outlines.
        if (!table("glyf").found && !table("loca").found && table("EBLC").found &&
            table("EBDT").found) {
            outlines_ = false;
            return true;
        }
        return openGlyf(error);
    }

    // stb_truetype's record, filled here rather than by stbtt_InitFont,
    // which takes a CFF table to be 512 MiB long.
    void describe(stbtt_fontinfo& info) const {
        info = stbtt_fontinfo{};
        info.data = const_cast<std::uint8_t*>(data_.data());
        info.numGlyphs = static_cast<int>(glyphCount_);
        info.head = static_cast<int>(head_.offset);
        info.hhea = static_cast<int>(table("hhea").offset);
        info.hmtx = static_cast<int>(table("hmtx").offset);
        info.index_map = 1;  // looked up here, never by stb_truetype
        if (cff_.found) {
            info.cff = stbtt__new_buf(data_.data() + cff_.offset, cff_.length);
            info.charstrings = index(charstrings_);
            info.gsubrs = index(gsubrs_);
            info.subrs = subrs_ ? index(subrs_) : stbtt__new_buf(nullptr, 0);
            if (fdArray_) {
                info.fontdicts = index(fdArray_);
                info.fdselect = stbtt__buf_range(&info.cff, static_cast<int>(fdSelect_),
                                                 static_cast<int>(cff_.length - fdSelect_));
            }
        } else {
            info.loca = static_cast<int>(table("loca").offset);
            info.glyf = static_cast<int>(table("glyf").offset);
            info.indexToLocFormat = longLoca_ ? 1 : 0;
        }
    }

    // False with a reason when the glyph's outline would lead stb_truetype
    // outside the data or past the caps.
    bool checkGlyph(long glyph, std::string& error) {
        if (glyph < 0 || glyph >= glyphCount_) return fail(error, "no such glyph");
        if (!outlines_) return fail(error, "no outlines, and no bitmap at this size");
        if (cff_.found) return checkCffGlyph(glyph, error);
        long points = 0;
        long components = 0;
        return checkOutline(glyph, 0, points, components, error);
    }

    int unitsPerEm() const { return unitsPerEm_; }
    bool outlines() const { return outlines_; }
    Table table(const std::string& name) const {
        auto found = tables_.find(name);
        return found == tables_.end() ? Table{} : found->second;
    }
    int ascender() const { return ascender_; }
    const std::map<char32_t, long>& cmap() const { return cmap_; }

    // The glyph's advance width in font units, or -1 when 'hmtx' lacks it.
    long advance(long glyph) const {
        if (longMetrics_ == 0 || glyph < 0) return -1;
        const std::size_t at = 4 * static_cast<std::size_t>(std::min(glyph, longMetrics_ - 1));
        if (at + 2 > hmtx_.length) return -1;
        return static_cast<long>(u16(hmtx_.offset + at));
    }

    // The glyph's left side bearing in font units: where the font says its
    // drawing starts, right of the pen. False when 'hmtx' lacks it.
    bool leftBearing(long glyph, long& bearing) const {
        if (longMetrics_ == 0 || glyph < 0) return false;
        const std::size_t at = glyph < longMetrics_
                                   ? 4 * static_cast<std::size_t>(glyph) + 2
                                   : 4 * static_cast<std::size_t>(longMetrics_) +
                                         2 * static_cast<std::size_t>(glyph - longMetrics_);
        if (at + 2 > hmtx_.length) return false;
        bearing = static_cast<std::int16_t>(u16(hmtx_.offset + at));
        return true;
    }

private:
    static bool fail(std::string& error, const std::string& why) {
        error = why;
        return false;
    }
    std::uint32_t u16(std::size_t at) const { return be(data_.data() + at, 2); }
    std::uint32_t u32(std::size_t at) const { return be(data_.data() + at, 4); }
    std::string tag(std::size_t at) const {
        std::string t(reinterpret_cast<const char*>(data_.data() + at), 4);
        for (char& c : t)
            if (c < 0x20 || c > 0x7E) c = '?';
        return t;
    }
    bool readCmap(std::string& error) {
        const Table cmap = table("cmap");
        if (!cmap.found || cmap.length < 4) return fail(error, "no 'cmap' table");
        const std::uint32_t count = u16(cmap.offset + 2);
        if (count > (cmap.length - 4) / 8) return fail(error, "truncated 'cmap' table");
        // The fullest Unicode subtable: format 12 before format 4.
        std::size_t best = 0;
        std::uint32_t bestFormat = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t record = cmap.offset + 4 + 8 * i;
            const std::uint32_t platform = u16(record), encoding = u16(record + 2);
            const std::uint32_t offset = u32(record + 4);
            const bool unicode =
                platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
            if (!unicode || offset > cmap.length - 2) continue;
            const std::uint32_t format = u16(cmap.offset + offset);
            if ((format == 4 || format == 12) && format > bestFormat) {
                best = cmap.offset + offset;
                bestFormat = format;
            }
        }
        if (bestFormat == 0) return fail(error, "no Unicode 'cmap' subtable of format 4 or 12");
        const std::size_t end = cmap.offset + cmap.length;
        auto add = [&](std::uint32_t code, std::uint32_t glyph) {
            if (glyph != 0 && glyph < static_cast<std::uint32_t>(glyphCount_) && code <= 0x10FFFF)
                cmap_.emplace(static_cast<char32_t>(code), static_cast<long>(glyph));
        };
        if (bestFormat == 12) {
            if (end - best < 16) return fail(error, "truncated 'cmap' subtable");
            const std::uint32_t groups = u32(best + 12);
            if (groups > (end - best - 16) / 12) return fail(error, "truncated 'cmap' subtable");
            std::uint64_t mapped = 0;
            for (std::uint32_t g = 0; g < groups; ++g) {
                const std::size_t at = best + 16 + 12 * g;
                const std::uint32_t first = u32(at),
                                    last = std::min<std::uint32_t>(u32(at + 4), 0x10FFFF);
                if (first > last) continue;
                if ((mapped += last - first + 1) > 0x110000)
                    return fail(error, "the 'cmap' subtable maps more than every code point");
                for (std::uint32_t c = first; c <= last; ++c) add(c, u32(at + 8) + (c - first));
            }
            return true;
        }
        if (end - best < 14) return fail(error, "truncated 'cmap' subtable");
        const std::uint32_t segments = u16(best + 6) / 2;
        if (segments * 8 + 16 > end - best) return fail(error, "truncated 'cmap' subtable");
        const std::size_t ends = best + 14, starts = ends + 2 * segments + 2,
                          deltas = starts + 2 * segments, ranges = deltas + 2 * segments;
        for (std::uint32_t s = 0; s < segments; ++s) {
            const std::uint32_t first = u16(starts + 2 * s), last = u16(ends + 2 * s);
            const std::uint32_t delta = u16(deltas + 2 * s), range = u16(ranges + 2 * s);
            for (std::uint32_t c = first; c <= last && c != 0xFFFF; ++c) {
                if (range == 0) {
                    add(c, (c + delta) & 0xFFFF);
                    continue;
                }
                const std::size_t at = ranges + 2 * s + range + 2 * (c - first);
                if (at + 2 > end) return fail(error, "a 'cmap' range points past its table");
                const std::uint32_t glyph = u16(at);
                if (glyph != 0) add(c, (glyph + delta) & 0xFFFF);
            }
        }
        return true;
    }

    bool openGlyf(std::string& error) {
        const Table loca = table("loca"), glyf = table("glyf");
        if (!loca.found || !glyf.found)
            return fail(error, "neither 'glyf' and 'loca' nor 'CFF ' outlines");
        longLoca_ = u16(head_.offset + 50) != 0;
        const std::size_t each = longLoca_ ? 4 : 2;
        if (loca.length / each < static_cast<std::size_t>(glyphCount_) + 1)
            return fail(error, "the 'loca' table is shorter than the glyph count");
        glyfOffset_ = glyf.offset;
        std::size_t previous = 0;
        for (long g = 0; g <= glyphCount_; ++g) {
            const std::size_t at = loca.offset + each * static_cast<std::size_t>(g);
            const std::size_t offset = longLoca_ ? u32(at) : 2 * static_cast<std::size_t>(u16(at));
            if (offset > glyf.length)
                return fail(error, "the 'loca' table points past the 'glyf' table");
            if (offset < previous) return fail(error, "the 'loca' offsets go backwards");
            loca_.push_back(previous = offset);
        }
        return true;
    }

    // A simple glyph's data must hold all it counts; a composite's parts
    // must be glyphs, nest boundedly and add up to a bounded outline.
    bool checkOutline(long glyph, int depth, long& points, long& components, std::string& error) {
        if (depth > nestingLimit) return fail(error, "components nest too deep");
        const std::size_t start = glyfOffset_ + loca_[glyph], end = glyfOffset_ + loca_[glyph + 1];
        if (start == end) return true;
        if (end - start < 10) return fail(error, "truncated glyph header");
        const int contours = static_cast<std::int16_t>(u16(start));
        std::size_t at = start + 10;
        if (contours >= 0) {
            if (end - at < 2 * static_cast<std::size_t>(contours) + 2)
                return fail(error, "truncated contour table");
            std::uint32_t last = 0;
            for (int c = 0; c < contours; ++c, at += 2) {
                const std::uint32_t e = u16(at);
                if (c > 0 && e < last) return fail(error, "contour ends go backwards");
                last = e;
            }
            const long count = contours == 0 ? 0 : static_cast<long>(last) + 1;
            if ((points += count) > pointsPerGlyph)
                return fail(error, "more than " + std::to_string(pointsPerGlyph) + " points");
            // stb_truetype reads a point past the outline when its last
            // point is a contour of its own and off the curve.
            bool lastAlone = count == 1;
            for (int c = 0; c < contours; ++c)
                lastAlone = lastAlone || static_cast<long>(u16(start + 10 + 2 * c)) + 2 == count;
            at += 2 + u16(at);  // the instructions
            std::size_t xBytes = 0, yBytes = 0;
            std::uint32_t flags = 0;
            for (long p = 0; p < count;) {
                if (at >= end) return fail(error, "truncated point flags");
                flags = data_[at++];
                long repeat = 1;
                if (flags & 8) {
                    if (at >= end) return fail(error, "truncated point flags");
                    repeat += data_[at++];
                }
                repeat = std::min(repeat, count - p);
                xBytes += static_cast<std::size_t>(repeat) * ((flags & 2)    ? 1
                                                              : (flags & 16) ? 0
                                                                             : 2);
                yBytes += static_cast<std::size_t>(repeat) * ((flags & 4)    ? 1
                                                              : (flags & 32) ? 0
                                                                             : 2);
                p += repeat;
            }
            if (xBytes + yBytes > end - at) return fail(error, "truncated point coordinates");
            if (lastAlone && (flags & 1) == 0)
                return fail(error, "its last contour is one point off the curve");
            return true;
        }
        if (contours != -1) return true;  // stb_truetype draws nothing for it
        for (bool more = true; more;) {
            if (end - at < 4) return fail(error, "truncated component");
            const std::uint32_t flags = u16(at), part = u16(at + 2);
            std::size_t size = 4 + ((flags & 1) ? 4 : 2);
            size += (flags & 8) ? 2 : (flags & 0x40) ? 4 : (flags & 0x80) ? 8 : 0;
            if (end - at < size) return fail(error, "truncated component");
            if (part >= static_cast<std::uint32_t>(glyphCount_))
                return fail(error, "a component names glyph " + std::to_string(part) + " of " +
                                       std::to_string(glyphCount_));
            if (++components > componentsPerGlyph)
                return fail(error,
                            "more than " + std::to_string(componentsPerGlyph) + " components");
            if (!checkOutline(static_cast<long>(part), depth + 1, points, components, error))
                return false;
            at += size;
            more = (flags & 0x20) != 0;
        }
        return true;
    }

    // A CFF INDEX at `at`: its offsets in order and within the table. Returns
    // the offset after it, or 0 when it is broken.
    std::size_t checkIndex(std::size_t at, std::uint32_t* countOut = nullptr) const {
        const std::size_t end = cff_.length;
        const std::uint8_t* base = data_.data() + cff_.offset;
        if (at > end || end - at < 2) return 0;
        const std::uint32_t count = be(base + at, 2);
        if (countOut != nullptr) *countOut = count;
        if (count == 0) return at + 2;
        if (end - at < 3) return 0;
        const int size = base[at + 2];
        if (size < 1 || size > 4) return 0;
        const std::size_t offsets = at + 3,
                          data = offsets + (count + 1) * static_cast<std::size_t>(size);
        if (data > end) return 0;
        std::uint32_t previous = 1;
        for (std::uint32_t i = 0; i <= count; ++i) {
            const std::uint32_t o = be(base + offsets + i * size, size);
            if (o < previous || o - 1 > end - data) return 0;
            previous = o;
        }
        return data + previous - 1;
    }
    stbtt__buf index(std::size_t at) const {
        stbtt__buf b = stbtt__new_buf(data_.data() + cff_.offset, cff_.length);
        stbtt__buf_seek(&b, static_cast<int>(at));
        return stbtt__cff_get_index(&b);
    }
    // The first integer operands of `key` in a DICT, as stb_truetype reads them.
    void dictInts(stbtt__buf dict, int key, int count, std::uint32_t* out) const {
        stbtt__dict_get_ints(&dict, key, count, out);
    }
    std::size_t privateSubrs(stbtt__buf dict, std::string& error, bool& ok) const {
        std::uint32_t where[2] = {0, 0}, subrs = 0;
        dictInts(dict, 18, 2, where);
        if (where[0] == 0 || where[1] == 0) return 0;
        if (where[1] > cff_.length || where[0] > cff_.length - where[1]) {
            ok = fail(error, "the CFF private dictionary lies past its table");
            return 0;
        }
        stbtt__buf cff = stbtt__new_buf(data_.data() + cff_.offset, cff_.length);
        dictInts(stbtt__buf_range(&cff, static_cast<int>(where[1]), static_cast<int>(where[0])), 19,
                 1, &subrs);
        if (subrs == 0) return 0;
        if (subrs > cff_.length - where[1] || checkIndex(where[1] + subrs) == 0) {
            ok = fail(error, "broken CFF subroutine index");
            return 0;
        }
        return where[1] + subrs;
    }

    bool openCff(std::string& error) {
        cff_ = table("CFF ");
        if (cff_.length < 4 || cff_.length >= 0x40000000) return fail(error, "truncated CFF table");
        const std::uint8_t* base = data_.data() + cff_.offset;
        std::size_t at = base[2];
        std::uint32_t topCount = 0;
        at = checkIndex(at);  // names
        const std::size_t top = at;
        if (at != 0) at = checkIndex(at, &topCount);  // top dictionaries
        if (at != 0) at = checkIndex(at);             // strings
        if (at == 0 || topCount == 0 || checkIndex(at) == 0)
            return fail(error, "broken CFF header indexes");
        gsubrs_ = at;
        const stbtt__buf topDict = stbtt__cff_index_get(index(top), 0);
        std::uint32_t charstrings = 0, type = 2, fdArray = 0, fdSelect = 0;
        dictInts(topDict, 17, 1, &charstrings);
        dictInts(topDict, 0x100 | 6, 1, &type);
        dictInts(topDict, 0x100 | 36, 1, &fdArray);
        dictInts(topDict, 0x100 | 37, 1, &fdSelect);
        if (type != 2) return fail(error, "CFF charstrings of type " + std::to_string(type));
        std::uint32_t count = 0;
        if (charstrings == 0 || checkIndex(charstrings, &count) == 0)
            return fail(error, "broken CFF charstring index");
        if (count < static_cast<std::uint32_t>(glyphCount_))
            return fail(error, "the CFF table has fewer glyphs than 'maxp' counts");
        charstrings_ = charstrings;
        bool ok = true;
        subrs_ = privateSubrs(topDict, error, ok);
        if (!ok) return false;
        if (fdArray != 0) {
            if (fdSelect == 0 || fdSelect >= cff_.length || checkIndex(fdArray, &fdCount_) == 0)
                return fail(error, "broken CFF font dictionary index");
            fdArray_ = fdArray;
            fdSelect_ = fdSelect;
            for (std::uint32_t i = 0; i < fdCount_ && ok; ++i)
                privateSubrs(stbtt__cff_index_get(index(fdArray_), static_cast<int>(i)), error, ok);
            if (!ok) return false;
        }
        return true;
    }

    // A CID font's glyph needs a font dictionary that exists, found as
    // stb_truetype finds it.
    bool checkCffGlyph(long glyph, std::string& error) const {
        if (fdArray_ == 0) return true;
        const std::uint8_t* p = data_.data() + cff_.offset + fdSelect_;
        const std::size_t left = cff_.length - fdSelect_;
        long fd = -1;
        if (p[0] == 0 && static_cast<std::size_t>(glyph) + 1 < left) fd = p[1 + glyph];
        if (p[0] == 3 && left >= 5) {
            const std::uint32_t ranges = be(p + 1, 2);
            std::uint32_t first = be(p + 3, 2);
            for (std::uint32_t r = 0; r < ranges && 5 + 3 * r + 3 <= left; ++r) {
                const std::uint32_t next = be(p + 5 + 3 * r + 1, 2);
                if (static_cast<std::uint32_t>(glyph) >= first &&
                    static_cast<std::uint32_t>(glyph) < next) {
                    fd = p[5 + 3 * r];
                    break;
                }
                first = next;
            }
        }
        if (fd < 0 || fd >= static_cast<long>(fdCount_))
            return fail(error, "no CFF font dictionary for the glyph");
        return true;
    }

    const Bytes& data_;
    std::map<std::string, Table> tables_;
    Table head_, cff_, hmtx_;
    int unitsPerEm_ = 0, ascender_ = 0;
    long glyphCount_ = 0, longMetrics_ = 0;
    std::map<char32_t, long> cmap_;
    bool longLoca_ = false, outlines_ = true;
    std::size_t glyfOffset_ = 0;
    std::vector<std::size_t> loca_;
    std::size_t charstrings_ = 0, gsubrs_ = 0, subrs_ = 0, fdArray_ = 0, fdSelect_ = 0;
    std::uint32_t fdCount_ = 0;
};

// An embedded bitmap strike (EBLC/EBDT) of one pixel size and depth 1:
// every lookup checked against its table, as the strike's own offsets and
// metrics are as untrusted as the outlines'.
class Strike {
public:
    Strike(const Bytes& data, Table eblc, Table ebdt, int ppem)
        : data_(data), eblc_(eblc), ebdt_(ebdt) {
        std::uint32_t sizes = 0;
        if (!eblc.found || !ebdt.found || !get(eblc_, 4, 4, sizes)) return;
        for (std::uint32_t i = 0; i < sizes && i < 256; ++i) {
            const std::size_t record = 8 + 48 * static_cast<std::size_t>(i);
            std::uint32_t y = 0, depth = 0, ascender = 0;
            if (!get(eblc_, record + 45, 1, y) || !get(eblc_, record + 46, 1, depth) ||
                !get(eblc_, record + 16, 1, ascender))
                return;
            if (depth == 1) sizes_ += (sizes_.empty() ? "" : ", ") + std::to_string(y);
            if (static_cast<int>(y) == ppem && depth == 1 && !found_) {
                record_ = record;
                ascender_ = static_cast<std::int8_t>(ascender);
                found_ = true;
            }
        }
    }

    bool found() const { return found_; }
    // "12, 16": the pixel sizes of its one-bit strikes.
    const std::string& sizes() const { return sizes_; }

    // Draws the glyph's bitmap into the canvas, its origin `margin` in;
    // false when the strike has none, or a broken one (then `why` says so).
    bool draw(long glyph, std::vector<std::uint8_t>& canvas, bool& clipped,
              std::string& why) const {
        std::uint32_t array = 0, count = 0;
        if (!found_ || !get(eblc_, record_, 4, array) || !get(eblc_, record_ + 8, 4, count))
            return false;
        for (std::uint32_t j = 0; j < count && j < 65536; ++j) {
            std::uint32_t first = 0, last = 0, extra = 0;
            const std::size_t entry = array + 8 * static_cast<std::size_t>(j);
            if (!get(eblc_, entry, 2, first) || !get(eblc_, entry + 2, 2, last) ||
                !get(eblc_, entry + 4, 4, extra)) {
                why = "broken bitmap index";
                return false;
            }
            const auto id = static_cast<std::uint32_t>(glyph);
            if (id < first || id > last) continue;
            return drawFrom(array + static_cast<std::size_t>(extra), id - first, glyph, canvas,
                            clipped, why);
        }
        return false;
    }

private:
    bool get(Table t, std::size_t at, int n, std::uint32_t& value) const {
        if (at > t.length || t.length - at < static_cast<std::size_t>(n)) return false;
        value = be(data_.data() + t.offset + at, n);
        return true;
    }

    struct Metrics {
        std::uint32_t height = 0, width = 0, x = 0, y = 0;
    };
    bool metrics(Table t, std::size_t at, Metrics& m) const {
        return get(t, at, 1, m.height) && get(t, at + 1, 1, m.width) && get(t, at + 2, 1, m.x) &&
               get(t, at + 3, 1, m.y);
    }

    bool drawFrom(std::size_t sub, std::uint32_t k, long glyph, std::vector<std::uint8_t>& canvas,
                  bool& clipped, std::string& why) const {
        std::uint32_t indexFormat = 0, imageFormat = 0, imageData = 0, a = 0, b = 0, size = 0,
                      n = 0;
        why = "broken bitmap index";
        if (!get(eblc_, sub, 2, indexFormat) || !get(eblc_, sub + 2, 2, imageFormat) ||
            !get(eblc_, sub + 4, 4, imageData))
            return false;
        Metrics m;
        bool shared = false;  // metrics in the index (formats 2 and 5)
        std::size_t start = 0, end = 0;
        switch (indexFormat) {
        case 1:
        case 3: {
            const int w = indexFormat == 1 ? 4 : 2;
            if (!get(eblc_, sub + 8 + w * k, w, a) || !get(eblc_, sub + 8 + w * (k + 1), w, b))
                return false;
            start = std::size_t{imageData} + a, end = std::size_t{imageData} + b;
            break;
        }
        case 2:
        case 5:
            if (!get(eblc_, sub + 8, 4, size) || !metrics(eblc_, sub + 12, m)) return false;
            shared = true;
            if (indexFormat == 5) {
                if (!get(eblc_, sub + 20, 4, n)) return false;
                std::uint32_t id = 0, i = 0;
                for (; i < n && i < 65536; ++i)
                    if (!get(eblc_, sub + 24 + 2 * i, 2, id) ||
                        id == static_cast<std::uint32_t>(glyph))
                        break;
                if (id != static_cast<std::uint32_t>(glyph)) return false;
                k = i;
            }
            start = std::size_t{imageData} + std::size_t{size} * k, end = start + size;
            break;
        case 4: {
            if (!get(eblc_, sub + 8, 4, n)) return false;
            std::uint32_t i = 0, id = 0;
            for (; i < n && i < 65536; ++i)
                if (!get(eblc_, sub + 12 + 4 * i, 2, id) || id == static_cast<std::uint32_t>(glyph))
                    break;
            if (i >= n || id != static_cast<std::uint32_t>(glyph) ||
                !get(eblc_, sub + 14 + 4 * i, 2, a) || !get(eblc_, sub + 18 + 4 * i, 2, b))
                return false;
            start = std::size_t{imageData} + a, end = std::size_t{imageData} + b;
            break;
        }
        default: why = "bitmap index format " + std::to_string(indexFormat); return false;
        }
        why = "broken bitmap";
        if (end < start || end > ebdt_.length) return false;
        if (end == start) return true;  // no ink
        const Table image{ebdt_.offset + start, end - start, true};
        std::size_t at = 0;
        bool aligned = false;
        switch (imageFormat) {
        case 1: aligned = true; [[fallthrough]];
        case 2:
            at = 5;
            if (!metrics(image, 0, m)) return false;
            break;
        case 5:
            if (!shared) return false;
            break;
        case 6: aligned = true; [[fallthrough]];
        case 7:
            at = 8;
            if (!metrics(image, 0, m)) return false;
            break;
        default: why = "bitmap image format " + std::to_string(imageFormat); return false;
        }
        const std::size_t stride = aligned ? (m.width + 7) / 8 : 0;
        const std::size_t bits = aligned ? stride * 8 * m.height : std::size_t{m.width} * m.height;
        if (image.length - at < (bits + 7) / 8) return false;
        const int left = static_cast<std::int8_t>(m.x),
                  top = ascender_ - static_cast<std::int8_t>(m.y);
        for (std::uint32_t y = 0; y < m.height; ++y)
            for (std::uint32_t x = 0; x < m.width; ++x) {
                const std::size_t bit = aligned ? y * stride * 8 + x : std::size_t{y} * m.width + x;
                if (!(data_[image.offset + at + bit / 8] & (0x80 >> (bit % 8)))) continue;
                const long cx = margin + left + static_cast<long>(x),
                           cy = margin + top + static_cast<long>(y);
                if (cx < 0 || cx >= window || cy < 0 || cy >= window) {
                    clipped = true;
                    continue;
                }
                canvas[static_cast<std::size_t>(cy * window + cx)] = 255;
            }
        why.clear();
        return true;
    }

    const Bytes& data_;
    Table eblc_, ebdt_;
    std::size_t record_ = 0;
    int ascender_ = 0;
    bool found_ = false;
    std::string sizes_;
};

// Renders glyph by glyph into 16 x 16 cells, within the caps.
class Renderer {
public:
    Renderer(const Bytes& data, Sfnt& font, int size, int threshold)
        : font_(font),
          strike_(data, font.table("EBLC"), font.table("EBDT"), size),
          threshold_(threshold),
          budget_(stepsPerFont +
                  stepsPerByte * static_cast<long>(std::min<std::size_t>(data.size(), 1u << 30))) {
        font.describe(info_);
        scale_ = static_cast<float>(size) / static_cast<float>(font.unitsPerEm());
        ascent_ = static_cast<int>(ceilOf(font.ascender() * static_cast<double>(scale_)));
    }

    // False with a reason when the font as a whole is beyond the caps; a
    // glyph that cannot be drawn is a warning and stays blank.
    // The glyph's 16 rows are appended to `bits`, where `out` says they start.
    bool render(long glyph, char32_t code, SourceGlyph& out, std::vector<std::uint8_t>& bits,
                std::string& error, std::vector<std::string>& warnings) {
        const std::string name = codepointName(code);
        const int cell = font_.advance(glyph) == 0 ? cellOf(code) : 0;
        long bearing = 0;
        const int reach =
            cell > 0 && font_.leftBearing(glyph, bearing) && bearing < 0
                ? static_cast<int>(
                      floorOf(static_cast<double>(-bearing) * static_cast<double>(scale_) + 0.5))
                : 0;
        out.number = static_cast<std::int32_t>(glyph);
        out.width = out.height = glyphSide;
        out.at = bits.size();
        bits.resize(bits.size() + 2 * glyphSide, 0);
        std::uint8_t* rows = &bits[out.at];
        std::string why;
        std::vector<std::uint8_t> bitmap(window * window, 0);
        bool clipped = false;
        if (strike_.draw(glyph, bitmap, clipped, why))
            return place(bitmap, clipped, cell, reach, name, rows);
        if (!why.empty()) {
            warnings.push_back(name + " is left blank: " + why);
            return true;
        }
        if (!font_.checkGlyph(glyph, why)) {
            warnings.push_back(name + " is left blank: " + why);
            return true;
        }
        std::vector<std::uint8_t> canvas(window * window, 0);
        Meter m;
        m.stepLimit = std::min(stepsPerGlyph, budget_ - spent_);
        m.byteLimit = bytesPerGlyph;
        meter = &m;
        const bool done = draw(m, glyph, canvas);
        for (void* block : m.blocks) std::free(block);
        meter = nullptr;
        spent_ += m.steps;
        if (spent_ >= budget_) {
            error = "the font's outlines take too long to render (at " + name + ")";
            return false;
        }
        if (!done) {
            warnings.push_back(name + " is left blank: its outline takes too long to render");
            return true;
        }
        return place(canvas, clipped_, cell, reach, name, rows);
    }

    // False with a reason when the font has nothing to draw at this size.
    bool drawable(int size, std::string& error) const {
        if (font_.outlines() || strike_.found()) return true;
        error = "the font has no outlines and no bitmaps of " + std::to_string(size) +
                " pixels (it has: " + (strike_.sizes().empty() ? "none" : strike_.sizes()) + ")";
        return false;
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
        int cell = modalAdvance(cmap.lower_bound(page), cmap.lower_bound(page + 0x100));
        if (cell == 0) {
            if (fontCell_ < 0) fontCell_ = modalAdvance(cmap.begin(), cmap.end());
            cell = fontCell_;
        }
        return cells_[page] = cell;
    }
    int modalAdvance(std::map<char32_t, long>::const_iterator from,
                     std::map<char32_t, long>::const_iterator to) const {
        std::map<long, long> counts;
        for (; from != to; ++from) {
            const long advance = font_.advance(from->second);
            if (advance > 0) ++counts[advance];
        }
        long best = 0, most = 0;
        for (const auto& [advance, count] : counts)  // the narrower of a tie
            if (count > most) best = advance, most = count;
        return static_cast<int>(
            floorOf(static_cast<double>(best) * static_cast<double>(scale_) + 0.5));
    }

    // The cell of the canvas where coverage reaches the threshold. A
    // zero-advance glyph (a combining mark) whose ink starts left of the pen
    // is drawn to sit on the character before it; alone in its cell it moves
    // right by `cell`, that character's width, or further when its own left
    // bearing (`reach` pixels left of the pen) says it starts further left,
    // and ink still left of the cell then moves on to the cell's edge rather
    // than be clipped.
    bool place(const std::vector<std::uint8_t>& canvas, bool clipped, int cell, int reach,
               const std::string& name, std::uint8_t* rows) {
        int left = window;  // the leftmost inked column
        for (int y = 0; y < window; ++y)
            for (int x = 0; x < left; ++x)
                if (canvas[y * window + x] >= threshold_) left = x;
        const int shift = cell > 0 && left < margin ? std::max({cell, reach, margin - left}) : 0;
        for (int y = 0; y < window; ++y)
            for (int x = 0; x < window; ++x) {
                if (canvas[y * window + x] < threshold_) continue;
                const int cx = x - margin + shift, cy = y - margin;
                if (cx < 0 || cx >= glyphSide || cy < 0 || cy >= glyphSide) {
                    clipped = true;
                    continue;
                }
                rows[cy * 2 + cx / 8] |= static_cast<std::uint8_t>(0x80 >> (cx % 8));
            }
        if (clipped) clippedNames_.push_back(name);
        return true;
    }

    // Kept free of C++ objects, which longjmp would skip.
    bool draw(Meter& m, long glyph, std::vector<std::uint8_t>& canvas) {
        clipped_ = false;
        if (setjmp(m.escape) != 0) return false;
        stbtt_vertex* vertices = nullptr;
        const int count = stbtt_GetGlyphShape(&info_, static_cast<int>(glyph), &vertices);
        if (count <= 0) return true;
        // Ink beyond the canvas is ink outside the cell.
        for (int i = 0; i < count; ++i) {
            const double x = vertices[i].x * static_cast<double>(scale_);
            const double y = ascent_ - vertices[i].y * static_cast<double>(scale_);
            if (x < -margin || x > glyphSide + margin || y < -margin || y > glyphSide + margin)
                clipped_ = true;
        }
        // Flattening a curve costs about twice the square root of its size
        // in flatness units, unmetered by the asserts: charged here first.
        for (int i = 1; i < count; ++i) {
            const stbtt_vertex& v = vertices[i];
            const stbtt_vertex& p = vertices[i - 1];
            double extent = 0;
            if (v.type == STBTT_vcurve || v.type == STBTT_vcubic)
                for (int d :
                     {v.cx - p.x, v.cy - p.y, v.x - p.x, v.y - p.y, v.cx1 - p.x, v.cy1 - p.y})
                    extent = std::max(extent, absOf(d));
            m.steps += segmentCost * (2 + static_cast<long>(2 * sqrtOf(extent * scale_ / 0.35)));
            if (m.steps > m.stepLimit) std::longjmp(m.escape, 1);
        }
        stbtt__bitmap bitmap{window, window, window, canvas.data()};
        stbtt_Rasterize(&bitmap, 0.35f, vertices, count, scale_, scale_, 0, 0, -margin,
                        -margin - ascent_, 1, nullptr);
        return true;
    }

    Sfnt& font_;
    Strike strike_;
    stbtt_fontinfo info_{};
    float scale_ = 1;
    int ascent_ = 0, threshold_ = 128;
    long spent_ = 0, budget_ = 0;
    bool clipped_ = false;
    std::vector<std::string> clippedNames_;
    std::map<char32_t, int> cells_;  // page -> cellOf
    int fontCell_ = -1;              // the font's most common advance, once known
};

bool openFont(Sfnt& font, std::string& error) {
    if (!font.open(error)) {
        error = "not a font celkit can render: " + error;
        return false;
    }
    return true;
}

}  // namespace

bool isTrueType(const Bytes& data) {
    if (data.size() < 4) return false;
    const std::uint32_t tag = be(data.data(), 4);
    if (tag != 0x00010000 && tag != 0x74727565 && tag != 0x4F54544F)
        return false;  // 'true', 'OTTO'
    // Of a raw font's size, a directory of printable tags too, so that a raw
    // font that happens to begin with 00 01 00 00 stays one; any other
    // size is the sfnt its signature says, truncated or not.
    if (data.size() != static_cast<std::size_t>(fontBytes)) return true;
    const std::size_t count = be(data.data() + 4, 2);
    if (count == 0 || count > 256 || data.size() < 12 + 16 * count) return false;
    for (std::size_t i = 12; i < 12 + 16 * count; i += 16)
        for (std::size_t j = i; j < i + 4; ++j)
            if (data[j] < 0x20 || data[j] > 0x7E) return false;
    return true;
}

bool readTrueType(const Bytes& data, SourceFont& out, std::string& error) {
    Sfnt font(data);
    if (!openFont(font, error)) return false;
    std::map<long, std::vector<char32_t>> codes;
    for (const auto& [c, glyph] : font.cmap()) codes[glyph].push_back(c);
    Renderer renderer(data, font, 16, 128);
    if (!renderer.drawable(16, error)) return false;
    SourceFont source;
    source.unicode = true;
    for (const auto& [glyph, points] : codes) {
        SourceGlyph g;
        if (!renderer.render(glyph, points.front(), g, source.bits, error, source.warnings))
            return false;
        for (char32_t c : points)
            source.table.push_back({c, static_cast<std::uint32_t>(source.glyphs.size())});
        source.glyphs.push_back(g);
    }
    renderer.reportClipped(source.warnings);
    out = std::move(source);
    return true;
}

bool importTrueType(const Bytes& data, const ImportOptions& options, Font& out, std::string& error,
                    std::vector<std::string>& warnings) {
    Sfnt font(data);
    if (!openFont(font, error)) return false;
    if (options.size < 1 || options.size > 256) {
        error = "--size " + std::to_string(options.size) + " is outside 1 .. 256";
        return false;
    }
    std::set<char32_t> wanted;
    for (int slot = 0; slot < glyphCount; ++slot) {
        if (options.first)
            wanted.insert(*options.first + static_cast<char32_t>(slot));
        else
            wanted.insert(options.map.codepoints[slot].begin(), options.map.codepoints[slot].end());
    }
    Renderer renderer(data, font, options.size, options.threshold);
    if (!renderer.drawable(options.size, error)) return false;
    SourceFont source;
    source.unicode = true;
    std::map<long, std::size_t> drawn;  // glyph -> its place in source
    for (char32_t c : wanted) {
        auto found = font.cmap().find(c);
        if (found == font.cmap().end()) continue;
        auto done = drawn.find(found->second);
        if (done != drawn.end()) {
            source.table.push_back({c, static_cast<std::uint32_t>(done->second)});
            continue;
        }
        SourceGlyph g;
        if (!renderer.render(found->second, c, g, source.bits, error, source.warnings))
            return false;
        source.table.push_back({c, static_cast<std::uint32_t>(source.glyphs.size())});
        drawn[found->second] = source.glyphs.size();
        source.glyphs.push_back(g);
    }
    renderer.reportClipped(source.warnings);
    if (!pickGlyphs(source, options, out, error)) return false;
    warnings.insert(warnings.end(), source.warnings.begin(), source.warnings.end());
    return true;
}

}  // namespace celkit
