// Single pixels of bitmap objects, read and written in any of their depths.
#include "platform/native/gdi/gdi_objects.h"

#include "platform/native/gdi/dib_format.h"

namespace native {

DWORD readBitmapPixel(const Bitmap& bitmap, LONG x, LONG y) {
    if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return 0;
    const BYTE* row = bitmapRow(bitmap, y);
    DWORD index;
    switch (bitmap.bitsPerPixel) {
    case 1:
    case 4:
    case 8: index = paletteIndex(row, x, bitmap.bitsPerPixel); break;
    case 24: {
        const BYTE* p = row + 3 * static_cast<size_t>(x);
        return static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[1]) << 8 | p[0];
    }
    default: {
        const BYTE* p = row + (bitmap.bitsPerPixel / 8) * static_cast<size_t>(x);
        DWORD pixel = static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8;
        if (bitmap.bitsPerPixel == 32) {
            pixel |= static_cast<DWORD>(p[2]) << 16 | static_cast<DWORD>(p[3]) << 24;
            if (bitmap.bitfields[0] == 0xFF0000 && bitmap.bitfields[1] == 0xFF00 &&
                bitmap.bitfields[2] == 0xFF)
                return pixel;
        }
        return static_cast<DWORD>(channelValue(pixel, channelOf(bitmap.bitfields[0]))) << 16 |
               static_cast<DWORD>(channelValue(pixel, channelOf(bitmap.bitfields[1]))) << 8 |
               channelValue(pixel, channelOf(bitmap.bitfields[2]));
    }
    }
    if (static_cast<int>(index) >= bitmap.colourCount) return 0;
    const RGBQUAD& colour = bitmap.colours[index];
    return static_cast<DWORD>(colour.rgbRed) << 16 | static_cast<DWORD>(colour.rgbGreen) << 8 |
           colour.rgbBlue;
}

namespace {

// The palette entry closest to a colour; the first of equals wins.
DWORD nearestColour(const Bitmap& bitmap, DWORD argb) {
    int red = static_cast<int>((argb >> 16) & 0xFF), green = static_cast<int>((argb >> 8) & 0xFF),
        blue = static_cast<int>(argb & 0xFF);
    DWORD best = 0;
    long bestDistance = -1;
    for (int i = 0; i < bitmap.colourCount; ++i) {
        const RGBQUAD& c = bitmap.colours[i];
        long dr = c.rgbRed - red, dg = c.rgbGreen - green, db = c.rgbBlue - blue;
        long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            best = static_cast<DWORD>(i);
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace

void writeBitmapPixel(Bitmap& bitmap, LONG x, LONG y, DWORD argb) {
    if (x < 0 || y < 0 || x >= bitmap.width || y >= bitmap.height) return;
    BYTE* row = bitmapRow(bitmap, y);
    switch (bitmap.bitsPerPixel) {
    case 1: {
        BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        if (nearestColour(bitmap, argb))
            row[x >> 3] |= bit;
        else
            row[x >> 3] &= static_cast<BYTE>(~bit);
        return;
    }
    case 4: {
        BYTE index = static_cast<BYTE>(nearestColour(bitmap, argb));
        BYTE& byte = row[x >> 1];
        byte = (x & 1) ? static_cast<BYTE>((byte & 0xF0) | index)
                       : static_cast<BYTE>((byte & 0x0F) | index << 4);
        return;
    }
    case 8: row[x] = static_cast<BYTE>(nearestColour(bitmap, argb)); return;
    case 24: {
        BYTE* p = row + 3 * static_cast<size_t>(x);
        p[0] = static_cast<BYTE>(argb);
        p[1] = static_cast<BYTE>(argb >> 8);
        p[2] = static_cast<BYTE>(argb >> 16);
        return;
    }
    default: {
        BYTE* p = row + (bitmap.bitsPerPixel / 8) * static_cast<size_t>(x);
        DWORD pixel = argb;
        bool plain = bitmap.bitsPerPixel == 32 && bitmap.bitfields[0] == 0xFF0000 &&
                     bitmap.bitfields[1] == 0xFF00 && bitmap.bitfields[2] == 0xFF;
        if (!plain)
            pixel = channelBits(static_cast<BYTE>(argb >> 16), channelOf(bitmap.bitfields[0])) |
                    channelBits(static_cast<BYTE>(argb >> 8), channelOf(bitmap.bitfields[1])) |
                    channelBits(static_cast<BYTE>(argb), channelOf(bitmap.bitfields[2]));
        p[0] = static_cast<BYTE>(pixel);
        p[1] = static_cast<BYTE>(pixel >> 8);
        if (bitmap.bitsPerPixel == 32) {
            p[2] = static_cast<BYTE>(pixel >> 16);
            p[3] = static_cast<BYTE>(pixel >> 24);
        }
        return;
    }
    }
}

}  // namespace native
