// gzip members, as console fonts ship compressed: the header read and the
// deflate data inflated here, so that no build needs zlib. The stored
// length and CRC-32 are checked.
#ifndef CELKIT_FONT_GZIP_H
#define CELKIT_FONT_GZIP_H

#include <cstdint>
#include <string>
#include <vector>

namespace celkit {

bool isGzip(const std::vector<std::uint8_t>& data);

// The first member's contents; false with a reason for truncated or corrupt
// data or one that would inflate beyond `limit` bytes.
bool gunzip(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out,
            std::string& error, std::size_t limit = 64u << 20);

}  // namespace celkit

#endif
