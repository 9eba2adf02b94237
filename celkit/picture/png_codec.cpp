// PNG through stb_image and stb_image_write: header-only, the same source
// in both builds, no library to ship beside celkit.exe. Both are compiled
// static into this file alone, so other users of stb in the program keep
// their own copies without clashing symbols.
#include <algorithm>
#include <climits>
#include <cstring>

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

std::uint32_t bigEndian(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

struct PngHeader {
    std::uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0;
    bool transparencyKey = false;  // a tRNS chunk
};

// stb_image sizes its buffer from each chunk's stated length before it
// reads the chunk, so a short file that claims a 2 GiB chunk would have it
// ask for 2 GiB. Every chunk must lie inside the data, up to IEND; the
// first is the header. The reason, or null.
const char* readChunks(const std::vector<std::uint8_t>& data, PngHeader& header) {
    const char* truncated =
        "truncated PNG: a chunk runs past the end of the file, or IEND is missing";
    if (data.size() < 8) return truncated;
    std::size_t at = 8;
    bool first = true;
    while (data.size() - at >= 12) {
        std::uint32_t length = bigEndian(&data[at]);
        if (length > data.size() - at - 12) return truncated;
        const std::uint8_t* type = &data[at + 4];
        if (first) {
            if (std::memcmp(type, "IHDR", 4) != 0 || length != 13)
                return "not a PNG picture that can be decoded (no 13-byte IHDR chunk first)";
            header.width = bigEndian(&data[at + 8]);
            header.height = bigEndian(&data[at + 12]);
            header.bitDepth = data[at + 16];
            header.colourType = data[at + 17];
            first = false;
        }
        if (std::memcmp(type, "tRNS", 4) == 0) header.transparencyKey = true;
        at += 12 + static_cast<std::size_t>(length);
        if (std::memcmp(type, "IEND", 4) == 0) return nullptr;
    }
    return truncated;
}

// Channels of the file's own pixels (a palette index counts as one).
int fileChannels(int colourType) {
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

std::string megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MiB";
}

// Composes R, G, B (or grey) with alpha over black in place, dropping the
// alpha byte: the same rounding as celpack gives an icon's pixels.
void composeOverBlack(std::uint8_t* pixels, std::size_t count, int channels) {
    int colours = channels - 1;
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* in = pixels + i * static_cast<std::size_t>(channels);
        std::uint8_t* out = pixels + i * static_cast<std::size_t>(colours);
        unsigned alpha = in[colours];
        for (int c = 0; c < colours; ++c)
            out[c] = static_cast<std::uint8_t>((in[c] * alpha + 127) / 255);
    }
}

// Keeps the alpha of a picture with a pixel less than half opaque, before
// composing drops it.
PixelBytes alphaOf(const std::uint8_t* pixels, std::size_t count, int channels) {
    std::size_t step = static_cast<std::size_t>(channels);
    std::size_t i = 0;
    while (i < count && pixels[i * step + step - 1] >= 128) ++i;
    if (i == count) return PixelBytes();
    PixelBytes alpha(count, 0);
    for (i = 0; i < count; ++i) alpha[i] = pixels[i * step + step - 1];
    return alpha;
}

std::string encodingOf(const PngHeader& header) {
    static const char* const kinds[] = {"grey",           "?", "RGB", "palette",
                                        "grey and alpha", "?", "RGBA"};
    std::string text =
        std::to_string(header.bitDepth) + "-bit " +
        (header.colourType >= 0 && header.colourType <= 6 ? kinds[header.colourType] : "?");
    if (header.transparencyKey) text += " with a transparent colour";
    return text;
}

void appendChunk(std::vector<std::uint8_t>& out, const char* type, const std::uint8_t* data,
                 std::size_t length) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(length >> shift));
    std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    if (length != 0) out.insert(out.end(), data, data + length);
    unsigned crc = stbiw__crc32(out.data() + start, static_cast<int>(length + 4));
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(crc >> shift));
}

