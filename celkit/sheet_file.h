// A sheet read as it is now, for the commands that keep a sheet open while
// other programs save it (watch, edit). Not readInput: that remembers every
// file a run read, and a long session would come to refuse an output whose
// inode once belonged to a sheet an editor has since replaced.
#ifndef CELKIT_SHEET_FILE_H
#define CELKIT_SHEET_FILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "celkit/file_access.h"

namespace celkit {

struct SheetFile {
    std::vector<std::uint8_t> bytes;
    FileStatus status;
};

// Failure naming the file when it is missing, no regular file, unreadable
// or larger than inputLimit.
SheetFile readSheet(const std::string& name);

}  // namespace celkit

#endif
