#include "celkit/font/gzip.h"

#include <zlib.h>

#include <new>

namespace celkit {

bool isGzip(const std::vector<std::uint8_t>& data) {
    return data.size() >= 2 && data[0] == 0x1F && data[1] == 0x8B;
}

bool gunzip(const std::vector<std::uint8_t>& data, std::vector<std::uint8_t>& out,
            std::string& error, std::size_t limit) {
    if (!isGzip(data)) {
        error = "not gzip data";
        return false;
    }
    z_stream stream{};
    // 16 + 15: a gzip wrapper only (zlib checks its header, CRC and length),
    // with the largest window.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        error = "no memory to inflate gzip data";
        return false;
    }
    std::vector<std::uint8_t> result;
    std::uint8_t chunk[65536];
    std::size_t left = data.size();
    const std::uint8_t* next = data.data();
    int status = Z_OK;
    for (;;) {
        if (stream.avail_in == 0 && left > 0) {
            const uInt take = left > 0x40000000u ? 0x40000000u : static_cast<uInt>(left);
            stream.next_in = const_cast<Bytef*>(next);
            stream.avail_in = take;
            next += take;
            left -= take;
        }
        stream.next_out = chunk;
        stream.avail_out = sizeof chunk;
        status = inflate(&stream, Z_NO_FLUSH);
        const std::size_t got = sizeof chunk - stream.avail_out;
        if (got > limit - result.size()) {
            inflateEnd(&stream);
            error = "gzip data inflates to more than " + std::to_string(limit >> 20) +
                    " MiB; no font is that large";
            return false;
        }
        result.insert(result.end(), chunk, chunk + got);
        if (status != Z_STREAM_END) {
            if (status != Z_OK) break;
            continue;
        }
        // As gzip does, members one after another are one stream; zero
        // padding after the last (as tape archives leave) ends it.
        const std::size_t rest = stream.avail_in + left;
        const std::uint8_t* after = stream.next_in;
        std::size_t zeros = 0;
        while (zeros < stream.avail_in && after[zeros] == 0) ++zeros;
        if (rest == 0 || (zeros == stream.avail_in && left == 0)) break;
        if (stream.avail_in < 2 || after[0] != 0x1F || after[1] != 0x8B) {
            inflateEnd(&stream);
            error = "gzip data followed by " + std::to_string(rest) +
                    " bytes that are not another gzip member";
            return false;
        }
        if (inflateReset(&stream) != Z_OK) break;
    }
    const char* message = stream.msg;
    inflateEnd(&stream);
    if (status == Z_STREAM_END) {
        out = std::move(result);
        return true;
    }
    if (status == Z_BUF_ERROR)
        error = "truncated gzip data";
    else if (status == Z_MEM_ERROR)
        error = "no memory to inflate gzip data";
    else
        error = std::string("corrupt gzip data (") + (message ? message : "zlib error") + ")";
    return false;
}

std::vector<std::uint8_t> gzipped(const std::vector<std::uint8_t>& data) {
    z_stream stream{};
    // 16 + 15: a gzip wrapper, its header without name or time. Its system
    // byte is said here: zlib's default is the build's own, and both builds
    // write the same bytes.
    gz_header header{};
    header.os = 3;
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9,
                     Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::bad_alloc();
    if (deflateSetHeader(&stream, &header) != Z_OK) {
        deflateEnd(&stream);
        throw std::bad_alloc();
    }
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(data.size())));
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::bad_alloc();  // the bound was not enough: cannot be
    return out;
}

}  // namespace celkit
