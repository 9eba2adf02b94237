// BMP and ICO pictures take celpack's own road: the bytes become an image
// object, which is drawn at its own size on a black canvas and read back
// pixel by pixel. celpack keeps only black versus not black; celkit keeps
// the colours, from the same pixels.
#include <cstdlib>

#include "celkit/picture/picture.h"
#include "drawing/drawing_session.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "runtime/runtime.h"

namespace celkit {
namespace {

constexpr ObjectId pictureImage = 0;
constexpr ObjectId canvasImage = 1;

const RuntimeLibraries pictureLibraries = {initImageDecoders, initImages, initDrawing,
                                           nullptr,           nullptr,    endImages};

// The runtime is started for one picture and stopped after it, so every
// image it made is freed whichever way the read ends.
struct RuntimeForOnePicture {
    RuntimeForOnePicture() { startRuntime(&pictureLibraries); }
    ~RuntimeForOnePicture() { stopRuntime(); }
};

std::uint32_t littleEndian(const std::vector<std::uint8_t>& data, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | data[at + std::size_t(i)];
    return value;
}

// A bitmap header may ask for up to 32767 x 32767 pixels: refuse what would
// not fit the limit before any memory is taken for it.
bool bitmapSizeAcceptable(const std::vector<std::uint8_t>& data) {
    if (data.size() < 26) return true;  // too short to be anything: the loader refuses it
    std::uint32_t headerSize = littleEndian(data, 14, 4);
    long long width, height;
    if (headerSize == 12) {
        width = littleEndian(data, 18, 2);
        height = littleEndian(data, 20, 2);
    } else {
        width = std::llabs(static_cast<std::int32_t>(littleEndian(data, 18, 4)));
        height = std::llabs(static_cast<std::int32_t>(littleEndian(data, 22, 4)));
    }
    return width * height <= pictureLimit;
}

}  // namespace

bool readPictureThroughImageLoading(const std::vector<std::uint8_t>& data, Picture& out,
                                    std::string& error) {
    out = Picture();
    if (data.size() > 0xFFFFFFFFu) {
        error = "picture file too large";
        return false;
    }
    if (pictureKindOf(data) == PictureKind::Bmp && !bitmapSizeAcceptable(data)) {
        error = "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    RuntimeForOnePicture runtime;
    static const std::uint8_t nothing = 0;
    if (!decodeImageMemory(pictureImage, data.empty() ? &nothing : data.data(),
                           std::uint32_t(data.size()))) {
        error = "not a BMP or ICO picture that can be decoded";
        return false;
    }
    const ImageObject* image = findImage(pictureImage);
    int width = image ? std::abs(image->width) : 0;
    int height = image ? std::abs(image->height) : 0;
    if (width == 0 || height == 0) {
        error = "the picture has no pixels";
        return false;
    }
    if (static_cast<long long>(width) * height > pictureLimit) {
        error = "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
        return false;
    }
    if (!createImage(canvasImage, width, height)) {
        error =
            "no memory for a canvas of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    }
    DrawingContext* canvas = imageOutput(canvasImage);
    if (canvas == nullptr || !beginDrawing(canvas)) {
        error = "cannot draw on the canvas";
        return false;
    }
    drawImage(imageHandle(pictureImage), 0, 0);
    Picture picture(width, height, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint32_t bgr = readPixel(x, y);  // 0x00BBGGRR
            picture.set(x, y, ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF));
        }
    endDrawing();
    out = std::move(picture);
    return true;
}

}  // namespace celkit
