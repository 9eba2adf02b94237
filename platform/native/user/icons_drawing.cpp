// DrawIconEx: an icon drawn into the bitmap selected into a memory DC.
//
// Icons without alpha go through their mask as the platform's raster
// operations do: DI_MASK copies the mask (white where transparent),
// DI_IMAGE copies the colours, and both together AND the target with the
// mask, then XOR the colours into it. Icons whose colours carry alpha are
// blended with it wherever DI_IMAGE is asked for, each term rounded as the
// platform rounds. At another size each target pixel shows one icon pixel.
#include "platform/native/gdi/gdi_objects.h"
#include "platform/native/user.h"
#include "platform/native/user/user_hooks.h"

namespace native {

namespace {

// Colour pixel (x, y) of an icon: its colour bitmap, or the XOR half of a
// monochrome icon's mask as black and white.
DWORD iconColour(const Icon& icon, const Bitmap* colour, const Bitmap& mask, LONG x, LONG y) {
    if (colour != nullptr) {
        const BYTE* p = bitmapRow(*colour, y) + 4 * static_cast<size_t>(x);
        return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 |
               static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
    }
    return readBitmapPixel(mask, x, icon.height + y) & 0x00FFFFFF;
}

// round(value / 255) for value in 0..255 * 255.
DWORD divideRounded(DWORD value) { return (value + 127) / 255; }

// The icon pixel over the target pixel: colour times its alpha, plus the
// target times what the alpha leaves, in every channel including alpha.
DWORD blendPixel(DWORD source, DWORD target) {
    DWORD alpha = source >> 24;
    DWORD result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        DWORD s = shift == 24 ? 255 : (source >> shift) & 0xFF;
        DWORD t = (target >> shift) & 0xFF;
        DWORD value = divideRounded(s * alpha) + divideRounded(t * (255 - alpha));
        result |= (value > 255 ? 255 : value) << shift;
    }
    return result;
}

// The icon pixel drawn at target offset `offset` of a `drawn`-long run
// showing `size` icon pixels. Enlarging maps as icon creation does;
// shrinking keeps one pixel of the run that creation would AND together,
// the last of a column run and the first of a row run, as the platform
// was seen to. Unblended, a single column shows the one before the last.
LONG drawnColumn(int64_t offset, int64_t drawn, LONG size, bool blended) {
    if (drawn >= size) return static_cast<LONG>((offset * size + (size - 1) / 2) / drawn);
    if (drawn == 1 && !blended) return size - 2;
    int64_t last = ((offset + 1) * size - 1 - (drawn - 1) / 2) / drawn;
    return static_cast<LONG>(last < size ? last : size - 1);
}

LONG drawnRow(int64_t offset, int64_t drawn, LONG size) {
    if (drawn >= size) return static_cast<LONG>((offset * size + (size - 1) / 2) / drawn);
    int64_t start = offset * size - (drawn - 1) / 2;
    return static_cast<LONG>(start <= 0 ? 0 : (start + drawn - 1) / drawn);
}

}  // namespace

}  // namespace native

using namespace native;

namespace {

BOOL drawIcon(HDC dc, int x, int y, HICON handle, int width, int height, UINT flags) {
    Icon* icon = findIcon(handle);
    DeviceContext* context = findDC(dc);
    Bitmap* target = context ? findBitmap(context->bitmap) : nullptr;
    if (icon == nullptr || target == nullptr) return FALSE;
    Bitmap* mask = findBitmap(icon->mask);
    Bitmap* colour = icon->colour ? findBitmap(icon->colour) : nullptr;
    if (mask == nullptr || (icon->colour != nullptr && colour == nullptr)) return FALSE;
    if (width == 0) width = icon->width;
    if (height == 0) height = icon->height;
    if (width < 0 || height < 0) return FALSE;
    UINT parts = flags & DI_NORMAL;
    if (parts == 0) return TRUE;
    bool blend = icon->hasAlpha && (parts & DI_IMAGE);

    int64_t left = x < 0 ? 0 : x, top = y < 0 ? 0 : y;
    int64_t right = static_cast<int64_t>(x) + width, bottom = static_cast<int64_t>(y) + height;
    if (right > target->width) right = target->width;
    if (bottom > target->height) bottom = target->height;
    for (int64_t ty = top; ty < bottom; ++ty) {
        LONG sy = drawnRow(ty - y, height, icon->height);
        for (int64_t tx = left; tx < right; ++tx) {
            LONG sx = drawnColumn(tx - x, width, icon->width, blend);
            DWORD image = iconColour(*icon, colour, *mask, sx, sy);
            DWORD pixel = readBitmapPixel(*target, static_cast<LONG>(tx), static_cast<LONG>(ty));
            DWORD maskColour = readBitmapPixel(*mask, sx, sy) & 0x00FFFFFF;
            if (blend)
                pixel = blendPixel(image, pixel);
            else if (parts == DI_MASK)
                pixel = maskColour;
            else if (parts == DI_IMAGE)
                pixel = image;
            else
                pixel = (pixel & maskColour) ^ image;
            writeBitmapPixel(*target, static_cast<LONG>(tx), static_cast<LONG>(ty), pixel);
        }
    }
    return TRUE;
}

}  // namespace

IconDrawingHooks native::iconDrawingHooks = {drawIcon};

// The step and the flicker-free brush are not used.
BOOL DrawIconEx(HDC dc, int x, int y, HICON handle, int width, int height, UINT, HBRUSH,
                UINT flags) {
    return iconDrawingHooks.draw(dc, x, y, handle, width, height, flags);
}
