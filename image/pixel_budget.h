// How many pixels compressed picture data (run-length bitmaps, PNG icon
// images) may expand to, judged from the declared size before the
// platform decodes anything. Uncompressed data needs no budget: its pixels
// are in the file, so its cost follows the file's length.
//
// The cost of a picture is paid per pixel, not per byte read: the platform
// fills a bitmap of the declared size, and an icon is copied several times
// more on its way to the canvas. Measured per pixel on the native build,
// about 12 bytes and 45 ns for a PNG icon; under Wine about 300 ns. A
// hostile file under 100 KB must not cost more than a second or 256 MB, so:
// - up to 1024 x 1024 pixels are always allowed: sixteen times a glyph
//   sheet, well under a second under Wine;
// - beyond that, at most 128 pixels per compressed byte, the most that
//   run-length data can spell pixel by pixel (255 per two-byte run);
// - and never more than 2048 x 1024 pixels, about 0.7 s under Wine.
#ifndef CELPACK_PIXEL_BUDGET_H
#define CELPACK_PIXEL_BUDGET_H

#include <stdint.h>

const uint64_t pixelBudgetFloor = uint64_t(1024) * 1024;
const uint64_t pixelBudgetPerByte = 128;
const uint64_t pixelBudgetCeiling = uint64_t(2048) * 1024;

// True when width x height pixels may be made from `compressedLength`
// bytes of compressed data.
inline bool withinPixelBudget(uint32_t width, uint32_t height, uint32_t compressedLength) {
    uint64_t pixels = uint64_t(width) * height;
    uint64_t allowed = uint64_t(compressedLength) * pixelBudgetPerByte;
    if (allowed < pixelBudgetFloor) allowed = pixelBudgetFloor;
    if (allowed > pixelBudgetCeiling) allowed = pixelBudgetCeiling;
    return pixels <= allowed;
}

#endif
