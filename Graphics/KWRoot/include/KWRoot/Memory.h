// Memory blocks of the root library: relocatable handles, pointer blocks and
// the raw memory primitives.
#pragma once

#include "KWRoot/Export.h"

// Allocation flag: the block is returned zero-filled.
enum : unsigned int { kBMFlagZeroFill = 2 };

// The code BMError() reports after an allocation that could not be satisfied
// (the classic "memory full" code). 0 means the last allocation succeeded.
enum : short { kBMErrNoError = 0, kBMErrOutOfMemory = -108 };

extern "C" {

// A relocatable block: the result points at a master pointer, which points at
// the block. Null on failure (negative size or no memory).
KWROOT_API char** BMAllocateHandle(int size, unsigned int flags, short reserved);
// Frees the block whose handle *handleVariable holds; a null handle is ignored.
// The variable itself is left as it is.
KWROOT_API void BMKillHandle(char*** handleVariable);
// Size in bytes of the block; 0 for a null handle.
KWROOT_API int BMGetHandleSize(const char* const* handle);

// A non-relocatable block. Null on failure.
KWROOT_API char* BMAllocatePtr(int size, unsigned int flags, short reserved);
// Frees *pointerVariable (null is ignored) and sets the variable to null.
KWROOT_API void BMKillPtr(char** pointerVariable);

// Result of the calling thread's last allocation: kBMErrNoError or kBMErrOutOfMemory.
KWROOT_API short BMError();

KWROOT_API void BNCopyMemory(void* dest, const void* src, int count);
KWROOT_API void BNFillMemory(void* dest, int count, unsigned char value);
// 0 when the two ranges are equal, otherwise the sign of the first difference.
KWROOT_API int BNCompareMemory(const void* a, const void* b, int count);
}
