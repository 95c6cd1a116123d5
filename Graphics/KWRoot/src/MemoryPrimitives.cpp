#include <cstring>

#include "KWRoot/Memory.h"

extern "C" {

void BNCopyMemory(void* dest, const void* src, int count) {
    if (count > 0) std::memmove(dest, src, static_cast<std::size_t>(count));
}

void BNFillMemory(void* dest, int count, unsigned char value) {
    if (count > 0) std::memset(dest, value, static_cast<std::size_t>(count));
}

int BNCompareMemory(const void* a, const void* b, int count) {
    if (count <= 0) return 0;
    int result = std::memcmp(a, b, static_cast<std::size_t>(count));
    return (result > 0) - (result < 0);
}
}
