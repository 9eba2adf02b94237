// What an input is, decided once for every command: the file is read once,
// gzip inflated at most once, and the kind settled in one place. A name
// ending .fnt of exactly 8192 bytes is a raw font whatever its first bytes
// (a glyph 0 can begin like any signature); other files go by signature,
// pictures by picture.h's one list, fonts by the format table.
#ifndef CELKIT_INPUT_KIND_H
#define CELKIT_INPUT_KIND_H

#include <string>
#include <vector>

#include "celkit/font/font_formats.h"
#include "celkit/picture/picture.h"

namespace celkit {

struct Input {
    std::string name;  // as given, for messages
    Bytes bytes;       // inflated when the file was gzip-compressed
    bool compressed = false;
    const FontFormat* font = nullptr;            // a font file: its format
    PictureKind picture = PictureKind::Unknown;  // else a picture of this kind
    std::string kindText() const;                // "font (psf, gzip-compressed)", "PNG picture"
};

// The kind of `data` read from `name`; Failure naming the input when it is
// neither a font nor a picture celkit reads.
Input identifyInput(const std::string& name, Bytes data);
Input readAndIdentify(const std::string& name);  // readInput, then identifyInput

// The 256 glyphs a font input gives; Failure for a picture (pictures go
// through import) or a font its reader refuses. Warnings are reported.
Font fontOf(const Input& input, const ImportOptions& options);
// The reader's verdict on a font input celkit reads: false and its reason,
// without the name, when it picks no 256 glyphs. Warnings are reported.
bool readGlyphs(const Input& input, const ImportOptions& options, Font& font, std::string& reason);

}  // namespace celkit

#endif
