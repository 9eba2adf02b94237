// The start-up and shut-down sequences: the top of the runtime, calling
// parameters, strings and the heaps below it, never called by them.
#include "runtime/runtime.h"

#include "runtime/heaps.h"
#include "runtime/parameters.h"
#include "runtime/strings.h"

FARPROC alphaBlendEntry;

namespace {

HMODULE alphaBlendLibrary;
// A copy: the caller's table need not outlive the start.
RuntimeLibraries libraries;

void run(void (*routine)()) {
    if (routine) routine();
}

}  // namespace

void startRuntime(const RuntimeLibraries* given) {
    alphaBlendEntry = nullptr;
    alphaBlendLibrary = nullptr;
    if (given)
        libraries = *given;
    else
        memset(&libraries, 0, sizeof libraries);

    initRecords();
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
    endRecords();
    forgetParameters();
    memset(&libraries, 0, sizeof libraries);
}

void endRuntime() {
    stopRuntime();
    ExitProcess(0);
}

void initAlphaBlend() {
    alphaBlendLibrary = LoadLibraryW(UTF16("msimg32.dll"));
    alphaBlendEntry = alphaBlendLibrary ? GetProcAddress(alphaBlendLibrary, "AlphaBlend") : nullptr;
}

void endAlphaBlend() {
    if (alphaBlendLibrary) FreeLibrary(alphaBlendLibrary);
    alphaBlendLibrary = nullptr;
    alphaBlendEntry = nullptr;
}

void initUserInterface() {
    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES | ICC_USEREX_CLASSES |
                     ICC_INTERNET_CLASSES;
    InitCommonControlsEx(&controls);
    CoInitialize(nullptr);
}
