#include "celkit/font/fon.h"

#include <utility>

namespace celkit {

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int cellHeight = glyphSide;
constexpr int entries = glyphCount + 1;  // and a blank cell after the last code
constexpr int headerSize = 148, entrySize = 6;
constexpr int directoryEntrySize = 113;  // the header up to the face name's offset, and a spare
constexpr int dpi = 96;                  // 16 pixels are then 12 points
constexpr int oem = 255;
constexpr int faceLimit = 31;
constexpr int shift = 4;            // resources sit on 16-byte boundaries
constexpr std::size_t neAt = 0x80;  // after the DOS header and stub, on a paragraph
static_assert(neAt % 16 == 0);

void put(Bytes& out, unsigned long value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void put8(Bytes& out, unsigned long value) { put(out, value, 1); }
void put16(Bytes& out, unsigned long value) { put(out, value, 2); }
void put32(Bytes& out, unsigned long value) { put(out, value, 4); }
void putText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}
// A counted string, as the NE name tables hold them.
void putCounted(Bytes& out, const std::string& text) {
    put8(out, text.size());
    putText(out, text);
}
void align(Bytes& out) { out.resize((out.size() + (1u << shift) - 1) >> shift << shift, 0); }

int glyphOr(const CodepointMap& map, char32_t codepoint, int fallback) {
    const int glyph = map.glyphFor(codepoint);
    return glyph < 0 ? fallback : glyph;
}

// The FNT resource: header, the table of each code's width and bits, the
// bits a byte column at a time from the top, then the face name.
Bytes fontResource(const Font& font, const CodepointMap& map, const std::string& face, Cell cell) {
    const int columns = (cell.width + 7) / 8;  // a glyph's bits go a byte column at a time
    const unsigned long glyphSize = static_cast<unsigned long>(columns) * cellHeight;
    const unsigned long bitsAt = headerSize + entries * entrySize;
    const unsigned long faceAt = bitsAt + entries * glyphSize;
    Bytes t;
    put16(t, 0x300);
    put32(t, faceAt + face.size() + 1);
    t.resize(t.size() + 60, 0);  // no copyright notice
    put16(t, 0);                 // raster, its bits in the file
    put16(t, cellHeight * 72 / dpi);
    put16(t, dpi);
    put16(t, dpi);
    put16(t, static_cast<unsigned long>(cell.ascent));
    put16(t, 0);  // no leading inside the cell or between lines
    put16(t, 0);
    put8(t, 0);  // not italic, underlined or struck out
    put8(t, 0);
    put8(t, 0);
    put16(t, 400);
    put8(t, fonCharset(map));
    const auto width = static_cast<unsigned long>(cell.width);
    put16(t, width);
    put16(t, cellHeight);
    put8(t, 0x30);  // a modern face, of fixed pitch (the low bit clear)
    put16(t, width);
    put16(t, width);
    put8(t, 0);
    put8(t, glyphCount - 1);
    put8(t, glyphOr(map, U'?', 0));  // for codes the font lacks
    put8(t, glyphOr(map, U' ', 0));  // where justification widens
    put16(t, (columns + 1) / 2 * 2);
    put32(t, 0);  // no device
    put32(t, faceAt);
    put32(t, 0);
    put32(t, bitsAt);
    put8(t, 0);
    put32(t, 1);  // fixed width: entries of width and 32-bit offset
    t.resize(headerSize, 0);

    for (int e = 0; e < entries; ++e) {
        put16(t, width);
        put32(t, bitsAt + static_cast<unsigned long>(e) * glyphSize);
    }
    for (int g = 0; g < glyphCount; ++g)
        for (int column = 0; column < columns; ++column)
            for (int y = 0; y < cellHeight; ++y) {
                unsigned bits = 0;
                for (int i = 0; i < 8; ++i)
                    if (font.pixel(g, column * 8 + i, y) && column * 8 + i < cell.width)
                        bits |= 0x80u >> i;
                put8(t, bits);
            }
    t.resize(faceAt, 0);
    putText(t, face);
    put8(t, 0);
    return t;
}

// The font directory: one entry, the header's first part and the names.
Bytes fontDirectory(const Bytes& fnt, const std::string& face) {
    Bytes t;
    put16(t, 1);
    put16(t, 1);  // the FONT resource's number
    t.insert(t.end(), fnt.begin(), fnt.begin() + directoryEntrySize);
    put8(t, 0);  // no device name
    putText(t, face);
    put8(t, 0);
    return t;
}

// DOS runs this part: it says what the file is and ends with code 1.
Bytes dosHeaderAndStub() {
    const std::uint8_t code[] = {0x0E, 0x1F, 0xBA, 0x0E, 0x00, 0xB4, 0x09,
                                 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21};
    Bytes stub(code, code + sizeof code);
    putText(stub, "This file is a Windows font.\r\n$");
    const unsigned long image = 64 + stub.size();
    Bytes t;
    putText(t, "MZ");
    put16(t, image % 512);
    put16(t, (image + 511) / 512);
    for (unsigned long v : {0, 4, 0x10, 0xFFFF}) put16(t, v);  // 64 bytes of header, 256 of stack
    for (unsigned long v : {0, 0x100}) put16(t, v);            // SS:SP
    put16(t, 0);                                               // no checksum
    for (unsigned long v : {0, 0}) put16(t, v);                // CS:IP
    put16(t, 0x40);
    t.resize(0x3C, 0);
    put32(t, neAt);
    t.insert(t.end(), stub.begin(), stub.end());
    t.resize(neAt, 0);
    return t;
}

// A module name as the loader keys it: upper-case letters and digits, at most 8.
std::string moduleName(const std::string& face) {
    std::string name;
    for (char c : face)
        if (name.size() < 8 && ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            name += c;
        else if (name.size() < 8 && c >= 'a' && c <= 'z')
            name += static_cast<char>(c - 'a' + 'A');
    return name.empty() ? "CELKIT" : name;
}

}  // namespace

int fonCharset(const CodepointMap& map) {
    static const std::pair<const char*, int> charsets[] = {
        {"cp437", oem},        {"cp850", oem},      {"cp852", oem},        {"cp866", oem},
        {"latin1", 0},         {"iso8859-1", 0},    {"windows-1252", 0},   {"iso8859-9", 162},
        {"windows-1251", 204}, {"iso8859-11", 222}, {"windows-1250", 238},
    };
    for (const auto& [name, charset] : charsets)
        if (const auto builtin = builtinMap(name); builtin && builtin->codepoints == map.codepoints)
            return charset;
    return oem;
}

std::string fonFaceName(const std::string& name) {
    std::string face;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;  // the rest of a UTF-8 character
        if (face.size() == static_cast<std::size_t>(faceLimit)) break;
        face += byte >= 0x20 && byte < 0x7F ? c : '_';
    }
    return face.empty() ? "celkit" : face;
}

