// The glyph font file: 256 glyphs of 16 by 16 pixels at one bit per pixel,
// no header. Glyph g takes bytes g * 32 to g * 32 + 31, two bytes per pixel
// row from the top; the first byte holds columns 0 to 7, bit 7 leftmost. A
// set bit is a pixel that was not pure black. The glyphs come from a sheet
// of 16 by 16 cells, glyph g at cell column g % 16, cell row g / 16.
#ifndef CELPACK_FONT_FORMAT_H
#define CELPACK_FONT_FORMAT_H

#include "platform/platform.h"

constexpr int32_t glyphCount = 256;
constexpr int32_t glyphWidth = 16;
constexpr int32_t glyphHeight = 16;
constexpr int32_t bytesPerGlyphRow = glyphWidth / 8;
constexpr int32_t bytesPerGlyph = glyphHeight * bytesPerGlyphRow;
constexpr int32_t fontFileSize = glyphCount * bytesPerGlyph;  // 8192

// The sheet: cells per row and column, and its size in pixels.
constexpr int32_t sheetCells = 16;
constexpr int32_t sheetWidth = sheetCells * glyphWidth;    // 256
constexpr int32_t sheetHeight = sheetCells * glyphHeight;  // 256

// Appended to the picture's name, whose own extension stays.
constexpr WCHAR fontFileExtension[] = UTF16(".fnt");

#endif
