// The whole program run in a forked child of the test, so the native
// layer's fault seams reach it: failed and short writes, and a failure of
// each heap allocation in turn. Whatever fails, the run ends with exit code
// 0, and a file under the font's name is either the complete font or was
// never touched.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/celpack_main.h"
#include "platform/native/seams.h"
#include "program_runner.h"

namespace {

using namespace program;

// Runs the program as `celpack pic.bmp` in `dir` with `fault` turned on in
// the child just before start-up.
ProgramRun runInProcess(const fs::path& dir, const std::function<void()>& fault) {
    return runForked(dir, [&] {
        static char program[] = "celpack";
        static char picture[] = "pic.bmp";
        static char* argv[] = {program, picture, nullptr};
        nativeSetArguments(2, argv);
        fault();
        runCelpack();
    });
}

Bytes sheetBytes() { return readBytes(sourceFile("examples/dejavu-mono.bmp")); }
Bytes fontBytes() { return readBytes(sourceFile("examples/dejavu-mono.expected.fnt")); }

struct WriteCase {
    const char* name;
    long failFrom;  // the first failing WriteFile
    bool shortWrites;
    bool oldFont;   // a longer font of the same name was there before
};

const WriteCase writeCases[] = {
    {"FirstWriteFails", 1, false, false},
    {"SecondWriteFails", 2, false, false},
    {"SecondWriteShort", 2, true, false},
    {"FirstWriteShortOverOldFont", 1, true, true},
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class WriteFailure : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteFailure, ReportsAndLeavesNoPartialFont) {
    const WriteCase& c = GetParam();
    fs::path dir = freshDirectory(std::string("write-") + c.name);
    writeBytes(dir / "pic.bmp", sheetBytes());
    if (c.oldFont) writeBytes(dir / "pic.bmp.fnt", Bytes(20000, 0x5A));

    ProgramRun run = runInProcess(dir, [&] {
        nativeShortWrites(c.shortWrites);
        nativeFailWrites(c.failFrom);
    });

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, std::vector<std::string>{"Error: Error writing file!"});
    EXPECT_EQ(listFiles(dir), std::vector<std::string>{"pic.bmp"});
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteFailure, ::testing::ValuesIn(writeCases),
                         [](const ::testing::TestParamInfo<WriteCase>& info) { return info.param.name; });

// Heap allocation n fails, for every n a clean run makes. Start-up may give
// up; a load, the output, the canvas or the drawing session may fail; never
// may a crash, a wrong font or a partial one result.
TEST(AllocationFailure, EveryAllocationFailingEndsCleanly) {
    fs::path countFile = freshDirectory("allocations") / "count";
    fs::path dir = freshDirectory("allocation");
    writeBytes(dir / "pic.bmp", sheetBytes());
    static std::string countPath;
    countPath = countFile.string();

    ProgramRun clean = runInProcess(dir, [] {
        nativeFailAllocation(NULL, 0);
        atexit([] {
            FILE* out = fopen(countPath.c_str(), "w");
            if (out) fprintf(out, "%ld\n", nativeAllocationCount());
            if (out) fclose(out);
        });
    });
    ASSERT_EQ(clean.exitCode, 0);
    ASSERT_TRUE(clean.messages.empty());
    Bytes countText = readBytes(countFile);
    long allocations = atol(std::string(countText.begin(), countText.end()).c_str());
    ASSERT_GT(allocations, 5);

    std::set<std::string> seen;
    for (long n = 1; n <= allocations; ++n) {
        fs::remove(dir / "pic.bmp.fnt");
        ProgramRun run = runInProcess(dir, [n] { nativeFailAllocation(NULL, n); });
        EXPECT_EQ(run.exitCode, 0) << "allocation " << n;
        EXPECT_LE(run.messages.size(), 1u) << "allocation " << n;
        std::string message = run.messages.empty() ? "" : run.messages[0];
        seen.insert(message);
        Bytes font = readBytes(dir / "pic.bmp.fnt");
        if (fs::exists(dir / "pic.bmp.fnt"))
            EXPECT_TRUE(font == fontBytes()) << "allocation " << n << ": " << font.size() << " bytes";
        if (message.empty())
            EXPECT_TRUE(fs::exists(dir / "pic.bmp.fnt")) << "allocation " << n << " failed silently";
        else
            EXPECT_FALSE(fs::exists(dir / "pic.bmp.fnt")) << "allocation " << n << ": " << message;
    }
    EXPECT_TRUE(seen.count("Error: Error creating the canvas!"));
    EXPECT_TRUE(seen.count("Error: Error loading Imagepic.bmp"));
}

}  // namespace
