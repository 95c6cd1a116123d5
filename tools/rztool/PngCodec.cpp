// PNG through libpng. libpng reports errors by a long jump back to the
// function that armed it: those functions hold no object with a destructor
// and keep everything that must survive the jump behind a pointer.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include <png.h>

#include "Command.h"
#include "DIBHeader.h"
#include "PngFile.h"

namespace rztool {

namespace {

constexpr double kMetresPerInch = 0.0254;

// A picture to write: rows in memory and how libpng turns them into the
// file's rows.
struct PngPicture {
    png_uint_32 width = 0, height = 0;
    int depth = 8, colourType = PNG_COLOR_TYPE_GRAY;
    enum Layout { kAsIs, kXrgb, kArgb, kBgr } layout = kAsIs;
    std::vector<png_color> palette;
    std::vector<png_bytep> rows;
    unsigned hDpi = 0, vDpi = 0;
};

struct Codec {
    png_structp png = nullptr;
    png_infop info = nullptr;
    char error[256] = "";
    std::span<const unsigned char> input;
    std::size_t consumed = 0;
    std::vector<unsigned char> output;
    bool outOfMemory = false;
};

void OnError(png_structp png, png_const_charp message) {
    auto* codec = static_cast<Codec*>(png_get_error_ptr(png));
    std::snprintf(codec->error, sizeof codec->error, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {} // e.g. about colour profiles: not ours to judge

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* codec = static_cast<Codec*>(png_get_io_ptr(png));
    if (count > codec->input.size() - codec->consumed) png_error(png, "the file is cut short");
    std::memcpy(out, codec->input.data() + codec->consumed, count);
    codec->consumed += count;
}

void WriteBytes(png_structp png, png_bytep data, png_size_t count) {
    auto* codec = static_cast<Codec*>(png_get_io_ptr(png));
    try {
        codec->output.insert(codec->output.end(), data, data + count);
    } catch (const std::bad_alloc&) {
        codec->outOfMemory = true;
    }
    if (codec->outOfMemory) png_error(png, "out of memory");
}

void Flush(png_structp) {}

// What the header says, and the transformations that bring the rows to the
// layout of the chosen pixel type.
struct Header {
    png_uint_32 width = 0, height = 0;
    KWPixelType type = PixelTypeARGB;
    unsigned hDpi = 72, vDpi = 72;
};

bool ReadHeader(Codec* codec, Header* header) {
    png_structp png = codec->png;
    png_infop info = codec->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, codec, ReadBytes);
    // The pixel map decides what is too large.
    png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
    png_read_info(png, info);
    int depth = 0, colourType = 0;
    png_get_IHDR(png, info, &header->width, &header->height, &depth, &colourType, nullptr, nullptr,
                 nullptr);
    const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    if (colourType == PNG_COLOR_TYPE_GRAY && !transparency) {
        header->type = depth == 1 ? PixelTypeBlackWhite : PixelTypeGrey;
        if (depth == 2 || depth == 4) png_set_expand_gray_1_2_4_to_8(png);
    } else {
        header->type = PixelTypeARGB;
        png_set_expand(png);
        if ((colourType & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
        if ((colourType & PNG_COLOR_MASK_ALPHA) != 0 || transparency)
            png_set_swap_alpha(png);
        else
            png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    }
    if (depth == 16) png_set_scale_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    png_uint_32 x = 0, y = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER && (x || y)) {
        header->hDpi = static_cast<unsigned>(std::lround(x * kMetresPerInch));
        header->vDpi = static_cast<unsigned>(std::lround(y * kMetresPerInch));
    }
    return true;
}

bool ReadRows(Codec* codec, png_bytepp rows, std::size_t rowLimit) {
    png_structp png = codec->png;
    if (setjmp(png_jmpbuf(png))) return false;
    if (png_get_rowbytes(png, codec->info) > rowLimit) png_error(png, "unexpected row size");
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool WritePicture(Codec* codec, PngPicture* picture) {
    png_structp png = codec->png;
    png_infop info = codec->info;
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, codec, WriteBytes, Flush);
    png_set_IHDR(png, info, picture->width, picture->height, picture->depth, picture->colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!picture->palette.empty())
        png_set_PLTE(png, info, picture->palette.data(), static_cast<int>(picture->palette.size()));
    if (picture->hDpi > 0 && picture->vDpi > 0)
        png_set_pHYs(png, info,
                     static_cast<png_uint_32>(std::lround(picture->hDpi / kMetresPerInch)),
                     static_cast<png_uint_32>(std::lround(picture->vDpi / kMetresPerInch)),
                     PNG_RESOLUTION_METER);
    png_write_info(png, info);
    if (picture->layout == PngPicture::kXrgb) png_set_filler(png, 0, PNG_FILLER_BEFORE);
    if (picture->layout == PngPicture::kArgb) png_set_swap_alpha(png);
    if (picture->layout == PngPicture::kBgr) png_set_bgr(png);
    png_write_image(png, picture->rows.data());
    png_write_end(png, info);
    return true;
}

// libpng's two structures for one file, released on every path.
class PngSession {
public:
    explicit PngSession(bool reading) : reading_(reading) {
        codec_.png =
            reading ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &codec_, OnError, OnWarning)
                    : png_create_write_struct(PNG_LIBPNG_VER_STRING, &codec_, OnError, OnWarning);
        if (codec_.png != nullptr) codec_.info = png_create_info_struct(codec_.png);
        if (codec_.info == nullptr) throw Failure("out of memory for libpng");
    }
    ~PngSession() {
        if (reading_)
            png_destroy_read_struct(&codec_.png, &codec_.info, nullptr);
        else
            png_destroy_write_struct(&codec_.png, &codec_.info);
    }
    PngSession(const PngSession&) = delete;
    PngSession& operator=(const PngSession&) = delete;
    Codec* codec() { return &codec_; }

private:
    Codec codec_;
    bool reading_;
};

std::vector<unsigned char> Encode(PngPicture& picture) {
    PngSession session(false);
    Codec* codec = session.codec();
    // Room for a file half the size of the raw rows: most need no more.
    codec->output.reserve(
        (std::size_t{picture.width} * picture.depth * 4 + 7) / 8 * picture.height / 2 + 4096);
    if (!WritePicture(codec, &picture))
        throw Failure(std::string("cannot make the PNG file: ") + codec->error);
    return std::move(codec->output);
}

} // namespace

std::string PngSupport() {
    return std::string("PNG through libpng ") + png_get_libpng_ver(nullptr);
}

OwnedPixMap DecodePng(std::span<const unsigned char> file, const std::string& label) {
    PngSession session(true);
    Codec* codec = session.codec();
    codec->input = file;
    Header header;
    if (!ReadHeader(codec, &header))
        throw Failure(label + ": cannot read the PNG file: " + codec->error);
    const std::string size = std::to_string(header.width) + " x " + std::to_string(header.height);
    const std::uint64_t bits = header.type == PixelTypeBlackWhite ? 1
                               : header.type == PixelTypeGrey     ? 8
                                                                  : 32;
    const std::uint64_t rowBytes = (bits * header.width + 31) / 32 * 4;
    if (header.width > INT_MAX || header.height > INT_MAX ||
        rowBytes * header.height + 32 > static_cast<std::uint64_t>(INT_MAX))
        throw Failure(label + ": too large: a " + size + " picture does not fit in a pixel map");
    OwnedPixMap map(RZCreateKWPixMap(static_cast<int>(header.width),
                                     static_cast<int>(header.height), static_cast<int>(header.hDpi),
                                     static_cast<int>(header.vDpi), header.type));
    if (map.get() == nullptr) throw Failure(label + ": out of memory for a " + size + " picture");
    unsigned char* base = reinterpret_cast<unsigned char*>(RZGetKWPixMapBaseAddr(map.get()));
    const std::size_t stride = RZGetKWPixMapBytesPerRow(map.get());
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y) rows[y] = base + y * stride;
    if (!ReadRows(codec, rows.data(), stride))
        throw Failure(label + ": cannot read the PNG file: " + codec->error);
    return map;
}

