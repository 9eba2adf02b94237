#include "celkit/font/gzip.h"

// Only the zlib decoder is wanted; static so it cannot clash with another
// copy of stb_image in the same program.
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#define STBI_NO_JPEG
#define STBI_NO_PNG
#define STBI_SUPPORT_ZLIB
#define STBI_NO_BMP
#define STBI_NO_PSD
#define STBI_NO_TGA
#define STBI_NO_GIF
#define STBI_NO_HDR
#define STBI_NO_PIC
#define STBI_NO_PNM
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#endif
#include <stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <climits>

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

bool gunzip(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out, std::string& error,
            std::size_t limit) {
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
        if (n - at < 2) { error = "truncated gzip header"; return false; }
        std::size_t length = data[at] | (data[at + 1] << 8);
        at += 2;
        if (n - at < length) { error = "truncated gzip header"; return false; }
        at += length;
    }
    for (int field : {int(name), int(comment)}) {
        if (!(flags & field)) continue;
        while (at < n && data[at] != 0) ++at;
        if (at == n) { error = "truncated gzip header"; return false; }
        ++at;
    }
    if (flags & headerCrc) at += 2;
    if (at > n || n - at < 8) {
        error = "truncated gzip data";
        return false;
    }
    const std::size_t deflated = n - at - 8;
    const std::uint32_t crc = le32(&data[n - 8]);
    const std::uint32_t size = le32(&data[n - 4]);
    // The stored size is the member's length modulo 2^32; trailing members
    // are ignored, so a bigger one cannot hide behind it.
    if (size > limit || deflated > INT_MAX) {
        error = "gzip data too large to inflate";
        return false;
    }
    std::vector<std::uint8_t> result(size);
    char dummy;
    int got = stbi_zlib_decode_noheader_buffer(size ? reinterpret_cast<char*>(result.data()) : &dummy,
                                               static_cast<int>(size),
                                               reinterpret_cast<const char*>(&data[at]),
                                               static_cast<int>(deflated));
    if (got < 0 || static_cast<std::uint32_t>(got) != size || crc32(result.data(), result.size()) != crc) {
        error = "corrupt gzip data";
        return false;
    }
    out = std::move(result);
    return true;
}

}  // namespace celkit
