// Pixel maps out as DIBs: a BITMAPINFO describing the map's own rows, and a
// complete bottom-up packed DIB of the map or of a rectangle of it.
#include <cstring>

#include "DIBResolution.h"
#include "RZ/pixmap/PixMapRecord.h"
#include "RZ/platform/RootServices.h"
#include "RZ/platform/WindowsTypes.h"

namespace {

// Masks describing the map's own byte order (alpha, red, green, blue) as
// little-endian 32-bit pixels: red in byte 1, green in byte 2, blue in byte 3.
constexpr DWORD kOwnOrderMasks[3] = {0x0000FF00u, 0x00FF0000u, 0xFF000000u};

void WriteBlackWhiteTable(RGBQUAD* table) {
    table[0] = RGBQUAD{0, 0, 0, 0};
    table[1] = RGBQUAD{255, 255, 255, 0};
}

void WriteGreyRamp(RGBQUAD* table) {
    for (int i = 0; i < 256; ++i) {
        const auto level = static_cast<BYTE>(i);
        table[i] = RGBQUAD{level, level, level, 0};
    }
}

void WriteHeader(BITMAPINFOHEADER* header, const KWPixMap* record, LONG width, LONG height,
                 int bits, DWORD compression, DWORD imageSize) {
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biCompression = compression;
    header->biSizeImage = imageSize;
    header->biXPelsPerMeter =
        rz::PixelsPerMetreFromDpi(static_cast<std::int32_t>(record->hResolution));
    header->biYPelsPerMeter =
        rz::PixelsPerMetreFromDpi(static_cast<std::int32_t>(record->vResolution));
}

// Reverses each 4-byte pixel: A R G B becomes B G R A, the BI_RGB order
// with alpha in the fourth byte.
void CopyPixelsReversed(unsigned char* out, const unsigned char* in, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i, in += 4, out += 4) {
        std::uint32_t v;
        std::memcpy(&v, in, 4);
        v = (v >> 24) | ((v >> 8) & 0x0000FF00u) | ((v << 8) & 0x00FF0000u) | (v << 24);
        std::memcpy(out, &v, 4);
    }
}

// A rectangle the export can copy: not reversed and inside the map. Empty
// rectangles are allowed and give a DIB without pixels.
bool IsInside(const KWRect& rect, const KWPixMap* record) {
    return rect.top >= 0 && rect.left >= 0 && rect.top <= rect.bottom && rect.left <= rect.right &&
           static_cast<std::int64_t>(rect.bottom) <= static_cast<std::int32_t>(record->height) &&
           static_cast<std::int64_t>(rect.right) <= static_cast<std::int32_t>(record->width);
}

} // namespace

extern "C" {

short CreateBMIFromKWPixMap(KWPixMap** map, BITMAPINFO** info, bool useBitFields) {
    if (info == nullptr) return RZErrFailed;
    const KWPixMap* record = rz::RecordOf(map);
    if (record == nullptr) {
        // Without a record there is no width or height to describe.
        *info = nullptr;
        return RZErrFailed;
    }
    const int bits = RZGetKWPixMapPixelSize(map);
    if (bits != 32) useBitFields = false;
    const int tableEntries = bits == 1 ? 2 : bits == 8 ? 256 : useBitFields ? 3 : 0;
    // sizeof(BITMAPINFO) already holds one table entry, so the block keeps
    // four spare zero bytes after the table.
    const int size = static_cast<int>(sizeof(BITMAPINFO)) + 4 * tableEntries;
    auto* block = reinterpret_cast<BITMAPINFO*>(BMAllocatePtr(size, kBMFlagZeroFill, 0));
    *info = block;
    if (block == nullptr) return BMError();

    const auto height = static_cast<std::int32_t>(record->height);
    WriteHeader(&block->bmiHeader, record, static_cast<LONG>(record->width), -height, bits,
                useBitFields ? BI_BITFIELDS : BI_RGB, record->height * record->bytesPerRow);
    if (record->pixelType == PixelTypeBlackWhite)
        WriteBlackWhiteTable(block->bmiColors);
    else if (record->pixelType == PixelTypeGrey)
        WriteGreyRamp(block->bmiColors);
    else if (useBitFields)
        std::memcpy(block->bmiColors, kOwnOrderMasks, sizeof kOwnOrderMasks);
    return RZErrNone;
}

short RZKWPixMap2DIB(KWPixMap** map, const KWRect* sourceRect, char** dib, unsigned int* dibSize) {
    if (dib != nullptr) *dib = nullptr;
    KWPixMap* record = rz::RecordOf(map);
    if (record == nullptr || dib == nullptr) return RZErrFailed;
    const KWRect rect = sourceRect ? *sourceRect
                                   : KWRect{0, 0, static_cast<std::int32_t>(record->height),
                                            static_cast<std::int32_t>(record->width)};
    if (!IsInside(rect, record)) return RZErrFailed;

    const int bits = RZGetKWPixMapPixelSize(map);
    const std::int32_t width = rect.right - rect.left;
    const std::int32_t height = rect.bottom - rect.top;
    const std::int64_t rowBytes = (static_cast<std::int64_t>(width) * bits + 31) / 32 * 4;
    const std::int64_t tableBytes = bits == 1 ? 8 : bits == 8 ? 1024 : 0;
    const std::int64_t imageSize = rowBytes * height;
    const std::int64_t total =
        static_cast<std::int64_t>(sizeof(BITMAPINFOHEADER)) + tableBytes + imageSize;
    if (total > INT32_MAX) return RZErrFailed;
    char* block = BMAllocatePtr(static_cast<int>(total), kBMFlagZeroFill, 0);
    if (block == nullptr) return BMError();

    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block);
    WriteHeader(header, record, width, height, bits, BI_RGB, static_cast<DWORD>(imageSize));
    auto* table = reinterpret_cast<RGBQUAD*>(block + sizeof(BITMAPINFOHEADER));
    unsigned char* pixels =
        reinterpret_cast<unsigned char*>(block) + sizeof(BITMAPINFOHEADER) + tableBytes;

    const std::size_t stride = record->bytesPerRow;
    const unsigned char* source = rz::BaseOf(record) + static_cast<std::size_t>(rect.top) * stride +
                                  static_cast<std::size_t>(rect.left) * bits / 8;
    // Rows without pixels, however many, have nothing to copy.
    const std::int32_t rows = width > 0 ? height : 0;
    for (std::int32_t i = 0; i < rows; ++i, source += stride) {
        unsigned char* out = pixels + static_cast<std::size_t>(height - 1 - i) * rowBytes;
        switch (record->pixelType) {
        case PixelTypeBlackWhite:
            // The byte holding the left edge is copied as it is; bits are not shifted.
            std::memcpy(out, source, (static_cast<std::size_t>(width) + 7) / 8);
            break;
        case PixelTypeGrey:
            std::memcpy(out, source, static_cast<std::size_t>(width));
            break;
        default:
            CopyPixelsReversed(out, source, width);
            break;
        }
    }
    if (record->pixelType == PixelTypeBlackWhite)
        WriteBlackWhiteTable(table);
    else if (record->pixelType == PixelTypeGrey)
        WriteGreyRamp(table);

    *dib = block;
    if (dibSize != nullptr) *dibSize = static_cast<unsigned int>(total);
    return RZErrNone;
}
}
