// GdipDrawImageRectRect: a source rectangle of an image into a destination
// rectangle under the world transform. The source is read (through its
// palette when indexed), passed through the colour matrix, resampled and
// composited into the graphics' target.
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "ChannelSelect.h"
#include "ColorAdjust.h"
#include "Compositing.h"
#include "GdiState.h"
#include "GdipObjects.h"
#include "PixelCodec.h"
#include "Resampler.h"

using namespace Gdiplus;
using namespace softgdi;

namespace {

struct SourceRect {
    int x, y, width, height;
};

// The source rectangle as 32-bit pixels and the selection that makes them
// non-premultiplied colours: the image's own memory when its bytes are blue,
// green, red and alpha (or an unused byte) and the matrix, if any, only
// selects channels; else a converted copy (pixels outside the image read as
// transparent).
class PreparedSource {
public:
    Status Prepare(const ImageObject& image, const SourceRect& r, const ColorMatrix* matrix) {
        const Surface& s = image.surface;
        const bool inside =
            r.x >= 0 && r.y >= 0 && r.x <= s.width - r.width && r.y <= s.height - r.height;
        ChannelSelect select;
        const bool selects = matrix == nullptr || SelectionOfMatrix(*matrix, &select);
        if (inside && selects &&
            (s.layout == PixelLayout::Bgra32 || s.layout == PixelLayout::Bgrx32)) {
            view_.pixels = s.Row(r.y) + 4 * std::size_t(r.x);
            view_.stride = s.pitch;
            view_.width = r.width;
            view_.height = r.height;
            view_.select = select;
            // The unused byte reads as opaque alpha.
            if (s.layout == PixelLayout::Bgrx32)
                for (int k = 0; k < 4; ++k)
                    if (select.from[k] == 3) {
                        view_.select.from[k] = ChannelSelect::kConstant;
                        view_.select.value[k] = 255;
                    }
            return Ok;
        }
        // At most 2^28 pixels (1 GiB) are converted for one draw.
        if (std::uint64_t(r.width) * std::uint64_t(r.height) > (std::uint64_t(1) << 28))
            return OutOfMemory;
        const std::size_t bytes = std::size_t(r.width) * std::size_t(r.height) * 4;
        buffer_.reset(new (std::nothrow) std::uint8_t[bytes]);
        if (!buffer_) return OutOfMemory;
        std::memset(buffer_.get(), 0, bytes);
        const std::int64_t x0 = std::max<std::int64_t>(r.x, 0);
        const std::int64_t x1 = std::min<std::int64_t>(std::int64_t(r.x) + r.width, s.width);
        for (int j = 0; j < r.height; ++j) {
            auto* row = reinterpret_cast<Argb*>(buffer_.get() + std::size_t(j) * r.width * 4);
            const std::int64_t y = std::int64_t(r.y) + j;
            if (y >= 0 && y < s.height && x0 < x1)
                DecodeRow(s, int(y), int(x0), int(x1 - x0), row + (x0 - r.x));
            if (matrix != nullptr) ApplyColorMatrix(*matrix, row, r.width);
        }
        view_.pixels = buffer_.get();
        view_.stride = std::ptrdiff_t(r.width) * 4;
        view_.width = r.width;
        view_.height = r.height;
        return Ok;
    }
    const ResampleSource& View() const { return view_; }

private:
    ResampleSource view_;
    std::unique_ptr<std::uint8_t[]> buffer_;
};

ResampleOptions OptionsFor(const GraphicsObject& g, const AttributesObject* attributes) {
    ResampleOptions o;
    switch (g.interpolationMode) {
    case InterpolationModeNearestNeighbor:
        o.filter = ResampleFilter::Nearest;
        break;
    case InterpolationModeBicubic:
        o.filter = ResampleFilter::Bicubic;
        break;
    case InterpolationModeHighQualityBicubic:
        o.filter = ResampleFilter::Bicubic;
        o.widenWhenShrinking = true;
        break;
    case InterpolationModeHighQualityBilinear:
        o.filter = ResampleFilter::Bilinear;
        o.widenWhenShrinking = true;
        break;
    default:
        o.filter = ResampleFilter::Bilinear;
        break;
    }
    if (attributes != nullptr) {
        const bool flipX =
            attributes->wrap == WrapModeTileFlipX || attributes->wrap == WrapModeTileFlipXY;
        const bool flipY =
            attributes->wrap == WrapModeTileFlipY || attributes->wrap == WrapModeTileFlipXY;
        if (attributes->wrap == WrapModeClamp) {
            o.border = attributes->wrapColour;
        } else {
            o.edgeX = flipX ? EdgeMode::Mirror : EdgeMode::Tile;
            o.edgeY = flipY ? EdgeMode::Mirror : EdgeMode::Tile;
        }
    }
    return o;
}

Status Draw(GraphicsObject* g, ImageObject* image, double dx, double dy, double dw, double dh,
            SourceRect r, Unit unit, const AttributesObject* attributes) {
    if (unit != UnitPixel) return NotImplemented;
    for (double v : {dx, dy, dw, dh})
        if (!std::isfinite(v)) return InvalidParameter;
    // A negative source extent mirrors, like a negative destination extent.
    if (r.width < 0) {
        if (r.width == INT32_MIN) return InvalidParameter;
        r.x += r.width, r.width = -r.width, dx += dw, dw = -dw;
    }
    if (r.height < 0) {
        if (r.height == INT32_MIN) return InvalidParameter;
        r.y += r.height, r.height = -r.height, dy += dh, dh = -dh;
    }
    if (r.width == 0 || r.height == 0 || dw == 0.0 || dh == 0.0) return Ok;

    const ColorMatrix* matrix = nullptr;
    if (attributes != nullptr)
        matrix = attributes->matrixEnabled[1]   ? &attributes->matrix[1]
                 : attributes->matrixEnabled[0] ? &attributes->matrix[0]
                                                : nullptr;
    // Source (u, v) -> world (dx + u dw / w, dy + v dh / h) -> device.
    const float* t = g->transform;
    const double sx = dw / r.width, sy = dh / r.height;
    AffineMap map;
    map.a = sx * t[0];
    map.b = sx * t[1];
    map.c = sy * t[2];
    map.d = sy * t[3];
    map.e = dx * t[0] + dy * t[2] + t[4];
    map.f = dx * t[1] + dy * t[3] + t[5];
    const ResampleOptions options = OptionsFor(*g, attributes);

    auto render = [&](const Surface& target) -> Status {
        if (!IsWritable(target.layout)) return WrongState;
        PreparedSource source;
        const Status prepared = source.Prepare(*image, r, matrix);
        if (prepared != Ok) return prepared;
        CompositingSink sink(target, g->compositingMode == CompositingModeSourceOver);
        if (!sink.Ready()) return OutOfMemory;
        return Resample(source.View(), map, options, target.width, target.height, sink)
                   ? Ok
                   : OutOfMemory;
    };

    if (g->image != nullptr) {
        if (LiveImage(g->image) == nullptr) return WrongState; // its bitmap is gone
        return render(g->image->surface);
    }
    GdiState& state = GdiState::Instance();
    std::lock_guard<std::mutex> lock(state.Lock());
    BitmapObject* bitmap = state.SelectedBitmap(g->dc);
    if (bitmap == nullptr) return Win32Error; // the DC is gone
    Surface target = bitmap->surface;
    target.unusedByte = 0xFF; // what GDI+ draws is opaque there
    return render(target);
}

// Checks the objects a draw names, then runs it; no exception leaves.
template <class DrawFn>
Status CheckedDraw(GpGraphics* graphics, GpImage* image, const GpImageAttributes* attributes,
                   DrawFn draw) {
    GraphicsObject* g = LiveGraphics(graphics);
    ImageObject* source = LiveImage(image);
    if (g == nullptr || source == nullptr) return InvalidParameter;
    const AttributesObject* a = LiveAttributes(attributes);
    if (attributes != nullptr && a == nullptr) return InvalidParameter;
    try {
        return draw(g, source, a);
    } catch (...) {
        return OutOfMemory;
    }
}

} // namespace

