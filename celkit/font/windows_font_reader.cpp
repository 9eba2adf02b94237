#include "celkit/font/windows_font_reader.h"

#include <algorithm>
#include <optional>

#include "celkit/font/codepoint_map.h"
#include "celkit/font/font.h"
#include "platform/byte_reader.h"

namespace celkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Where a font resource starts in the file; its own header gives its size.
struct Span {
    std::size_t at;
};

// The FNT header fields read, by offset.
enum : std::size_t {
    fieldSize = 2,
    fieldCopyright = 6,
    fieldType = 66,
    fieldAscent = 74,
    fieldCharset = 85,
    fieldPixelHeight = 88,
    fieldFirstChar = 95,
    fieldFace = 105,
    fieldBitsOffset = 113,
};
constexpr std::size_t copyrightSize = 60;
constexpr int rtFont = 8;

struct FntHeader {
    std::uint16_t version = 0, type = 0, ascent = 0, height = 0;
    std::uint32_t size = 0, face = 0, bitsOffset = 0;
    std::uint8_t charset = 0, first = 0, last = 0;
    std::size_t tableAt = 0, entrySize = 0;
};

bool readHeader(const ByteReader& fnt, FntHeader& h, std::string& error) {
    if (!fnt.u16(0, &h.version) || (h.version != 0x200 && h.version != 0x300)) {
        error = fnt.length < 2 ? "the font resource is empty"
                               : "a font resource of version " + hexNumber(h.version) +
                                     "; celkit reads versions 2.0 and 3.0";
        return false;
    }
    h.tableAt = h.version == 0x300 ? 148 : 118;
    h.entrySize = h.version == 0x300 ? 6 : 4;
    if (!fnt.fits(0, h.tableAt) || !fnt.u32(fieldSize, &h.size) || !fnt.u16(fieldType, &h.type) ||
        !fnt.u16(fieldAscent, &h.ascent) || !fnt.u8(fieldCharset, &h.charset) ||
        !fnt.u16(fieldPixelHeight, &h.height) || !fnt.u32(fieldFace, &h.face) ||
        !fnt.u32(fieldBitsOffset, &h.bitsOffset)) {
        error = "the font resource is shorter than its header";
        return false;
    }
    fnt.u8(fieldFirstChar, &h.first);
    fnt.u8(fieldFirstChar + 1, &h.last);
    const std::size_t entries = static_cast<std::size_t>(h.last) - h.first + 2;
    if (h.size > fnt.length)
        error = "the font resource is cut short: its header says " + std::to_string(h.size) +
                " bytes, " + std::to_string(fnt.length) + " are there";
    else if ((h.type & 1) != 0)
        error = "a vector font; celkit reads raster fonts";
    else if (h.height == 0)
        error = "the font's glyphs have no height";
    else if (h.first > h.last)
        error = "the font's last character comes before its first";
    else if (!fnt.fits(h.tableAt, entries * h.entrySize) ||
             h.tableAt + entries * h.entrySize > h.size)
        error = "the font's character table runs past its end";
    return error.empty();
}

bool printable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F; }

// A FNT standing alone: a sound header whose size is the file's. At the raw
// font's size, also text where the copyright and the face name are.
bool bareFnt(const ByteReader& file) {
    FntHeader h;
    std::string error;
    if (!readHeader(file, h, error) || h.size != file.length || h.bitsOffset > h.size ||
        h.face >= h.size || h.ascent > h.height)
        return false;
    if (file.length != static_cast<std::size_t>(fontBytes)) return true;
    for (std::size_t i = 0; i < copyrightSize; ++i)
        if (file.data[fieldCopyright + i] != 0 && !printable(file.data[fieldCopyright + i]))
            return false;
    std::size_t at = h.face;
    while (at < file.length && printable(file.data[at])) ++at;
    return at > h.face && at < file.length && file.data[at] == 0;
}

