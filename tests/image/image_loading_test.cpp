// Loading: what happens to the number on each outcome, files that are
// neither bitmaps nor icons, files too large to hold, and the decoder
// registry.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "image/image_decoders.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

using ImageLoadingTest = ImageTest;

std::string scratchPath(const std::string& name) {
    std::string directory = std::string(CELPACK_BINARY_DIR) + "/image_loading_test";
    std::filesystem::create_directories(directory);
    return testsupport::hostPath(directory + "/" + name);
}

TEST_F(ImageLoadingTest, AFileThatCannotBeReadLeavesTheNumberAlone) {
    HANDLE held = reinterpret_cast<HANDLE>(createImage(0, 4, 4));
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(loadData(0, "bmp/no_such_file.bmp"), 0);
    EXPECT_EQ(loadData(0, "bmp"), 0);  // a directory
    EXPECT_EQ(imageHandle(0), held);
}

TEST_F(ImageLoadingTest, ABlockNoPathTakesEmptiesTheNumber) {
    Bytes cursor = readData("ico/eight_4bit_magick.ico");
    put16(cursor, 2, 2);  // idType 2: a cursor file
    Bytes reserved = readData("ico/eight_4bit_magick.ico");
    put16(reserved, 0, 1);
    const char text[] = "BA not a bitmap, just text\n";
    struct {
        const char* what;
        Bytes block;
    } cases[] = {
        {"cursor", cursor},
        {"icon with idReserved 1", reserved},
        {"PNG", readData("other/eight_pillow.png")},
        {"text", Bytes(text, text + sizeof text - 1)},
        {"one byte B", {'B'}},
        {"nothing", {}},
    };
    for (const auto& c : cases) {
        ASSERT_NE(createImage(0, 4, 4), 0);
        EXPECT_EQ(decodeBytes(0, c.block), 0) << c.what;
        EXPECT_EQ(imageHandle(0), nullptr) << c.what;
    }
    ASSERT_NE(createImage(0, 4, 4), 0);
    EXPECT_EQ(loadData(0, "malformed/empty.bmp"), 0);
    EXPECT_EQ(imageHandle(0), nullptr);
    ASSERT_NE(createImage(0, 4, 4), 0);
    EXPECT_EQ(loadData(0, "other/eight_pillow.png"), 0);
    EXPECT_EQ(imageHandle(0), nullptr);
}

TEST_F(ImageLoadingTest, DynamicLoadsAnswerWithTheRecordAddress) {
    intptr_t bitmap = loadData(DYNAMIC_OBJECT, "bmp/gradient_24bit_magick.bmp");
    intptr_t icon = loadData(DYNAMIC_OBJECT, "ico/eight_4bit_magick.ico");
    ASSERT_NE(bitmap, 0);
    ASSERT_NE(icon, 0);
    EXPECT_EQ(reinterpret_cast<intptr_t>(findImage(bitmap)), bitmap);
    EXPECT_EQ(findImage(bitmap)->formatTag, IMAGE_FORMAT_BMP);
    EXPECT_EQ(findImage(icon)->formatTag, IMAGE_FORMAT_ICON);
    EXPECT_EQ(decodeBytes(DYNAMIC_OBJECT, Bytes{'x'}), 0);
    EXPECT_NE(freeImage(bitmap), 0);
    EXPECT_NE(freeImage(icon), 0);
}

TEST_F(ImageLoadingTest, AFileOf4GiBOrMoreIsRefusedBeforeReading) {
    // A sparse file: a valid bitmap at the start, 4 GiB beyond it.
    Bytes bitmap = readData("bmp/gradient_24bit_magick.bmp");
    std::string name = scratchPath("four_gib.bmp");
    ASSERT_TRUE(testsupport::writeFileBytes(name, bitmap));
    std::error_code error;
    std::filesystem::resize_file(name, (1ull << 32) + bitmap.size(), error);
    if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
    HANDLE held = reinterpret_cast<HANDLE>(createImage(0, 4, 4));
    EXPECT_EQ(loadImage(0, wide(name).c_str()), 0);
    EXPECT_EQ(imageHandle(0), held);
    std::filesystem::remove(name);
}

