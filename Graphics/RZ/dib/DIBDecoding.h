// The internal steps of the DIB import. The driver brings every accepted DIB
// into one form (uncompressed rows, bottom-up, each padded to the row bytes
// that RZGetDIBInfo gives) and then fills the new map from it.
#pragma once

#include <cstddef>

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsTypes.h"

namespace KW {
class MemoryIChannel32;
}

// Reads a packed DIB from channel (positioned at its header) into a new
// pixel map stored in *pixMap. 0, -7003, or the BMError() code.
short ReadDIBFromChannel(KW::MemoryIChannel32* channel, KWPixMap*** pixMap);

// Expands BI_RLE8 or BI_RLE4 data (header->biSizeImage bytes) into pixels,
// which must hold the unpacked size RZGetDIBInfo gives for header. Decoding
// stops at the end-of-bitmap escape, when the unpacked size is consumed, or
// at either end of the two buffers, whichever comes first. 1 decoded, 0
// refused.
int DecodeDIBRunLength(const BITMAPINFOHEADER* header, unsigned char* pixels,
                       const unsigned char* runLengthData);

// Rewrites BI_BITFIELDS pixels in place into the fixed layouts: 16-bit
// 5-5-5 and 32-bit 0x00RRGGBB. 0 when header or pixels is null, else 1.
int NormalizeDIBBitFields(const BITMAPINFOHEADER* header, unsigned char* pixels,
                          unsigned int redMask, unsigned int greenMask, unsigned int blueMask);

// Converts every pixel of the uncompressed bottom-up rows into the map, as
// if each were stored through RZSetKWPixMapPixel at (column, height - 1 - row).
// Palette indices at or past paletteCount give black.
void DecodeDIBPixels(const BITMAPINFOHEADER* header, unsigned int rowBytes,
                     const unsigned char* pixels, const RGBQUAD* palette, std::size_t paletteCount,
                     KWPixMap** map);
