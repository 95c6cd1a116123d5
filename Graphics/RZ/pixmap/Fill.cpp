// Whole-map fills: a colour into every pixel, and the alpha byte of 32-bit
// maps.
#include <cstring>

#include "Luminance.h"
#include "PixMapRecord.h"
#include "RZ/platform/RootServices.h"

namespace {

void FillWords(unsigned char* base, std::uint32_t units, const unsigned char* colour) {
    std::uint32_t word;
    std::memcpy(&word, colour, 4);
    auto* out = reinterpret_cast<std::uint32_t*>(base);
    for (std::uint32_t i = 0; i < units; ++i) out[i] = word;
}

void FillBits(KWPixMap* record, bool white) {
    if (record->bytesPerRow == 0) return; // rows without pixels, however many
    const std::uint32_t wholeBytes = record->width / 8;
    const unsigned int tailBits = record->width % 8;
    // The byte after the whole bytes gets the fill bit in its top tailBits
    // bits and 0 below; further padding keeps its value.
    const unsigned char tail = white ? static_cast<unsigned char>(~(0xFFu >> tailBits)) : 0;
    for (std::uint32_t y = 0; y < record->height; ++y) {
        unsigned char* row = rz::RowOf(record, y);
        BNFillMemory(row, static_cast<int>(wholeBytes), white ? 0xFF : 0x00);
        if (wholeBytes < record->bytesPerRow) row[wholeBytes] = tail;
    }
}

} // namespace

extern "C" {

void RZFillKWPixMap(KWPixMap** handle, const unsigned char* colour) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || colour == nullptr) return;
    const std::uint32_t bytes = record->bytesPerRow * record->height;
    switch (record->pixelType) {
    case PixelTypeARGB:
    case PixelTypeARGBDirect:
        FillWords(rz::BaseOf(record), bytes / 4, colour);
        break;
    case PixelTypeBlackWhite:
        FillBits(record, rz::IsWhite(rz::LuminanceOf(colour)));
        break;
    case PixelTypeGrey:
        if (static_cast<std::int32_t>(bytes) >= 1)
            BNFillMemory(rz::BaseOf(record), static_cast<int>(bytes),
                         rz::GreyLevelOf(rz::LuminanceOf(colour)));
        break;
    default:
        break;
    }
}

void RZFillKWPixMapAlphaChannel(KWPixMap** handle, unsigned char alpha) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || record->pixelType > PixelTypeARGBDirect ||
        static_cast<std::int32_t>(record->height) < 1)
        return;
    const std::uint32_t bytesPerRow = record->bytesPerRow;
    if (bytesPerRow == 0) return; // rows without pixels, however many
    // Word by word (alpha is each pixel's first byte, the low byte of a
    // little-endian word), which the compiler turns into vector code.
    const std::uint32_t words = bytesPerRow / 4;
    for (std::uint32_t y = 0; y < record->height; ++y) {
        unsigned char* row = rz::RowOf(record, y);
        for (std::uint32_t i = 0; i < words; ++i) {
            std::uint32_t v;
            std::memcpy(&v, row + 4 * std::size_t{i}, 4);
            v = (v & 0xFFFFFF00u) | alpha;
            std::memcpy(row + 4 * std::size_t{i}, &v, 4);
        }
    }
}

bool RZKWPixMapIsAllAlphaEqual(KWPixMap** handle, unsigned char* alpha) {
    KWPixMap* record = rz::RecordOf(handle);
    if (record == nullptr || record->pixelType > PixelTypeARGBDirect) return false;
    const std::uint32_t bytesPerRow = record->bytesPerRow;
    const unsigned char reference =
        (record->height > 0 && bytesPerRow > 0) ? rz::BaseOf(record)[0] : 0;
    if (alpha != nullptr) *alpha = reference;
    if (bytesPerRow == 0) return true; // rows without pixels, however many
    for (std::uint32_t y = 0; y < record->height; ++y) {
        const unsigned char* row = rz::RowOf(record, y);
        for (std::uint32_t i = 0; i < bytesPerRow; i += 4)
            if (row[i] != reference) return false;
    }
    return true;
}
}
