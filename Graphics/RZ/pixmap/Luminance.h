// The luminance rule shared by every reduction of a colour to one bit or to
// a grey level. The sum is formed in double precision in exactly this order,
// so (0, 0, 255, 0) gives 149.685 and stores 149.
#pragma once

namespace rz {

// colour is alpha, red, green, blue.
inline double LuminanceOf(const unsigned char* colour) {
    return (colour[2] * 0.587 + colour[1] * 0.299) + colour[3] * 0.114;
}

inline bool IsWhite(double luminance) {
    return luminance > 127.0;
}

inline unsigned char GreyLevelOf(double luminance) {
    return static_cast<unsigned char>(static_cast<int>(luminance));
}

} // namespace rz
