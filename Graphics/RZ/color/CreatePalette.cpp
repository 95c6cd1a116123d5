// CRZCreatePalette: a GDI logical palette from the colour table of a packed
// DIB, read at offset 40 whatever the header's own size says.
#include <cstddef>
#include <cstdint>

#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/WindowsImaging.h"

extern "C" HPALETTE CRZCreatePalette(const BITMAPINFOHEADER* dib) {
    if (dib == nullptr) return nullptr;
    // Unsigned: two 16-bit fields can multiply past an int.
    const auto bits = static_cast<std::int16_t>(std::uint32_t{dib->biPlanes} * dib->biBitCount);
    if (bits >= 24) return nullptr;
    // The entry count is 16 bits wide: 2^16 entries of a 16-bit DIB wrap to
    // none, and negative depths give 2^bits truncated as well.
    auto count = static_cast<std::uint16_t>(dib->biClrUsed & 0xFFFF);
    if (count == 0) count = static_cast<std::uint16_t>(bits >= 0 && bits < 16 ? 1u << bits : 0u);
    // Zero-filled, so that entries left unwritten (a count past 32767) are
    // black rather than whatever the memory held.
    const rz::platform::PointerBlock record =
        rz::platform::PointerBlock::Allocate(8 + 4 * int{count}, kBMFlagZeroFill);
    if (!record) return nullptr;
    auto* palette = record.As<LOGPALETTE>();
    palette->palVersion = 0x300;
    palette->palNumEntries = count;
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(dib) + 40);
    auto* entries =
        reinterpret_cast<PALETTEENTRY*>(record.Get() + offsetof(LOGPALETTE, palPalEntry));
    // The reserved byte of the colour table is not a flag: every flag is 0.
    if (static_cast<std::int16_t>(count) > 0)
        for (int i = 0; i < count; ++i)
            entries[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    return CreatePalette(palette);
}
