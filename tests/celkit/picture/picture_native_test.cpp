// The BMP/ICO road when the platform fails one of its objects: every
// failure is a refusal naming the step that failed, never a picture of
// nothing, and every object is given back.
#include <gtest/gtest.h>

#include <set>

#include "celkit/picture/picture.h"
#include "support/native_fakes.h"
#include "support/crafted_files.h"

namespace celkit {
namespace {

TEST(BitmapRoad, APlatformFailureIsARefusalNamingTheStep) {
    // An icon: the platform makes it, the canvas and its drawing context,
    // then converts the icon to draw it, each step of several objects.
    auto pixels = [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0x00FF00u; };
    std::vector<std::uint8_t> file = crafted::iconFile(16, pixels);
    const std::string decode = "not a BMP or ICO picture that can be decoded (",
                      canvas = "no memory for a canvas of 16 x 16",
                      draw = "the picture could not be drawn on the canvas";
    std::set<std::string> steps;
    long objects = nativeObjectCount();
    for (long n = 1; n <= 40; ++n) {
        SCOPED_TRACE(n);
        nativeFailObjects(n);
        Picture picture;
        std::string error;
        bool read = readPicture(file, picture, error);
        nativeFailObjects(0);
        EXPECT_EQ(nativeObjectCount(), objects);
        if (!read) {
            std::string step = error.compare(0, decode.size(), decode) == 0 ? decode : error;
            EXPECT_TRUE(step == decode || step == canvas || step == draw) << error;
            steps.insert(step);
            EXPECT_EQ(picture.pixelCount(), 0u);
            continue;
        }
        ASSERT_EQ(picture.width, 16);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(picture.at(x, y), (x + y) % 2 ? 0u : 0x00FF00u) << x << "," << y;
    }
    EXPECT_EQ(steps, (std::set<std::string>{decode, canvas, draw}));
}

}  // namespace
}  // namespace celkit