std::vector<std::uint8_t> writeFon(const Font& font, const CodepointMap& map,
                                   const std::string& name, Cell cell) {
    const std::string face = fonFaceName(name);
    const Bytes fnt = fontResource(font, map, face, cell);
    const Bytes directory = fontDirectory(fnt, face);

    // The tables after the NE header, offsets from its start; the two
    // resources' places are filled in once the tables' size is known.
    Bytes tables;
    const unsigned long resourcesAt = 64;
    put16(tables, shift);
    const unsigned typeIds[] = {0x8007, 0x8008};         // the font directory, the font
    const unsigned long namesAt = 2 + 2 * (8 + 12) + 2;  // after the two types and the end
    std::size_t placeAt[2];
    for (int i = 0; i < 2; ++i) {
        put16(tables, typeIds[i]);
        put16(tables, 1);
        put32(tables, 0);
        placeAt[i] = tables.size();
        put32(tables, 0);
        put16(tables, i == 0 ? 0x0050 : 0x1030);   // preloaded; the font discardable
        put16(tables, i == 0 ? namesAt : 0x8001);  // "FONTDIR" by name, the font by number
        put32(tables, 0);
    }
    put16(tables, 0);
    putCounted(tables, "FONTDIR");
    put8(tables, 0);
    const unsigned long residentAt = resourcesAt + tables.size();
    putCounted(tables, moduleName(face));
    put16(tables, 0);
    put8(tables, 0);
    const unsigned long importsAt = resourcesAt + tables.size();
    put8(tables, 0);  // no modules or names imported
    const unsigned long entryAt = resourcesAt + tables.size();
    put16(tables, 0);  // no entry points
    const unsigned long nonresidentAt = neAt + resourcesAt + tables.size();
    // The description the installer shows: aspect and resolution, then the face.
    const std::string description =
        "FONTRES 100,96,96 : " + face + " " + std::to_string(cellHeight);
    putCounted(tables, description);
    put16(tables, 0);
    put8(tables, 0);
    const unsigned long nonresidentSize = neAt + resourcesAt + tables.size() - nonresidentAt;

    Bytes out = dosHeaderAndStub();
    putText(out, "NE");
    put8(out, 5);  // linker version
    put8(out, 1);
    put16(out, entryAt);
    put16(out, 2);
    put32(out, 0);       // no checksum
    put16(out, 0x8000);  // a library
    put16(out, 0);       // no data segment, heap or stack
    put16(out, 0);
    put16(out, 0);
    put32(out, 0);  // no code: CS:IP and SS:SP
    put32(out, 0);
    put16(out, 0);  // no segments or module references
    put16(out, 0);
    put16(out, nonresidentSize);
    put16(out, resourcesAt);  // the segment table, empty
    put16(out, resourcesAt);
    put16(out, residentAt);
    put16(out, importsAt);  // no module references, before the (empty) imported names
    put16(out, importsAt);
    put32(out, nonresidentAt);
    put16(out, 0);
    put16(out, shift);
    put16(out, 0);
    put8(out, 2);  // Windows
    put8(out, 0);
    put32(out, 0);
    put16(out, 0);
    put16(out, 0x030A);  // 3.1
    out.insert(out.end(), tables.begin(), tables.end());

    const Bytes* resources[] = {&directory, &fnt};
    for (int i = 0; i < 2; ++i) {
        align(out);
        const unsigned long at = out.size() >> shift;
        const unsigned long units = (resources[i]->size() + (1u << shift) - 1) >> shift;
        const std::size_t place = neAt + resourcesAt + placeAt[i];
        const unsigned long words[] = {at, units};
        for (int w = 0; w < 2; ++w)
            for (int b = 0; b < 2; ++b)
                out[place + 2 * w + b] = static_cast<std::uint8_t>(words[w] >> (8 * b));
        out.insert(out.end(), resources[i]->begin(), resources[i]->end());
    }
    align(out);
    return out;
}

}  // namespace celkit
