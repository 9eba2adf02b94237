// SetDIBits and GetDIBits against hand-made source bytes. Every expected
// byte is written out; the destination starts as 0x11 bytes so that pixels
// a conversion must leave alone are seen to stay.
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "tests/platform/dib_test_bytes.h"

using dibtest::hex;
using dibtest::hexOf;
using dibtest::plain;

namespace {

const char* const palette = "00000000 0a0b0c00 1a1b1c00 2a2b2c00 3a3b3c00 4a4b4c00";
const char* const fourEntries = "0a0b0c00 1a1b1c00 2a2b2c00 3a3b3c00";
const char* const threeRows = "a1a2a300 b1b2b300 c1c2c300";
const char* const fiveRows = "a1a2a300 b1b2b300 c1c2c300 d1d2d300 e1e2e300";
const UINT minus3 = static_cast<UINT>(-3);

struct SetCase {
    const char* name;
    int width, height, depth;  // destination section; negative height: top-down
    UINT start, lines;
    // Source: a 40-byte header of these fields followed by `after`, unless
    // `rawInfo` gives the whole description. Run-length data gets its own
    // length as biSizeImage.
    int sourceWidth, sourceHeight, sourceBits;
    DWORD compression, coloursUsed;
    const char* after;
    const char* rawInfo;
    const char* source;
    int result;
    const char* expected;  // destination memory, rows in memory order
};

const SetCase setCases[] = {
    // Colour tables.
    {.name = "1 bit",
     .width = 9,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 9,
     .sourceHeight = 1,
     .sourceBits = 1,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "0a0b0c00 f0f1f200",
     .source = "a5800000",
     .result = 1,
     .expected = "f0f1f2 0a0b0c f0f1f2 0a0b0c 0a0b0c f0f1f2 0a0b0c f0f1f2 f0f1f2 11"},
    {.name = "4 bit, short table",
     .width = 4,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 4,
     .sourceHeight = 1,
     .sourceBits = 4,
     .compression = BI_RGB,
     .coloursUsed = 2,
     .after = fourEntries,
     .source = "01230000",
     .result = 1,
     .expected = "0a0b0c 1a1b1c 000000 000000"},
    {.name = "8 bit, index past the table",
     .width = 4,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 4,
     .sourceHeight = 1,
     .sourceBits = 8,
     .compression = BI_RGB,
     .coloursUsed = 2,
     .after = fourEntries,
     .source = "02ff0100",
     .result = 1,
     .expected = "000000 000000 1a1b1c 0a0b0c"},
    {.name = "1 bit into 32 gives alpha 0",
     .width = 10,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 10,
     .sourceHeight = 1,
     .sourceBits = 1,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "0a0b0c80 f0f1f2ff",
     .source = "a5c00000",
     .result = 1,
     .expected = "f0f1f200 0a0b0c00 f0f1f200 0a0b0c00 0a0b0c00 f0f1f200 0a0b0c00 f0f1f200 f0f1f200 "
                 "f0f1f200"},
    {.name = "4 bit odd width into 32, short table",
     .width = 3,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 3,
     .sourceHeight = 1,
     .sourceBits = 4,
     .compression = BI_RGB,
     .coloursUsed = 2,
     .after = fourEntries,
     .source = "10200000",
     .result = 1,
     .expected = "1a1b1c00 0a0b0c00 00000000"},
    {.name = "8 bit into 32, index past the table",
     .width = 3,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 3,
     .sourceHeight = 1,
     .sourceBits = 8,
     .compression = BI_RGB,
     .coloursUsed = 3,
     .after = fourEntries,
     .source = "0203ff00",
     .result = 1,
     .expected = "2a2b2c00 00000000 00000000"},
    {.name = "8 bit, biClrUsed over 256",
     .width = 4,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 4,
     .sourceHeight = 1,
     .sourceBits = 8,
     .compression = BI_RGB,
     .coloursUsed = 300,
     .after = fourEntries,
     .source = "00010203",
     .result = 1,
     .expected = "0a0b0c 1a1b1c 2a2b2c 3a3b3c"},
    {.name = "core header, RGBTRIPLE table",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .rawInfo = "0c000000 0200 0100 0100 0800 0a0b0c 1a1b1c 2a2b2c",
     .source = "0102 0000",
     .result = 1,
     .expected = "1a1b1c 2a2b2c 1111"},
    {.name = "V4 header, table behind it",
     .width = 4,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .rawInfo = "6c000000 04000000 01000000 0100 0800 00000000 00000000 00000000 00000000 04000000 "
                "00000000"
                "00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000"
                "00000000 00000000 00000000 00000000 00000000 00000000 00000000 00000000 c0c1c200 "
                "c1c1c200 c2c1c200",
     .source = "00010200",
     .result = 1,
     .expected = "c0c1c2 c1c1c2 c2c1c2 c0c1c2"},
    // 16 and 32 bits: masks and channel widths.
    {.name = "16 bit 5-5-5",
     .width = 3,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 3,
     .sourceHeight = 1,
     .sourceBits = 16,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = "1f00 007c 1042 0000",
     .result = 1,
     .expected = "ff0000 0000ff 848484 111111"},
    {.name = "16 bit 5-6-5 masks",
     .width = 3,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 3,
     .sourceHeight = 1,
     .sourceBits = 16,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "00f80000 e0070000 1f000000",
     .source = "1f00 e007 1084 0000",
     .result = 1,
     .expected = "ff0000 00ff00 848284 111111"},
    {.name = "16 bit 1-bit and 3-bit channels, split mask",
     .width = 1,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 1,
     .sourceHeight = 1,
     .sourceBits = 16,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "00050000 e0000000 1f000000",
     .source = "ffff0000",
     .result = 1,
     .expected = "fffcc0 11"},
    {.name = "16 bit 1-bit channels",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 16,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "00800000 00400000 00200000",
     .source = "00e0 00a0",
     .result = 1,
     .expected = "c0c0c0 c000c0 1111"},
    {.name = "32 bit 10-10-10 masks",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 32,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "0000f03f 00fc0f00 ff030000",
     .source = "ff030000 00020820",
     .result = 1,
     .expected = "ff0000 808080 1111"},
    {.name = "32 bit 20-, 4- and 8-bit masks",
     .width = 1,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 1,
     .sourceHeight = 1,
     .sourceBits = 32,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "00f0ffff 0f000000 f00f0000",
     .source = "0580f0ff",
     .result = 1,
     .expected = "0055ff 11"},
    {.name = "32 bit into 32 keeps alpha",
     .width = 2,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 32,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = "01020380 04050600",
     .result = 1,
     .expected = "01020380 04050600"},
    {.name = "24 bit into 32 gives alpha 0",
     .width = 2,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = "010203 040506 0000",
     .result = 1,
     .expected = "01020300 04050600"},
    {.name = "32 bit other masks into 32 gives alpha 0",
     .width = 2,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 32,
     .compression = BI_BITFIELDS,
     .coloursUsed = 0,
     .after = "ff000000 00ff0000 0000ff00",
     .source = "01020380 04050600",
     .result = 1,
     .expected = "03020100 06050400"},
    {.name = "32 bit into 24",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 32,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = "01020380 04050600",
     .result = 1,
     .expected = "010203 040506 1111"},
    {.name = "V4 header masks",
     .width = 1,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .rawInfo = "6c000000 01000000 01000000 0100 2000 03000000 00000000 00000000 00000000 00000000 "
                "00000000"
                "0000ff00 00ff0000 ff000000 000000ff",
     .source = "01020380",
     .result = 1,
     .expected = "01020380"},
    {.name = "V5 header, BI_RGB ignores its masks",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .rawInfo = "7c000000 02000000 01000000 0100 1000 00000000 00000000 00000000 00000000 00000000 "
                "00000000"
                "00f80000 e0070000 1f000000 00000000",
     .source = "1f00 e007",
     .result = 1,
     .expected = "ff0000 00ff08 1111"},
    // Which rows land where.
    {.name = "start 1 lines 1",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 1,
     .lines = 1,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 1,
     .expected = "11111111 | a1a2a311 | 11111111"},
    {.name = "lines past the height",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 5,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 3,
     .expected = "a1a2a311 | b1b2b311 | c1c2c311"},
    {.name = "start past the height",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 5,
     .lines = 3,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 3,
     .expected = "11111111 | 11111111 | 11111111"},
    {.name = "start at the height",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 3,
     .lines = 2,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 0,
     .expected = "11111111 | 11111111 | 11111111"},
    {.name = "shorter source shares the top row",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 1,
     .sourceHeight = 2,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 2,
     .expected = "11111111 | a1a2a311 | b1b2b311"},
    {.name = "taller source shares the top row",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 5,
     .sourceWidth = 1,
     .sourceHeight = 5,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = fiveRows,
     .result = 5,
     .expected = "c1c2c311 | d1d2d311 | e1e2e311"},
    {.name = "wider source is cut",
     .width = 2,
     .height = 1,
     .depth = 24,
     .start = 0,
     .lines = 1,
     .sourceWidth = 3,
     .sourceHeight = 1,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = "a1a2a3b1b2b3c1c2c3000000",
     .result = 1,
     .expected = "a1a2a3b1b2b3 1111"},
    {.name = "top-down source into bottom-up",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 1,
     .sourceHeight = -3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 3,
     .expected = "c1c2c311 | b1b2b311 | a1a2a311"},
    {.name = "top-down source into top-down",
     .width = 1,
     .height = -3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 1,
     .sourceHeight = -3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 3,
     .expected = "a1a2a311 | b1b2b311 | c1c2c311"},
    {.name = "top-down source, two lines",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 1,
     .sourceHeight = -3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 2,
     .expected = "b1b2b311 | a1a2a311 | 11111111"},
    {.name = "top-down source, negative count",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = minus3,
     .sourceWidth = 1,
     .sourceHeight = -3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = -3,
     .expected = "11111111 | 11111111 | 11111111"},
    {.name = "bottom-up source, negative count",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = minus3,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 3,
     .expected = "a1a2a311 | b1b2b311 | c1c2c311"},
    {.name = "no lines",
     .width = 1,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 0,
     .sourceWidth = 1,
     .sourceHeight = 3,
     .sourceBits = 24,
     .compression = BI_RGB,
     .coloursUsed = 0,
     .after = "",
     .source = threeRows,
     .result = 0,
     .expected = "11111111 | 11111111 | 11111111"},
    // Run-length data: 8 bits, 4 x 3.
    {.name = "RLE8 runs, ends of line",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0202 0000 0403 0000 0104 0305 0001",
     .result = 3,
     .expected = "0a0b0c0a0b0c1a1b1c1a1b1c | 2a2b2c2a2b2c2a2b2c2a2b2c | 3a3b3c4a4b4c4a4b4c4a4b4c"},
    {.name = "RLE8 run past the row is cut",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0602 0001",
     .result = 3,
     .expected = "0a0b0c0a0b0c1a1b1c1a1b1c | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 absolute run past the row is cut",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0006 010203040102 0001",
     .result = 3,
     .expected = "0a0b0c1a1b1c2a2b2c3a3b3c | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 odd absolute run is padded",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0003 01020300 0104 0001",
     .result = 3,
     .expected = "0a0b0c1a1b1c2a2b2c3a3b3c | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 delta skips pixels",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0101 0002 0101 0102 0001",
     .result = 3,
     .expected = "0a0b0c111111111111111111 | 1111111111111a1b1c111111 | 111111111111111111111111"},
    {.name = "RLE8 delta past the right edge",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0002 0500 0101 0001",
     .result = 3,
     .expected = "111111111111111111111111 | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 delta past the top",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0002 0005 0101 0001",
     .result = 3,
     .expected = "111111111111111111111111 | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 runs after the last row",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0000 0000 0000 0201 0000 0202 0001",
     .result = 3,
     .expected = "111111111111111111111111 | 111111111111111111111111 | 111111111111111111111111"},
    {.name = "RLE8 early ends of line",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0101 0000 0000 0103 0001",
     .result = 3,
     .expected = "0a0b0c111111111111111111 | 111111111111111111111111 | 2a2b2c111111111111111111"},
    {.name = "RLE8 data ending inside a row drops it",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0000 0202 0000 0203",
     .result = 3,
     .expected = "0a0b0c0a0b0c111111111111 | 1a1b1c1a1b1c111111111111 | 111111111111111111111111"},
    {.name = "RLE8 short table",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 2,
     .after = palette,
     .source = "0201 0202 0000 0003 01020300 0001",
     .result = 3,
     .expected = "0a0b0c0a0b0c000000000000 | 0a0b0c000000000000111111 | 111111111111111111111111"},
    {.name = "RLE8 ignores start and lines",
     .width = 4,
     .height = 3,
     .depth = 24,
     .start = 1,
     .lines = 1,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0000 0202 0000 0203 0001",
     .result = 3,
     .expected = "0a0b0c0a0b0c111111111111 | 1a1b1c1a1b1c111111111111 | 2a2b2c2a2b2c111111111111"},
    {.name = "RLE8 taller source shares the top row",
     .width = 4,
     .height = 2,
     .depth = 24,
     .start = 0,
     .lines = 3,
     .sourceWidth = 4,
     .sourceHeight = 3,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0000 0202 0000 0203 0001",
     .result = 3,
     .expected = "1a1b1c1a1b1c111111111111 | 2a2b2c2a2b2c111111111111"},
    {.name = "RLE8 into 32 bits",
     .width = 2,
     .height = 1,
     .depth = 32,
     .start = 0,
     .lines = 1,
     .sourceWidth = 2,
     .sourceHeight = 1,
     .sourceBits = 8,
     .compression = BI_RLE8,
     .coloursUsed = 0,
     .after = palette,
     .source = "0201 0001",
     .result = 1,
     .expected = "0a0b0c00 0a0b0c00"},
    // Run-length data: 4 bits, 5 x 2.
    {.name = "RLE4 run and absolute run",
     .width = 5,
     .height = 2,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 5,
     .sourceHeight = 2,
     .sourceBits = 4,
     .compression = BI_RLE4,
     .coloursUsed = 0,
     .after = palette,
     .source = "0512 0000 0005 12340000 0001",
     .result = 2,
     .expected = "0a0b0c1a1b1c0a0b0c1a1b1c0a0b0c11 | 0a0b0c1a1b1c2a2b2c3a3b3c00000011"},
    {.name = "RLE4 run past the row is cut",
     .width = 5,
     .height = 2,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 5,
     .sourceHeight = 2,
     .sourceBits = 4,
     .compression = BI_RLE4,
     .coloursUsed = 0,
     .after = palette,
     .source = "0712 0001",
     .result = 2,
     .expected = "0a0b0c1a1b1c0a0b0c1a1b1c0a0b0c11 | 11111111111111111111111111111111"},
    {.name = "RLE4 delta",
     .width = 5,
     .height = 2,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 5,
     .sourceHeight = 2,
     .sourceBits = 4,
     .compression = BI_RLE4,
     .coloursUsed = 0,
     .after = palette,
     .source = "0002 0201 0334 0001",
     .result = 2,
     .expected = "11111111111111111111111111111111 | 1111111111112a2b2c3a3b3c2a2b2c11"},
    {.name = "RLE4 absolute run of 3 is padded",
     .width = 5,
     .height = 2,
     .depth = 24,
     .start = 0,
     .lines = 2,
     .sourceWidth = 5,
     .sourceHeight = 2,
     .sourceBits = 4,
     .compression = BI_RLE4,
     .coloursUsed = 0,
     .after = palette,
     .source = "0003 1230 0101 0001",
     .result = 2,
     .expected = "0a0b0c1a1b1c2a2b2c00000011111111 | 11111111111111111111111111111111"},
};

class SetDIBitsCases : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetDIBitsCases, ConvertsAsThePlatform) {
    const SetCase& c = GetParam();
    std::vector<unsigned char> info =
        c.rawInfo ? hex(c.rawInfo)
                  : dibtest::infoHeader(c.sourceWidth, c.sourceHeight, c.sourceBits, c.compression,
                                        0, c.coloursUsed, c.after);
    std::vector<unsigned char> text = hex(c.source);
    // An allocation of exactly the source's size, so that a sanitizer sees
    // any read past it.
    std::unique_ptr<unsigned char[]> source(new unsigned char[text.size()]);
    memcpy(source.get(), text.data(), text.size());
    if (!c.rawInfo && (c.compression == BI_RLE8 || c.compression == BI_RLE4))
        reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biSizeImage =
            static_cast<DWORD>(text.size());
    info.resize(info.size() + 1024, 0);  // room for a full colour table

    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(c.width, c.height, c.depth, &bits);
    ASSERT_TRUE(bitmap != NULL);
    size_t size = static_cast<size_t>(dibtest::rowBytes(c.width, c.depth)) *
                  (c.height < 0 ? -c.height : c.height);
    memset(bits, 0x11, size);
    HDC dc = CreateCompatibleDC(NULL);
    int result = SetDIBits(dc, bitmap, c.start, c.lines, source.get(),
                           reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(hexOf(bits, size), plain(c.expected));
    DeleteDC(dc);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SetDIBitsCases, ::testing::ValuesIn(setCases),
                         [](const ::testing::TestParamInfo<SetCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

// Colour-table rows of every width from 1 to 19 at each index size, into
// 24 and 32 bits: each pixel takes its entry's colour (alpha 0 at 32 bits,
// whatever the entry's fourth byte), and the row padding keeps its bytes.
TEST(SetDIBits, ColourTableRowsOfEveryWidth) {
    std::mt19937 random(7);
    for (int sourceBits : {1, 4, 8}) {
        for (int depth : {24, 32}) {
            for (int width = 1; width <= 19; ++width) {
                const int height = 3, entries = 1 << sourceBits;
                std::vector<unsigned char> info = dibtest::infoHeader(
                    width, height, sourceBits, BI_RGB, 0, static_cast<DWORD>(entries), "");
                std::vector<uint32_t> table(static_cast<size_t>(entries));
                for (uint32_t& entry : table) {
                    entry = static_cast<uint32_t>(random());
                    for (int b = 0; b < 4; ++b) info.push_back((entry >> (8 * b)) & 0xFF);
                }
                // Indices packed from the left of each byte, rows bottom-up.
                const int stride = dibtest::rowBytes(width, sourceBits);
                std::vector<int> index(static_cast<size_t>(width * height));
                std::vector<unsigned char> source(static_cast<size_t>(stride * height), 0);
                for (int y = 0; y < height; ++y) {
                    for (int x = 0; x < width; ++x) {
                        int i = static_cast<int>(random() % static_cast<unsigned>(entries));
                        index[static_cast<size_t>(y * width + x)] = i;
                        int bit = x * sourceBits;
                        source[static_cast<size_t>((height - 1 - y) * stride + bit / 8)] |=
                            static_cast<unsigned char>(i << (8 - sourceBits - bit % 8));
                    }
                }

                unsigned char* bits;
                HBITMAP bitmap = dibtest::makeSection(width, -height, depth, &bits);
                ASSERT_TRUE(bitmap != NULL);
                const int rowSize = dibtest::rowBytes(width, depth), pixel = depth / 8;
                memset(bits, 0x11, static_cast<size_t>(rowSize * height));
                HDC dc = CreateCompatibleDC(NULL);
                EXPECT_EQ(
                    SetDIBits(dc, bitmap, 0, height, source.data(),
                              reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
                    height);
                std::string want, got = hexOf(bits, static_cast<size_t>(rowSize * height));
                for (int y = 0; y < height; ++y) {
                    std::vector<unsigned char> row(static_cast<size_t>(rowSize), 0x11);
                    for (int x = 0; x < width; ++x) {
                        uint32_t colour = table[static_cast<size_t>(index[y * width + x])];
                        for (int b = 0; b < pixel; ++b)
                            row[static_cast<size_t>(x * pixel + b)] =
                                b < 3 ? (colour >> (8 * b)) & 0xFF : 0;
                    }
                    want += hexOf(row.data(), row.size());
                }
                EXPECT_EQ(got, want) << sourceBits << " bits into " << depth << ", width " << width;
                DeleteDC(dc);
                DeleteObject(bitmap);
            }
        }
    }
}

// Descriptions the platform refuses: SetDIBits returns 0 and writes nothing.
TEST(SetDIBits, RefusesWhatThePlatformRefuses) {
    const struct {
        const char* name;
        const char* info;
    } refused[] = {
        {"0 bits",
         "28000000 01000000 01000000 0100 0000 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"2 bits",
         "28000000 01000000 01000000 0100 0200 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"48 bits",
         "28000000 01000000 01000000 0100 3000 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"BI_JPEG",
         "28000000 01000000 01000000 0100 1800 04000000 04000000 00000000 00000000 00000000 "
         "00000000"},
        {"BI_PNG",
         "28000000 01000000 01000000 0100 1800 05000000 04000000 00000000 00000000 00000000 "
         "00000000"},
        {"masks at 24 bits",
         "28000000 01000000 01000000 0100 1800 03000000 00000000 00000000 00000000 00000000"
         "00000000 0000ff00 00ff0000 ff000000"},
        {"a zero mask",
         "28000000 01000000 01000000 0100 2000 03000000 00000000 00000000 00000000 00000000"
         "00000000 000000ff ff000000 00000000"},
        {"RLE8 at 24 bits",
         "28000000 01000000 01000000 0100 1800 01000000 04000000 00000000 00000000 00000000 "
         "00000000"},
        {"RLE4 at 8 bits",
         "28000000 01000000 01000000 0100 0800 02000000 04000000 00000000 00000000 00000000 "
         "00000000"},
        {"RLE8 top-down",
         "28000000 01000000 ffffffff 0100 0800 01000000 04000000 00000000 00000000 00000000 "
         "00000000"},
        {"RLE8 without biSizeImage",
         "28000000 01000000 01000000 0100 0800 01000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"width 0",
         "28000000 00000000 01000000 0100 1800 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"negative width",
         "28000000 ffffffff 01000000 0100 1800 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"height 0",
         "28000000 01000000 00000000 0100 1800 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"0 planes",
         "28000000 01000000 01000000 0000 1800 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
        {"20-byte header",
         "14000000 01000000 01000000 0100 1800 00000000 00000000 00000000 00000000 00000000 "
         "00000000"},
    };
    std::vector<unsigned char> source = hex("0001 0001 0001 0001");
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(1, 1, 24, &bits);
    ASSERT_TRUE(bitmap != NULL);
    for (const auto& c : refused) {
        std::vector<unsigned char> info = hex(c.info);
        info.resize(info.size() + 1024, 0);
        memset(bits, 0x11, 4);
        EXPECT_EQ(SetDIBits(NULL, bitmap, 0, 1, source.data(),
                            reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
                  0)
            << c.name;
        EXPECT_EQ(hexOf(bits, 4), "11111111") << c.name;
    }
    DeleteObject(bitmap);
}

TEST(SetDIBits, AcceptsLongerHeadersAndExtraPlanes) {
    const char* accepted[] = {
        "40000000 01000000 01000000 0100 1800 00000000 00000000 00000000 00000000 00000000 "
        "00000000",
        "28000000 01000000 01000000 0200 1800 00000000 00000000 00000000 00000000 00000000 "
        "00000000",
    };
    std::vector<unsigned char> source = hex("a1a2a300");
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(1, 1, 24, &bits);
    for (const char* text : accepted) {
        std::vector<unsigned char> info = hex(text);
        info.resize(info.size() + 64, 0);
        memset(bits, 0x11, 4);
        EXPECT_EQ(SetDIBits(NULL, bitmap, 0, 1, source.data(),
                            reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
                  1);
        EXPECT_EQ(hexOf(bits, 4), "a1a2a311");
    }
    DeleteObject(bitmap);
}

// Random sources in allocations of exactly the bytes a conversion may
// read: for run-length data biSizeImage; for rows, stride x the rows that
// start and lines select (bottom-up: min(lines, height - start); top-down:
// min(lines, height) when lines is positive as a signed number).
TEST(SetDIBits, ReadsNoMoreThanItsSource) {
    std::mt19937 random(20240611);
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(5, 4, 24, &bits);
    ASSERT_TRUE(bitmap != NULL);
    for (int round = 0; round < 3000; ++round) {
        int width = 1 + static_cast<int>(random() % 9), height = 1 + static_cast<int>(random() % 7);
        const int depths[] = {1, 4, 8, 16, 24, 32};
        int depth = depths[random() % 6];
        DWORD compression = BI_RGB;
        if (round % 3 == 0) compression = BI_RLE8, depth = 8;
        if (round % 3 == 1 && depth == 4) compression = BI_RLE4;
        bool topDown = compression == BI_RGB && random() % 2;
        UINT start = random() % (height + 2);
        UINT lines = random() % (height + 3);
        if (random() % 8 == 0) lines = static_cast<UINT>(-static_cast<int>(lines));
        size_t bytes;
        if (compression != BI_RGB) {
            bytes = 1 + random() % 40;
        } else {
            size_t rows = 0;
            if (!topDown && start <= static_cast<UINT>(height))
                rows = lines < height - start ? lines : height - start;
            if (topDown && static_cast<int>(lines) > 0)
                rows = lines < static_cast<UINT>(height) ? lines : height;
            bytes = rows * dibtest::rowBytes(width, depth);
        }
        std::vector<unsigned char> info = dibtest::infoHeader(
            width, topDown ? -height : height, depth, compression,
            compression != BI_RGB ? static_cast<DWORD>(bytes) : 0, random() % 20, "");
        info.resize(info.size() + 1024);
        for (size_t i = sizeof(BITMAPINFOHEADER); i < info.size(); ++i)
            info[i] = static_cast<unsigned char>(random());
        std::unique_ptr<unsigned char[]> source(new unsigned char[bytes + 1]);
        for (size_t i = 0; i < bytes; ++i) source[i] = static_cast<unsigned char>(random());
        int result = SetDIBits(NULL, bitmap, start, lines, bytes ? source.get() : source.get() + 1,
                               reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
        if (compression != BI_RGB && lines != 0) EXPECT_EQ(result, height) << round;
    }
    DeleteObject(bitmap);
}

// GetDIBits from a 2 x 3 bitmap whose memory rows (bottom-up) are
// 00..07, 10..17, 20..27.
struct GetCase {
    const char* name;
    int depth;         // of the source section
    int bufferHeight;  // negative: top-down rows
    int bufferBits;
    UINT start, lines;
    int result;
    const char* expected;  // buffer bytes
};

const GetCase getCases[] = {
    {"24 into bottom-up 32", 24, 3, 32, 0, 3, 3,
     "0001020003040500 1011120013141500 2021220023242500"},
    {"24 into top-down 32", 24, -3, 32, 0, 3, 3,
     "2021220023242500 1011120013141500 0001020003040500"},
    {"24 into 24", 24, 3, 24, 0, 3, 3, "0001020304050000 1011121314150000 2021222324250000"},
    {"32 keeps its alpha", 32, 3, 32, 0, 3, 3,
     "0001020304050607 1011121314151617 2021222324252627"},
    {"32 into 24", 32, 3, 24, 0, 3, 3, "0001020405060000 1011121415160000 2021222425260000"},
    {"start 1, lines past the end", 24, 3, 32, 1, 5, 2, "1011120013141500 2021220023242500"},
    {"top-down, start 1", 24, -3, 32, 1, 5, 2, "2021220023242500 1011120013141500"},
    {"shorter buffer shares the top row", 24, 2, 32, 0, 3, 2, "1011120013141500 2021220023242500"},
    {"taller buffer: rows past the bitmap are zero", 24, 5, 32, 0, 5, 3,
     "0000000000000000 0000000000000000 0001020003040500 1011120013141500 2021220023242500"},
};

class GetDIBitsCases : public ::testing::TestWithParam<GetCase> {};

TEST_P(GetDIBitsCases, ReadsAsThePlatform) {
    const GetCase& c = GetParam();
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(2, 3, c.depth, &bits);
    ASSERT_TRUE(bitmap != NULL);
    int stride = dibtest::rowBytes(2, c.depth);
    for (int i = 0; i < 3 * stride; ++i)
        bits[i] = static_cast<unsigned char>(0x10 * (i / stride) + i % stride);

    BITMAPINFO info = dibtest::bitmapInfo(2, c.bufferHeight, c.bufferBits);
    std::vector<unsigned char> expected = hex(c.expected);
    std::vector<unsigned char> buffer(expected.size() + 8, 0xEE);
    HDC dc = CreateCompatibleDC(NULL);
    EXPECT_EQ(GetDIBits(dc, bitmap, c.start, c.lines, buffer.data(), &info, DIB_RGB_COLORS),
              c.result);
    EXPECT_EQ(hexOf(buffer.data(), buffer.size()), plain(c.expected) + "eeeeeeeeeeeeeeee");
    DeleteDC(dc);
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Layouts, GetDIBitsCases, ::testing::ValuesIn(getCases));

TEST(GetDIBits, InfoOnlyCallDescribesTheBitmap) {
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(5, -3, 24, &bits);
    HDC dc = CreateCompatibleDC(NULL);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    EXPECT_NE(GetDIBits(dc, bitmap, 0, 3, NULL, &info, DIB_RGB_COLORS), 0);
    EXPECT_EQ(info.bmiHeader.biWidth, 5);
    EXPECT_EQ(info.bmiHeader.biHeight, 3);
    EXPECT_EQ(info.bmiHeader.biBitCount, 24);
    EXPECT_EQ(info.bmiHeader.biSizeImage, 48u);
    // A null DC is refused, unlike SetDIBits.
    std::vector<unsigned char> buffer(64);
    info.bmiHeader.biBitCount = 32;
    EXPECT_EQ(GetDIBits(NULL, bitmap, 0, 3, buffer.data(), &info, DIB_RGB_COLORS), 0);
    DeleteDC(dc);
    DeleteObject(bitmap);
}

// A monochrome device-dependent bitmap filled through SetDIBits reads back
// as black and white.
TEST(GetDIBits, RoundTripThroughAMonochromeBitmap) {
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP mono = CreateCompatibleBitmap(dc, 3, 2);
    ASSERT_TRUE(mono != NULL);
    std::vector<unsigned char> info =
        dibtest::infoHeader(3, -2, 1, BI_RGB, 0, 0, "00000000 ffffff00");
    std::vector<unsigned char> source = hex("a0000000 40000000");  // rows 101 and 010, top first
    EXPECT_EQ(SetDIBits(dc, mono, 0, 2, source.data(),
                        reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS),
              2);
    BITMAPINFO out = dibtest::bitmapInfo(3, -2, 32);
    unsigned char pixels[24];
    EXPECT_EQ(GetDIBits(dc, mono, 0, 2, pixels, &out, DIB_RGB_COLORS), 2);
    EXPECT_EQ(hexOf(pixels, 24), plain("ffffff00 00000000 ffffff00 | 00000000 ffffff00 00000000"));
    DeleteObject(mono);
    DeleteDC(dc);
}

}  // namespace
