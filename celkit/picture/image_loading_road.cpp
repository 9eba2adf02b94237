// BMP and ICO pictures take celpack's own road: the bytes become an image
// object, which is drawn at its own size on a black canvas and read back
// pixel by pixel. celpack keeps only black versus not black; celkit keeps
// the colours, from the same pixels, and the alpha of a 32-bit bitmap or an
// icon, which celpack's canvas does not keep.
#include <cstdlib>

#include "celkit/picture/picture.h"
#include "drawing/bitmap_conversion.h"
#include "drawing/canvas_drawing.h"
#include "drawing/drawing_session.h"
#include "image/image_loading.h"
#include "image/image_object.h"
#include "image/load_failure.h"
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
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | data[at + static_cast<std::size_t>(i)];
    return value;
}

// A bitmap header may ask for up to 32767 x 32767 pixels: its size is known
// before any memory is taken for it. False when the data is too short to say.
bool bitmapSize(const std::vector<std::uint8_t>& data, long long& width, long long& height) {
    if (data.size() < 26) return false;  // too short to be anything: the loader refuses it
    std::uint32_t headerSize = littleEndian(data, 14, 4);
    if (headerSize == 12) {
        width = littleEndian(data, 18, 2);
        height = littleEndian(data, 20, 2);
    } else {
        width = std::llabs(static_cast<std::int32_t>(littleEndian(data, 18, 4)));
        height = std::llabs(static_cast<std::int32_t>(littleEndian(data, 22, 4)));
    }
    return true;
}

std::string tooLarge() {
    return "picture too large: more than " + std::to_string(pictureLimit) + " pixels";
}

// Whether a 32-bit bitmap's fourth byte is alpha: for BI_RGB (a bitmap
// without alpha leaves it 0, read as none), and for bit fields only when
// the alpha mask names that byte; with no alpha mask it is padding.
bool fourthByteIsAlpha(const std::vector<std::uint8_t>& data) {
    if (data.size() < 34 || littleEndian(data, 14, 4) < 40) return false;
    const std::uint32_t headerSize = littleEndian(data, 14, 4),
                        compression = littleEndian(data, 30, 4);
    if (compression == 0) return true;  // BI_RGB
    constexpr std::size_t alphaMaskAt = 66;
    if ((compression != 3 && compression != 6) || (headerSize < 56 && compression != 6) ||
        data.size() < alphaMaskAt + 4)
        return false;
    return littleEndian(data, alphaMaskAt, 4) == 0xFF000000u;
}

struct ReadBack {
    Picture picture;
    bool bitmapAlpha = false;  // a BMP's fourth byte is alpha
    bool noMemory = false;
};

// The alpha of a 32-bit DIB section of the picture's size, kept when some
// pixel is less than half opaque.
void keepAlpha(HBITMAP bitmap, Picture& picture) {
    DIBSECTION section;
    if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section)) return;
    const BITMAP& described = section.dsBm;
    if (described.bmBitsPixel != 32 || described.bmBits == nullptr ||
        described.bmWidth != picture.width || std::abs(described.bmHeight) != picture.height)
        return;
    const auto* bits = static_cast<const std::uint8_t*>(described.bmBits);
    std::size_t stride = static_cast<std::size_t>(rowStride(described.bmWidth, 32));
    bool bottomUp = section.dsBmih.biHeight > 0;
    auto alphaAt = [&](int x, int y) {
        std::size_t row = static_cast<std::size_t>(bottomUp ? picture.height - 1 - y : y);
        return bits[row * stride + static_cast<std::size_t>(x) * 4 + 3];
    };
    bool any = false;
    for (int y = 0; y < picture.height && !any; ++y)
        for (int x = 0; x < picture.width && !any; ++x) any = alphaAt(x, y) < 128;
    if (!any) return;
    auto* alpha = static_cast<std::uint8_t*>(std::malloc(picture.pixelCount()));
    if (alpha == nullptr) return;  // read as celpack reads it
    picture.alpha = PixelBytes::adopt(alpha, picture.pixelCount());
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) *alpha++ = alphaAt(x, y);
}

