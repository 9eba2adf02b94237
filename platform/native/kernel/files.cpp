// Files. A handle is a slot of the layer's own file table, never a raw
// descriptor, so a closed or forged handle is refused. Access, sharing and
// creation follow the platform: a file without any write permission bit
// is read-only even for root, directories cannot be opened as files, and
// sharing is enforced between the handles of this process.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>
#include <string>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/kernel/kernel_hooks.h"

namespace {

struct OpenFile {
    int descriptor;
    DWORD access;  // GENERIC_READ and/or GENERIC_WRITE
    DWORD shareMode;
    dev_t device;
    ino_t inode;
    bool standardStream;  // closing the handle leaves the stream open
};

struct Files {
    std::mutex lock;
    native::KernelTable<OpenFile, native::kernelFile> table;
    HANDLE standard[3] = {};
};

Files& files() {
    static Files* state = new Files;
    return *state;
}

OpenFile* findFile(Files& state, HANDLE handle) { return state.table.find(handle); }

// The open file behind a handle, if it was opened with `access` and the
// caller's buffer is there; otherwise null with the platform's error set.
OpenFile* fileForTransfer(Files& state, HANDLE handle, DWORD access, bool bufferMissing) {
    OpenFile* file = findFile(state, handle);
    DWORD error = !file                      ? ERROR_INVALID_HANDLE
                  : !(file->access & access) ? ERROR_ACCESS_DENIED
                  : bufferMissing            ? ERROR_INVALID_PARAMETER
                                             : ERROR_SUCCESS;
    if (error == ERROR_SUCCESS) return file;
    SetLastError(error);
    return nullptr;
}

HANDLE addFile(Files& state, OpenFile* file) { return state.table.add(file); }

std::string pathOf(LPCWSTR name) { return native::bytesFromUtf16(name, wcslen(name)); }

bool parentExists(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return true;
    std::string parent = slash == 0 ? std::string("/") : path.substr(0, slash);
    struct stat info;
    return stat(parent.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

DWORD errorFromErrno(int error, const std::string& path) {
    switch (error) {
    case ENOENT: return parentExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    default: return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EROFS, EISDIR, ETXTBSY ...
    }
}

bool readOnly(const struct stat& info) { return (info.st_mode & 0222) == 0; }

// True when an open handle of this process on the same file and a new one
// with `access` and `shareMode` cannot coexist.
bool sharingConflict(Files& state, const struct stat& info, DWORD access, DWORD shareMode) {
    for (OpenFile* file : state.table.slots) {
        if (!file || file->standardStream || file->device != info.st_dev ||
            file->inode != info.st_ino)
            continue;
        if ((access & GENERIC_READ) && !(file->shareMode & FILE_SHARE_READ)) return true;
        if ((access & GENERIC_WRITE) && !(file->shareMode & FILE_SHARE_WRITE)) return true;
        if ((file->access & GENERIC_READ) && !(shareMode & FILE_SHARE_READ)) return true;
        if ((file->access & GENERIC_WRITE) && !(shareMode & FILE_SHARE_WRITE)) return true;
    }
    return false;
}

HANDLE fail(DWORD error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
}

BOOL writeAll(int descriptor, const void* bytes, DWORD length, DWORD* written) {
    DWORD total = 0;
    while (total < length) {
        ssize_t put = ::write(descriptor, static_cast<const char*>(bytes) + total, length - total);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            *written = total;
            SetLastError(put < 0 ? errorFromErrno(errno, std::string()) : ERROR_WRITE_FAULT);
            return FALSE;
        }
        total += static_cast<DWORD>(put);
    }
    *written = total;
    return TRUE;
}

}  // namespace

native::FileHooks native::fileHooks = {writeAll, fsync, rename};

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creation, DWORD attributes, HANDLE) {
    if (!name) return fail(ERROR_INVALID_PARAMETER);
    if (!*name) return fail(ERROR_PATH_NOT_FOUND);
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING) return fail(ERROR_INVALID_PARAMETER);
    std::string path = pathOf(name);
    bool writing = (access & GENERIC_WRITE) != 0;

    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    struct stat info;
    bool exists = stat(path.c_str(), &info) == 0;
    if (exists) {
        if (S_ISDIR(info.st_mode)) return fail(ERROR_ACCESS_DENIED);
        if (!S_ISREG(info.st_mode)) return fail(ERROR_ACCESS_DENIED);
        if (creation == CREATE_NEW) return fail(ERROR_FILE_EXISTS);
        bool replaces = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING;
        if ((writing || replaces) && readOnly(info)) return fail(ERROR_ACCESS_DENIED);
        if (sharingConflict(state, info, access, shareMode)) return fail(ERROR_SHARING_VIOLATION);
    } else if (creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING) {
        int error = errno;
        return fail(errorFromErrno(error == ENOENT || error == ENOTDIR ? error : ENOENT, path));
    }

    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    // Replacing an existing file needs write access to it even when the
    // handle only reads.
    bool replaces = exists && (creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING);
    bool writeDescriptor = writing || replaces;
    if (writeDescriptor && (access & GENERIC_READ))
        flags |= O_RDWR;
    else if (writeDescriptor)
        flags |= O_WRONLY;
    else
        flags |= O_RDONLY;
    switch (creation) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: break;
    }
    mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    int descriptor = open(path.c_str(), flags, mode);
    if (descriptor < 0) return fail(errorFromErrno(errno, path));
    struct stat opened;
    if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        close(descriptor);
        return fail(ERROR_ACCESS_DENIED);
    }
    fcntl(descriptor, F_SETFL, fcntl(descriptor, F_GETFL) & ~O_NONBLOCK);
    // The handle keeps the access asked for, whatever the descriptor
    // needed for truncation.
    HANDLE handle = addFile(state, new OpenFile{descriptor, access & (GENERIC_READ | GENERIC_WRITE),
                                                shareMode, opened.st_dev, opened.st_ino, false});
    // Replacing or reopening an existing file reports that it existed.
    SetLastError(exists && (creation == CREATE_ALWAYS || creation == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
    return handle;
}

HANDLE GetStdHandle(DWORD which) {
    int descriptor;
    if (which == STD_INPUT_HANDLE)
        descriptor = 0;
    else if (which == STD_OUTPUT_HANDLE)
        descriptor = 1;
    else if (which == STD_ERROR_HANDLE)
        descriptor = 2;
    else
        return fail(ERROR_INVALID_HANDLE);
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!findFile(state, state.standard[descriptor])) {
        DWORD access = descriptor == 0 ? GENERIC_READ : GENERIC_WRITE;
        state.standard[descriptor] = addFile(
            state,
            new OpenFile{descriptor, access, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, 0, true});
    }
    return state.standard[descriptor];
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    OpenFile* file = findFile(state, handle);
    struct stat info;
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    if (fstat(file->descriptor, &info) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_FILE_SIZE;
    }
    uint64_t size = static_cast<uint64_t>(info.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    // A size whose low part looks like the failure value is told apart by
    // a cleared last error.
    if (static_cast<DWORD>(size) == INVALID_FILE_SIZE) SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(size);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, LPOVERLAPPED) {
    if (read) *read = 0;
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    OpenFile* file = fileForTransfer(state, handle, GENERIC_READ, toRead && !buffer);
    if (!file) return FALSE;
    DWORD total = 0;
    while (total < toRead) {
        ssize_t got = ::read(file->descriptor, static_cast<char*>(buffer) + total, toRead - total);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            if (read) *read = total;
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (got == 0) break;  // end of file: success with what was there
        total += static_cast<DWORD>(got);
    }
    if (read) *read = total;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED) {
    if (written) *written = 0;
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    OpenFile* file = fileForTransfer(state, handle, GENERIC_WRITE, toWrite && !buffer);
    if (!file) return FALSE;
    // The hook is for files; the standard streams always get through.
    DWORD total = 0;
    BOOL done = file->standardStream
                    ? writeAll(file->descriptor, buffer, toWrite, &total)
                    : native::fileHooks.write(file->descriptor, buffer, toWrite, &total);
    if (written) *written = total;
    return done;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    OpenFile* file = findFile(state, handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    int64_t move = distanceHigh
                       ? static_cast<int64_t>(
                             (static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                             static_cast<uint32_t>(distance))
                       : static_cast<int64_t>(distance);
    int64_t base;
    struct stat info;
    if (method == FILE_BEGIN) {
        base = 0;
    } else if (method == FILE_CURRENT) {
        base = lseek(file->descriptor, 0, SEEK_CUR);
    } else if (method == FILE_END && fstat(file->descriptor, &info) == 0) {
        base = info.st_size;
    } else {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (base < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    if ((move < 0 && base + move < 0) || (move > 0 && base > INT64_MAX - move)) {
        SetLastError(ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    off_t position = lseek(file->descriptor, static_cast<off_t>(base + move), SEEK_SET);
    if (position < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(position) >> 32);
    if (static_cast<DWORD>(position) == INVALID_SET_FILE_POINTER) SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(position);
}

BOOL CloseHandle(HANDLE handle) {
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    // INVALID_HANDLE_VALUE doubles as the process's own pseudo-handle, which
    // closes without effect.
    if (handle == INVALID_HANDLE_VALUE) return TRUE;
    OpenFile* file = state.table.remove(handle);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!file->standardStream) close(file->descriptor);
    delete file;
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::string path = pathOf(name);
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) {
        SetLastError(errorFromErrno(errno, path));
        return FALSE;
    }
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && readOnly(info))) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    for (OpenFile* file : state.table.slots) {
        if (file && !file->standardStream && file->device == info.st_dev &&
            file->inode == info.st_ino && !(file->shareMode & FILE_SHARE_DELETE)) {
            SetLastError(ERROR_SHARING_VIOLATION);
            return FALSE;
        }
    }
    if (unlink(path.c_str()) != 0) {
        SetLastError(errorFromErrno(errno, path));
        return FALSE;
    }
    return TRUE;
}

namespace {

// True when a handle of this process holds the file.
bool heldOpen(Files& state, const struct stat& info) {
    for (OpenFile* file : state.table.slots)
        if (file && !file->standardStream && file->device == info.st_dev &&
            file->inode == info.st_ino)
            return true;
    return false;
}

bool syncFile(const std::string& path) {
    int descriptor = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (descriptor < 0) return false;
    bool synced = native::fileHooks.sync(descriptor) == 0;
    close(descriptor);
    return synced;
}

std::string directoryOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace

// The checks follow what the platform refuses (codes as seen on Wine): an
// open source is a sharing violation, an open destination is denied even
// when it was opened for sharing, and so is a read-only one.
BOOL MoveFileExW(LPCWSTR existingName, LPCWSTR newName, DWORD flags) {
    if (!existingName || !newName ||
        (flags & ~(MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::string from = pathOf(existingName), to = pathOf(newName);
    Files& state = files();
    std::lock_guard<std::mutex> guard(state.lock);
    auto refuse = [](DWORD error) {
        SetLastError(error);
        return FALSE;
    };
    if (from.empty() || to.empty()) return refuse(ERROR_PATH_NOT_FOUND);

    struct stat source;
    if (lstat(from.c_str(), &source) != 0) return refuse(errorFromErrno(errno, from));
    if (S_ISDIR(source.st_mode)) return refuse(ERROR_ACCESS_DENIED);
    if (heldOpen(state, source)) return refuse(ERROR_SHARING_VIOLATION);

    struct stat target;
    if (lstat(to.c_str(), &target) == 0) {
        if (!(flags & MOVEFILE_REPLACE_EXISTING)) return refuse(ERROR_ALREADY_EXISTS);
        if (S_ISDIR(target.st_mode)) return refuse(ERROR_ACCESS_DENIED);
        // A link is replaced itself; only a real file can be read-only or held.
        if (S_ISREG(target.st_mode) && (readOnly(target) || heldOpen(state, target)))
            return refuse(ERROR_ACCESS_DENIED);
    } else if (errno != ENOENT) {
        return refuse(errorFromErrno(errno, to));
    } else if (!parentExists(to)) {
        return refuse(ERROR_PATH_NOT_FOUND);
    }

    if ((flags & MOVEFILE_WRITE_THROUGH) && S_ISREG(source.st_mode) && !syncFile(from))
        return refuse(ERROR_WRITE_FAULT);
    if (native::fileHooks.rename(from.c_str(), to.c_str()) != 0)
        return refuse(errorFromErrno(errno, to));
    if (flags & MOVEFILE_WRITE_THROUGH) {
        // The new name is on the disk once its directory is.
        int directory = open(directoryOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (directory >= 0) {
            native::fileHooks.sync(directory);
            close(directory);
        }
    }
    return TRUE;
}
