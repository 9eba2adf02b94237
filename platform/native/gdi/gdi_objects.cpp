// The typed object table of the native layer and the bitmap objects it
// holds. Handles are slot numbers with a reuse count folded in, so a handle
// kept after its object was deleted no longer finds anything, even when
// the slot has been given to a new object.
#include "platform/native/gdi/gdi_objects.h"
#include "platform/native/kernel/kernel_services.h"

#include <mutex>
#include <new>
#include <stdlib.h>
#include <string.h>
#include <vector>

namespace native {

namespace {

struct Slot {
    ObjectKind kind;
    void* object;
    uintptr_t reuse;  // bumped each time the slot is freed
    DestroyRoutine destroy;
};

// A handle is ((slot + 1) << reuseBits) | (reuse & reuseMask), which is
// never 0 and never a small integer such as a stock object number.
const unsigned reuseBits = 12;
const uintptr_t reuseMask = (static_cast<uintptr_t>(1) << reuseBits) - 1;
const size_t slotLimit = static_cast<size_t>(1) << 19;

// Pixel memory one bitmap may take.
const size_t bitmapByteLimit = static_cast<size_t>(1) << 30;

// The table outlives every static destructor: objects still held at exit
// (the stock ones at least) stay reachable rather than being cut loose.
std::mutex& tableLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}

std::vector<Slot>& slots() {
    static std::vector<Slot>* table = new std::vector<Slot>;
    return *table;
}

std::vector<size_t>& freeSlots() {
    static std::vector<size_t>* list = new std::vector<size_t>;
    return *list;
}

HGDIOBJ handleOf(size_t slot, uintptr_t reuse) {
    return reinterpret_cast<HGDIOBJ>(((static_cast<uintptr_t>(slot) + 1) << reuseBits) |
                                     (reuse & reuseMask));
}

// The live slot a handle names, or null.
Slot* slotOf(HGDIOBJ handle) {
    uintptr_t value = reinterpret_cast<uintptr_t>(handle);
    uintptr_t slotNumber = value >> reuseBits;
    if (slotNumber == 0 || slotNumber > slots().size()) return nullptr;
    Slot& slot = slots()[slotNumber - 1];
    if (slot.kind == kindNone || (slot.reuse & reuseMask) != (value & reuseMask)) return nullptr;
    return &slot;
}

// What DeleteObject does for a stock object: nothing, successfully.
BOOL keepForever(HGDIOBJ) { return TRUE; }

// A bitmap selected into a DC lives on until the DC lets go of it.
BOOL deleteBitmap(HGDIOBJ handle) {
    Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr) return FALSE;
    if (bitmap->selectedInto != nullptr)
        bitmap->deletePending = true;
    else
        destroyBitmap(static_cast<HBITMAP>(handle));
    return TRUE;
}

HGDIOBJ addToTable(ObjectKind kind, void* object, DestroyRoutine destroy) {
    if (kind == kindNone || object == nullptr) return nullptr;
    std::lock_guard<std::mutex> hold(tableLock());
    size_t slot;
    if (!freeSlots().empty()) {
        slot = freeSlots().back();
        freeSlots().pop_back();
    } else {
        if (slots().size() >= slotLimit) return nullptr;
        slots().push_back(Slot{kindNone, nullptr, 0, nullptr});
        slot = slots().size() - 1;
    }
    slots()[slot].kind = kind;
    slots()[slot].object = object;
    slots()[slot].destroy = destroy;
    return handleOf(slot, slots()[slot].reuse);
}

void keepInTable(HGDIOBJ handle) {
    std::lock_guard<std::mutex> hold(tableLock());
    Slot* slot = slotOf(handle);
    if (slot != nullptr) slot->destroy = keepForever;
}

void removeFromTable(HGDIOBJ handle) {
    std::lock_guard<std::mutex> hold(tableLock());
    Slot* slot = slotOf(handle);
    if (slot == nullptr) return;
    slot->kind = kindNone;
    slot->object = nullptr;
    slot->destroy = nullptr;
    slot->reuse++;
    freeSlots().push_back(static_cast<size_t>(slot - slots().data()));
}

}  // namespace

