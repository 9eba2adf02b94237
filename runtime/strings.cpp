// The StringHeap and the StringWorkspace.
#include "runtime/strings.h"

#include "runtime/heaps.h"

HANDLE stringHeap;
StringWorkspace stringWorkspace;

namespace {

const int32_t initialWorkspaceBytes = 16;
const WCHAR emptyString[1] = {0};

size_t textLength(const WCHAR* text) { return text ? wcslen(text) : 0; }

// The byte offset of text inside the workspace buffer, or -1 when it lies
// elsewhere.
ptrdiff_t workspaceOffset(const WCHAR* text) {
    const char* start = reinterpret_cast<const char*>(stringWorkspace.buffer);
    const char* address = reinterpret_cast<const char*>(text);
    if (!text || !start || address < start || address >= start + stringWorkspace.capacity)
        return -1;
    return address - start;
}

// Makes the buffer at least `bytes` long, doubling; false when the heap
// refuses or the size does not fit the capacity figure.
bool growWorkspace(size_t bytes) {
    if (bytes <= static_cast<size_t>(stringWorkspace.capacity)) return true;
    if (!stringWorkspace.buffer || bytes > 0x7FFFFFFF) return false;
    size_t capacity = static_cast<size_t>(stringWorkspace.capacity);
    while (capacity < bytes) capacity = capacity > 0x3FFFFFFF ? 0x7FFFFFFF : capacity * 2;
    void* grown = HeapReAlloc(stringHeap, 0, stringWorkspace.buffer, capacity);
    if (!grown) return false;
    stringWorkspace.buffer = static_cast<WCHAR*>(grown);
    stringWorkspace.capacity = static_cast<int32_t>(capacity);
    return true;
}

}  // namespace

void initStrings() {
    stringWorkspace.buffer = nullptr;
    stringWorkspace.position = 0;
    stringWorkspace.capacity = initialWorkspaceBytes;
    stringHeap = createRuntimeHeap();
    if (!stringHeap) abandonStartup("the string heap");
    stringWorkspace.buffer = static_cast<WCHAR*>(HeapAlloc(stringHeap, 0, initialWorkspaceBytes));
    if (!stringWorkspace.buffer) abandonStartup("the string workspace");
}

void endStrings() {
    if (stringHeap) {
        if (stringWorkspace.buffer) HeapFree(stringHeap, 0, stringWorkspace.buffer);
        HeapDestroy(stringHeap);
    }
    stringHeap = nullptr;
    stringWorkspace.buffer = nullptr;
    stringWorkspace.position = 0;
    stringWorkspace.capacity = 0;
}

WCHAR* temporaryRoom(size_t units) {
    size_t position = static_cast<size_t>(stringWorkspace.position);
    if (units > (0x7FFFFFFF - position) / sizeof(WCHAR)) return nullptr;
    if (!growWorkspace(position + units * sizeof(WCHAR))) return nullptr;
    return reinterpret_cast<WCHAR*>(reinterpret_cast<char*>(stringWorkspace.buffer) + position);
}

const WCHAR* joinTemporary(const WCHAR* first, const WCHAR* second) {
    size_t firstLength = textLength(first);
    size_t secondLength = textLength(second);
    // A part that is itself a temporary must survive the growth of the
    // buffer and must not be overwritten: the result goes after it.
    ptrdiff_t firstOffset = workspaceOffset(first);
    ptrdiff_t secondOffset = workspaceOffset(second);
    size_t start = static_cast<size_t>(stringWorkspace.position);
    if (firstOffset >= 0 &&
        static_cast<size_t>(firstOffset) + (firstLength + 1) * sizeof(WCHAR) > start)
        start = static_cast<size_t>(firstOffset) + (firstLength + 1) * sizeof(WCHAR);
    if (secondOffset >= 0 &&
        static_cast<size_t>(secondOffset) + (secondLength + 1) * sizeof(WCHAR) > start)
        start = static_cast<size_t>(secondOffset) + (secondLength + 1) * sizeof(WCHAR);
    size_t units = firstLength + secondLength + 1;
    if (units > (0x7FFFFFFF - start) / sizeof(WCHAR)) return emptyString;
    if (!growWorkspace(start + units * sizeof(WCHAR))) return emptyString;

    char* base = reinterpret_cast<char*>(stringWorkspace.buffer);
    if (firstOffset >= 0) first = reinterpret_cast<const WCHAR*>(base + firstOffset);
    if (secondOffset >= 0) second = reinterpret_cast<const WCHAR*>(base + secondOffset);
    WCHAR* result = reinterpret_cast<WCHAR*>(base + start);
    if (firstLength) memcpy(result, first, firstLength * sizeof(WCHAR));
    if (secondLength) memcpy(result + firstLength, second, secondLength * sizeof(WCHAR));
    result[firstLength + secondLength] = 0;
    return result;
}

WCHAR* keepString(const WCHAR* text) {
    if (!stringHeap) return nullptr;
    size_t length = textLength(text);
    WCHAR* kept = static_cast<WCHAR*>(HeapAlloc(stringHeap, 0, (length + 1) * sizeof(WCHAR)));
    if (!kept) return nullptr;
    if (length) memcpy(kept, text, length * sizeof(WCHAR));
    kept[length] = 0;
    return kept;
}
