#include "ColorAdjust.h"

namespace softgdi {

namespace {
inline unsigned Clamp255(float v) {
    return v <= 0.0f ? 0u : v >= 255.0f ? 255u : unsigned(v + 0.5f);
}
} // namespace

void ApplyColorMatrix(const Gdiplus::ColorMatrix& matrix, Argb* colours, int count) {
    float m[5][4];
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 4; ++j) m[i][j] = matrix.m[i][j];
    for (int j = 0; j < 4; ++j) m[4][j] *= 255.0f;
    for (int k = 0; k < count; ++k) {
        const Argb c = colours[k];
        const float in[4] = {float(RedOf(c)), float(GreenOf(c)), float(BlueOf(c)),
                             float(AlphaOf(c))};
        float out[4];
        for (int j = 0; j < 4; ++j)
            out[j] =
                in[0] * m[0][j] + in[1] * m[1][j] + in[2] * m[2][j] + in[3] * m[3][j] + m[4][j];
        colours[k] =
            MakeArgb(Clamp255(out[3]), Clamp255(out[0]), Clamp255(out[1]), Clamp255(out[2]));
    }
}

} // namespace softgdi
