// Test seams of the user room: monochrome icons as Windows hands them
// out, the window registry and the message box's answer. Tests reach them
// through platform/native/seams.h; product code never does.
#ifndef CELPACK_NATIVE_USER_SEAMS_H
#define CELPACK_NATIVE_USER_SEAMS_H

#include "platform/native/types.h"

// Monochrome icons: while on, GetIconInfo gives icons of 1 bit per pixel
// no colour bitmap, as Windows does.
void nativeMonochromeIconsWithoutColour(BOOL on);

// While on, DrawIconEx draws nothing and fails, as it does on a platform
// short of resources: a loaded icon that cannot be drawn.
void nativeFailIconDrawing(BOOL on);

// Window registry for the message box tests.
HWND nativeAddWindow(DWORD threadId, DWORD processId, BOOL visible, BOOL enabled, LONG exStyle);
void nativeSetForegroundWindow(HWND window);
void nativeClearWindows(void);
// A log of EnableWindow and SetWindowPos calls and of MessageBoxW's owner,
// one line each, windows named w1, w2, ... in the order they were added.
const char* nativeWindowLog(void);

// Message boxes: the answer MessageBoxW gives (IDOK unless set).
void nativeSetMessageBoxAnswer(int answer);

#endif
