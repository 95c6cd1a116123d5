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
    EXPECT_EQ(vaManager.append(&table, 0), 0);
    EXPECT_EQ(vaManager.append(&table, 3), 0);
    EXPECT_EQ(vaManager.append(&table, 0), 3);
    ASSERT_GE(BMGetHandleSize(table.elements), 18);
    for (int i = 0; i < 18; ++i) (*table.elements)[i] = static_cast<char>(i);

    // Growing one element at a time keeps what was written and zero-fills the rest.
    for (int i = 3; i < 1000; ++i) ASSERT_EQ(vaManager.append(&table, 1), i);
    EXPECT_EQ(vaManager.count(&table), 1000);
    ASSERT_GE(BMGetHandleSize(table.elements), 6000);
    for (int i = 0; i < 6000; ++i) ASSERT_EQ((*table.elements)[i], i < 18 ? i : 0) << i;

    KWRootFailAllocation(1);
    EXPECT_LT(vaManager.append(&table, 100000), 0);
    EXPECT_LT(vaManager.append(&table, 0x7FFFFFFF), 0);
    EXPECT_LT(vaManager.append(&table, -1), 0);
    EXPECT_EQ(vaManager.count(&table), 1000);

    EXPECT_EQ(vaManager.setUp(&table, 10, 6), 0); // releases the elements
    EXPECT_EQ(vaManager.count(&table), 0);
    EXPECT_EQ(KWRootLiveBlockCount(), live);
    EXPECT_LT(vaManager.setUp(&table, 10, 0), 0);
    vaManager.dispose(&table);
}

TEST(GrowableArray, GrowsToTwiceTheCountAndShrinksAtAQuarter) {
    KW::Array<int> a;
    const std::pair<std::size_t, std::size_t> steps[] = {{5, 5},   {6, 10}, {10, 10}, {11, 20},
                                                         {21, 22}, {6, 22}, {5, 10},  {3, 10},
                                                         {2, 4},   {0, 0},  {1, 1}};
    for (const auto& [count, capacity] : steps) {
        a.SetCount(count);
        EXPECT_EQ(a.GetCount(), count);
        EXPECT_EQ(a.GetCapacity(), capacity) << "count " << count;
    }

    // Elements survive growth and shrinking; new ones are zero.
    KW::Array<unsigned char> bytes;
    bytes.SetCount(4);
    std::memcpy(bytes.GetData(), "\1\2\3\4", 4);
    bytes.SetCount(40);
    bytes.SetCount(3);
    bytes.SetCount(5);
    EXPECT_EQ(std::memcmp(bytes.GetData(), "\1\2\3\0\0", 5), 0);
    EXPECT_EQ(static_cast<const KW::Container&>(bytes).GetCount(), 5u);

    KWRootFailAllocation(1);
    EXPECT_THROW(bytes.SetCount(100), KW::OutOfMemoryException);
    EXPECT_THROW(bytes.SetCount(SIZE_MAX), KW::OutOfMemoryException);
    EXPECT_EQ(bytes.GetCount(), 5u);
    EXPECT_EQ(bytes.GetData()[2], 3);
}
