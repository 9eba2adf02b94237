// Files through the platform's calls, on both builds: creation
// dispositions, sharing, reading and writing, the file pointer, deleting,
// renaming and error codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "support/test_support.h"

namespace {

// Names are relative: both builds see the same files in the working
// directory.
class Files : public ::testing::Test {
protected:
    void SetUp() override {
        narrow = std::string("kernel_files_") +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        name = testsupport::wide(narrow);
        DeleteFileW(path());
    }
    void TearDown() override {
        DeleteFileW(path());
        DeleteFileW(other().c_str());
        std::error_code ignored;
        std::filesystem::remove_all(narrow + ".dir", ignored);
    }
    // A second name beside the first, and its narrow form.
    std::basic_string<WCHAR> other() const { return name + testsupport::wide(".to"); }
    std::string otherNarrow() const { return narrow + ".to"; }
    const WCHAR* path() const { return name.c_str(); }
    HANDLE open(DWORD access, DWORD creation, DWORD share = FILE_SHARE_READ,
                DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        return CreateFileW(path(), access, share, nullptr, creation, attributes, nullptr);
    }
    void put(const std::string& text) {
        ASSERT_TRUE(testsupport::writeFileBytes(
            narrow, std::vector<unsigned char>(text.begin(), text.end())));
    }
    std::string contents() {
        std::vector<unsigned char> bytes = testsupport::readFileBytes(narrow);
        return std::string(bytes.begin(), bytes.end());
    }
    std::string narrow;
    std::basic_string<WCHAR> name;
};

std::string readAll(HANDLE file) {
    char buffer[256];
    DWORD read = 99;
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &read, nullptr));
    return std::string(buffer, read);
}

bool writeText(HANDLE file, const std::string& text, DWORD* written = nullptr) {
    DWORD count = 99;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &count, nullptr);
    if (written) *written = count;
    return ok && count == text.size();
}

TEST_F(Files, CreationDispositions) {
    struct Case {
        const char* existing;  // null: no file beforehand
        DWORD access;
        DWORD creation;
        bool opens;
        DWORD error;        // GetLastError after the call
        const char* after;  // contents afterwards; null: no file
    };
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    const Case cases[] = {
        {nullptr, rw, CREATE_ALWAYS, true, ERROR_SUCCESS, ""},
        {"old", rw, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
        {nullptr, GENERIC_WRITE, TRUNCATE_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"old", GENERIC_WRITE, TRUNCATE_EXISTING, true, ERROR_SUCCESS, ""},
        {"old", GENERIC_READ, TRUNCATE_EXISTING, true, ERROR_SUCCESS,
         ""},  // as Wine: write access not needed
        {nullptr, GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND, nullptr},
        {"old", GENERIC_READ, OPEN_EXISTING, true, ERROR_SUCCESS, "old"},
        {"old", rw, CREATE_NEW, false, ERROR_FILE_EXISTS, "old"},
        {nullptr, rw, CREATE_NEW, true, ERROR_SUCCESS, ""},
        {"old", rw, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS, "old"},
        {nullptr, rw, OPEN_ALWAYS, true, ERROR_SUCCESS, ""},
    };
    int row = 0;
    for (const Case& c : cases) {
        ++row;
        DeleteFileW(path());
        if (c.existing) put(c.existing);
        SetLastError(12345);
        HANDLE file = open(c.access, c.creation);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << "row " << row;
        // Success clears the last error unless a file that existed was
        // opened or replaced under a disposition that may create one.
        EXPECT_EQ(GetLastError(), c.error) << "row " << row;
        if (file != INVALID_HANDLE_VALUE) EXPECT_TRUE(CloseHandle(file));
        if (c.after)
            EXPECT_EQ(contents(), c.after) << "row " << row;
        else
            EXPECT_TRUE(testsupport::readFileBytes(narrow).empty()) << "row " << row;
    }
}

TEST_F(Files, WriteReadAndMoveThePointer) {
    HANDLE file = open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(writeText(file, "0123456789"));
    DWORD high = 7;
    EXPECT_EQ(GetFileSize(file, &high), 10u);
    EXPECT_EQ(high, 0u);

    struct Case {
        LONG distance;
        DWORD method;
        DWORD position;
        const char* rest;
    };
    const Case cases[] = {
        {0, FILE_BEGIN, 0, "0123456789"}, {4, FILE_BEGIN, 4, "456789"},
        {-3, FILE_END, 7, "789"},         {0, FILE_END, 10, ""},
        {12, FILE_BEGIN, 12, ""},  // past the end reads nothing
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SetFilePointer(file, c.distance, nullptr, c.method), c.position);
        EXPECT_EQ(readAll(file), c.rest) << c.distance;
    }
    EXPECT_EQ(SetFilePointer(file, 2, nullptr, FILE_BEGIN), 2u);
    EXPECT_EQ(SetFilePointer(file, 3, nullptr, FILE_CURRENT), 5u);
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_CURRENT), 3u);
    ASSERT_TRUE(writeText(file, "ab"));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 5u);

    // A move before the start fails and leaves the pointer.
    SetLastError(0);
    EXPECT_EQ(SetFilePointer(file, -6, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NEGATIVE_SEEK));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 5u);

    // Writing past the end fills the gap with zeros.
    EXPECT_EQ(SetFilePointer(file, 12, nullptr, FILE_BEGIN), 12u);
    ASSERT_TRUE(writeText(file, "Z"));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(contents(), std::string("012ab56789\0\0Z", 13));
}

