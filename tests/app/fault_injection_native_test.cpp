// The tool's whole run under injected faults: every heap allocation of a
// run fails in turn, one per run, then every platform write. Each run is a
// child process, so a crash, a sanitizer report (this program is meant for
// the sanitizer tree, where unreachable memory at exit fails the child
// too) or a hang is caught without taking the test down. Whatever fails,
// the run must end with exit code 0, close every descriptor it opened, and
// either leave the exact font or report the failure and leave the font
// that was there before untouched, with no temporary file behind. In the sanitizer tree a second child runs the same fault twice and
// weighs what the second run left allocated, which finds the platform
// objects a failure path forgets.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

#include "app/celpack_main.h"
#include "app/converter.h"
#include "support/native_fakes.h"
#include "support/crafted_files.h"
#include "support/test_support.h"

namespace {

using crafted::bitmapFile;
using crafted::Bytes;
using crafted::iconFile;
using crafted::Pixels;

// The font of a picture, worked out from its pixels: glyph g is the cell
// at (g % 16, g / 16), two bytes a row, leftmost pixel in bit 7, a bit set
// where the pixel is inside the picture and not black.
Bytes expectedFont(int width, int height, const Pixels& lit) {
    Bytes font;
    for (int g = 0; g < 256; g++)
        for (int r = 0; r < 16; r++)
            for (int half = 0; half < 16; half += 8) {
                unsigned char byte = 0;
                for (int c = 0; c < 8; c++) {
                    int x = g % 16 * 16 + half + c, y = g / 16 * 16 + r;
                    if (x < width && y < height && lit(x, y)) byte |= 0x80 >> c;
                }
                font.push_back(byte);
            }
    return font;
}

uint32_t sheetColour(int x, int y) {
    int k = (x * 7 + y * 13 + x * y) % 11;
    if (k < 5) return 0;
    if (k == 5) return 0x010000;  // one step from black is lit
    return uint32_t(x * 0x10101 + y * 0x3070B) & 0xFFFFFF;
}

struct Scenario {
    const char* name;
    Bytes picture;         // written as pic.bmp unless empty
    const char* argument;  // null: no argument at all
    Bytes font;            // the expected output; empty: none, a box instead
};

std::vector<Scenario> scenarios() {
    std::vector<Scenario> list;
    Pixels sheet = sheetColour;
    auto litSheet = [](int x, int y) { return sheetColour(x, y) != 0; };
    list.push_back({"24-bit sheet", bitmapFile(256, 256, 24, sheet), "pic.bmp",
                    expectedFont(256, 256, litSheet)});

    // 8 bits through a palette in which every third entry is black; smaller
    // than the sheet, so the rest of the canvas stays black.
    std::vector<uint32_t> palette(256);
    for (int i = 0; i < 256; i++) palette[i] = (i % 3 == 0) ? 0 : uint32_t(i * 0x10307);
    auto index = [](int x, int y) { return uint32_t((x + 2 * y) % 256); };
    auto litIndex = [&palette, index](int x, int y) { return palette[index(x, y)] != 0; };
    list.push_back({"8-bit picture of 200 x 180", bitmapFile(200, 180, 8, index, palette),
                    "pic.bmp", expectedFont(200, 180, litIndex)});

    auto icon = [](int x, int y) -> uint32_t {
        if ((x + y) % 4 == 0) return 0xFFFFFFFFu;  // transparent
        return (x % 3 == 0) ? 0 : 0x405060u + uint32_t(x);
    };
    auto litIcon = [icon](int x, int y) {
        uint32_t v = icon(x, y);
        return v != 0 && v != 0xFFFFFFFFu;
    };
    list.push_back({"32-bit icon", iconFile(32, icon), "pic.bmp", expectedFont(32, 32, litIcon)});

    list.push_back({"missing picture", {}, "absent.bmp", {}});
    list.push_back({"no argument", {}, nullptr, {}});
    return list;
}

enum class Fault { none, allocation, write, shortWrite, move };

// How a child runs the tool: once through the real exit; once without the
// exit, to count allocations and writes; or twice with the same fault and
// without the exit, to weigh what the second run left allocated (the first
// makes whatever the native layer keeps for the rest of the process).
enum class Mode { real, counted, leakProbe };

struct RunResult {
    bool exitedZero = false;
    std::string how;                      // how the child ended, when not with exit code 0
    std::string errors;                   // standard error
    bool haveOutput = false;              // the run made the new font
    Bytes output;                         // what is under the font's name after the run
    std::vector<std::string> strayFiles;  // anything the run left besides
    long allocations = -1;                // counted runs only
    long writes = -1;
    long descriptorsBefore = -1;
    long descriptorsAfter = -2;
    long grownBytes = -1;  // leak probes: bytes the second run left allocated
};

long openDescriptors() {
    long count = 0;
    DIR* directory = opendir("/proc/self/fd");
    if (directory == nullptr) return -1;
    while (readdir(directory) != nullptr) count++;
    closedir(directory);
    return count;
}

int reportFd = -1;
long descriptorsAtStart;

// Bytes the allocator holds for the program: GDI objects live in the
// native layer's table, which outlives the run, so a forgotten one is not
// unreachable, only still there. Only the address checker's allocator
// counts exactly (glibc's own figures include its caches), so leak probes
// run in the sanitizer tree alone.
#if defined(__SANITIZE_ADDRESS__)
const bool probeLeaks = true;
long allocatedBytes() { return long(__sanitizer_get_current_allocated_bytes()); }
#else
const bool probeLeaks = false;
long allocatedBytes() { return 0; }
#endif

void writeReport(const char* key, long value) {
    char line[64];
    int length = snprintf(line, sizeof line, "%s %ld\n", key, value);
    if (write(reportFd, line, size_t(length)) < 0) _exit(99);
}

// Runs at exit in the child, after shut-down: nothing may still hold a
// descriptor that the run opened.
void reportDescriptors() {
    writeReport("before", descriptorsAtStart);
    writeReport("after", openDescriptors());
}

// What a run may leave allocated in the native layer when an earlier run
// of the same path has already made everything the layer keeps: the
// message box's window log grows by a line (some 30 bytes) for each box.
// A forgotten device context or anything larger holds more than this.
const long allowedGrowth = 48;

// The font under the output name before each run.
const Bytes previousFont(20000, 0x5A);

::testing::AssertionResult endedWell(const Scenario& scenario, const RunResult& run) {
    auto fail = [&](const std::string& what) {
        return ::testing::AssertionFailure() << what << "; standard error:\n" << run.errors;
    };
    if (!run.exitedZero) return fail("the run ended with " + run.how);
    if (run.descriptorsAfter != run.descriptorsBefore)
        return fail("descriptors open at exit: " + std::to_string(run.descriptorsAfter) +
                    ", at start: " + std::to_string(run.descriptorsBefore));
    bool reported = run.errors.rfind("Error: ", 0) == 0 ||
                    run.errors.rfind("celpack: cannot start without ", 0) == 0;
    if (!run.strayFiles.empty()) return fail("the run left " + run.strayFiles[0]);
    if (run.haveOutput) {
        if (scenario.font.empty()) return fail("an output file where none belongs");
        if (!run.errors.empty()) return fail("the font was made but a failure was reported");
        return ::testing::AssertionSuccess();
    }
    if (!reported) return fail("no new font and no failure reported");
    if (scenario.argument && run.output != previousFont)
        return fail("the font that was there before became " + std::to_string(run.output.size()) +
                    " other bytes");
    return ::testing::AssertionSuccess();
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/celpack-faults.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        directory = pattern;
    }
    void TearDown() override {
        std::string command = "rm -rf '" + directory + "'";
        EXPECT_EQ(system(command.c_str()), 0);
    }

