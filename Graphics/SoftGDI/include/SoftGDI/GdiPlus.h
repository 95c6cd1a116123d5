// GDI+ for hosts without Windows: value types, the flat API and the wrapper
// classes, under the published names.
#pragma once

#include "SoftGDI/GdiPlusFlat.h"
#include "SoftGDI/GdiPlusGraphics.h"
#include "SoftGDI/GdiPlusImage.h"
#include "SoftGDI/GdiPlusTypes.h"
