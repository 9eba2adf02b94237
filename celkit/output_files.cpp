// Outputs written all or nothing. A name that is a file, or none yet, gets a
// fresh temporary file beside it (the rename stays on one file system),
// flushed to disk and renamed over it once every output was written. A name
// that is a device, a pipe or standard output cannot be replaced: it is
// written straight through, never created, truncated or renamed over.
#include <cerrno>
#include <optional>
#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

#include "celkit/file_access.h"
#include "celkit/program.h"

namespace celkit {
namespace {

// The longest file name the file systems take (bytes natively, UTF-16 units
// on Windows, never more than the UTF-8 bytes).
constexpr std::size_t nameLimit = 255;
#ifdef _WIN32
constexpr const char* nameUnits = "characters";
#else
constexpr const char* nameUnits = "bytes";
#endif
constexpr int temporaryAttempts = 100;

// -d's directory in this run: the one directory celkit makes when missing.
fs::path& directoryOption() {
    static fs::path directory;
    return directory;
}

// Names that differ only in case are one file on Windows.
fs::path outputKey(const fs::path& path) {
#ifdef _WIN32
    std::wstring text = path.lexically_normal().wstring();
    if (!text.empty()) CharUpperBuffW(&text[0], static_cast<DWORD>(text.size()));
    return fs::path(text);
#else
    return path.lexically_normal();
#endif
}

// ".NAME.celkit-N.tmp", NAME cut (at a character) so the whole stays a
// legal name however long the output's is.
fs::path temporaryBeside(const fs::path& target, int attempt) {
    std::string suffix = ".celkit-" + std::to_string(attempt) + ".tmp";
    std::string name = target.filename().u8string();
    std::size_t room = nameLimit - 1 - suffix.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
        name.resize(cut);
    }
    return target.parent_path() / fs::u8path("." + name + suffix);
}

struct Target {
    fs::path path;                    // as given
    std::vector<std::uint8_t> bytes;  // kept until written for a through output only
    fs::path place;        // the file replaced: the output's name, or where its link leads
    bool through = false;  // a device, a pipe or standard output
    bool existed = false;
    FileStatus old;
    fs::path temporary;
};

std::string nameOf(const Target& target) { return displayName(target.path); }

// Refuses, before anything is written, what cannot or must not be replaced.
Target examine(const fs::path& path, bool& makeDirectoryOption) {
    Target target;
    target.path = path;
    target.place = path;
    std::string name = displayName(path);
    if (path == standardStream) {
        // Written through, but never over an input it was opened on.
        const FileStatus opened = statusOfOpen(standardOutput());
        const std::string* input = opened.kind == FileKind::Regular ? inputAt(opened) : nullptr;
        if (input != nullptr)
            throw Failure(name + " is the same file as the input " + *input +
                          "; celkit does not write over it");
    }
    if (path == standardStream || isDeviceName(path)) {
        target.through = true;
        return target;
    }
    // Said before Windows' rename would fail with "no such file" for it.
#ifdef _WIN32
    const std::size_t nameLength = path.filename().wstring().size();
#else
    const std::size_t nameLength = path.filename().u8string().size();
#endif
    if (nameLength > nameLimit)
        throw Failure(name + ": a file name of " + std::to_string(nameLength) + " " + nameUnits +
                      " is longer than the " + std::to_string(nameLimit) +
                      " the file system takes");
    FileStatus status = statusOfName(path);
    if (status.kind == FileKind::Directory) throw Failure(name + ": is a directory");
    // ENOTDIR: the directory the output goes into is a file, said below.
    if (status.kind == FileKind::Missing && status.error != ENOENT && status.error != ENOTDIR)
        throw Failure(name + ": cannot write: " + systemReason(status.error));
#ifdef _WIN32
    // A pipe by a file's name is a FIFO of the system Wine runs on: Windows
    // opens it for writing whether or not anything reads it, so whether the
    // bytes arrive cannot be told. Windows' own pipes are named \\.\pipe\.
    const std::wstring pipePrefix = L"\\\\.\\pipe\\";
    if (status.kind == FileKind::Pipe &&
        path.wstring().compare(0, pipePrefix.size(), pipePrefix) != 0)
        throw Failure(name + ": is a FIFO; celkit.exe cannot tell whether anything reads it");
#endif
    if (status.kind != FileKind::Missing && status.kind != FileKind::Regular) {
        target.through = true;
        return target;
    }
    if (status.kind == FileKind::Regular) {
        if (const std::string* input = inputAt(status))
            throw Failure(name + ": is the same file as the input " + *input +
                          "; give the output another name");
        if (status.readOnly) throw Failure(name + ": is read-only; celkit does not replace it");
        std::error_code error;
        if (fs::is_symlink(path, error)) {
            // The link stays; the file it leads to is replaced.
            fs::path real = fs::canonical(path, error);
            if (error || !sameFile(statusOfName(real), status))
                throw Failure(name + ": a link celkit cannot follow to its file");
            target.place = real;
        }
        target.existed = true;
        target.old = status;
    }
    fs::path parent = target.place.parent_path();
    FileStatus folder = statusOfName(parent.empty() ? fs::path(".") : parent);
    if (folder.kind == FileKind::Missing && folder.error == ENOENT && parent == directoryOption()) {
        makeDirectoryOption = true;
    } else if (folder.kind == FileKind::Missing && folder.error == ENOENT) {
        throw Failure(displayName(parent) +
                      ": no such directory (-o makes none; -d makes its own)");
    } else if (folder.kind != FileKind::Directory) {
        throw Failure(
            displayName(parent) + ": " +
            (folder.kind == FileKind::Missing ? systemReason(folder.error) : "is not a directory"));
    }
    return target;
}

void writeTemporary(Target& target) {
    int file = -1;
    for (int attempt = 0; attempt < temporaryAttempts && file < 0; ++attempt) {
        fs::path candidate = temporaryBeside(target.place, attempt);
        file = createExclusive(candidate, target.existed ? target.old.mode & 0777 : 0666);
        if (file >= 0)
            target.temporary = candidate;
        else if (errno != EEXIST)
            break;
    }
    if (file < 0) {
        fs::path parent = target.place.parent_path();
        throw Failure(nameOf(target) + ": cannot make a temporary file in " +
                      (parent.empty() ? std::string(".") : displayName(parent)) + ": " +
                      (errno == EEXIST
                           ? "all " + std::to_string(temporaryAttempts) + " names are taken"
                           : systemReason(errno)));
    }
    const std::vector<std::uint8_t>& bytes = target.bytes;
    bool written = (!target.existed || keepOwnerAndMode(file, target.old)) &&
                   writeAll(file, bytes.data(), bytes.size()) && flushToDisk(file);
    int error = errno;
    if (!closeFile(file) && written) {
        written = false;
        error = errno;
    }
    if (!written) throw Failure(nameOf(target) + ": cannot write: " + systemReason(error));
}

void writeThrough(const Target& target) {
    bool standard = target.path == standardStream;
    int file = standard ? standardOutput() : openToWriteThrough(target.path);
    if (file < 0)
        throw Failure(nameOf(target) + ": cannot write: " +
                      (errno == ENXIO ? "nothing reads from it" : systemReason(errno)));
    FileStatus opened = statusOfOpen(file);
    if (!standard && (opened.kind == FileKind::Regular || opened.kind == FileKind::Directory)) {
        closeFile(file);
        throw Failure(nameOf(target) + ": became " + kindText(opened.kind) + " while celkit ran");
    }
    const std::vector<std::uint8_t>& bytes = target.bytes;
    bool written = writeAll(file, bytes.data(), bytes.size());
    int error = errno;
    if (!standard && !closeFile(file) && written) {
        written = false;
        error = errno;
    }
    if (!written) throw Failure(nameOf(target) + ": cannot write: " + systemReason(error));
}

std::string listed(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

// What a user has after a failure that came once outputs were touched.
std::string whatIsLeft(const std::vector<std::string>& replaced,
                       const std::vector<std::string>& written,
                       const std::vector<std::string>& left) {
    std::string out;
    if (!replaced.empty()) out += "; already replaced: " + listed(replaced);
    if (!written.empty()) out += "; already written: " + listed(written);
    if (!left.empty())
        out += std::string(left.size() == 1 ? "; left as it was: " : "; left as they were: ") +
               listed(left);
    return out;
}

}  // namespace

std::vector<fs::path> outputPaths(const std::vector<std::string>& inputs,
                                  const Destination& destination, const std::string& extension) {
    directoryOption().clear();
    if (destination.output.empty() && destination.directory.empty())
        throw UsageError("say where the output goes: -o FILE, or -d DIR for several inputs");
    std::vector<fs::path> paths;
    if (!destination.output.empty()) {
        if (inputs.size() != 1) throw UsageError("-o takes one input; use -d DIR for several");
        paths.push_back(pathOf(destination.output));
        return paths;
    }
    directoryOption() = (pathOf(destination.directory) / "x").parent_path();
    std::set<fs::path> seen;
    for (const std::string& input : inputs) {
        if (input == standardStream)
            throw UsageError("-d names each output after its input; for standard input use -o");
        fs::path path = pathOf(destination.directory) / pathOf(input).stem();
        path += extension;
        if (!seen.insert(outputKey(path)).second)
            throw UsageError("two inputs would both be written to " + displayName(path));
        paths.push_back(path);
    }
    return paths;
}

void writeEachMade(const std::vector<fs::path>& paths, const MakeOutput& make) {
    ignoreWriteSignals();
    std::vector<Target> targets;
    bool madeDirectory = false, failed = false;
    auto discard = [&](std::size_t from) {
        for (std::size_t i = from; i < targets.size(); ++i)
            if (!targets[i].temporary.empty()) removeFile(targets[i].temporary);
        if (madeDirectory && from == 0) removeDirectory(directoryOption());
    };
    // -d's directory, made before the first file goes into it.
    auto makeDirectoryOption = [&] {
        madeDirectory = makeDirectory(directoryOption());
        const int error = errno;
        if (madeDirectory || error == EEXIST) return;
        const fs::path& directory = directoryOption();
        if (error == ENOENT && directory.has_parent_path())
            throw Failure(displayName(directory.parent_path()) +
                          ": no such directory; -d makes only its last level");
        throw Failure(displayName(directoryOption()) +
                      ": cannot make the directory: " + systemReason(error));
    };

    // Each output made and put in its temporary file before the next is
    // made, so that only one is held at a time; every input is still tried,
    // so that each failing one is told.
    std::optional<Failure> outputFailure;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::optional<std::vector<std::uint8_t>> bytes = make(i);
        failed = failed || !bytes;
        if (failed || outputFailure) continue;
        try {
            bool needsDirectory = false;
            targets.push_back(examine(paths[i], needsDirectory));
            if (needsDirectory && !madeDirectory) makeDirectoryOption();
            Target& target = targets.back();
            target.bytes = std::move(*bytes);
            if (!target.through) {
                writeTemporary(target);
                target.bytes = std::vector<std::uint8_t>();
            }
        } catch (const Failure& failure) {
            outputFailure = failure;
        }
    }
    if (failed || outputFailure) {
        discard(0);
        if (failed) throw Failure("");  // already reported
        throw *outputFailure;
    }
    // An input read after an output's temporary was made may be that output.
    for (const Target& target : targets)
        if (target.existed && inputAt(target.old) != nullptr) {
            discard(0);
            throw Failure(nameOf(target) + ": is the same file as the input " +
                          *inputAt(target.old) + "; give the output another name");
        }

