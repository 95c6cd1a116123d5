// The exception hierarchy, the debug channel and the memory input channel.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

namespace {

template <typename Caught, typename Thrown> bool CaughtAs(const Thrown& thrown) {
    try {
        throw thrown;
    } catch (const Caught&) {
        return true;
    } catch (...) {
    }
    return false;
}

} // namespace

TEST(RootExceptions, HierarchyCopiesAndReports) {
    const KW::IllegalArgumentException illegal("RZCreateKWPixMap: unknown pixelType",
                                               "Graphics/RZ/KWPixMap", 92, -50);
    EXPECT_TRUE(CaughtAs<KW::PreconditionException>(illegal));
    EXPECT_TRUE(CaughtAs<KW::LogicErrorException>(illegal));
    EXPECT_TRUE(CaughtAs<KW::GeneralException>(illegal));
    EXPECT_TRUE(CaughtAs<KW::KWException>(illegal));
    EXPECT_FALSE(CaughtAs<KW::OutOfMemoryException>(illegal));
    EXPECT_TRUE(CaughtAs<KW::GeneralException>(KW::OutOfMemoryException()));
    EXPECT_FALSE(CaughtAs<KW::LogicErrorException>(KW::OutOfMemoryException()));

    KW::IllegalArgumentException copy(nullptr, nullptr, 0, 0);
    EXPECT_STREQ(copy.Message(), "");
    copy = illegal;
    EXPECT_STREQ(copy.Message(), "RZCreateKWPixMap: unknown pixelType");
    EXPECT_STREQ(copy.File(), "Graphics/RZ/KWPixMap");
    EXPECT_EQ(copy.Line() * 1000 + copy.ErrorCode(), 92000 - 50);

    // Reporting goes through the virtual operation of the thrown class.
    dbChannel.Clear();
    static_cast<const KW::KWException&>(copy).Report(dbChannel);
    const std::string text = dbChannel.DebugText();
    for (const char* part : {"IllegalArgumentException", "unknown pixelType", "92", "-50"})
        EXPECT_NE(text.find(part), std::string::npos) << text;
    dbChannel.Clear();
    KW::OutOfMemoryException(std::string(1000, 'x').c_str()).Report(dbChannel);
    EXPECT_GT(std::strlen(dbChannel.DebugText()), 100u);
    dbChannel.Clear();
}

TEST(RootChannels, MemoryInputReadsAndSkips) {
    const KW::InputBuffer noBuffer{};
    KW::MemoryIChannel32 channel("0123456789", 10, KW::kChannelDoesNotOwn, noBuffer,
                                 KW::kUseInPlace);
    char out[8] = {};
    EXPECT_EQ(channel.Read(out, 3, nullptr), 0);
    EXPECT_EQ(std::string(out, 3), "012");
    EXPECT_EQ(channel.Skip(2, nullptr), 0);
    EXPECT_NE(channel.Read(out, 6, nullptr), 0) << "only 5 bytes remain";
    EXPECT_NE(channel.Skip(6, nullptr), 0);
    EXPECT_NE(channel.Read(out, 0xFFFFFFFFu, nullptr), 0);
    EXPECT_EQ(channel.Read(out, 5, nullptr), 0) << "a failed read consumes nothing";
    EXPECT_EQ(std::string(out, 5), "56789");
    EXPECT_EQ(channel.Read(out, 0, nullptr), 0);
    EXPECT_NE(channel.Read(out, 1, nullptr), 0);
}

TEST(RootChannels, CopiedAndOwnedInput) {
    const std::int64_t live = KWRootLiveBlockCount();
    char source[4] = {'a', 'b', 'c', 'd'}, out[4];
    const KW::InputBuffer noBuffer{};
    {
        KW::MemoryIChannel32 copied(source, 4, KW::kChannelDoesNotOwn, noBuffer,
                                    KW::kCopyIntoChannel);
        source[0] = 'z'; // the channel reads its own copy
        EXPECT_EQ(copied.Read(out, 4, nullptr), 0);
        EXPECT_EQ(out[0], 'a');
    }
    char* owned = BMAllocatePtr(3, 0, 0);
    { KW::MemoryIChannel32 owning(owned, 3, KW::kChannelOwns, noBuffer, KW::kUseInPlace); }
    EXPECT_EQ(KWRootLiveBlockCount(), live) << "the owning channel frees its block";

    KWRootFailAllocation(1);
    KW::MemoryIChannel32 failed(source, 4, KW::kChannelDoesNotOwn, noBuffer, KW::kCopyIntoChannel);
    EXPECT_NE(failed.Read(out, 1, nullptr), 0);
}

TEST(RootChannels, DebugChannelKeepsTheNewestText) {
    dbChannel.Clear();
    dbChannel.WriteText("first ");
    dbChannel.WriteText("second");
    dbChannel.Write(nullptr, 0);
    EXPECT_STREQ(dbChannel.DebugText(), "first second");
    dbChannel.WriteText((std::string(5000, 'q') + "end").c_str());
    std::string kept = dbChannel.DebugText();
    EXPECT_EQ(kept.size(), 4095u);
    EXPECT_EQ(kept.substr(4092), "end");
    dbChannel.WriteText(std::string(200, 'b').c_str()); // drops the oldest 200 bytes
    kept = dbChannel.DebugText();
    EXPECT_EQ(kept.size(), 4095u);
    EXPECT_EQ(kept.substr(3892, 4), "endb");
    dbChannel.Clear();
    EXPECT_STREQ(dbChannel.DebugText(), "");
}
