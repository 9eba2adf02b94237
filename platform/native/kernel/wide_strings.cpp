// The C runtime's wide-string functions on UTF-16 code units.
#include "platform/native/kernel.h"

size_t wcslen(const WCHAR* text) {
    const WCHAR* end = text;
    while (*end) ++end;
    return static_cast<size_t>(end - text);
}

// Copies up to count units and pads the rest of the target with NULs; no
// NUL is added when the source fills all count units.
WCHAR* wcsncpy(WCHAR* target, const WCHAR* source, size_t count) {
    size_t i = 0;
    for (; i < count && source[i]; ++i) target[i] = source[i];
    for (; i < count; ++i) target[i] = 0;
    return target;
}
