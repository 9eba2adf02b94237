#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "file/output_file.h"
#include "runtime/runtime.h"
#include "support/test_support.h"

namespace {

using testsupport::wide;

// Files live in one directory of the build tree.
std::string hostPath(const std::string& name) {
    return testsupport::hostPath(std::string(CELPACK_BINARY_DIR) + "/output_file_test/" + name);
}

std::vector<unsigned char> pattern(size_t count, unsigned seed = 0) {
    std::vector<unsigned char> bytes(count);
    for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + seed);
    return bytes;
}

intptr_t create(ObjectId number, const std::string& name) {
    return createFile(number, wide(hostPath(name)).c_str());
}

// Writes every byte, expecting each one to be taken.
void writeAll(ObjectId number, const std::vector<unsigned char>& bytes) {
    for (unsigned char b : bytes) ASSERT_EQ(writeByte(number, b), 1);
}

std::vector<unsigned char> contents(const std::string& name) {
    return testsupport::readFileBytes(hostPath(name));
}

class OutputFileTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { std::filesystem::create_directories(hostPath("")); }
    void SetUp() override { start(); }
    void TearDown() override {
        if (running) stopRuntime();
        fileBufferSize = 4096;
    }
    void start() {
        static const RuntimeLibraries files = {nullptr,   nullptr,  nullptr,
                                               initFiles, endFiles, nullptr};
        startRuntime(&files);
        running = true;
    }
    void stop() {
        stopRuntime();
        running = false;
    }
    bool running = false;
};

TEST_F(OutputFileTest, WritesEveryByteInOrder) {
    const size_t sizes[] = {0, 1, 4094, 4095, 4096, 8190, 8192, 20000};
    for (size_t size : sizes) {
        std::string name = "order_" + std::to_string(size);
        ASSERT_NE(create(0, name), 0);
        std::vector<unsigned char> bytes = pattern(size, 3);
        writeAll(0, bytes);
        EXPECT_NE(closeFile(0), 0) << size;
        EXPECT_EQ(contents(name), bytes) << size;
    }
}

TEST_F(OutputFileTest, ClosingGivesBackEverythingTheFileTook) {
    // Once for the number's record, which the table keeps for reuse.
    ASSERT_NE(create(5, "balance_warm"), 0);
    closeFile(5);
    for (size_t written : {0u, 1u, 4096u, 10000u}) {
        for (ObjectId number : {ObjectId(5), DYNAMIC_OBJECT}) {
            long blocks = testsupport::heapBlockCount(runtimeHeap);
            intptr_t file = create(number, "balance_" + std::to_string(written));
            ASSERT_NE(file, 0);
            ObjectId id = number == DYNAMIC_OBJECT ? ObjectId(file) : number;
            writeAll(id, pattern(written));
            EXPECT_NE(closeFile(id), 0);
            EXPECT_EQ(testsupport::heapBlockCount(runtimeHeap), blocks)
                << written << " bytes, file " << number;
        }
    }
}

TEST_F(OutputFileTest, ReplacesAnExistingLongerFile) {
    for (size_t written : {0u, 5u, 8192u}) {
        std::string name = "replace_" + std::to_string(written);
        ASSERT_TRUE(testsupport::writeFileBytes(hostPath(name), pattern(10000, 1)));
        ASSERT_NE(create(4, name), 0);
        writeAll(4, pattern(written));
        closeFile(4);
        EXPECT_EQ(contents(name), pattern(written)) << written;
    }
}

TEST_F(OutputFileTest, ReusedNumberWritesOutTheOldFileFirst) {
    ASSERT_NE(create(0, "reuse_old"), 0);
    writeAll(0, pattern(10));
    ASSERT_NE(create(0, "reuse_new"), 0);
    EXPECT_EQ(contents("reuse_old"), pattern(10));
    writeAll(0, pattern(3, 9));
    closeFile(0);
    EXPECT_EQ(contents("reuse_new"), pattern(3, 9));
    EXPECT_EQ(contents("reuse_old"), pattern(10));
}

// A name that cannot be created leaves the number without a file, also
// when it held one before (that one is written out and closed).
TEST_F(OutputFileTest, FailedCreationLeavesTheNumberUnused) {
    const std::string refused[] = {hostPath(""), hostPath("missing/dir/x.fnt")};
    for (const std::string& name : refused) {
        ASSERT_NE(create(0, "before_failure"), 0);
        writeAll(0, pattern(7));
        EXPECT_EQ(createFile(0, wide(name).c_str()), 0) << name;
        EXPECT_EQ(contents("before_failure"), pattern(7));
        EXPECT_EQ(writeByte(0, 1), 0) << name;
        EXPECT_EQ(closeFile(0), 0) << name;
        EXPECT_EQ(createFile(DYNAMIC_OBJECT, wide(name).c_str()), 0) << name;
    }
    EXPECT_EQ(newestListRecord(&fileTable->dynamicList), nullptr);
}

