// The RuntimeHeap and the abandoned start-up.
#include "runtime/heaps.h"

HANDLE runtimeHeap;

namespace {

// Heaps are serialised, growable, 4096 bytes at first, without a maximum.
const SIZE_T initialHeapSize = 4096;

}  // namespace

HANDLE createRuntimeHeap() { return HeapCreate(0, initialHeapSize, 0); }

void initRecords() {
    runtimeHeap = createRuntimeHeap();
    if (!runtimeHeap) abandonStartup("the runtime heap");
}

void endRecords() {
    if (runtimeHeap) HeapDestroy(runtimeHeap);
    runtimeHeap = nullptr;
}

void* takeRecord(SIZE_T bytes) {
    if (!runtimeHeap) return nullptr;
    return HeapAlloc(runtimeHeap, HEAP_ZERO_MEMORY, bytes);
}

void giveBackRecord(void* block) {
    if (block && runtimeHeap) HeapFree(runtimeHeap, 0, block);
}

void abandonStartup(const char* what) {
#ifndef _WIN32
    // The tool has no message for this; a line on standard error is all a
    // terminal user gets.
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    const char prefix[] = "celpack: cannot start without ";
    DWORD written = 0;
    WriteFile(errors, prefix, sizeof prefix - 1, &written, nullptr);
    DWORD length = 0;
    while (what[length]) ++length;
    WriteFile(errors, what, length, &written, nullptr);
    WriteFile(errors, "\n", 1, &written, nullptr);
#else
    (void)what;
#endif
    ExitProcess(0);
}