extern "C" Status WINAPI Gdiplus::DllExports::GdipDrawImageRectRectI(
    GpGraphics* graphics, GpImage* image, INT x, INT y, INT width, INT height, INT sourceX,
    INT sourceY, INT sourceWidth, INT sourceHeight, Unit sourceUnit,
    const GpImageAttributes* attributes, DrawImageAbort, void*) {
    return CheckedDraw(graphics, image, attributes,
                       [&](GraphicsObject* g, ImageObject* source, const AttributesObject* a) {
                           return Draw(g, source, x, y, width, height,
                                       {sourceX, sourceY, sourceWidth, sourceHeight}, sourceUnit,
                                       a);
                       });
}

// Source rectangles are taken to whole pixels.
extern "C" Status WINAPI Gdiplus::DllExports::GdipDrawImageRectRect(
    GpGraphics* graphics, GpImage* image, REAL x, REAL y, REAL width, REAL height, REAL sourceX,
    REAL sourceY, REAL sourceWidth, REAL sourceHeight, Unit sourceUnit,
    const GpImageAttributes* attributes, DrawImageAbort, void*) {
    for (float v : {sourceX, sourceY, sourceWidth, sourceHeight})
        if (!std::isfinite(v) || std::fabs(v) > 1e9f) return InvalidParameter;
    const SourceRect r{int(std::lround(sourceX)), int(std::lround(sourceY)),
                       int(std::lround(sourceWidth)), int(std::lround(sourceHeight))};
    return CheckedDraw(graphics, image, attributes,
                       [&](GraphicsObject* g, ImageObject* source, const AttributesObject* a) {
                           return Draw(g, source, x, y, width, height, r, sourceUnit, a);
                       });
}
