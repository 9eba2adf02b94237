// The reader at every width, with the field ending exactly at the end of
// the data and cut one byte short. The data is the whole of a heap block
// of its own size, so a read one byte past it is an error the sanitizer
// build reports even where the value would happen to come out right.
#include <gtest/gtest.h>

#include <memory>
#include <type_traits>

#include "platform/byte_reader.h"

namespace {

// Reads one field of `width` bytes at `offset`; the value as 64 bits.
struct Width {
    const char* name;
    size_t width;
    bool (*read)(const ByteReader&, size_t, uint64_t*);
};

// A fixed-width read with the value as the table compares it. The target
// starts as 0xEE bytes, which a failed read must leave.
template <typename T, bool (ByteReader::*read)(size_t, T*) const>
bool readAs(const ByteReader& r, size_t at, uint64_t* v) {
    T x = static_cast<T>(0xEEEEEEEEEEEEEEEEull);
    bool ok = (r.*read)(at, &x);
    *v = static_cast<typename std::make_unsigned<T>::type>(x);
    return ok;
}

const Width widths[] = {
    {"u8", 1, readAs<uint8_t, &ByteReader::u8>},
    {"u16", 2, readAs<uint16_t, &ByteReader::u16>},
    {"u32", 4, readAs<uint32_t, &ByteReader::u32>},
    {"i32", 4, readAs<int32_t, &ByteReader::i32>},
    {"i16", 2, readAs<int16_t, &ByteReader::i16>},
    {"u16 of a big-endian view", 2,
     [](const ByteReader& r, size_t at, uint64_t* v) {
         ByteReader big = r;
         big.bigEndian = true;
         uint16_t x = 0xEEEE;
         bool ok = big.u16(at, &x);
         *v = x;
         return ok;
     }},
    {"u32 of a big-endian view", 4,
     [](const ByteReader& r, size_t at, uint64_t* v) {
         ByteReader big = r;
         big.bigEndian = true;
         uint32_t x = 0xEEEEEEEE;
         bool ok = big.u32(at, &x);
         *v = x;
         return ok;
     }},
    {"big-endian 32", 4,
     [](const ByteReader& r, size_t at, uint64_t* v) {
         uint32_t x = 0xEEEEEEEE;
         bool ok = readBigEndian32(r, at, &x);
         *v = x;
         return ok;
     }},
    {"sub of 3", 3,
     [](const ByteReader& r, size_t at, uint64_t* v) {
         ByteReader view = {nullptr, 0};
         bool ok = r.sub(at, 3, &view);
         *v = ok ? uint64_t(view.data[0]) | uint64_t(view.data[2]) << 16 |
                       uint64_t(view.length) << 32
                 : 0xEEEEEEEE;
         return ok;
     }},
};

// Bytes 0x10, 0x11, ... in a block of exactly `length` bytes.
std::unique_ptr<uint8_t[]> counting(size_t length) {
    std::unique_ptr<uint8_t[]> data(new uint8_t[length]);
    for (size_t i = 0; i < length; ++i) data[i] = uint8_t(0x10 + i);
    return data;
}

// What each width reads from counting bytes starting at `first`.
uint64_t expected(const Width& w, uint8_t first) {
    std::string name = w.name;
    auto at = [&](int i) { return uint64_t(uint8_t(first + i)); };
    if (name == "u8") return at(0);
    if (name == "u16" || name == "i16") return at(0) | at(1) << 8;
    if (name == "u16 of a big-endian view") return at(0) << 8 | at(1);
    if (name == "big-endian 32" || name == "u32 of a big-endian view")
        return at(0) << 24 | at(1) << 16 | at(2) << 8 | at(3);
    if (name == "sub of 3") return at(0) | at(2) << 16 | uint64_t(3) << 32;
    return at(0) | at(1) << 8 | at(2) << 16 | at(3) << 24;
}

TEST(ByteReader, AFieldEndingAtTheEndIsReadAndOneByteShortIsRefused) {
    for (const Width& w : widths) {
        // Data from the field's width up to 9 bytes, the field at every place.
        for (size_t length = 0; length <= 9; ++length) {
            std::unique_ptr<uint8_t[]> data = counting(length ? length : 1);
            ByteReader reader = {data.get(), length};
            for (size_t offset = 0; offset <= length + 1; ++offset) {
                SCOPED_TRACE(testing::Message() << w.name << " at " << offset << " of " << length);
                uint64_t value = 0;
                bool fits = offset + w.width <= length;
                EXPECT_EQ(w.read(reader, offset, &value), fits);
                if (fits) EXPECT_EQ(value, expected(w, uint8_t(0x10 + offset)));
            }
        }
    }
}

TEST(ByteReader, OffsetsAndCountsNearTheTopOfTheRangeDoNotWrap) {
    std::unique_ptr<uint8_t[]> data = counting(8);
    ByteReader reader = {data.get(), 8};
    const struct {
        size_t offset, count;
        bool fits;
    } cases[] = {
        {0, 8, true},
        {8, 0, true},
        {9, 0, false},
        {1, 8, false},
        {SIZE_MAX, 1, false},
        {1, SIZE_MAX, false},
        {SIZE_MAX, SIZE_MAX, false},
        {SIZE_MAX - 3, 4, false},
        {4, SIZE_MAX - 3, false},
    };
    for (const auto& c : cases) {
        ByteReader view = {nullptr, 0};
        EXPECT_EQ(reader.fits(c.offset, c.count), c.fits) << c.offset << " + " << c.count;
        EXPECT_EQ(reader.sub(c.offset, c.count, &view), c.fits) << c.offset << " + " << c.count;
        if (!c.fits) EXPECT_EQ(view.data, nullptr) << "a refused view is left alone";
    }
    uint32_t value = 0x12345678;
    EXPECT_FALSE(reader.u32(SIZE_MAX - 1, &value));
    EXPECT_EQ(value, 0x12345678u) << "a refused read leaves the value alone";
}

TEST(ByteReader, AnEmptyViewRefusesEveryRead) {
    ByteReader reader = {nullptr, 0};
    for (const Width& w : widths) {
        uint64_t value = 0;
        EXPECT_FALSE(w.read(reader, 0, &value)) << w.name;
    }
    EXPECT_TRUE(reader.fits(0, 0));
}

}  // namespace