TEST_F(OutputFileTest, NumbersWithoutAFileTakeNothing) {
    ASSERT_NE(create(1, "closed"), 0);
    closeFile(1);
    for (ObjectId number : {ObjectId(0), ObjectId(1), ObjectId(15), ObjectId(500), ObjectId(-7)}) {
        EXPECT_EQ(writeByte(number, 0x41), 0) << number;
        EXPECT_EQ(closeFile(number), 0) << number;
    }
    EXPECT_TRUE(contents("closed").empty());
}

TEST_F(OutputFileTest, DynamicFilesUseTheirRecordAsNumber) {
    intptr_t first = create(DYNAMIC_OBJECT, "dynamic_first");
    intptr_t second = create(DYNAMIC_OBJECT, "dynamic_second");
    ASSERT_NE(first, 0);
    ASSERT_NE(second, 0);
    ASSERT_NE(create(2, "dynamic_numbered"), 0);
    writeAll(first, pattern(5000, 1));
    writeAll(second, pattern(3, 2));
    writeAll(2, pattern(4, 3));
    EXPECT_NE(closeFile(first), 0);
    EXPECT_EQ(writeByte(first, 1), 0);  // its record is gone
    EXPECT_EQ(closeFile(first), 0);
    EXPECT_NE(closeFile(DYNAMIC_OBJECT), 0);
    EXPECT_EQ(contents("dynamic_first"), pattern(5000, 1));
    EXPECT_EQ(contents("dynamic_second"), pattern(3, 2));
    EXPECT_EQ(contents("dynamic_numbered"), pattern(4, 3));
    EXPECT_EQ(writeByte(second, 1), 0);
    EXPECT_EQ(writeByte(2, 1), 0);
}

TEST_F(OutputFileTest, ShutDownWritesOutOpenFiles) {
    ASSERT_NE(create(0, "open_numbered"), 0);
    intptr_t dynamic = create(DYNAMIC_OBJECT, "open_dynamic");
    ASSERT_NE(dynamic, 0);
    writeAll(0, pattern(8192));
    writeAll(dynamic, pattern(100, 5));
    stop();
    EXPECT_EQ(contents("open_numbered"), pattern(8192));
    EXPECT_EQ(contents("open_dynamic"), pattern(100, 5));
}

TEST_F(OutputFileTest, UnbufferedFilesWriteStraightThrough) {
    fileBufferSize = 0;
    ASSERT_NE(create(0, "unbuffered"), 0);
    writeAll(0, pattern(9));
    EXPECT_EQ(contents("unbuffered"), pattern(9));  // before the close
    EXPECT_NE(closeFile(0), 0);
    EXPECT_EQ(contents("unbuffered"), pattern(9));
}

// Blocks of any length through the buffer: those of a buffer's size or
// more go out in one write after what was buffered. A negative length
// takes nothing and leaves the buffer's count alone.
TEST_F(OutputFileTest, BlocksOfAnyLengthKeepTheirOrder) {
    const int32_t lengths[] = {1, 2, 4, 3, 4090, 4, -1, 4096, 5000, 1, 4095, 0, INT32_MIN, 2, -1};
    ASSERT_NE(create(0, "blocks"), 0);
    FileObject* record = static_cast<FileObject*>(lookupObject(fileTable, 0));
    ASSERT_NE(record, nullptr);
    std::vector<unsigned char> expected;
    unsigned seed = 0;
    for (int32_t length : lengths) {
        int32_t taken = length < 0 ? 0 : length;
        std::vector<unsigned char> block = pattern(static_cast<size_t>(taken) + 8, ++seed);
        EXPECT_EQ(bufferedWrite(record, block.data(), length), taken) << length;
        expected.insert(expected.end(), block.begin(), block.begin() + taken);
    }
    EXPECT_NE(closeFile(0), 0);
    EXPECT_EQ(contents("blocks"), expected);
}

// Another handle that reads without sharing reading makes the first open
// fail; the second, write-only open truncates the file and serves as well.
TEST_F(OutputFileTest, FallsBackToTruncatingTheExistingFile) {
    ASSERT_TRUE(testsupport::writeFileBytes(hostPath("fallback"), pattern(10000, 1)));
    HANDLE reader = CreateFileW(wide(hostPath("fallback")).c_str(), GENERIC_READ, FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    intptr_t handle = create(0, "fallback");
    CloseHandle(reader);
    ASSERT_NE(handle, 0);
    writeAll(0, pattern(4100, 2));
    EXPECT_NE(closeFile(0), 0);
    EXPECT_EQ(contents("fallback"), pattern(4100, 2));
}

}  // namespace
