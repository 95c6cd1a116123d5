// The row quantiser. Each target depth, dithering choice and scan direction
// gets its own instantiation, and each place of the diffusion kernel its own
// straight-line code, so the pixel loop holds no depth tests and no bounds
// tests on weight positions. With diffusion only the current row is serial:
// each interior pixel leaves its error in place of its spent accumulator, and
// the next two rows take those errors in one pass after the row.
#include "RowQuantizer.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// At 1 bit every pixel becomes a grey, the channel average. Along the grey
// cells the nearer of two colours changes at most once; when both colours
// are greys their errors are the grey minus a level, and with no channel
// clipped the grey follows the carried error one for one. The row loop uses
// that to keep the palette out of its serial path.
struct GreyStep {
    bool exact;     // the two facts above hold for this palette
    int firstUpper; // the first grey of the second colour (256 when none)
    int level[2];   // each side's grey
    unsigned index[2];
};

GreyStep FindGreyStep(const RGBQUAD* palette, const std::uint8_t* cube) {
    GreyStep step{true, 256, {0, 0}, {cube[0], cube[0]}};
    for (int cell = 1; cell < 32; ++cell) {
        if (cube[cell] == step.index[0]) {
            step.exact = step.exact && step.firstUpper == 256;
        } else if (step.firstUpper == 256) {
            step.firstUpper = cell << 3; // a grey's cell is its value's
            step.index[1] = cube[cell];
        } else {
            step.exact = step.exact && cube[cell] == step.index[1];
        }
    }
    for (int side = 0; side < 2; ++side) {
        const RGBQUAD& q = palette[step.index[side]];
        step.level[side] = q.rgbBlue;
        step.exact = step.exact && q.rgbGreen == q.rgbBlue && q.rgbRed == q.rgbBlue;
    }
    return step;
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
    GreyStep greys;                   // 1 bit only
    const std::uint32_t* cubeColours; // 4 bits, may be null
    std::int16_t* current;
    std::int16_t* next;
    std::int16_t* afterNext;

    // At 1 bit: the grey of a pixel with t added to each channel, its index
    // and its error.
    inline int MapGrey(const std::uint8_t* px, int t, unsigned* index) const {
        const int g = (Clamp255(px[0] + t) + Clamp255(px[1] + t) + Clamp255(px[2] + t)) / 3;
        *index = cube[unsigned(g) >> 3]; // a grey's cell is its value's
        const RGBQUAD& q = palette[*index];
        return (3 * g - q.rgbBlue - q.rgbGreen - q.rgbRed) / 3;
    }

    // Steps before diffusion: add the carried error, force near greys,
    // look up, store. Leaves the colour error (blue, green, red, or at 1 bit
    // their average) in e.
    inline void MapPixel(int x, const int* acc, int* e) const {
        const std::uint8_t* px = work + 4 * x;
        if constexpr (Bits == 1) {
            unsigned index;
            e[0] = MapGrey(px, Dither ? FromFortyEighths(acc[0]) : 0, &index);
            Store<1>(target, x, index, nullptr);
        } else {
            int c[3] = {px[0], px[1], px[2]};
            if constexpr (Dither) {
                c[0] += FromFortyEighths(acc[0]);
                c[1] += FromFortyEighths(acc[1]);
                c[2] += FromFortyEighths(acc[2]);
                if ((c[0] | c[1] | c[2]) & ~255) { // seldom: some channel leaves 0..255
                    c[0] = Clamp255(c[0]);
                    c[1] = Clamp255(c[1]);
                    c[2] = Clamp255(c[2]);
                }
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

    // What the 1-bit interior needs of pixels base to base + n - 1 before
    // their carried shares are known: for the test that no channel clips,
    // the lowest channel and the room between the channels and the ends; the
    // error on the lower side with no share; and the least accumulator that
    // reaches the step, times the share's multiplier.
    struct GreyTerms {
        static constexpr int kCount = 256;
        std::int16_t low[kCount];
        std::int16_t room[kCount];
        std::int16_t lowerError[kCount];
        int upperFrom[kCount];
    };

    void FindGreyTerms(GreyTerms& terms, int base, int n) const {
        const int firstUpper = greys.firstUpper, lowerLevel = greys.level[0];
        const std::uint8_t* px = work + 4 * base;
        int j = 0;
#if defined(__SSE2__)
        // Eight pixels at a time; the channel sum's third as ThirdOfSum.
        const __m128i byte = _mm_set1_epi32(255);
        for (; j + 8 <= n; j += 8) {
            const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * j));
            const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 4 * j + 16));
            const __m128i b = _mm_packs_epi32(_mm_and_si128(v0, byte), _mm_and_si128(v1, byte));
            const __m128i g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(v0, 8), byte),
                                              _mm_and_si128(_mm_srli_epi32(v1, 8), byte));
            const __m128i r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(v0, 16), byte),
                                              _mm_and_si128(_mm_srli_epi32(v1, 16), byte));
            const __m128i low = _mm_min_epi16(_mm_min_epi16(b, g), r);
            const __m128i high = _mm_max_epi16(_mm_max_epi16(b, g), r);
            const __m128i own = _mm_mulhi_epu16(_mm_add_epi16(_mm_add_epi16(b, g), r),
                                                _mm_set1_epi16(kThirdMultiplier));
            const __m128i shareUp = _mm_sub_epi16(_mm_set1_epi16(std::int16_t(firstUpper)), own);
            const __m128i accUp =
                _mm_sub_epi16(_mm_mullo_epi16(shareUp, _mm_set1_epi16(48)),
                              _mm_andnot_si128(_mm_cmpgt_epi16(shareUp, _mm_setzero_si128()),
                                               _mm_set1_epi16(47)));
            const __m128i m = _mm_set1_epi16(kFortyEighthsMultiplier);
            const __m128i productLow = _mm_mullo_epi16(accUp, m);
            const __m128i productHigh = _mm_mulhi_epi16(accUp, m);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.low + j), low);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.room + j),
                             _mm_add_epi16(_mm_sub_epi16(_mm_set1_epi16(255), high), low));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.lowerError + j),
                             _mm_sub_epi16(own, _mm_set1_epi16(std::int16_t(lowerLevel))));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.upperFrom + j),
                             _mm_unpacklo_epi16(productLow, productHigh));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(terms.upperFrom + j + 4),
                             _mm_unpackhi_epi16(productLow, productHigh));
        }
