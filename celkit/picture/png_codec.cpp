// PNG through stb_image and stb_image_write: header-only, the same source
// in both builds, no library to ship beside celkit.exe. Both are compiled
// static into this file alone, so other users of stb in the program keep
// their own copies without clashing symbols.
#include <climits>

#include "celkit/picture/picture.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb_image.h>
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace celkit {
namespace {

// stb_image sizes its buffer from each chunk's stated length before it
// reads the chunk, so a short file that claims a 2 GiB chunk would have it
// ask for 2 GiB. Every chunk must lie inside the data, up to IEND.
bool chunksLieInside(const std::vector<std::uint8_t>& data) {
    std::size_t at = 8;
    while (data.size() - at >= 12) {
        std::uint32_t length = std::uint32_t(data[at]) << 24 | std::uint32_t(data[at + 1]) << 16 |
                               std::uint32_t(data[at + 2]) << 8 | data[at + 3];
        if (length > data.size() - at - 12) return false;
        bool end = data[at + 4] == 'I' && data[at + 5] == 'E' && data[at + 6] == 'N' &&
                   data[at + 7] == 'D';
        at += 12 + std::size_t(length);
        if (end) return true;
    }
    return false;
}

}  // namespace

bool readPng(const std::vector<std::uint8_t>& data, Picture& out, std::string& error) {
    out = Picture();
    if (data.size() > std::size_t(INT_MAX)) {
        error = "PNG file too large";
        return false;
    }
    if (data.size() < 8 || !chunksLieInside(data)) {
        error = "truncated PNG: a chunk runs past the end of the file, or IEND is missing";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    int length = int(data.size());
    if (!stbi_info_from_memory(data.data(), length, &width, &height, &channels)) {
        error =
            std::string("not a PNG picture that can be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    if (static_cast<long long>(width) * height > pictureLimit) {
        error = "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    stbi_uc* rgba = stbi_load_from_memory(data.data(), length, &width, &height, &channels, 4);
    if (rgba == nullptr) {
        error =
            std::string("not a PNG picture that can be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    Picture picture(width, height, 0);
    // Composed over black, as celpack composes an icon's transparent pixels.
    for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        const stbi_uc* p = rgba + i * 4;
        auto over = [&](int c) { return std::uint32_t((c * p[3] + 127) / 255); };
        picture.pixels[i] = (over(p[0]) << 16) | (over(p[1]) << 8) | over(p[2]);
    }
    stbi_image_free(rgba);
    out = std::move(picture);
    return true;
}

std::vector<std::uint8_t> encodePng(const Picture& picture) {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(picture.pixels.size() * 3);
    for (std::uint32_t colour : picture.pixels) {
        rgb.push_back(std::uint8_t(colour >> 16));
        rgb.push_back(std::uint8_t(colour >> 8));
        rgb.push_back(std::uint8_t(colour));
    }
    std::vector<std::uint8_t> out;
    auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        static_cast<std::vector<std::uint8_t>*>(context)->insert(
            static_cast<std::vector<std::uint8_t>*>(context)->end(), bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &out, picture.width, picture.height, 3, rgb.data(),
                                picture.width * 3))
        out.clear();
    return out;
}

}  // namespace celkit