    // One run of the tool in a child, in a fresh copy of the scenario's
    // files. `counted` runs the same sequence with the exit left out, to
    // read the allocation and write counts afterwards.
    RunResult run(const Scenario& scenario, Fault fault, long n, Mode mode = Mode::real) {
        std::string work = directory + "/run";
        std::string command = "rm -rf '" + work + "' && mkdir '" + work + "'";
        EXPECT_EQ(system(command.c_str()), 0);
        if (!scenario.picture.empty())
            EXPECT_TRUE(testsupport::writeFileBytes(work + "/pic.bmp", scenario.picture));
        std::string font = work + "/" + (scenario.argument ? scenario.argument : "") + ".fnt";
        if (scenario.argument) EXPECT_TRUE(testsupport::writeFileBytes(font, previousFont));
        fflush(nullptr);
        pid_t child = fork();
        if (child == 0) runChild(scenario, fault, n, mode, work);

        RunResult result;
        int status = 0;
        waitpid(child, &status, 0);
        result.exitedZero = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (WIFEXITED(status))
            result.how = "exit code " + std::to_string(WEXITSTATUS(status));
        else if (WIFSIGNALED(status))
            result.how = "signal " + std::to_string(WTERMSIG(status));
        Bytes errors = testsupport::readFileBytes(work + "/errors.txt");
        result.errors.assign(errors.begin(), errors.end());
        if (scenario.argument) result.output = testsupport::readFileBytes(font);
        result.haveOutput =
            scenario.argument && !scenario.font.empty() && result.output == scenario.font;
        DIR* listing = opendir(work.c_str());
        while (struct dirent* entry = listing ? readdir(listing) : nullptr) {
            std::string name = entry->d_name;
            if (name != "." && name != ".." && name != "pic.bmp" && name != "errors.txt" &&
                name != "report.txt" && work + "/" + name != font)
                result.strayFiles.push_back(name);
        }
        if (listing) closedir(listing);
        Bytes report = testsupport::readFileBytes(work + "/report.txt");
        std::string text(report.begin(), report.end());
        char key[16];
        long value;
        for (const char* p = text.c_str(); sscanf(p, "%15s %ld", key, &value) == 2;) {
            std::string k = key;
            if (k == "allocations") result.allocations = value;
            if (k == "writes") result.writes = value;
            if (k == "before") result.descriptorsBefore = value;
            if (k == "after") result.descriptorsAfter = value;
            if (k == "grown") result.grownBytes = value;
            p = strchr(p, '\n');
            if (p == nullptr) break;
            p++;
        }
        return result;
    }