    std::vector<std::string> written, replaced, left;
    try {
        // Past the point of no return: what a device or a pipe was given
        // cannot be taken back.
        for (const Target& target : targets)
            if (target.through) {
                writeThrough(target);
                written.push_back(nameOf(target));
            }
    } catch (const Failure& failure) {
        discard(0);
        throw Failure(failure.what() + whatIsLeft({}, written, {}));
    }

    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].through) continue;
        if (!replaceFile(targets[i].temporary, targets[i].place)) {
            std::string reason = systemReason(errno);
            discard(i);
            for (std::size_t j = i; j < targets.size(); ++j)
                if (!targets[j].through) left.push_back(nameOf(targets[j]));
            throw Failure(nameOf(targets[i]) + ": cannot replace: " + reason +
                          whatIsLeft(replaced, written, left));
        }
        targets[i].temporary.clear();
        replaced.push_back(nameOf(targets[i]));
    }
    std::set<fs::path> folders;
    for (const Target& target : targets)
        if (!target.through) folders.insert(target.place.parent_path());
    for (const fs::path& folder : folders) flushDirectory(folder);
}

void writeOutputs(const std::vector<Output>& outputs) {
    std::vector<fs::path> paths;
    for (const Output& output : outputs) paths.push_back(output.path);
    writeEachMade(paths, [&](std::size_t i) { return std::optional(outputs[i].bytes); });
}

}  // namespace celkit
