#include "Compositing.h"

#include <algorithm>
#include <cstring>
#include <new>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace softgdi {

namespace {

#if defined(__SSE2__)

// Unpremultiply below with the four channels in one vector (blue, green,
// red, alpha): the same operations, so the same bytes.
inline Argb Unpremultiply(__m128 v) {
    const float a = _mm_cvtss_f32(_mm_shuffle_ps(v, v, 0xFF));
    if (!(a > 0.0f)) return 0;
    const __m128 colour = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, -1, 0));
    __m128 c = _mm_mul_ps(v, _mm_set1_ps(255.0f / a));
    c = _mm_or_ps(_mm_and_ps(colour, c), _mm_andnot_ps(colour, v));
    // max before min: a NaN lane becomes 0, as the scalar test does.
    c = _mm_min_ps(_mm_max_ps(c, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    __m128i bytes = _mm_cvttps_epi32(_mm_add_ps(c, _mm_set1_ps(0.5f)));
    bytes = _mm_packs_epi32(bytes, bytes);
    return Argb(_mm_cvtsi128_si32(_mm_packus_epi16(bytes, bytes)));
}

inline Argb Unpremultiply(float b, float g, float r, float a) {
    return Unpremultiply(_mm_setr_ps(b, g, r, a));
}

#else

inline unsigned ToByte(float v) {
    return v <= 0.0f ? 0u : v >= 255.0f ? 255u : unsigned(v + 0.5f);
}

// Non-premultiplied colour from premultiplied floats.
inline Argb Unpremultiply(float b, float g, float r, float a) {
    const unsigned alpha = ToByte(a);
    if (!(a > 0.0f)) return 0;
    const float scale = 255.0f / a;
    return MakeArgb(alpha, ToByte(r * scale), ToByte(g * scale), ToByte(b * scale));
}

#endif

} // namespace

CompositingSink::CompositingSink(const Surface& target, bool sourceOver)
    : target_(target), sourceOver_(sourceOver) {
    targetHasAlpha_ = target.layout == PixelLayout::Bgra32 ||
                      target.layout == PixelLayout::Pbgra32 ||
                      target.layout == PixelLayout::Argb1555;
    row_.reset(new (std::nothrow) Argb[std::size_t(std::max(target.width, 1))]);
    if (!row_) return;
    if (IsIndexed(target.layout)) {
        matcher_.reset(new (std::nothrow) PaletteMatcher(target.palette, target.paletteSize));
        if (!matcher_) return;
    }
    ready_ = true;
}

void CompositingSink::Row(int y, int x0, int count, const float* p) {
    Argb* out = row_.get();
    if (!sourceOver_) {
        for (int i = 0; i < count; ++i, p += 4) {
            Argb c = Unpremultiply(p[0], p[1], p[2], p[3]);
            if (!targetHasAlpha_) c |= 0xFF000000u;
            out[i] = c;
        }
    } else {
        DecodeRow(target_, y, x0, count, out);
        for (int i = 0; i < count; ++i, p += 4) {
            const Argb d = out[i];
            const float da = targetHasAlpha_ ? float(AlphaOf(d)) : 255.0f;
            const float sa = std::clamp(p[3], 0.0f, 255.0f);
            const float keep = 1.0f - sa / 255.0f;
            const float dk = da / 255.0f * keep;
            const float a = sa + da * keep;
            Argb c = Unpremultiply(p[0] + float(BlueOf(d)) * dk, p[1] + float(GreenOf(d)) * dk,
                                   p[2] + float(RedOf(d)) * dk, a);
            if (!targetHasAlpha_) c |= 0xFF000000u;
            out[i] = c;
        }
    }
    EncodeRow(target_, y, x0, count, out, matcher_.get());
}

void CompositingSink::ExactRow(int y, int x0, int count, const Argb* colours) {
    if (!sourceOver_) {
        Argb* out = row_.get();
        for (int i = 0; i < count; ++i)
            out[i] = targetHasAlpha_ ? colours[i] : (colours[i] | 0xFF000000u);
        EncodeRow(target_, y, x0, count, out, matcher_.get());
        return;
    }
    // Blending goes through premultiplied colour as for resampled rows.
    constexpr int chunk = 256;
    float premultiplied[4 * chunk];
    for (int start = 0; start < count; start += chunk) {
        const int n = std::min(chunk, count - start);
        for (int i = 0; i < n; ++i) {
            const Argb c = colours[start + i];
            const float a = float(AlphaOf(c)), fa = a / 255.0f;
            float* p = premultiplied + 4 * i;
            p[0] = float(BlueOf(c)) * fa, p[1] = float(GreenOf(c)) * fa;
            p[2] = float(RedOf(c)) * fa, p[3] = a;
        }
        Row(y, x0 + start, n, premultiplied);
    }
}

// Opaque colour replaces what is there in either mode. The common 24- and
// 32-bit targets are written directly.
void CompositingSink::OpaqueRow(int y, int x0, int count, const Argb* colours) {
    std::uint8_t* row = target_.Row(y);
    switch (target_.layout) {
    case PixelLayout::Bgra32:
    case PixelLayout::Pbgra32: // alpha 255: premultiplying changes nothing
        std::memcpy(row + 4 * std::size_t(x0), colours, 4 * std::size_t(count));
        return;
    case PixelLayout::Bgrx32: {
        // The fourth byte is the surface's own, not the colour's.
        auto* out = reinterpret_cast<Argb*>(row) + x0;
        const Argb unused = Argb(target_.unusedByte) << 24;
        for (int i = 0; i < count; ++i) out[i] = (colours[i] & 0xFFFFFFu) | unused;
        return;
    }
    case PixelLayout::Bgr24: {
        // Each pixel as 4 bytes, the fourth overwritten by the next pixel.
        std::uint8_t* p = row + 3 * std::size_t(x0);
        for (int i = 0; i + 1 < count; ++i, p += 3) std::memcpy(p, colours + i, 4);
        if (count > 0) std::memcpy(p, colours + count - 1, 3);
        return;
    }
    default:
        EncodeRow(target_, y, x0, count, colours, matcher_.get());
    }
}

} // namespace softgdi
