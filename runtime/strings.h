// Strings of the runtime: the StringHeap, the StringWorkspace in which
// temporary strings are built, and string variables kept on the StringHeap.
// A temporary lives until the next temporary is built; whoever needs it
// longer copies it with keepString.
#ifndef CELPACK_STRINGS_H
#define CELPACK_STRINGS_H

#include "platform/platform.h"

// One process-wide buffer of UTF-16 units on the StringHeap. Temporaries
// are built at `position`; both figures count bytes.
struct StringWorkspace {
    WCHAR* buffer;
    int32_t position;
    int32_t capacity;
};

extern HANDLE stringHeap;  // the workspace buffer and every string variable
extern StringWorkspace stringWorkspace;

// Creates the StringHeap and the 16-byte workspace buffer (not zero-filled).
// Run by startRuntime; a heap or buffer it cannot get ends the process.
void initStrings();
// Frees the workspace buffer and destroys the StringHeap with every string
// variable in it.
void endStrings();

// Room for `units` UTF-16 units at the workspace position, the workspace
// grown as needed; null when it cannot grow. The room is the next
// temporary; it is not NUL-ended.
WCHAR* temporaryRoom(size_t units);

// first + second as a temporary. Either may itself be a temporary. When the
// workspace cannot grow the result is the empty string.
const WCHAR* joinTemporary(const WCHAR* first, const WCHAR* second);

// A copy of text in a new string variable on the StringHeap, or null when
// the heap is exhausted. A null text is kept as the empty string.
WCHAR* keepString(const WCHAR* text);

#endif
