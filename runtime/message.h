// The message requester: a modal platform message box that first holds the
// calling thread's other visible windows (disabled, out of the topmost band)
// and afterwards gives back exactly what it took. The list of held windows
// is process-wide; each record carries the thread that held it.
#ifndef CELPACK_MESSAGE_H
#define CELPACK_MESSAGE_H

#include "platform/platform.h"
#include "runtime/object_table.h"

// One window held while a box is shown, taken zero-filled from the
// RuntimeHeap.
struct HeldWindow {
    uint32_t threadId;     // the thread that held it
    HWND window;           // a top-level window of that thread
    uint8_t wasTopmost;    // it had WS_EX_TOPMOST when held
    uint8_t disabledHere;  // the hold disabled it
};

extern RecordList heldWindows;

// Shows the box and returns MessageBoxW's answer: the button that closed
// it, or 0 when it could not be shown. The flags go to the platform as
// they are; 0 is one OK button and no icon.
int32_t showMessage(const WCHAR* caption, const WCHAR* text, uint32_t flags);

// Records every visible top-level window of the calling thread, takes the
// topmost ones out of the topmost band and disables the enabled ones other
// than the foreground window.
void holdThreadWindows();

// Undoes every hold of the calling thread still in the list and forgets its
// records; other threads' records stay.
void releaseThreadWindows();

// The foreground window when this process owns it, else null.
HWND messageOwner();

#endif
