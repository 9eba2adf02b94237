// Platform writes as the file library makes them, and what it reports when
// they fail, through the native layer's write seams.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "file/output_file.h"
#include "support/native_fakes.h"
#include "runtime/runtime.h"
#include "support/test_support.h"

namespace {

std::string hostPath(const std::string& name) {
    return std::string(CELPACK_BINARY_DIR) + "/output_file_native_test/" + name;
}

using testsupport::wide;

intptr_t create(ObjectId number, const std::string& name) {
    return createFile(number, wide(hostPath(name)).c_str());
}

std::vector<DWORD> recordedWrites() {
    std::vector<DWORD> lengths;
    for (long i = 0; i < nativeRecordedWriteCount(); ++i)
        lengths.push_back(nativeRecordedWriteLength(i));
    return lengths;
}

const RuntimeLibraries kFiles = {nullptr, nullptr, nullptr, initFiles, endFiles, nullptr};

class OutputFileNativeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { std::filesystem::create_directories(hostPath("")); }
    void SetUp() override { startRuntime(&kFiles); }
    void TearDown() override {
        nativeFailWrites(0);
        nativeShortWrites(FALSE);
        nativeRecordWrites(FALSE);
        nativeFailAllocation(nullptr, 0);
        stopRuntime();
        fileBufferSize = 4096;
    }
};

// Single bytes reach the platform 4095 at a time: a byte that would fill
// the buffer sends the buffer out first.
TEST_F(OutputFileNativeTest, SingleBytesGoOutIn4095ByteWrites) {
    struct Case {
        int bytes;
        std::vector<DWORD> beforeClose, all;
    } cases[] = {
        {8192, {4095, 4095}, {4095, 4095, 2}},
        {4095, {}, {4095}},
        {4096, {4095}, {4095, 1}},
        {1, {}, {1}},
        {0, {}, {}},  // a fresh file writes nothing at close
    };
    for (const Case& c : cases) {
        ASSERT_NE(create(0, "pattern"), 0);
        nativeRecordWrites(TRUE);
        for (int i = 0; i < c.bytes; ++i) ASSERT_EQ(writeByte(0, static_cast<uint32_t>(i)), 1);
        EXPECT_EQ(recordedWrites(), c.beforeClose) << c.bytes;
        closeFile(0);
        EXPECT_EQ(recordedWrites(), c.all) << c.bytes;
        nativeRecordWrites(FALSE);
        EXPECT_EQ(testsupport::readFileBytes(hostPath("pattern")).size(),
                  static_cast<size_t>(c.bytes));
    }
}

// Every lost byte shows in closeFile's result, whichever write lost it.
TEST_F(OutputFileNativeTest, LostBytesMakeTheCloseFail) {
    struct Case {
        const char* what;
        int32_t bufferSize;
        int bytes;
        long failFrom;  // 0: no failure
        bool shortWrites;
        int expectedClose;
        int expectedTaken;  // writeByte results summed
    } cases[] = {
        {"buffered, every write fails", 4096, 8192, 1, false, 0, 8192},
        {"buffered, second flush fails", 4096, 8192, 2, false, 0, 8192},
        {"buffered, the flush at close fails", 4096, 8192, 3, false, 0, 8192},
        {"buffered, short writes", 4096, 5000, 1, true, 0, 5000},
        {"buffered, failure never reached", 4096, 8192, 4, false, 1, 8192},
        {"buffered, nothing written", 4096, 0, 1, false, 1, 0},
        {"unbuffered, fails from the fifth byte", 0, 10, 5, false, 0, 4},
        {"unbuffered, short writes", 0, 10, 1, true, 0, 0},
        {"unbuffered, no failure", 0, 10, 0, false, 1, 10},
    };
    for (const Case& c : cases) {
        fileBufferSize = c.bufferSize;
        ASSERT_NE(create(0, "failing"), 0) << c.what;
        nativeShortWrites(c.shortWrites ? TRUE : FALSE);
        nativeFailWrites(c.failFrom);
        int taken = 0;
        for (int i = 0; i < c.bytes; ++i) taken += writeByte(0, static_cast<uint32_t>(i));
        EXPECT_EQ(taken, c.expectedTaken) << c.what;
        EXPECT_EQ(closeFile(0) != 0, c.expectedClose != 0) << c.what;
        nativeFailWrites(0);
        nativeShortWrites(FALSE);
    }
}

