#include "celkit/font/psf.h"

#include "celkit/font/export_cell.h"
#include "celkit/font/text_codes.h"
#include "platform/byte_reader.h"

namespace celkit {

namespace {

constexpr std::uint32_t psf2Magic = 0x864AB572;
constexpr std::uint8_t psf1Magic0 = 0x36, psf1Magic1 = 0x04;
enum { psf1Has512 = 1, psf1HasTable = 2, psf1HasSequences = 4 };
enum { psf2HasTable = 1 };
constexpr std::uint8_t psf2Separator = 0xFF, psf2Sequence = 0xFE;
constexpr std::uint16_t psf1Separator = 0xFFFF, psf1Sequence = 0xFFFE;
constexpr std::uint32_t psf2HeaderSize = 32;

bool isPsf1(const std::vector<std::uint8_t>& d) {
    return d.size() >= 2 && d[0] == psf1Magic0 && d[1] == psf1Magic1;
}
bool isPsf2(const std::vector<std::uint8_t>& d) {
    return d.size() >= 4 && d[0] == 0x72 && d[1] == 0xB5 && d[2] == 0x4A && d[3] == 0x86;
}

// Every glyph of a PSF font has the same size: their rows are the file's
// glyph area as it stands.
void readGlyphs(const ByteReader& file, std::size_t offset, std::uint32_t count,
                std::uint32_t charSize, int width, int height, SourceFont& out) {
    out.bits.assign(file.data + offset,
                    file.data + offset + static_cast<std::size_t>(count) * charSize);
    out.glyphs.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        SourceGlyph& g = out.glyphs[i];
        g.number = static_cast<std::int32_t>(i);
        g.width = width;
        g.height = height;
        g.at = static_cast<std::size_t>(i) * charSize;
    }
}

// Reads a Unicode table entry by entry. A code point an earlier glyph took
// is dropped (picking takes the earliest), which bounds the table at one
// link per code point however long the file. Fonts list a code point twice
// for the same glyph often enough that only another glyph's counts.
struct TableReader {
    explicit TableReader(SourceFont& into) : font(into) {}
    SourceFont& font;
    KeySet seen, ofGlyph;
    std::vector<char32_t> glyphsOwn;  // what ofGlyph holds, to clear it cheaply
    std::uint32_t glyph = 0;
    std::size_t repeats = 0, ownRepeatsLeft = 65536;
    char32_t firstRepeat = 0;

