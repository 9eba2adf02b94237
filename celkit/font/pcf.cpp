#include "celkit/font/pcf.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "celkit/font/bdf.h"
#include "platform/byte_reader.h"

namespace celkit {

namespace {

enum : std::uint32_t {
    properties = 1,
    accelerators = 2,
    metricsTable = 4,
    bitmaps = 8,
    inkMetrics = 16,
    encodings = 32,
    swidths = 64,
    glyphNames = 128,
    bdfAccelerators = 256,
};
// The format word: a kind in the high bits, layout in the low byte.
constexpr std::uint32_t kindMask = 0xFFFFFF00, compressed = 0x100, withInkBounds = 0x100;
constexpr std::uint32_t msbByte = 4, msbBit = 8;

// As the BDF reader: larger glyphs are no hand-drawn bitmap font's, and
// refusing them bounds what one lying metric can make us allocate.
constexpr int largestBox = 256;

const char magic[4] = {1, 'f', 'c', 'p'};

std::string tableName(std::uint32_t type) {
    switch (type) {
    case properties: return "properties";
    case accelerators: return "accelerators";
    case metricsTable: return "metrics";
    case bitmaps: return "bitmaps";
    case encodings: return "encodings";
    default: return "BDF accelerators";  // the last one the reader opens
    }
}

// Each table kind is one bit; its slot in the directory is the bit's number.
constexpr int tableKinds = 9;

int slotOf(std::uint32_t type) {
    for (int slot = 0; slot < tableKinds; ++slot)
        if (type == static_cast<std::uint32_t>(1) << slot) return slot;
    return -1;
}

// One table's bytes, read in the byte order its format word names, from a
// position each read moves on. A read past the end reads zeros and clears
// `ok`, so a caller checks once per step.
struct Table {
    ByteReader bytes{nullptr, 0};
    std::size_t at = 0;
    bool ok = true;

    std::uint32_t u32() {
        std::uint32_t v = 0;
        ok = ok && bytes.u32(at, &v);
        at += 4;
        return v;
    }
    int i16() {
        std::int16_t v = 0;
        ok = ok && bytes.i16(at, &v);
        at += 2;
        return v;
    }
    int u16() {
        std::uint16_t v = 0;
        ok = ok && bytes.u16(at, &v);
        at += 2;
        return v;
    }
    int u8() {
        std::uint8_t v = 0;
        ok = ok && bytes.u8(at, &v);
        at += 1;
        return v;
    }
    // Bytes left from the position; none once a read failed.
    std::size_t left() const { return ok && at <= bytes.length ? bytes.length - at : 0; }
};

struct Metric {
    int left = 0, right = 0, width = 0, ascent = 0, descent = 0;
};

class PcfFile {
public:
    explicit PcfFile(const std::vector<std::uint8_t>& data) : file_{data.data(), data.size()} {}

    // The directory's first entry of each kind read; later repeats and
    // kinds unknown to PCF are passed over, so one look-up per entry.
    bool readDirectory(std::string& error) {
        std::uint32_t count = 0;
        if (!file_.u32(4, &count) || count > (file_.length - 8) / 16) {
            error = "truncated PCF table directory";
            return false;
        }
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::size_t at = 8 + 16 * static_cast<std::size_t>(i);
            std::uint32_t type = 0, size = 0, offset = 0;  // the format is repeated in the table
            file_.u32(at, &type);
            file_.u32(at + 8, &size);
            file_.u32(at + 12, &offset);
            if (!file_.fits(offset, 4)) {
                error = "a PCF table starts past the end of the file";
                return false;
            }
            // bdftopcf states too large a size for its last table; as the X
            // server and FreeType do, a table ends at the file's end at the latest.
            const int slot = slotOf(type);
            if (slot < 0 || tables_[slot].data != nullptr) continue;
            file_.sub(offset, std::min<std::size_t>(size, file_.length - offset), &tables_[slot]);
        }
        return true;
    }

