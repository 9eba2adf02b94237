// Icon files: which entry is loaded, what the icon shows, the record it
// gets, and directories or images that do not fit their block.
#include <gtest/gtest.h>

#include "image/icon_file.h"
#include "image/load_failure.h"
#include "image_test_support.h"

using namespace imagetest;

namespace {

struct IconFixture {
    const char* file;
    const char* expected;  // the picture of the entry that must be chosen
    int size;
};

const IconFixture iconFixtures[] = {
    {"ico/sizes_32bit_magick.ico", "ico/sizes_16.rgb", 16},
    {"ico/sizes_png_pillow.ico", "ico/sizes_16.rgb", 16},
    {"ico/eight_4bit_magick.ico", "ico/eight_4bit_magick.rgb", 16},
    {"ico/duo_1bit_magick.ico", "ico/duo_1bit_magick.rgb", 16},
    {"ico/eight_4bit_core.ico", "ico/eight_4bit_core.rgb", 16},
    {"ico/sheet_png_magick.ico", "ico/sheet_png.rgb", 256},
    {"ico/sheet_png_pillow.ico", "ico/sheet_png.rgb", 256},
};

// The icon loaded as image 0 is width x height and shows `rgb`.
void expectIconOf(intptr_t result, int width, int height, const Bytes& rgb) {
    ASSERT_NE(result, 0);
    const ImageObject* record = findImage(0);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(result, reinterpret_cast<intptr_t>(record->handle));
    EXPECT_NE(GetObjectType(record->handle), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(record->formatTag, IMAGE_FORMAT_ICON);
    EXPECT_EQ(record->width, width);
    EXPECT_EQ(record->height, height);
    // The colour bitmap of every icon is held at 32 bits.
    EXPECT_EQ(record->depth, 32);
    EXPECT_EQ(record->sourceDepth, 32);
    Pixels pixels = iconPixels(static_cast<HICON>(record->handle));
    EXPECT_EQ(pixels.width, width);
    EXPECT_EQ(pixels.height, height);
    EXPECT_EQ(rgbDifference(pixels.rgb(), rgb, width), "");
}

void expectIcon(intptr_t result, const std::string& expected, int size) {
    expectIconOf(result, size, size, readData(expected));
}

class IconFixtureTest : public ImageTest, public ::testing::WithParamInterface<IconFixture> {};

TEST_P(IconFixtureTest, LoadsTheFirstSizeAtItsDeepest) {
    const IconFixture& fixture = GetParam();
    expectIcon(loadData(0, fixture.file), fixture.expected, fixture.size);
}

INSTANTIATE_TEST_SUITE_P(Writers, IconFixtureTest, ::testing::ValuesIn(iconFixtures),
                         [](const ::testing::TestParamInfo<IconFixture>& info) {
                             std::string name = info.param.file + 4;
                             return name.substr(0, name.size() - 4);
                         });

// ---- Directories assembled from the fixtures' images.

struct Entry {
    Bytes image;
    uint8_t width, height;
    uint16_t bitCount;  // as the directory says, whatever the image holds
};

Entry entryOf(const std::string& file, int index, int bitCount = -1) {
    Bytes icon = readData(file);
    size_t at = 6 + 16 * index;
    uint32_t length = get32(icon, at + 8), offset = get32(icon, at + 12);
    Entry entry;
    entry.image.assign(icon.begin() + offset, icon.begin() + offset + length);
    entry.width = icon[at];
    entry.height = icon[at + 1];
    entry.bitCount = bitCount >= 0 ? bitCount : icon[at + 6] | icon[at + 7] << 8;
    return entry;
}

Bytes iconFile(const std::vector<Entry>& entries) {
    Bytes file(6 + 16 * entries.size());
    put16(file, 2, 1);
    put16(file, 4, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        size_t at = 6 + 16 * i;
        file[at] = entries[i].width;
        file[at + 1] = entries[i].height;
        put16(file, at + 4, 1);
        put16(file, at + 6, entries[i].bitCount);
        put32(file, at + 8, static_cast<uint32_t>(entries[i].image.size()));
        put32(file, at + 12, static_cast<uint32_t>(file.size()));
        file.insert(file.end(), entries[i].image.begin(), entries[i].image.end());
    }
    return file;
}

using IconChoiceTest = ImageTest;

TEST_F(IconChoiceTest, TheDeepestImageOfTheFirstEntrysSizeIsChosen) {
    const Entry duo16 = entryOf("ico/duo_1bit_magick.ico", 0);       // 1 bit
    const Entry eight16 = entryOf("ico/eight_4bit_magick.ico", 0);   // 4 bits
    const Entry sizes16 = entryOf("ico/sizes_32bit_magick.ico", 0);  // 32 bits
    const Entry sizes32 = entryOf("ico/sizes_32bit_magick.ico", 1);
    const Entry sizes48 = entryOf("ico/sizes_32bit_magick.ico", 2);
    const Entry png16 = entryOf("ico/sizes_png_pillow.ico", 0);
    const Entry duo16said32 = entryOf("ico/duo_1bit_magick.ico", 0, 32);
    struct {
        const char* what;
        std::vector<Entry> entries;
        const char* expected;
        int size;
    } cases[] = {
        {"4 bits, 32 x 32, then 16 x 16 at 32 bits",
         {eight16, sizes32, sizes16},
         "ico/sizes_16.rgb",
         16},
        {"deepest first", {sizes16, duo16, eight16}, "ico/sizes_16.rgb", 16},
        {"deeper later", {duo16, eight16}, "ico/eight_4bit_magick.rgb", 16},
        {"larger and deeper never", {duo16, sizes48, sizes32}, "ico/duo_1bit_magick.rgb", 16},
        {"first of the first size", {sizes48, sizes16, sizes32}, "ico/sizes_48.rgb", 48},
        {"equal bit counts: the earlier", {duo16said32, sizes16}, "ico/duo_1bit_magick.rgb", 16},
        {"equal bit counts, swapped", {sizes16, duo16said32}, "ico/sizes_16.rgb", 16},
        {"PNG and bitmap images mixed", {duo16, png16}, "ico/sizes_16.rgb", 16},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = iconFile(c.entries);
        expectIcon(decodeBytes(0, file), c.expected, c.size);
    }
}

TEST_F(IconChoiceTest, DirectoriesAndImagesOutsideTheBlockAreRefused) {
    const Bytes good = readData("ico/eight_4bit_magick.ico");
    auto patched = [&](size_t at, uint32_t value, int size) {
        Bytes file = good;
        if (size == 2)
            put16(file, at, value);
        else
            put32(file, at, value);
        return file;
    };
    struct {
        const char* what;
        Bytes file;
    } refusals[] = {
        {"no entries", patched(4, 0, 2)},
        {"20 entries in 318 bytes", patched(4, 20, 2)},
        {"65535 entries", patched(4, 0xFFFF, 2)},
        {"image one byte longer than the block",
         patched(14, static_cast<uint32_t>(good.size()) - 22 + 1, 4)},
        {"image offset past the end", patched(18, static_cast<uint32_t>(good.size()), 4)},
        {"offset and length wrap", patched(18, 0xFFFFFFF0, 4)},
        {"image too short for its header", patched(14, 15, 4)},
        {"cursor", patched(2, 2, 2)},
    };
    for (const auto& r : refusals) {
        EXPECT_EQ(iconFromMemory(r.file.data(), static_cast<uint32_t>(r.file.size())), nullptr)
            << r.what;
        EXPECT_EQ(decodeBytes(0, r.file), 0) << r.what;
    }
    // Every truncation: the only image runs to the end of the file.
    for (size_t length = 0; length < good.size(); ++length) {
        Bytes part(good.begin(), good.begin() + length);
        EXPECT_EQ(decodeBytes(0, part), 0) << "cut to " << length;
    }
    for (const char* file :
         {"malformed/ico_count_past_end.ico", "malformed/ico_offset_wraps.ico",
          "malformed/ico_bytes_past_end.ico", "malformed/ico_image_too_short.ico"})
        EXPECT_EQ(loadData(0, file), 0) << file;
}

// Image headers at the edges of what both builds draw alike. The image
// holds exactly its header, table, colour rows and mask, so any field
// that makes one part longer pushes it past the end.
TEST_F(IconChoiceTest, ImageHeadersAreCheckedBeforeThePlatformSeesThem) {
    const Entry four = entryOf("ico/eight_4bit_magick.ico", 0);   // 40-byte header, 16 colours
    const Entry deep = entryOf("ico/sizes_32bit_magick.ico", 0);  // 16 x 16 at 32 bits
    auto with = [](Entry entry, size_t at, uint32_t value, int size) {
        if (size == 2)
            put16(entry.image, at, value);
        else
            put32(entry.image, at, value);
        return entry;
    };
    Entry masked = with(deep, 16, BI_BITFIELDS, 4);
    const uint8_t masks[12] = {0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    masked.image.insert(masked.image.begin() + 40, masks, masks + 12);
    const Entry core = entryOf("ico/eight_4bit_core.ico", 0);  // 12-byte header
    const LoadFailure loads = LoadFailure::None, outside = LoadFailure::DataOutsideFile,
                      encoding = LoadFailure::UnsupportedEncoding,
                      size = LoadFailure::SizeOutOfRange;
    // The reason names the loader's own check: a platform that refuses
    // the image as well would otherwise hide a check gone missing.
    const struct {
        const char* what;
        Entry entry;
        LoadFailure reason;
    } cases[] = {
        {"as written", four, loads},
        {"no colour count: the full table", with(four, 32, 0, 4), loads},
        {"an odd height counts one row less", with(four, 8, 33, 4), loads},
        {"masks after the header at 32 bits", masked, loads},
        {"core header as written", core, loads},
        {"one colour more than the data holds", with(four, 32, 17, 4), outside},
        {"masks announced, none there", with(deep, 16, BI_BITFIELDS, 4), outside},
        {"masks at 4 bits", with(four, 16, BI_BITFIELDS, 4), encoding},
        {"run-length compression", with(four, 16, BI_RLE4, 4), encoding},
        {"height 1: no row of colour", with(four, 8, 1, 4), size},
        {"negative height", with(four, 8, static_cast<uint32_t>(-32), 4), size},
        {"no planes", with(four, 12, 0, 2), encoding},
        {"no planes, core header", with(core, 8, 0, 2), encoding},
        {"two planes", with(four, 12, 2, 2), loads},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = iconFile({c.entry});
        HICON icon = iconFromMemory(file.data(), static_cast<uint32_t>(file.size()));
        EXPECT_EQ(icon != nullptr, c.reason == loads);
        if (icon) DestroyIcon(icon);
        EXPECT_EQ(decodeBytes(0, file) != 0, c.reason == loads);
        EXPECT_STREQ(loadFailureName(lastLoadFailure()), loadFailureName(c.reason));
    }
}

// ---- Images wider than tall and taller than wide: a side read from the
// other's field, or handed to the platform in the other's place, gives an
// icon of another shape or none.

const std::vector<uint32_t> sixteenColours = {
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// An entry of one opaque crafted image and the RGB it must show.
struct Shaped {
    const char* what;
    Entry entry;
    int width, height;
    Bytes rgb;
};

Shaped shaped(const char* what, int width, int height, int bits, bool core = false) {
    auto colour = [](int x, int y) {
        return uint32_t(0x20 + 9 * x) << 16 | (0x30 + 11 * y) << 8 | 0x80;
    };
    auto index = [](int x, int y) { return uint32_t(x + 3 * y) % 16; };
    crafted::Pixels pixels = colour;
    if (bits != 32) pixels = index;
    Shaped out{what, {}, width, height, {}};
    out.entry.image = crafted::iconImage(
        width, height, bits, pixels, bits == 32 ? std::vector<uint32_t>{} : sixteenColours, core);
    out.entry.width = static_cast<uint8_t>(width);
    out.entry.height = static_cast<uint8_t>(height);
    out.entry.bitCount = static_cast<uint16_t>(bits);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint32_t value = bits == 32 ? colour(x, y) : sixteenColours[index(x, y)];
            out.rgb.insert(out.rgb.end(), {static_cast<unsigned char>(value >> 16),
                                           static_cast<unsigned char>(value >> 8),
                                           static_cast<unsigned char>(value)});
        }
    return out;
}

TEST_F(IconChoiceTest, WideAndTallImagesKeepTheirShape) {
    // The PNG fixture is 4 x 3: red 200, green 60 a row, blue 40 a column.
    Shaped png{"PNG, 4 x 3", {readData("icons/rgba_4x3_pillow.png"), 4, 3, 32}, 4, 3, {}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            png.rgb.insert(png.rgb.end(), {200, static_cast<unsigned char>(60 * y),
                                           static_cast<unsigned char>(40 * x)});
    // No side equals the other or twice the other: the header's height
    // counts colour and mask rows together.
    const Shaped cases[] = {
        shaped("32 bits, 24 x 8", 24, 8, 32),
        shaped("32 bits, 8 x 24", 8, 24, 32),
        shaped("4 bits, 20 x 6", 20, 6, 4),
        shaped("4 bits, core header, 6 x 20", 6, 20, 4, true),
        shaped("4 bits, core header, 20 x 6", 20, 6, 4, true),
        png,
    };
    for (const Shaped& c : cases) {
        SCOPED_TRACE(c.what);
        expectIconOf(decodeBytes(0, iconFile({c.entry})), c.width, c.height, c.rgb);
    }
}

// The deepest image of the first entry's size is chosen: its width and its
// height, each from its own byte.
TEST_F(IconChoiceTest, BothSidesOfTheFirstEntryChooseTheImage) {
    const Shaped first = shaped("4 bits, 24 x 8", 24, 8, 4);
    const Shaped deeper = shaped("32 bits, 24 x 8", 24, 8, 32);
    const struct {
        const char* what;
        Shaped other;
        bool chosen;  // the other image, not the first
    } cases[] = {
        {"the same size, deeper", deeper, true},
        {"as wide, taller, deeper", shaped("32 bits, 24 x 16", 24, 16, 32), false},
        {"as tall as the first is wide, deeper", shaped("32 bits, 24 x 24", 24, 24, 32), false},
        {"the sides swapped, deeper", shaped("32 bits, 8 x 24", 8, 24, 32), false},
        {"as tall, narrower, deeper", shaped("32 bits, 16 x 8", 16, 8, 32), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Shaped& shown = c.chosen ? c.other : first;
        expectIconOf(decodeBytes(0, iconFile({first.entry, c.other.entry})), shown.width,
                     shown.height, shown.rgb);
    }
}

// An 8-bit image announcing `coloursUsed` colours and holding `entries`
// table entries, then its rows and mask, cut by `shortBy` bytes.
Entry eightBitImage(uint32_t coloursUsed, size_t entries, size_t shortBy = 0) {
    Entry entry;
    entry.width = entry.height = 16;
    entry.bitCount = 8;
    entry.image.assign(40 + entries * 4 + 16 * 16 + 16 * 4, 0);
    put32(entry.image, 0, 40);
    put32(entry.image, 4, 16);
    put32(entry.image, 8, 32);
    put16(entry.image, 12, 1);
    put16(entry.image, 14, 8);
    put32(entry.image, 32, coloursUsed);
    for (size_t i = 0; i < entries; ++i) put32(entry.image, 40 + i * 4, 0x00FFFFFF);
    entry.image.resize(entry.image.size() - shortBy);
    return entry;
}

// The table the platform skips holds biClrUsed entries, never more than
// 256; with none announced, the full table of the bit count.
TEST_F(IconChoiceTest, ColourTablesAreMeasuredAsThePlatformSkipsThem) {
    const struct {
        const char* what;
        Entry entry;
        LoadFailure reason;
    } cases[] = {
        {"none announced, 256 there", eightBitImage(0, 256), LoadFailure::None},
        {"255 announced and there", eightBitImage(255, 255), LoadFailure::None},
        {"256 announced and there", eightBitImage(256, 256), LoadFailure::None},
        {"300 announced, 256 there", eightBitImage(300, 256), LoadFailure::None},
        {"none announced, one byte short", eightBitImage(0, 256, 1), LoadFailure::DataOutsideFile},
        {"255 announced, one byte short", eightBitImage(255, 255, 1), LoadFailure::DataOutsideFile},
        {"256 announced, one byte short", eightBitImage(256, 256, 1), LoadFailure::DataOutsideFile},
        {"300 announced, one byte short", eightBitImage(300, 256, 1), LoadFailure::DataOutsideFile},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes file = iconFile({c.entry});
        EXPECT_EQ(decodeBytes(0, file) != 0, c.reason == LoadFailure::None);
        EXPECT_STREQ(loadFailureName(lastLoadFailure()), loadFailureName(c.reason));
    }
}

TEST_F(IconChoiceTest, APngImageIsAskedForAtItsOwnSize) {
    // Asked at the size in the PNG header the icon keeps its 256 x 256;
    // a size read from the wrong bytes would be refused and the icon
    // rebuilt at a smaller default size.
    Bytes file = readData("ico/sheet_png_pillow.ico");
    HICON icon = iconFromMemory(file.data(), static_cast<uint32_t>(file.size()));
    ASSERT_NE(icon, nullptr);
    Pixels pixels = iconPixels(icon);
    EXPECT_EQ(pixels.width, 256);
    EXPECT_EQ(pixels.height, 256);
    DestroyIcon(icon);
}

}  // namespace