    void link(char32_t c, std::uint32_t g) {
        if (g != glyph) {
            for (char32_t own : glyphsOwn) ofGlyph.remove(own);
            glyphsOwn.clear();
            glyph = g;
        }
        if (!ofGlyph.add(c)) {
            // Kept so that the font's own map reads as the file has it, up
            // to a budget no real font nears.
            if (ownRepeatsLeft > 0) {
                --ownRepeatsLeft;
                font.table.push_back({c, g});
            }
            return;
        }
        glyphsOwn.push_back(c);
        if (seen.add(c))
            font.table.push_back({c, g});
        else if (repeats++ == 0)
            firstRepeat = c;
    }
    // A table that names no glyph is no table: picking by the map would find
    // nothing, so glyphs go by their order in the file.
    void finish(const char* version) {
        if (font.table.empty()) {
            font.warnings.push_back(std::string(version) +
                                    " Unicode table maps no glyph; glyphs are taken in file order");
            return;
        }
        font.unicode = true;
        warnOfRepeats(font, repeats, firstRepeat,
                      repeats == 1 ? "Unicode table entry" : "Unicode table entries");
    }
};

bool readPsf1(const ByteReader& file, SourceFont& out, std::string& error) {
    std::uint8_t mode, height;
    if (!file.u8(2, &mode) || !file.u8(3, &height)) {
        error = "truncated PSF1 header";
        return false;
    }
    if (height == 0) {
        error = "PSF1 header gives glyphs no height";
        return false;
    }
    const std::uint32_t count = (mode & psf1Has512) ? 512 : 256;
    if (!file.fits(4, static_cast<std::size_t>(count) * height)) {
        error = "truncated PSF1 glyphs: " + std::to_string(count) + " glyphs of " +
                std::to_string(height) + " bytes do not fit in the file";
        return false;
    }
    readGlyphs(file, 4, count, height, 8, height, out);
    if (!(mode & (psf1HasTable | psf1HasSequences))) return true;
    std::size_t at = 4 + static_cast<std::size_t>(count) * height;
    TableReader table(out);
    for (std::uint32_t i = 0; i < count; ++i) {
        bool inSequence = false;
        for (;;) {
            std::uint16_t u;
            if (!file.u16(at, &u)) {
                error = "truncated PSF1 Unicode table";
                return false;
            }
            at += 2;
            if (u == psf1Separator) break;
            // A sequence names a combination, not a character of its own.
            if (u == psf1Sequence)
                inSequence = true;
            else if (!inSequence)
                table.link(u, i);
        }
    }
    table.finish("PSF1");
    return true;
}

bool readPsf2(const ByteReader& file, SourceFont& out, std::string& error) {
    std::uint32_t version, headerSize, flags, count, charSize, height, width;
    if (!file.u32(4, &version) || !file.u32(8, &headerSize) || !file.u32(12, &flags) ||
        !file.u32(16, &count) || !file.u32(20, &charSize) || !file.u32(24, &height) ||
        !file.u32(28, &width)) {
        error = "truncated PSF2 header";
        return false;
    }
    if (headerSize < psf2HeaderSize || !file.fits(0, headerSize)) {
        error = "PSF2 header size " + std::to_string(headerSize) + " does not fit the file";
        return false;
    }
    if (count == 0 || width == 0 || height == 0) {
        error = "PSF2 header gives no glyphs or an empty glyph size";
        return false;
    }
    if (width > 16 || height > 16) {
        error = "PSF2 glyphs are " + std::to_string(width) + " x " + std::to_string(height) +
                " pixels; at most 16 x 16 fit";
        return false;
    }
    if (charSize != height * ((width + 7) / 8)) {
        error = "PSF2 glyph size " + std::to_string(charSize) + " bytes does not match " +
                std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return false;
    }
    // No glyph past the last key can be picked; the cap keeps a header that
    // counts millions of tiny glyphs from costing memory per glyph.
    if (count > keyLimit + 1) {
        error = "PSF2 header counts " + std::to_string(count) + " glyphs; at most " +
                std::to_string(keyLimit + 1) + " can be picked from";
        return false;
    }
    const std::uint64_t glyphBytesTotal = static_cast<std::uint64_t>(count) * charSize;
    if (glyphBytesTotal > file.length - headerSize) {
        error = "truncated PSF2 glyphs: the header counts " + std::to_string(count) + " glyphs";
        return false;
    }
    readGlyphs(file, headerSize, count, charSize, static_cast<int>(width), static_cast<int>(height),
               out);
    if (!(flags & psf2HasTable)) return true;
    std::size_t at = headerSize + static_cast<std::size_t>(glyphBytesTotal);
    TableReader table(out);
    for (std::uint32_t i = 0; i < count; ++i) {
        bool inSequence = false;
        for (;;) {
            if (at >= file.length) {
                error = "truncated PSF2 Unicode table at glyph " + std::to_string(i);
                return false;
            }
            const std::uint8_t b = file.data[at];
            if (b == psf2Separator) {
                ++at;
                break;
            }
            if (b == psf2Sequence) {
                ++at;
                inSequence = true;
                continue;
            }
            char32_t c;
            const std::size_t used = decodeUtf8(file.data + at, file.length - at, c);
            if (used == 0) {
                error = "bad UTF-8 in the PSF2 Unicode table of glyph " + std::to_string(i);
                return false;
            }
            at += used;
            if (!inSequence) table.link(c, i);
        }
    }
    table.finish("PSF2");
    return true;
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

bool isPsf(const std::vector<std::uint8_t>& data) { return isPsf1(data) || isPsf2(data); }

bool readPsf(const std::vector<std::uint8_t>& data, SourceFont& out, std::string& error) {
    const ByteReader file{data.data(), data.size()};
    SourceFont font;
    bool ok;
    if (isPsf2(data))
        ok = readPsf2(file, font, error);
    else if (isPsf1(data))
        ok = readPsf1(file, font, error);
    else {
        error = "not a PSF font (wrong magic)";
        return false;
    }
    if (ok) out = std::move(font);
    return ok;
}

int psfVersion(const std::vector<std::uint8_t>& data) {
    return isPsf2(data) ? 2 : isPsf1(data) ? 1 : 0;
}

std::string psf1Misfit(const CodepointMap& map, int width) {
    if (width != glyphSide / 2)
        return "PSF1 glyphs are 8 pixels wide; this font is written " + std::to_string(width) +
               " wide";
    for (int g = 0; g < glyphCount; ++g)
        for (char32_t c : map.codepoints[g])
            if (c >= psf1Sequence)
                return "PSF1's table holds code points up to U+FFFD; glyph " + glyphNumber(g) +
                       " stands for " + codepointName(c);
    return "";
}

std::vector<std::uint8_t> writePsf1(const Font& font, const CodepointMap& map) {
    std::vector<std::uint8_t> out = {psf1Magic0, psf1Magic1, psf1HasTable,
                                     static_cast<std::uint8_t>(glyphSide)};
    const std::vector<std::uint8_t> rows = packedRows(font, glyphSide / 2);
    out.insert(out.end(), rows.begin(), rows.end());
    const auto put16 = [&](std::uint16_t v) {
        out.push_back(static_cast<std::uint8_t>(v));
        out.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    for (int g = 0; g < glyphCount; ++g) {
        for (char32_t c : map.codepoints[g])
            if (c < psf1Sequence) put16(static_cast<std::uint16_t>(c));
        put16(psf1Separator);
    }
    return out;
}

std::vector<std::uint8_t> writePsf2(const Font& font, const CodepointMap& map, int width) {
    const bool narrow = width == glyphSide / 2;
    const std::uint32_t rowBytes = narrow ? 1 : 2;
    std::vector<std::uint8_t> out;
    out.reserve(psf2HeaderSize + fontBytes + 2048);
    for (std::uint32_t v : {psf2Magic, 0u, psf2HeaderSize, static_cast<std::uint32_t>(psf2HasTable),
                            static_cast<std::uint32_t>(glyphCount), rowBytes * glyphSide,
                            static_cast<std::uint32_t>(glyphSide), rowBytes * 8})
        put32(out, v);
    const std::vector<std::uint8_t> rows = packedRows(font, width);
    out.insert(out.end(), rows.begin(), rows.end());
    for (int g = 0; g < glyphCount; ++g) {
        for (char32_t c : map.codepoints[g]) appendUtf8(out, c);
        out.push_back(psf2Separator);
    }
    return out;
}

}  // namespace celkit
