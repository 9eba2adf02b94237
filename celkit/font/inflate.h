// Raw deflate data (RFC 1951) inflated. Written here rather than taken from
// stb_image, whose decoder refuses valid streams with a single distance
// code, as gzip makes for many small console fonts.
#ifndef CELKIT_FONT_INFLATE_H
#define CELKIT_FONT_INFLATE_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace celkit {

// Inflates `size` bytes of deflate data into `out`, which must grow to no
// more than `limit` bytes. On success `used` is the count of input bytes
// the data took. False on corrupt or truncated data or when over the limit.
bool inflate(const std::uint8_t* data, std::size_t size, std::size_t limit,
             std::vector<std::uint8_t>& out, std::size_t& used);

}  // namespace celkit

#endif
