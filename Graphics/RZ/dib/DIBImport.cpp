// The DIB import: RZDIB2KWPixMap and its driver ReadDIBFromChannel. The
// driver validates the header, reads the colour table and the pixel data,
// brings every accepted variant into uncompressed bottom-up rows and fills a
// new pixel map from them.
//
// The bytes come from callers that may not control them, so every size is
// checked before anything is allocated: sizes must fit a signed 32-bit
// integer, uncompressed pixel data must be present in full, and a DIB whose
// few bytes can describe a huge picture (run-length data, mostly skipped, or
// no pixel bits at all) may expand to at most kMaxExpansion bytes of pixel
// buffer and pixel map together.
#include <cstdint>
#include <cstring>

#include "DIBDecoding.h"
#include "DIBResolution.h"
#include "RZ/pixmap/PixMapRecord.h"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/RootServices.h"

namespace {

constexpr std::int64_t kMaxExpansion = std::int64_t{1} << 30; // 1 GiB

// What the header says, gathered for one import.
struct DIBLayout {
    BITMAPINFOHEADER header{};  // working copy; biHeight is made positive
    DWORD masks[3] = {0, 0, 0}; // red, green, blue for BI_BITFIELDS
    bool core = false;
    bool topDown = false;
    std::uint32_t colourCount = 0;
    std::uint32_t rowBytes = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t unpackedSize = 0;

    std::uint32_t Bits() const {
        return static_cast<std::uint32_t>(header.biBitCount) * header.biPlanes;
    }
    bool IsRunLength() const {
        return !core && (header.biCompression == BI_RLE8 || header.biCompression == BI_RLE4);
    }
    KWPixelType PixelType() const {
        const std::uint32_t bits = Bits();
        return bits == 1 ? PixelTypeBlackWhite : bits == 8 ? PixelTypeGrey : PixelTypeARGB;
    }
};

bool Read(KW::MemoryIChannel32* channel, void* destination, std::uint32_t count) {
    return channel->Read(destination, count, nullptr) == 0;
}

short ReadCoreHeader(KW::MemoryIChannel32* channel, DIBLayout* layout) {
    WORD fields[4]; // width, height, planes, bit count
    if (!Read(channel, fields, sizeof fields)) return RZErrFailed;
    layout->core = true;
    layout->header.biSize = sizeof(BITMAPINFOHEADER);
    layout->header.biWidth = fields[0];
    layout->header.biHeight = fields[1];
    layout->header.biPlanes = fields[2];
    layout->header.biBitCount = fields[3];
    layout->header.biCompression = BI_RGB;
    const std::uint32_t bits = layout->Bits();
    layout->colourCount = bits <= 8 ? 1u << bits : 0;
    // Row bytes and sizes are computed and checked by CheckSizes.
    return RZErrNone;
}

short ReadInfoHeader(KW::MemoryIChannel32* channel, DIBLayout* layout) {
    BITMAPINFOHEADER& header = layout->header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    if (!Read(channel, reinterpret_cast<char*>(&header) + 4, sizeof header - 4)) return RZErrFailed;
    if (header.biHeight < 0) {
        // Only uncompressed rows can be stored top-down.
        if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS)
            return RZErrFailed;
        if (header.biHeight == INT32_MIN) return RZErrFailed;
        header.biHeight = -header.biHeight;
        layout->topDown = true;
    }
    if (!RZGetDIBInfo(&header, &layout->colourCount, nullptr, &layout->rowBytes, nullptr,
                      &layout->imageSize, &layout->unpackedSize))
        return RZErrFailed;
    // A colour count from 0x8000 up in the low 16 bits of biClrUsed.
    if (static_cast<std::int32_t>(layout->colourCount) < 0) return RZErrFailed;
    if (header.biCompression == BI_BITFIELDS && !Read(channel, layout->masks, sizeof layout->masks))
        return RZErrFailed;
    if (layout->Bits() > 8 && layout->colourCount > 0) {
        // A colour table the conversion does not use.
        if (channel->Skip(layout->colourCount * 4, nullptr) != 0) return RZErrFailed;
        layout->colourCount = 0;
    }
    return RZErrNone;
}

