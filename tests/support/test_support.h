// Helpers shared by the test programs of both builds.
#ifndef CELPACK_TEST_SUPPORT_H
#define CELPACK_TEST_SUPPORT_H

#include <string>
#include <vector>

#include "platform/platform.h"

namespace testsupport {

// Bytes of a file, or an empty vector when it cannot be read.
std::vector<unsigned char> readFileBytes(const std::string& path);
bool writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// An absolute host path as this build's file calls take it: Wine needs the
// drive.
std::string hostPath(const std::string& path);
// A file of tests/data by its relative name, as hostPath gives it, and its
// bytes (empty when missing).
std::string dataPath(const std::string& relative);
std::vector<unsigned char> dataBytes(const std::string& relative);

// Blocks allocated in a heap right now: the seam natively, a walk of the
// heap on Windows. Opening and closing a thing leaves it as it was.
long heapBlockCount(HANDLE heap);

inline std::basic_string<WCHAR> wide(const std::string& text) {
    return std::basic_string<WCHAR>(text.begin(), text.end());
}

}  // namespace testsupport

#endif
