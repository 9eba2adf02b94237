// PNG icon images, decoded with libpng into 32-bit pixels.
//
// libpng reports errors by jumping back to a setjmp, so everything it
// works on lives outside the jumping frame: the caller's image and a
// plain state record. A malformed or truncated stream, or one larger than
// the limits, makes the decoder fail; nothing is read past the data.
#include "platform/native/user/icons_png_image.h"

#include <new>
#include <png.h>
#include <setjmp.h>
#include <string.h>

namespace native {

namespace {

// Largest side the decoder accepts, and the memory an ancillary chunk may
// take; the pixel count is further held to iconPixelLimit.
const png_uint_32 sideLimit = 0xFFFF;
const png_alloc_size_t chunkLimit = static_cast<png_alloc_size_t>(8) << 20;

struct PngSource {
    const uint8_t* data;
    size_t length;
    size_t position;
};

struct PngDecoding {
    png_structp png;
    png_infop info;
    PngSource source;
    png_bytep* rows;
    bool keepsAlpha;
};

void readBytes(png_structp png, png_bytep out, png_size_t count) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (count > source->length - source->position) png_error(png, "data ends early");
    memcpy(out, source->data + source->position, count);
    source->position += count;
}

// Errors and warnings stay quiet: a refused image is an ordinary result.
void jumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void ignoreWarning(png_structp, png_const_charp) {}

// libpng's part, between the setjmp and its last possible jump. Only
// plain data lives in this frame.
bool runDecoder(PngDecoding* decoding, IconImage* image) {
    png_structp png = decoding->png;
    png_infop info = decoding->info;
    if (setjmp(png_jmpbuf(png))) return false;

    png_set_read_fn(png, &decoding->source, readBytes);
    // Damaged checksums are passed over, as on the platform.
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_user_limits(png, sideLimit, sideLimit);
    png_set_chunk_malloc_max(png, chunkLimit);
    png_read_info(png, info);

    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > iconPixelLimit) return false;
    int colourType = png_get_color_type(png, info);
    decoding->keepsAlpha =
        (colourType & PNG_COLOR_MASK_ALPHA) || png_get_valid(png, info, PNG_INFO_tRNS);

    // Every layout becomes 8-bit blue, green, red, alpha: palettes and
    // transparency chunks expanded, grey widened, 16-bit channels cut to
    // their high byte, and alpha 0 for images without any.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    if (!decoding->keepsAlpha) png_set_add_alpha(png, 0, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;

    if (!image->allocate(static_cast<LONG>(width), static_cast<LONG>(height))) return false;
    decoding->rows = new (std::nothrow) png_bytep[height];
    if (decoding->rows == nullptr) return false;
    for (png_uint_32 y = 0; y < height; ++y)
        decoding->rows[y] =
            reinterpret_cast<png_bytep>(image->colours.get() + static_cast<size_t>(y) * width);
    // The end chunk is not asked for: a stream whose image data is whole
    // is taken without it.
    png_read_image(png, decoding->rows);
    return true;
}

}  // namespace

bool isPngIconData(const ByteReader& data) {
    return data.length >= 8 && png_sig_cmp(data.data, 0, 8) == 0;
}

bool decodePngIconImage(const ByteReader& data, IconImage* image) {
    if (!isPngIconData(data)) return false;
    PngDecoding decoding;
    memset(&decoding, 0, sizeof decoding);
    decoding.source = PngSource{data.data, data.length, 0};
    decoding.png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, jumpOnError, ignoreWarning);
    if (decoding.png == nullptr) return false;
    decoding.info = png_create_info_struct(decoding.png);
    bool decoded = decoding.info != nullptr && runDecoder(&decoding, image);
    png_destroy_read_struct(&decoding.png, decoding.info ? &decoding.info : nullptr, nullptr);
    delete[] decoding.rows;
    if (!decoded) {
        *image = IconImage();
        return false;
    }

    image->sourceBitsPerPixel = 0;
    if (decoding.keepsAlpha) maskFromAlpha(image);
    return true;
}

}  // namespace native