TEST_F(Files, PointerBeyondFourGigabytesUsesTheHighPart) {
    HANDLE file = open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file, 5, &high, FILE_BEGIN), 5u);
    EXPECT_EQ(high, 1);
    // A position whose low part looks like the failure value clears the
    // last error.
    high = 0;
    SetLastError(77);
    EXPECT_EQ(SetFilePointer(file, -1, &high, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(high, 0);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    CloseHandle(file);
}

// Sparse files: a size whose low part looks like the failure value clears
// the last error; past 4 GiB the high part carries the rest.
TEST_F(Files, SizesPastFourGigabytesUseTheHighPart) {
    const struct {
        LONG endLow, endHigh;  // where the last byte is written
        DWORD low, high;
        DWORD error;
    } cases[] = {
        {9, 0, 10, 0, 77},
        {-2, 0, 0xFFFFFFFF, 0, ERROR_SUCCESS},
        {0, 1, 1, 1, 77},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.low);
        HANDLE file = open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        LONG high = c.endHigh;
        SetFilePointer(file, c.endLow, &high, FILE_BEGIN);
        ASSERT_TRUE(writeText(file, "z"));
        DWORD sizeHigh = 99;
        SetLastError(77);
        EXPECT_EQ(GetFileSize(file, &sizeHigh), c.low);
        EXPECT_EQ(sizeHigh, c.high);
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(GetFileSize(file, nullptr), c.low);
        CloseHandle(file);
    }
}

