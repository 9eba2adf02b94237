#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime/object_table.h"
#include "runtime/runtime.h"

namespace {

// A record as owners make them: the handle first.
struct Record {
    HANDLE handle;
    int32_t value;
};

ObjectTable* table;
std::vector<ObjectId> freed;
ObjectId releaseAlso = 0;  // a second id the callback releases, when not 0

// Behaves like an owner's free operation: releases the object it is given.
int freeRecord(ObjectId id) {
    freed.push_back(id);
    releaseObject(table, id);
    if (releaseAlso) releaseObject(table, releaseAlso);
    releaseAlso = 0;
    return 1;
}

Record* make(ObjectId id, intptr_t handle) {
    Record* record = static_cast<Record*>(allocateObject(table, id));
    if (record) record->handle = reinterpret_cast<HANDLE>(handle);
    return record;
}

ObjectId idOf(const void* record) { return reinterpret_cast<ObjectId>(record); }

class ObjectTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const RuntimeLibraries none = {};
        startRuntime(&none);
        table = createObjectTable(sizeof(Record), 16, freeRecord);
        ASSERT_NE(table, nullptr);
        freed.clear();
    }
    void TearDown() override { stopRuntime(); }
};

TEST_F(ObjectTableTest, GrowsToTheAskedNumberPlusOneStep) {
    Record* three = make(3, 0x33);
    ASSERT_NE(make(40, 0x40), nullptr);
    EXPECT_EQ(table->capacity, 56);
    for (int n = 16; n < 56; ++n) {
        if (n != 40) EXPECT_EQ(table->slots[n], nullptr) << n;
    }
    EXPECT_EQ(lookupObject(table, 3), three);  // the old slots moved along
    EXPECT_NE(lookupObject(table, 40), nullptr);
    EXPECT_EQ(lookupObject(table, 41), nullptr);
    ASSERT_NE(make(55, 0x55), nullptr);  // inside the grown range: no growth
    EXPECT_EQ(table->capacity, 56);
    ASSERT_NE(make(56, 0x56), nullptr);
    EXPECT_EQ(table->capacity, 72);
}

TEST_F(ObjectTableTest, ReusedNumberKeepsItsRecordZeroFilled) {
    // Allocating a live number frees it first; so does one that was released.
    for (bool releasedFirst : {false, true}) {
        Record* first = make(3, 0x1234);
        first->value = 77;
        if (releasedFirst) {
            releaseObject(table, 3);
            EXPECT_EQ(lookupObject(table, 3), nullptr);
        }
        freed.clear();
        Record* again = static_cast<Record*>(allocateObject(table, 3));
        EXPECT_EQ(again, first);
        EXPECT_EQ(freed, std::vector<ObjectId>{3});
        EXPECT_EQ(again->handle, nullptr);
        EXPECT_EQ(again->value, 0);
    }
}

TEST_F(ObjectTableTest, FreeAllTakesLiveNumbersThenDynamicOldestFirst) {
    make(5, 0x5);
    make(2, 0x2);
    make(7, 0);  // allocated but empty: skipped
    Record* a = make(DYNAMIC_OBJECT, 0xA);
    Record* b = make(DYNAMIC_OBJECT, 0);  // empty, taken all the same
    freeAllObjects(table);
    EXPECT_EQ(freed, (std::vector<ObjectId>{2, 5, idOf(a), idOf(b)}));
    EXPECT_EQ(newestListRecord(&table->dynamicList), nullptr);
    EXPECT_EQ(lookupObject(table, 2), nullptr);
}

TEST_F(ObjectTableTest, FreeAllSurvivesACallbackThatReleasesTheNextRecord) {
    Record* a = make(DYNAMIC_OBJECT, 0xA);
    Record* b = make(DYNAMIC_OBJECT, 0xB);
    Record* c = make(DYNAMIC_OBJECT, 0xC);
    releaseAlso = idOf(b);
    freeAllObjects(table);
    EXPECT_EQ(freed, (std::vector<ObjectId>{idOf(a), idOf(c)}));
}

