// Top-level windows and the message box of the native build.
//
// The tool itself never creates a window, so the registry is empty unless
// a test fills it. Windows are kept in the platform's Z order: topmost
// windows above the others, and a new or raised window on top of its band.
// The message box cannot be shown on a terminal; it writes its caption and
// text as one line of UTF-8 on standard error and answers like a closed
// box.
#include <stdio.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/user/user_seams.h"
#include "platform/native/user.h"

namespace {

struct Window {
    HWND handle;
    int number;  // 1-based, in the order the test added it; names it in the log
    DWORD threadId;
    DWORD processId;
    bool visible;
    bool enabled;
    LONG exStyle;
};

// Handles are tagged serial numbers that are never reused, so a handle
// from before nativeClearWindows stays invalid.
const uintptr_t windowTag = 0x57000000u;

std::mutex registryLock;
std::vector<Window> windows;  // Z order, top first
uintptr_t nextSerial = 1;
int nextNumber = 1;
HWND foreground = nullptr;
std::string windowLog;
int messageBoxAnswer = IDOK;

// Callers hold registryLock.
Window* findWindow(HWND handle) {
    for (Window& window : windows)
        if (window.handle == handle && handle != nullptr) return &window;
    return nullptr;
}

size_t positionOf(const Window* window) { return static_cast<size_t>(window - windows.data()); }

// Moves the window at `from` to the top of its band (topmost or not).
void raiseInBand(size_t from) {
    Window moving = windows[from];
    windows.erase(windows.begin() + static_cast<long>(from));
    bool topmost = (moving.exStyle & WS_EX_TOPMOST) != 0;
    size_t to = 0;
    if (!topmost)
        while (to < windows.size() && (windows[to].exStyle & WS_EX_TOPMOST)) ++to;
    windows.insert(windows.begin() + static_cast<long>(to), moving);
}

std::string nameOf(HWND handle) {
    if (handle == nullptr) return "null";
    if (handle == HWND_TOPMOST) return "HWND_TOPMOST";
    if (handle == HWND_NOTOPMOST) return "HWND_NOTOPMOST";
    Window* window = findWindow(handle);
    return window ? "w" + std::to_string(window->number) : "w?";
}

// Text as the file system's bytes, so a picture name that was not valid
// UTF-8 is shown as it was given; control bytes, newlines included, as
// \xNN, so that the box stays one line and a name cannot drive the
// terminal.
void appendShown(std::string& out, const WCHAR* text) {
    if (text == nullptr) return;
    static const char hex[] = "0123456789abcdef";
    for (char c : native::bytesFromUtf16(text, wcslen(text))) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC callback, LPARAM extra) {
    if (callback == nullptr) return FALSE;
    std::vector<HWND> order;
    {
        std::lock_guard<std::mutex> hold(registryLock);
        for (const Window& window : windows) order.push_back(window.handle);
    }
    // The callback calls back into the layer, so it runs without the lock.
    for (HWND handle : order)
        if (!callback(handle, extra)) break;
    return TRUE;
}

DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
    std::lock_guard<std::mutex> hold(registryLock);
    Window* window = findWindow(handle);
    if (window == nullptr) return 0;
    if (processId != nullptr) *processId = window->processId;
    return window->threadId;
}

BOOL IsWindowVisible(HWND handle) {
    std::lock_guard<std::mutex> hold(registryLock);
    Window* window = findWindow(handle);
    return window != nullptr && window->visible;
}

BOOL IsWindowEnabled(HWND handle) {
    std::lock_guard<std::mutex> hold(registryLock);
    Window* window = findWindow(handle);
    return window != nullptr && window->enabled;
}

LONG GetWindowLongA(HWND handle, int index) {
    std::lock_guard<std::mutex> hold(registryLock);
    Window* window = findWindow(handle);
    if (window == nullptr || index != GWL_EXSTYLE) return 0;
    return window->exStyle;
}

HWND GetForegroundWindow(void) {
    std::lock_guard<std::mutex> hold(registryLock);
    return foreground;
}

BOOL EnableWindow(HWND handle, BOOL enable) {
    std::lock_guard<std::mutex> hold(registryLock);
    windowLog += "EnableWindow " + nameOf(handle) + (enable ? " TRUE\n" : " FALSE\n");
    Window* window = findWindow(handle);
    if (window == nullptr) return FALSE;
    // The answer tells whether the window was disabled before.
    BOOL wasDisabled = !window->enabled;
    window->enabled = enable != FALSE;
    return wasDisabled;
}

BOOL SetWindowPos(HWND handle, HWND insertAfter, int, int, int, int, UINT flags) {
    std::lock_guard<std::mutex> hold(registryLock);
    std::string line = "SetWindowPos " + nameOf(handle) + " " + nameOf(insertAfter);
    if (flags & SWP_NOMOVE) line += " NOMOVE";
    if (flags & SWP_NOSIZE) line += " NOSIZE";
    if (flags & SWP_NOACTIVATE) line += " NOACTIVATE";
    windowLog += line + "\n";

    Window* window = findWindow(handle);
    if (window == nullptr) return FALSE;
    // As on the platform, a window moved in the Z order without
    // SWP_NOACTIVATE is activated: it becomes the foreground window.
    if (!(flags & SWP_NOACTIVATE)) foreground = handle;
    if (insertAfter == HWND_TOPMOST) {
        window->exStyle |= WS_EX_TOPMOST;
        raiseInBand(positionOf(window));
    } else if (insertAfter == HWND_NOTOPMOST) {
        window->exStyle &= ~WS_EX_TOPMOST;
        raiseInBand(positionOf(window));
    }
    return TRUE;
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT) {
    int answer;
    {
        std::lock_guard<std::mutex> hold(registryLock);
        windowLog += "MessageBoxW owner " + nameOf(owner) + "\n";
        answer = messageBoxAnswer;
    }
    std::string line;
    // The platform captions a box without a caption "Error".
    if (caption != nullptr)
        appendShown(line, caption);
    else
        line += "Error";
    line += ": ";
    appendShown(line, text);
    line += "\n";
    // Written at once, so lines of concurrent boxes do not interleave.
    size_t done = 0;
    while (done < line.size()) {
        ssize_t n = write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    return answer;
}

// ---- Seams

HWND nativeAddWindow(DWORD threadId, DWORD processId, BOOL visible, BOOL enabled, LONG exStyle) {
    std::lock_guard<std::mutex> hold(registryLock);
    Window window;
    window.handle = reinterpret_cast<HWND>(windowTag | (nextSerial++ << 4));
    window.number = nextNumber++;
    window.threadId = threadId;
    window.processId = processId;
    window.visible = visible != FALSE;
    window.enabled = enabled != FALSE;
    window.exStyle = exStyle;
    windows.push_back(window);
    raiseInBand(windows.size() - 1);
    return window.handle;
}

void nativeSetForegroundWindow(HWND window) {
    std::lock_guard<std::mutex> hold(registryLock);
    foreground = window;
}

void nativeClearWindows(void) {
    std::lock_guard<std::mutex> hold(registryLock);
    windows.clear();
    nextNumber = 1;
    foreground = nullptr;
    windowLog.clear();
}

const char* nativeWindowLog(void) {
    std::lock_guard<std::mutex> hold(registryLock);
    return windowLog.c_str();
}

void nativeSetMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> hold(registryLock);
    messageBoxAnswer = answer;
}
