// Test seams of the native layer. Tests include this header directly;
// product code never does. Every seam is off until a test turns it on and
// costs one comparison when off.
#ifndef CELPACK_NATIVE_SEAMS_H
#define CELPACK_NATIVE_SEAMS_H

#include "platform/native/types.h"

// The native process's command line: main hands over argv; tests may set
// the raw UTF-16 line.
void nativeSetArguments(int count, char** arguments);
void nativeSetCommandLine(const WCHAR* line);

// Heap faults. Allocation number n (1-based, counted from this call, over
// HeapAlloc and HeapReAlloc of every heap, or only of `heap` when it is not
// null) fails; 0 turns the seam off. nativeAllocationCount tells how many
// allocations have been made since the last call of either.
void nativeFailAllocation(HANDLE heap, long n);
long nativeAllocationCount(void);
// HeapCreate number n (1-based, counted from this call) fails; 0 turns
// the seam off.
void nativeFailHeapCreation(long n);
// Blocks still allocated in a heap.
long nativeHeapBlockCount(HANDLE heap);

// Bitmaps, DCs, brushes, fonts and icons alive, the stock objects left out.
long nativeObjectCount(void);

// File write faults and records. From the nth WriteFile on (1-based,
// counted from this call, over every file) the platform write fails and
// writes nothing; 0 turns the seam off. nativeShortWrites makes a failing
// write report half its length written instead of failing outright.
void nativeFailWrites(long fromNth);
void nativeShortWrites(BOOL shortInsteadOfFail);
// While on, the length of every WriteFile (as asked) is recorded.
void nativeRecordWrites(BOOL on);
long nativeRecordedWriteCount(void);
DWORD nativeRecordedWriteLength(long index);

// Make msimg32 (or only its "AlphaBlend" entry) absent for LoadLibraryW
// and GetProcAddress.
void nativeHideAlphaBlend(BOOL hideLibrary, BOOL hideEntry);

// Monochrome icons: while on, GetIconInfo gives icons of 1 bit per pixel
// no colour bitmap, as Windows does.
void nativeMonochromeIconsWithoutColour(BOOL on);

// Window registry for the message box tests.
HWND nativeAddWindow(DWORD threadId, DWORD processId, BOOL visible,
                     BOOL enabled, LONG exStyle);
void nativeSetForegroundWindow(HWND window);
void nativeClearWindows(void);
// A log of EnableWindow and SetWindowPos calls and of MessageBoxW's owner,
// one line each, windows named w1, w2, ... in the order they were added.
const char* nativeWindowLog(void);

// Message boxes: the answer MessageBoxW gives (IDOK unless set).
void nativeSetMessageBoxAnswer(int answer);

#endif