// The RT_FONT resources of a 16-bit library.
bool neFonts(const ByteReader& file, std::size_t ne, std::vector<Span>& fonts, std::string& error) {
    std::uint16_t tableAt = 0, residentAt = 0, shift = 0;
    if (!file.u16(ne + 0x24, &tableAt) || !file.u16(ne + 0x26, &residentAt)) {
        error = "the NE header is cut short";
        return false;
    }
    if (tableAt == residentAt) return true;  // no resources
    std::size_t at = ne + tableAt;
    if (!file.u16(at, &shift) || shift > 16) {
        error = file.fits(at, 2) ? "the NE resource table's alignment is out of range"
                                 : "the NE resource table lies outside the file";
        return false;
    }
    at += 2;
    for (;;) {
        std::uint16_t type = 0, count = 0;
        if (!file.u16(at, &type) || (type != 0 && !file.u16(at + 2, &count))) {
            error = "the NE resource table runs past the end of the file";
            return false;
        }
        if (type == 0) return true;
        at += 8;
        if (!file.fits(at, std::size_t{count} * 12)) {
            error = "the NE resource table runs past the end of the file";
            return false;
        }
        for (std::size_t i = 0; i < count; ++i, at += 12) {
            std::uint16_t offset = 0;
            file.u16(at, &offset);
            if (type == (0x8000 | rtFont)) fonts.push_back({std::size_t{offset} << shift});
        }
    }
}

// The file offset of a PE image's relative address, found through its sections.
bool peOffset(const ByteReader& file, std::size_t sections, std::size_t count, std::uint32_t rva,
              std::size_t& out) {
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t address = 0, rawSize = 0, rawAt = 0;
        const std::size_t s = sections + i * 40;
        file.u32(s + 12, &address);
        file.u32(s + 16, &rawSize);
        file.u32(s + 20, &rawAt);
        if (rva >= address && rva - address < rawSize) {
            out = std::size_t{rawAt} + (rva - address);
            return true;
        }
    }
    return false;
}

// The RT_FONT resources of a 32- or 64-bit library: the resource tree's
// type, name and language levels, each entry visited at most once in all.
bool peFonts(const ByteReader& file, std::size_t pe, std::vector<Span>& fonts, std::string& error) {
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    std::uint32_t directories = 0, resourceRva = 0;
    const std::size_t optional = pe + 24;
    if (!file.u16(pe + 6, &sectionCount) || !file.u16(pe + 20, &optionalSize) ||
        !file.u16(optional, &magic) || (magic != 0x10B && magic != 0x20B)) {
        error = "the PE header is cut short or of an unknown kind";
        return false;
    }
    const std::size_t dataDirectories = optional + (magic == 0x10B ? 96 : 112);
    const std::size_t sections = optional + optionalSize;
    if (!file.u32(dataDirectories - 4, &directories) || !file.fits(sections, sectionCount * 40u)) {
        error = "the PE header is cut short";
        return false;
    }
    if (directories <= 2 || !file.u32(dataDirectories + 16, &resourceRva) || resourceRva == 0)
        return true;  // no resources
    std::size_t root = 0;
    if (!peOffset(file, sections, sectionCount, resourceRva, root) || !file.fits(root, 16)) {
        error = "the PE resources lie outside the file";
        return false;
    }
    // More entries visited than the file has room for means directories shared.
    std::size_t budget = file.length / 8;
    const auto entries = [&](std::size_t directory, std::size_t& first, std::size_t& count) {
        std::uint16_t named = 0, numbered = 0;
        first = root + directory + 16;
        if (!file.u16(root + directory + 12, &named) ||
            !file.u16(root + directory + 14, &numbered) ||
            !file.fits(first, (std::size_t{named} + numbered) * 8)) {
            error = "a PE resource directory runs past the end of the file";
            return false;
        }
        count = std::size_t{named} + numbered;
        if (count > budget) {
            error = "the PE resource directories list more entries than the file holds";
            return false;
        }
        budget -= count;
        return true;
    };
    const auto entry = [&](std::size_t at, std::uint32_t& id, std::uint32_t& target) {
        file.u32(at, &id);
        file.u32(at + 4, &target);
    };
    // A data entry, or a directory of them (one per language).
    const auto addData = [&](std::uint32_t target) {
        std::size_t first = 0, count = 1;
        if ((target & 0x80000000u) != 0 && !entries(target & 0x7FFFFFFFu, first, count))
            return false;
        for (std::size_t i = 0; i < count; ++i) {
            std::uint32_t id = 0, data = target, rva = 0;
            if ((target & 0x80000000u) != 0) entry(first + i * 8, id, data);
            std::size_t at = 0;
            if ((data & 0x80000000u) != 0) {
                error = "the PE resource tree nests deeper than type, name and language";
                return false;
            }
            if (!file.u32(root + data, &rva) || !peOffset(file, sections, sectionCount, rva, at)) {
                error = "a PE font resource lies outside the file";
                return false;
            }
            fonts.push_back({at});
        }
        return true;
    };
    std::size_t types = 0, typeCount = 0;
    if (!entries(0, types, typeCount)) return false;
    for (std::size_t t = 0; t < typeCount; ++t) {
        std::uint32_t type = 0, names = 0;
        entry(types + t * 8, type, names);
        if (type != rtFont) continue;
        std::size_t first = 0, count = 1;
        if ((names & 0x80000000u) == 0) return addData(names);
        if (!entries(names & 0x7FFFFFFFu, first, count)) return false;
        for (std::size_t n = 0; n < count; ++n) {
            std::uint32_t name = 0, target = 0;
            entry(first + n * 8, name, target);
            if (!addData(target)) return false;
        }
    }
    return true;
}