TEST_F(ObjectTableTest, ListRemovalKeepsTheOthersLinkedBothWays) {
    struct Case {
        const char* what;
        int removed;  // index in creation order, 0 = oldest
    } cases[] = {{"head", 3}, {"oldest", 0}, {"middle", 1}, {"middle", 2}};
    for (const Case& c : cases) {
        Record* records[4];
        for (int i = 0; i < 4; ++i) records[i] = make(DYNAMIC_OBJECT, 0x100 + i);
        releaseObject(table, idOf(records[c.removed]));

        std::vector<ObjectId> expected;  // oldest first
        for (int i = 0; i < 4; ++i) {
            if (i != c.removed) expected.push_back(idOf(records[i]));
        }
        std::vector<ObjectId> newestFirst;
        for (void* r = newestListRecord(&table->dynamicList); r; r = olderListRecord(r)) {
            newestFirst.push_back(idOf(r));
        }
        EXPECT_EQ(newestFirst, std::vector<ObjectId>(expected.rbegin(), expected.rend())) << c.what;
        freed.clear();
        freeAllObjects(table);  // walks the newer links
        EXPECT_EQ(freed, expected) << c.what;
    }
}

TEST_F(ObjectTableTest, LooksUpDynamicRecordsByTheirAddress) {
    Record* a = make(DYNAMIC_OBJECT, 0xA);
    Record* b = make(DYNAMIC_OBJECT, 0xB);
    EXPECT_EQ(lookupObject(table, idOf(a)), a);
    EXPECT_EQ(lookupObject(table, idOf(b)), b);
    b->handle = nullptr;
    EXPECT_EQ(lookupObject(table, idOf(b)), nullptr);  // empty is absent
    releaseObject(table, idOf(b));                     // still released
    EXPECT_EQ(newestListRecord(&table->dynamicList), a);
}

// Ids the table never handed out: nothing is read, written or freed.
TEST_F(ObjectTableTest, RejectsIdsItDidNotHandOut) {
    Record* live = make(3, 0x3);
    Record* dynamic = make(DYNAMIC_OBJECT, 0xD);
    Record* gone = make(DYNAMIC_OBJECT, 0xE);
    ObjectId goneId = idOf(gone);
    releaseObject(table, goneId);
    Record foreign = {reinterpret_cast<HANDLE>(0x1), 5};  // looks live
    ObjectTable* other = createObjectTable(sizeof(Record), 16, nullptr);
    void* otherRecord = allocateObject(other, DYNAMIC_OBJECT);
    static_cast<Record*>(otherRecord)->handle = reinterpret_cast<HANDLE>(0x2);

    const ObjectId rejected[] = {-1,     -2, INTPTR_MIN, idOf(&foreign), idOf(otherRecord),
                                 goneId, 16, 1000};
    for (ObjectId id : rejected) {
        EXPECT_EQ(lookupObject(table, id), nullptr) << id;
        releaseObject(table, id);
        EXPECT_EQ(foreign.handle, reinterpret_cast<HANDLE>(0x1)) << id;
        EXPECT_EQ(lookupObject(other, idOf(otherRecord)), otherRecord) << id;
    }
    EXPECT_EQ(lookupObject(table, 3), live);
    EXPECT_EQ(lookupObject(table, idOf(dynamic)), dynamic);
    EXPECT_EQ(olderListRecord(dynamic), nullptr);
    EXPECT_EQ(freed, std::vector<ObjectId>{});
}

// The slots are a heap block of exactly 16 words: a number read as a slot
// one too far reads past it, which the sanitizer build reports.
TEST_F(ObjectTableTest, NumbersAroundTheEndOfTheSlotsAreServedWithoutReadingPastThem) {
    for (ObjectId id : {ObjectId(15), ObjectId(16), ObjectId(17)}) {
        SCOPED_TRACE(id);
        ASSERT_EQ(table->capacity, 16);
        EXPECT_EQ(lookupObject(table, id), nullptr) << "nothing there yet";
        releaseObject(table, id);
        Record* made = make(id, 0x100 + id);
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(lookupObject(table, id), made);
        EXPECT_EQ(lookupObject(table, id + 1), nullptr);
        releaseObject(table, id);
        EXPECT_EQ(lookupObject(table, id), nullptr);
        stopRuntime();
        static const RuntimeLibraries none = {};
        startRuntime(&none);
        table = createObjectTable(sizeof(Record), 16, freeRecord);
        ASSERT_NE(table, nullptr);
    }
}

