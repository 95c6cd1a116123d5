#include "Images.h"

#include <cstdint>
#include <cstring>

#include "Command.h"
#include "DIBHeader.h"
#include "KWRoot/Memory.h"

namespace rztool {

OwnedPixMap& OwnedPixMap::operator=(OwnedPixMap&& other) noexcept {
    if (this != &other) {
        RZDeleteKWPixMap(handle_);
        handle_ = other.handle_;
        other.handle_ = nullptr;
    }
    return *this;
}

KWPixMap*** OwnedPixMap::out() {
    RZDeleteKWPixMap(handle_);
    handle_ = nullptr;
    return &handle_;
}

namespace {

// Why a DIB that the library refused was refused, as far as its header
// tells.
std::string RefusalReason(std::span<const unsigned char> dib, short result) {
    if (result == kBMErrOutOfMemory) return "too large: out of memory";
    const auto fields = ReadDIBHeader(dib);
    if (!fields) return "the DIB header is cut short";
    if (fields->headerSize != 12 && fields->headerSize != 40)
        return "its " + std::to_string(fields->headerSize) + "-byte header (" +
               HeaderKindName(fields->headerSize) + ") is not supported";
    if (fields->width <= 0 || fields->height == 0) return "the picture is empty";
    const std::uint64_t bits = fields->bits() == 1 ? 1 : fields->bits() == 8 ? 8 : 32;
    const std::uint64_t height = fields->height < 0 ? -fields->height : fields->height;
    if ((bits * fields->width + 31) / 32 * 4 * height + 32 > INT32_MAX)
        return "too large: a " + std::to_string(fields->width) + " x " + std::to_string(height) +
               " picture does not fit in a pixel map";
    if (fields->height < 0 && fields->compression != 0 && fields->compression != 3)
        return "its rows are top-down, which the import takes only uncompressed";
    return "the DIB is malformed or shorter than its header claims";
}

} // namespace

OwnedPixMap ImportDIB(std::span<const unsigned char> dib, const std::string& label) {
    OwnedPixMap map;
    const short result = RZDIB2KWPixMap(reinterpret_cast<const char*>(dib.data()),
                                        static_cast<unsigned int>(dib.size()), map.out());
    if (result != 0 || map.get() == nullptr)
        throw Failure(label + ": cannot import the image: " + RefusalReason(dib, result) +
                      " (RZDIB2KWPixMap returned " + DescribeErrorCode(result) + ")");
    return map;
}

ByteBlock ExportDIB(KWPixMap** map) {
    char* dib = nullptr;
    unsigned int size = 0;
    const short result = RZKWPixMap2DIB(map, nullptr, &dib, &size);
    if (result != 0 || dib == nullptr)
        throw Failure(std::string(result == kBMErrOutOfMemory ? "too large: " : "") +
                      "cannot export the pixel map: RZKWPixMap2DIB returned " +
                      DescribeErrorCode(result));
    return ByteBlock::Adopt(dib, size);
}

OwnedPixMap ConvertByPixelSetter(KWPixMap** map, KWPixelType type) {
    const int width = static_cast<int>(RZGetKWPixMapWidth(map));
    const int height = static_cast<int>(RZGetKWPixMapHeight(map));
    OwnedPixMap converted(RZCreateKWPixMap(width, height,
                                           static_cast<int>(RZGetKWPixMapHResolution(map)),
                                           static_cast<int>(RZGetKWPixMapVResolution(map)), type));
    if (converted.get() == nullptr) throw Failure("out of memory for a " + DescribeMap(map));
    unsigned char colour[4];
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            RZGetKWPixMapPixel(map, x, y, colour);
            RZSetKWPixMapPixel(converted.get(), x, y, colour);
        }
    }
    return converted;
}

void FillCheckerboard(KWPixMap** map) {
    const int width = static_cast<int>(RZGetKWPixMapWidth(map));
    const int height = static_cast<int>(RZGetKWPixMapHeight(map));
    const unsigned char light[4] = {255, 204, 204, 204}, white[4] = {255, 255, 255, 255};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            RZSetKWPixMapPixel(map, x, y, ((x / 8 + y / 8) % 2) != 0 ? light : white);
}

OwnedPixMap NewMapLike(KWPixMap** map, std::int64_t width, std::int64_t height) {
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < 1 || height < 1) throw Failure("a " + size + " image cannot be made");
    if (width > INT32_MAX || height > INT32_MAX) throw Failure("a " + size + " image is too large");
    OwnedPixMap made(RZCreateKWPixMap(static_cast<int>(width), static_cast<int>(height),
                                      static_cast<int>(RZGetKWPixMapHResolution(map)),
                                      static_cast<int>(RZGetKWPixMapVResolution(map)),
                                      static_cast<KWPixelType>(RZGetKWPixMapPixelType(map))));
    if (made.get() == nullptr) throw Failure("a " + size + " image is too large");
    return made;
}

const char* PixelTypeName(int pixelType) {
    switch (pixelType) {
    case PixelTypeARGB:
        return "PixelTypeARGB";
    case PixelTypeARGBDirect:
        return "PixelTypeARGBDirect";
    case PixelTypeBlackWhite:
        return "PixelTypeBlackWhite";
    case PixelTypeGrey:
        return "PixelTypeGrey";
    default:
        return "unknown pixel type";
    }
}

std::string DescribeMap(KWPixMap** map) {
    return std::to_string(RZGetKWPixMapWidth(map)) + " x " +
           std::to_string(RZGetKWPixMapHeight(map)) + ", " +
           PixelTypeName(RZGetKWPixMapPixelType(map)) + " (" +
           std::to_string(RZGetKWPixMapPixelSize(map)) +
           (RZGetKWPixMapPixelSize(map) == 1 ? " bit), " : " bits), ") +
           std::to_string(RZGetKWPixMapHResolution(map)) + " x " +
           std::to_string(RZGetKWPixMapVResolution(map)) + " dpi";
}

std::string DescribeErrorCode(short code) {
    const std::string number = std::to_string(code);
    switch (code) {
    case RZErrNone:
        return number + " (no error)";
    case RZErrParam:
        return number + " (RZErrParam: null argument)";
    case RZErrFailed:
        return number + " (RZErrFailed: refused or unreadable DIB)";
    case kBMErrOutOfMemory:
        return number + " (out of memory)";
    default:
        return number;
    }
}

} // namespace rztool
