// The user32 operations the imaging code needs: the screen device context.
#pragma once

#include "SoftGDI/WinTypes.h"

extern "C" {

// GetDC(nullptr) hands out a new device context on the screen; any other
// window is unknown here and gives null.
SOFTGDI_API HDC WINAPI GetDC(HWND window);
// 1 when dc came from GetDC and is now released, else 0.
SOFTGDI_API int WINAPI ReleaseDC(HWND window, HDC dc);

} // extern "C"
