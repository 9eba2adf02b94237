// Native-only start-up and shut-down: the process's end, start-up that
// cannot get its memory, a platform without msimg32, and heaps that go
// with the runtime.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/native_fakes.h"
#include "runtime/parameters.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"
#include "support/test_support.h"

namespace {

const char* const trace = "kernel_startup_trace.txt";
const char* const errors = "kernel_startup_errors.txt";

void append(const char* text) {
    FILE* file = fopen(trace, "a");
    if (!file) return;
    fputs(text, file);
    fclose(file);
}

const RuntimeLibraries tracing = {
    [] { append("decoders "); }, [] { append("images "); },   [] { append("drawing "); },
    [] { append("files "); },    [] { append("endFiles "); }, [] { append("endImages "); },
};

std::string contents(const char* path) {
    std::vector<unsigned char> bytes = testsupport::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Runs body in a child process with standard error sent to a file and
// gives back its exit status (-1 when it did not exit).
template <typename Body>
int inChild(Body body) {
    remove(trace);
    remove(errors);
    fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        int file = open(errors, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(file, 2);
        body();
        _exit(99);  // the body was meant to end the process itself
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST(NativeStartup, EndRuntimeRunsTheEndRoutinesAndExitsWithZero) {
    int status = inChild([] {
        startRuntime(&tracing);
        append("| ");
        endRuntime();
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(contents(trace), "decoders images drawing files | endFiles endImages ");
    EXPECT_EQ(contents(errors), "");
}

TEST(NativeStartup, AStartThatCannotGetItsMemoryEndsAtOnceWithZero) {
    // The allocations of a start without libraries, in order.
    struct Case {
        long failing;
        int status;
        const char* line;
        const char* traced;
    };
    const Case cases[] = {
        {1, 0, "celpack: cannot start without the string workspace\n", ""},
        {2, 0, "celpack: cannot start without the parameter cursor\n",
         "decoders images drawing files "},
        {3, 7, "", "decoders images drawing files "},
    };
    for (const Case& c : cases) {
        int status = inChild([&] {
            nativeFailAllocation(nullptr, c.failing);
            startRuntime(&tracing);
            _exit(7);
        });
        EXPECT_EQ(status, c.status) << c.failing;
        EXPECT_EQ(contents(errors), c.line) << c.failing;
        EXPECT_EQ(contents(trace), c.traced) << c.failing;
    }
}

TEST(NativeStartup, AHeapThatCannotBeMadeEndsTheStartAtOnceWithZero) {
    const struct {
        long failing;
        const char* line;
    } cases[] = {
        {1, "celpack: cannot start without the runtime heap\n"},
        {2, "celpack: cannot start without the string heap\n"},
    };
    for (const auto& c : cases) {
        int status = inChild([&] {
            nativeFailHeapCreation(c.failing);
            startRuntime(&tracing);
            _exit(7);
        });
        EXPECT_EQ(status, 0) << c.failing;
        EXPECT_EQ(contents(errors), c.line) << c.failing;
        EXPECT_EQ(contents(trace), "") << "no library started";
    }
}

TEST(NativeStartup, WithoutMsimg32OrItsEntryTheStartGoesOn) {
    const BOOL hidden[][2] = {{TRUE, FALSE}, {FALSE, TRUE}};
    for (const auto& hide : hidden) {
        nativeHideAlphaBlend(hide[0], hide[1]);
        startRuntime(nullptr);
        EXPECT_EQ(alphaBlendEntry, nullptr);
        EXPECT_NE(parameterAt(0), nullptr) << "later steps ran";
        stopRuntime();
    }
    nativeHideAlphaBlend(FALSE, FALSE);
    startRuntime(nullptr);
    EXPECT_NE(alphaBlendEntry, nullptr);
    stopRuntime();
}

TEST(NativeStartup, TheHeapsGoWithEverythingInThem) {
    startRuntime(nullptr);
    HANDLE runtime = runtimeHeap;
    HANDLE strings = stringHeap;
    for (int i = 0; i < 50; ++i) {
        ASSERT_NE(takeRecord(100), nullptr);
        ASSERT_NE(keepString(UTF16("kept")), nullptr);
    }
    EXPECT_EQ(nativeHeapBlockCount(runtime), 51);  // and the parameter cursor
    EXPECT_EQ(nativeHeapBlockCount(strings), 51);  // and the workspace
    stopRuntime();
    EXPECT_EQ(nativeHeapBlockCount(runtime), -1);
    EXPECT_EQ(nativeHeapBlockCount(strings), -1);
    EXPECT_EQ(parameterAt(0)[0], 0) << "no cursor left in a destroyed heap";
}

}  // namespace
