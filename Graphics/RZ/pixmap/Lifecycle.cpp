// Creation, retyping and deletion of pixel maps.
#include <cmath>
#include <cstring>

#include "PixMapRecord.h"
#include "RZ/platform/RootServices.h"

namespace {

// Writes the header of a fresh block. Checks the type on its own, as the
// record may be initialised from other paths in future.
void InitialiseHeader(KWPixMap* record, std::uint32_t bytesPerRow, int width, int height,
                      int hResolution, int vResolution, KWPixelType pixelType) {
    if (static_cast<unsigned int>(pixelType) > 3)
        throw KW::IllegalArgumentException("RZCreateKWPixMap: unknown pixelType",
                                           "Graphics/RZ/KWPixMap", 92, -50);
    record->baseOffset = sizeof(KWPixMap);
    record->bytesPerRow = bytesPerRow;
    record->height = static_cast<std::uint32_t>(height);
    record->width = static_cast<std::uint32_t>(width);
    record->hResolution = static_cast<std::uint32_t>(hResolution);
    record->vResolution = static_cast<std::uint32_t>(vResolution);
    record->pixelType = static_cast<std::uint8_t>(pixelType);
    std::memset(record->reserved, 0, sizeof record->reserved);
}

// A double converted to int with truncation, or false when it does not fit.
bool TruncateToInt(double value, int* result) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false; // NaN too
    *result = static_cast<int>(value);
    return true;
}

} // namespace

extern "C" {

KWPixMap** RZCreateKWPixMap(int width, int height, int hResolution, int vResolution,
                            KWPixelType pixelType) {
    const std::int64_t bytesPerRow = rz::BytesPerRowFor(width, pixelType);
    if (bytesPerRow < 0 || width < 0 || height < 0) return nullptr;
    const std::int64_t size = bytesPerRow * height + 32;
    if (size > INT32_MAX) return nullptr;
    auto** handle =
        reinterpret_cast<KWPixMap**>(BMAllocateHandle(static_cast<int>(size), kBMFlagZeroFill, 0));
    if (handle == nullptr) return nullptr;
    try {
        InitialiseHeader(*handle, static_cast<std::uint32_t>(bytesPerRow), width, height,
                         hResolution, vResolution, pixelType);
    } catch (...) {
        RZDeleteKWPixMap(handle);
        return nullptr;
    }
    return handle;
}

KWPixMap** RZCreateKWPixMapLogical(int width, int height, double scale, KWPixelType pixelType) {
    int resolution, pixelWidth, pixelHeight;
    if (!TruncateToInt(scale * 72.0, &resolution) ||
        !TruncateToInt(static_cast<double>(width) * scale + 0.5, &pixelWidth) ||
        !TruncateToInt(static_cast<double>(height) * scale + 0.5, &pixelHeight))
        return nullptr;
    return RZCreateKWPixMap(pixelWidth, pixelHeight, resolution, resolution, pixelType);
}

KWPixMap** RZCreateARGBKWPixMap(KWPixMap** source) {
    KWPixMap* src = rz::RecordOf(source);
    if (src == nullptr || src->pixelType != PixelTypeBlackWhite) return nullptr;
    KWPixMap** result = RZCreateKWPixMap(
        static_cast<int>(src->width), static_cast<int>(src->height),
        static_cast<int>(src->hResolution), static_cast<int>(src->vResolution), PixelTypeARGB);
    KWPixMap* dst = rz::RecordOf(result);
    if (dst == nullptr) return nullptr;
    const std::uint32_t width = src->width;
    const std::uint32_t rows = width > 0 ? src->height : 0; // rows without pixels: nothing to do
    for (std::uint32_t y = 0; y < rows; ++y) {
        const unsigned char* in = rz::RowOf(src, y);
        auto* out = reinterpret_cast<std::uint32_t*>(rz::RowOf(dst, y));
        for (std::uint32_t x = 0; x < width; ++x) {
            // White is bytes 0, 255, 255, 255: alpha 0, then red, green, blue.
            static constexpr unsigned char kWhite[4] = {0, 255, 255, 255};
            static constexpr unsigned char kBlack[4] = {0, 0, 0, 0};
            const bool set = (in[x >> 3] >> (7 - (x & 7))) & 1;
            std::memcpy(out + x, set ? kWhite : kBlack, 4);
        }
    }
    return result;
}

void RZDeleteKWPixMap(KWPixMap** handle) {
    // A handle without a record is left alone, like every other function
    // here does with it.
    if (handle == nullptr || *handle == nullptr) return;
    char** local = reinterpret_cast<char**>(handle);
    BMKillHandle(&local);
}

void RZSetKWPixMapPixelType(KWPixMap** handle, KWPixelType pixelType) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr) return;
    if (RZPixelSizeFromPixelType(pixelType) == RZGetKWPixMapPixelSize(handle))
        record->pixelType = static_cast<std::uint8_t>(pixelType);
}

short RZPixelSizeFromPixelType(KWPixelType pixelType) {
    return static_cast<short>(rz::BitsOfType(pixelType));
}

KWPixelType RZPixelTypeFromPixelSize(int bits) {
    return bits == 1 ? PixelTypeBlackWhite : bits == 8 ? PixelTypeGrey : PixelTypeARGB;
}
}
