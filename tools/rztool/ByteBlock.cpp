#include "ByteBlock.h"

#include <climits>
#include <string>
#include <utility>

#include "Command.h"
#include "KWRoot/Memory.h"

namespace rztool {

ByteBlock::ByteBlock(std::size_t size) : size_(size), capacity_(size) {
    if (size > static_cast<std::size_t>(INT_MAX))
        throw Failure("too large: " + std::to_string(size) + " bytes, blocks hold at most " +
                      std::to_string(INT_MAX));
    if (size == 0) return;
    block_ = BMAllocatePtr(static_cast<int>(size), 0, 0);
    if (block_ == nullptr) throw Failure("out of memory for " + std::to_string(size) + " bytes");
}

ByteBlock ByteBlock::Adopt(char* block, std::size_t size) {
    return Adopt(block, size, nullptr);
}

ByteBlock ByteBlock::Adopt(char* block, std::size_t size, void (*release)(char*, std::size_t)) {
    ByteBlock adopted;
    adopted.block_ = block;
    adopted.size_ = adopted.capacity_ = block != nullptr ? size : 0;
    adopted.release_ = release;
    return adopted;
}

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : block_(std::exchange(other.block_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)),
      release_(std::exchange(other.release_, nullptr)) {}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
    if (this != &other) {
        this->~ByteBlock();
        block_ = std::exchange(other.block_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        release_ = std::exchange(other.release_, nullptr);
    }
    return *this;
}

ByteBlock::~ByteBlock() {
    if (release_ != nullptr && block_ != nullptr)
        release_(block_, capacity_);
    else
        BMKillPtr(&block_);
    block_ = nullptr;
}

void ByteBlock::Truncate(std::size_t size) {
    if (size < size_) size_ = size;
}

} // namespace rztool