std::vector<unsigned char> EncodePng(KWPixMap** map) {
    PngPicture picture;
    picture.width = RZGetKWPixMapWidth(map);
    picture.height = RZGetKWPixMapHeight(map);
    picture.hDpi = RZGetKWPixMapHResolution(map);
    picture.vDpi = RZGetKWPixMapVResolution(map);
    const std::size_t stride = RZGetKWPixMapBytesPerRow(map);
    auto* base = reinterpret_cast<png_bytep>(RZGetKWPixMapBaseAddr(map));
    for (png_uint_32 y = 0; y < picture.height; ++y) picture.rows.push_back(base + y * stride);
    switch (RZGetKWPixMapPixelType(map)) {
    case PixelTypeBlackWhite:
        picture.depth = 1;
        break;
    case PixelTypeGrey:
        break;
    default: {
        bool opaque = true;
        for (png_uint_32 y = 0; y < picture.height && opaque; ++y)
            for (png_uint_32 x = 0; x < picture.width; ++x) opaque &= picture.rows[y][4 * x] == 255;
        picture.colourType = opaque ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
        picture.layout = opaque ? PngPicture::kXrgb : PngPicture::kArgb;
    }
    }
    return Encode(picture);
}

std::optional<std::vector<unsigned char>> EncodePngFromDIB(std::span<const unsigned char> dib) {
    const auto layout = ReadDIBLayout(dib);
    if (!layout) return std::nullopt;
    const DIBHeaderFields& fields = layout->fields;
    const std::uint32_t bits = fields.bits();
    if (fields.headerSize != 40 || fields.compression != 0 || fields.width <= 0 ||
        fields.height == 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24))
        return std::nullopt;
    PngPicture picture;
    picture.width = static_cast<png_uint_32>(fields.width);
    picture.height = static_cast<png_uint_32>(fields.height < 0 ? -fields.height : fields.height);
    const std::uint64_t stride = (bits * picture.width + 31) / 32 * 4;
    if (layout->tableEnd() + stride * picture.height > dib.size()) return std::nullopt;
    if (bits == 24) {
        picture.colourType = PNG_COLOR_TYPE_RGB;
        picture.layout = PngPicture::kBgr;
    } else {
        picture.depth = static_cast<int>(bits);
        picture.colourType = PNG_COLOR_TYPE_PALETTE;
        for (std::uint32_t i = 0; i < layout->colours && i < (1u << bits); ++i) {
            const unsigned char* entry = dib.data() + layout->tableAt + 4 * i;
            picture.palette.push_back({entry[2], entry[1], entry[0]});
        }
    }
    // Bottom-up rows unless the height is negative.
    auto* pixels = const_cast<png_bytep>(dib.data() + layout->tableEnd());
    for (png_uint_32 y = 0; y < picture.height; ++y)
        picture.rows.push_back(pixels + (fields.height < 0 ? y : picture.height - 1 - y) * stride);
    if (fields.xPelsPerMeter > 0 && fields.yPelsPerMeter > 0) {
        picture.hDpi = static_cast<unsigned>(std::lround(fields.xPelsPerMeter * kMetresPerInch));
        picture.vDpi = static_cast<unsigned>(std::lround(fields.yPelsPerMeter * kMetresPerInch));
    }
    return Encode(picture);
}

} // namespace rztool
