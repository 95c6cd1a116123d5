// Bytes in one block of the root library (BMAllocatePtr): file contents and
// the DIBs the library hands out. Large blocks come from the root library's
// huge pages, so filling them costs few page faults. A block may also be
// memory that someone else releases, such as a mapped file.
#pragma once

#include <cstddef>
#include <span>

namespace rztool {

class ByteBlock {
public:
    ByteBlock() = default;
    // size bytes, not cleared; throws a failure ("too large" past what one
    // block can hold, else out of memory).
    explicit ByteBlock(std::size_t size);
    // Takes over a block from BMAllocatePtr holding size bytes.
    static ByteBlock Adopt(char* block, std::size_t size);
    // Takes over size bytes at block that release gives back.
    static ByteBlock Adopt(char* block, std::size_t size, void (*release)(char*, std::size_t));
    ByteBlock(ByteBlock&& other) noexcept;
    ByteBlock& operator=(ByteBlock&& other) noexcept;
    ByteBlock(const ByteBlock&) = delete;
    ByteBlock& operator=(const ByteBlock&) = delete;
    ~ByteBlock();

    unsigned char* data() const { return reinterpret_cast<unsigned char*>(block_); }
    std::size_t size() const { return size_; }
    std::span<unsigned char> bytes() const { return {data(), size_}; }
    // Forgets the bytes past size (the block keeps its storage).
    void Truncate(std::size_t size);

private:
    char* block_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;                      // what release gives back
    void (*release_)(char*, std::size_t) = nullptr; // null: BMKillPtr
};

} // namespace rztool