    // The table after its format word, whose kind must be one of `kinds`;
    // false with a reason when the table is missing or unknown.
    bool open(std::uint32_t type, std::initializer_list<std::uint32_t> kinds, Table& table,
              std::uint32_t& format, std::string& error) const {
        if (!has(type)) {
            error = "PCF font has no " + tableName(type) + " table";
            return false;
        }
        table = Table{tables_[slotOf(type)]};
        format = table.u32();  // little-endian, as the directory
        table.bytes.bigEndian = (format & msbByte) != 0;
        if (std::find(kinds.begin(), kinds.end(), format & kindMask) == kinds.end()) {
            error = "PCF " + tableName(type) + " table has unknown format " +
                    hexNumber(static_cast<long>(format));
            return false;
        }
        return true;
    }
    bool has(std::uint32_t type) const {
        const int slot = slotOf(type);
        return slot >= 0 && tables_[slot].data != nullptr;
    }

private:
    ByteReader file_;
    ByteReader tables_[tableKinds] = {};
};

std::string truncated(std::uint32_t type) { return "truncated PCF " + tableName(type) + " table"; }

bool readMetrics(const PcfFile& file, std::vector<Metric>& out, std::string& error) {
    Table c;
    std::uint32_t format;
    if (!file.open(metricsTable, {0, compressed}, c, format, error)) return false;
    const bool small = (format & kindMask) == compressed;
    const std::size_t count = small ? static_cast<std::size_t>(c.u16()) : c.u32();
    const std::size_t each = small ? 5 : 12;
    if (!c.ok || count > c.left() / each) {
        error = "PCF metrics table counts " + std::to_string(count) + " glyphs but holds " +
                std::to_string(c.left() / each);
        return false;
    }
    out.resize(count);
    for (Metric& m : out) {
        if (small) {
            m.left = c.u8() - 0x80;
            m.right = c.u8() - 0x80;
            m.width = c.u8() - 0x80;
            m.ascent = c.u8() - 0x80;
            m.descent = c.u8() - 0x80;
        } else {
            m.left = c.i16();
            m.right = c.i16();
            m.width = c.i16();
            m.ascent = c.i16();
            m.descent = c.i16();
            c.u16();  // attributes
        }
    }
    return true;
}

// The bitmap data, normalised to most significant bit and byte first, and
// where each glyph starts in it; row padding stays.
struct Bitmaps {
    std::vector<std::uint8_t> data;
    std::vector<std::uint32_t> offsets;
    int pad = 1;  // bytes a row is padded to
};

bool readBitmaps(const PcfFile& file, std::size_t glyphs, Bitmaps& out, std::string& error) {
    Table c;
    std::uint32_t format;
    if (!file.open(bitmaps, {0}, c, format, error)) return false;
    const std::uint32_t count = c.u32();
    if (c.ok && count != glyphs) {
        error = "PCF bitmaps table counts " + std::to_string(count) + " glyphs, the metrics " +
                std::to_string(glyphs);
        return false;
    }
    if (!c.ok || count > c.left() / 4) {
        error = truncated(bitmaps);
        return false;
    }
    out.offsets.resize(count);
    for (std::uint32_t& offset : out.offsets) offset = c.u32();
    std::uint32_t sizes[4];
    for (std::uint32_t& size : sizes) size = c.u32();
    const std::uint32_t size = sizes[format & 3];
    if (!c.ok || size > c.left()) {
        error = truncated(bitmaps);
        return false;
    }
    out.pad = 1 << (format & 3);
    out.data.assign(c.bytes.data + c.at, c.bytes.data + c.at + size);
    if ((format & msbBit) == 0)
        for (std::uint8_t& b : out.data) {
            std::uint8_t r = 0;
            for (int i = 0; i < 8; ++i)
                r = static_cast<std::uint8_t>(r | ((b >> i) & 1) << (7 - i));
            b = r;
        }
    // Bytes within a scan unit are in the byte order only when it differs from the bit order.
    const std::size_t unit = static_cast<std::size_t>(1) << ((format >> 4) & 3);
    if (((format & msbByte) != 0) != ((format & msbBit) != 0) && unit > 1)
        for (std::size_t i = 0; i + unit <= out.data.size(); i += unit)
            std::reverse(out.data.begin() + static_cast<long>(i),
                         out.data.begin() + static_cast<long>(i + unit));
    return true;
}

// The font's ascent and leftmost bearing, from the BDF accelerators when
// there are both (they leave out no glyph), as FreeType takes them.
bool readAccelerators(const PcfFile& file, int& ascent, int& left, std::string& error) {
    Table c;
    std::uint32_t format;
    const std::uint32_t type = file.has(bdfAccelerators) ? bdfAccelerators : accelerators;
    if (!file.open(type, {0, withInkBounds}, c, format, error)) return false;
    c.at += 8;  // the flags
    ascent = static_cast<std::int32_t>(c.u32());
    c.u32();  // descent
    c.u32();  // largest overlap
    left = c.i16();
    if (!c.ok) {
        error = truncated(type);
        return false;
    }
    return true;
}

// The string at `offset`, cut after `longest` + 1 characters: the names and
// values looked for are short, and a longer one equals none of them, so no
// read runs on through a table of unterminated strings.
std::string shortStringAt(const ByteReader& strings, std::uint32_t offset, std::size_t longest) {
    std::string s;
    std::uint8_t c = 0;
    for (std::size_t i = offset; s.size() <= longest && strings.u8(i, &c) && c != 0; ++i)
        s += static_cast<char>(c);
    return s;
}

// CHARSET_REGISTRY and CHARSET_ENCODING, upper case; both empty without properties.
bool readCharset(const PcfFile& file, std::string& registry, std::string& encoding,
                 std::string& error) {
    if (!file.has(properties)) return true;
    Table c;
    std::uint32_t format;
    if (!file.open(properties, {0}, c, format, error)) return false;
    const std::uint32_t count = c.u32();
    if (!c.ok || count > c.left() / 9) {
        error = truncated(properties);
        return false;
    }
    const std::size_t start = c.at;
    c.at += 9 * static_cast<std::size_t>(count) + (count % 4 ? 4 - count % 4 : 0);
    const std::uint32_t stringSize = c.u32();
    ByteReader strings{nullptr, 0};
    if (!c.ok || !c.bytes.sub(c.at, stringSize, &strings)) {
        error = truncated(properties);
        return false;
    }
    const std::string registryKey = "CHARSET_REGISTRY", encodingKey = "CHARSET_ENCODING";
    constexpr std::size_t longestValue = 16;  // "ISO10646" and such
    c.at = start;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t name = c.u32();
        const bool isString = c.u8() != 0;
        const std::uint32_t value = c.u32();
        if (!isString) continue;
        const std::string key = shortStringAt(strings, name, registryKey.size());
        if (key != registryKey && key != encodingKey) continue;
        std::string text = shortStringAt(strings, value, longestValue);
        for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        (key == registryKey ? registry : encoding) = text;
    }
    return true;
}

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes, bool bigEndian = true) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * (bigEndian ? bytes - 1 - i : i))));
}

}  // namespace

