#include "ColorMatrices.h"

namespace rz::gdiplus {

// clang-format off
const Gdiplus::ColorMatrix kAlphaColorMatrix = {{
    {0, 1, 0, 0, 0},
    {1, 0, 0, 0, 0},
    {0, 0, 0, 1, 0},
    {0, 0, 1, 0, 0},
    {0, 0, 0, 0, 1}}};

const Gdiplus::ColorMatrix kOpaqueColorMatrix = {{
    {0, 1, 0, 0, 0},
    {1, 0, 0, 0, 0},
    {0, 0, 0, 0, 0},
    {0, 0, 1, 0, 0},
    {0, 0, 0, 1, 1}}};

const Gdiplus::ColorMatrix kChannelPairMatrices[2] = {
    {{{0, 0, 0, 0, 0},
      {0, 1, 0, 0, 0},
      {0, 0, 1, 0, 0},
      {0, 0, 0, 0, 0},
      {0, 0, 0, 1, 1}}},
    {{{0, 0, 1, 0, 0},
      {0, 0, 0, 0, 0},
      {0, 0, 0, 0, 0},
      {0, 1, 0, 0, 0},
      {0, 0, 0, 1, 1}}}};
// clang-format on

} // namespace rz::gdiplus
