// The whole program run in a forked child of the test, so the native
// layer's seams reach it: failed and short writes, a failed rename, an icon
// that loads but cannot be drawn, taken temporary names, and a failure of
// each heap allocation in turn. Whatever fails, the run ends with exit code
// 0, no temporary file is left, and a file under the font's name is either
// the complete new font or the old one untouched.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/celpack_main.h"
#include "support/native_fakes.h"
#include "platform/platform.h"
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

// A 16-colour icon: it has no alpha, so it reaches the canvas through
// DrawIconEx, which the draw fault makes fail once the canvas exists.
const char* const opaqueIcon = "tests/data/ico/eight_4bit_magick.ico";
const char* const writeError = "Error: Error writing file!";
const char* const drawError = "Error: Error loading Imagepic.bmp";

struct WriteCase {
    const char* name;
    long failFrom;  // the first failing WriteFile, 0 for none
    bool shortWrites;
    bool failMove;  // the rename over NAME.fnt fails
    bool failDraw;  // the picture (then the icon above) loads but cannot be drawn
    bool oldFont;   // a longer font of the same name was there before
    const char* message;
};

const WriteCase writeCases[] = {
    {"FirstWriteFails", 1, false, false, false, false, writeError},
    {"SecondWriteFails", 2, false, false, false, false, writeError},
    {"SecondWriteShort", 2, true, false, false, false, writeError},
    {"FirstWriteShortOverOldFont", 1, true, false, false, true, writeError},
    {"SecondWriteFailsOverOldFont", 2, false, false, false, true, writeError},
    {"RenameFails", 0, false, true, false, false, writeError},
    {"RenameFailsOverOldFont", 0, false, true, false, true, writeError},
    {"DrawFails", 0, false, false, true, false, drawError},
    {"DrawFailsOverOldFont", 0, false, false, true, true, drawError},
};

void PrintTo(const WriteCase& c, std::ostream* out) { *out << c.name; }

class WriteFailure : public ::testing::TestWithParam<WriteCase> {};

TEST_P(WriteFailure, ReportsAndLeavesNoPartialFont) {
    const WriteCase& c = GetParam();
    fs::path dir = freshDirectory(std::string("write-") + c.name);
    writeBytes(dir / "pic.bmp", c.failDraw ? readBytes(sourceFile(opaqueIcon)) : sheetBytes());
    const Bytes oldFont(20000, 0x5A);
    if (c.oldFont) writeBytes(dir / "pic.bmp.fnt", oldFont);

    ProgramRun run = runInProcess(dir, [&] {
        nativeShortWrites(c.shortWrites);
        nativeFailWrites(c.failFrom);
        nativeFailMoves(c.failMove ? 1 : 0);
        nativeFailIconDrawing(c.failDraw);
    });

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.messages, std::vector<std::string>{c.message});
    std::vector<std::string> left = {"pic.bmp"};
    if (c.oldFont) left.push_back("pic.bmp.fnt");
    EXPECT_EQ(listFiles(dir), left);
    if (c.oldFont) EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == oldFont);
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteFailure, ::testing::ValuesIn(writeCases),
                         [](const ::testing::TestParamInfo<WriteCase>& info) {
                             return info.param.name;
                         });

// The new font reaches the disk before its name does: the one rename asks
// for write-through, which syncs the file before and its directory after.
TEST(Replacement, TheRenameIsWrittenThroughToTheDisk) {
    fs::path dir = freshDirectory("write-through");
    writeBytes(dir / "pic.bmp", sheetBytes());
    writeBytes(dir / "pic.bmp.fnt", Bytes(20000, 0x5A));
    static std::string recordPath;
    recordPath = (freshDirectory("write-through-record") / "moves").string();

    ProgramRun run = runInProcess(dir, [] {
        nativeRecordMoves(TRUE);
        atexit([] {
            FILE* out = fopen(recordPath.c_str(), "w");
            for (long i = 0; out && i < nativeRecordedMoveCount(); ++i)
                fprintf(out, "syncs %d\n", nativeRecordedMoveSyncs(i));
            if (out) fclose(out);
        });
    });

    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.messages.empty());
    EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == fontBytes());
    Bytes record = readBytes(recordPath);
    char expected[64];
    snprintf(expected, sizeof expected, "syncs %d\n", NATIVE_SYNCED_FILE | NATIVE_SYNCED_DIRECTORY);
    EXPECT_EQ(std::string(record.begin(), record.end()), expected);
}