// A small format of the tests' own for the registry: "RAW" and a version
// digit, width and height bytes, then pixels of three bytes (blue, green,
// red), top row first.
HBITMAP decodeRaw(const uint8_t* block, uint32_t length, uint32_t* sourceDepth) {
    if (length < 6) return 0;
    int width = block[4], height = block[5];
    if (length < 6u + 3u * width * height) return 0;
    HBITMAP bitmap = createImageBitmap(width, height, 24);
    BITMAPINFO info = dibtest::bitmapInfo(width, -height, 24);
    Bytes rows;
    for (int y = 0; y < height; ++y) {
        rows.insert(rows.end(), block + 6 + 3 * width * y, block + 6 + 3 * width * (y + 1));
        rows.resize((rows.size() + 3) / 4 * 4);
    }
    HDC dc = CreateCompatibleDC(NULL);
    SetDIBits(dc, bitmap, 0, height, rows.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    *sourceDepth = 24;
    return bitmap;
}
int probeRaw1(const uint8_t* block, uint32_t length) {
    return length >= 4 && memcmp(block, "RAW1", 4) == 0;
}
int probeRawAny(const uint8_t* block, uint32_t length) {
    return length >= 3 && memcmp(block, "RAW", 3) == 0;
}
int ended;
void endRaw() { ++ended; }
int64_t offered = -1;  // the length the last probe was offered
int probeNothing(const uint8_t*, uint32_t length) {
    offered = length;
    return 0;
}

TEST_F(ImageLoadingTest, RegisteredDecodersTakeWhatTheyRecogniseInOrder) {
    const Bytes raw1 = {'R', 'A', 'W', '1', 2, 1, 0, 0, 255, 255, 0, 0};
    const Bytes raw2 = {'R', 'A', 'W', '2', 1, 1, 0, 255, 0};
    EXPECT_EQ(decodeBytes(0, raw1), 0) << "the registry starts empty";

    static const ImageDecoder first = {0x31574152, probeRaw1, decodeRaw, endRaw};      // "RAW1"
    static const ImageDecoder second = {0x3F574152, probeRawAny, decodeRaw, nullptr};  // "RAW?"
    ASSERT_TRUE(registerImageDecoder(&first));
    ASSERT_TRUE(registerImageDecoder(&second));
    ASSERT_NE(decodeBytes(0, raw1), 0);
    EXPECT_EQ(findImage(0)->formatTag, 0x31574152u);
    EXPECT_EQ(findImage(0)->width, 2);
    EXPECT_EQ(findImage(0)->sourceDepth, 24);
    EXPECT_EQ(sectionPixels(imageHandle(0)).rgb(), Bytes({255, 0, 0, 0, 0, 255}));
    ASSERT_NE(decodeBytes(0, raw2), 0);
    EXPECT_EQ(findImage(0)->formatTag, 0x3F574152u);
    // Bitmaps and icons never reach the decoders.
    ASSERT_NE(loadData(0, "bmp/gradient_24bit_magick.bmp"), 0);
    EXPECT_EQ(findImage(0)->formatTag, IMAGE_FORMAT_BMP);
    // A taker that fails is a failed load; later decoders are not asked.
    EXPECT_EQ(decodeBytes(0, Bytes({'R', 'A', 'W', '1', 9, 9})), 0);
    // No block is an empty one, whatever length comes with it.
    static const ImageDecoder last = {0x3F3F3F3F, probeNothing, decodeRaw, nullptr};
    ASSERT_TRUE(registerImageDecoder(&last));
    EXPECT_EQ(decodeImageMemory(0, nullptr, 10), 0);
    EXPECT_EQ(offered, 0);

    ended = 0;
    endImageDecoders();
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(decodeBytes(0, raw1), 0);
    for (int i = 0; i < IMAGE_DECODER_LIMIT; ++i) ASSERT_TRUE(registerImageDecoder(&second));
    EXPECT_FALSE(registerImageDecoder(&second));
    endImageDecoders();
}

}  // namespace
