// GDI, user32 and GDI+ as the imaging code calls them: the real headers on
// Windows, our software implementation elsewhere.
#pragma once

#include "RZ/platform/WindowsTypes.h"

#if defined(_WIN32)
#include <algorithm>
// The GDI+ headers use min and max, which NOMINMAX keeps out of <windows.h>.
namespace Gdiplus {
using std::max;
using std::min;
} // namespace Gdiplus
#include <gdiplus.h>
#else
#include "SoftGDI/GdiPlus.h"
#include "SoftGDI/WinGDI.h"
#include "SoftGDI/WinUser.h"
#endif
