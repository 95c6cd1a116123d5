// Displays of any depth for hosts without one: the software GDI's screen is
// 32 bits deep, but a host may need to see how pictures look on a palette
// display (or a printer) of fewer bits.
#pragma once

#include "SoftGDI/Export.h"
#include "SoftGDI/WinTypes.h"

extern "C" {

// A device context on a display of its own with the given depth (1, 4, 8,
// 16, 24 or 32 bits; 8 bits and fewer with the default palette); null for
// other depths or sizes. Memory DCs made compatible with it report its
// depth. Deleted with DeleteDC, which takes its surface along.
SOFTGDI_API HDC SoftGdiCreateDisplayDC(int bitsPerPixel, int width, int height);
}