// Refuses, before anything is allocated, every DIB whose sizes overflow,
// whose data cannot be present in the bytes that remain, or whose expansion
// without data is out of proportion. A DIB without pixel bits has rows of 0
// bytes: every pixel decodes to 0.
short CheckSizes(DIBLayout* layout, std::uint32_t bytesLeft) {
    const BITMAPINFOHEADER& header = layout->header;
    const std::int64_t width = header.biWidth;
    const std::int64_t height = header.biHeight;
    const std::uint64_t bits = layout->Bits();
    if (width <= 0 || height <= 0) return RZErrFailed;

    const std::uint64_t rowBytes = (bits * static_cast<std::uint64_t>(width) + 31) / 32 * 4;
    if (rowBytes > INT32_MAX) return RZErrFailed;
    const std::int64_t unpacked = static_cast<std::int64_t>(rowBytes) * height;
    if (unpacked > INT32_MAX) return RZErrFailed;
    if (layout->core) {
        layout->rowBytes = static_cast<std::uint32_t>(rowBytes);
        layout->unpackedSize = static_cast<std::uint32_t>(unpacked);
        layout->imageSize = layout->unpackedSize;
    } else if (layout->rowBytes != rowBytes) {
        // The classic row computation keeps 16 bits of the word count; rows
        // it cannot describe cannot be read.
        return RZErrFailed;
    }

    const std::int64_t mapRowBytes = rz::BytesPerRowFor(width, layout->PixelType());
    const std::int64_t mapBytes = mapRowBytes * height + 32;
    if (mapRowBytes < 0 || mapBytes > INT32_MAX) return RZErrFailed;

    const std::int64_t tableBytes =
        static_cast<std::int64_t>(layout->colourCount) * (layout->core ? 3 : 4);
    const std::int64_t dataBytes = layout->IsRunLength() ? layout->imageSize : unpacked;
    if (dataBytes > INT32_MAX) return RZErrFailed;
    if (tableBytes + dataBytes > bytesLeft) return RZErrFailed;
    if ((layout->IsRunLength() || bits == 0) && unpacked + mapBytes > kMaxExpansion)
        return RZErrFailed;
    return RZErrNone;
}

short ReadColourTable(KW::MemoryIChannel32* channel, const DIBLayout& layout,
                      KW::Array<RGBQUAD>* palette) {
    RGBQUAD* entries = palette->GetData();
    if (!layout.core)
        return Read(channel, entries, layout.colourCount * 4) ? RZErrNone : RZErrFailed;
    for (std::uint32_t i = 0; i < layout.colourCount; ++i) {
        BYTE bgr[3];
        if (!Read(channel, bgr, 3)) return RZErrFailed;
        entries[i] = RGBQUAD{bgr[0], bgr[1], bgr[2], 0};
    }
    return RZErrNone;
}

short ReadRunLengthPixels(KW::MemoryIChannel32* channel, const DIBLayout& layout,
                          unsigned char* pixels) {
    const auto data = rz::platform::PointerBlock::Allocate(static_cast<int>(layout.imageSize));
    if (!data) return BMError();
    if (!Read(channel, data.Get(), layout.imageSize)) return RZErrFailed;
    DecodeDIBRunLength(&layout.header, pixels, data.As<unsigned char>());
    return RZErrNone;
}

short ReverseRows(const DIBLayout& layout, unsigned char* pixels) {
    const auto spare = rz::platform::PointerBlock::Allocate(static_cast<int>(layout.rowBytes));
    if (!spare) return BMError();
    const std::size_t rowBytes = layout.rowBytes;
    const std::int32_t height = layout.header.biHeight;
    for (std::int32_t i = 0; i < height / 2; ++i) {
        unsigned char* a = pixels + static_cast<std::size_t>(i) * rowBytes;
        unsigned char* b = pixels + static_cast<std::size_t>(height - 1 - i) * rowBytes;
        std::memcpy(spare.Get(), a, rowBytes);
        std::memcpy(a, b, rowBytes);
        std::memcpy(b, spare.Get(), rowBytes);
    }
    return RZErrNone;
}

