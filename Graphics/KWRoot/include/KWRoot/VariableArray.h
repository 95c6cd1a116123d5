// The variable-array service: a caller-owned descriptor of a growable array
// of fixed-size elements, kept in a relocatable block, and the table of
// operations (vaManager) that works on it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KWRoot/Export.h"

struct TVADescriptor {
    std::int32_t elementSize; // bytes per element; 0 until set up
    std::int32_t count;       // elements in use
    std::int32_t capacity;    // elements the block can hold
    std::int32_t growBy;      // minimum growth step, in elements
    char** elements;          // handle of the element block; null while empty
};
static_assert(offsetof(TVADescriptor, elements) == 16, "element handle follows 16 bytes");

// The operations, in their table order.
struct TVAManager {
    // 1. Empties a descriptor without freeing anything (for fresh storage).
    void (*init)(TVADescriptor* descriptor);
    // 2. Releases the elements and sets the array up for elements of
    //    elementSize bytes, growing by at least growBy. Negative on failure.
    std::int16_t (*setUp)(TVADescriptor* descriptor, std::int16_t growBy, std::int16_t elementSize);
    // 3. Number of elements.
    std::int32_t (*count)(const TVADescriptor* descriptor);
    // 4. Appends count zero-filled elements; returns the index of the first,
    //    or a negative value when the block cannot grow.
    std::int32_t (*append)(TVADescriptor* descriptor, std::int32_t count);
    // 5. Releases the elements; the descriptor keeps its element size.
    void (*dispose)(TVADescriptor* descriptor);
};

extern "C" KWROOT_API const TVAManager vaManager;
