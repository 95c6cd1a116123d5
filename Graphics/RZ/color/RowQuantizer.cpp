// The row quantiser. Each target depth, dithering choice and scan direction
// gets its own instantiation, and each place of the diffusion kernel its own
// straight-line code, so the pixel loop holds no depth tests and no bounds
// tests on weight positions.
#include "RowQuantizer.h"

#include "HsvConversion.h"
#include "JjnWeights.h"
#include "RZ/platform/RootServices.h"

namespace rz::color {
namespace {

// Three accumulators (blue, green, red) and a spare lane, added as one.
typedef std::int32_t Lanes __attribute__((vector_size(16)));

inline Lanes Load3(const std::int32_t* p) {
    return Lanes{p[0], p[1], p[2], 0};
}

inline void Store3(std::int32_t* p, Lanes v) {
    p[0] = v[0];
    p[1] = v[1];
    p[2] = v[2];
}

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

// Adds weight x error to one accumulator triple, when the weight exists.
template <int Place, int Row, int K, int Dir>
inline void AddWeighted(std::int32_t* row, int x, const int* e) {
    constexpr int w = kJjnWeights[Place][Row][K];
    if constexpr (w != 0) {
        std::int32_t* p = row + 3 * (x + Dir * (K - 2));
        p[0] += w * e[0];
        p[1] += w * e[1];
        p[2] += w * e[2];
    }
}

template <int Place, int Row, int Dir> inline void AddRow(std::int32_t* row, int x, const int* e) {
    AddWeighted<Place, Row, 0, Dir>(row, x, e);
    AddWeighted<Place, Row, 1, Dir>(row, x, e);
    AddWeighted<Place, Row, 2, Dir>(row, x, e);
    AddWeighted<Place, Row, 3, Dir>(row, x, e);
    AddWeighted<Place, Row, 4, Dir>(row, x, e);
}

template <int Bits, bool Dither> struct RowKernel {
    std::uint8_t* target;
    const RGBQUAD* palette;
    const std::uint8_t* work;
    const std::uint8_t* cube;
    std::int32_t* current;
    std::int32_t* next;
    std::int32_t* afterNext;

    // Steps before diffusion: add the carried error, force near greys,
    // look up, store. Leaves the colour error (blue, green, red) in e.
    inline void MapPixel(int x, const std::int32_t* acc, int* e) const {
        const std::uint8_t* px = work + 4 * x;
        int c[3] = {px[0], px[1], px[2]};
        if constexpr (Dither) {
            c[0] = Clamp255(c[0] + acc[0] / 48);
            c[1] = Clamp255(c[1] + acc[1] / 48);
            c[2] = Clamp255(c[2] + acc[2] / 48);
        }
        if constexpr (Bits == 1 || Bits == 4) {
            bool grey = Bits == 1;
            if constexpr (Bits == 4) {
                const int mx =
                    c[0] > c[1] ? (c[0] > c[2] ? c[0] : c[2]) : (c[1] > c[2] ? c[1] : c[2]);
                const int mn =
                    c[0] < c[1] ? (c[0] < c[2] ? c[0] : c[2]) : (c[1] < c[2] ? c[1] : c[2]);
                grey = mx - mn < 32;
            }
            if (grey) c[0] = c[1] = c[2] = (c[0] + c[1] + c[2]) / 3;
        }
        unsigned index = 0;
        if constexpr (Bits == 8)
            index = cube[RgbCubeKey(c[2], c[1], c[0])];
        else if constexpr (Bits != 24)
            index = cube[HsvCubeKey(c[2], c[1], c[0])];
        Store<Bits>(target, x, index, c);
        if constexpr (Dither && Bits != 24) {
            const RGBQUAD& chosen = palette[index];
            e[0] = c[0] - chosen.rgbBlue;
            e[1] = c[1] - chosen.rgbGreen;
            e[2] = c[2] - chosen.rgbRed;
            if constexpr (Bits == 1) e[0] = e[1] = e[2] = (e[0] + e[1] + e[2]) / 3;
        }
    }

    template <int Place, int Dir> inline void DiffusePixel(int x) const {
        int e[3];
        MapPixel(x, current + 3 * x, e);
        if constexpr (Bits != 24) {
            AddRow<Place, kCurrentRow, Dir>(current, x, e);
            AddRow<Place, kNextRow, Dir>(next, x, e);
            AddRow<Place, kAfterNextRow, Dir>(afterNext, x, e);
        }
    }

    // The interior pixels, from x on, count of them. The error for pixels
    // ahead on the current row stays in registers, and each position of the
    // next two rows is read once and written once, when no later pixel can
    // reach it; the edge places before and after work on memory directly.
    template <int Dir> int DiffuseInterior(int x, int count) const {
        Lanes n0 = Load3(next + 3 * (x - 2 * Dir)), n1 = Load3(next + 3 * (x - Dir));
        Lanes n2 = Load3(next + 3 * x), n3 = Load3(next + 3 * (x + Dir));
        Lanes a0 = Load3(afterNext + 3 * (x - 2 * Dir)), a1 = Load3(afterNext + 3 * (x - Dir));
        Lanes a2 = Load3(afterNext + 3 * x), a3 = Load3(afterNext + 3 * (x + Dir));
        std::int32_t ahead1[3] = {0, 0, 0}, ahead2[3] = {0, 0, 0};
        for (int i = 0; i < count; ++i, x += Dir) {
            const std::int32_t* m = current + 3 * x;
            const std::int32_t acc[3] = {m[0] + ahead1[0], m[1] + ahead1[1], m[2] + ahead1[2]};
            int e[3];
            MapPixel(x, acc, e);
            for (int k = 0; k < 3; ++k) {
                ahead1[k] = ahead2[k] + 7 * e[k];
                ahead2[k] = 5 * e[k];
            }
            const Lanes e1 = {e[0], e[1], e[2], 0};
            const Lanes e3 = e1 + e1 + e1, e5 = (e1 << 2) + e1, e7 = (e1 << 3) - e1;
            Store3(next + 3 * (x - 2 * Dir), n0 + e3);
            n0 = n1 + e5;
            n1 = n2 + e7;
            n2 = n3 + e5;
            n3 = Load3(next + 3 * (x + 2 * Dir)) + e3;
            Store3(afterNext + 3 * (x - 2 * Dir), a0 + e1);
            a0 = a1 + e3;
            a1 = a2 + e5;
            a2 = a3 + e3;
            a3 = Load3(afterNext + 3 * (x + 2 * Dir)) + e1;
        }
        Store3(next + 3 * (x - 2 * Dir), n0);
        Store3(next + 3 * (x - Dir), n1);
        Store3(next + 3 * x, n2);
        Store3(next + 3 * (x + Dir), n3);
        Store3(afterNext + 3 * (x - 2 * Dir), a0);
        Store3(afterNext + 3 * (x - Dir), a1);
        Store3(afterNext + 3 * x, a2);
        Store3(afterNext + 3 * (x + Dir), a3);
        for (int k = 0; k < 3; ++k) {
            current[3 * x + k] += ahead1[k];
            current[3 * (x + Dir) + k] += ahead2[k];
        }
        return x;
    }

    template <int Dir> void DiffuseRow(int width) const {
        int x = Dir > 0 ? 0 : width - 1;
        DiffusePixel<kPlaceFirst, Dir>(x);
        x += Dir;
        DiffusePixel<kPlaceSecond, Dir>(x);
        x += Dir;
        x = DiffuseInterior<Dir>(x, width - 4);
        DiffusePixel<kPlaceSecondToLast, Dir>(x);
        x += Dir;
        DiffusePixel<kPlaceLast, Dir>(x);
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
        int e[3];
        for (int x = 0; x < width; ++x) MapPixel(x, Dither ? current + 3 * x : nullptr, e);
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
    if (dither) {
        const RowKernel<Bits, true> kernel{
            target, palette, work, cube, errors->current, errors->next, errors->afterNext};
        kernel.Run(width, direction);
    } else {
        const RowKernel<Bits, false> kernel{target, palette, work, cube, nullptr, nullptr, nullptr};
        kernel.Run(width, direction);
    }
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
            // The error of a 24-bit pixel is always zero: nothing to spread.
            RunKernel<24>(target, palette, work, cube, errors, false, width, direction);
            break;
        default:
            break; // other depths store nothing
        }
    }
}

} // namespace rz::color
