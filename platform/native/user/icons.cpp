// Icon objects of the native build: made from resource data, handed out
// as bitmaps, destroyed.
//
// An icon holds two device-dependent bitmaps of its own: the colours at 32
// bits per pixel (alpha 0 unless its image kept alpha) and the 1-bit AND
// mask. A monochrome icon has no colour bitmap; its mask is twice as tall,
// AND bits above XOR bits. GetIconInfo hands out copies the caller deletes.
#include <new>
#include <string.h>

#include "platform/native/gdi/gdi_objects.h"
#include "platform/native/kernel.h"
#include "platform/native/user.h"
#include "platform/native/user/icon_image.h"
#include "platform/native/user/icons_bitmap_image.h"
#include "platform/native/user/icons_png_image.h"
#include "platform/native/user/icons_scaling.h"
#include "platform/native/user/user_hooks.h"

namespace native {

namespace {

// Resource data of this version is an older layout the platform refuses.
const DWORD refusedVersion = 0x00020000;
// CreateIconFromResourceEx flag: a desired size of 0 means the default.
const UINT defaultSizeFlag = 0x00000040;

// The platform's default icon size (SM_CXICON by SM_CYICON).
const LONG defaultIconSize = 32;

bool decodeBitmapAsGiven(const ByteReader& data, IconImage* image) {
    return decodeBitmapIconImage(data, false, image);
}

HICON refuse() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

HBITMAP colourBitmapOf(const IconImage& image) {
    HBITMAP handle = createBitmap(image.width, image.height, true, 32, false);
    Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr) return nullptr;
    for (LONG y = 0; y < image.height; ++y)
        memcpy(bitmapRow(*bitmap, y),
               image.colours.get() + static_cast<size_t>(y) * static_cast<size_t>(image.width),
               static_cast<size_t>(image.width) * 4);
    return handle;
}

void setMaskBit(Bitmap& bitmap, LONG x, LONG y) {
    bitmapRow(bitmap, y)[x >> 3] |= static_cast<BYTE>(0x80 >> (x & 7));
}

// The AND bits, followed for a monochrome image by the XOR bits.
HBITMAP maskBitmapOf(const IconImage& image) {
    LONG rows = image.monochrome ? 2 * image.height : image.height;
    HBITMAP handle = createBitmap(image.width, rows, true, 1, false);
    Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr) return nullptr;
    for (LONG y = 0; y < image.height; ++y) {
        size_t row = static_cast<size_t>(y) * static_cast<size_t>(image.width);
        for (LONG x = 0; x < image.width; ++x) {
            if (image.mask[row + static_cast<size_t>(x)]) setMaskBit(*bitmap, x, y);
            if (image.monochrome && image.colours[row + static_cast<size_t>(x)] != 0)
                setMaskBit(*bitmap, x, image.height + y);
        }
    }
    return handle;
}

HICON makeIcon(const IconImage& image) {
    Icon* icon = new (std::nothrow) Icon();
    if (icon == nullptr) return nullptr;
    icon->width = image.width;
    icon->height = image.height;
    icon->sourceBitsPerPixel = image.sourceBitsPerPixel;
    icon->hasAlpha = !image.monochrome && hasAnyAlpha(image);
    icon->mask = maskBitmapOf(image);
    icon->colour = image.monochrome ? nullptr : colourBitmapOf(image);
    HICON handle = nullptr;
    if (icon->mask != nullptr && (image.monochrome || icon->colour != nullptr))
        handle = static_cast<HICON>(addObject(kindIcon, icon));
    if (handle == nullptr) {
        destroyBitmap(icon->colour);
        destroyBitmap(icon->mask);
        delete icon;
    }
    return handle;
}

// A new device-dependent bitmap with the same pixels, or null.
HBITMAP copyBitmap(HBITMAP handle) {
    Bitmap* source = findBitmap(handle);
    if (source == nullptr) return nullptr;
    HBITMAP copyHandle =
        createBitmap(source->width, source->height, source->topDown, source->bitsPerPixel, false);
    Bitmap* copy = findBitmap(copyHandle);
    if (copy == nullptr) return nullptr;
    memcpy(copy->bits, source->bits,
           static_cast<size_t>(source->stride) * static_cast<size_t>(source->height));
    memcpy(copy->colours, source->colours, sizeof copy->colours);
    copy->colourCount = source->colourCount;
    return copyHandle;
}

}  // namespace

}  // namespace native

using namespace native;

IconHooks native::iconHooks = {decodeBitmapAsGiven};

// Only icons are made; cursor data (icon FALSE, a hot spot before the
// image) is refused.
HICON CreateIconFromResourceEx(PBYTE bits, DWORD size, BOOL icon, DWORD version, int desiredWidth,
                               int desiredHeight, UINT flags) {
    if (bits == nullptr || !icon || version == refusedVersion || desiredWidth < 0 ||
        desiredHeight < 0)
        return refuse();
    ByteReader data{bits, size};
    IconImage image;
    bool decoded = isPngIconData(data) ? decodePngIconImage(data, &image)
                                       : iconHooks.decodeBitmap(data, &image);
    if (!decoded) return refuse();

    if (flags & defaultSizeFlag) {
        if (desiredWidth == 0) desiredWidth = defaultIconSize;
        if (desiredHeight == 0) desiredHeight = defaultIconSize;
    }
    LONG width = desiredWidth != 0 ? desiredWidth : image.width;
    LONG height = desiredHeight != 0 ? desiredHeight : image.height;
    HICON result;
    if (width == image.width && height == image.height) {
        result = makeIcon(image);
    } else {
        IconImage scaled;
        if (!scaleIconImage(image, width, height, &scaled)) return refuse();
        result = makeIcon(scaled);
    }
    if (result == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return result;
}

HICON CreateIconFromResource(PBYTE bits, DWORD size, BOOL icon, DWORD version) {
    return CreateIconFromResourceEx(bits, size, icon, version, defaultIconSize, defaultIconSize, 0);
}

BOOL GetIconInfo(HICON handle, PICONINFO info) {
    Icon* icon = findIcon(handle);
    if (icon == nullptr || info == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    HBITMAP mask = copyBitmap(icon->mask);
    HBITMAP colour = icon->colour ? copyBitmap(icon->colour) : nullptr;
    if (mask == nullptr || (icon->colour != nullptr && colour == nullptr)) {
        destroyBitmap(mask);
        destroyBitmap(colour);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    info->fIcon = TRUE;
    info->xHotspot = static_cast<DWORD>(icon->width / 2);
    info->yHotspot = static_cast<DWORD>(icon->height / 2);
    info->hbmMask = mask;
    info->hbmColor = colour;
    return TRUE;
}

BOOL DestroyIcon(HICON handle) {
    Icon* icon = findIcon(handle);
    if (icon == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    removeObject(handle);
    destroyBitmap(icon->colour);
    destroyBitmap(icon->mask);
    delete icon;
    return TRUE;
}
