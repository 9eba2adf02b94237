#include "celkit/font/sfnt_font.h"

#include <algorithm>

#include "platform/byte_reader.h"

namespace celkit {

namespace {

constexpr std::uint32_t tagOf(const char* t) {
    return static_cast<std::uint32_t>(t[0]) << 24 | static_cast<std::uint32_t>(t[1]) << 16 |
           static_cast<std::uint32_t>(t[2]) << 8 | static_cast<std::uint32_t>(t[3]);
}

bool fail(std::string& error, const std::string& why) {
    error = why;
    return false;
}

}  // namespace

bool isSfnt(const std::vector<std::uint8_t>& data) {
    if (data.size() < 4) return false;
    const ByteReader reader{data.data(), data.size()};
    std::uint32_t tag = 0;
    readBigEndian32(reader, 0, &tag);
    return tag == 0x00010000 || tag == tagOf("true") || tag == tagOf("OTTO") ||
           tag == tagOf("ttcf");
}

std::uint32_t SfntFont::u16(std::size_t at) const {
    std::uint16_t v = 0;
    readBigEndian16(ByteReader{data_.data(), data_.size()}, at, &v);
    return v;
}

std::uint32_t SfntFont::u32(std::size_t at) const {
    std::uint32_t v = 0;
    readBigEndian32(ByteReader{data_.data(), data_.size()}, at, &v);
    return v;
}

SfntFont::Table SfntFont::table(const char* tag) const {
    for (const auto& [name, t] : tables_)
        if (name == tag) return t;
    return Table{};
}

std::vector<std::uint8_t> SfntFont::head() const {
    return {data_.begin() + static_cast<long>(head_.offset),
            data_.begin() + static_cast<long>(head_.offset + head_.length)};
}

bool SfntFont::readDirectory(std::size_t at, std::string& error) {
    if (data_.size() < 12 || at > data_.size() - 12) return fail(error, "truncated sfnt header");
    const std::uint32_t count = u16(at + 4);
    if (count > (data_.size() - at - 12) / 16) return fail(error, "truncated sfnt table directory");
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = at + 12 + 16 * std::size_t{i};
        const std::size_t offset = u32(entry + 8), length = u32(entry + 12);
        std::string tag(reinterpret_cast<const char*>(data_.data() + entry), 4);
        for (char& c : tag)
            if (c < 0x20 || c > 0x7E) c = '?';
        if (offset > data_.size() || length > data_.size() - offset)
            return fail(error, "the '" + tag + "' table lies past the end of the file");
        tables_.emplace_back(tag, Table{offset, length, true});
    }
    return true;
}

