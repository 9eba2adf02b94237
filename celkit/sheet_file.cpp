#include "celkit/sheet_file.h"

#include <cerrno>

#include "celkit/program.h"

namespace celkit {

SheetFile readSheet(const std::string& name) {
    FileStatus status = statusOfName(pathOf(name));
    if (status.kind == FileKind::Missing)
        throw Failure(name + ": cannot open: " + systemReason(status.error));
    if (status.kind != FileKind::Regular)
        throw Failure(name + ": is " + kindText(status.kind) + "; celkit reads files only");
    int file = openToRead(pathOf(name));
    if (file < 0) throw Failure(name + ": cannot open: " + systemReason(errno));
    SheetFile sheet{{}, statusOfOpen(file)};
    std::uint8_t buffer[65536];
    long got = 0;
    while (sheet.status.kind == FileKind::Regular && sheet.bytes.size() <= inputLimit &&
           (got = readSome(file, buffer, sizeof buffer)) > 0)
        sheet.bytes.insert(sheet.bytes.end(), buffer, buffer + got);
    int error = errno;
    closeFile(file);
    if (sheet.status.kind != FileKind::Regular)
        throw Failure(name + ": became " + kindText(sheet.status.kind) + " as celkit opened it");
    if (got < 0) throw Failure(name + ": cannot read: " + systemReason(error));
    if (sheet.bytes.size() > inputLimit)
        throw Failure(name + ": more than the " + std::to_string(inputLimit >> 20) +
                      " MiB celkit reads");
    return sheet;
}

}  // namespace celkit
