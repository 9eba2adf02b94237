// Native-only file behaviour: the write and rename seams, names that are
// not UTF-8, the modes new files get, and read-only files for root.
#include <gtest/gtest.h>

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/native/kernel/kernel_services.h"
#include "support/native_fakes.h"
#include "platform/platform.h"
#include "support/test_support.h"

namespace {

const WCHAR* name() { return UTF16("kernel_files_native.bin"); }

// What a run stopped midway may have left, read-only or not.
void removeLeftover(const char* path) {
    chmod(path, 0644);
    unlink(path);
}
const char* narrowName() { return "kernel_files_native.bin"; }

class WriteSeams : public ::testing::Test {
protected:
    void SetUp() override {
        file = CreateFileW(name(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        nativeFailWrites(0);
        nativeShortWrites(FALSE);
        nativeRecordWrites(FALSE);
        CloseHandle(file);
        DeleteFileW(name());
    }
    HANDLE file = nullptr;
};

TEST_F(WriteSeams, WritesFailFromTheNthOnAndWriteNothing) {
    struct Case {
        BOOL shortWrites;
        const char* file;
        DWORD lastWritten;
        BOOL lastResult;
    };
    const Case cases[] = {
        {FALSE, "aaaabbbb", 0, FALSE},
        {TRUE, "aaaabbbbccdd", 2, TRUE},  // half of each write from the third on
    };
    for (const Case& c : cases) {
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        nativeFailWrites(3);
        nativeShortWrites(c.shortWrites);
        const char* chunks[] = {"aaaa", "bbbb", "cccc", "dddd"};
        DWORD written = 99;
        BOOL result = TRUE;
        for (const char* chunk : chunks) {
            result = WriteFile(file, chunk, 4, &written, nullptr);
            if (!c.shortWrites && chunk[0] >= 'c') {
                EXPECT_FALSE(result);
                EXPECT_EQ(GetLastError(), DWORD(ERROR_DISK_FULL));
                EXPECT_EQ(written, 0u);
            }
        }
        EXPECT_EQ(written, c.lastWritten);
        EXPECT_EQ(result, c.lastResult);
        CloseHandle(file);
        std::vector<unsigned char> bytes = testsupport::readFileBytes(narrowName());
        std::string contents(bytes.begin(), bytes.end());
        EXPECT_EQ(contents, c.file);
        nativeFailWrites(0);
        file = CreateFileW(name(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
}

TEST_F(WriteSeams, RecordsTheLengthOfEveryWriteAskedFor) {
    nativeRecordWrites(TRUE);
    nativeFailWrites(2);
    DWORD written;
    const DWORD lengths[] = {4095, 0, 7, 4096};
    static char data[4096];
    for (DWORD length : lengths) WriteFile(file, data, length, &written, nullptr);
    ASSERT_EQ(nativeRecordedWriteCount(), 4);
    for (long i = 0; i < 4; ++i) EXPECT_EQ(nativeRecordedWriteLength(i), lengths[i]);
    EXPECT_EQ(nativeRecordedWriteLength(4), 0u);
    nativeRecordWrites(TRUE);
    EXPECT_EQ(nativeRecordedWriteCount(), 0) << "turning recording on starts afresh";
}

// A write the system takes only in part (here past a file-size limit, in a
// child) fails and tells how much of it reached the file.
TEST_F(WriteSeams, APartialWriteFailsAndCountsWhatWasWritten) {
    const struct {
        rlim_t limit;
        DWORD length;
        bool ok;
        DWORD written;
    } cases[] = {{0, 3, false, 0}, {4, 10, false, 4}, {4, 4, true, 4}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        SetFilePointer(file, 0, nullptr, FILE_BEGIN);
        pid_t child = fork();
        if (child == 0) {
            signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit = {c.limit, c.limit};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
            DWORD written = 99;
            BOOL ok = WriteFile(file, "0123456789", c.length, &written, nullptr);
            _exit(ok == (c.ok ? TRUE : FALSE) && written == c.written ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(GetFileSize(file, nullptr), c.written);
    }
}

// A read at the end of the file ends there, whatever an earlier
// interrupted call left in errno (the child would otherwise hang until its
// alarm).
TEST_F(WriteSeams, AReadAtTheEndEndsWhateverErrnoHeld) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, "ab", 2, &written, nullptr));
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    pid_t child = fork();
    if (child == 0) {
        alarm(5);
        char buffer[8];
        DWORD read = 99;
        errno = EINTR;
        BOOL ok = ReadFile(file, buffer, sizeof buffer, &read, nullptr);
        _exit(ok && read == 2 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST_F(WriteSeams, StandardStreamsAreNotFiles) {
    nativeFailWrites(1);
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    ASSERT_NE(errors, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(errors, "", 0, &written, nullptr));
    EXPECT_TRUE(CloseHandle(errors));
    EXPECT_NE(fcntl(2, F_GETFD), -1) << "closing the handle leaves the stream open";
}

// A rename that is written through syncs the file before the rename and
// its directory after; one that is not syncs nothing. A failing rename
// refuses and moves nothing.
TEST(MoveSeams, WriteThroughSyncsTheFileAndItsDirectory) {
    const WCHAR* from = UTF16("kernel_files_move.from");
    const WCHAR* to = UTF16("kernel_files_move.to");
    const struct {
        DWORD flags;
        long failIn;  // nativeFailMoves
        bool moved;
        int syncs;
    } cases[] = {
        {MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, 0, true,
         NATIVE_SYNCED_FILE | NATIVE_SYNCED_DIRECTORY},
        {MOVEFILE_WRITE_THROUGH, 0, true, NATIVE_SYNCED_FILE | NATIVE_SYNCED_DIRECTORY},
        {MOVEFILE_REPLACE_EXISTING, 0, true, 0},
        {0, 0, true, 0},
        {MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, 1, false, NATIVE_SYNCED_FILE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        unlink("kernel_files_move.to");
        ASSERT_TRUE(testsupport::writeFileBytes("kernel_files_move.from", {'f'}));
        nativeRecordMoves(TRUE);
        nativeFailMoves(c.failIn);
        SetLastError(0);
        EXPECT_EQ(MoveFileExW(from, to, c.flags) != FALSE, c.moved);
        if (!c.moved) EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        nativeFailMoves(0);
        ASSERT_EQ(nativeRecordedMoveCount(), 1);
        EXPECT_EQ(nativeRecordedMoveSyncs(0), c.syncs);
        EXPECT_EQ(access("kernel_files_move.to", F_OK) == 0, c.moved);
        EXPECT_EQ(access("kernel_files_move.from", F_OK) == 0, !c.moved);
    }
    nativeRecordMoves(FALSE);
    EXPECT_EQ(nativeRecordedMoveCount(), 0);
    unlink("kernel_files_move.from");
    unlink("kernel_files_move.to");
}

// A process started with standard input closed gets descriptor 0 for the
// next file it opens: a rename written through still syncs and succeeds.
TEST(MoveSeams, AWrittenThroughRenameWithStandardInputClosed) {
    ASSERT_TRUE(testsupport::writeFileBytes("kernel_files_move.from", {'f'}));
    unlink("kernel_files_move.to");
    pid_t child = fork();
    if (child == 0) {
        close(0);
        BOOL moved = MoveFileExW(UTF16("kernel_files_move.from"), UTF16("kernel_files_move.to"),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        _exit(moved ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(access("kernel_files_move.to", F_OK), 0);
    unlink("kernel_files_move.from");
    unlink("kernel_files_move.to");
}

// A read-only file cannot be replaced by a rename, even by root; a link to
// one can, as the link itself is what goes, and its target stays.
TEST(MoveSeams, ARenameReplacesALinkButNoReadOnlyFile) {
    ASSERT_TRUE(testsupport::writeFileBytes("kernel_files_kept.ro", {'k'}));
    ASSERT_EQ(chmod("kernel_files_kept.ro", 0444), 0);
    for (const char* target : {"kernel_files_kept.ro", "kernel_files_link.to"}) {
        SCOPED_TRACE(target);
        unlink("kernel_files_link.to");
        ASSERT_EQ(symlink("kernel_files_kept.ro", "kernel_files_link.to"), 0);
        ASSERT_TRUE(testsupport::writeFileBytes("kernel_files_move.from", {'n'}));
        std::basic_string<WCHAR> wideTarget = testsupport::wide(target);
        SetLastError(0);
        BOOL moved = MoveFileExW(UTF16("kernel_files_move.from"), wideTarget.c_str(),
                                 MOVEFILE_REPLACE_EXISTING);
        bool link = std::string(target) == "kernel_files_link.to";
        EXPECT_EQ(moved != FALSE, link);
        if (!link) EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
        std::vector<unsigned char> kept = testsupport::readFileBytes("kernel_files_kept.ro");
        EXPECT_EQ(std::string(kept.begin(), kept.end()), "k");
    }
    std::vector<unsigned char> moved = testsupport::readFileBytes("kernel_files_link.to");
    EXPECT_EQ(std::string(moved.begin(), moved.end()), "n");
    chmod("kernel_files_kept.ro", 0644);
    unlink("kernel_files_kept.ro");
    unlink("kernel_files_link.to");
    unlink("kernel_files_move.from");
}

TEST(FileNames, BytesSurviveTheTripThroughUtf16) {
    struct Case {
        std::string bytes;
        std::u16string units;
    };
    const Case cases[] = {
        {"pic.bmp", u"pic.bmp"},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"a\xFF"
         "b",
         u"a\xDCFF"
         "b"},                                              // a byte that is never UTF-8
        {"\xC3(", u"\xDCC3("},                              // a lead byte without its tail
        {"\xC0\xAF", u"\xDCC0\xDCAF"},                      // an overlong form
        {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},            // an encoded surrogate
        {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},  // above U+10FFFF
        {"\xE2\x82", u"\xDCE2\xDC82"},                      // cut short by the end
    };
    for (const Case& c : cases) {
        std::u16string units = native::utf16FromBytes(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(units, c.units) << c.bytes;
        EXPECT_EQ(native::bytesFromUtf16(units.data(), units.size()), c.bytes);
    }
}

TEST(FileNames, AFileWhoseNameIsNotUtf8OpensByItsUtf16Name) {
    const std::string bytes = "kernel_files_\xFF\xFE_\xC3\xA9.bmp";
    ASSERT_TRUE(testsupport::writeFileBytes(bytes, {'B', 'M'}));
    std::u16string units = native::utf16FromBytes(bytes.data(), bytes.size());
    HANDLE file =
        CreateFileW(reinterpret_cast<const WCHAR*>(units.c_str()), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(file, nullptr), 2u);
    CloseHandle(file);
    EXPECT_TRUE(DeleteFileW(reinterpret_cast<const WCHAR*>(units.c_str())));
    EXPECT_EQ(access(bytes.c_str(), F_OK), -1);
}

// Wine running as root lets root write to read-only files; the platform
// itself does not, and neither does the native layer.
TEST(ReadOnlyFiles, TheAttributeRefusesWritingAndDeletingEvenForRoot) {
    const WCHAR* name = UTF16("kernel_files_readonly.bin");
    removeLeftover("kernel_files_readonly.bin");
    HANDLE file = CreateFileW(name, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_READONLY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "kept", 4, &written, nullptr)) << "the creating handle may write";
    CloseHandle(file);

    const DWORD refused[][2] = {
        {GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS},
        {GENERIC_WRITE, TRUNCATE_EXISTING},
        {GENERIC_READ, TRUNCATE_EXISTING},
        {GENERIC_WRITE, OPEN_EXISTING},
        {GENERIC_WRITE, OPEN_ALWAYS},
    };
    for (const auto& c : refused) {
        SetLastError(0);
        EXPECT_EQ(CreateFileW(name, c[0], FILE_SHARE_READ, nullptr, c[1], 0, nullptr),
                  INVALID_HANDLE_VALUE)
            << c[1];
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED)) << c[1];
    }
    EXPECT_FALSE(DeleteFileW(name));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    std::vector<unsigned char> bytes = testsupport::readFileBytes("kernel_files_readonly.bin");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "kept");
    chmod("kernel_files_readonly.bin", 0644);
    EXPECT_TRUE(DeleteFileW(name));
}

// New files get read and write for everyone (less the umask), read-only
// ones no write bit; a read-only file still opens for reading.
TEST(ReadOnlyFiles, NewFilesTakeTheUmaskAndReadOnlyOnesStillRead) {
    // No umask, so that every bit the layer asks for shows.
    mode_t mask = umask(0);
    const struct {
        DWORD attributes;
        mode_t mode;
    } cases[] = {
        {FILE_ATTRIBUTE_NORMAL, 0666},
        {0, 0666},
        {FILE_ATTRIBUTE_READONLY, 0444},
    };
    const WCHAR* name = UTF16("kernel_files_new.bin");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.attributes);
        removeLeftover("kernel_files_new.bin");
        HANDLE file =
            CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, c.attributes, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
        struct stat info;
        ASSERT_EQ(stat("kernel_files_new.bin", &info), 0);
        EXPECT_EQ(info.st_mode & 07777, c.mode);
        for (DWORD creation : {DWORD(OPEN_EXISTING), DWORD(OPEN_ALWAYS)}) {
            HANDLE reader =
                CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, creation, 0, nullptr);
            EXPECT_NE(reader, INVALID_HANDLE_VALUE) << creation;
            CloseHandle(reader);
        }
        chmod("kernel_files_new.bin", 0644);
        unlink("kernel_files_new.bin");
    }
    umask(mask);
}

TEST(ReadOnlyFiles, NoWriteBitMeansReadOnly) {
    const std::string path = "kernel_files_mode.bin";
    ASSERT_TRUE(testsupport::writeFileBytes(path, {'x'}));
    const mode_t modes[] = {0444, 0400, 0555, 0000};
    for (mode_t mode : modes) {
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        SetLastError(0);
        EXPECT_EQ(CreateFileW(UTF16("kernel_files_mode.bin"), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr),
                  INVALID_HANDLE_VALUE)
            << std::oct << mode;
        EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    }
    ASSERT_EQ(chmod(path.c_str(), 0200), 0);  // one write bit is enough
    HANDLE file = CreateFileW(UTF16("kernel_files_mode.bin"), GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    unlink(path.c_str());
}

// A program's file cannot be written while it runs: only a handle that
// writes asks the system for writing, so this program's own file opens
// for reading under every disposition that keeps it.
TEST(SpecialFiles, ARunningProgramsFileOpensOnlyForReading) {
    char self[4096];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(length, 0);
    std::u16string units = native::utf16FromBytes(self, static_cast<size_t>(length));
    const WCHAR* name = reinterpret_cast<const WCHAR*>(units.c_str());
    const struct {
        DWORD access, creation;
        bool opens;
    } cases[] = {
        {GENERIC_READ, OPEN_EXISTING, true},
        {GENERIC_READ, OPEN_ALWAYS, true},
        {GENERIC_WRITE, OPEN_EXISTING, false},
        {GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.access << " " << c.creation);
        SetLastError(0);
        HANDLE file = CreateFileW(name, c.access, FILE_SHARE_READ, nullptr, c.creation, 0, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        else
            EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    }
}

TEST(SpecialFiles, OnlyRegularFilesOpen) {
    ASSERT_EQ(mkfifo("kernel_files_fifo", 0666), 0);
    // A pipe would block the opener on the platform's semantics of files.
    EXPECT_EQ(CreateFileW(UTF16("kernel_files_fifo"), GENERIC_READ, FILE_SHARE_READ, nullptr,
                          OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    unlink("kernel_files_fifo");
}

}  // namespace
