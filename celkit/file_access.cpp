#include "celkit/file_access.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace celkit {
namespace {

// Larger writes go in pieces: the Windows calls take an int.
constexpr std::size_t chunk = static_cast<std::size_t>(1) << 20;

#ifdef _WIN32

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return ENOENT;
    case ERROR_ACCESS_DENIED: return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return EBUSY;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_INVALID_NAME: return EINVAL;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ENOSPC;
    default: return EIO;
    }
}

FileStatus statusOfHandle(HANDLE handle) {
    FileStatus status;
    DWORD type = GetFileType(handle);
    if (type == FILE_TYPE_CHAR) {
        status.kind = FileKind::Device;
        return status;
    }
    if (type == FILE_TYPE_PIPE) {
        status.kind = FileKind::Pipe;
        return status;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (type != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &info)) {
        status.kind = FileKind::Other;
        return status;
    }
    status.kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Directory
                                                                     : FileKind::Regular;
    status.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    status.size = static_cast<std::uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    status.identified = true;
    status.volume = info.dwVolumeSerialNumber;
    status.index = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return status;
}

#else

FileStatus statusOfStat(const struct stat& info) {
    FileStatus status;
    if (S_ISREG(info.st_mode))
        status.kind = FileKind::Regular;
    else if (S_ISDIR(info.st_mode))
        status.kind = FileKind::Directory;
    else if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        status.kind = FileKind::Device;
    else if (S_ISFIFO(info.st_mode))
        status.kind = FileKind::Pipe;
    else
        status.kind = FileKind::Other;
    // celpack's rule: read-only is no write bit at all, whoever runs it.
    status.readOnly = (info.st_mode & 0222) == 0;
    status.mode = info.st_mode & 07777;
    status.owner = info.st_uid;
    status.group = info.st_gid;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.identified = true;
    status.volume = static_cast<std::uint64_t>(info.st_dev);
    status.index = static_cast<std::uint64_t>(info.st_ino);
    return status;
}

// Opened without blocking (a pipe with no other end), then blocking again
// for the reads and writes.
int openWithoutWaiting(const char* path, int flags) {
    int file = open(path, flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (file < 0) return -1;
    int now = fcntl(file, F_GETFL);
    if (now < 0 || fcntl(file, F_SETFL, now & ~O_NONBLOCK) < 0) {
        int error = errno;
        close(file);
        errno = error;
        return -1;
    }
    return file;
}

#endif

}  // namespace

bool sameFile(const FileStatus& a, const FileStatus& b) {
    return a.identified && b.identified && a.volume == b.volume && a.index == b.index;
}

std::string kindText(FileKind kind) {
    switch (kind) {
    case FileKind::Missing: return "missing";
    case FileKind::Regular: return "a file";
    case FileKind::Directory: return "a directory";
    case FileKind::Device: return "a device";
    case FileKind::Pipe: return "a pipe";
    case FileKind::Other: break;
    }
    return "not a file";
}

#ifdef _WIN32

bool isDeviceName(const std::filesystem::path& path) {
    std::wstring whole = path.wstring();
    if (whole.rfind(L"\\\\.\\", 0) == 0) return true;
    std::wstring name = path.filename().wstring();
    name = name.substr(0, name.find(L'.'));
    while (!name.empty() && name.back() == L' ') name.pop_back();
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* device : devices)
        if (name == device) return true;
    return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
           name[3] >= L'1' && name[3] <= L'9';
}

FileStatus statusOfName(const std::filesystem::path& path) {
    FileStatus status;
    if (isDeviceName(path)) {
        status.kind = FileKind::Device;
        return status;
    }
    HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        status.error = errnoOf(GetLastError());
        return status;
    }
    status = statusOfHandle(handle);
    CloseHandle(handle);
    return status;
}

FileStatus statusOfOpen(int file) {
    return statusOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(file)));
}

