// Every malformed fixture and every input the fuzzer once tripped on walks
// the tool's road from decoding to the scanned font (the fuzz target's own
// road). Each must either be refused, leaving no image behind, or give a
// font of exactly 8192 bytes; natively the runtime heap must be back where
// it was after the images are freed.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fuzz/picture_to_font.h"
#include "support/test_support.h"
#ifndef _WIN32
#include "support/native_fakes.h"
#endif

namespace {

std::vector<std::string> filesIn(const std::string& directory) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error))
        if (entry.is_regular_file()) files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

class PictureRoad : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override { startRuntime(pictureToFont::libraries()); }
    void TearDown() override { stopRuntime(); }
};

TEST_P(PictureRoad, EveryInputIsRefusedOrGivesAWholeFont) {
    std::string directory = std::string(CELPACK_TEST_DATA) + GetParam();
    std::vector<std::string> files = filesIn(directory);
    if (files.empty() && std::string(GetParam()) != "/malformed")
        GTEST_SKIP() << "no fuzz finding kept yet";
    ASSERT_FALSE(files.empty()) << "no inputs in " << directory;

    pictureToFont::Outcome outcome;
    ASSERT_TRUE(pictureToFont::warmUp(&outcome));
#ifndef _WIN32
    long blocksAtRest = nativeHeapBlockCount(runtimeHeap);
#endif
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        std::vector<unsigned char> bytes = testsupport::readFileBytes(file);
        // An exact-size copy, so that a read past the end is caught; an
        // empty file is still a block, as a 0-byte read gives one.
        std::vector<unsigned char> block(bytes);
        static const unsigned char nothing = 0;
        pictureToFont::walk(block.empty() ? &nothing : block.data(), block.size(), &outcome);
        if (outcome.loaded)
            EXPECT_EQ(outcome.sinkCalls, outcome.conversion == Conversion::done ? fontFileSize : 0);
        else
            EXPECT_EQ(imageHandle(0), nullptr);
#ifndef _WIN32
        EXPECT_EQ(nativeHeapBlockCount(runtimeHeap), blocksAtRest);
#endif
    }
}

INSTANTIATE_TEST_SUITE_P(Inputs, PictureRoad,
                         ::testing::Values("/malformed", "/../../fuzz/regressions/image_road"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return info.index == 0 ? std::string("MalformedFixtures")
                                                    : std::string("FuzzRegressions");
                         });

}  // namespace
