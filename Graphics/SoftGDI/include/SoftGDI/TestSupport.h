// Test support of the software GDI: failure injection and live-object counts,
// so that tests can prove every path of a caller releases what it made. Not
// for production callers.
#pragma once

#include <cstdint>

#include "SoftGDI/Export.h"

extern "C" {

// Makes the n-th creation from now fail (n = 1: the very next one). Every
// creation counts: GDI objects (device contexts, bitmaps, palettes), GDI+
// objects (images, graphics, matrices, attributes) and GdipAlloc blocks.
// n <= 0 cancels a pending failure.
SOFTGDI_API void SoftGdiFailCreation(int n);
// True while a failure armed by SoftGdiFailCreation has not happened yet.
SOFTGDI_API int SoftGdiFailurePending();
// GDI objects alive now; the stock and screen bitmaps, made once and never
// deleted, are not counted.
SOFTGDI_API std::int64_t SoftGdiLiveGdiObjects();
// GDI+ objects and GdipAlloc blocks alive now.
SOFTGDI_API std::int64_t SoftGdiLiveGdiPlusObjects();
}
