// The floor of the runtime: the RuntimeHeap that holds every runtime
// record, and the way out when start-up cannot get what it needs. It calls
// nothing else of the runtime; everything else of the runtime may call it.
#ifndef CELPACK_HEAPS_H
#define CELPACK_HEAPS_H

#include "platform/platform.h"

extern HANDLE runtimeHeap;  // every runtime record

// Creates the RuntimeHeap (serialised, growable, 4096 bytes at first);
// a heap it cannot get ends the process.
void initRecords();
// Destroys the RuntimeHeap with every record still in it.
void endRecords();

// A zero-filled record from the RuntimeHeap, or null.
void* takeRecord(SIZE_T bytes);
// Gives a block back to the RuntimeHeap; null is ignored.
void giveBackRecord(void* block);

// A new private heap as the runtime makes them, or null.
HANDLE createRuntimeHeap();

// Ends the process at once because start-up could not get what it needs:
// one line on standard error natively, then exit code 0.
[[noreturn]] void abandonStartup(const char* what);

#endif
