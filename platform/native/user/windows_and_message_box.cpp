// Top-level windows and the message box of the native build.
//
// A program on a terminal has no windows: the desktop it would enumerate
// is empty, unless a hook says otherwise. The message box cannot be shown
// on a terminal; it writes its caption and text as one line of UTF-8 on
// standard error and answers like a closed box.
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/user.h"
#include "platform/native/user/user_hooks.h"

namespace {

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

BOOL noWindowsToEnumerate(WNDENUMPROC callback, LPARAM) { return callback != nullptr; }
DWORD noThreadAndProcess(HWND, LPDWORD) { return 0; }
BOOL noWindow(HWND) { return FALSE; }
LONG noExtendedStyle(HWND) { return 0; }
HWND noForeground(void) { return nullptr; }
BOOL noWindowToEnable(HWND, BOOL) { return FALSE; }
BOOL noWindowToPlace(HWND, HWND, UINT) { return FALSE; }
int closedBox(HWND) { return IDOK; }

}  // namespace

native::WindowHooks native::windowHooks = {
    noWindowsToEnumerate, noThreadAndProcess, noWindow,        noWindow, noExtendedStyle,
    noForeground,         noWindowToEnable,   noWindowToPlace, closedBox};

BOOL EnumWindows(WNDENUMPROC callback, LPARAM extra) {
    return native::windowHooks.enumerate(callback, extra);
}

DWORD GetWindowThreadProcessId(HWND handle, LPDWORD processId) {
    return native::windowHooks.threadAndProcess(handle, processId);
}

BOOL IsWindowVisible(HWND handle) { return native::windowHooks.visible(handle); }

BOOL IsWindowEnabled(HWND handle) { return native::windowHooks.enabled(handle); }

LONG GetWindowLongA(HWND handle, int index) {
    return index == GWL_EXSTYLE ? native::windowHooks.extendedStyle(handle) : 0;
}

HWND GetForegroundWindow(void) { return native::windowHooks.foreground(); }

BOOL EnableWindow(HWND handle, BOOL enable) { return native::windowHooks.enable(handle, enable); }

BOOL SetWindowPos(HWND handle, HWND insertAfter, int, int, int, int, UINT flags) {
    return native::windowHooks.place(handle, insertAfter, flags);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT) {
    int answer = native::windowHooks.answerMessageBox(owner);
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
