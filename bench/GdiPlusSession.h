// The host starts GDI+ before drawing; a benchmark program is the host.
#pragma once

#include "RZ/platform/WindowsImaging.h"

namespace rzbench {

struct GdiPlusSession {
    GdiPlusSession() { Gdiplus::GdiplusStartup(&token, &input, nullptr); }
    ~GdiPlusSession() { Gdiplus::GdiplusShutdown(token); }
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
};

} // namespace rzbench