// Slots of 2^30 words would wrap a 32-bit size to nothing; more than the
// heap holds is refused by it.
TEST_F(ObjectTableTest, TablesOfNoRecordsOrTooManySlotsAreRefused) {
    const struct {
        int32_t recordSize, initialCount;
        bool made;
    } cases[] = {
        {1, 1, true},   {0, 16, false},         {-1, 16, false},       {8, 0, false},
        {8, -1, false}, {8, 0x40000000, false}, {8, INT32_MAX, false},
    };
    for (const auto& c : cases) {
        ObjectTable* made = createObjectTable(c.recordSize, c.initialCount, nullptr);
        EXPECT_EQ(made != nullptr, c.made) << c.recordSize << " x " << c.initialCount;
        if (made) {
            EXPECT_EQ(made->capacity, c.initialCount);
            EXPECT_NE(allocateObject(made, c.initialCount - 1), nullptr);
        }
    }
}

// The live rule reads the record's first handle-wide field; a record
// narrower than a handle is live when any of its bytes is not 0.
TEST_F(ObjectTableTest, ARecordIsLiveByAnyByteOfItsHandleField) {
    const struct {
        int32_t recordSize, setByte;
        bool live;
    } cases[] = {
        {1, -1, false},
        {1, 0, true},
        {3, -1, false},
        {3, 0, true},
        {3, 2, true},
        {int32_t(sizeof(HANDLE)), -1, false},
        {int32_t(sizeof(HANDLE)), 0, true},
        {int32_t(sizeof(HANDLE)), int32_t(sizeof(HANDLE)) - 1, true},
        {int32_t(sizeof(HANDLE)) + 4, int32_t(sizeof(HANDLE)), false},
    };
    for (const auto& c : cases) {
        ObjectTable* small = createObjectTable(c.recordSize, 4, nullptr);
        ASSERT_NE(small, nullptr);
        unsigned char* record = static_cast<unsigned char*>(allocateObject(small, 2));
        ASSERT_NE(record, nullptr);
        if (c.setByte >= 0) record[c.setByte] = 0x80;
        EXPECT_EQ(lookupObject(small, 2) != nullptr, c.live)
            << c.recordSize << "-byte record, byte " << c.setByte << " set";
    }
}

TEST_F(ObjectTableTest, ListRecordsOfNoListOrANegativeSizeAreRefused) {
    RecordList list = {nullptr};
    EXPECT_EQ(addListRecord(nullptr, 8), nullptr);
    EXPECT_EQ(newestListRecord(nullptr), nullptr);
    EXPECT_EQ(olderListRecord(nullptr), nullptr);
    for (int32_t size : {-1, INT32_MIN}) EXPECT_EQ(addListRecord(&list, size), nullptr) << size;
    EXPECT_EQ(newestListRecord(&list), nullptr);
    void* empty = addListRecord(&list, 0);
    EXPECT_NE(empty, nullptr) << "a record of no bytes is still a record";
    removeListRecord(&list, empty);
}

TEST_F(ObjectTableTest, AllocateRefusesIdsItCannotServe) {
    make(3, 0x3);
    Record* dynamic = make(DYNAMIC_OBJECT, 0xD);
    const ObjectId refused[] = {
        -2,
        INTPTR_MIN,
        INT32_MAX,       // id + growth step beyond 32 bits
        INT32_MAX - 15,  // the first that overflows
        idOf(dynamic),   // a dynamic handle is not a number to grow to
    };
    for (ObjectId id : refused) {
        EXPECT_EQ(allocateObject(table, id), nullptr) << id;
        EXPECT_EQ(table->capacity, 16) << id;
    }
    EXPECT_NE(lookupObject(table, 3), nullptr);
    EXPECT_EQ(lookupObject(table, idOf(dynamic)), dynamic);
    EXPECT_EQ(freed, std::vector<ObjectId>{});
}

}  // namespace
