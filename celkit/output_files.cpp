// Inputs read whole and outputs written all or nothing: each output goes to
// a fresh temporary file in its own directory (so the rename stays on one
// file system) and is renamed over the target once every one was written.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <set>

#ifdef _WIN32
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "celkit/program.h"

namespace celkit {
namespace {

std::FILE* openForReading(const fs::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"rb");
#else
    return std::fopen(path.c_str(), "rb");
#endif
}

// A new file that did not exist before, or null.
std::FILE* createExclusive(const fs::path& path) {
#ifdef _WIN32
    int fd = _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
    return fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd < 0 ? nullptr : fdopen(fd, "wb");
#endif
}

bool flushToDisk(std::FILE* file) {
    if (std::fflush(file) != 0) return false;
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

bool replace(const fs::path& from, const fs::path& to) {
#ifdef _WIN32
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string systemReason() { return std::strerror(errno); }

fs::path temporaryBeside(const fs::path& target, int attempt) {
#ifdef _WIN32
    unsigned long process = GetCurrentProcessId();
#else
    unsigned long process = static_cast<unsigned long>(getpid());
#endif
    std::string name = "." + target.filename().u8string() + ".celkit-" + std::to_string(process) +
                       "-" + std::to_string(attempt) + ".tmp";
    return target.parent_path() / fs::u8path(name);
}

}  // namespace

fs::path pathOf(const std::string& utf8) { return fs::u8path(utf8); }

std::string displayName(const fs::path& path) { return path.u8string(); }

std::vector<std::uint8_t> readInput(const std::string& name) {
    fs::path path = pathOf(name);
    std::error_code error;
    if (fs::is_directory(path, error)) throw Failure(name + ": is a directory");
    std::FILE* file = openForReading(path);
    if (file == nullptr) throw Failure(name + ": cannot open: " + systemReason());
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) throw Failure(name + ": cannot read: " + systemReason());
    return bytes;
}

std::vector<fs::path> outputPaths(const std::vector<std::string>& inputs,
                                  const Destination& destination, const std::string& extension) {
    if (destination.output.empty() && destination.directory.empty())
        throw UsageError("say where the output goes: -o FILE, or -d DIR for several inputs");
    std::vector<fs::path> paths;
    if (!destination.output.empty()) {
        if (inputs.size() != 1) throw UsageError("-o takes one input; use -d DIR for several");
        paths.push_back(pathOf(destination.output));
        return paths;
    }
    std::set<fs::path> seen;
    for (const std::string& input : inputs) {
        fs::path path = pathOf(destination.directory) / pathOf(input).stem();
        path += extension;
        if (!seen.insert(path.lexically_normal()).second)
            throw UsageError("two inputs would both be written to " + displayName(path));
        paths.push_back(path);
    }
    return paths;
}

void writeOutputs(const std::vector<Output>& outputs) {
    std::vector<fs::path> temporaries;
    auto discard = [&] {
        std::error_code ignored;
        for (const fs::path& temporary : temporaries) fs::remove(temporary, ignored);
    };
    for (const Output& output : outputs) {
        fs::path parent = output.path.parent_path();
        std::error_code error;
        if (!parent.empty() && !fs::is_directory(parent, error) &&
            !fs::create_directories(parent, error)) {
            discard();
            throw Failure(displayName(parent) + ": cannot make the directory: " + error.message());
        }
        if (fs::is_directory(output.path, error)) {
            discard();
            throw Failure(displayName(output.path) + ": is a directory");
        }
        std::FILE* file = nullptr;
        fs::path temporary;
        for (int attempt = 0; attempt < 100 && file == nullptr; ++attempt) {
            temporary = temporaryBeside(output.path, attempt);
            file = createExclusive(temporary);
            if (file == nullptr && errno != EEXIST) break;
        }
        if (file == nullptr) {
            std::string reason = systemReason();
            discard();
            throw Failure(displayName(output.path) + ": cannot write: " + reason);
        }
        temporaries.push_back(temporary);
        bool written =
            std::fwrite(output.bytes.data(), 1, output.bytes.size(), file) == output.bytes.size();
        written = flushToDisk(file) && written;
        std::string reason = systemReason();
        written = std::fclose(file) == 0 && written;
        if (!written) {
            discard();
            throw Failure(displayName(output.path) + ": cannot write: " + reason);
        }
    }
    for (std::size_t i = 0; i < outputs.size(); ++i)
        if (!replace(temporaries[i], outputs[i].path)) {
            std::string reason = systemReason();
            // Those already renamed are complete files; only the rest go.
            temporaries.erase(temporaries.begin(), temporaries.begin() + std::ptrdiff_t(i));
            discard();
            throw Failure(displayName(outputs[i].path) + ": cannot replace: " + reason);
        }
}

}  // namespace celkit
