// The Windows base types and DIB structures: the real headers on Windows,
// our own definitions elsewhere.
#pragma once

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include "SoftGDI/WinTypes.h"
#endif
