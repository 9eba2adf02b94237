// Loadable modules. The only library the native platform offers is
// msimg32, with its "AlphaBlend" entry.
#include <ctype.h>

#include <mutex>
#include <string>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/kernel/kernel_hooks.h"

namespace {

struct Modules {
    std::mutex lock;
    long msimg32References = 0;
};

Modules& modules() {
    static Modules* state = new Modules;
    return *state;
}

const HMODULE msimg32 = static_cast<HMODULE>(native::makeKernelHandle(native::kernelModule, 0));

// The entry's address is looked up only to learn that blending exists; the
// native build never calls it.
INT_PTR alphaBlendEntryPoint(void) { return FALSE; }

// "msimg32" or "msimg32.dll", any case, after an optional directory.
bool namesMsimg32(const WCHAR* name) {
    std::string ascii;
    for (const WCHAR* place = name; *place; ++place) {
        if (*place == u'\\' || *place == u'/') {
            ascii.clear();
            continue;
        }
        if (*place > 0x7F) return false;
        ascii += static_cast<char>(tolower(static_cast<int>(*place)));
    }
    return ascii == "msimg32" || ascii == "msimg32.dll";
}

HMODULE loadModule(LPCWSTR name) {
    Modules& state = modules();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!name || !namesMsimg32(name)) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++state.msimg32References;
    return msimg32;
}

FARPROC moduleEntry(HMODULE module, LPCSTR name) {
    Modules& state = modules();
    std::lock_guard<std::mutex> guard(state.lock);
    if (module != msimg32 || state.msimg32References == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    // Names below 0x10000 are ordinals; msimg32 here exports by name only.
    if (reinterpret_cast<uintptr_t>(name) < 0x10000 || std::string(name) != "AlphaBlend") {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return alphaBlendEntryPoint;
}

}  // namespace

native::ModuleHooks native::moduleHooks = {loadModule, moduleEntry};

HMODULE LoadLibraryW(LPCWSTR name) { return native::moduleHooks.load(name); }

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    return native::moduleHooks.entry(module, name);
}

BOOL FreeLibrary(HMODULE module) {
    Modules& state = modules();
    std::lock_guard<std::mutex> guard(state.lock);
    if (module != msimg32 || state.msimg32References == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return FALSE;
    }
    --state.msimg32References;
    return TRUE;
}
