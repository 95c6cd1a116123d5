// The exception hierarchy, the debug channel and the memory input channel.
#include <cstring>
#include <string>
#include <type_traits>

#include <gtest/gtest.h>

#include "KWRoot/KWRoot.h"
#include "KWRoot/TestSupport.h"

namespace {

template <typename Caught> bool CaughtAs(void (*raise)()) {
    try {
        raise();
    } catch (const Caught&) {
        return true;
    } catch (...) {
    }
    return false;
}

void RaiseIllegalArgument() {
    throw KW::IllegalArgumentException("bad", "f.cpp", 7, -50);
}
void RaiseOutOfMemory() {
    throw KW::OutOfMemoryException();
}

} // namespace

TEST(RootExceptions, HierarchyCopiesAndReports) {
    EXPECT_TRUE(CaughtAs<KW::IllegalArgumentException>(RaiseIllegalArgument));
    EXPECT_TRUE(CaughtAs<KW::PreconditionException>(RaiseIllegalArgument));
    EXPECT_TRUE(CaughtAs<KW::LogicErrorException>(RaiseIllegalArgument));
    EXPECT_TRUE(CaughtAs<KW::GeneralException>(RaiseIllegalArgument));
    EXPECT_TRUE(CaughtAs<KW::KWException>(RaiseIllegalArgument));
    EXPECT_FALSE(CaughtAs<KW::OutOfMemoryException>(RaiseIllegalArgument));
    EXPECT_TRUE(CaughtAs<KW::KWException>(RaiseOutOfMemory));
    EXPECT_FALSE(CaughtAs<KW::LogicErrorException>(RaiseOutOfMemory));

    const KW::IllegalArgumentException original("RZCreateKWPixMap: unknown pixelType",
                                                "Graphics/RZ/KWPixMap", 92, -50);
    KW::IllegalArgumentException copy = original;
    EXPECT_STREQ(copy.Message(), "RZCreateKWPixMap: unknown pixelType");
    EXPECT_STREQ(copy.File(), "Graphics/RZ/KWPixMap");
    EXPECT_EQ(copy.Line(), 92);
    EXPECT_EQ(copy.ErrorCode(), -50);
    KW::IllegalArgumentException assigned(nullptr, nullptr, 0, 0);
    EXPECT_STREQ(assigned.Message(), "");
    assigned = original;
    EXPECT_EQ(assigned.Line(), 92);

    // Reporting goes through the virtual operation of the thrown class.
    dbChannel.Clear();
    const KW::KWException& asBase = copy;
    asBase.Report(dbChannel);
    const std::string text = dbChannel.DebugText();
    EXPECT_NE(text.find("IllegalArgumentException"), std::string::npos) << text;
    EXPECT_NE(text.find("unknown pixelType"), std::string::npos) << text;
    EXPECT_NE(text.find("92"), std::string::npos) << text;
    dbChannel.Clear();
    KW::OutOfMemoryException(std::string(1000, 'x').c_str()).Report(dbChannel);
    EXPECT_GT(std::strlen(dbChannel.DebugText()), 100u);
    dbChannel.Clear();
}

TEST(RootChannels, MemoryInputReadsAndSkips) {
    const char bytes[] = "0123456789";
    const KW::InputBuffer noBuffer{};
    KW::MemoryIChannel32 channel(bytes, 10, KW::kChannelDoesNotOwn, noBuffer, KW::kUseInPlace);
    char out[8] = {};
    EXPECT_EQ(channel.Read(out, 3, nullptr), 0);
    EXPECT_EQ(std::string(out, 3), "012");
    EXPECT_EQ(channel.Skip(2, nullptr), 0);
    EXPECT_EQ(channel.Read(out, 6, nullptr), -1) << "only 5 bytes remain";
    EXPECT_EQ(channel.Skip(6, nullptr), -1);
    EXPECT_EQ(channel.Read(out, 0xFFFFFFFFu, nullptr), -1);
    EXPECT_EQ(channel.Read(out, 5, nullptr), 0) << "a failed read consumes nothing";
    EXPECT_EQ(std::string(out, 5), "56789");
    EXPECT_EQ(channel.Read(out, 0, nullptr), 0);
    EXPECT_EQ(channel.Read(out, 1, nullptr), -1);
    EXPECT_EQ(channel.Skip(0, nullptr), 0);
}

TEST(RootChannels, CopiedAndOwnedInput) {
    const std::int64_t live = KWRootLiveBlockCount();
    char source[4] = {'a', 'b', 'c', 'd'};
    const KW::InputBuffer noBuffer{};
    {
        KW::MemoryIChannel32 copied(source, 4, KW::kChannelDoesNotOwn, noBuffer,
                                    KW::kCopyIntoChannel);
        source[0] = 'z'; // the channel reads its own copy
        char out[4];
        EXPECT_EQ(copied.Read(out, 4, nullptr), 0);
        EXPECT_EQ(out[0], 'a');
    }
    char* owned = BMAllocatePtr(3, 0, 0);
    std::memcpy(owned, "xyz", 3);
    { KW::MemoryIChannel32 owning(owned, 3, KW::kChannelOwns, noBuffer, KW::kUseInPlace); }
    EXPECT_EQ(KWRootLiveBlockCount(), live) << "the owning channel frees its block";

    KWRootFailAllocation(1);
    KW::MemoryIChannel32 failed(source, 4, KW::kChannelDoesNotOwn, noBuffer, KW::kCopyIntoChannel);
    char out[1];
    EXPECT_FALSE(failed.IsValid());
    EXPECT_NE(failed.Read(out, 1, nullptr), 0);
}

TEST(RootChannels, DebugChannelKeepsTheNewestText) {
    dbChannel.Clear();
    EXPECT_EQ(dbChannel.WriteText("first "), 0);
    dbChannel.WriteText("second");
    EXPECT_STREQ(dbChannel.DebugText(), "first second");
    dbChannel.Write(nullptr, 0);
    const std::string big(5000, 'q');
    dbChannel.WriteText((big + "end").c_str());
    const std::string kept = dbChannel.DebugText();
    EXPECT_EQ(kept.size(), 4095u);
    EXPECT_EQ(kept.substr(kept.size() - 3), "end");
    dbChannel.WriteText(std::string(200, 'b').c_str()); // drops the oldest 200 bytes
    const std::string shifted = dbChannel.DebugText();
    EXPECT_EQ(shifted.size(), 4095u);
    EXPECT_EQ(shifted.substr(3892, 3), "end");
    dbChannel.Clear();
    EXPECT_STREQ(dbChannel.DebugText(), "");
}

static_assert(std::is_base_of_v<KW::GeneralException, KW::OutOfMemoryException>);
