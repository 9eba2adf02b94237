// Inputs read whole, files only: a device, a pipe or a directory is refused
// by its name before anything is opened, and the opened file is looked at
// again, so that one swapped in between cannot make celkit wait or read
// without end. Standard input ("-") is read too, up to the same limit.
#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

#include "celkit/file_access.h"
#include "celkit/program.h"

namespace celkit {
namespace {

// The files this run read, so that no output replaces one of them.
std::vector<std::pair<FileStatus, std::string>>& inputsRead() {
    static std::vector<std::pair<FileStatus, std::string>> read;
    return read;
}

std::string limitText() { return std::to_string(inputLimit >> 20) + " MiB"; }

}  // namespace

fs::path pathOf(const std::string& utf8) { return fs::u8path(utf8); }

std::string displayName(const fs::path& path) {
    return path == standardStream ? "standard output" : path.u8string();
}

std::string lowerExtension(const fs::path& path) {
    std::string extension = path.extension().u8string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

const std::string* inputAt(const FileStatus& file) {
    for (const auto& [status, name] : inputsRead())
        if (sameFile(status, file)) return &name;
    return nullptr;
}

namespace {

std::vector<std::uint8_t> readWhole(const std::string& name) {
    bool standard = name == standardStream;
    std::string shownName = standard ? "standard input" : name;
    int file;
    if (standard) {
        file = standardInput();
    } else {
        FileStatus status = statusOfName(pathOf(name));
        if (status.kind == FileKind::Missing)
            throw Failure(name + ": cannot open: " + systemReason(status.error));
        if (status.kind != FileKind::Regular)
            throw Failure(name + ": is " + kindText(status.kind) + "; celkit reads files only");
        file = openToRead(pathOf(name));
        if (file < 0) throw Failure(name + ": cannot open: " + systemReason(errno));
    }
    FileStatus opened = statusOfOpen(file);
    auto refuse = [&](const std::string& why) {
        if (!standard) closeFile(file);
        return Failure(shownName + ": " + why);
    };
    if (!standard && opened.kind != FileKind::Regular)
        throw refuse("became " + kindText(opened.kind) + " as celkit opened it");
    if (opened.kind == FileKind::Directory) throw refuse("is a directory");
    // A device never ends: refused at once, as a device's name is.
    if (opened.kind == FileKind::Device)
        throw refuse("is a device; celkit reads files and pipes only");
    if (opened.kind == FileKind::Regular && opened.size > inputLimit)
        throw refuse("is " + std::to_string(opened.size) + " bytes, more than the " + limitText() +
                     " celkit reads");

    std::vector<std::uint8_t> bytes;
    // A stream's size is unknown: room for all it may send, which costs
    // address space only until it is filled, and no copy on the way.
    bytes.reserve(
        static_cast<std::size_t>(opened.kind == FileKind::Regular ? opened.size : inputLimit + 1));
    std::uint8_t buffer[65536];
    // One byte past the limit tells a file that grew, or a stream, from one
    // that ends at it.
    while (bytes.size() <= inputLimit) {
        std::size_t want =
            std::min(sizeof buffer, static_cast<std::size_t>(inputLimit + 1 - bytes.size()));
        long got = readSome(file, buffer, want);
        if (got < 0) throw refuse("cannot read: " + systemReason(errno));
        if (got == 0) break;
        // Growth stops at the limit: a 32-bit process has no room for the
        // copy a doubling past it would make.
        if (bytes.size() + static_cast<std::size_t>(got) > bytes.capacity())
            bytes.reserve(std::min(std::max(bytes.capacity() * 2, sizeof buffer),
                                   static_cast<std::size_t>(inputLimit + 1)));
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (!standard) closeFile(file);
    if (bytes.size() > inputLimit)
        throw Failure(shownName + ": more than the " + limitText() + " celkit reads");
    if (opened.kind == FileKind::Regular) inputsRead().emplace_back(opened, shownName);
    return bytes;
}

}  // namespace

std::vector<std::uint8_t> readInput(const std::string& name) {
    if (name != standardStream) return readWhole(name);
    // Standard input can be read once; a command that looks at an input
    // twice gets the same bytes again.
    static std::optional<std::vector<std::uint8_t>> standardBytes;
    if (!standardBytes) standardBytes = readWhole(name);
    return *standardBytes;
}

}  // namespace celkit
