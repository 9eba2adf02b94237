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

bool readPng(const std::vector<std::uint8_t>& data, Picture& out, std::string& error) {
    out = Picture();
    if (data.size() > std::size_t(INT_MAX)) {
        error = "PNG file too large";
        return false;
    }
    int width = 0, height = 0, channels = 0;
    int length = int(data.size());
    if (!stbi_info_from_memory(data.data(), length, &width, &height, &channels)) {
        error = std::string("not a PNG picture that can be decoded (") + stbi_failure_reason() + ")";
        return false;
    }
    if (static_cast<long long>(width) * height > pictureLimit) {
        error = "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    stbi_uc* rgba = stbi_load_from_memory(data.data(), length, &width, &height, &channels, 4);
    if (rgba == nullptr) {
        error = std::string("not a PNG picture that can be decoded (") + stbi_failure_reason() + ")";
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
    if (!stbi_write_png_to_func(append, &out, picture.width, picture.height, 3, rgb.data(), picture.width * 3))
        out.clear();
    return out;
}

}  // namespace celkit
