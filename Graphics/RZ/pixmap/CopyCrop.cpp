// Whole-map copies and crops.
#include <algorithm>
#include <cstring>

#include "PixMapRecord.h"
#include "RZ/platform/RootServices.h"

extern "C" {

short RZCopyKWPixMap(KWPixMap*** result, KWPixMap** source) {
    KWPixMap* src = rz::RecordOf(source);
    if (result == nullptr || src == nullptr) return RZErrParam;
    // The size comes from the header, not from the root library's block size.
    const std::int64_t size =
        static_cast<std::int64_t>(src->bytesPerRow) * src->height + src->baseOffset;
    *result = nullptr;
    if (size < 32 || size > INT32_MAX) return RZErrFailed;
    char** copy = BMAllocateHandle(static_cast<int>(size), 0, 0);
    if (copy == nullptr) return BMError();
    // A header that claims more than its block holds must not make us read
    // past the block: copy what is there and leave the rest zero.
    const int available = BMGetHandleSize(reinterpret_cast<char**>(source));
    const int copied = static_cast<int>(std::min<std::int64_t>(size, available));
    BNCopyMemory(*copy, src, copied);
    if (copied < size) BNFillMemory(*copy + copied, static_cast<int>(size) - copied, 0);
    *result = reinterpret_cast<KWPixMap**>(copy);
    return RZErrNone;
}

short RZCropKWPixMap(KWPixMap** source, KWPixMap*** result, const KWRect* rect) {
    if (source == nullptr || result == nullptr) return RZErrFailed;
    if (*result != nullptr) {
        RZDeleteKWPixMap(*result);
        *result = nullptr;
    }
    KWPixMap* src = rz::RecordOf(source);
    const std::uint32_t width = src ? src->width : 0;
    const std::uint32_t height = src ? src->height : 0;
    // Left and top are checked as signed values, right and bottom as
    // unsigned ones. Reversed and missing rectangles are refused like
    // rectangles outside the source. A purged source has no type or
    // resolutions to crop with, so even an empty rectangle falls back to the
    // copy, which refuses it.
    const bool inside = rect != nullptr && rect->left >= 0 && rect->top >= 0 &&
                        static_cast<std::uint32_t>(rect->right) <= width &&
                        static_cast<std::uint32_t>(rect->bottom) <= height &&
                        rect->right >= rect->left && rect->bottom >= rect->top;
    if (!inside || src == nullptr) return RZCopyKWPixMap(result, source);
    *result = RZCreateKWPixMap(
        rect->right - rect->left, rect->bottom - rect->top, static_cast<int>(src->hResolution),
        static_cast<int>(src->vResolution), static_cast<KWPixelType>(src->pixelType));
    KWPixMap* dst = rz::RecordOf(*result);
    if (dst == nullptr) return RZCopyKWPixMap(result, source);

    // One-bit maps are cut at whole bytes: a row may begin with the pixels
    // that precede left in its first byte.
    const std::int64_t firstByte =
        static_cast<std::int64_t>(rz::BitsOfType(src->pixelType)) * rect->left / 8;
    const unsigned char* blockEnd = reinterpret_cast<const unsigned char*>(src) +
                                    BMGetHandleSize(reinterpret_cast<char**>(source));
    const std::size_t rowBytes = dst->bytesPerRow;
    if (rowBytes == 0) return RZErrNone; // rows without pixels, however many
    for (std::int32_t y = rect->top; y < rect->bottom; ++y) {
        const unsigned char* from = rz::RowOf(src, static_cast<std::uint32_t>(y)) + firstByte;
        const std::size_t take =
            std::min<std::size_t>(rowBytes, from < blockEnd ? blockEnd - from : 0);
        std::memcpy(rz::RowOf(dst, static_cast<std::uint32_t>(y - rect->top)), from, take);
    }
    return RZErrNone;
}
}
