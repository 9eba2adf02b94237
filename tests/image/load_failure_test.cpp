// Every refused picture is refused for its own reason, told by the stage of
// the reader that stopped; every kept malformed file has its row here.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "image/load_failure.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

using LoadFailureTest = ImageTest;

const struct {
    const char* file;
    LoadFailure reason;
} reasons[] = {
    {"malformed/empty.bmp", LoadFailure::UnknownFormat},
    {"other/eight_pillow.png", LoadFailure::UnknownFormat},
    {"malformed/bmp_header_size_huge.bmp", LoadFailure::TruncatedHeader},
    {"malformed/bmp_huge_sides.bmp", LoadFailure::SizeOutOfRange},
    {"malformed/bmp_height_most_negative.bmp", LoadFailure::SizeOutOfRange},
    {"malformed/bmp_colour_table_cut.bmp", LoadFailure::DataOutsideFile},
    {"malformed/bmp_offbits_past_end.bmp", LoadFailure::DataOutsideFile},
    {"malformed/bmp_offbits_wraps.bmp", LoadFailure::DataOutsideFile},
    {"malformed/bmp_offbits_zero_cut.bmp", LoadFailure::DataOutsideFile},
    {"malformed/bmp_rle8_size_past_end.bmp", LoadFailure::DataOutsideFile},
    {"malformed/bmp_rle8_too_costly.bmp", LoadFailure::TooCostly},
    {"malformed/ico_count_past_end.ico", LoadFailure::TruncatedHeader},
    {"malformed/ico_image_too_short.ico", LoadFailure::TruncatedHeader},
    {"malformed/ico_offset_wraps.ico", LoadFailure::DataOutsideFile},
    {"malformed/ico_bytes_past_end.ico", LoadFailure::DataOutsideFile},
    {"malformed/ico_bit_count_0.ico", LoadFailure::UnsupportedEncoding},
    {"malformed/ico_bit_count_3.ico", LoadFailure::UnsupportedEncoding},
    {"malformed/ico_core_bit_count_0.ico", LoadFailure::UnsupportedEncoding},
    {"malformed/ico_header_size_108.ico", LoadFailure::UnsupportedEncoding},
    {"malformed/ico_png_16bit.ico", LoadFailure::UnsupportedEncoding},
    {"malformed/ico_width_0.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_core_width_0.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_height_0.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_width_32768.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_height_32768.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_png_width_0.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_png_width_32768.ico", LoadFailure::SizeOutOfRange},
    {"malformed/ico_table_cut.ico", LoadFailure::DataOutsideFile},
    {"malformed/ico_colour_rows_cut.ico", LoadFailure::DataOutsideFile},
    {"malformed/ico_mask_cut.ico", LoadFailure::DataOutsideFile},
    {"malformed/ico_png_too_costly.ico", LoadFailure::TooCostly},
    // Read safely, not refused.
    {"malformed/bmp_colours_used_huge.bmp", LoadFailure::None},
    {"bmp/indexed_rle8_magick.bmp", LoadFailure::None},
    {"ico/eight_4bit_core.ico", LoadFailure::None},
};

TEST_F(LoadFailureTest, EachFileIsRefusedForItsOwnReason) {
    for (const auto& row : reasons) {
        SCOPED_TRACE(row.file);
        intptr_t result = loadData(0, row.file);
        EXPECT_EQ(result != 0, row.reason == LoadFailure::None);
        EXPECT_STREQ(loadFailureName(lastLoadFailure()), loadFailureName(row.reason));
    }
}

TEST_F(LoadFailureTest, EveryKeptMalformedFileHasItsReason) {
    std::set<std::string> listed;
    for (const auto& row : reasons) listed.insert(row.file);
    for (const auto& entry : std::filesystem::directory_iterator(dataPath("malformed")))
        EXPECT_EQ(listed.count("malformed/" + entry.path().filename().string()), 1u)
            << entry.path().filename().string() << " has no row";
}

TEST_F(LoadFailureTest, AFileThatCannotBeReadIsUnreadableAndTheImageStays) {
    ASSERT_NE(loadData(0, "ico/eight_4bit_magick.ico"), 0);
    EXPECT_EQ(loadData(0, "no/such/picture.bmp"), 0);
    EXPECT_EQ(lastLoadFailure(), LoadFailure::Unreadable);
    EXPECT_NE(imageHandle(0), nullptr);
}

}  // namespace
