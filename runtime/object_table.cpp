#include "runtime/object_table.h"

#include "runtime/heaps.h"

// A dynamic record sits right after its two links; callers only ever see
// the record's address.
struct RecordNode {
    RecordNode* olderLink;
    RecordNode* newerLink;
};

static RecordNode* nodeOf(const void* record) {
    return static_cast<RecordNode*>(const_cast<void*>(record)) - 1;
}

static void* recordOf(RecordNode* node) { return node + 1; }

// The live rule: the owner's handle, the record's first field, is not 0.
static bool isLive(const ObjectTable* table, const void* record) {
    // Every table in use has records at least a handle wide: one load.
    if (table->recordSize >= static_cast<int32_t>(sizeof(HANDLE))) {
        HANDLE owner;
        memcpy(&owner, record, sizeof owner);
        return owner != nullptr;
    }
    const uint8_t* bytes = static_cast<const uint8_t*>(record);
    for (int32_t i = 0; i < table->recordSize; ++i) {
        if (bytes[i] != 0) return true;
    }
    return false;
}

static bool isSlotNumber(const ObjectTable* table, ObjectId id) {
    return id >= 0 && id < table->capacity;
}

// The node of a dynamic handle that this table handed out and still holds,
// or null. Only handles get this walk; numbers index the slots directly.
static RecordNode* findDynamicNode(const ObjectTable* table, ObjectId id) {
    for (RecordNode* node = table->dynamicList.newest; node; node = node->olderLink) {
        if (reinterpret_cast<ObjectId>(recordOf(node)) == id) return node;
    }
    return nullptr;
}

// True when some dynamic record's address lies below `capacity`: such a
// handle would read as a slot number.
static bool dynamicHandleBelow(const ObjectTable* table, int64_t capacity) {
    for (RecordNode* node = table->dynamicList.newest; node; node = node->olderLink) {
        if (reinterpret_cast<uintptr_t>(recordOf(node)) < static_cast<uint64_t>(capacity))
            return true;
    }
    return false;
}

ObjectTable* createObjectTable(int32_t recordSize, int32_t initialCount,
                               FreeCallback freeCallback) {
    if (recordSize < 1 || initialCount < 1) return nullptr;
    if (static_cast<uint64_t>(initialCount) > SIZE_MAX / sizeof(void*)) return nullptr;
    ObjectTable* table = static_cast<ObjectTable*>(takeRecord(sizeof(ObjectTable)));
    if (!table) return nullptr;
    table->recordSize = recordSize;
    table->growthStep = initialCount;
    table->capacity = initialCount;
    table->freeCallback = freeCallback;
    table->slots =
        static_cast<void**>(takeRecord(static_cast<SIZE_T>(initialCount) * sizeof(void*)));
    if (!table->slots) {
        giveBackRecord(table);
        return nullptr;
    }
    return table;
}

// Grows the slots to `id` plus one growth step. On failure the table is
// unchanged and the id cannot be served.
static bool growSlots(ObjectTable* table, ObjectId id) {
    int64_t newCapacity = static_cast<int64_t>(id) + table->growthStep;
    if (id > INT32_MAX || newCapacity > INT32_MAX) return false;
    if (static_cast<uint64_t>(newCapacity) > SIZE_MAX / sizeof(void*)) return false;
    // A dynamic handle inside the new range would turn into a number.
    if (dynamicHandleBelow(table, newCapacity)) return false;
    void** grown =
        static_cast<void**>(HeapReAlloc(runtimeHeap, HEAP_ZERO_MEMORY, table->slots,
                                        static_cast<SIZE_T>(newCapacity) * sizeof(void*)));
    if (!grown) return false;
    memset(grown + table->capacity, 0,
           static_cast<SIZE_T>(newCapacity - table->capacity) * sizeof(void*));
    table->slots = grown;
    table->capacity = static_cast<int32_t>(newCapacity);
    return true;
}

