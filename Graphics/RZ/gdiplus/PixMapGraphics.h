// A GDI+ graphics whose drawing lands in a pixel map, restricted in effect
// to a rectangle of it, and taken down again so that the map holds the
// result in its own pixel layout.
//
// Three modes, chosen by the target's pixel type and the channel-pair flag:
// - direct (types 0 and 1, flag clear): a 32-bit ARGB bitmap over the whole
//   map, whose bytes are reversed inside the rectangle while it is open, so
//   that GDI+ sees true colours there;
// - channel pair (types 0 and 1, flag set): a top-down 24-bit DIB section of
//   the map's size; CopyPixMapChannelPair moves one pair of bytes per pixel
//   between map and section around each draw, so that every byte of a pixel
//   is resampled on its own, alpha included, whatever the byte order;
// - indexed (types 2 and 3): a DIB section in the map's own format holding a
//   copy of the map's rows, copied back at close.
//
// Between open and close nothing else may use the target.
#pragma once

#include <cstdint>

#include "RZ/KWPixMap"
#include "RZ/platform/WindowsImaging.h"

namespace rz::gdiplus {

struct PixMapGraphics {
    Gdiplus::Graphics* graphics;           // the drawing context (owned)
    Gdiplus::Bitmap* bitmap;               // over the target's memory, direct mode only (owned)
    HDC memoryDC;                          // DIB modes only (owned)
    HBITMAP dibSection;                    // selected into memoryDC (owned)
    HGDIOBJ previousObject;                // what the section replaced in memoryDC
    BITMAPINFO* bitmapInfo;                // the section's header, a root-library block (owned)
    unsigned char* bits;                   // the section's first pixel byte
    std::int32_t left, right, top, bottom; // the rectangle clipped to the map
    bool channelPairMode;
};

// Null rect: the whole map. Null when anything cannot be made; nothing is
// then held and the map is unchanged.
Gdiplus::Graphics* OpenPixMapGraphics(KWPixMap** target, const KWRect* rect, PixMapGraphics* g,
                                      bool channelPairMode);
// Writes the result back into the map and releases everything in g. Called
// once after every successful open, with the same target.
void ClosePixMapGraphics(KWPixMap** target, PixMapGraphics* g);
// Bytes 2 pair and 2 pair + 1 of every map pixel inside the rectangle to
// (direction 1) or from (any other direction) bytes 0 and 1 of the section's
// pixel.
void CopyPixMapChannelPair(KWPixMap** target, const PixMapGraphics* g, int pair, int direction);

} // namespace rz::gdiplus