bool isPcf(const std::vector<std::uint8_t>& data) {
    return data.size() >= 4 && std::equal(magic, magic + 4, data.begin());
}

bool readPcf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error) {
    if (!isPcf(data)) {
        error = "not a PCF font";
        return false;
    }
    PcfFile file(data);
    std::vector<Metric> metrics;
    Bitmaps bits;
    int ascent = 0, originLeft = 0;
    std::string registry, charset;
    if (!file.readDirectory(error) || !readMetrics(file, metrics, error) ||
        !readBitmaps(file, metrics.size(), bits, error) ||
        !readAccelerators(file, ascent, originLeft, error) ||
        !readCharset(file, registry, charset, error))
        return false;
    originLeft = std::min(originLeft, 0);

    Table c;
    std::uint32_t format;
    if (!file.open(encodings, {0}, c, format, error)) return false;
    const int firstColumn = c.i16(), lastColumn = c.i16(), firstRow = c.i16(), lastRow = c.i16();
    c.i16();  // the default character
    if (!c.ok || firstColumn < 0 || firstColumn > lastColumn || lastColumn > 0xFF || firstRow < 0 ||
        firstRow > lastRow || lastRow > 0xFF) {
        error = c.ok ? "PCF encodings table has a bad code range" : truncated(encodings);
        return false;
    }
    const int columns = lastColumn - firstColumn + 1;
    const std::size_t codes = static_cast<std::size_t>(columns) * (lastRow - firstRow + 1);
    if (codes > c.left() / 2) {
        error = truncated(encodings);
        return false;
    }

    SourceFont font;
    font.unicode = registry == "ISO10646" || (registry == "ISO8859" && charset == "1");
    std::vector<std::size_t> placed(metrics.size(), SIZE_MAX);  // glyph index -> font.glyphs
    // Distinct glyphs unpack to less than their padded rows; overlapping or
    // repeated ones may not make a small file cost much more than that.
    const std::size_t budget = 4 * bits.data.size() + (static_cast<std::size_t>(4) << 20);
    std::size_t spent = 0;
    auto charge = [&](std::size_t bytes) {
        spent += bytes;
        if (spent > budget) error = "PCF glyph bitmaps overlap far more than a font's do";
        return spent <= budget;
    };
    for (std::size_t i = 0; i < codes; ++i) {
        const int index = c.u16();
        if (index == 0xFFFF) continue;
        const long code = (firstRow + static_cast<long>(i) / columns) * 256 + firstColumn +
                          static_cast<long>(i) % columns;
        if (static_cast<std::size_t>(index) >= metrics.size()) {
            error = "PCF encoding " + hexNumber(code) + " names glyph " + std::to_string(index) +
                    " of " + std::to_string(metrics.size());
            return false;
        }
        if (placed[index] != SIZE_MAX) {  // another code of a glyph: the same rows
            SourceGlyph copy = font.glyphs[placed[index]];
            copy.number = static_cast<std::int32_t>(code);
            font.glyphs.push_back(copy);
            continue;
        }
        const Metric& m = metrics[index];
        SourceGlyph glyph;
        glyph.number = static_cast<std::int32_t>(code);
        glyph.width = m.right - m.left;
        glyph.height = m.ascent + m.descent;
        const std::string who = "PCF glyph " + hexNumber(code);
        if (glyph.width < 0 || glyph.height < 0 || glyph.width > largestBox ||
            glyph.height > largestBox) {
            error = who + " is " + std::to_string(glyph.width) + " x " +
                    std::to_string(glyph.height) + " pixels; celkit reads up to 256 x 256";
            return false;
        }
        const std::size_t rowBytes = static_cast<std::size_t>((glyph.width + 7) / 8);
        const std::size_t stride = (rowBytes + bits.pad - 1) / bits.pad * bits.pad;
        const std::size_t start = bits.offsets[index];
        if (start > bits.data.size() || stride * glyph.height > bits.data.size() - start) {
            error = who + "'s bitmap lies past the end of the bitmaps table";
            return false;
        }
        if (!charge(rowBytes * glyph.height)) return false;
        glyph.at = font.bits.size();
        font.bits.resize(glyph.at + rowBytes * glyph.height);
        for (int y = 0; y < glyph.height; ++y)  // the bits past the width stay unread
            std::copy_n(bits.data.begin() + static_cast<long>(start + y * stride), rowBytes,
                        font.bits.begin() + static_cast<long>(glyph.at + y * rowBytes));
        glyph.left = m.left - originLeft;
        glyph.top = ascent - m.ascent;
        placed[index] = font.glyphs.size();
        font.glyphs.push_back(std::move(glyph));
    }
    out = std::move(font);
    return true;
}