// Every font resource of the file: a library's, or the bare FNT itself.
bool fontResources(const ByteReader& file, std::vector<Span>& fonts, std::string& error) {
    std::uint32_t header = 0;
    if (file.length >= 2 && file.data[0] == 'M' && file.data[1] == 'Z') {
        std::uint8_t sign[4] = {};
        if (!file.u32(0x3C, &header) || !file.fits(header, 4)) {
            error = "an MZ executable with no Windows header";
            return false;
        }
        for (std::size_t i = 0; i < 4; ++i) file.u8(std::size_t{header} + i, &sign[i]);
        bool read = false;
        if (sign[0] == 'N' && sign[1] == 'E')
            read = neFonts(file, header, fonts, error);
        else if (sign[0] == 'P' && sign[1] == 'E' && sign[2] == 0 && sign[3] == 0)
            read = peFonts(file, header, fonts, error);
        else
            error = "an MZ executable with neither an NE nor a PE header";
        if (read && fonts.empty()) error = "a Windows library with no font resources";
        return read && !fonts.empty();
    }
    if (!bareFnt(file)) {
        error = "not a Windows font";
        return false;
    }
    fonts.push_back({0});
    return true;
}

// The glyphs of one FNT: each code's bits a byte column at a time from the
// top, turned into rows; its code points from the character set.
bool readFnt(const ByteReader& fnt, SourceFont& out, std::string& error) {
    FntHeader h;
    if (!readHeader(fnt, h, error)) return false;
    const std::size_t height = h.height;
    std::size_t clipped = 0, widest = 0;
    for (int code = h.first; code <= h.last; ++code) {
        const std::size_t entry =
            h.tableAt + static_cast<std::size_t>(code - h.first) * h.entrySize;
        std::uint16_t width = 0, offset16 = 0;
        std::uint32_t offset = 0;
        fnt.u16(entry, &width);
        if (h.version == 0x300)
            fnt.u32(entry + 2, &offset);
        else if (fnt.u16(entry + 2, &offset16))
            offset = offset16;
        const std::size_t columns = (std::size_t{width} + 7) / 8;
        if (offset > h.size || columns * height > h.size - offset) {
            error = "glyph " + hexNumber(code) + "'s bits lie outside the font resource";
            return false;
        }
        if (width > glyphSide) {
            ++clipped;
            widest = std::max<std::size_t>(widest, width);
        }
        SourceGlyph glyph;
        glyph.number = code;
        glyph.width = std::min<int>(width, glyphSide);
        glyph.height = h.height;
        glyph.at = out.bits.size();
        const std::size_t kept = (static_cast<std::size_t>(glyph.width) + 7) / 8;
        for (std::size_t y = 0; y < height; ++y)
            for (std::size_t k = 0; k < kept; ++k)
                out.bits.push_back(fnt.data[offset + k * height + y]);
        out.glyphs.push_back(glyph);
    }
    if (clipped != 0)
        out.warnings.push_back(std::to_string(clipped) +
                               (clipped == 1 ? " glyph is" : " glyphs are") +
                               " wider than 16 pixels (up to " + std::to_string(widest) +
                               "); their left 16 columns are kept");

    // Codes outside first..last stay blank (GDI draws the default character
    // there; celkit invents no glyph). A code its code page leaves undefined
    // keeps its own value, as Windows maps it; so do an ANSI font's codes
    // 0x80-0x9F, where a latin1 map (written as ANSI) looks for them.
    const char* page = windowsCharsetCodePage(h.charset);
    const std::optional<CodepointMap> map = page ? builtinMap(page) : std::nullopt;
    out.unicode = map.has_value();
    for (int code = h.first; code <= h.last; ++code) {
        const auto glyph = static_cast<std::uint32_t>(code - h.first);
        if (!map || map->codepoints[code].empty() ||
            (h.charset == 0 && code >= 0x80 && code < 0xA0))
            out.table.push_back({static_cast<char32_t>(code), glyph});
        for (std::size_t i = 0; map && i < map->codepoints[code].size(); ++i)
            out.table.push_back({map->codepoints[code][i], glyph});
    }
    return true;
}

}  // namespace