bool SfntFont::open(int index, std::string& error) {
    std::size_t directory = 0;
    if (data_.size() >= 12 && u32(0) == tagOf("ttcf")) {
        const std::uint32_t fonts = u32(8);
        if (fonts > (data_.size() - 12) / 4) return fail(error, "truncated collection header");
        if (index < 0 || static_cast<std::uint32_t>(index) >= fonts)
            return fail(error, "--index " + std::to_string(index) + ": the collection holds " +
                                   std::to_string(fonts) + " fonts, numbered from 0");
        directory = u32(12 + 4 * static_cast<std::size_t>(index));
    } else if (index != 0) {
        return fail(error,
                    "--index " + std::to_string(index) + ": the file holds one font, number 0");
    }
    if (!readDirectory(directory, error)) return false;
    head_ = table("head");
    const Table hhea = table("hhea"), maxp = table("maxp"), os2 = table("OS/2");
    if (!head_.found || head_.length < 54) return fail(error, "no complete 'head' table");
    if (!hhea.found || hhea.length < 36) return fail(error, "no complete 'hhea' table");
    if (!maxp.found || maxp.length < 6) return fail(error, "no complete 'maxp' table");
    hmtx_ = table("hmtx");
    unitsPerEm_ = static_cast<int>(u16(head_.offset + 18));
    if (unitsPerEm_ < 16 || unitsPerEm_ > 16384)
        return fail(error, "units per em " + std::to_string(unitsPerEm_) + " outside 16 .. 16384");
    ascender_ = static_cast<std::int16_t>(u16(hhea.offset + 4));
    descender_ = -static_cast<std::int16_t>(u16(hhea.offset + 6));
    if (ascender_ + descender_ <= 0 && os2.found && os2.length >= 72) {
        ascender_ = static_cast<std::int16_t>(u16(os2.offset + 68));
        descender_ = -static_cast<std::int16_t>(u16(os2.offset + 70));
    }
    if (ascender_ + descender_ <= 0) {  // the glyphs' bounding box, then
        ascender_ = static_cast<std::int16_t>(u16(head_.offset + 42));
        descender_ = -static_cast<std::int16_t>(u16(head_.offset + 38));
    }
    if (ascender_ + descender_ <= 0)
        return fail(error, "the font's ascent and descent add up to nothing");
    if (os2.found && os2.length >= 64) {
        weight_ = static_cast<int>(u16(os2.offset + 4));
        italic_ = (u16(os2.offset + 62) & 1) != 0;
    }
    longMetrics_ = static_cast<long>(u16(hhea.offset + 34));
    glyphCount_ = static_cast<long>(u16(maxp.offset + 4));
    // A bitmap-only font may keep an empty 'glyf' and a stub 'loca'.
    const Table glyf = table("glyf"), loca = table("loca");
    const std::size_t each = u16(head_.offset + 50) != 0 ? 4 : 2;
    outlines_ =
        table("CFF ").found || table("CFF2").found ||
        (glyf.found && loca.found && loca.length / each > static_cast<std::size_t>(glyphCount_));
    readStrikes();
    if (!outlines_ && strikes_.empty())
        return fail(error, "neither outlines nor one-bit bitmap strikes");
    return readCmap(error);
}

void SfntFont::readStrikes() {
    const Table eblc = table("EBLC");
    if (!eblc.found || !table("EBDT").found || eblc.length < 8) return;
    const std::size_t sizes = std::min<std::size_t>(u32(eblc.offset + 4), 256);
    for (std::size_t i = 0; i < sizes && 8 + 48 * (i + 1) <= eblc.length; ++i) {
        const std::size_t record = eblc.offset + 8 + 48 * i;
        if (data_[record + 46] != 1) continue;  // grey strikes are not celkit's
        SfntStrike strike;
        strike.pixels = data_[record + 45];
        strike.ascent = static_cast<std::int8_t>(data_[record + 16]);
        strike.descent = -static_cast<std::int8_t>(data_[record + 17]);
        strikes_.push_back(strike);
    }
}

