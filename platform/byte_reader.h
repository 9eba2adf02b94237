// The one reader of file data: a (pointer, length) view whose every read is
// checked against the length first. Offsets and lengths are compared without
// overflow; a read that does not fit fails and reads nothing. Little-endian
// unless the view says otherwise (a format whose tables each name their own
// byte order sets it per table). Used by every file-format parser of the
// product and of the native platform layer.
#ifndef CELPACK_BYTE_READER_H
#define CELPACK_BYTE_READER_H

#include <stddef.h>
#include <stdint.h>

struct ByteReader {
    const uint8_t* data;
    size_t length;
    bool bigEndian = false;

    // True when `count` bytes from `offset` lie inside the view.
    bool fits(size_t offset, size_t count) const {
        return offset <= length && count <= length - offset;
    }

    bool u8(size_t offset, uint8_t* value) const {
        if (!fits(offset, 1)) return false;
        *value = data[offset];
        return true;
    }

    bool u16(size_t offset, uint16_t* value) const {
        if (!fits(offset, 2)) return false;
        const uint8_t* p = data + offset;
        *value = bigEndian ? static_cast<uint16_t>((p[0] << 8) | p[1])
                           : static_cast<uint16_t>(p[0] | (p[1] << 8));
        return true;
    }

    bool i16(size_t offset, int16_t* value) const {
        uint16_t raw;
        if (!u16(offset, &raw)) return false;
        *value = static_cast<int16_t>(raw);
        return true;
    }

    bool u32(size_t offset, uint32_t* value) const {
        if (!fits(offset, 4)) return false;
        const uint8_t* p = data + offset;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(p[i]) << 8 * (bigEndian ? 3 - i : i);
        *value = v;
        return true;
    }

    bool i32(size_t offset, int32_t* value) const {
        uint32_t raw;
        if (!u32(offset, &raw)) return false;
        *value = static_cast<int32_t>(raw);
        return true;
    }

    // A view of `count` bytes from `offset`, or false when they do not fit.
    bool sub(size_t offset, size_t count, ByteReader* view) const {
        if (!fits(offset, count)) return false;
        view->data = data + offset;
        view->length = count;
        view->bigEndian = bigEndian;
        return true;
    }
};

// Big-endian 16-bit read, for the formats that use it (sfnt tables).
inline bool readBigEndian16(const ByteReader& reader, size_t offset, uint16_t* value) {
    if (!reader.fits(offset, 2)) return false;
    *value = static_cast<uint16_t>(reader.data[offset] << 8 | reader.data[offset + 1]);
    return true;
}

// Big-endian 32-bit read, for the few formats that use it (PNG chunks, sfnt tables).
inline bool readBigEndian32(const ByteReader& reader, size_t offset, uint32_t* value) {
    if (!reader.fits(offset, 4)) return false;
    const uint8_t* p = reader.data + offset;
    *value = (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
             (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
    return true;
}

#endif
