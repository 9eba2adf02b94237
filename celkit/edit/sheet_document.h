// The sheet `celkit edit` works on. Its picture is read as import reads it
// with its defaults (16 x 16 equal cells, the most common colour as paper);
// edited glyphs go back into that picture, each changed pixel in the sheet's
// own ink or paper and every other pixel as it was, and the picture is
// encoded in the sheet's own format. The font beside it is made from the
// encoded bytes: as celpack makes it for BMP and ICO, as import reads it for
// PNG, which celpack does not read.
#ifndef CELKIT_EDIT_SHEET_DOCUMENT_H
#define CELKIT_EDIT_SHEET_DOCUMENT_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/font/font.h"
#include "celkit/picture/glyph_grid.h"
#include "celkit/picture/picture.h"

namespace celkit {

struct SheetDocument {
    PictureKind kind = PictureKind::Unknown;
    Picture picture;
    int cellWidth = glyphSide, cellHeight = glyphSide;
    std::uint32_t ink = 0xFFFFFF, paper = 0x000000;
    bool transparentPaper = false;
    Font glyphs;  // as the page edits them: each cell at its glyph's top left
};

// Failure naming `name` when the bytes are no sheet edit can hold.
SheetDocument readDocument(const std::string& name, const std::vector<std::uint8_t>& bytes);
// A blank sheet of 16 x 16 cells of the given size, white ink on black.
SheetDocument blankDocument(PictureKind kind, int cellWidth, int cellHeight);

struct SavedSheet {
    std::vector<std::uint8_t> sheet;
    Font font;
};
// The document's picture with `glyphs` drawn in, encoded; Failure naming
// `name` when it cannot be.
SavedSheet saveDocument(const std::string& name, const SheetDocument& document, const Font& glyphs);

// The kind a new sheet's name asks for: .bmp, .ico or .png; Unknown else.
PictureKind kindOfName(const std::string& extension);

}  // namespace celkit

#endif
