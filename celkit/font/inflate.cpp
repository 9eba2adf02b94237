#include "celkit/font/inflate.h"

namespace celkit {

namespace {

constexpr int maxBits = 15;

struct Bits {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint32_t buffer = 0;
    int count = 0;
    bool overrun = false;

    std::uint32_t take(int n) {  // n <= 16
        while (count < n) {
            if (at == size) {
                overrun = true;
                return 0;
            }
            buffer |= static_cast<std::uint32_t>(data[at++]) << count;
            count += 8;
        }
        const std::uint32_t value = buffer & ((1u << n) - 1);
        buffer >>= n;
        count -= n;
        return value;
    }
};

// A canonical Huffman code: how many codes of each length, and the symbols
// in code order.
struct Huffman {
    std::uint16_t counts[maxBits + 1];
    std::uint16_t symbols[288];

    // False for an over-subscribed code; incomplete codes are allowed, as
    // the format allows one with a single distance code.
    bool build(const std::uint8_t* lengths, int n) {
        for (auto& c : counts) c = 0;
        for (int s = 0; s < n; ++s) counts[lengths[s]]++;
        if (counts[0] == n) return true;
        int left = 1;
        for (int len = 1; len <= maxBits; ++len) {
            left <<= 1;
            left -= counts[len];
            if (left < 0) return false;
        }
        std::uint16_t offsets[maxBits + 1];
        offsets[1] = 0;
        for (int len = 1; len < maxBits; ++len)
            offsets[len + 1] = static_cast<std::uint16_t>(offsets[len] + counts[len]);
        for (int s = 0; s < n; ++s)
            if (lengths[s] != 0) symbols[offsets[lengths[s]]++] = static_cast<std::uint16_t>(s);
        return true;
    }

    // The next symbol, or -1 for a code not in the table.
    int decode(Bits& in) const {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len <= maxBits; ++len) {
            code |= static_cast<int>(in.take(1));
            if (in.overrun) return -1;
            const int count = counts[len];
            if (code - count < first) return symbols[index + (code - first)];
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        return -1;
    }
};

const std::uint16_t lengthBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                      15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                      67, 83, 99, 115, 131, 163, 195, 227, 258};
const std::uint8_t lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const std::uint16_t distanceBase[30] = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const std::uint8_t distanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

bool codes(Bits& in, const Huffman& lengths, const Huffman& distances, std::size_t limit,
           std::vector<std::uint8_t>& out) {
    for (;;) {
        int symbol = lengths.decode(in);
        if (symbol < 0) return false;
        if (symbol < 256) {
            if (out.size() >= limit) return false;
            out.push_back(static_cast<std::uint8_t>(symbol));
        } else if (symbol == 256) {
            return true;
        } else {
            symbol -= 257;
            if (symbol >= 29) return false;
            const std::size_t length = lengthBase[symbol] + in.take(lengthExtra[symbol]);
            const int d = distances.decode(in);
            if (d < 0 || d >= 30) return false;
            const std::size_t distance = distanceBase[d] + in.take(distanceExtra[d]);
            if (in.overrun || distance > out.size() || length > limit - out.size()) return false;
            for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
        }
    }
}

bool fixedBlock(Bits& in, std::size_t limit, std::vector<std::uint8_t>& out) {
    std::uint8_t lengths[288];
    int s = 0;
    for (; s < 144; ++s) lengths[s] = 8;
    for (; s < 256; ++s) lengths[s] = 9;
    for (; s < 280; ++s) lengths[s] = 7;
    for (; s < 288; ++s) lengths[s] = 8;
    Huffman literal, distance;
    literal.build(lengths, 288);
    for (s = 0; s < 30; ++s) lengths[s] = 5;
    distance.build(lengths, 30);
    return codes(in, literal, distance, limit, out);
}

bool dynamicBlock(Bits& in, std::size_t limit, std::vector<std::uint8_t>& out) {
    static const std::uint8_t order[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    const int literals = static_cast<int>(in.take(5)) + 257;
    const int distances = static_cast<int>(in.take(5)) + 1;
    const int codeLengths = static_cast<int>(in.take(4)) + 4;
    if (in.overrun || literals > 286 || distances > 30) return false;
    std::uint8_t lengths[320] = {};
    for (int i = 0; i < codeLengths; ++i) lengths[order[i]] = static_cast<std::uint8_t>(in.take(3));
    Huffman lengthCode;
    if (in.overrun || !lengthCode.build(lengths, 19)) return false;
    int i = 0;
    while (i < literals + distances) {
        int symbol = lengthCode.decode(in);
        if (symbol < 0) return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<std::uint8_t>(symbol);
            continue;
        }
        std::uint8_t value = 0;
        int repeat;
        if (symbol == 16) {
            if (i == 0) return false;
            value = lengths[i - 1];
            repeat = 3 + static_cast<int>(in.take(2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(in.take(3));
        } else {
            repeat = 11 + static_cast<int>(in.take(7));
        }
        if (in.overrun || i + repeat > literals + distances) return false;
        while (repeat--) lengths[i++] = value;
    }
    if (lengths[256] == 0) return false;  // no end-of-block code
    Huffman literal, distance;
    if (!literal.build(lengths, literals) || !distance.build(lengths + literals, distances))
        return false;
    return codes(in, literal, distance, limit, out);
}

bool storedBlock(Bits& in, std::size_t limit, std::vector<std::uint8_t>& out) {
    in.buffer = 0;
    in.count = 0;  // to the byte boundary
    if (in.size - in.at < 4) return false;
    const std::size_t length = in.data[in.at] | (in.data[in.at + 1] << 8);
    const std::size_t check = in.data[in.at + 2] | (in.data[in.at + 3] << 8);
    in.at += 4;
    if (length != (~check & 0xFFFF) || in.size - in.at < length || length > limit - out.size())
        return false;
    out.insert(out.end(), in.data + in.at, in.data + in.at + length);
    in.at += length;
    return true;
}

}  // namespace

bool inflate(const std::uint8_t* data, std::size_t size, std::size_t limit,
             std::vector<std::uint8_t>& out, std::size_t& used) {
    Bits in{data, size};
    std::vector<std::uint8_t> result;
    bool last;
    do {
        last = in.take(1) != 0;
        const std::uint32_t type = in.take(2);
        if (in.overrun) return false;
        bool ok;
        switch (type) {
        case 0: ok = storedBlock(in, limit, result); break;
        case 1: ok = fixedBlock(in, limit, result); break;
        case 2: ok = dynamicBlock(in, limit, result); break;
        default: ok = false;
        }
        if (!ok || in.overrun) return false;
    } while (!last);
    out = std::move(result);
    used = in.at;
    return true;
}

}  // namespace celkit
