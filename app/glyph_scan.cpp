#include "app/glyph_scan.h"

#include "app/font_format.h"

void scanGlyphSheet(PixelReader readPixel, ByteSink sink) {
    for (int32_t cellRow = 0; cellRow < sheetCells; ++cellRow) {
        for (int32_t cellColumn = 0; cellColumn < sheetCells; ++cellColumn) {
            for (int32_t row = 0; row < glyphHeight; ++row) {
                uint8_t mask = 0x80;
                uint8_t accumulator = 0;
                // Unrolled, the mask is a constant at each pixel and the
                // sink's two calls sit at fixed places: no test per pixel.
#pragma GCC unroll 16
                for (int32_t column = 0; column < glyphWidth; ++column) {
                    uint32_t colour =
                        readPixel(column + cellColumn * glyphWidth, row + cellRow * glyphHeight);
                    if (colour != 0) accumulator |= mask;
                    mask >>= 1;
                    if (mask == 0) {
                        sink(accumulator);
                        mask = 0x80;
                        accumulator = 0;
                    }
                }
            }
        }
    }
}
