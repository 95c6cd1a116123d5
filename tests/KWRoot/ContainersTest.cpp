// The variable-array service and the growable array.
#include <cstring>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

TEST(VariableArray, SetUpAppendCount) {
    const std::int64_t live = KWRootLiveBlockCount();
    TVADescriptor table{};
    EXPECT_EQ(vaManager.setUp(&table, 10, 6), 0);
    EXPECT_EQ(table.elementSize, 6);
    EXPECT_EQ(vaManager.count(&table), 0);
    EXPECT_EQ(vaManager.append(&table, 0), 0);
    EXPECT_EQ(vaManager.append(&table, 3), 0);
    EXPECT_EQ(vaManager.append(&table, 0), 3);
    ASSERT_NE(table.elements, nullptr);
    EXPECT_GE(BMGetHandleSize(table.elements), 18);
    for (int i = 0; i < 18; ++i) (*table.elements)[i] = static_cast<char>(i);

    // Growing keeps what was written and zero-fills what is new.
    EXPECT_EQ(vaManager.append(&table, 500), 3);
    EXPECT_EQ(vaManager.count(&table), 503);
    EXPECT_GE(BMGetHandleSize(table.elements), 503 * 6);
    for (int i = 0; i < 18; ++i) EXPECT_EQ((*table.elements)[i], i);
    for (int i = 18; i < 503 * 6; ++i) ASSERT_EQ((*table.elements)[i], 0) << i;

    KWRootFailAllocation(1);
    EXPECT_LT(vaManager.append(&table, 100000), 0);
    EXPECT_EQ(vaManager.count(&table), 503);
    EXPECT_LT(vaManager.append(&table, 0x7FFFFFFF), 0);
    EXPECT_LT(vaManager.append(&table, -1), 0);
    EXPECT_EQ(vaManager.count(&table), 503);

    // Setting up again releases the elements.
    EXPECT_EQ(vaManager.setUp(&table, 10, 6), 0);
    EXPECT_EQ(vaManager.count(&table), 0);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_LT(vaManager.setUp(&table, 10, 0), 0);
    vaManager.dispose(&table);
    EXPECT_EQ(table.elements, nullptr);
}

TEST(VariableArray, AppendingOneAtATime) {
    TVADescriptor table{};
    ASSERT_EQ(vaManager.setUp(&table, 10, 6), 0);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(vaManager.append(&table, 1), i);
        std::memcpy(*table.elements + 6 * i, &i, 4);
    }
    for (int i = 0; i < 1000; ++i) {
        int v;
        std::memcpy(&v, *table.elements + 6 * i, 4);
        ASSERT_EQ(v, i);
    }
    vaManager.dispose(&table);
}

TEST(GrowableArray, GrowsToTwiceTheCountAndShrinksAtAQuarter) {
    KW::Array<int> a;
    struct Step {
        std::size_t count, capacity;
    } steps[] = {{5, 5},  {6, 10}, {10, 10}, {11, 20}, {21, 22}, {6, 22},
                 {5, 10}, {3, 10}, {2, 4},   {0, 0},   {1, 1}};
    for (const Step& s : steps) {
        a.SetCount(s.count);
        EXPECT_EQ(a.GetCount(), s.count);
        EXPECT_EQ(a.GetCapacity(), s.capacity) << "count " << s.count;
    }

    // Elements survive growth and shrinking; new ones are zero.
    KW::Array<unsigned char> bytes;
    bytes.SetCount(4);
    std::memcpy(bytes.GetData(), "\1\2\3\4", 4);
    bytes.SetCount(40);
    bytes.SetCount(3);
    EXPECT_EQ(bytes.GetCapacity(), 6u);
    bytes.SetCount(5);
    EXPECT_EQ(std::memcmp(bytes.GetData(), "\1\2\3\0\0", 5), 0);
    const KW::Container& asContainer = bytes;
    EXPECT_EQ(asContainer.GetCount(), 5u);
}

TEST(GrowableArray, FailedGrowthThrowsAndKeepsTheArray) {
    KW::Array<char> a;
    a.SetCount(4);
    a.GetData()[3] = 'x';
    KWRootFailAllocation(1);
    EXPECT_THROW(a.SetCount(100), KW::OutOfMemoryException);
    EXPECT_EQ(a.GetCount(), 4u);
    EXPECT_EQ(a.GetData()[3], 'x');
    EXPECT_THROW(a.SetCount(SIZE_MAX), KW::OutOfMemoryException);
    EXPECT_EQ(a.GetCount(), 4u);
}