// Temporary names already taken (by killed runs of an earlier process of
// the same id) are passed over, N from 0 up, for 100 names; when all are
// taken the font cannot be made. Taken names are never written into.
TEST(Replacement, TakenTemporaryNamesArePassedOverUpToAHundred) {
    const struct {
        int taken;
        bool converts;
    } cases[] = {{1, true}, {99, true}, {100, false}};
    const Bytes leftOver = {'l', 'e', 'f', 't'};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.taken);
        fs::path dir = freshDirectory("taken-" + std::to_string(c.taken));
        writeBytes(dir / "pic.bmp", sheetBytes());
        std::string pidFile =
            (dir.parent_path() / ("taken-" + std::to_string(c.taken) + ".pid")).string();

        ProgramRun run = runInProcess(dir, [&] {
            FILE* out = fopen(pidFile.c_str(), "w");
            if (out) fprintf(out, "%d", int(getpid()));
            if (out) fclose(out);
            for (int n = 0; n < c.taken; ++n)
                writeBytes(fs::current_path() / ("pic.bmp.fnt." + std::to_string(getpid()) + "-" +
                                                 std::to_string(n) + ".tmp"),
                           leftOver);
        });

        Bytes pid = readBytes(pidFile);
        std::string prefix = "pic.bmp.fnt." + std::string(pid.begin(), pid.end()) + "-";
        EXPECT_EQ(run.exitCode, 0);
        std::vector<std::string> expected = {"pic.bmp"};
        if (c.converts) expected.push_back("pic.bmp.fnt");
        for (int n = 0; n < c.taken; ++n) expected.push_back(prefix + std::to_string(n) + ".tmp");
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listFiles(dir), expected);
        for (int n = 0; n < c.taken; ++n)
            EXPECT_TRUE(readBytes(dir / (prefix + std::to_string(n) + ".tmp")) == leftOver) << n;
        if (c.converts) {
            EXPECT_TRUE(run.messages.empty());
            EXPECT_TRUE(readBytes(dir / "pic.bmp.fnt") == fontBytes());
        } else {
            EXPECT_EQ(run.messages, std::vector<std::string>{writeError});
        }
        fs::remove(pidFile);
    }
}

// Heap allocation n fails, for every n a clean run makes. Start-up may give
// up; a load, the output, the canvas or the drawing session may fail; never
// may a crash, a wrong font or a partial one result, and the old font
// stays whole until the new one replaces it.
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
    const Bytes oldFont(100, 0x33);
    for (long n = 1; n <= allocations; ++n) {
        writeBytes(dir / "pic.bmp.fnt", oldFont);
        ProgramRun run = runInProcess(dir, [n] { nativeFailAllocation(NULL, n); });
        EXPECT_EQ(run.exitCode, 0) << "allocation " << n;
        EXPECT_LE(run.messages.size(), 1u) << "allocation " << n;
        std::string message = run.messages.empty() ? "" : run.messages[0];
        seen.insert(message);
        Bytes font = readBytes(dir / "pic.bmp.fnt");
        EXPECT_EQ(listFiles(dir), (std::vector<std::string>{"pic.bmp", "pic.bmp.fnt"}))
            << "allocation " << n;
        if (message.empty())
            EXPECT_TRUE(font == fontBytes()) << "allocation " << n << " failed silently";
        else
            EXPECT_TRUE(font == oldFont) << "allocation " << n << ": " << message;
    }
    EXPECT_TRUE(seen.count("Error: Error creating the canvas!"));
    EXPECT_TRUE(seen.count("Error: Error loading Imagepic.bmp"));
}

}  // namespace
