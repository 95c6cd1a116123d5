#include "KWRoot/VariableArray.h"

#include <cstring>

#include "KWRoot/Memory.h"

namespace {

void Init(TVADescriptor* d) {
    if (d) std::memset(d, 0, sizeof *d);
}

void Dispose(TVADescriptor* d) {
    if (d == nullptr) return;
    BMKillHandle(&d->elements);
    d->elements = nullptr;
    d->count = 0;
    d->capacity = 0;
}

std::int16_t SetUp(TVADescriptor* d, std::int16_t growBy, std::int16_t elementSize) {
    if (d == nullptr || elementSize <= 0 || growBy < 0) return -50;
    Dispose(d);
    d->elementSize = elementSize;
    d->growBy = growBy > 0 ? growBy : 1;
    return 0;
}

std::int32_t Count(const TVADescriptor* d) {
    return d ? d->count : 0;
}

std::int32_t Append(TVADescriptor* d, std::int32_t count) {
    if (d == nullptr || d->elementSize <= 0 || count < 0) return -50;
    const std::int64_t needed = static_cast<std::int64_t>(d->count) + count;
    if (needed > d->capacity) {
        // Grow by half again at least, so that appending one element at a
        // time stays linear overall.
        std::int64_t capacity = needed + d->growBy;
        if (capacity < needed + d->capacity / 2) capacity = needed + d->capacity / 2;
        std::int64_t bytes = capacity * d->elementSize;
        if (bytes > 0x7FFFFFFF) return kBMErrOutOfMemory;
        char** grown = BMAllocateHandle(static_cast<int>(bytes), kBMFlagZeroFill, 0);
        if (grown == nullptr) return BMError();
        if (d->elements) {
            std::memcpy(*grown, *d->elements,
                        static_cast<std::size_t>(d->count) *
                            static_cast<std::size_t>(d->elementSize));
            BMKillHandle(&d->elements);
        }
        d->elements = grown;
        d->capacity = static_cast<std::int32_t>(capacity);
    }
    const std::int32_t first = d->count;
    d->count = static_cast<std::int32_t>(needed);
    return first;
}

} // namespace

extern "C" const TVAManager vaManager = {Init, SetUp, Count, Append, Dispose};
