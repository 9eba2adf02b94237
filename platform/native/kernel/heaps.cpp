// Private heaps. Each heap keeps the set of its live blocks, so HeapFree and
// HeapSize can refuse a block that is not theirs and HeapDestroy can give
// back every block still allocated. Blocks that are not asked to be zeroed
// are filled with a pattern, so code that forgets HEAP_ZERO_MEMORY shows up.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>
#include <unordered_map>

#include "platform/native/kernel.h"
#include "platform/native/kernel/kernel_services.h"
#include "platform/native/kernel/kernel_hooks.h"

namespace {

const unsigned char garbageByte = 0xA5;
// The largest block a 32-bit process could hope for; larger requests fail
// as they do there.
const SIZE_T largestBlock = 0x7FFF0000;

struct Heap {
    std::unordered_map<void*, SIZE_T> blocks;
    bool processHeap = false;
};

struct Heaps {
    std::mutex lock;
    native::KernelTable<Heap, native::kernelHeap> table;
    HANDLE processHeap = nullptr;
};

// Never destroyed: blocks may be freed from other static destructors.
Heaps& heaps() {
    static Heaps* state = new Heaps;
    return *state;
}

Heap* findHeap(Heaps& state, HANDLE handle) { return state.table.find(handle); }

HANDLE addHeap(Heaps& state, Heap* heap) { return state.table.add(heap); }

// Only the head of a block is marked: records, where a forgotten zero flag
// matters, fit in it, and marking a whole file's block would cost as much
// as reading the file.
const SIZE_T markedBytes = 64 * 1024;

// Behind every block, a few bytes of the pattern: a read one past the end
// finds garbage rather than a lucky zero, and a write there is caught when
// the block goes. The address checker watches such reads itself, and the
// tail would hide them from it.
#if defined(__SANITIZE_ADDRESS__)
const SIZE_T tailBytes = 0;
#else
const SIZE_T tailBytes = 16;
#endif

void markTail(void* block, SIZE_T bytes) {
    memset(static_cast<unsigned char*>(block) + bytes, garbageByte, tailBytes);
}

void* newBlock(HANDLE, SIZE_T bytes, bool zero) {
    void* block = native::allocateBlock(bytes + tailBytes, zero);
    if (!block) return nullptr;
    if (!zero) memset(block, garbageByte, bytes < markedBytes ? bytes : markedBytes);
    markTail(block, bytes);
    return block;
}

// A block whose tail was written over: the process cannot go on safely.
void checkTail(void* block, SIZE_T bytes) {
    const unsigned char* tail = static_cast<const unsigned char*>(block) + bytes;
    for (SIZE_T i = 0; i < tailBytes; ++i) {
        if (tail[i] != garbageByte) {
            static const char message[] = "native heap: a block was written past its end\n";
            fwrite(message, 1, sizeof message - 1, stderr);
            abort();
        }
    }
}

void freeCheckedBlock(HANDLE, void* block, SIZE_T bytes) {
    checkTail(block, bytes);
    native::freeBlock(block);
}

// Called with the table's lock held.
HANDLE newHeap(void) { return addHeap(heaps(), new Heap); }

}  // namespace

native::HeapHooks native::heapHooks = {newBlock, freeCheckedBlock, newHeap};

HANDLE HeapCreate(DWORD, SIZE_T, SIZE_T) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    HANDLE heap = native::heapHooks.createHeap();
    if (!heap) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return heap;
}

HANDLE GetProcessHeap(void) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.processHeap) {
        Heap* heap = new Heap;
        heap->processHeap = true;
        state.processHeap = addHeap(state, heap);
    }
    return state.processHeap;
}

BOOL HeapDestroy(HANDLE handle) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    Heap* heap = findHeap(state, handle);
    if (!heap || heap->processHeap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    for (auto& block : heap->blocks) native::heapHooks.release(handle, block.first, block.second);
    state.table.remove(handle);
    delete heap;
    return TRUE;
}

LPVOID HeapAlloc(HANDLE handle, DWORD flags, SIZE_T bytes) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    Heap* heap = findHeap(state, handle);
    if (!heap) return nullptr;
    if (bytes > largestBlock) return nullptr;
    void* block = native::heapHooks.allocate(handle, bytes, (flags & HEAP_ZERO_MEMORY) != 0);
    if (!block) return nullptr;
    heap->blocks.emplace(block, bytes);
    return block;
}

LPVOID HeapReAlloc(HANDLE handle, DWORD flags, LPVOID block, SIZE_T bytes) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    Heap* heap = findHeap(state, handle);
    if (!heap) return nullptr;
    auto found = block ? heap->blocks.find(block) : heap->blocks.end();
    if (found == heap->blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (bytes > largestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SIZE_T oldBytes = found->second;
    if (flags & HEAP_REALLOC_IN_PLACE_ONLY) {
        // A block shrinks in place; growing it would have to move it.
        if (bytes > oldBytes) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        checkTail(block, oldBytes);
        found->second = bytes;
        markTail(block, bytes);
        return block;
    }
    void* moved = native::heapHooks.allocate(handle, bytes, (flags & HEAP_ZERO_MEMORY) != 0);
    if (!moved) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    memcpy(moved, block, oldBytes < bytes ? oldBytes : bytes);
    heap->blocks.erase(found);
    native::heapHooks.release(handle, block, oldBytes);
    heap->blocks.emplace(moved, bytes);
    return moved;
}

BOOL HeapFree(HANDLE handle, DWORD, LPVOID block) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    Heap* heap = findHeap(state, handle);
    if (!heap) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!block) return TRUE;
    auto found = heap->blocks.find(block);
    if (found == heap->blocks.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    SIZE_T bytes = found->second;
    heap->blocks.erase(found);
    native::heapHooks.release(handle, block, bytes);
    return TRUE;
}

SIZE_T HeapSize(HANDLE handle, DWORD, LPCVOID block) {
    Heaps& state = heaps();
    std::lock_guard<std::mutex> guard(state.lock);
    Heap* heap = findHeap(state, handle);
    if (heap) {
        auto found = heap->blocks.find(const_cast<void*>(block));
        if (found != heap->blocks.end()) return found->second;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<SIZE_T>(-1);
}

// Fixed global memory is a block of the process heap, as on the platform.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    return HeapAlloc(GetProcessHeap(), (flags & GMEM_ZEROINIT) ? HEAP_ZERO_MEMORY : 0, bytes);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
    if (!memory) return nullptr;
    return HeapFree(GetProcessHeap(), 0, memory) ? nullptr : memory;
}