    // The run with the fault, then a leak probe with the same fault.
    RunResult faultyRun(const Scenario& scenario, Fault fault, long n, const std::string& what) {
        RunResult faulty = run(scenario, fault, n);
        EXPECT_TRUE(endedWell(scenario, faulty)) << what;
        if (!probeLeaks) return faulty;
        RunResult probe = run(scenario, fault, n, Mode::leakProbe);
        EXPECT_TRUE(probe.exitedZero) << what << ": the leak probe ended with " << probe.how;
        // A fault that abandons start-up ends the probe's process in its
        // first run; there is nothing to weigh then.
        if (probe.grownBytes >= 0) {
            EXPECT_LE(probe.grownBytes, allowedGrowth)
                << what << ": bytes a second run left allocated";
            maxGrowth = std::max(maxGrowth, probe.grownBytes);
            probes++;
        }
        return faulty;
    }

    static void armFault(Fault fault, long n) {
        nativeFailAllocation(nullptr, fault == Fault::allocation ? n : 0);
        nativeShortWrites(fault == Fault::shortWrite);
        nativeFailWrites(fault == Fault::write || fault == Fault::shortWrite ? n : 0);
        nativeFailMoves(fault == Fault::move ? n : 0);
    }

    static void runWithoutExit() {
        startRuntime(&celpackLibraries);
        runConverter();
        stopRuntime();
    }

