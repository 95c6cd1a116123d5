// The root library's services beside memory blocks: the exceptions,
// the debug channel, the memory input channel, the variable-array service and
// the growable array.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

TEST(RootExceptions, CopiesAndReportsToTheDebugChannel) {
    const KW::IllegalArgumentException illegal("RZCreateKWPixMap: unknown pixelType",
                                               "Graphics/RZ/KWPixMap", 92, -50);
    // Every part may be absent; a default exception has none.
    KW::IllegalArgumentException copy;
    EXPECT_TRUE(*copy.Message() == 0 && !copy.File() && copy.Line() == 0 && copy.ErrorCode() == 0);
    copy = illegal;
    EXPECT_EQ(std::string(copy.Message()) + "@" + copy.File(),
              "RZCreateKWPixMap: unknown pixelType@Graphics/RZ/KWPixMap");
    EXPECT_EQ(copy.Line() * 1000 + copy.ErrorCode(), 92000 - 50);
    // Reporting goes through the virtual operation of the thrown class.
    dbChannel.Clear();
    static_cast<const KW::KWException&>(copy).Report(dbChannel);
    for (const char* part : {"IllegalArgumentException", "unknown pixelType", "92", "-50"})
        EXPECT_NE(std::string(dbChannel.DebugText()).find(part), std::string::npos) << part;
    // The debug channel keeps the newest text.
    dbChannel.Clear();
    dbChannel.WriteText("first "), dbChannel.WriteText("second"), dbChannel.Write(nullptr, 0);
    EXPECT_STREQ(dbChannel.DebugText(), "first second");
    dbChannel.WriteText((std::string(5000, 'q') + "end").c_str());
    EXPECT_EQ(std::string(dbChannel.DebugText()), std::string(4092, 'q') + "end");
    dbChannel.WriteText(std::string(200, 'b').c_str()); // drops the oldest 200 bytes
    EXPECT_EQ(std::string(dbChannel.DebugText()),
              std::string(3892, 'q') + "end" + std::string(200, 'b'));
    dbChannel.Clear();
    EXPECT_STREQ(dbChannel.DebugText(), "");
}

TEST(RootChannels, MemoryInputReadsSkipsCopiesAndOwns) {
    const KW::InputBuffer none{};
    KW::MemoryIChannel32 channel("0123456789", 10, KW::kChannelDoesNotOwn, none, KW::kUseInPlace);
    char out[8] = {}, source[4] = {'a', 'b', 'c', 'd'};
    EXPECT_TRUE(channel.Read(out, 3, nullptr) == 0 && std::string(out, 3) == "012");
    EXPECT_EQ(channel.Skip(2, nullptr), 0);
    // Only 5 bytes remain: longer reads and skips fail and consume nothing.
    EXPECT_TRUE(channel.Read(out, 6, nullptr) && channel.Read(out, 0xFFFFFFFFu, nullptr) &&
                channel.Skip(6, nullptr));
    EXPECT_TRUE(channel.Read(out, 5, nullptr) == 0 && std::string(out, 5) == "56789");
    EXPECT_TRUE(channel.Read(out, 0, nullptr) == 0 && channel.Read(out, 1, nullptr) != 0);
    {
        KW::MemoryIChannel32 copied(source, 4, KW::kChannelDoesNotOwn, none, KW::kCopyIntoChannel);
        source[0] = 'z'; // the channel reads its own copy
        EXPECT_TRUE(copied.Read(out, 4, nullptr) == 0 && out[0] == 'a');
        KW::MemoryIChannel32 owning(BMAllocatePtr(3, 0, 0), 3, KW::kChannelOwns, none,
                                    KW::kUseInPlace); // frees its block, or the leak check fails
    }
    KWRootFailAllocation(1);
    KW::MemoryIChannel32 failed(source, 4, KW::kChannelDoesNotOwn, none, KW::kCopyIntoChannel);
    EXPECT_NE(failed.Read(out, 1, nullptr), 0);
}

TEST(VariableArray, SetUpAppendCount) {
    const std::int64_t live = KWRootLiveBlockCount();
    TVADescriptor table{};
    EXPECT_TRUE(vaManager.setUp(&table, 10, 6) == 0 && table.elementSize == 6);
    EXPECT_TRUE(vaManager.append(&table, 0) == 0 && vaManager.append(&table, 3) == 0);
    EXPECT_EQ(vaManager.append(&table, 0), 3);
    ASSERT_GE(BMGetHandleSize(table.elements), 18);
    for (int i = 0; i < 18; ++i) (*table.elements)[i] = static_cast<char>(i);
    // Growing one element at a time keeps what was written and zero-fills the rest.
    for (int i = 3; i < 1000; ++i) ASSERT_EQ(vaManager.append(&table, 1), i);
    ASSERT_TRUE(vaManager.count(&table) == 1000 && BMGetHandleSize(table.elements) >= 6000);
    for (int i = 0; i < 6000; ++i) ASSERT_EQ((*table.elements)[i], i < 18 ? i : 0) << i;
    KWRootFailAllocation(1);
    for (int count : {100000, 0x7FFFFFFF, -1}) EXPECT_LT(vaManager.append(&table, count), 0);
    EXPECT_EQ(vaManager.count(&table), 1000);
    EXPECT_EQ(vaManager.setUp(&table, 10, 6), 0); // releases the elements
    EXPECT_TRUE(vaManager.count(&table) == 0 && KWRootLiveBlockCount() == live);
    EXPECT_LT(vaManager.setUp(&table, 10, 0), 0);
    vaManager.dispose(&table), vaManager.dispose(nullptr);
}

TEST(GrowableArray, GrowsToTwiceTheCountAndShrinksAtAQuarter) {
    KW::Array<int> a;
    const std::pair<std::size_t, std::size_t> steps[] = {{5, 5},   {6, 10}, {10, 10}, {11, 20},
                                                         {21, 22}, {6, 22}, {5, 10},  {3, 10},
                                                         {2, 4},   {0, 0},  {1, 1}};
    for (const auto& [count, capacity] : steps) {
        a.SetCount(count);
        EXPECT_TRUE(a.GetCount() == count && a.GetCapacity() == capacity) << "count " << count;
    }
    // Elements survive growth and shrinking; new ones are zero.
    KW::Array<unsigned char> bytes;
    bytes.SetCount(4);
    std::memcpy(bytes.GetData(), "\1\2\3\4", 4);
    for (std::size_t count : {40, 3, 5}) bytes.SetCount(count);
    EXPECT_TRUE(!std::memcmp(bytes.GetData(), "\1\2\3\0\0", 5) &&
                static_cast<const KW::Container&>(bytes).GetCount() == 5u);
    KWRootFailAllocation(1);
    EXPECT_THROW(bytes.SetCount(100), KW::OutOfMemoryException);
    EXPECT_THROW(bytes.SetCount(SIZE_MAX), KW::OutOfMemoryException);
    EXPECT_TRUE(bytes.GetCount() == 5u && bytes.GetData()[2] == 3);
}