ObjectHooks objectHooks = {addToTable, keepInTable, removeFromTable};

HGDIOBJ addObject(ObjectKind kind, void* object, DestroyRoutine destroy) {
    return objectHooks.add(kind, object, destroy);
}

void keepObject(HGDIOBJ handle) { objectHooks.keep(handle); }

void removeObject(HGDIOBJ handle) { objectHooks.remove(handle); }

void* findObject(HGDIOBJ handle, ObjectKind kind) {
    std::lock_guard<std::mutex> hold(tableLock());
    Slot* slot = slotOf(handle);
    if (slot == nullptr || slot->kind != kind) return nullptr;
    return slot->object;
}

ObjectKind kindOf(HGDIOBJ handle) {
    std::lock_guard<std::mutex> hold(tableLock());
    Slot* slot = slotOf(handle);
    return slot == nullptr ? kindNone : slot->kind;
}

BOOL destroyObject(HGDIOBJ handle) {
    DestroyRoutine destroy;
    {
        std::lock_guard<std::mutex> hold(tableLock());
        Slot* slot = slotOf(handle);
        destroy = slot == nullptr ? nullptr : slot->destroy;
    }
    // Outside the lock: the routine removes the handle itself.
    return destroy == nullptr ? FALSE : destroy(handle);
}

HBITMAP createBitmap(LONG width, LONG height, bool topDown, WORD bitsPerPixel, bool dibSection) {
    if (width <= 0 || height <= 0) return nullptr;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
        bitsPerPixel != 24 && bitsPerPixel != 32)
        return nullptr;
    uint64_t stride = dibStride(width, bitsPerPixel);
    uint64_t total = stride * static_cast<uint64_t>(height);
    if (stride == 0 || total > bitmapByteLimit) return nullptr;

    Bitmap* bitmap = new (std::nothrow) Bitmap();
    if (bitmap == nullptr) return nullptr;
    bitmap->bits = static_cast<BYTE*>(allocateBlock(static_cast<size_t>(total), true));
    if (bitmap->bits == nullptr) {
        delete bitmap;
        return nullptr;
    }
    bitmap->width = width;
    bitmap->height = height;
    bitmap->topDown = topDown;
    bitmap->bitsPerPixel = bitsPerPixel;
    bitmap->dibSection = dibSection;
    bitmap->stride = static_cast<LONG>(stride);
    bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
    bitmap->header.biWidth = width;
    bitmap->header.biHeight = height;
    bitmap->header.biPlanes = 1;
    bitmap->header.biBitCount = bitsPerPixel;
    bitmap->header.biCompression = BI_RGB;
    bitmap->header.biSizeImage = static_cast<DWORD>(total);
    // The layouts BI_RGB stands for, until a caller gives its own masks.
    if (bitsPerPixel == 16) {
        bitmap->bitfields[0] = 0x7C00;
        bitmap->bitfields[1] = 0x03E0;
        bitmap->bitfields[2] = 0x001F;
    } else if (bitsPerPixel == 24 || bitsPerPixel == 32) {
        bitmap->bitfields[0] = 0xFF0000;
        bitmap->bitfields[1] = 0x00FF00;
        bitmap->bitfields[2] = 0x0000FF;
    }
    // Monochrome bitmaps are black and white until a caller sets a table.
    if (bitsPerPixel == 1) {
        bitmap->colours[1] = RGBQUAD{0xFF, 0xFF, 0xFF, 0};
        bitmap->colourCount = 2;
    }
    bitmap->selectedInto = nullptr;
    bitmap->deletePending = false;

    HGDIOBJ handle = addObject(kindBitmap, bitmap, deleteBitmap);
    if (handle == nullptr) {
        freeBlock(bitmap->bits);
        delete bitmap;
        return nullptr;
    }
    return static_cast<HBITMAP>(handle);
}

void destroyBitmap(HBITMAP handle) {
    Bitmap* bitmap = findBitmap(handle);
    if (bitmap == nullptr) return;
    removeObject(handle);
    freeBlock(bitmap->bits);
    delete bitmap;
}

}  // namespace native
