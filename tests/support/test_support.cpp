#include "support/test_support.h"

#include <fstream>
#include <iterator>

#ifndef _WIN32
#include "support/native_fakes.h"
#endif

namespace testsupport {

std::vector<unsigned char> readFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

bool writeFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::string hostPath(const std::string& path) {
#ifdef _WIN32
    return "Z:" + path;
#else
    return path;
#endif
}

std::string dataPath(const std::string& relative) {
    return hostPath(std::string(CELPACK_TEST_DATA) + "/" + relative);
}

std::vector<unsigned char> dataBytes(const std::string& relative) {
    return readFileBytes(dataPath(relative));
}

long heapBlockCount(HANDLE heap) {
#ifdef _WIN32
    long count = 0;
    PROCESS_HEAP_ENTRY entry;
    entry.lpData = nullptr;
    if (!HeapLock(heap)) return -1;
    while (HeapWalk(heap, &entry))
        if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) ++count;
    HeapUnlock(heap);
    return count;
#else
    return nativeHeapBlockCount(heap);
#endif
}

}  // namespace testsupport
