// GDI objects as the platform keeps them: which DIB sections it makes,
// what GetObjectW and GetObjectType answer, how selection and deletion of
// bitmaps interact, and compatible bitmaps.
#include <gtest/gtest.h>

#include "tests/platform/dib_test_bytes.h"

namespace {

HBITMAP section(int width, int height, int bits, DWORD compression = BI_RGB, WORD planes = 1,
                const char* masks = "") {
    std::vector<unsigned char> info =
        dibtest::infoHeader(width, height, bits, compression, 0, 0, masks);
    reinterpret_cast<BITMAPINFOHEADER*>(info.data())->biPlanes = planes;
    info.resize(info.size() + 1024, 0);
    void* memory = NULL;
    return CreateDIBSection(NULL, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS,
                            &memory, NULL, 0);
}

TEST(CreateDIBSection, TakesWhatThePlatformTakes) {
    const struct {
        const char* name;
        int width, height, bits;
        DWORD compression;
        WORD planes;
        bool made;
    } cases[] = {
        {"1 bit", 3, 3, 1, BI_RGB, 1, true},
        {"4 bits", 3, 3, 4, BI_RGB, 1, true},
        {"8 bits", 3, 3, 8, BI_RGB, 1, true},
        {"16 bits", 3, 3, 16, BI_RGB, 1, true},
        {"24 bits", 3, 3, 24, BI_RGB, 1, true},
        {"32 bits", 3, 3, 32, BI_RGB, 1, true},
        {"top-down", 3, -3, 24, BI_RGB, 1, true},
        {"0 bits", 3, 3, 0, BI_RGB, 1, false},
        {"2 bits", 3, 3, 2, BI_RGB, 1, false},
        {"15 bits", 3, 3, 15, BI_RGB, 1, false},
        {"30 bits", 3, 3, 30, BI_RGB, 1, false},
        {"48 bits", 3, 3, 48, BI_RGB, 1, false},
        {"64 bits", 3, 3, 64, BI_RGB, 1, false},
        {"width 0", 0, 3, 24, BI_RGB, 1, false},
        {"negative width", -3, 3, 24, BI_RGB, 1, false},
        {"height 0", 3, 0, 24, BI_RGB, 1, false},
        {"lowest height", 3, static_cast<int>(0x80000000u), 24, BI_RGB, 1, false},
        {"0 planes", 3, 3, 24, BI_RGB, 0, false},
        {"2 planes", 3, 3, 24, BI_RGB, 2, false},
        {"RLE8", 3, 3, 8, BI_RLE8, 1, false},
        {"masks at 24 bits", 3, 3, 24, BI_BITFIELDS, 1, false},
        {"too much memory", 100000, 100000, 24, BI_RGB, 1, false},
        {"row too long", 0x7FFFFFFF, 1, 32, BI_RGB, 1, false},
    };
    for (const auto& c : cases) {
        HBITMAP bitmap = section(c.width, c.height, c.bits, c.compression, c.planes,
                                 "00f80000 e0070000 1f000000");
        EXPECT_EQ(bitmap != NULL, c.made) << c.name;
        if (bitmap) EXPECT_TRUE(DeleteObject(bitmap)) << c.name;
    }
}

TEST(CreateDIBSection, GivesZeroedMemoryAndNoBitsWhenRefused) {
    unsigned char* bits;
    HBITMAP bitmap = dibtest::makeSection(13, 7, 24, &bits);
    ASSERT_TRUE(bitmap != NULL);
    ASSERT_TRUE(bits != NULL);
    for (int i = 0; i < dibtest::rowBytes(13, 24) * 7; ++i) ASSERT_EQ(bits[i], 0) << i;
    DeleteObject(bitmap);
    bits = reinterpret_cast<unsigned char*>(1);
    EXPECT_TRUE(dibtest::makeSection(3, 3, 30, &bits) == NULL);
    EXPECT_TRUE(bits == NULL);
}

// Memory given back just before, by a section or a heap block of about the
// same size, must not show through in a new section.
TEST(CreateDIBSection, IsZeroAfterMemoryOfItsSizeWasWrittenAndFreed) {
    const struct {
        int width, height, bits;
    } cases[] = {{13, 7, 24}, {150, 150, 24}, {257, 257, 24}, {256, 256, 32}, {300, 300, 16}};
    for (const auto& c : cases) {
        size_t bytes = size_t(dibtest::rowBytes(c.width, c.bits)) * size_t(c.height);
        unsigned char* bits;
        HBITMAP old = dibtest::makeSection(c.width, c.height, c.bits, &bits);
        ASSERT_TRUE(old != NULL) << c.width;
        memset(bits, 0xAB, bytes);
        DeleteObject(old);
        void* block = HeapAlloc(GetProcessHeap(), 0, bytes + 100);
        ASSERT_TRUE(block != NULL) << c.width;
        memset(block, 0xCD, bytes + 100);
        HeapFree(GetProcessHeap(), 0, block);

        HBITMAP bitmap = dibtest::makeSection(c.width, c.height, c.bits, &bits);
        ASSERT_TRUE(bitmap != NULL) << c.width;
        size_t nonZero = 0;
        for (size_t i = 0; i < bytes; ++i) nonZero += bits[i] != 0;
        EXPECT_EQ(nonZero, 0u) << c.width << " x " << c.height << " at " << c.bits << " bits";
        DeleteObject(bitmap);
    }
}

TEST(GetObjectW, DescribesDibSections) {
    const struct {
        int width, height, bits;
        DWORD compression;
        LONG widthBytes;
        DWORD reportedCompression, coloursUsed;
        DWORD masks[3];
    } cases[] = {
        {257, 257, 24, BI_RGB, 772, BI_RGB, 0, {0, 0, 0}},
        {7, -3, 24, BI_RGB, 24, BI_RGB, 0, {0, 0, 0}},
        {7, 3, 1, BI_RGB, 4, BI_RGB, 2, {0, 0, 0}},
        {7, 3, 8, BI_RGB, 8, BI_RGB, 256, {0, 0, 0}},
        {7, 3, 16, BI_RGB, 16, BI_BITFIELDS, 0, {0x7C00, 0x3E0, 0x1F}},
        {7, 3, 16, BI_BITFIELDS, 16, BI_BITFIELDS, 0, {0xF800, 0x7E0, 0x1F}},
        {7, 3, 32, BI_RGB, 28, BI_RGB, 0, {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.bits);
        HBITMAP bitmap =
            section(c.width, c.height, c.bits, c.compression, 1, "00f80000 e0070000 1f000000");
        ASSERT_TRUE(bitmap != NULL);
        EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
        DIBSECTION described;
        memset(&described, 0x55, sizeof described);
        ASSERT_EQ(GetObjectW(bitmap, sizeof described, &described),
                  static_cast<int>(sizeof(DIBSECTION)));
        LONG height = c.height < 0 ? -c.height : c.height;
        EXPECT_EQ(described.dsBm.bmWidth, c.width);
        EXPECT_EQ(described.dsBm.bmHeight, height);
        EXPECT_EQ(described.dsBm.bmWidthBytes, c.widthBytes);
        EXPECT_EQ(described.dsBm.bmBitsPixel, c.bits);
        EXPECT_TRUE(described.dsBm.bmBits != NULL);
        // The sign of a top-down height is not reported back.
        EXPECT_EQ(described.dsBmih.biHeight, height);
        EXPECT_EQ(described.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(described.dsBmih.biSizeImage, static_cast<DWORD>(c.widthBytes * height));
        EXPECT_EQ(described.dsBmih.biCompression, c.reportedCompression);
        EXPECT_EQ(described.dsBmih.biClrUsed, c.coloursUsed);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(described.dsBitfields[i], c.masks[i]) << i;
        EXPECT_TRUE(described.dshSection == NULL);
        DeleteObject(bitmap);
    }
}

TEST(GetObjectW, AnswersBySize) {
    HBITMAP bitmap = section(4, 4, 24);
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP device = CreateCompatibleBitmap(dc, 4, 4);
    DIBSECTION buffer;
    const int bitmapSize = sizeof(BITMAP), sectionSize = sizeof(DIBSECTION);
    EXPECT_EQ(GetObjectW(bitmap, 0, NULL), bitmapSize);
    EXPECT_EQ(GetObjectW(bitmap, bitmapSize - 1, &buffer), 0);
    EXPECT_EQ(GetObjectW(bitmap, bitmapSize, &buffer), bitmapSize);
    EXPECT_EQ(GetObjectW(bitmap, sectionSize - 1, &buffer), bitmapSize);
    EXPECT_EQ(GetObjectW(bitmap, sectionSize + 16, &buffer), sectionSize);
    EXPECT_EQ(GetObjectW(device, sectionSize, &buffer), bitmapSize);
    EXPECT_EQ(GetObjectW(dc, sectionSize, &buffer), 0);
    DeleteObject(device);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// A fresh memory DC holds a 1 x 1 monochrome bitmap, so bitmaps compatible
// with it are monochrome device-dependent bitmaps, rows padded to 2 bytes.
TEST(CreateCompatibleBitmap, FollowsTheBitmapInTheDC) {
    HDC dc = CreateCompatibleDC(NULL);
    const struct {
        int width;
        LONG widthBytes;
    } monochrome[] = {{5, 2}, {16, 2}, {17, 4}, {33, 6}};
    for (const auto& c : monochrome) {
        HBITMAP bitmap = CreateCompatibleBitmap(dc, c.width, -3);
        ASSERT_TRUE(bitmap != NULL);
        BITMAP described;
        ASSERT_EQ(GetObjectW(bitmap, sizeof described, &described),
                  static_cast<int>(sizeof(BITMAP)));
        EXPECT_EQ(described.bmWidth, c.width);
        EXPECT_EQ(described.bmHeight, 3);
        EXPECT_EQ(described.bmBitsPixel, 1);
        EXPECT_EQ(described.bmWidthBytes, c.widthBytes);
        EXPECT_TRUE(described.bmBits == NULL);
        DeleteObject(bitmap);
    }
    // An empty size gives the stock bitmap the DC started with.
    HBITMAP stock = CreateCompatibleBitmap(dc, 0, 5);
    unsigned char* bits;
    HBITMAP chosen = dibtest::makeSection(4, 4, 24, &bits);
    EXPECT_EQ(SelectObject(dc, chosen), static_cast<HGDIOBJ>(stock));
    // With a DIB section selected: a bottom-up DIB section of its depth.
    HBITMAP alike = CreateCompatibleBitmap(dc, 3, 2);
    DIBSECTION described;
    ASSERT_EQ(GetObjectW(alike, sizeof described, &described),
              static_cast<int>(sizeof(DIBSECTION)));
    EXPECT_EQ(described.dsBm.bmBitsPixel, 24);
    EXPECT_EQ(described.dsBmih.biHeight, 2);
    EXPECT_TRUE(CreateCompatibleBitmap(NULL, 3, 2) == NULL);
    DeleteObject(alike);
    SelectObject(dc, stock);
    DeleteObject(chosen);
    DeleteDC(dc);
}

TEST(GetObjectType, KnowsGdiObjectsOnly) {
    HDC dc = CreateCompatibleDC(NULL);
    HBRUSH brush = CreateSolidBrush(RGB(1, 2, 3));
    HBITMAP bitmap = section(2, 2, 32);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_EQ(GetObjectType(bitmap), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(GetObjectType(brush), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(GetStockObject(NULL_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(GetObjectType(NULL), 0u);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(dc));
    // Stale handles are nothing, and deleting them again fails.
    EXPECT_EQ(GetObjectType(brush), 0u);
    EXPECT_EQ(GetObjectType(bitmap), 0u);
    EXPECT_EQ(GetObjectType(dc), 0u);
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_FALSE(DeleteObject(NULL));
    // Stock objects survive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), static_cast<DWORD>(OBJ_BRUSH));
}

// DeleteObject by kind: what it answers and whether the object is gone.
TEST(DeleteObject, EachKindIsDeletedItsOwnWay) {
    HDC holder = CreateCompatibleDC(NULL);
    HBITMAP held = section(2, 2, 24);
    SelectObject(holder, held);
    HDC dcWithBitmap = CreateCompatibleDC(NULL);
    HBITMAP freedWithDC = section(2, 2, 24);
    SelectObject(dcWithBitmap, freedWithDC);
    DeleteObject(freedWithDC);  // waits for its DC
    // The stock bitmap, as a new DC gives it up.
    HDC probe = CreateCompatibleDC(NULL);
    HBITMAP probeBitmap = section(1, 1, 24);
    HGDIOBJ stockBitmap = SelectObject(probe, probeBitmap);
    DeleteDC(probe);
    DeleteObject(probeBitmap);
    const struct {
        const char* name;
        HGDIOBJ object;
        BOOL answer;
        bool gone;
    } cases[] = {
        {"memory DC", CreateCompatibleDC(NULL), TRUE, true},
        {"memory DC holding a deleted bitmap", dcWithBitmap, TRUE, true},
        {"solid brush", CreateSolidBrush(RGB(9, 8, 7)), TRUE, true},
        {"DIB section", section(3, 3, 32), TRUE, true},
        {"bitmap selected into a DC", held, TRUE, false},
        {"white brush", GetStockObject(WHITE_BRUSH), TRUE, false},
        {"black brush", GetStockObject(BLACK_BRUSH), TRUE, false},
        {"null brush", GetStockObject(NULL_BRUSH), TRUE, false},
        {"system font", GetStockObject(SYSTEM_FONT), TRUE, false},
        {"stock bitmap", stockBitmap, TRUE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.object, nullptr);
        DWORD type = GetObjectType(c.object);
        EXPECT_EQ(DeleteObject(c.object), c.answer);
        EXPECT_EQ(GetObjectType(c.object), c.gone ? 0u : type);
    }
    EXPECT_EQ(GetObjectType(freedWithDC), 0u) << "went with its DC";
    EXPECT_TRUE(DeleteDC(holder));
    EXPECT_EQ(GetObjectType(held), 0u) << "deleted as it left its DC";
}

TEST(SelectObject, DeletionWaitsForTheBitmapToLeaveItsDC) {
    HDC dc = CreateCompatibleDC(NULL);
    HDC other = CreateCompatibleDC(NULL);
    HBITMAP first = section(2, 2, 24), second = section(2, 2, 24);
    HGDIOBJ stock = SelectObject(dc, first);
    ASSERT_TRUE(stock != NULL);
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_BITMAP));
    // One DC at a time; the stock bitmap may be in many.
    EXPECT_TRUE(SelectObject(other, first) == NULL);
    EXPECT_EQ(SelectObject(other, stock), stock);

    EXPECT_TRUE(DeleteObject(first));
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(SelectObject(dc, second), static_cast<HGDIOBJ>(first));
    EXPECT_EQ(GetObjectType(first), 0u);

    EXPECT_TRUE(DeleteObject(second));
    EXPECT_EQ(GetObjectType(second), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(GetObjectType(second), 0u);

    EXPECT_TRUE(SelectObject(other, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(0x12345))) ==
                NULL);
    EXPECT_TRUE(SelectObject(other, other) == NULL);
    EXPECT_EQ(SelectObject(other, GetStockObject(BLACK_BRUSH)), GetStockObject(WHITE_BRUSH));
    EXPECT_EQ(SelectObject(other, GetStockObject(SYSTEM_FONT)), GetStockObject(SYSTEM_FONT));
    DeleteDC(other);
}

TEST(DeviceContext, AttributesReturnTheirPreviousValues) {
    HDC dc = CreateCompatibleDC(NULL);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(dc, 7), 0);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
    EXPECT_EQ(SetTextAlign(dc, 6), static_cast<UINT>(TA_LEFT | TA_TOP));
    EXPECT_EQ(SetTextAlign(dc, 0), 6u);
    EXPECT_EQ(SetBkColor(dc, RGB(1, 2, 3)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(dc, 0), RGB(1, 2, 3));
    EXPECT_EQ(SetTextColor(dc, RGB(4, 5, 6)), RGB(0, 0, 0));
    EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), 1);
    EXPECT_EQ(SetStretchBltMode(dc, COLORONCOLOR), HALFTONE);
    POINT previous = {-1, -1};
    EXPECT_TRUE(SetBrushOrgEx(dc, 3, 4, NULL));
    EXPECT_TRUE(SetBrushOrgEx(dc, 0, 0, &previous));
    EXPECT_EQ(previous.x, 3);
    EXPECT_EQ(previous.y, 4);
    DeleteDC(dc);
    EXPECT_EQ(SetBkColor(dc, 0), CLR_INVALID);
    EXPECT_TRUE(CreateCompatibleDC(dc) == NULL);
}

TEST(GdiBatchLimit, IsAlwaysOne) {
    EXPECT_EQ(GdiGetBatchLimit(), 1u);
    EXPECT_EQ(GdiSetBatchLimit(20), 1u);
    EXPECT_EQ(GdiGetBatchLimit(), 1u);
}

}  // namespace
