// The row quantiser. Each target depth, dithering choice and scan direction
// gets its own instantiation, and each place of the diffusion kernel its own
// straight-line code, so the pixel loop holds no depth tests and no bounds
// tests on weight positions. With diffusion only the current row is serial:
// each interior pixel leaves its error in place of its spent accumulator, and
// the next two rows take those errors in one pass after the row.
#include "RowQuantizer.h"

#include "HsvConversion.h"
#include "InteriorSpread.h"
#include "JjnWeights.h"
#include "RZ/platform/RootServices.h"

namespace rz::color {
namespace {

inline int Clamp255(int v) {
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

template <int Bits> inline void Store(std::uint8_t* target, int x, unsigned index, const int*) {
    if constexpr (Bits == 1) {
        const int shift = 7 - (x & 7);
        std::uint8_t& byte = target[x >> 3];
        byte = static_cast<std::uint8_t>((byte & ~(1u << shift)) | (index & 1u) << shift);
    } else if constexpr (Bits == 4) {
        const int shift = (x & 1) ? 0 : 4;
        std::uint8_t& byte = target[x >> 1];
        byte = static_cast<std::uint8_t>((byte & ~(0xFu << shift)) | (index & 0xFu) << shift);
    } else {
        target[x] = static_cast<std::uint8_t>(index);
    }
}

template <> inline void Store<24>(std::uint8_t* target, int x, unsigned, const int* bgr) {
    std::uint8_t* p = target + 3 * x;
    p[0] = static_cast<std::uint8_t>(bgr[0]);
    p[1] = static_cast<std::uint8_t>(bgr[1]);
    p[2] = static_cast<std::uint8_t>(bgr[2]);
}

// At 1 bit every pixel becomes a grey first: the palette index of each grey
// and its error, the three channels' errors averaged.
struct GreyLevels {
    std::uint8_t index[256];
    std::int16_t error[256];
};

void LoadGreyLevels(const RGBQUAD* palette, const std::uint8_t* cube, GreyLevels* levels) {
    for (int g = 0; g < 256; ++g) {
        const unsigned index = cube[HsvCubeKey(g, g, g)];
        const RGBQUAD& q = palette[index];
        levels->index[g] = static_cast<std::uint8_t>(index);
        levels->error[g] =
            static_cast<std::int16_t>((3 * g - q.rgbBlue - q.rgbGreen - q.rgbRed) / 3);
    }
}

// Adds weight x error to the accumulators of one position, when the weight
// exists.
template <int Place, int Row, int K, int Dir, int C>
inline void AddWeighted(std::int16_t* row, int x, const int* e) {
    constexpr int w = kJjnWeights[Place][Row][K];
    if constexpr (w != 0) {
        std::int16_t* p = row + C * (x + Dir * (K - 2));
        for (int c = 0; c < C; ++c) p[c] += w * e[c];
    }
}

template <int Place, int Row, int Dir, int C>
inline void AddRow(std::int16_t* row, int x, const int* e) {
    AddWeighted<Place, Row, 0, Dir, C>(row, x, e);
    AddWeighted<Place, Row, 1, Dir, C>(row, x, e);
    AddWeighted<Place, Row, 2, Dir, C>(row, x, e);
    AddWeighted<Place, Row, 3, Dir, C>(row, x, e);
    AddWeighted<Place, Row, 4, Dir, C>(row, x, e);
}

template <int Bits, bool Dither> struct RowKernel {
    // Accumulators per pixel: the channels' errors are equal at 1 bit.
    static constexpr int C = Bits == 1 ? 1 : 3;

    std::uint8_t* target;
    const RGBQUAD* palette;
    const std::uint8_t* work;
    const std::uint8_t* cube;
    const GreyLevels* greys; // 1 bit only
    std::int16_t* current;
    std::int16_t* next;
    std::int16_t* afterNext;

    // Steps before diffusion: add the carried error, force near greys,
    // look up, store. Leaves the colour error (blue, green, red, or at 1 bit
    // their average) in e.
    inline void MapPixel(int x, const int* acc, int* e) const {
        const std::uint8_t* px = work + 4 * x;
        if constexpr (Bits == 1) {
            const int t = Dither ? acc[0] / 48 : 0;
            const int g = (Clamp255(px[0] + t) + Clamp255(px[1] + t) + Clamp255(px[2] + t)) / 3;
            Store<1>(target, x, greys->index[g], nullptr);
            e[0] = greys->error[g];
        } else {
            int c[3] = {px[0], px[1], px[2]};
            if constexpr (Dither) {
                c[0] = Clamp255(c[0] + acc[0] / 48);
                c[1] = Clamp255(c[1] + acc[1] / 48);
                c[2] = Clamp255(c[2] + acc[2] / 48);
            }
            unsigned index = 0;
            if constexpr (Bits == 4) {
                const int mx =
                    c[0] > c[1] ? (c[0] > c[2] ? c[0] : c[2]) : (c[1] > c[2] ? c[1] : c[2]);
                const int mn =
                    c[0] < c[1] ? (c[0] < c[2] ? c[0] : c[2]) : (c[1] < c[2] ? c[1] : c[2]);
                if (mx - mn < 32) {
                    c[0] = c[1] = c[2] = (c[0] + c[1] + c[2]) / 3;
                    index = cube[unsigned(c[0]) >> 3]; // a grey's cell is its value's
                } else {
                    index = cube[HsvCubeKey(c[2], c[1], c[0])];
                }
            } else if constexpr (Bits == 8) {
                index = cube[RgbCubeKey(c[2], c[1], c[0])];
            }
            Store<Bits>(target, x, index, c);
            if constexpr (Dither && Bits != 24) {
                const RGBQUAD& chosen = palette[index];
                e[0] = c[0] - chosen.rgbBlue;
                e[1] = c[1] - chosen.rgbGreen;
                e[2] = c[2] - chosen.rgbRed;
            }
        }
    }

    // An end pixel: its error goes straight to the three rows, with the
    // weights of its place.
    template <int Place, int Dir> inline void DiffusePixel(int x) const {
        int acc[C], e[C];
        for (int c = 0; c < C; ++c) acc[c] = current[C * x + c];
        MapPixel(x, acc, e);
        AddRow<Place, kCurrentRow, Dir, C>(current, x, e);
        AddRow<Place, kNextRow, Dir, C>(next, x, e);
        AddRow<Place, kAfterNextRow, Dir, C>(afterNext, x, e);
    }

    // The interior pixels, from x on, count of them. The error for the two
    // pixels ahead stays in registers; each pixel's own error replaces its
    // accumulator for the spread to the next rows.
    template <int Dir> int MapInterior(int x, int count) const {
        constexpr int kAhead1 = kJjnWeights[kPlaceInterior][kCurrentRow][3];
        constexpr int kAhead2 = kJjnWeights[kPlaceInterior][kCurrentRow][4];
        int ahead1[C] = {}, ahead2[C] = {};
        for (int i = 0; i < count; ++i, x += Dir) {
            std::int16_t* m = current + C * x;
            int acc[C], e[C];
            for (int c = 0; c < C; ++c) acc[c] = m[c] + ahead1[c];
            MapPixel(x, acc, e);
            for (int c = 0; c < C; ++c) {
                ahead1[c] = ahead2[c] + kAhead1 * e[c];
                ahead2[c] = kAhead2 * e[c];
                m[c] = static_cast<std::int16_t>(e[c]);
            }
        }
        for (int c = 0; c < C; ++c) {
            current[C * x + c] += ahead1[c];
            current[C * (x + Dir) + c] += ahead2[c];
        }
        return x;
    }

    template <int Dir> void DiffuseRow(int width) const {
        int x = Dir > 0 ? 0 : width - 1;
        DiffusePixel<kPlaceFirst, Dir>(x);
        x += Dir;
        DiffusePixel<kPlaceSecond, Dir>(x);
        x += Dir;
        x = MapInterior<Dir>(x, width - 4);
        DiffusePixel<kPlaceSecondToLast, Dir>(x);
        x += Dir;
        DiffusePixel<kPlaceLast, Dir>(x);
        SpreadInteriorErrors(current, next, afterNext, width, C);
    }

    void Run(int width, int direction) const {
        if (Dither && width >= kMinDiffusionWidth) {
            if (direction > 0)
                DiffuseRow<1>(width);
            else
                DiffuseRow<-1>(width);
            return;
        }
        // Without diffusion every pixel maps on its own, so the order in
        // which they are visited cannot show.
        int acc[C] = {}, e[C];
        for (int x = 0; x < width; ++x) {
            if constexpr (Dither)
                for (int c = 0; c < C; ++c) acc[c] = current[C * x + c];
            MapPixel(x, acc, e);
        }
    }
};

// 8-bit targets without dithering: the conversion's common case.
void MapRow8(std::uint8_t* target, const std::uint8_t* work, const std::uint8_t* cube, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* px = work + 4 * x;
        target[x] = cube[(px[2] >> 3) << 10 | (px[1] >> 3) << 5 | px[0] >> 3];
    }
}

template <int Bits>
void RunKernel(std::uint8_t* target, const RGBQUAD* palette, const std::uint8_t* work,
               const std::uint8_t* cube, const ErrorRows* errors, bool dither, int width,
               int direction) {
    GreyLevels greys;
    if constexpr (Bits == 1) LoadGreyLevels(palette, cube, &greys);
    if constexpr (Bits != 24) { // a 24-bit pixel's error is always zero
        if (dither) {
            const RowKernel<Bits, true> kernel{target,       palette,          work,
                                               cube,         &greys,           errors->current,
                                               errors->next, errors->afterNext};
            kernel.Run(width, direction);
            return;
        }
    }
    const RowKernel<Bits, false> kernel{target, palette, work,    cube,
                                        &greys, nullptr, nullptr, nullptr};
    kernel.Run(width, direction);
}

} // namespace

void QuantiseRow(std::uint8_t* target, std::int16_t targetBits, std::int16_t width,
                 const RGBQUAD* palette, const std::uint8_t* work, const std::uint8_t* cube,
                 const ErrorRows* errors, bool dither, int direction) {
    if (targetBits < 8) BNFillMemory(target, ((targetBits * width + 31) >> 5) * 4, 0);
    if (width > 0) {
        switch (targetBits) {
        case 1:
            RunKernel<1>(target, palette, work, cube, errors, dither, width, direction);
            break;
        case 4:
            RunKernel<4>(target, palette, work, cube, errors, dither, width, direction);
            break;
        case 8:
            if (dither)
                RunKernel<8>(target, palette, work, cube, errors, dither, width, direction);
            else
                MapRow8(target, work, cube, width);
            break;
        case 24:
            RunKernel<24>(target, palette, work, cube, errors, false, width, direction);
            break;
        default:
            break; // other depths store nothing
        }
    }
}

} // namespace rz::color