// A palette PNG at the smallest depth that holds the colours, rows
// unfiltered (the rule for palette pictures); empty when it would not fit.
std::vector<std::uint8_t> encodePalettePng(const Picture& picture,
                                           const std::vector<std::uint32_t>& colours,
                                           const std::uint8_t* remap) {
    int depth = colours.size() <= 2 ? 1 : colours.size() <= 4 ? 2 : colours.size() <= 16 ? 4 : 8;
    std::size_t width = static_cast<std::size_t>(picture.width),
                height = static_cast<std::size_t>(picture.height);
    std::size_t rowBytes = (width * static_cast<std::size_t>(depth) + 7) / 8;
    if (height == 0 || width == 0 || (rowBytes + 1) > static_cast<std::size_t>(INT_MAX) / height)
        return {};
    std::vector<std::uint8_t> rows((rowBytes + 1) * height, 0);
    int perByte = 8 / depth;
    for (std::size_t y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + y * (rowBytes + 1) + 1;
        const std::uint8_t* in = picture.bytes.data() + y * width;
        for (std::size_t x = 0; x < width; ++x) {
            unsigned index = remap ? remap[in[x]] : in[x];
            int shift = 8 - depth * (1 + static_cast<int>(x % static_cast<std::size_t>(perByte)));
            row[x / static_cast<std::size_t>(perByte)] |= static_cast<std::uint8_t>(index << shift);
        }
    }
    int packedLength = 0;
    unsigned char* packed = stbi_zlib_compress(rows.data(), static_cast<int>(rows.size()),
                                               &packedLength, stbi_write_png_compression_level);
    if (packed == nullptr) return {};
    std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::uint8_t header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        header[4 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    header[8] = static_cast<std::uint8_t>(depth);
    header[9] = 3;  // palette; compression, filter and interlace 0
    appendChunk(out, "IHDR", header, sizeof header);
    std::vector<std::uint8_t> table;
    for (std::uint32_t c : colours) {
        table.push_back(static_cast<std::uint8_t>(c >> 16));
        table.push_back(static_cast<std::uint8_t>(c >> 8));
        table.push_back(static_cast<std::uint8_t>(c));
    }
    appendChunk(out, "PLTE", table.data(), table.size());
    appendChunk(out, "IDAT", packed, static_cast<std::size_t>(packedLength));
    STBIW_FREE(packed);
    appendChunk(out, "IEND", nullptr, 0);
    return out;
}

}  // namespace

std::uint64_t pngDecodeCost(std::uint32_t width, std::uint32_t height, int bitDepth,
                            int colourType) {
    std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
    int channels = fileChannels(colourType);
    std::uint64_t rowBytes =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(channels) *
             static_cast<std::uint64_t>(bitDepth) +
         7) /
        8;
    std::uint64_t inflated = (rowBytes + 1) * height;
    // A palette is expanded to R, G, B (and alpha) after the indices are
    // decoded; sixteen-bit samples are decoded whole, then halved.
    std::uint64_t decoded = pixels * static_cast<std::uint64_t>(colourType == 3 ? 4 + 1 : channels);
    if (bitDepth == 16) decoded *= 2;
    return inflated + decoded;
}

std::uint64_t pngPixelsAllowed(std::uint64_t fileLength) {
    constexpr std::uint64_t floor = static_cast<std::uint64_t>(2048) * 2048, perByte = 128;
    if (fileLength > static_cast<std::uint64_t>(pictureLimit) / perByte)
        return static_cast<std::uint64_t>(pictureLimit);
    return std::max(floor, fileLength * perByte);
}

// stb leaves no reason for some failures (a thread's first call, a lost one).
static const char* failureReason() {
    const char* reason = stbi_failure_reason();
    return reason != nullptr ? reason : "no reason given";
}

