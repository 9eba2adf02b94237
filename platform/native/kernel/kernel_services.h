// Inside the native layer only: what the kernel room lends the others.
// Kernel objects (heaps, files, modules) get handles from one numbering scheme,
// a kind tag above a slot number, so a handle of one kind is never taken
// for another and a stale one is refused by a table look-up.
#ifndef CELPACK_NATIVE_KERNEL_SERVICES_H
#define CELPACK_NATIVE_KERNEL_SERVICES_H

#include <string>
#include <vector>

#include "platform/native/types.h"

namespace native {

enum KernelKind : uintptr_t {
    kernelHeap = 0x4B1,
    kernelFile = 0x4B2,
    kernelModule = 0x4B3,
};

inline HANDLE makeKernelHandle(KernelKind kind, size_t slot) {
    return reinterpret_cast<HANDLE>((static_cast<uintptr_t>(kind) << 20) | ((slot + 1) << 2));
}

// The slot of a handle of that kind, or -1.
inline long kernelSlot(HANDLE handle, KernelKind kind, size_t slotCount) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    if ((value >> 20) != static_cast<uintptr_t>(kind) || (value & 3) != 0) return -1;
    uintptr_t slot = ((value & 0xFFFFF) >> 2);
    if (slot == 0 || slot > slotCount) return -1;
    return static_cast<long>(slot - 1);
}

// The objects of one kernel kind behind their handles. A freed slot is
// reused; iteration sees null in free slots.
template <typename Object, KernelKind kind>
struct KernelTable {
    std::vector<Object*> slots;

    Object* find(HANDLE handle) const {
        long slot = kernelSlot(handle, kind, slots.size());
        return slot < 0 ? nullptr : slots[static_cast<size_t>(slot)];
    }
    HANDLE add(Object* object) {
        for (size_t slot = 0; slot < slots.size(); ++slot) {
            if (!slots[slot]) {
                slots[slot] = object;
                return makeKernelHandle(kind, slot);
            }
        }
        slots.push_back(object);
        return makeKernelHandle(kind, slots.size() - 1);
    }
    // The object taken out of the table, or null when the handle holds none.
    Object* remove(HANDLE handle) {
        long slot = kernelSlot(handle, kind, slots.size());
        if (slot < 0) return nullptr;
        Object* object = slots[static_cast<size_t>(slot)];
        slots[static_cast<size_t>(slot)] = nullptr;
        return object;
    }
};

// UTF-16 and the bytes of the file system. Bytes that are not valid UTF-8
// travel as lone surrogates U+DC80..U+DCFF and come back unchanged.
std::u16string utf16FromBytes(const char* bytes, size_t length);
std::string bytesFromUtf16(const WCHAR* text, size_t length);

// The process's command line from argv, as nativeStartProcess hands it over.
void setArguments(int count, char** arguments);

// Blocks for heaps and pixel memory. Large ones are mapped straight from
// the system, zero already and backed by huge pages where it allows: a
// picture's file block and pixel memory are touched once from end to end,
// and their page faults would cost more than the work. freeBlock takes
// either kind; null is ignored.
void* allocateBlock(size_t bytes, bool zero);
void freeBlock(void* block);

}  // namespace native

#endif
