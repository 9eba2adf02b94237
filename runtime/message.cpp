#include "runtime/message.h"

RecordList heldWindows;

// Moving a window between the bands must not activate it: an activated
// window becomes the foreground window, so the box could be owned by a
// window the hold disabled, and the user's active window would change.
static const UINT bandChangeOnly = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;

static BOOL CALLBACK holdWindow(HWND window, LPARAM) {
    if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;

    HeldWindow* held = static_cast<HeldWindow*>(addListRecord(&heldWindows, sizeof(HeldWindow)));
    // Without a record the window cannot be given back later, so it is
    // left as it is.
    if (held == nullptr) return TRUE;
    held->window = window;
    held->threadId = GetCurrentThreadId();

    if (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) held->wasTopmost = 1;
    if (window != GetForegroundWindow() && IsWindowEnabled(window)) {
        held->disabledHere = 1;
        EnableWindow(window, FALSE);
    }
    return TRUE;
}

void holdThreadWindows() {
    EnumWindows(holdWindow, 1);

    DWORD thread = GetCurrentThreadId();
    for (HeldWindow* held = static_cast<HeldWindow*>(newestListRecord(&heldWindows));
         held != nullptr; held = static_cast<HeldWindow*>(olderListRecord(held))) {
        if (held->threadId == thread && held->wasTopmost)
            SetWindowPos(held->window, HWND_NOTOPMOST, 0, 0, 0, 0, bandChangeOnly);
    }
}

void releaseThreadWindows() {
    DWORD thread = GetCurrentThreadId();
    HeldWindow* held = static_cast<HeldWindow*>(newestListRecord(&heldWindows));
    while (held != nullptr) {
        // The record goes away below; its neighbour is read first.
        HeldWindow* older = static_cast<HeldWindow*>(olderListRecord(held));
        if (held->threadId == thread) {
            if (held->disabledHere) EnableWindow(held->window, TRUE);
            if (held->wasTopmost)
                SetWindowPos(held->window, HWND_TOPMOST, 0, 0, 0, 0, bandChangeOnly);
            removeListRecord(&heldWindows, held);
        }
        held = older;
    }
}

HWND messageOwner() {
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

int32_t showMessage(const WCHAR* caption, const WCHAR* text, uint32_t flags) {
    holdThreadWindows();
    // Chosen after the hold, so the owner is never a window the hold disabled.
    HWND owner = messageOwner();
    int32_t result = MessageBoxW(owner, text, caption, flags);
    releaseThreadWindows();
    return result;
}