TEST_F(Files, AccessIsEnforcedPerHandle) {
    put("data");
    HANDLE reader = open(GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    DWORD written = 99;
    EXPECT_FALSE(WriteFile(reader, "x", 1, &written, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(written, 0u);
    CloseHandle(reader);

    HANDLE writer = open(GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD read = 99;
    EXPECT_FALSE(ReadFile(writer, buffer, 4, &read, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_ACCESS_DENIED));
    EXPECT_EQ(read, 0u);
    CloseHandle(writer);
    EXPECT_EQ(contents(), "data");
}

TEST_F(Files, SharingBetweenHandles) {
    HANDLE first = open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, FILE_SHARE_READ);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    // Reading alongside is allowed by FILE_SHARE_READ; writing is not.
    HANDLE reader = open(GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE);
    EXPECT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(open(GENERIC_WRITE, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_WRITE),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    // A reader that does not share reading cannot join a reader.
    EXPECT_EQ(open(GENERIC_READ, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(DeleteFileW(path()));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION));
    CloseHandle(reader);
    CloseHandle(first);
    EXPECT_TRUE(DeleteFileW(path()));
}

// Each handle's access against the other's sharing, both ways round.
TEST_F(Files, SharingModesAreCheckedBothWays) {
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;
    const struct {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool opens;
    } cases[] = {
        {R, 0, R, SR | SW, false},   // the first lets no one else read
        {R, SR, R, 0, false},        // the second lets the reading first in no more
        {W, SR | SW, R, SR, false},  // the second lets the writing first in no more
        {W, SR, W, SR | SW, false},  // the first lets no one else write
        {R, SR, R, SR, true},       {R | W, SR | SW, R | W, SR | SW, true},
        {W, SW, W, SW, true},       {R, SR | SW, W, SR, true},
    };
    put("data");
    int row = 0;
    for (const auto& c : cases) {
        ++row;
        HANDLE first = open(c.firstAccess, OPEN_EXISTING, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE) << "row " << row;
        SetLastError(0);
        HANDLE second = open(c.secondAccess, OPEN_EXISTING, c.secondShare);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.opens) << "row " << row;
        if (second == INVALID_HANDLE_VALUE)
            EXPECT_EQ(GetLastError(), DWORD(ERROR_SHARING_VIOLATION)) << "row " << row;
        else
            CloseHandle(second);
        CloseHandle(first);
    }
    EXPECT_EQ(contents(), "data");
}

TEST_F(Files, DeletingNamesThatCannotGo) {
    std::filesystem::create_directory(narrow + ".dir");
    const struct {
        std::basic_string<WCHAR> name;
        DWORD error;
    } cases[] = {
        {testsupport::wide(""), ERROR_PATH_NOT_FOUND},
        {testsupport::wide("kernel_files_no_dir/x.fnt"), ERROR_PATH_NOT_FOUND},
        {name + testsupport::wide(".dir"), ERROR_ACCESS_DENIED},
    };
    for (const auto& c : cases) {
        SetLastError(0);
        EXPECT_FALSE(DeleteFileW(c.name.c_str()));
        EXPECT_EQ(GetLastError(), c.error) << std::string(c.name.begin(), c.name.end());
    }
    EXPECT_TRUE(std::filesystem::is_directory(narrow + ".dir"));
}

// A handle that shares deleting lets the name go; the file is gone once
// the handle is closed.
TEST_F(Files, AHandleSharingDeletionLetsTheFileGo) {
    put("data");
    HANDLE file = open(GENERIC_READ, OPEN_EXISTING, FILE_SHARE_READ | FILE_SHARE_DELETE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileW(path()));
    CloseHandle(file);
    EXPECT_FALSE(std::filesystem::exists(narrow));
}

// Renaming: the existing name must be there and free, the new one free or,
// when replacing is asked for, a closed file. A refused rename changes
// neither file.
TEST_F(Files, RenamesReplaceOnlyWhenAskedAndOnlyAClosedFile) {
    enum Target { none, file, openFile, sharedFile, directory, missingDirectory };
    const DWORD replace = MOVEFILE_REPLACE_EXISTING, through = MOVEFILE_WRITE_THROUGH;
    const struct {
        const char* what;
        bool source;
        bool sourceOpen;
        Target target;
        DWORD flags;
        DWORD error;  // ERROR_SUCCESS: the rename is made
    } cases[] = {
        {"to a free name", true, false, none, 0, ERROR_SUCCESS},
        {"to a free name, written through", true, false, none, through, ERROR_SUCCESS},
        {"over a file, replacing", true, false, file, replace, ERROR_SUCCESS},
        {"over a file, replacing, written through", true, false, file, replace | through,
         ERROR_SUCCESS},
        {"over a file, not replacing", true, false, file, 0, ERROR_ALREADY_EXISTS},
        {"over a file, written through only", true, false, file, through, ERROR_ALREADY_EXISTS},
        {"over an open file", true, false, openFile, replace, ERROR_ACCESS_DENIED},
        {"over a file open for sharing", true, false, sharedFile, replace, ERROR_ACCESS_DENIED},
        {"over a directory", true, false, directory, replace, ERROR_ACCESS_DENIED},
        {"into a missing directory", true, false, missingDirectory, replace, ERROR_PATH_NOT_FOUND},
        {"of a missing file", false, false, none, replace, ERROR_FILE_NOT_FOUND},
        {"of an open file", true, true, none, replace, ERROR_SHARING_VIOLATION},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileW(path());
        DeleteFileW(other().c_str());
        std::filesystem::remove_all(otherNarrow());
        if (c.source) put("new");
        std::basic_string<WCHAR> target = other();
        if (c.target == file || c.target == openFile || c.target == sharedFile)
            ASSERT_TRUE(testsupport::writeFileBytes(otherNarrow(), {'o', 'l', 'd'}));
        if (c.target == directory) std::filesystem::create_directory(otherNarrow());
        if (c.target == missingDirectory) target = testsupport::wide("kernel_files_no_dir/x.fnt");
        HANDLE held = INVALID_HANDLE_VALUE;
        if (c.target == openFile || c.target == sharedFile)
            held = CreateFileW(other().c_str(), GENERIC_READ,
                               c.target == sharedFile
                                   ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                                   : FILE_SHARE_READ,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (c.sourceOpen) held = open(GENERIC_READ, OPEN_EXISTING);

        SetLastError(12345);
        BOOL moved = MoveFileExW(path(), target.c_str(), c.flags);
        DWORD error = GetLastError();
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);

        EXPECT_EQ(moved != FALSE, c.error == ERROR_SUCCESS);
        if (!moved) EXPECT_EQ(error, c.error);
        std::vector<unsigned char> from = testsupport::readFileBytes(narrow);
        std::vector<unsigned char> to;
        if (!std::filesystem::is_directory(otherNarrow()))
            to = testsupport::readFileBytes(otherNarrow());
        if (moved) {
            EXPECT_FALSE(std::filesystem::exists(narrow));
            EXPECT_EQ(std::string(to.begin(), to.end()), "new");
        } else {
            EXPECT_EQ(std::string(from.begin(), from.end()), c.source ? "new" : "");
            if (c.target == file || c.target == openFile || c.target == sharedFile)
                EXPECT_EQ(std::string(to.begin(), to.end()), "old");
            if (c.target == directory) EXPECT_TRUE(std::filesystem::is_directory(otherNarrow()));
        }
    }
}

TEST_F(Files, MissingNamesAndDirectories) {
    struct Case {
        const WCHAR* name;
        DWORD access;
        DWORD creation;
        DWORD error;
    };
    const Case cases[] = {
        {UTF16("kernel_files_no_such_file"), GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {UTF16("kernel_files_no_dir/x.bmp"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {UTF16("kernel_files_no_dir/x.fnt"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS,
         ERROR_PATH_NOT_FOUND},
        {UTF16(""), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND},
        {UTF16("."), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {UTF16("."), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {UTF16("kernel_files_x"), GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {UTF16("kernel_files_x"), GENERIC_READ, TRUNCATE_EXISTING + 1, ERROR_INVALID_PARAMETER},
        // Through a file as if it were a directory.
        {UTF16("kernel_files_MissingNamesAndDirectories/x"), GENERIC_READ, OPEN_EXISTING,
         ERROR_PATH_NOT_FOUND},
        {UTF16("kernel_files_MissingNamesAndDirectories/x"), GENERIC_WRITE, CREATE_ALWAYS,
         ERROR_PATH_NOT_FOUND},
        {UTF16("kernel_files_MissingNamesAndDirectories/x"), GENERIC_WRITE, TRUNCATE_EXISTING,
         ERROR_PATH_NOT_FOUND},
    };
    put("a file, not a directory");
    for (const Case& c : cases) {
        SetLastError(0);
        EXPECT_EQ(CreateFileW(c.name, c.access, FILE_SHARE_READ, nullptr, c.creation,
                              FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), c.error) << std::string(c.name, c.name + wcslen(c.name));
    }
    EXPECT_FALSE(DeleteFileW(UTF16("kernel_files_no_such_file")));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

TEST_F(Files, ClosedAndForgedHandlesAreRefused) {
    HANDLE file = open(GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_TRUE(CloseHandle(file));
    DWORD count = 0;
    char byte = 0;
    const HANDLE handles[] = {file, INVALID_HANDLE_VALUE, nullptr,
                              reinterpret_cast<HANDLE>(0x7A5C)};
    for (HANDLE handle : handles) {
        EXPECT_FALSE(WriteFile(handle, "x", 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(ReadFile(handle, &byte, 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        EXPECT_EQ(GetFileSize(handle, nullptr), INVALID_FILE_SIZE);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    for (HANDLE handle : {file, HANDLE(nullptr)}) {
        EXPECT_FALSE(CloseHandle(handle));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    }
    EXPECT_TRUE(CloseHandle(INVALID_HANDLE_VALUE)) << "the process's pseudo-handle";
}

// No name and no buffer are refused, not followed: nothing is opened,
// deleted, renamed, read or written.
TEST_F(Files, NoNameAndNoBufferAreRefused) {
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileW(nullptr));
    EXPECT_FALSE(MoveFileExW(nullptr, other().c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(std::filesystem::exists(otherNarrow()));

    put("abc");
    HANDLE file = open(GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD count = 99;
    EXPECT_FALSE(ReadFile(file, nullptr, 2, &count, nullptr));
    EXPECT_EQ(count, 0u);
    count = 99;
    EXPECT_FALSE(WriteFile(file, nullptr, 2, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 0u);
    CloseHandle(file);
    EXPECT_EQ(contents(), "abc");
}

TEST_F(Files, ZeroLengthWriteChangesNothing) {
    put("abc");
    HANDLE file = open(GENERIC_WRITE, OPEN_EXISTING);
    DWORD written = 99;
    EXPECT_TRUE(WriteFile(file, "", 0, &written, nullptr));
    EXPECT_EQ(written, 0u);
    CloseHandle(file);
    EXPECT_EQ(contents(), "abc");
}

}  // namespace