#endif
        for (; j < n; ++j) {
            const int b = px[4 * j], g = px[4 * j + 1], r = px[4 * j + 2];
            int low = b < g ? b : g, high = b > g ? b : g;
            low = low < r ? low : r;
            high = high > r ? high : r;
            const int own = (b + g + r) / 3;
            const int shareUp = firstUpper - own; // the least share that reaches the step
            const int accUp = shareUp > 0 ? 48 * shareUp : 48 * shareUp - 47;
            terms.low[j] = static_cast<std::int16_t>(low);
            terms.room[j] = static_cast<std::int16_t>(255 - high + low);
            terms.lowerError[j] = static_cast<std::int16_t>(own - lowerLevel);
            terms.upperFrom[j] = accUp * kFortyEighthsMultiplier;
        }
    }

    // The interior at 1 bit, as MapInterior. While no channel clips, the
    // grey is the pixel's own plus the carried share, so the side of the step
    // it falls on shows in the accumulator, and the error is the share plus a
    // constant of the pixel and the side. The accumulator times the share's
    // multiplier is what the next pixel waits for: one multiplication of the
    // last error, added to terms known before it. The bits of a byte gather
    // in a register.
    template <int Dir> int MapGreyInterior(int x, int count) const {
        constexpr int kAhead1 = kJjnWeights[kPlaceInterior][kCurrentRow][3];
        constexpr int kAhead2 = kJjnWeights[kPlaceInterior][kCurrentRow][4];
        constexpr int kLastBit = Dir > 0 ? 7 : 0; // a byte's last pixel in scan order
        const int levelStep = greys.level[1] - greys.level[0];
        const unsigned lowerIndex = greys.index[0] & 1u;
        const unsigned indexFlip = lowerIndex ^ (greys.index[1] & 1u);
        const int firstUpper = greys.firstUpper, lowerLevel = greys.level[0];
        const int upperLevel = greys.level[1];
        std::int16_t* const errors = current;
        std::uint8_t* const out = target;
        GreyTerms terms;
        int e1 = 0, e2 = 0; // the errors of the last two pixels
        unsigned bits = 0;
        while (count > 0) {
            const int n = count < GreyTerms::kCount ? count : GreyTerms::kCount;
            const int base = Dir > 0 ? x : x - n + 1;
            FindGreyTerms(terms, base, n);
            count -= n;
            // The next stretch's pixels are on their way while this one runs.
            const int ahead = count < GreyTerms::kCount ? count : GreyTerms::kCount;
            const std::uint8_t* next = work + 4 * (Dir > 0 ? x + n : x - n - ahead + 1);
            for (int k = 0; k < 4 * ahead; k += 64) __builtin_prefetch(next + k);
            for (int i = 0; i < n; ++i, x += Dir) {
                const int j = x - base;
                const int scaled = (errors[x] + kAhead2 * e2) * kFortyEighthsMultiplier +
                                   e1 * (kAhead1 * kFortyEighthsMultiplier);
                const int negative = scaled >> 31; // all ones when the accumulator is
                const int t = (scaled >> kFortyEighthsShift) - negative;
                int e;
                unsigned index;
                if (unsigned(t + terms.low[j]) <= unsigned(terms.room[j])) { // no channel clips
                    // Either side as often as not: a selection, not a branch.
                    const bool upper =
                        __builtin_expect_with_probability(scaled >= terms.upperFrom[j], true, 0.5);
                    const int lowerError = terms.lowerError[j];
                    e = t + (upper ? lowerError - levelStep : lowerError);
                    index = lowerIndex ^ (indexFlip & -unsigned(upper));
                } else {
                    // Some channel clips: the grey of the clipped channels,
                    // on the side of the step it falls on.
                    const std::uint8_t* px = work + 4 * x;
                    const int grey =
                        (Clamp255(px[0] + t) + Clamp255(px[1] + t) + Clamp255(px[2] + t)) / 3;
                    const bool upper = grey >= firstUpper;
                    e = grey - (upper ? upperLevel : lowerLevel);
                    index = upper ? lowerIndex ^ indexFlip : lowerIndex;
                }
                // Shifted in from the side the scan comes from: pixel x & 7 of
                // a byte ends at bit 7 - (x & 7) once the byte is complete.
                bits = Dir > 0 ? bits << 1 | (index & 1u) : bits >> 1 | (index & 1u) << 7;
                if ((x & 7) == kLastBit) {
                    out[x >> 3] |= static_cast<std::uint8_t>(bits);
                    bits = 0;
                }
                errors[x] = static_cast<std::int16_t>(e);
                e2 = e1;
                e1 = e;
            }
        }
        const int last = x - Dir; // the byte of the last pixel is not complete
        out[last >> 3] |=
            static_cast<std::uint8_t>(Dir > 0 ? bits << (7 - (last & 7)) : bits >> (last & 7));
        errors[x] += kAhead1 * e1 + kAhead2 * e2;
        errors[x + Dir] += kAhead2 * e1;
        return x;
    }

    // The interior at 4 bits, as MapInterior, with the steps of MapPixel
    // written out for the serial path: only the last pixel's error is waited
    // for, through one multiplication added to terms known before it (the
    // error row, the error two pixels back, read again from the row where it
    // replaced its accumulator, and the pixel itself); the hue's case comes
    // from comparisons of the channels; and one load gives the index and the
    // chosen colour. Indices are ORed into the target, which keeps the
    // loop's registers for the serial path.
    template <int Dir> int MapColourInterior(int x, int count) const {
        constexpr int kAhead1 = kJjnWeights[kPlaceInterior][kCurrentRow][3];
        constexpr int kAhead2 = kJjnWeights[kPlaceInterior][kCurrentRow][4];
        constexpr int kBack2 = -2 * 3 * Dir; // the same channel two pixels back
        // Locals, not members: stores through the byte pointers below could
        // otherwise change them.
        const std::uint8_t* const pixels = work;
        const std::uint32_t* const cells = cubeColours;
        std::uint8_t* const out = target;
        std::int16_t* const errors = current;
        // The two places behind the first interior pixel hold no errors of
        // their own: their accumulators are spent, so they become 0.
        for (int c = 0; c < 3; ++c) errors[3 * (x - Dir) + c] = errors[3 * (x - 2 * Dir) + c] = 0;
        int e1[3] = {}; // the last pixel's error
        for (int i = 0; i < count; ++i, x += Dir) {
            std::int16_t* m = errors + 3 * x;
            const std::uint8_t* px = pixels + 4 * x;
            // Channel plus share, the share as FromFortyEighths of the
            // accumulator m + 5 e2 + 7 e1, with the pixel added in before
            // the shift (a multiple of 2^20 passes through it unchanged).
            int v[3];
            for (int c = 0; c < 3; ++c) {
                const int known = (m[c] + kAhead2 * m[c + kBack2]) * kFortyEighthsMultiplier;
                const int withPixel = known + (px[c] << kFortyEighthsShift);
                const int last = e1[c] * (kAhead1 * kFortyEighthsMultiplier);
                v[c] = ((last + withPixel) >> kFortyEighthsShift) - ((last + known) >> 31);
            }
            int b = v[0], g = v[1], r = v[2];
            if ((b | g | r) & ~255) { // seldom: some channel leaves 0..255
                b = Clamp255(b);
                g = Clamp255(g);
                r = Clamp255(r);
            }
            int mx = b > g ? b : g, mn = b < g ? b : g;
            mx = mx > r ? mx : r;
            mn = mn < r ? mn : r;
            // Near greys become their average, whose cell is its value's. A
            // branch, not a mask: neighbours mostly agree, and a predicted
            // branch lets the next pixel start before this one's test.
            std::uint32_t cell;
            if (__builtin_expect(mx - mn < 32, 0)) {
                b = g = r = (b + g + r) / 3;
                cell = cells[unsigned(b) >> 3];
            } else {
                cell = cells[HsvCubeKey(r, g, b, mx, mn)];
            }
            out[x >> 1] |= static_cast<std::uint8_t>((cell >> 24 & 0xFu) << ((x & 1) ? 0 : 4));
            const int e[3] = {b - int(cell & 255), g - int(cell >> 8 & 255),
                              r - int(cell >> 16 & 255)};
            for (int c = 0; c < 3; ++c) {
                e1[c] = e[c];
                m[c] = static_cast<std::int16_t>(e[c]);
            }
        }
        for (int c = 0; c < 3; ++c) {
            errors[3 * x + c] += kAhead1 * e1[c] + kAhead2 * errors[3 * x + kBack2 + c];
            errors[3 * (x + Dir) + c] += kAhead2 * e1[c];
        }
        return x;
    }

    template <int Dir> void DiffuseRow(int width) const {
        int x = Dir > 0 ? 0 : width - 1;
        DiffusePixel<kPlaceFirst, Dir>(x);
        x += Dir;
        DiffusePixel<kPlaceSecond, Dir>(x);
        x += Dir;
        if constexpr (Bits == 1)
            x = greys.exact ? MapGreyInterior<Dir>(x, width - 4) : MapInterior<Dir>(x, width - 4);
        else if constexpr (Bits == 4)
            x = cubeColours ? MapColourInterior<Dir>(x, width - 4) : MapInterior<Dir>(x, width - 4);
        else
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
               int direction, const std::uint32_t* cubeColours) {
    GreyStep greys{};
    if constexpr (Bits == 1) greys = FindGreyStep(palette, cube);
    if constexpr (Bits != 24) { // a 24-bit pixel's error is always zero
        if (dither) {
            const RowKernel<Bits, true> kernel{
                target,       palette,          work, cube, greys, cubeColours, errors->current,
                errors->next, errors->afterNext};
            kernel.Run(width, direction);
            return;
        }
    }
    const RowKernel<Bits, false> kernel{target,  palette, work,    cube,   greys,
                                        nullptr, nullptr, nullptr, nullptr};
    kernel.Run(width, direction);
}

} // namespace

