// Every native test ends with what it began with: the blocks of the
// runtime's heaps and of the process heap, the platform objects other than
// the stock ones, and the open file descriptors. A file, session or image
// a test opens and closes, or that the code under test opens for itself,
// must give everything back; the check names what was left over.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>

#include "support/native_fakes.h"
#include "runtime/heaps.h"
#include "runtime/strings.h"

namespace {

struct Counts {
    HANDLE runtime, strings;
    long runtimeBlocks, stringBlocks, processBlocks, objects, descriptors;
};

long openDescriptors() {
    long count = 0;
    if (DIR* directory = opendir("/proc/self/fd")) {
        while (readdir(directory)) ++count;
        closedir(directory);
    }
    return count;
}

Counts countNow() {
    Counts counts;
    counts.runtime = runtimeHeap;
    counts.strings = stringHeap;
    counts.runtimeBlocks = runtimeHeap ? nativeHeapBlockCount(runtimeHeap) : 0;
    counts.stringBlocks = stringHeap ? nativeHeapBlockCount(stringHeap) : 0;
    counts.processBlocks = nativeHeapBlockCount(GetProcessHeap());
    counts.objects = nativeObjectCount();
    counts.descriptors = openDescriptors();
    return counts;
}

class BalanceCheck : public testing::EmptyTestEventListener {
    Counts before_{};

    void OnTestStart(const testing::TestInfo&) override { before_ = countNow(); }

    // Called before the result printer's: a failure here is the test's own.
    void OnTestEnd(const testing::TestInfo& test) override {
        if (test.result()->Failed() || test.result()->Skipped()) return;
        Counts after = countNow();
        std::string left;
        auto compare = [&](const char* what, long was, long is) {
            if (was != is)
                left += std::string(" ") + what + " " + std::to_string(was) + " -> " +
                        std::to_string(is) + ";";
        };
        // A heap made or destroyed by the test (a runtime started or
        // stopped) has nothing to compare with.
        if (before_.runtime && before_.runtime == after.runtime)
            compare("runtime heap blocks", before_.runtimeBlocks, after.runtimeBlocks);
        if (before_.strings && before_.strings == after.strings)
            compare("string heap blocks", before_.stringBlocks, after.stringBlocks);
        compare("process heap blocks", before_.processBlocks, after.processBlocks);
        compare("platform objects", before_.objects, after.objects);
        compare("open descriptors", before_.descriptors, after.descriptors);
        if (!left.empty()) ADD_FAILURE() << "left over after the test:" << left;
    }
};

// Installed before main runs, in every native test program.
const bool installed = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new BalanceCheck);
    return true;
}();

}  // namespace