    [[noreturn]] static void runChild(const Scenario& scenario, Fault fault, long n, Mode mode,
                                      const std::string& work) {
        alarm(120);
        if (chdir(work.c_str()) != 0) _exit(98);
        int errors = open(mode == Mode::leakProbe ? "/dev/null" : "errors.txt",
                          O_WRONLY | O_CREAT | O_TRUNC, 0644);
        reportFd = open("report.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (errors < 0 || reportFd < 0 || dup2(errors, 2) < 0) _exit(98);
        close(errors);
        descriptorsAtStart = openDescriptors();

        char program[] = "celpack";
        char argument[64];
        snprintf(argument, sizeof argument, "%s", scenario.argument ? scenario.argument : "");
        char* arguments[] = {program, argument, nullptr};
        nativeSetArguments(scenario.argument ? 2 : 1, arguments);

        if (mode == Mode::counted) {
            armFault(fault, n);
            nativeRecordWrites(TRUE);
            runWithoutExit();
            writeReport("allocations", nativeAllocationCount());
            writeReport("writes", nativeRecordedWriteCount());
            reportDescriptors();
            _exit(0);
        }
        if (mode == Mode::leakProbe) {
            armFault(fault, n);
            runWithoutExit();
            long before = allocatedBytes();
            armFault(fault, n);
            runWithoutExit();
            writeReport("grown", allocatedBytes() - before);
            _exit(0);
        }
        armFault(fault, n);
        atexit(reportDescriptors);
        runCelpack();
    }

    std::string directory;
    long maxGrowth = 0;
    long probes = 0;
};

// Allocation n (1-based, over every heap) fails, for every n up to one past
// the last allocation of a clean run.
TEST_F(FaultInjection, EveryHeapAllocationFailingInTurn) {
    long total = 0, fonts = 0, boxes = 0, abandoned = 0;
    for (const Scenario& scenario : scenarios()) {
        SCOPED_TRACE(scenario.name);
        RunResult clean = run(scenario, Fault::none, 0, Mode::counted);
        ASSERT_TRUE(endedWell(scenario, clean));
        if (!scenario.font.empty()) ASSERT_TRUE(clean.haveOutput);
        ASSERT_GT(clean.allocations, 0);
        for (long n = 1; n <= clean.allocations + 1; n++) {
            RunResult faulty = faultyRun(
                scenario, Fault::allocation, n,
                "allocation " + std::to_string(n) + " of " + std::to_string(clean.allocations));
            if (faulty.haveOutput)
                fonts++;
            else
                (faulty.errors.rfind("Error: ", 0) == 0 ? boxes : abandoned)++;
            if (n == clean.allocations + 1 && !scenario.font.empty())
                EXPECT_TRUE(faulty.haveOutput)
                    << "a fault past the last allocation changed the run";
        }
        total += clean.allocations;
    }
    printf(
        "allocations failed in turn: %ld; runs that made the font: %ld, showed an Error box: "
        "%ld, abandoned start-up: %ld; leak probes: %ld, most left allocated by a second run: "
        "%ld bytes\n",
        total, fonts, boxes, abandoned, probes, maxGrowth);
}

// From write n on, every platform write fails outright, or reports half its
// length written.
TEST_F(FaultInjection, EveryPlatformWriteFailingInTurn) {
    long total = 0;
    for (const Scenario& scenario : scenarios()) {
        if (scenario.font.empty()) continue;
        SCOPED_TRACE(scenario.name);
        RunResult clean = run(scenario, Fault::none, 0, Mode::counted);
        ASSERT_TRUE(endedWell(scenario, clean));
        ASSERT_GT(clean.writes, 0);
        for (Fault fault : {Fault::write, Fault::shortWrite}) {
            for (long n = 1; n <= clean.writes + 1; n++) {
                std::string what = (fault == Fault::write ? "failing write " : "short write ") +
                                   std::to_string(n) + " of " + std::to_string(clean.writes);
                RunResult faulty = faultyRun(scenario, fault, n, what);
                EXPECT_EQ(faulty.haveOutput, n > clean.writes) << what;
            }
        }
        total += clean.writes;
    }
    printf(
        "writes failed in turn: %ld (each failing and short); most left allocated by a "
        "second run: %ld bytes\n",
        total, maxGrowth);
}

}  // namespace

// The rename over the old font fails, and a fault past it changes nothing.
TEST_F(FaultInjection, TheRenameFailing) {
    for (const Scenario& scenario : scenarios()) {
        if (scenario.font.empty()) continue;
        SCOPED_TRACE(scenario.name);
        RunResult failed = faultyRun(scenario, Fault::move, 1, "the rename failing");
        EXPECT_FALSE(failed.haveOutput);
        EXPECT_EQ(failed.errors, "Error: Error writing file!\n");
        RunResult past = faultyRun(scenario, Fault::move, 2, "a rename fault past the run's one");
        EXPECT_TRUE(past.haveOutput);
    }
}
