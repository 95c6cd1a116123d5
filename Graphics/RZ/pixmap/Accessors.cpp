// Header accessors. Each accepts a null handle and a null master pointer.
#include "PixMapRecord.h"

extern "C" {

char* RZGetKWPixMapBaseAddr(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? reinterpret_cast<char*>(rz::BaseOf(record)) : nullptr;
}

short RZGetKWPixMapBounds(KWPixMap** handle, KWRect* bounds) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || bounds == nullptr) return RZErrParam;
    bounds->top = 0;
    bounds->left = 0;
    bounds->bottom = static_cast<std::int32_t>(record->height);
    bounds->right = static_cast<std::int32_t>(record->width);
    return RZErrNone;
}

unsigned int RZGetKWPixMapBytesPerRow(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->bytesPerRow : 0;
}

unsigned int RZGetKWPixMapHeight(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->height : 0;
}

unsigned int RZGetKWPixMapWidth(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->width : 0;
}

unsigned int RZGetKWPixMapHResolution(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->hResolution : 0;
}

unsigned int RZGetKWPixMapVResolution(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->vResolution : 0;
}

short RZGetKWPixMapPixelSize(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? static_cast<short>(rz::BitsOfType(record->pixelType)) : 0;
}

int RZGetKWPixMapPixelType(KWPixMap** handle) {
    KWPixMap* record = rz::RecordOf(handle);
    return record ? record->pixelType : -1;
}

void RZSetKWPixMapHResolution(KWPixMap** handle, int resolution) {
    if (KWPixMap* record = rz::RecordOf(handle))
        record->hResolution = static_cast<std::uint32_t>(resolution);
}

void RZSetKWPixMapVResolution(KWPixMap** handle, int resolution) {
    if (KWPixMap* record = rz::RecordOf(handle))
        record->vResolution = static_cast<std::uint32_t>(resolution);
}
}
