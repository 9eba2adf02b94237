// The fakes behind tests/support/native_fakes.h. Each wraps the hook it
// replaces and calls that one unless armed; all are put in place before
// main, so that counts cover every block and object.
#include "support/native_fakes.h"

#include <errno.h>
#include <sys/stat.h>

#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/native/gdi/gdi_objects.h"
#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_hooks.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/user/icons_bitmap_image.h"
#include "platform/native/user/user_hooks.h"

namespace {

// A countdown armed with n fires on its nth step; 0 is off.
struct Countdown {
    long left = 0;
    void arm(long n) { left = n > 0 ? n : 0; }
    bool fires() { return left > 0 && --left == 0; }
};

struct Fakes {
    std::mutex lock;
    native::FileHooks files;
    native::HeapHooks heaps;
    native::ModuleHooks modules;
    native::CommandLineHooks commandLine;
    native::ObjectHooks objects;
    native::IconHooks icons;
    native::IconDrawingHooks iconDrawing;

    long failWritesFrom = 0;  // 0: off; otherwise writes left before failing, + 1
    bool shortWrites = false;
    bool recordingWrites = false;
    std::vector<DWORD> writes;
    Countdown failMove;
    bool recordingMoves = false;
    int fileSynced = 0;
    std::vector<int> moves;

    HANDLE failHeap = nullptr;
    Countdown failAllocation;
    long allocations = 0;
    Countdown failHeapCreation;
    std::unordered_map<HANDLE, long> blocks;

    bool hideLibrary = false;
    bool hideEntry = false;
    std::u16string line;

    Countdown failObject;
    std::set<HGDIOBJ> liveObjects;

    bool monochromeIcons = false;
    bool failIconDrawing = false;

    struct Window {
        HWND handle;
        int number;  // 1-based, in the order the test added it; names it in the log
        DWORD threadId;
        DWORD processId;
        bool visible;
        bool enabled;
        LONG exStyle;
    };
    std::vector<Window> windows;  // Z order, top first
    uintptr_t nextSerial = 1;
    int nextNumber = 1;
    HWND foreground = nullptr;
    std::string windowLog;
    int messageBoxAnswer = IDOK;
};

// Never destroyed: hooks run until the last static destructor.
Fakes& fakes() {
    static Fakes* state = new Fakes;
    return *state;
}

// ---- Files

BOOL fakeWrite(int descriptor, const void* bytes, DWORD length, DWORD* written) {
    Fakes& f = fakes();
    bool fail = false, shortened = false;
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (f.recordingWrites) f.writes.push_back(length);
        if (f.failWritesFrom > 1)
            --f.failWritesFrom;
        else if (f.failWritesFrom == 1)
            (f.shortWrites ? shortened : fail) = true;
    }
    if (fail) {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return f.files.write(descriptor, bytes, shortened ? length / 2 : length, written);
}

int fakeSync(int descriptor) {
    Fakes& f = fakes();
    struct stat info;
    bool directory = fstat(descriptor, &info) == 0 && S_ISDIR(info.st_mode);
    int result = f.files.sync(descriptor);
    std::lock_guard<std::mutex> hold(f.lock);
    if (result == 0 && f.recordingMoves) {
        if (!directory)
            f.fileSynced = NATIVE_SYNCED_FILE;
        else if (!f.moves.empty())
            f.moves.back() |= NATIVE_SYNCED_DIRECTORY;
    }
    return result;
}

int fakeRename(const char* from, const char* to) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (f.recordingMoves) f.moves.push_back(f.fileSynced);
        f.fileSynced = 0;
        if (f.failMove.fires()) {
            errno = EACCES;
            return -1;
        }
    }
    return f.files.rename(from, to);
}

// ---- Heaps

void* fakeAllocate(HANDLE heap, SIZE_T bytes, bool zero) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (!f.failHeap || f.failHeap == heap) {
            ++f.allocations;
            if (f.failAllocation.fires()) return nullptr;
        }
    }
    void* block = f.heaps.allocate(heap, bytes, zero);
    if (block) {
        std::lock_guard<std::mutex> hold(f.lock);
        ++f.blocks[heap];
    }
    return block;
}

