// Numbered object tables and the doubly linked record list behind their
// dynamic records. A table owns record memory only; the owner of the kind
// owns what a record describes and releases it through the free callback.
// A record is live while its first field (the owner's handle) is non-zero.
#ifndef CELPACK_OBJECT_TABLE_H
#define CELPACK_OBJECT_TABLE_H

#include "platform/platform.h"

// A small number chosen by the caller, or the address of a dynamic record.
typedef intptr_t ObjectId;
#define DYNAMIC_OBJECT ((ObjectId)-1)

// Releases one object; the table never passes -1. Its result is not used.
typedef int (*FreeCallback)(ObjectId id);

struct RecordNode;

struct RecordList {
    RecordNode* newest;
};

struct ObjectTable {
    int32_t recordSize;
    int32_t growthStep;
    int32_t capacity;
    void** slots;
    RecordList dynamicList;
    FreeCallback freeCallback;
    int32_t walkPosition;
    RecordNode* walkDynamic;
};

ObjectTable* createObjectTable(int32_t recordSize, int32_t initialCount, FreeCallback freeCallback);
void* allocateObject(ObjectTable* table, ObjectId id);
void* lookupObject(ObjectTable* table, ObjectId id);
void releaseObject(ObjectTable* table, ObjectId id);
void freeAllObjects(ObjectTable* table);

void* addListRecord(RecordList* list, int32_t recordSize);
void removeListRecord(RecordList* list, void* record);
// The record of the newest node, and of the next older node; null at the end.
void* newestListRecord(const RecordList* list);
void* olderListRecord(const void* record);

#endif
