// Helpers of the GDI tests: bytes written as hex text, DIB sections of a
// given shape, and pixel memory shown as hex for readable failures.
#ifndef CELPACK_TESTS_DIB_TEST_BYTES_H
#define CELPACK_TESTS_DIB_TEST_BYTES_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace dibtest {

// "28000000 0200|0100" -> bytes; blanks and bars only separate.
inline std::vector<unsigned char> hex(const char* text) {
    std::vector<unsigned char> bytes;
    std::string digits;
    for (const char* p = text; *p; ++p)
        if (*p != ' ' && *p != '|') digits += *p;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(strtoul(digits.substr(i, 2).c_str(), NULL, 16)));
    return bytes;
}

inline std::string hexOf(const unsigned char* bytes, size_t count) {
    std::string text;
    char pair[3];
    for (size_t i = 0; i < count; ++i) {
        snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

// Expected bytes as the same plain hex, for comparison with hexOf.
inline std::string plain(const char* text) {
    std::vector<unsigned char> bytes = hex(text);
    return hexOf(bytes.data(), bytes.size());
}

inline int rowBytes(int width, int bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

// The description of uncompressed rows; a negative height makes them
// top-down.
inline BITMAPINFO bitmapInfo(int width, int height, int bitsPerPixel) {
    BITMAPINFO info;
    memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A DIB section; a negative height makes it top-down.
inline HBITMAP makeSection(int width, int height, int bitsPerPixel, unsigned char** bits) {
    BITMAPINFO info = bitmapInfo(width, height, bitsPerPixel);
    void* memory = NULL;
    HBITMAP bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &memory, NULL, 0);
    *bits = static_cast<unsigned char*>(memory);
    return bitmap;
}

// A 40-byte header with what follows it (masks or colour table).
inline std::vector<unsigned char> infoHeader(int width, int height, int bitsPerPixel,
                                             DWORD compression, DWORD sizeImage, DWORD coloursUsed,
                                             const char* after) {
    BITMAPINFOHEADER header;
    memset(&header, 0, sizeof header);
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = compression;
    header.biSizeImage = sizeImage;
    header.biClrUsed = coloursUsed;
    std::vector<unsigned char> bytes(reinterpret_cast<unsigned char*>(&header),
                                     reinterpret_cast<unsigned char*>(&header) + sizeof header);
    std::vector<unsigned char> rest = hex(after);
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    return bytes;
}

}  // namespace dibtest

#endif
