// The user room's calls that tests may replace, one small table per file
// that makes them. Each starts as the real call; tests may put a fake in
// its place (tests/support/native_fakes.h) and call the one they replaced.
#ifndef CELPACK_NATIVE_USER_HOOKS_H
#define CELPACK_NATIVE_USER_HOOKS_H

#include "platform/byte_reader.h"
#include "platform/native/user.h"
#include "platform/native/user/icon_image.h"

namespace native {

// windows_and_message_box.cpp: the top-level windows of the desktop, which
// a terminal has none of, and the answer of a message box nobody can see.
struct WindowHooks {
    BOOL (*enumerate)(WNDENUMPROC callback, LPARAM extra);
    DWORD (*threadAndProcess)(HWND window, LPDWORD processId);
    BOOL (*visible)(HWND window);
    BOOL (*enabled)(HWND window);
    LONG (*extendedStyle)(HWND window);
    HWND (*foreground)(void);
    BOOL (*enable)(HWND window, BOOL enable);
    BOOL (*place)(HWND window, HWND insertAfter, UINT flags);
    int (*answerMessageBox)(HWND owner);
};
extern WindowHooks windowHooks;

// icons.cpp: icon resource data in the bitmap layout, decoded.
struct IconHooks {
    bool (*decodeBitmap)(const ByteReader& data, IconImage* image);
};
extern IconHooks iconHooks;

// icons_drawing.cpp: DrawIconEx without its unused step and brush.
struct IconDrawingHooks {
    BOOL (*draw)(HDC dc, int x, int y, HICON icon, int width, int height, UINT flags);
};
extern IconDrawingHooks iconDrawingHooks;

}  // namespace native

#endif
