// Bitmaps a program makes: DIB sections, whose pixel memory it sees, and
// bitmaps compatible with a memory DC.
#include "platform/native/gdi/dib_format.h"

namespace native {

namespace {

// Takes over the format's colours and masks and fills in what GetObjectW
// reports of the section.
void describeSection(Bitmap& bitmap, const DibFormat& format, const BITMAPINFO& info) {
    for (int i = 0; i < 3; ++i) bitmap.bitfields[i] = format.masks[i];
    for (int i = 0; i < format.colourCount; ++i) bitmap.colours[i] = format.colours[i];
    if (format.bitsPerPixel <= 8) bitmap.colourCount = 1 << format.bitsPerPixel;
    BITMAPINFOHEADER& header = bitmap.header;
    // 16-bit sections always report their masks; 32-bit ones only when
    // they were made with them.
    header.biCompression = format.bitsPerPixel == 16 ? BI_BITFIELDS : format.compression;
    header.biClrUsed = format.bitsPerPixel <= 8 ? static_cast<DWORD>(1) << format.bitsPerPixel : 0;
    if (info.bmiHeader.biSize >= sizeof(BITMAPINFOHEADER)) {
        header.biXPelsPerMeter = info.bmiHeader.biXPelsPerMeter;
        header.biYPelsPerMeter = info.bmiHeader.biYPelsPerMeter;
    }
}

}  // namespace

}  // namespace native

using namespace native;

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD) {
    if (bits != nullptr) *bits = nullptr;
    DibFormat format;
    // No file mappings exist in this layer, so any section handle is bad.
    if (section != nullptr || !readDibFormat(info, usage, dibForSection, &format)) return nullptr;
    HBITMAP handle =
        createBitmap(format.width, format.height, format.topDown, format.bitsPerPixel, true);
    if (handle == nullptr) return nullptr;
    Bitmap* bitmap = findBitmap(handle);
    describeSection(*bitmap, format, *info);
    if (bits != nullptr) *bits = bitmap->bits;
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
    DeviceContext* context = findDC(dc);
    if (context == nullptr) return nullptr;
    // Signs are dropped; an empty size gives the stock bitmap.
    if (width == static_cast<int>(0x80000000) || height == static_cast<int>(0x80000000))
        return nullptr;
    if (width < 0) width = -width;
    if (height < 0) height = -height;
    if (width == 0 || height == 0) return stockBitmap();
    const Bitmap* model = findBitmap(context->bitmap);
    if (model == nullptr) return nullptr;
    // Like the bitmap the DC holds: a DIB section for a DIB section (made
    // bottom-up), else a device-dependent bitmap of its depth.
    HBITMAP handle = createBitmap(width, height, false, model->bitsPerPixel, model->dibSection);
    if (handle == nullptr) return nullptr;
    Bitmap* bitmap = findBitmap(handle);
    for (int i = 0; i < 3; ++i) bitmap->bitfields[i] = model->bitfields[i];
    for (int i = 0; i < model->colourCount; ++i) bitmap->colours[i] = model->colours[i];
    bitmap->colourCount = model->colourCount;
    bitmap->header.biCompression = model->header.biCompression;
    bitmap->header.biClrUsed = model->header.biClrUsed;
    return handle;
}
