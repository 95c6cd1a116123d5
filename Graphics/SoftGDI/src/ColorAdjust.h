// Applying a GDI+ colour matrix to non-premultiplied colours.
#pragma once

#include "SoftGDI/GdiPlusTypes.h"
#include "Surface.h"

namespace softgdi {

// Row i of the matrix is the input channel red, green, blue, alpha, then the
// constant 1; column j the output channel in the same order. Channels are
// taken as fractions of 255; results are rounded and clamped to 0..255.
void ApplyColorMatrix(const Gdiplus::ColorMatrix& matrix, Argb* colours, int count);

} // namespace softgdi
