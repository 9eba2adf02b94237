#include "celkit/edit/icon_encoding.h"

namespace celkit {
namespace {

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> encodeIcon(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.width > 256 || picture.height > 256)
        return {};
    const auto width = static_cast<std::uint32_t>(picture.width),
               height = static_cast<std::uint32_t>(picture.height);
    const std::uint32_t maskStride = (width + 31) / 32 * 4;
    const std::uint32_t imageBytes = 40 + width * height * 4 + maskStride * height;
    std::vector<std::uint8_t> out;
    out.reserve(22 + imageBytes);
    put(out, 0, 2);  // the icon directory
    put(out, 1, 2);
    put(out, 1, 2);
    put(out, width & 0xFF, 1);  // 0 stands for 256
    put(out, height & 0xFF, 1);
    put(out, 0, 2);
    put(out, 1, 2);
    put(out, 32, 2);
    put(out, imageBytes, 4);
    put(out, 22, 4);
    put(out, 40, 4);  // the image's header: twice the height, for the mask
    put(out, width, 4);
    put(out, height * 2, 4);
    put(out, 1, 2);
    put(out, 32, 2);
    put(out, 0, 4);
    put(out, imageBytes - 40, 4);
    for (int i = 0; i < 4; ++i) put(out, 0, 4);
    for (std::uint32_t row = height; row-- > 0;)
        for (std::uint32_t x = 0; x < width; ++x) {
            std::size_t i = static_cast<std::size_t>(row) * width + x;
            put(out, picture.colour(i), 3);
            put(out, picture.transparent(i) ? 0 : 0xFF, 1);
        }
    for (std::uint32_t row = height; row-- > 0;) {
        std::size_t start = out.size();
        out.resize(start + maskStride, 0);
        for (std::uint32_t x = 0; x < width; ++x)
            if (picture.transparent(static_cast<std::size_t>(row) * width + x))
                out[start + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
    return out;
}

}  // namespace celkit
