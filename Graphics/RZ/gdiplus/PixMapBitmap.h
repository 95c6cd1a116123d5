// Pixel maps handed to GDI+ as bitmaps over their own memory.
#pragma once

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"

namespace rz::gdiplus {

// A GDI+ bitmap reading and writing pixMap's rows in place: the whole map,
// or only rect, which must lie inside the map. A black-and-white map whose
// rect does not start on a whole byte is covered whole, and *wholeMap is set
// true: the caller then takes its source rectangle at (rect.left, rect.top)
// inside the bitmap. With takeOwnership the bitmap deletes pixMap when it is
// deleted, and pixMap is deleted at once when null is returned.
Gdiplus::Bitmap* NewBitmapFromKWPixMap(KWPixMap** pixMap, const KWRect& rect, bool* wholeMap,
                                       bool takeOwnership);

} // namespace rz::gdiplus