void* allocateObject(ObjectTable* table, ObjectId id) {
    if (!table) return nullptr;
    if (id == DYNAMIC_OBJECT) {
        void* record = addListRecord(&table->dynamicList, table->recordSize);
        // A handle that reads as a slot number could never be found again.
        if (record && isSlotNumber(table, reinterpret_cast<ObjectId>(record))) {
            removeListRecord(&table->dynamicList, record);
            return nullptr;
        }
        return record;
    }
    if (id < 0) return nullptr;
    if (id >= table->capacity && !growSlots(table, id)) return nullptr;
    if (table->slots[id]) {
        // The owner releases what the record still describes and leaves
        // it zero-filled; the memory is reused.
        if (table->freeCallback) table->freeCallback(id);
    } else {
        table->slots[id] = takeRecord(static_cast<SIZE_T>(table->recordSize));
    }
    return table->slots[id];
}

void* lookupObject(ObjectTable* table, ObjectId id) {
    if (!table) return nullptr;
    void* candidate;
    if (isSlotNumber(table, id)) {
        candidate = table->slots[id];
    } else {
        if (id < 0) return nullptr;
        RecordNode* node = findDynamicNode(table, id);
        candidate = node ? recordOf(node) : nullptr;
    }
    if (!candidate || !isLive(table, candidate)) return nullptr;
    return candidate;
}

void releaseObject(ObjectTable* table, ObjectId id) {
    if (!table) return;
    if (isSlotNumber(table, id)) {
        if (table->slots[id]) memset(table->slots[id], 0, static_cast<SIZE_T>(table->recordSize));
        return;
    }
    if (id < 0) return;
    RecordNode* node = findDynamicNode(table, id);
    if (!node) return;
    // A running walk must not be left on a node that is given back.
    if (table->walkDynamic == node) table->walkDynamic = node->newerLink;
    removeListRecord(&table->dynamicList, recordOf(node));
}

void freeAllObjects(ObjectTable* table) {
    if (!table || !table->freeCallback) return;
    table->walkPosition = 0;
    RecordNode* oldest = table->dynamicList.newest;
    while (oldest && oldest->olderLink) oldest = oldest->olderLink;
    table->walkDynamic = oldest;
    for (;;) {
        ObjectId id = DYNAMIC_OBJECT;
        while (table->walkPosition < table->capacity) {
            int32_t number = table->walkPosition++;
            void* record = table->slots[number];
            if (record && isLive(table, record)) {
                id = number;
                break;
            }
        }
        if (id == DYNAMIC_OBJECT) {
            RecordNode* node = table->walkDynamic;
            if (!node) break;
            table->walkDynamic = node->newerLink;
            id = reinterpret_cast<ObjectId>(recordOf(node));
        }
        // The walk has moved past the object: the callback may release it.
        table->freeCallback(id);
    }
}

void* addListRecord(RecordList* list, int32_t recordSize) {
    if (!list || recordSize < 0) return nullptr;
    if (static_cast<uint64_t>(recordSize) > SIZE_MAX - sizeof(RecordNode)) return nullptr;
    RecordNode* node =
        static_cast<RecordNode*>(takeRecord(sizeof(RecordNode) + static_cast<SIZE_T>(recordSize)));
    if (!node) return nullptr;
    node->olderLink = list->newest;
    if (list->newest) list->newest->newerLink = node;
    list->newest = node;
    return recordOf(node);
}

void removeListRecord(RecordList* list, void* record) {
    if (!list || !record) return;
    RecordNode* node = nodeOf(record);
    if (node == list->newest) {
        list->newest = node->olderLink;
        if (list->newest) list->newest->newerLink = nullptr;
    } else {
        if (node->newerLink) node->newerLink->olderLink = node->olderLink;
        if (node->olderLink) node->olderLink->newerLink = node->newerLink;
    }
    giveBackRecord(node);
}

void* newestListRecord(const RecordList* list) {
    return list && list->newest ? recordOf(list->newest) : nullptr;
}

void* olderListRecord(const void* record) {
    if (!record) return nullptr;
    RecordNode* older = nodeOf(record)->olderLink;
    return older ? recordOf(older) : nullptr;
}