std::vector<char32_t> pcfCodepoints(const CodepointMap& map) {
    std::vector<char32_t> codes = uniqueCodepoints(map);
    std::set<char32_t> taken(codes.begin(), codes.end());
    for (int g = 0; g < glyphCount; ++g) {
        if (codes[g] <= 0xFFFF) continue;
        char32_t code = 0xF000 + static_cast<char32_t>(g);
        if (taken.count(code) != 0)
            for (code = 0xE000; taken.count(code) != 0; ++code) {
            }
        taken.insert(code);
        codes[g] = code;
    }
    return codes;
}

std::vector<std::uint8_t> writePcf(const Font& font, const CodepointMap& map,
                                   const std::string& family, Cell cell) {
    const std::vector<char32_t> codes = pcfCodepoints(map);
    const std::uint32_t layout = msbByte | msbBit | 2;  // rows padded to 4 bytes
    const int ascent = cell.ascent, descent = cell.descent(), tenths = 10 * cell.width;

    const std::string name = xlfdFamily(family);

    struct Property {
        const char* key;
        std::string text;
        int value;  // when text is unused
        bool isString;
    };
    const std::vector<Property> props = {
        {"FOUNDRY", "celkit", 0, true},
        {"FAMILY_NAME", name, 0, true},
        {"WEIGHT_NAME", "Medium", 0, true},
        {"SLANT", "R", 0, true},
        {"SETWIDTH_NAME", "Normal", 0, true},
        {"ADD_STYLE_NAME", "", 0, true},
        {"PIXEL_SIZE", "", 16, false},
        {"POINT_SIZE", "", 160, false},
        {"RESOLUTION_X", "", 75, false},
        {"RESOLUTION_Y", "", 75, false},
        {"SPACING", "C", 0, true},
        {"AVERAGE_WIDTH", "", tenths, false},
        {"CHARSET_REGISTRY", "ISO10646", 0, true},
        {"CHARSET_ENCODING", "1", 0, true},
        {"COPYRIGHT", "", 0, true},
        {"FONT",
         "-celkit-" + name + "-Medium-R-Normal--16-160-75-75-C-" + std::to_string(tenths) +
             "-ISO10646-1",
         0, true},
    };

    // Each glyph's ink box, as X's ink metrics: all zero but the width when
    // blank. Every glyph is drawn as the whole cell, as bdftopcf makes of a
    // character-cell BDF.
    std::vector<Metric> ink(glyphCount);
    const Metric full{0, cell.width, cell.width, ascent, descent};
    for (int g = 0; g < glyphCount; ++g) {
        const InkBox b = inkBox(font, g, cell.width);
        ink[g] = b.height == 0 ? Metric{0, 0, cell.width, 0, 0}
                               : Metric{b.left, b.left + b.width, cell.width, ascent - b.top,
                                        b.top + b.height - ascent};
    }

    struct Table {
        std::uint32_t type, format;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Table> tables;
    auto table = [&](std::uint32_t type, std::uint32_t format) -> std::vector<std::uint8_t>& {
        tables.push_back({type, format, {}});
        put(tables.back().bytes, format, 4, false);
        return tables.back().bytes;
    };
    auto putMetric = [](std::vector<std::uint8_t>& out, const Metric& m, bool small) {
        for (int v : {m.left, m.right, m.width, m.ascent, m.descent})
            put(out, static_cast<std::uint32_t>(small ? v + 0x80 : v), small ? 1 : 2);
        if (!small) put(out, 0, 2);
    };

    {
        std::vector<std::uint8_t>& t = table(properties, layout);
        std::string strings;
        put(t, static_cast<std::uint32_t>(props.size()), 4);
        for (const Property& p : props) {
            put(t, static_cast<std::uint32_t>(strings.size()), 4);
            strings += std::string(p.key) + '\0';
            t.push_back(p.isString ? 1 : 0);
            put(t,
                p.isString ? static_cast<std::uint32_t>(strings.size())
                           : static_cast<std::uint32_t>(p.value),
                4);
            if (p.isString) strings += p.text + '\0';
        }
        t.resize(t.size() + (props.size() % 4 ? 4 - props.size() % 4 : 0), 0);
        put(t, static_cast<std::uint32_t>(strings.size()), 4);
        t.insert(t.end(), strings.begin(), strings.end());
    }
    Metric inkMin = ink[0], inkMax = ink[0];
    bool inkDiffers = false;
    for (const Metric& m : ink) {
        inkMin = {std::min(inkMin.left, m.left), std::min(inkMin.right, m.right), cell.width,
                  std::min(inkMin.ascent, m.ascent), std::min(inkMin.descent, m.descent)};
        inkMax = {std::max(inkMax.left, m.left), std::max(inkMax.right, m.right), cell.width,
                  std::max(inkMax.ascent, m.ascent), std::max(inkMax.descent, m.descent)};
        inkDiffers = inkDiffers || m.left != 0 || m.right != cell.width || m.ascent != ascent ||
                     m.descent != descent;
    }
    auto putAccelerators = [&](std::uint32_t type) {
        std::vector<std::uint8_t>& t = table(type, layout | withInkBounds);
        // No overlap, constant metrics, a terminal font, constant width, ink inside.
        for (int flag : {1, 1, 1, 1, 1, inkDiffers ? 1 : 0, 0, 0})
            t.push_back(static_cast<std::uint8_t>(flag));
        put(t, static_cast<std::uint32_t>(ascent), 4);
        put(t, static_cast<std::uint32_t>(descent), 4);
        put(t, 0, 4);  // largest overlap
        putMetric(t, full, false);
        putMetric(t, full, false);
        putMetric(t, inkMin, false);
        putMetric(t, inkMax, false);
    };
    putAccelerators(accelerators);
    {
        std::vector<std::uint8_t>& t = table(metricsTable, layout | compressed);
        put(t, glyphCount, 2);
        for (int g = 0; g < glyphCount; ++g) putMetric(t, full, true);
    }
    {
        std::vector<std::uint8_t>& t = table(bitmaps, layout);
        constexpr int stride = 4;
        put(t, glyphCount, 4);
        for (int g = 0; g < glyphCount; ++g)
            put(t, static_cast<std::uint32_t>(g * glyphSide * stride), 4);
        const int rowBytes = cell.width / 8;
        for (int pad = 1; pad <= 8; pad *= 2)  // the data's size at each padding
            put(t, static_cast<std::uint32_t>(glyphCount * glyphSide * std::max(rowBytes, pad)), 4);
        const std::vector<std::uint8_t> rows = packedRows(font, cell.width);
        for (std::size_t row = 0; row < rows.size(); row += static_cast<std::size_t>(rowBytes)) {
            t.insert(t.end(), rows.begin() + static_cast<std::ptrdiff_t>(row),
                     rows.begin() + static_cast<std::ptrdiff_t>(row) + rowBytes);
            t.resize(t.size() + stride - rowBytes, 0);
        }
    }
    {
        std::vector<std::uint8_t>& t = table(inkMetrics, layout | compressed);
        put(t, glyphCount, 2);
        for (const Metric& m : ink) putMetric(t, m, true);
    }
    {
        std::vector<std::uint8_t>& t = table(encodings, layout);
        std::uint32_t firstColumn = 0xFF, lastColumn = 0, firstRow = 0xFF, lastRow = 0;
        for (char32_t code : codes) {
            firstColumn = std::min<std::uint32_t>(firstColumn, code & 0xFF);
            lastColumn = std::max<std::uint32_t>(lastColumn, code & 0xFF);
            firstRow = std::min<std::uint32_t>(firstRow, code >> 8);
            lastRow = std::max<std::uint32_t>(lastRow, code >> 8);
        }
        for (std::uint32_t v :
             {firstColumn, lastColumn, firstRow, lastRow, static_cast<std::uint32_t>(codes[0])})
            put(t, v, 2);
        const std::uint32_t columns = lastColumn - firstColumn + 1;
        std::vector<std::uint16_t> index(columns * (lastRow - firstRow + 1), 0xFFFF);
        for (int g = 0; g < glyphCount; ++g)
            index[((codes[g] >> 8) - firstRow) * columns + (codes[g] & 0xFF) - firstColumn] =
                static_cast<std::uint16_t>(g);
        for (std::uint16_t i : index) put(t, i, 2);
    }
    {
        std::vector<std::uint8_t>& t = table(swidths, layout);
        put(t, glyphCount, 4);
        // The cell's width at 16 points and 75 dpi, in thousandths of the point size.
        for (int g = 0; g < glyphCount; ++g) put(t, cell.width * 72000 / (16 * 75), 4);
    }
    {
        std::vector<std::uint8_t>& t = table(glyphNames, layout);
        std::string strings;
        put(t, glyphCount, 4);
        char buffer[16];
        for (int g = 0; g < glyphCount; ++g) {
            put(t, static_cast<std::uint32_t>(strings.size()), 4);
            std::snprintf(buffer, sizeof buffer, "uni%04lX", static_cast<unsigned long>(codes[g]));
            strings += std::string(buffer) + '\0';
        }
        put(t, static_cast<std::uint32_t>(strings.size()), 4);
        t.insert(t.end(), strings.begin(), strings.end());
    }
    putAccelerators(bdfAccelerators);

    std::vector<std::uint8_t> out(magic, magic + 4);
    put(out, static_cast<std::uint32_t>(tables.size()), 4, false);
    std::size_t offset = out.size() + 16 * tables.size();
    for (Table& t : tables) {
        t.bytes.resize((t.bytes.size() + 3) / 4 * 4, 0);
        for (std::size_t v : {static_cast<std::size_t>(t.type), static_cast<std::size_t>(t.format),
                              t.bytes.size(), offset})
            put(out, static_cast<std::uint32_t>(v), 4, false);
        offset += t.bytes.size();
    }
    for (const Table& t : tables) out.insert(out.end(), t.bytes.begin(), t.bytes.end());
    return out;
}

}  // namespace celkit
