// Why the last load refused its picture, one reason per failed stage of the
// bitmap and icon readers. The user is only told that the picture could not
// be loaded; the reason is for tests and the fuzz target's tally.
#ifndef CELPACK_LOAD_FAILURE_H
#define CELPACK_LOAD_FAILURE_H

#include <stdint.h>

enum class LoadFailure : uint8_t {
    None,
    Unreadable,           // the file could not be opened or read whole
    UnknownFormat,        // neither a bitmap nor an icon file, and no decoder took it
    TruncatedHeader,      // a header, its masks or the icon directory end early
    UnsupportedEncoding,  // a header size, bit count, compression or depth not taken
    SizeOutOfRange,       // a side of 0, negative where it may not be, or too large
    DataOutsideFile,      // a colour table, the pixels or an icon image past the end
    TooCostly,            // compressed data declares more pixels than its budget
    PlatformFailed,       // the platform could not make or describe the image
    WrongIconSize,        // the platform made the icon at another size than its image
    Count
};

// The reason of the last loadImage or decodeImageMemory: None after a
// success.
LoadFailure lastLoadFailure();
// A short lower-case name, for messages and tallies.
const char* loadFailureName(LoadFailure reason);

// For the readers: records the reason and answers 0, so that a stage can
// end with `return refuseLoad(...)`.
int refuseLoad(LoadFailure reason);
// Clears the reason at the start of a load.
void clearLoadFailure();

#endif
