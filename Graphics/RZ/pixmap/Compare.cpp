// Byte-for-byte comparison of two pixel maps.
#include "PixMapRecord.h"
#include "RZ/platform/RootServices.h"

extern "C" bool RZIsSameKWPixMap(KWPixMap** a, KWPixMap** b) {
    KWPixMap* ra = rz::RecordOf(a);
    KWPixMap* rb = rz::RecordOf(b);
    if (ra == nullptr || rb == nullptr) return false;
    const int size = BMGetHandleSize(reinterpret_cast<char**>(a));
    if (size != BMGetHandleSize(reinterpret_cast<char**>(b)) || size < 32) return false;
    // The seven reserved bytes are not compared.
    if (ra->baseOffset != rb->baseOffset || ra->bytesPerRow != rb->bytesPerRow ||
        ra->width != rb->width || ra->height != rb->height || ra->hResolution != rb->hResolution ||
        ra->vResolution != rb->vResolution || ra->pixelType != rb->pixelType)
        return false;
    if (ra->baseOffset < 0 || ra->baseOffset > size) return false;
    return BNCompareMemory(rz::BaseOf(ra), rz::BaseOf(rb), size - ra->baseOffset) == 0;
}
