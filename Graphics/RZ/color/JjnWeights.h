// Jarvis-Judice-Ninke error diffusion weights in 48ths, one table per place
// of a pixel in scan order. Near the row ends a weight that would fall
// outside the row goes to the nearest position inside it on the same error
// row; on the current row that position is the pixel itself, so the weight
// is dropped (the last pixel spreads only 36/48).
#pragma once

namespace rz::color {

enum ScanPlace { kPlaceFirst, kPlaceSecond, kPlaceInterior, kPlaceSecondToLast, kPlaceLast };

enum ErrorRow { kCurrentRow, kNextRow, kAfterNextRow };

// kJjnWeights[place][error row][offset + 2], offset counted in scan
// direction: -2 two behind, 0 the pixel's own column, +2 two ahead.
inline constexpr int kJjnWeights[5][3][5] = {
    {{0, 0, 0, 7, 5}, {0, 0, 15, 5, 3}, {0, 0, 9, 3, 1}}, // first
    {{0, 0, 0, 7, 5}, {0, 8, 7, 5, 3}, {0, 4, 5, 3, 1}},  // second
    {{0, 0, 0, 7, 5}, {3, 5, 7, 5, 3}, {1, 3, 5, 3, 1}},  // third to third from last
    {{0, 0, 0, 12, 0}, {3, 5, 7, 8, 0}, {1, 3, 5, 4, 0}}, // second to last
    {{0, 0, 0, 0, 0}, {3, 5, 15, 0, 0}, {1, 3, 9, 0, 0}}, // last
};

// An accumulator in 48ths as a whole share, rounded toward zero like
// acc / 48, for |acc| < 32768: ceil(2^20 / 48) = 21846 overshoots 2^20 / 48
// by 32 / 48 per unit, which stays below 1 / 48 over the whole range. No
// multiplication overflows 32 bits.
inline constexpr int kFortyEighthsMultiplier = 21846, kFortyEighthsShift = 20;
inline int FromFortyEighths(int acc) {
    return ((acc * kFortyEighthsMultiplier) >> kFortyEighthsShift) - (acc >> 31);
}

// A sum of three channels, at most 765, divided by 3: sum * ceil(2^16 / 3)
// >> 16 overshoots sum / 3 by sum / 98304, too little to reach the next whole
// number. Vector code uses it where it has a multiply-high but no division.
inline constexpr int kThirdMultiplier = 21846;
inline constexpr int ThirdOfSum(int sum) {
    return sum * kThirdMultiplier >> 16;
}

// Narrower rows map every pixel on its own.
inline constexpr int kMinDiffusionWidth = 6;

} // namespace rz::color