void fakeRelease(HANDLE heap, void* block, SIZE_T bytes) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        --f.blocks[heap];
    }
    f.heaps.release(heap, block, bytes);
}

HANDLE fakeCreateHeap(void) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (f.failHeapCreation.fires()) return nullptr;
    }
    HANDLE heap = f.heaps.createHeap();
    std::lock_guard<std::mutex> hold(f.lock);
    if (heap) f.blocks[heap] = 0;
    // A heap of the handle of a destroyed one is not the one a test aimed at.
    if (heap && heap == f.failHeap) {
        f.failHeap = nullptr;
        f.failAllocation.arm(0);
    }
    return heap;
}

// ---- Modules and the command line

HMODULE fakeLoad(LPCWSTR name) {
    Fakes& f = fakes();
    bool hidden;
    {
        std::lock_guard<std::mutex> hold(f.lock);
        hidden = f.hideLibrary;
    }
    if (!hidden) return f.modules.load(name);
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC fakeEntry(HMODULE module, LPCSTR name) {
    Fakes& f = fakes();
    FARPROC entry = f.modules.entry(module, name);
    std::lock_guard<std::mutex> hold(f.lock);
    if (!entry || !f.hideEntry) return entry;
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
}

LPWSTR fakeLine(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return &f.line[0];
}

// ---- Objects and icons

HGDIOBJ fakeAddObject(native::ObjectKind kind, void* object, native::DestroyRoutine destroy) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (kind != native::kindNone && object && f.failObject.fires()) return nullptr;
    }
    HGDIOBJ handle = f.objects.add(kind, object, destroy);
    std::lock_guard<std::mutex> hold(f.lock);
    if (handle) f.liveObjects.insert(handle);
    return handle;
}

// A kept object is a stock one: never counted.
void fakeKeepObject(HGDIOBJ handle) {
    Fakes& f = fakes();
    f.objects.keep(handle);
    std::lock_guard<std::mutex> hold(f.lock);
    f.liveObjects.erase(handle);
}

void fakeRemoveObject(HGDIOBJ handle) {
    Fakes& f = fakes();
    f.objects.remove(handle);
    std::lock_guard<std::mutex> hold(f.lock);
    f.liveObjects.erase(handle);
}

bool fakeDecodeBitmap(const ByteReader& data, native::IconImage* image) {
    Fakes& f = fakes();
    bool monochrome;
    {
        std::lock_guard<std::mutex> hold(f.lock);
        monochrome = f.monochromeIcons;
    }
    return monochrome ? native::decodeBitmapIconImage(data, true, image)
                      : f.icons.decodeBitmap(data, image);
}

BOOL fakeDrawIcon(HDC dc, int x, int y, HICON icon, int width, int height, UINT flags) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        if (f.failIconDrawing) return FALSE;
    }
    return f.iconDrawing.draw(dc, x, y, icon, width, height, flags);
}

// ---- Windows. Handles are tagged serial numbers that are never reused,
// so a handle from before nativeClearWindows stays invalid. Callers hold
// the lock.

const uintptr_t windowTag = 0x57000000u;

Fakes::Window* findWindow(Fakes& f, HWND handle) {
    for (Fakes::Window& window : f.windows)
        if (window.handle == handle && handle != nullptr) return &window;
    return nullptr;
}

// Moves the window at `from` to the top of its band (topmost or not).
void raiseInBand(Fakes& f, size_t from) {
    Fakes::Window moving = f.windows[from];
    f.windows.erase(f.windows.begin() + static_cast<long>(from));
    bool topmost = (moving.exStyle & WS_EX_TOPMOST) != 0;
    size_t to = 0;
    if (!topmost)
        while (to < f.windows.size() && (f.windows[to].exStyle & WS_EX_TOPMOST)) ++to;
    f.windows.insert(f.windows.begin() + static_cast<long>(to), moving);
}

std::string nameOf(Fakes& f, HWND handle) {
    if (handle == nullptr) return "null";
    if (handle == HWND_TOPMOST) return "HWND_TOPMOST";
    if (handle == HWND_NOTOPMOST) return "HWND_NOTOPMOST";
    Fakes::Window* window = findWindow(f, handle);
    return window ? "w" + std::to_string(window->number) : "w?";
}

