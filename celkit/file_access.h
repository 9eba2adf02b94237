// The file calls celkit's inputs and outputs stand on, one set for both
// builds: descriptors, what a name or an open file is, and its identity
// (device and inode natively, volume serial and file index on Windows).
// Failing calls return false or -1 with the reason in errno.
#ifndef CELKIT_FILE_ACCESS_H
#define CELKIT_FILE_ACCESS_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

namespace celkit {

enum class FileKind { Missing, Regular, Directory, Device, Pipe, Other };

struct FileStatus {
    FileKind kind = FileKind::Missing;
    int error = 0;  // errno when the name could not be looked at
    bool readOnly = false;
    unsigned mode = 0;  // permission bits, native only
    unsigned owner = 0, group = 0;
    std::uint64_t size = 0;
    bool identified = false;
    std::uint64_t volume = 0, index = 0;
};

bool sameFile(const FileStatus& a, const FileStatus& b);
// "a directory", "a device", ...
std::string kindText(FileKind kind);

// Follows links.
FileStatus statusOfName(const std::filesystem::path& path);
FileStatus statusOfOpen(int file);
// NUL, CON, COM1, ... in any case and with any extension on Windows.
bool isDeviceName(const std::filesystem::path& path);

// Neither call blocks on a pipe: reading one that has no writer, writing one
// that has no reader. Neither creates nor truncates.
int openToRead(const std::filesystem::path& path);
int openToWriteThrough(const std::filesystem::path& path);
// A file that did not exist before.
int createExclusive(const std::filesystem::path& path, unsigned mode);
int standardInput();
int standardOutput();

long readSome(int file, std::uint8_t* buffer, std::size_t size);
bool writeAll(int file, const std::uint8_t* bytes, std::size_t size);
bool flushToDisk(int file);
bool closeFile(int file);
// The replaced file's owner (as root) and permission bits on its successor.
bool keepOwnerAndMode(int file, const FileStatus& old);

bool replaceFile(const std::filesystem::path& from, const std::filesystem::path& to);
bool removeFile(const std::filesystem::path& path);
bool makeDirectory(const std::filesystem::path& path);  // one level
bool removeDirectory(const std::filesystem::path& path);
void flushDirectory(const std::filesystem::path& path);

// A full pipe or the file-size limit then fails the write with a reason
// instead of ending the program with its temporary file left behind.
void ignoreWriteSignals();
std::string systemReason(int error);

}  // namespace celkit

#endif
