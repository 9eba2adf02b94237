// Test seams of the kernel room: the command line, heap and file faults,
// a missing msimg32. Tests reach them through platform/native/seams.h;
// product code never does. Every seam is off until a test turns it on and
// costs one comparison when off.
#ifndef CELPACK_NATIVE_KERNEL_SEAMS_H
#define CELPACK_NATIVE_KERNEL_SEAMS_H

#include "platform/native/types.h"

// The native process's command line: nativeStartProcess hands over argv;
// tests may set arguments or the raw UTF-16 line.
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

// The nth MoveFileExW (1-based, counted from this call) fails with
// ERROR_ACCESS_DENIED and moves nothing; 0 turns the seam off.
void nativeFailMoves(long nth);
// While on, every MoveFileExW is recorded: the flags it was given, and
// which of its syncs to the disk succeeded (NATIVE_SYNCED_FILE: the file
// before the rename, NATIVE_SYNCED_DIRECTORY: its new directory after).
#define NATIVE_SYNCED_FILE 1
#define NATIVE_SYNCED_DIRECTORY 2
void nativeRecordMoves(BOOL on);
long nativeRecordedMoveCount(void);
DWORD nativeRecordedMoveFlags(long index);
int nativeRecordedMoveSyncs(long index);

// Make msimg32 (or only its "AlphaBlend" entry) absent for LoadLibraryW
// and GetProcAddress.
void nativeHideAlphaBlend(BOOL hideLibrary, BOOL hideEntry);

#endif
