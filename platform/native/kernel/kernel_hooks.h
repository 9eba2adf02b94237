// The kernel room's calls into the system, one small table per file that
// makes them. Each starts as the real call; tests may put a fake in its
// place (tests/support/native_fakes.h) and call the one they replaced.
#ifndef CELPACK_NATIVE_KERNEL_HOOKS_H
#define CELPACK_NATIVE_KERNEL_HOOKS_H

#include "platform/native/types.h"

namespace native {

// files.cpp. `write` puts every byte on the descriptor or fails with the
// platform's error set; it may report fewer bytes written and succeed.
// `sync` and `rename` follow fsync and rename.
struct FileHooks {
    BOOL (*write)(int descriptor, const void* bytes, DWORD length, DWORD* written);
    int (*sync)(int descriptor);
    int (*rename)(const char* from, const char* to);
};
extern FileHooks fileHooks;

// heaps.cpp. Every block of every heap comes from `allocate` (null when
// there is no memory) and goes back through `release`; a new heap's own
// record comes from `createHeap` (null when none can be had).
struct HeapHooks {
    void* (*allocate)(HANDLE heap, SIZE_T bytes, bool zero);
    void (*release)(HANDLE heap, void* block, SIZE_T bytes);
    HANDLE (*createHeap)(void);
};
extern HeapHooks heapHooks;

// modules.cpp: LoadLibraryW and GetProcAddress as the system answers them.
struct ModuleHooks {
    HMODULE (*load)(LPCWSTR name);
    FARPROC (*entry)(HMODULE module, LPCSTR name);
};
extern ModuleHooks moduleHooks;

// command_line.cpp: the line GetCommandLineW hands out.
struct CommandLineHooks {
    LPWSTR (*line)(void);
};
extern CommandLineHooks commandLineHooks;

}  // namespace native

#endif