short ReadPixels(KW::MemoryIChannel32* channel, const DIBLayout& layout, unsigned char* pixels) {
    if (layout.IsRunLength()) return ReadRunLengthPixels(channel, layout, pixels);
    // Compressions from 4 up are read as uncompressed rows too.
    if (!Read(channel, pixels, layout.unpackedSize)) return RZErrFailed;
    if (layout.core) return RZErrNone;
    if (layout.header.biCompression == BI_BITFIELDS)
        NormalizeDIBBitFields(&layout.header, pixels, layout.masks[0], layout.masks[1],
                              layout.masks[2]);
    if (!layout.topDown) return RZErrNone;
    return ReverseRows(layout, pixels);
}

} // namespace

short ReadDIBFromChannel(KW::MemoryIChannel32* channel, KWPixMap*** pixMap) {
    if (pixMap == nullptr || channel == nullptr) return RZErrFailed;
    DWORD headerSize = 0;
    if (!Read(channel, &headerSize, sizeof headerSize)) return RZErrFailed;
    DIBLayout layout;
    short result;
    if (headerSize == sizeof(BITMAPCOREHEADER))
        result = ReadCoreHeader(channel, &layout);
    else if (headerSize == sizeof(BITMAPINFOHEADER))
        result = ReadInfoHeader(channel, &layout);
    else
        result = RZErrFailed;
    if (result == RZErrNone) result = CheckSizes(&layout, channel->Size() - channel->Position());
    if (result != RZErrNone) return result;

    KW::Array<RGBQUAD> palette;
    KW::Array<unsigned char> pixels;
    try {
        palette.SetCount(layout.colourCount);
        pixels.SetCount(layout.unpackedSize);
    } catch (const KW::KWException& exception) {
        exception.Report(dbChannel);
        return RZErrFailed;
    }
    // Rows of 0 bytes (no pixel bits) leave the buffer empty; the steps
    // below still get an address.
    unsigned char noRows = 0;
    unsigned char* rows = pixels.GetCount() > 0 ? pixels.GetData() : &noRows;
    result = ReadColourTable(channel, layout, &palette);
    if (result == RZErrNone) result = ReadPixels(channel, layout, rows);
    if (result != RZErrNone) return result;

    std::int32_t hResolution = rz::DpiFromPixelsPerMetre(layout.header.biXPelsPerMeter);
    std::int32_t vResolution = rz::DpiFromPixelsPerMetre(layout.header.biYPelsPerMeter);
    if (hResolution == 0 && vResolution == 0) hResolution = vResolution = 72;

    KWPixMap** map = RZCreateKWPixMap(layout.header.biWidth, layout.header.biHeight, hResolution,
                                      vResolution, layout.PixelType());
    *pixMap = map;
    if (map == nullptr) return RZErrFailed;
    DecodeDIBPixels(&layout.header, layout.rowBytes, rows, palette.GetData(), palette.GetCount(),
                    map);
    return RZErrNone;
}

extern "C" short RZDIB2KWPixMap(const char* dib, unsigned int dibSize, KWPixMap*** pixMap) {
    // Reads the caller's bytes in place: the channel allocates nothing.
    KW::MemoryIChannel32 channel(dib, dibSize, KW::kChannelDoesNotOwn, KW::InputBuffer{},
                                 KW::kUseInPlace);
    short result;
    try {
        result = ReadDIBFromChannel(&channel, pixMap);
    } catch (const KW::KWException& exception) {
        exception.Report(dbChannel);
        result = RZErrFailed;
    } catch (...) {
        result = RZErrFailed;
    }
    // Every imported 32-bit map is opaque; a null handle and 1- or 8-bit maps are ignored.
    if (pixMap != nullptr) RZFillKWPixMapAlphaChannel(*pixMap, 255);
    return result;
}