BOOL fakeEnumerate(WNDENUMPROC callback, LPARAM extra) {
    if (callback == nullptr) return FALSE;
    Fakes& f = fakes();
    std::vector<HWND> order;
    {
        std::lock_guard<std::mutex> hold(f.lock);
        for (const Fakes::Window& window : f.windows) order.push_back(window.handle);
    }
    // The callback calls back into the layer, so it runs without the lock.
    for (HWND handle : order)
        if (!callback(handle, extra)) break;
    return TRUE;
}

DWORD fakeThreadAndProcess(HWND handle, LPDWORD processId) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    Fakes::Window* window = findWindow(f, handle);
    if (window == nullptr) return 0;
    if (processId != nullptr) *processId = window->processId;
    return window->threadId;
}

BOOL fakeVisible(HWND handle) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    Fakes::Window* window = findWindow(f, handle);
    return window != nullptr && window->visible;
}

BOOL fakeEnabled(HWND handle) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    Fakes::Window* window = findWindow(f, handle);
    return window != nullptr && window->enabled;
}

LONG fakeExtendedStyle(HWND handle) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    Fakes::Window* window = findWindow(f, handle);
    return window == nullptr ? 0 : window->exStyle;
}

HWND fakeForeground(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return f.foreground;
}

BOOL fakeEnable(HWND handle, BOOL enable) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.windowLog += "EnableWindow " + nameOf(f, handle) + (enable ? " TRUE\n" : " FALSE\n");
    Fakes::Window* window = findWindow(f, handle);
    if (window == nullptr) return FALSE;
    // The answer tells whether the window was disabled before.
    BOOL wasDisabled = !window->enabled;
    window->enabled = enable != FALSE;
    return wasDisabled;
}

BOOL fakePlace(HWND handle, HWND insertAfter, UINT flags) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    std::string line = "SetWindowPos " + nameOf(f, handle) + " " + nameOf(f, insertAfter);
    if (flags & SWP_NOMOVE) line += " NOMOVE";
    if (flags & SWP_NOSIZE) line += " NOSIZE";
    if (flags & SWP_NOACTIVATE) line += " NOACTIVATE";
    f.windowLog += line + "\n";

    Fakes::Window* window = findWindow(f, handle);
    if (window == nullptr) return FALSE;
    // As on the platform, a window moved in the Z order without
    // SWP_NOACTIVATE is activated: it becomes the foreground window.
    if (!(flags & SWP_NOACTIVATE)) f.foreground = handle;
    size_t position = static_cast<size_t>(window - f.windows.data());
    if (insertAfter == HWND_TOPMOST) {
        window->exStyle |= WS_EX_TOPMOST;
        raiseInBand(f, position);
    } else if (insertAfter == HWND_NOTOPMOST) {
        window->exStyle &= ~WS_EX_TOPMOST;
        raiseInBand(f, position);
    }
    return TRUE;
}

int fakeAnswer(HWND owner) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.windowLog += "MessageBoxW owner " + nameOf(f, owner) + "\n";
    return f.messageBoxAnswer;
}

// ---- In place before main

struct Installed {
    Installed() {
        Fakes& f = fakes();
        f.files = native::fileHooks;
        native::fileHooks = {fakeWrite, fakeSync, fakeRename};
        f.heaps = native::heapHooks;
        native::heapHooks = {fakeAllocate, fakeRelease, fakeCreateHeap};
        f.modules = native::moduleHooks;
        native::moduleHooks = {fakeLoad, fakeEntry};
        f.commandLine = native::commandLineHooks;
        f.objects = native::objectHooks;
        native::objectHooks = {fakeAddObject, fakeKeepObject, fakeRemoveObject};
        f.icons = native::iconHooks;
        native::iconHooks = {fakeDecodeBitmap};
        f.iconDrawing = native::iconDrawingHooks;
        native::iconDrawingHooks = {fakeDrawIcon};
        native::windowHooks = {fakeEnumerate,     fakeThreadAndProcess, fakeVisible, fakeEnabled,
                               fakeExtendedStyle, fakeForeground,       fakeEnable,  fakePlace,
                               fakeAnswer};
    }
} installed;

}  // namespace

