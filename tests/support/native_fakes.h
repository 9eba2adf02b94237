// Fakes for the native layer's hooks (platform/native/*/..._hooks.h):
// failing, counting and recording stand-ins for the system's calls, linked
// into native test programs only. They are in place from the start of the
// program and pass every call through until a test arms them; counts run
// from the start too.
#ifndef CELPACK_TESTS_NATIVE_FAKES_H
#define CELPACK_TESTS_NATIVE_FAKES_H

#include "platform/native/types.h"

// The process's command line: as argv would give it, or a raw UTF-16 line.
void nativeSetArguments(int count, char** arguments);
void nativeSetCommandLine(const WCHAR* line);

// Heap faults. Allocation number n (1-based, counted from this call, over
// the blocks HeapAlloc and HeapReAlloc take from every heap, or only from
// `heap` when it is not null) fails; 0 turns the fault off.
// nativeAllocationCount tells how many allocations have been asked for
// since the last call of either.
void nativeFailAllocation(HANDLE heap, long n);
long nativeAllocationCount(void);
// HeapCreate number n (1-based, counted from this call) fails; 0 turns
// the fault off.
void nativeFailHeapCreation(long n);
// Blocks still allocated in a heap; -1 for a heap that is not there.
long nativeHeapBlockCount(HANDLE heap);

// File write faults and records. From the nth write to a file (1-based,
// counted from this call; the standard streams are not files) the write
// fails with ERROR_DISK_FULL and writes nothing; 0 turns the fault off.
// nativeShortWrites makes a failing write put half its length and report
// success instead.
void nativeFailWrites(long fromNth);
void nativeShortWrites(BOOL shortInsteadOfFail);
// While on, the length of every write to a file (as asked) is recorded.
void nativeRecordWrites(BOOL on);
long nativeRecordedWriteCount(void);
DWORD nativeRecordedWriteLength(long index);

// The nth rename of a move (1-based, counted from this call) fails with
// ERROR_ACCESS_DENIED and moves nothing; 0 turns the fault off.
void nativeFailMoves(long nth);
// While on, every rename is recorded with the syncs to the disk around it:
// NATIVE_SYNCED_FILE, a file synced since the rename before, and
// NATIVE_SYNCED_DIRECTORY, a directory synced after it.
#define NATIVE_SYNCED_FILE 1
#define NATIVE_SYNCED_DIRECTORY 2
void nativeRecordMoves(BOOL on);
long nativeRecordedMoveCount(void);
int nativeRecordedMoveSyncs(long index);

// Make msimg32 (or only its "AlphaBlend" entry) absent for LoadLibraryW
// and GetProcAddress.
void nativeHideAlphaBlend(BOOL hideLibrary, BOOL hideEntry);

// Bitmaps, DCs, brushes, fonts and icons alive, the stock objects left out.
long nativeObjectCount(void);
// Object making number n (1-based, counted from this call, over bitmaps,
// DCs, brushes and icons) fails as if the table were full; 0 turns the
// fault off.
void nativeFailObjects(long n);

// While on, 1-bit icons whose colours are black then white are monochrome
// as Windows makes them: GetIconInfo gives no colour bitmap.
void nativeMonochromeIconsWithoutColour(BOOL on);
// While on, DrawIconEx draws nothing and fails, as it does on a platform
// short of resources: a loaded icon that cannot be drawn.
void nativeFailIconDrawing(BOOL on);

// A desktop of windows for the message box tests, kept in the platform's Z
// order: topmost windows above the others, a new or raised window on top
// of its band.
HWND nativeAddWindow(DWORD threadId, DWORD processId, BOOL visible, BOOL enabled, LONG exStyle);
void nativeSetForegroundWindow(HWND window);
void nativeClearWindows(void);
// A log of EnableWindow and SetWindowPos calls and of MessageBoxW's owner,
// one line each, windows named w1, w2, ... in the order they were added.
const char* nativeWindowLog(void);
// The answer MessageBoxW gives (IDOK unless set).
void nativeSetMessageBoxAnswer(int answer);

#endif
