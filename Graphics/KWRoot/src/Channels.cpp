#include "KWRoot/Channels.h"

#include <cstring>

#include "KWRoot/Memory.h"

KW::DebugOChannel dbChannel;

namespace KW {

OChannel::~OChannel() = default;

int OChannel::WriteText(const char* text) {
    return text ? Write(text, static_cast<unsigned int>(std::strlen(text))) : 0;
}

int DebugOChannel::Write(const void* data, unsigned int count) {
    if (data == nullptr || count == 0) return 0;
    const char* bytes = static_cast<const char*>(data);
    const unsigned int room = sizeof text_ - 1;
    if (count >= room) { // keep the tail of an oversized write
        bytes += count - room;
        count = room;
        length_ = 0;
    } else if (length_ + count > room) { // drop the oldest text
        unsigned int drop = length_ + count - room;
        std::memmove(text_, text_ + drop, length_ - drop);
        length_ -= drop;
    }
    std::memcpy(text_ + length_, bytes, count);
    length_ += count;
    text_[length_] = '\0';
    return 0;
}

void DebugOChannel::Clear() {
    length_ = 0;
    text_[0] = '\0';
}

IChannel::~IChannel() = default;

MemoryIChannel32::MemoryIChannel32(const char* data, unsigned int size, OwnershipType ownership,
                                   const InputBuffer&, MemoryAllocationMode mode)
    : data_(data), original_(data), ownedCopy_(nullptr), size_(data ? size : 0), position_(0),
      ownership_(ownership) {
    if (mode == kCopyIntoChannel && size_ > 0 && size_ <= 0x7FFFFFFFu) {
        ownedCopy_ = BMAllocatePtr(static_cast<int>(size_), 0, 0);
        if (ownedCopy_) std::memcpy(ownedCopy_, data, size_);
        data_ = ownedCopy_;
    } else if (mode == kCopyIntoChannel && size_ > 0) {
        data_ = nullptr;
    }
}

MemoryIChannel32::~MemoryIChannel32() {
    BMKillPtr(&ownedCopy_);
    if (ownership_ == kChannelOwns) {
        char* owned = const_cast<char*>(original_);
        BMKillPtr(&owned);
    }
}

int MemoryIChannel32::Read(void* destination, unsigned int count, void*) {
    if (!IsValid() || count > size_ - position_) return -1;
    if (count > 0) std::memcpy(destination, data_ + position_, count);
    position_ += count;
    return 0;
}

int MemoryIChannel32::Skip(unsigned int count, void*) {
    if (!IsValid() || count > size_ - position_) return -1;
    position_ += count;
    return 0;
}

} // namespace KW
