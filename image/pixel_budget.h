// How many pixels compressed picture data (run-length bitmaps, PNG icon
// images) may expand to, judged from the declared size before the
// platform decodes anything. Uncompressed data needs no budget: its pixels
// are in the file, so its cost follows the file's length.
//
// The cost of a picture is paid per pixel, not per byte read: the platform
// fills a bitmap of the declared size, and an icon is copied several times
// more on its way to the canvas. Measured per pixel for a transparent PNG
// icon, the dearest road: about 13 bytes and 45 ns on the native build,
// 0.2 us of processor time under Wine, where a busy machine stretches that
// two or three times. A hostile file under 100 KB must not cost more than a
// second or 256 MB, so:
// - up to 1024 x 1024 pixels are always allowed: sixteen times a glyph
//   sheet, about 0.2 s of processor time under Wine;
// - beyond that, at most 128 pixels per compressed byte, the most that
//   run-length data can spell pixel by pixel (255 per two-byte run);
// - and never more than 1536 x 1024 pixels: about 0.3 s of processor time
//   and 40 MB under Wine, 0.1 s and 21 MB natively.
#ifndef CELPACK_PIXEL_BUDGET_H
#define CELPACK_PIXEL_BUDGET_H

#include <stdint.h>

const uint64_t pixelBudgetFloor = uint64_t(1024) * 1024;
const uint64_t pixelBudgetPerByte = 128;
const uint64_t pixelBudgetCeiling = uint64_t(1536) * 1024;

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
