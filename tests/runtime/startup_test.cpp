// The start-up and shut-down sequences with libraries that record what
// they see, on both builds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/parameters.h"
#include "runtime/runtime.h"
#include "runtime/strings.h"

namespace {

std::vector<std::string> steps;

// Each step notes its name and what the runtime had ready when it ran:
// R runtime heap, S string heap with its workspace, A alpha blend entry.
void note(const char* name) {
    std::string seen = name;
    seen += ':';
    if (runtimeHeap) {
        void* record = takeRecord(8);
        if (record) seen += 'R';
        giveBackRecord(record);
    }
    if (stringHeap && stringWorkspace.buffer) seen += 'S';
    if (alphaBlendEntry) seen += 'A';
    steps.push_back(seen);
}

const RuntimeLibraries recording = {
    [] { note("imageDecoders"); }, [] { note("images"); },   [] { note("drawing"); },
    [] { note("files"); },         [] { note("endFiles"); }, [] { note("endImages"); },
};

TEST(Startup, RunsEveryStepInItsOrderWithWhatItNeeds) {
    steps.clear();
    startRuntime(&recording);
    const std::vector<std::string> started = {
        "imageDecoders:RS",
        "images:RSA",
        "drawing:RSA",
        "files:RSA",
    };
    EXPECT_EQ(steps, started);
    EXPECT_NE(alphaBlendEntry, nullptr);
    EXPECT_EQ(joinTemporary(UTF16("first"), UTF16("")), stringWorkspace.buffer)
        << "the first temporary starts the workspace";
    EXPECT_EQ(parameterCursor(), 0);

    steps.clear();
    stopRuntime();
    const std::vector<std::string> stopped = {"endFiles:RSA", "endImages:RSA"};
    EXPECT_EQ(steps, stopped);
    EXPECT_EQ(runtimeHeap, nullptr);
    EXPECT_EQ(stringHeap, nullptr);
    EXPECT_EQ(alphaBlendEntry, nullptr);
    EXPECT_EQ(takeRecord(4), nullptr) << "no heap after the stop";
}

TEST(Startup, MissingRoutinesAreSkippedAndTheRuntimeRestarts) {
    const RuntimeLibraries none = {};
    for (int round = 0; round < 3; ++round) {
        startRuntime(round == 1 ? nullptr : &none);
        ASSERT_NE(runtimeHeap, nullptr);
        ASSERT_NE(stringHeap, nullptr);
        EXPECT_NE(runtimeHeap, stringHeap);
        EXPECT_EQ(parameterCursor(), 0);
        EXPECT_NE(keepString(UTF16("left for the heap to take")), nullptr);
        stopRuntime();
    }
}

TEST(Startup, RecordsComeZeroFilledFromTheRuntimeHeap) {
    startRuntime(nullptr);
    for (SIZE_T bytes : {SIZE_T(1), SIZE_T(24), SIZE_T(4096), SIZE_T(100000)}) {
        unsigned char* record = static_cast<unsigned char*>(takeRecord(bytes));
        ASSERT_NE(record, nullptr);
        SIZE_T nonZero = 0;
        for (SIZE_T i = 0; i < bytes; ++i) nonZero += record[i] != 0;
        EXPECT_EQ(nonZero, 0u) << bytes;
        EXPECT_EQ(HeapSize(runtimeHeap, 0, record), bytes);
        memset(record, 0xEE, bytes);
        giveBackRecord(record);
    }
    giveBackRecord(nullptr);
    stopRuntime();
}

}  // namespace