void nativeSetArguments(int count, char** arguments) {
    native::commandLineHooks = fakes().commandLine;
    native::setArguments(count, arguments);
}

void nativeSetCommandLine(const WCHAR* line) {
    Fakes& f = fakes();
    {
        std::lock_guard<std::mutex> hold(f.lock);
        f.line = line ? std::u16string(line) : std::u16string();
    }
    native::commandLineHooks = {fakeLine};
}

void nativeFailAllocation(HANDLE heap, long n) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failHeap = heap;
    f.failAllocation.arm(n);
    f.allocations = 0;
}

long nativeAllocationCount(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    long count = f.allocations;
    f.allocations = 0;
    return count;
}

void nativeFailHeapCreation(long n) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failHeapCreation.arm(n);
}

long nativeHeapBlockCount(HANDLE heap) {
    // Freeing no block fails only for a heap that is not there.
    DWORD error = GetLastError();
    bool there = HeapFree(heap, 0, nullptr) != FALSE;
    SetLastError(error);
    if (!there) return -1;
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    auto found = f.blocks.find(heap);
    return found == f.blocks.end() ? 0 : found->second;
}

void nativeFailWrites(long fromNth) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failWritesFrom = fromNth > 0 ? fromNth : 0;
}

void nativeShortWrites(BOOL shortInsteadOfFail) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.shortWrites = shortInsteadOfFail != FALSE;
}

void nativeRecordWrites(BOOL on) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.recordingWrites = on != FALSE;
    f.writes.clear();
}

long nativeRecordedWriteCount(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return static_cast<long>(f.writes.size());
}

DWORD nativeRecordedWriteLength(long index) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    if (index < 0 || static_cast<size_t>(index) >= f.writes.size()) return 0;
    return f.writes[static_cast<size_t>(index)];
}

void nativeFailMoves(long nth) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failMove.arm(nth);
}

void nativeRecordMoves(BOOL on) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.recordingMoves = on != FALSE;
    f.fileSynced = 0;
    f.moves.clear();
}

long nativeRecordedMoveCount(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return static_cast<long>(f.moves.size());
}

int nativeRecordedMoveSyncs(long index) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    if (index < 0 || static_cast<size_t>(index) >= f.moves.size()) return 0;
    return f.moves[static_cast<size_t>(index)];
}

void nativeHideAlphaBlend(BOOL hideLibrary, BOOL hideEntry) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.hideLibrary = hideLibrary != FALSE;
    f.hideEntry = hideEntry != FALSE;
}

long nativeObjectCount(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return static_cast<long>(f.liveObjects.size());
}

void nativeFailObjects(long n) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failObject.arm(n);
}

void nativeMonochromeIconsWithoutColour(BOOL on) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.monochromeIcons = on != FALSE;
}

void nativeFailIconDrawing(BOOL on) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.failIconDrawing = on != FALSE;
}

HWND nativeAddWindow(DWORD threadId, DWORD processId, BOOL visible, BOOL enabled, LONG exStyle) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    Fakes::Window window;
    window.handle = reinterpret_cast<HWND>(windowTag | (f.nextSerial++ << 4));
    window.number = f.nextNumber++;
    window.threadId = threadId;
    window.processId = processId;
    window.visible = visible != FALSE;
    window.enabled = enabled != FALSE;
    window.exStyle = exStyle;
    f.windows.push_back(window);
    raiseInBand(f, f.windows.size() - 1);
    return window.handle;
}

void nativeSetForegroundWindow(HWND window) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.foreground = window;
}

void nativeClearWindows(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.windows.clear();
    f.nextNumber = 1;
    f.foreground = nullptr;
    f.windowLog.clear();
}

const char* nativeWindowLog(void) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    return f.windowLog.c_str();
}

void nativeSetMessageBoxAnswer(int answer) {
    Fakes& f = fakes();
    std::lock_guard<std::mutex> hold(f.lock);
    f.messageBoxAnswer = answer;
}