int openToRead(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

int openToWriteThrough(const std::filesystem::path& path) {
    return _wopen(path.c_str(), _O_WRONLY | _O_BINARY | _O_NOINHERIT);
}

int createExclusive(const std::filesystem::path& path, unsigned) {
    return _wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

int standardInput() {
    _setmode(0, _O_BINARY);
    return 0;
}

int standardOutput() {
    std::fflush(stdout);
    _setmode(1, _O_BINARY);
    return 1;
}

long readSome(int file, std::uint8_t* buffer, std::size_t size) {
    return _read(file, buffer, static_cast<unsigned>(std::min(size, chunk)));
}

static long writeSome(int file, const std::uint8_t* bytes, std::size_t size) {
    return _write(file, bytes, static_cast<unsigned>(std::min(size, chunk)));
}

bool flushToDisk(int file) { return _commit(file) == 0; }

bool closeFile(int file) { return _close(file) == 0; }

bool keepOwnerAndMode(int, const FileStatus&) { return true; }

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = errnoOf(GetLastError());
    return false;
}

bool removeFile(const std::filesystem::path& path) { return _wunlink(path.c_str()) == 0; }

bool makeDirectory(const std::filesystem::path& path) { return _wmkdir(path.c_str()) == 0; }

bool removeDirectory(const std::filesystem::path& path) { return _wrmdir(path.c_str()) == 0; }

void flushDirectory(const std::filesystem::path&) {}

void ignoreWriteSignals() {}

std::string systemReason(int error) {
    if (error == EBUSY) return "held open by another program";
    return std::strerror(error);
}

#else

bool isDeviceName(const std::filesystem::path&) { return false; }

FileStatus statusOfName(const std::filesystem::path& path) {
    struct stat info;
    if (stat(path.c_str(), &info) != 0) {
        FileStatus status;
        status.error = errno;
        return status;
    }
    return statusOfStat(info);
}

FileStatus statusOfOpen(int file) {
    struct stat info;
    if (fstat(file, &info) != 0) {
        FileStatus status;
        status.error = errno;
        return status;
    }
    return statusOfStat(info);
}

int openToRead(const std::filesystem::path& path) {
    return openWithoutWaiting(path.c_str(), O_RDONLY);
}

int openToWriteThrough(const std::filesystem::path& path) {
    return openWithoutWaiting(path.c_str(), O_WRONLY);
}

int createExclusive(const std::filesystem::path& path, unsigned mode) {
    return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
}

int standardInput() { return 0; }

int standardOutput() {
    std::fflush(stdout);
    return 1;
}

long readSome(int file, std::uint8_t* buffer, std::size_t size) {
    for (;;) {
        ssize_t done = read(file, buffer, std::min(size, chunk));
        if (done >= 0 || errno != EINTR) return static_cast<long>(done);
    }
}

static long writeSome(int file, const std::uint8_t* bytes, std::size_t size) {
    for (;;) {
        ssize_t done = write(file, bytes, std::min(size, chunk));
        if (done >= 0 || errno != EINTR) return static_cast<long>(done);
    }
}

bool flushToDisk(int file) { return fsync(file) == 0; }

// After close the descriptor is gone whatever close says, EINTR included.
bool closeFile(int file) { return close(file) == 0 || errno == EINTR; }

bool keepOwnerAndMode(int file, const FileStatus& old) {
    // Root running over a user's file gives it back to its owner; where that
    // fails (a user's own run, a squashed mount) the mode still is kept.
    if (geteuid() == 0 && fchown(file, old.owner, old.group) != 0) {
    }
    return fchmod(file, old.mode) == 0;
}

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool removeFile(const std::filesystem::path& path) { return unlink(path.c_str()) == 0; }

bool makeDirectory(const std::filesystem::path& path) { return mkdir(path.c_str(), 0777) == 0; }

bool removeDirectory(const std::filesystem::path& path) { return rmdir(path.c_str()) == 0; }

// So that the renames, too, outlast a power cut.
void flushDirectory(const std::filesystem::path& path) {
    int file = open(path.empty() ? "." : path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (file < 0) return;
    fsync(file);
    close(file);
}

void ignoreWriteSignals() {
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

std::string systemReason(int error) { return std::strerror(error); }

#endif

bool writeAll(int file, const std::uint8_t* bytes, std::size_t size) {
    while (size > 0) {
        const long done = writeSome(file, bytes, size);
        if (done <= 0) {
            if (done == 0) errno = EIO;
            return false;
        }
        bytes += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

}  // namespace celkit