bool isWindowsFont(const Bytes& data) {
    const ByteReader file{data.data(), data.size()};
    std::vector<Span> fonts;
    std::string error;
    if (data.size() == static_cast<std::size_t>(fontBytes) || data.size() < 2 || data[0] != 'M' ||
        data[1] != 'Z')
        return fontResources(file, fonts, error);
    // Any other library is one by its headers, so that its reader says what is wrong.
    std::uint32_t header = 0;
    std::uint8_t sign[2] = {};
    return file.u32(0x3C, &header) && file.u8(std::size_t{header}, &sign[0]) &&
           file.u8(std::size_t{header} + 1, &sign[1]) &&
           ((sign[0] == 'N' && sign[1] == 'E') || (sign[0] == 'P' && sign[1] == 'E'));
}

const char* windowsCharsetCodePage(int charset) {
    switch (charset) {
    case 0: return "windows-1252";
    case 162: return "iso8859-9";  // Turkish: windows-1254's letters where ISO 8859-9 has them
    case 204: return "windows-1251";
    case 222: return "iso8859-11";  // Thai: windows-874's letters
    case 238: return "windows-1250";
    case 255: return "cp437";
    default: return nullptr;
    }
}

bool readWindowsFont(const Bytes& data, int index, SourceFont& out, std::string& error) {
    const ByteReader file{data.data(), data.size()};
    std::vector<Span> fonts;
    if (!fontResources(file, fonts, error)) return false;
    if (index < 0 || static_cast<std::size_t>(index) >= fonts.size()) {
        error = "--index " + std::to_string(index) + ": the file holds " +
                std::to_string(fonts.size()) + (fonts.size() == 1 ? " font" : " fonts") +
                ", numbered from 0";
        return false;
    }
    const Span span = fonts[static_cast<std::size_t>(index)];
    ByteReader fnt{};
    if (span.at >= file.length || !file.sub(span.at, file.length - span.at, &fnt)) {
        error = "font " + std::to_string(index) + " lies outside the file";
        return false;
    }
    SourceFont font;
    font.fonts = fonts.size();
    if (!readFnt(fnt, font, error)) {
        if (fonts.size() > 1) error = "font " + std::to_string(index) + ": " + error;
        return false;
    }
    out = std::move(font);
    return true;
}

}  // namespace celkit
