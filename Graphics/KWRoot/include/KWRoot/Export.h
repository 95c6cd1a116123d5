// Export macro of the root library: a DLL on Windows, default visibility elsewhere.
#pragma once

#if defined(_WIN32)
#if defined(KWROOT_BUILDING)
#define KWROOT_API __declspec(dllexport)
#else
#define KWROOT_API __declspec(dllimport)
#endif
#else
#define KWROOT_API __attribute__((visibility("default")))
#endif