bool readPng(const std::vector<std::uint8_t>& data, Picture& out, std::string& error,
             const SizeCheck& check) {
    out = Picture();
    if (data.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "PNG file too large";
        return false;
    }
    PngHeader header;
    if (const char* reason = readChunks(data, header)) {
        error = reason;
        return false;
    }
    if (header.width == 0 || header.height == 0 || header.width > INT_MAX ||
        header.height > INT_MAX) {
        error = "not a PNG picture that can be decoded (a side of " +
                std::to_string(header.width == 0 || header.width > INT_MAX ? header.width
                                                                           : header.height) +
                " pixels)";
        return false;
    }
    if (static_cast<std::uint64_t>(header.width) * header.height >
        static_cast<std::uint64_t>(pictureLimit)) {
        error = "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    if (check && !check(static_cast<int>(header.width), static_cast<int>(header.height), error))
        return false;
    std::uint64_t declared = static_cast<std::uint64_t>(header.width) * header.height;
    if (declared > pngPixelsAllowed(data.size())) {
        error = "PNG data of " + std::to_string(data.size()) + " bytes would make " +
                std::to_string(declared) + " pixels; at most " +
                std::to_string(pngPixelsAllowed(data.size())) + " from a file of this size";
        return false;
    }
    std::uint64_t cost =
        pngDecodeCost(header.width, header.height, header.bitDepth, header.colourType);
    if (cost > pngCostCeiling) {
        error = "PNG picture would take " + megabytes(cost) + " to decode; at most " +
                megabytes(pngCostCeiling);
        return false;
    }
    int width = 0, height = 0, channels = 0;
    int length = static_cast<int>(data.size());
    if (!stbi_info_from_memory(data.data(), length, &width, &height, &channels)) {
        error = std::string("not a PNG picture that can be decoded (") + failureReason() + ")";
        return false;
    }
    // The file's own channels; a colour key (tRNS) brings an alpha channel.
    if (header.transparencyKey && (channels == 1 || channels == 3)) ++channels;
    stbi_uc* decoded =
        stbi_load_from_memory(data.data(), length, &width, &height, nullptr, channels);
    if (decoded == nullptr) {
        error = std::string("not a PNG picture that can be decoded (") + failureReason() + ")";
        return false;
    }
    std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.bytes = PixelBytes::adopt(decoded, pixels * static_cast<std::size_t>(channels));
    picture.encoding = encodingOf(header);
    if (channels == 2 || channels == 4) {
        picture.alpha = alphaOf(picture.bytes.data(), pixels, channels);
        // Composed over black, as celpack composes an icon's transparent pixels.
        composeOverBlack(picture.bytes.data(), pixels, channels);
        picture.bytes.shrink(pixels * static_cast<std::size_t>(channels - 1));
    }
    if (channels <= 2) {
        picture.palette.resize(256);
        for (std::uint32_t level = 0; level < 256; ++level)
            picture.palette[level] = level * 0x010101u;
    }
    out = std::move(picture);
    return true;
}

std::vector<std::uint8_t> encodePng(const Picture& picture) {
    std::size_t pixels = picture.pixelCount();
    if (picture.width <= 0 || picture.height <= 0) return {};
    // An indexed picture (every preview) has at most 256 colours: a palette
    // PNG of the very same pixels, a fraction of the data to filter and
    // compress. Only a picture of more colours goes out as R, G, B.
    std::vector<std::uint32_t> colours;
    std::uint8_t remap[256] = {};
    if (picture.indexed()) {
        bool used[256] = {};
        for (std::size_t i = 0; i < pixels; ++i) used[picture.bytes[i]] = true;
        for (int index = 0; index < static_cast<int>(picture.palette.size()); ++index)
            if (used[index]) {
                remap[index] = static_cast<std::uint8_t>(colours.size());
                colours.push_back(picture.palette[static_cast<std::size_t>(index)]);
            }
        return encodePalettePng(picture, colours, remap);
    }
    if ((static_cast<std::size_t>(picture.width) * 3 + 1) >
        static_cast<std::size_t>(INT_MAX) / static_cast<std::size_t>(picture.height))
        return {};
    std::vector<std::uint8_t> out;
    auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::uint8_t*>(data);
        auto* to = static_cast<std::vector<std::uint8_t>*>(context);
        to->insert(to->end(), bytes, bytes + size);
    };
    if (!stbi_write_png_to_func(append, &out, picture.width, picture.height, 3,
                                picture.bytes.data(), picture.width * 3))
        out.clear();
    return out;
}

}  // namespace celkit
