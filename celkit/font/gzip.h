// gzip members, as console fonts ship compressed, inflated by zlib (linked
// statically into the Windows build). The inflated size is capped, so a
// small file cannot ask for gigabytes.
#ifndef CELKIT_FONT_GZIP_H
#define CELKIT_FONT_GZIP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace celkit {

// Console fonts are under 1 MiB and all of Unifont's plane 0 as .hex under
// 4 MiB; 16 MiB leaves room and keeps a bomb's cost to what a parser spends
// on 16 MiB.
inline constexpr std::size_t gzipLimit = std::size_t(16) << 20;

bool isGzip(const std::vector<std::uint8_t>& data);

// The contents of every member in turn, each one's CRC-32 and length
// checked; false with a reason for truncated or corrupt data, bytes after a
// member that start no other (zero padding aside), or contents beyond
// `limit` bytes in all.
bool gunzip(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out,
            std::string& error, std::size_t limit = gzipLimit);

// `data` as one gzip member (best compression, no name, time 0), so that the
// same font gives the same bytes on every run and build.
std::vector<std::uint8_t> gzipped(const std::vector<std::uint8_t>& data);

}  // namespace celkit

#endif