void QuantiseRow(std::uint8_t* target, std::int16_t targetBits, std::int16_t width,
                 const RGBQUAD* palette, const std::uint8_t* work, const std::uint8_t* cube,
                 const ErrorRows* errors, bool dither, int direction,
                 const std::uint32_t* cubeColours) {
    if (targetBits < 8) BNFillMemory(target, ((targetBits * width + 31) >> 5) * 4, 0);
    if (width > 0) {
        switch (targetBits) {
        case 1:
            RunKernel<1>(target, palette, work, cube, errors, dither, width, direction, nullptr);
            break;
        case 4:
            RunKernel<4>(target, palette, work, cube, errors, dither, width, direction,
                         cubeColours);
            break;
        case 8:
            if (dither)
                RunKernel<8>(target, palette, work, cube, errors, dither, width, direction,
                             nullptr);
            else
                MapRow8(target, work, cube, width);
            break;
        case 24:
            RunKernel<24>(target, palette, work, cube, errors, false, width, direction, nullptr);
            break;
        default:
            break; // other depths store nothing
        }
    }
}

void PackCubeColours(const std::uint8_t* cube, const RGBQUAD* palette, std::uint32_t* cubeColours) {
    for (int cell = 0; cell < 32768; ++cell) {
        const RGBQUAD& q = palette[cube[cell]];
        cubeColours[cell] = std::uint32_t{q.rgbBlue} | std::uint32_t{q.rgbGreen} << 8 |
                            std::uint32_t{q.rgbRed} << 16 | std::uint32_t{cube[cell]} << 24;
    }
}

} // namespace rz::color
