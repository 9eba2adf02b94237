// What celkit reads of an sfnt (TrueType, OpenType, a bitmap-only .otb, one
// font of a collection) itself, the same in every build: the table
// directory, the metrics that fit it into the cell, the advances and left
// bearings, the one-bit strikes' sizes, its weight and slant, and the
// Unicode cmap. Each read is checked against the data and each cmap loop is
// bounded before it starts. The glyphs are drawn by glyph_rasteriser.h.
#ifndef CELKIT_FONT_SFNT_FONT_H
#define CELKIT_FONT_SFNT_FONT_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace celkit {

struct SfntStrike {
    int pixels = 0;               // pixels per em
    int ascent = 0, descent = 0;  // rows above and below the baseline
};

class SfntFont {
public:
    explicit SfntFont(const std::vector<std::uint8_t>& data) : data_(data) {}

    // Opens font `index` of a collection (0 of a single font); false with a reason.
    bool open(int index, std::string& error);

    int unitsPerEm() const { return unitsPerEm_; }
    int ascender() const { return ascender_; }    // font units above the baseline
    int descender() const { return descender_; }  // font units below it, positive
    bool outlines() const { return outlines_; }
    long glyphCount() const { return glyphCount_; }
    const std::vector<SfntStrike>& strikes() const { return strikes_; }
    int weight() const { return weight_; }
    bool italic() const { return italic_; }
    // The 'head' table's bytes, which tell this font from another of its name.
    std::vector<std::uint8_t> head() const;

    // Code point -> glyph, in code point order.
    const std::vector<std::pair<char32_t, long>>& cmap() const { return cmap_; }
    long glyphFor(char32_t code) const;

    // The glyph's advance width in font units, or -1 when 'hmtx' lacks it.
    long advance(long glyph) const;
    // Its left side bearing in font units; false when 'hmtx' lacks it.
    bool leftBearing(long glyph, long& bearing) const;

private:
    struct Table {
        std::size_t offset = 0, length = 0;
        bool found = false;
    };
    Table table(const char* tag) const;
    std::uint32_t u16(std::size_t at) const;
    std::uint32_t u32(std::size_t at) const;
    bool readDirectory(std::size_t at, std::string& error);
    bool readCmap(std::string& error);
    void readStrikes();

    const std::vector<std::uint8_t>& data_;
    std::vector<std::pair<std::string, Table>> tables_;
    Table head_, hmtx_;
    int unitsPerEm_ = 0, ascender_ = 0, descender_ = 0, weight_ = 400;
    bool italic_ = false, outlines_ = false;
    long glyphCount_ = 0, longMetrics_ = 0;
    std::vector<SfntStrike> strikes_;
    std::vector<std::pair<char32_t, long>> cmap_;
};

bool isSfnt(const std::vector<std::uint8_t>& data);

}  // namespace celkit

#endif
