#include "ChannelSelect.h"

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

#include "ResamplePaths.h"

namespace softgdi {

namespace {

#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) int ApplyShuffled(const ChannelSelect& select, Argb* colours,
                                                   int count) {
    // Byte k of each pixel comes from byte from[k] (0x80 clears it for a
    // constant), then the constants are ORed in.
    alignas(16) std::uint8_t control[16], constants[16];
    for (int pixel = 0; pixel < 4; ++pixel)
        for (int k = 0; k < 4; ++k) {
            const bool constant = select.from[k] == ChannelSelect::kConstant;
            control[4 * pixel + k] = std::uint8_t(constant ? 0x80 : 4 * pixel + select.from[k]);
            constants[4 * pixel + k] = constant ? select.value[k] : 0;
        }
    const __m128i shuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(control));
    const __m128i fixed = _mm_load_si128(reinterpret_cast<const __m128i*>(constants));
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        auto* p = reinterpret_cast<__m128i*>(colours + i);
        _mm_storeu_si128(p, _mm_or_si128(_mm_shuffle_epi8(_mm_loadu_si128(p), shuffle), fixed));
    }
    return i;
}
#endif

} // namespace

void ApplySelection(const ChannelSelect& select, Argb* colours, int count) {
    if (select.IsIdentity()) return;
    int done = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (FixedPointAvailable()) done = ApplyShuffled(select, colours, count);
#endif
    for (int i = done; i < count; ++i) colours[i] = select.Apply(colours[i]);
}

bool SelectionOfMatrix(const Gdiplus::ColorMatrix& matrix, ChannelSelect* select) {
    // Matrix rows and columns run red, green, blue, alpha; memory bytes blue,
    // green, red, alpha.
    constexpr int kByteOf[4] = {2, 1, 0, 3};
    ChannelSelect s;
    for (int column = 0; column < 4; ++column) {
        int source = -1;
        for (int row = 0; row < 4; ++row) {
            const float v = matrix.m[row][column];
            if (v == 0.0f) continue;
            if (v != 1.0f || source >= 0) return false;
            source = row;
        }
        const int out = kByteOf[column];
        const float constant = matrix.m[4][column];
        if (source >= 0) {
            if (constant != 0.0f) return false;
            s.from[out] = std::uint8_t(kByteOf[source]);
            continue;
        }
        // The same rounding and clamping as a full matrix applies.
        const float scaled = constant * 255.0f;
        s.from[out] = ChannelSelect::kConstant;
        s.value[out] = std::uint8_t(!(scaled > 0.0f) ? 0 : scaled >= 255.0f ? 255 : scaled + 0.5f);
    }
    *select = s;
    return true;
}

} // namespace softgdi