// A bitmap's own alpha; an icon's from the 32-bit picture the drawing makes
// of it (its mask, or its own alpha).
void readAlpha(Picture& picture, bool bitmapAlpha) {
    const ImageObject* image = findImage(pictureImage);
    if (image == nullptr) return;
    if (image->formatTag == IMAGE_FORMAT_BMP) {
        if (image->depth == 32 && bitmapAlpha)
            keepAlpha(static_cast<HBITMAP>(image->handle), picture);
        return;
    }
    HBITMAP converted = iconToBitmap(static_cast<HICON>(image->handle));
    if (converted == nullptr) return;
    DIBSECTION section;
    if (GetObjectW(converted, sizeof section, &section) != static_cast<int>(sizeof section)) {
        // The icon's own colour bitmap: drawn through a DIB section copy.
        HBITMAP copy = copyToDibSection(converted);
        DeleteObject(converted);
        converted = copy;
    }
    if (converted == nullptr) return;
    keepAlpha(converted, picture);
    DeleteObject(converted);
}

// Runs while the canvas's session is open. The decoded picture is drawn
// by now: its memory goes back before the copy is made. Nothing may throw
// through the drawing library's frames.
void readCanvas(void* context) {
    auto* back = static_cast<ReadBack*>(context);
    Picture& picture = back->picture;
    readAlpha(picture, back->bitmapAlpha);
    freeImage(pictureImage);
    auto* out = static_cast<std::uint8_t*>(std::malloc(picture.pixelCount() * 3));
    if (out == nullptr) {
        back->noMemory = true;
        return;
    }
    picture.bytes = PixelBytes::adopt(out, picture.pixelCount() * 3);
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x, out += 3) {
            std::uint32_t bgr = readPixel(x, y);  // 0x00BBGGRR
            out[0] = static_cast<std::uint8_t>(bgr);
            out[1] = static_cast<std::uint8_t>(bgr >> 8);
            out[2] = static_cast<std::uint8_t>(bgr >> 16);
        }
}

}  // namespace

bool readPictureThroughImageLoading(const std::vector<std::uint8_t>& data, Picture& out,
                                    std::string& error, const SizeCheck& check) {
    out = Picture();
    if (data.size() > 0xFFFFFFFFu) {
        error = "picture file too large";
        return false;
    }
    long long width = 0, height = 0;
    if (pictureKindOf(data) == PictureKind::Bmp && bitmapSize(data, width, height)) {
        if (width * height > pictureLimit) {
            error = tooLarge();
            return false;
        }
        if (check && width > 0 && height > 0 &&
            !check(static_cast<int>(width), static_cast<int>(height), error))
            return false;
    }
    RuntimeForOnePicture runtime;
    static const std::uint8_t nothing = 0;
    if (!decodeImageMemory(pictureImage, data.empty() ? &nothing : data.data(),
                           static_cast<std::uint32_t>(data.size()))) {
        error = std::string("not a BMP or ICO picture that can be decoded (") +
                loadFailureName(lastLoadFailure()) + ")";
        return false;
    }
    const ImageObject* image = findImage(pictureImage);
    width = image ? std::abs(image->width) : 0;
    height = image ? std::abs(image->height) : 0;
    if (width == 0 || height == 0) {
        error = "the picture has no pixels";
        return false;
    }
    if (width * height > pictureLimit) {
        error = tooLarge();
        return false;
    }
    if (check && !check(static_cast<int>(width), static_cast<int>(height), error)) return false;
    ReadBack back;
    back.picture.encoding = std::to_string(image->sourceDepth) + "-bit";
    back.picture.celpackReads = true;
    back.bitmapAlpha = pictureKindOf(data) == PictureKind::Bmp && fourthByteIsAlpha(data);
    back.picture.width = static_cast<int>(width);
    back.picture.height = static_cast<int>(height);
    switch (drawOnFreshCanvas(canvasImage, static_cast<int>(width), static_cast<int>(height),
                              imageHandle(pictureImage), readCanvas, &back)) {
    case CanvasDrawing::read:
        if (!back.noMemory) break;
        error = "no memory for the picture's pixels";
        return false;
    case CanvasDrawing::noCanvas:
        error =
            "no memory for a canvas of " + std::to_string(width) + " x " + std::to_string(height);
        return false;
    case CanvasDrawing::notDrawn:
        error = "the picture could not be drawn on the canvas";
        return false;
    }
    out = std::move(back.picture);
    return true;
}

}  // namespace celkit
