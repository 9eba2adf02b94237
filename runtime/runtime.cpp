// The start-up and shut-down sequences and the RuntimeHeap.
#include "runtime/runtime.h"

#include "runtime/parameters.h"
#include "runtime/strings.h"

HANDLE runtimeHeap;
HANDLE stringHeap;
FARPROC alphaBlendEntry;

namespace {

HMODULE alphaBlendLibrary;
// A copy: the caller's table need not outlive the start.
RuntimeLibraries libraries;

// Heaps are serialised, growable, 4096 bytes at first, without a maximum.
const SIZE_T initialHeapSize = 4096;

void run(void (*routine)()) {
    if (routine) routine();
}

}  // namespace

void startRuntime(const RuntimeLibraries* given) {
    runtimeHeap = 0;
    stringHeap = 0;
    alphaBlendEntry = 0;
    alphaBlendLibrary = 0;
    if (given) libraries = *given;
    else memset(&libraries, 0, sizeof libraries);

    runtimeHeap = HeapCreate(0, initialHeapSize, 0);
    if (!runtimeHeap) abandonStartup("the runtime heap");
    initStrings();
    run(libraries.initImageDecoders);
    initAlphaBlend();
    run(libraries.initImages);
    run(libraries.initDrawing);
    run(libraries.initFiles);
    initParameters();
    initUserInterface();
}

void stopRuntime() {
    run(libraries.endFiles);
    run(libraries.endImages);
    endAlphaBlend();
    endStrings();
    if (runtimeHeap) HeapDestroy(runtimeHeap);
    runtimeHeap = 0;
    forgetParameters();
    memset(&libraries, 0, sizeof libraries);
}

void endRuntime() {
    stopRuntime();
    ExitProcess(0);
}

void* takeRecord(SIZE_T bytes) {
    if (!runtimeHeap) return 0;
    return HeapAlloc(runtimeHeap, HEAP_ZERO_MEMORY, bytes);
}

void giveBackRecord(void* block) {
    if (block && runtimeHeap) HeapFree(runtimeHeap, 0, block);
}

void initAlphaBlend() {
    alphaBlendLibrary = LoadLibraryW(UTF16("msimg32.dll"));
    alphaBlendEntry = alphaBlendLibrary ? GetProcAddress(alphaBlendLibrary, "AlphaBlend") : 0;
}

void endAlphaBlend() {
    if (alphaBlendLibrary) FreeLibrary(alphaBlendLibrary);
    alphaBlendLibrary = 0;
    alphaBlendEntry = 0;
}

void initUserInterface() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                     ICC_USEREX_CLASSES | ICC_INTERNET_CLASSES;
    InitCommonControlsEx(&controls);
    CoInitialize(0);
}

void abandonStartup(const char* what) {
#ifndef _WIN32
    // The tool has no message for this; a line on standard error is all a
    // terminal user gets.
    HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
    const char prefix[] = "celpack: cannot start without ";
    DWORD written = 0;
    WriteFile(errors, prefix, sizeof prefix - 1, &written, 0);
    DWORD length = 0;
    while (what[length]) ++length;
    WriteFile(errors, what, length, &written, 0);
    WriteFile(errors, "\n", 1, &written, 0);
#else
    (void)what;
#endif
    ExitProcess(0);
}
