// The object table when the RuntimeHeap refuses memory.
#include <gtest/gtest.h>

#include "support/native_fakes.h"
#include "runtime/object_table.h"
#include "runtime/runtime.h"

namespace {

struct Record {
    HANDLE handle;
};

class ObjectTableNativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        static const RuntimeLibraries none = {};
        startRuntime(&none);
        table = createObjectTable(sizeof(Record), 16, nullptr);
        ASSERT_NE(table, nullptr);
        three = static_cast<Record*>(allocateObject(table, 3));
        ASSERT_NE(three, nullptr);
        three->handle = reinterpret_cast<HANDLE>(0x3);
    }
    void TearDown() override {
        nativeFailAllocation(nullptr, 0);
        stopRuntime();
    }
    ObjectTable* table = nullptr;
    Record* three = nullptr;
};

TEST_F(ObjectTableNativeTest, SlotsThatCannotGrowStayAsTheyWere) {
    void** slots = table->slots;
    nativeFailAllocation(runtimeHeap, 1);
    EXPECT_EQ(allocateObject(table, 40), nullptr);
    nativeFailAllocation(nullptr, 0);
    EXPECT_EQ(table->capacity, 16);
    EXPECT_EQ(table->slots, slots);
    EXPECT_EQ(lookupObject(table, 3), three);
    EXPECT_NE(allocateObject(table, 40), nullptr);  // once memory is back
    EXPECT_EQ(lookupObject(table, 3), three);
}

TEST_F(ObjectTableNativeTest, RecordsThatCannotBeHadLeaveNoTrace) {
    nativeFailAllocation(runtimeHeap, 1);
    EXPECT_EQ(allocateObject(table, 5), nullptr);
    nativeFailAllocation(runtimeHeap, 1);
    EXPECT_EQ(allocateObject(table, DYNAMIC_OBJECT), nullptr);
    nativeFailAllocation(nullptr, 0);
    EXPECT_EQ(table->slots[5], nullptr);
    EXPECT_EQ(newestListRecord(&table->dynamicList), nullptr);
    EXPECT_NE(allocateObject(table, 5), nullptr);
}

}  // namespace
