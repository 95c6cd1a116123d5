// Byte channels of the root library: an output channel interface with the
// debug channel, and an input channel over a block of memory.
#pragma once

#include <cstdint>

#include "KWRoot/Export.h"

namespace KW {

class KWROOT_API OChannel {
public:
    virtual ~OChannel();
    // Writes count bytes; 0 on success.
    virtual int Write(const void* data, unsigned int count) = 0;
    int WriteText(const char* text);
};

// The debug output channel: keeps the most recent text written to it so that
// tests and hosts can read it back (DebugText), and echoes nothing anywhere.
class KWROOT_API DebugOChannel : public OChannel {
public:
    int Write(const void* data, unsigned int count) override;
    // The last bytes written (up to 4 KiB), null-terminated.
    const char* DebugText() const { return text_; }
    void Clear();

private:
    char text_[4096] = {};
    unsigned int length_ = 0;
};

class KWROOT_API IChannel {
public:
    virtual ~IChannel();
    // Copies the next count bytes to destination; 0 on success, nonzero when
    // fewer than count bytes remain (nothing is consumed then).
    virtual int Read(void* destination, unsigned int count, void* reserved) = 0;
    // Moves the position count bytes forward; 0 on success, nonzero when
    // fewer than count bytes remain.
    virtual int Skip(unsigned int count, void* reserved) = 0;
};

enum OwnershipType : int {
    kChannelDoesNotOwn = 0, // the caller keeps the bytes
    kChannelOwns = 1,       // the channel releases them with BMKillPtr
};

enum MemoryAllocationMode : int {
    kCopyIntoChannel = 0, // the channel reads a private copy
    kUseInPlace = 1,      // the channel reads the caller's bytes where they are
};

// Read-ahead buffer settings; all zero selects the defaults.
struct InputBuffer {
    char* buffer;
    std::uint32_t size;
    std::uint32_t position;
};

class KWROOT_API MemoryIChannel32 : public IChannel {
public:
    MemoryIChannel32(const char* data, unsigned int size, OwnershipType ownership,
                     const InputBuffer& buffer, MemoryAllocationMode mode);
    ~MemoryIChannel32() override;
    MemoryIChannel32(const MemoryIChannel32&) = delete;
    MemoryIChannel32& operator=(const MemoryIChannel32&) = delete;

    int Read(void* destination, unsigned int count, void* reserved) override;
    int Skip(unsigned int count, void* reserved) override;

    unsigned int Position() const { return position_; }
    unsigned int Size() const { return size_; }
    // False when a private copy could not be allocated; every read then fails.
    bool IsValid() const { return data_ != nullptr || size_ == 0; }

private:
    const char* data_;     // what is read
    const char* original_; // the caller's bytes, released when owned
    char* ownedCopy_;
    unsigned int size_;
    unsigned int position_;
    OwnershipType ownership_;
};

} // namespace KW

extern KWROOT_API KW::DebugOChannel dbChannel;
