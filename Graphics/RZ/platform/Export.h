// The one export macro of the library: exported functions and classes carry
// it, everything else stays hidden.
#pragma once

#if defined(_WIN32)
#if defined(RZ_BUILDING)
#define RZ_EXPORT __declspec(dllexport)
#else
#define RZ_EXPORT __declspec(dllimport)
#endif
#else
#define RZ_EXPORT __attribute__((visibility("default")))
#endif