bool SfntFont::readCmap(std::string& error) {
    const Table cmap = table("cmap");
    if (!cmap.found || cmap.length < 4) return fail(error, "no 'cmap' table");
    const std::uint32_t count = u16(cmap.offset + 2);
    if (count > (cmap.length - 4) / 8) return fail(error, "truncated 'cmap' table");
    // The fullest Unicode subtable: format 12 before format 4.
    std::size_t best = 0;
    std::uint32_t bestFormat = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t record = cmap.offset + 4 + 8 * std::size_t{i};
        const std::uint32_t platform = u16(record), encoding = u16(record + 2);
        const std::uint32_t offset = u32(record + 4);
        const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
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
            cmap_.emplace_back(static_cast<char32_t>(code), static_cast<long>(glyph));
    };
    if (bestFormat == 12) {
        if (end - best < 16) return fail(error, "truncated 'cmap' subtable");
        const std::uint32_t groups = u32(best + 12);
        if (groups > (end - best - 16) / 12) return fail(error, "truncated 'cmap' subtable");
        // Summed before the walk, so that overlapping groups cost nothing.
        std::uint64_t mapped = 0;
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::size_t at = best + 16 + 12 * std::size_t{g};
            const std::uint32_t first = u32(at),
                                last = std::min<std::uint32_t>(u32(at + 4), 0x10FFFF);
            if (first <= last) mapped += last - first + 1;
        }
        if (mapped > 0x110000)
            return fail(error, "the 'cmap' groups map more than every code point");
        for (std::uint32_t g = 0; g < groups; ++g) {
            const std::size_t at = best + 16 + 12 * std::size_t{g};
            const std::uint32_t first = u32(at),
                                last = std::min<std::uint32_t>(u32(at + 4), 0x10FFFF);
            for (std::uint32_t c = first; c <= last && first <= last; ++c)
                add(c, u32(at + 8) + (c - first));
        }
    } else {
        if (end - best < 14) return fail(error, "truncated 'cmap' subtable");
        const std::uint32_t segments = u16(best + 6) / 2;
        if (std::size_t{segments} * 8 + 16 > end - best)
            return fail(error, "truncated 'cmap' subtable");
        const std::size_t ends = best + 14, starts = ends + 2 * std::size_t{segments} + 2,
                          deltas = starts + 2 * std::size_t{segments},
                          ranges = deltas + 2 * std::size_t{segments};
        std::uint64_t spans = 0;
        for (std::uint32_t s = 0; s < segments; ++s) {
            const std::uint32_t first = u16(starts + 2 * s), last = u16(ends + 2 * s);
            if (first <= last) spans += last - first + 1;
        }
        if (spans > 0x10000)
            return fail(error, "the 'cmap' segments overlap: they span " + std::to_string(spans) +
                                   " codes of 65536");
        for (std::uint32_t s = 0; s < segments; ++s) {
            const std::uint32_t first = u16(starts + 2 * s), last = u16(ends + 2 * s);
            const std::uint32_t delta = u16(deltas + 2 * s), range = u16(ranges + 2 * s);
            for (std::uint32_t c = first; c <= last && c != 0xFFFF; ++c) {
                if (range == 0) {
                    add(c, (c + delta) & 0xFFFF);
                    continue;
                }
                const std::size_t at = ranges + 2 * std::size_t{s} + range + 2 * (c - first);
                if (at + 2 > end) return fail(error, "a 'cmap' range points past its table");
                const std::uint32_t glyph = u16(at);
                if (glyph != 0) add(c, (glyph + delta) & 0xFFFF);
            }
        }
    }
    // The first mapping of a code point stands, as a look-up in file order finds it.
    std::stable_sort(cmap_.begin(), cmap_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    cmap_.erase(std::unique(cmap_.begin(), cmap_.end(),
                            [](const auto& a, const auto& b) { return a.first == b.first; }),
                cmap_.end());
    return true;
}

long SfntFont::glyphFor(char32_t code) const {
    auto found = std::lower_bound(cmap_.begin(), cmap_.end(), code,
                                  [](const auto& entry, char32_t c) { return entry.first < c; });
    return found != cmap_.end() && found->first == code ? found->second : 0;
}

long SfntFont::advance(long glyph) const {
    if (longMetrics_ == 0 || glyph < 0 || !hmtx_.found) return -1;
    const std::size_t at = 4 * static_cast<std::size_t>(std::min(glyph, longMetrics_ - 1));
    if (at + 2 > hmtx_.length) return -1;
    return static_cast<long>(u16(hmtx_.offset + at));
}

bool SfntFont::leftBearing(long glyph, long& bearing) const {
    if (longMetrics_ == 0 || glyph < 0 || !hmtx_.found) return false;
    const std::size_t at = glyph < longMetrics_
                               ? 4 * static_cast<std::size_t>(glyph) + 2
                               : 4 * static_cast<std::size_t>(longMetrics_) +
                                     2 * static_cast<std::size_t>(glyph - longMetrics_);
    if (at + 2 > hmtx_.length) return false;
    bearing = static_cast<std::int16_t>(u16(hmtx_.offset + at));
    return true;
}

}  // namespace celkit
