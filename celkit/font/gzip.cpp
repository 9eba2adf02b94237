#include "celkit/font/gzip.h"

#include "celkit/font/inflate.h"

namespace celkit {

namespace {

std::uint32_t crc32(const std::uint8_t* p, std::size_t n) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

bool isGzip(const std::vector<std::uint8_t>& data) {
    return data.size() >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

bool gunzip(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out,
            std::string& error, std::size_t limit) {
    enum { textFlag = 1, headerCrc = 2, extra = 4, name = 8, comment = 16 };
    const std::size_t n = data.size();
    if (n < 18 || !isGzip(data)) {
        error = "truncated gzip data";
        return false;
    }
    if (data[2] != 8 || (data[3] & 0xE0) != 0) {
        error = "gzip data compressed by an unknown method";
        return false;
    }
    const std::uint8_t flags = data[3];
    std::size_t at = 10;
    if (flags & extra) {
        if (n - at < 2) {
            error = "truncated gzip header";
            return false;
        }
        std::size_t length = data[at] | (data[at + 1] << 8);
        at += 2;
        if (n - at < length) {
            error = "truncated gzip header";
            return false;
        }
        at += length;
    }
    for (int field : {int(name), int(comment)}) {
        if (!(flags & field)) continue;
        while (at < n && data[at] != 0) ++at;
        if (at == n) {
            error = "truncated gzip header";
            return false;
        }
        ++at;
    }
    if (flags & headerCrc) at += 2;
    if (at > n || n - at < 8) {
        error = "truncated gzip data";
        return false;
    }
    // The deflate data ends where its last block does; the member's CRC-32
    // and length modulo 2^32 follow it. Later members are ignored.
    std::vector<std::uint8_t> result;
    std::size_t used = 0;
    if (!inflate(&data[at], n - at, limit, result, used)) {
        error = "corrupt or truncated gzip data";
        return false;
    }
    if (n - at - used < 8 || le32(&data[at + used]) != crc32(result.data(), result.size()) ||
        le32(&data[at + used + 4]) != static_cast<std::uint32_t>(result.size())) {
        error = "gzip data fails its check (CRC or length)";
        return false;
    }
    out = std::move(result);
    return true;
}

}  // namespace celkit