TEST_F(OutputFileNativeTest, LostBytesOfADirectBlockWriteAreReported) {
    ASSERT_NE(create(0, "block"), 0);
    FileObject* record = static_cast<FileObject*>(lookupObject(fileTable, 0));
    std::vector<unsigned char> block(5000, 0x5A);
    nativeFailWrites(2);  // the flush of an empty buffer passes, the block fails
    EXPECT_EQ(bufferedWrite(record, block.data(), 5000), 0);
    nativeFailWrites(0);
    EXPECT_EQ(closeFile(0), 0);
}

// Closing all files tells whether any of them lost bytes; a later file
// with all its bytes is not blamed for an earlier one.
TEST_F(OutputFileNativeTest, ClosingEveryFileReportsAnyLoss) {
    ASSERT_NE(create(0, "all_good"), 0);
    intptr_t dynamic = create(DYNAMIC_OBJECT, "all_lossy");
    ASSERT_NE(dynamic, 0);
    writeByte(0, 1);
    fileBufferSize = 0;
    ASSERT_NE(create(1, "all_unbuffered"), 0);
    nativeFailWrites(1);
    EXPECT_EQ(writeByte(1, 2), 0);
    nativeFailWrites(0);
    EXPECT_EQ(closeFile(DYNAMIC_OBJECT), 0);
    ASSERT_NE(create(0, "all_good"), 0);
    writeByte(0, 1);
    EXPECT_NE(closeFile(DYNAMIC_OBJECT), 0);
}

// With the RuntimeHeap exhausted there is no record: no file is made.
// Without room for a buffer the file works unbuffered.
TEST_F(OutputFileNativeTest, ExhaustedHeap) {
    std::filesystem::remove(hostPath("no_record"));
    for (ObjectId number : {ObjectId(0), DYNAMIC_OBJECT}) {
        nativeFailAllocation(runtimeHeap, 1);
        EXPECT_EQ(create(number, "no_record"), 0) << number;
        nativeFailAllocation(nullptr, 0);
        EXPECT_FALSE(std::filesystem::exists(hostPath("no_record")));
    }
    EXPECT_EQ(writeByte(0, 1), 0);

    ASSERT_NE(create(0, "no_buffer"), 0);  // number 0 gets its record
    closeFile(0);
    nativeFailAllocation(runtimeHeap, 1);  // the next allocation is the buffer
    ASSERT_NE(create(0, "no_buffer"), 0);
    nativeFailAllocation(nullptr, 0);
    nativeRecordWrites(TRUE);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(writeByte(0, 'a' + i), 1);
    EXPECT_EQ(recordedWrites(), (std::vector<DWORD>{1, 1, 1}));
    EXPECT_NE(closeFile(0), 0);
    EXPECT_EQ(testsupport::readFileBytes(hostPath("no_buffer")),
              (std::vector<unsigned char>{'a', 'b', 'c'}));
}

// The real end of a process: files left open are complete once it exited.
TEST_F(OutputFileNativeTest, ProcessEndWritesOutOpenFiles) {
    std::filesystem::remove(hostPath("left_open"));
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        stopRuntime();  // the parent's copy; the child starts its own
        startRuntime(&kFiles);
        if (create(0, "left_open") == 0) _exit(3);
        for (int i = 0; i < 5000; ++i) writeByte(0, static_cast<uint32_t>(i));
        endRuntime();
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    std::vector<unsigned char> expected(5000);
    for (int i = 0; i < 5000; ++i) expected[static_cast<size_t>(i)] = static_cast<unsigned char>(i);
    EXPECT_EQ(testsupport::readFileBytes(hostPath("left_open")), expected);
}

}  // namespace
