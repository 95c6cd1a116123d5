// Maps without pixels, however long their other side: a map 0 pixels wide
// and 2^31 - 1 rows high is a 32-byte block, and every operation that walks
// rows must cost nothing on it. A walk over its rows takes seconds (minutes
// under the sanitizers); the bound here is a hundred times what an
// operation that visits no row needs, in processor time, so a busy machine
// cannot fail it.
#include <climits>
#include <ctime>
#include <functional>

#include <gtest/gtest.h>

#include "KWRoot/Memory.h"
#include "KWRoot/VariableArray.h"
#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/WindowsImaging.h"

namespace {

using rz::platform::PointerBlock;

constexpr double kBoundSeconds = 0.25;

double ProcessorSeconds(const std::function<void()>& operation) {
    const std::clock_t start = std::clock();
    operation();
    return double(std::clock() - start) / CLOCKS_PER_SEC;
}

TEST(MapsWithoutPixels, EveryRowWalkingOperationReturnsAtOnce) {
    const unsigned char colour[4] = {7, 200, 100, 50};
    PixMapHandleGuard small(4, 4, 72, 72, PixelTypeARGB);
    const KWRect four{0, 0, 4, 4};
    HDC screen = GetDC(nullptr);
    for (int type = 0; type < 4; ++type)
        for (const auto& [width, height] : {std::pair(0, INT_MAX), std::pair(INT_MAX / 4, 0)}) {
            PixMapHandleGuard map(width, height, 72, 72, KWPixelType(type));
            ASSERT_NE(map(), nullptr) << type << ": " << width << " x " << height;
            const KWRect whole{0, 0, height, width}, column{0, 0, height, 0};
            KWPixMap** made = nullptr;
            const std::pair<const char*, std::function<void()>> operations[] = {
                {"fill", [&] { RZFillKWPixMap(map(), colour); }},
                {"alpha fill", [&] { RZFillKWPixMapAlphaChannel(map(), 9); }},
                {"alpha test", [&] { RZKWPixMapIsAllAlphaEqual(map(), nullptr); }},
                {"copy", [&] { RZCopyKWPixMap(&made, map()), RZIsSameKWPixMap(made, map()); }},
                {"crop", [&] { RZCropKWPixMap(map(), &made, &whole); }},
                {"crop to a column", [&] { RZCropKWPixMap(map(), &made, &column); }},
                {"colour copy",
                 [&] { RZDeleteKWPixMap(made), made = RZCreateARGBKWPixMap(map()); }},
                {"export", [&] { RZKWPixMap2DIB(map(), nullptr, PointerBlock().Out(), nullptr); }},
                {"colour table",
                 [&] {
                     TVADescriptor table{};
                     vaManager.init(&table);
                     RZCalcPixMapColorTable(map(), 256, &table);
                     vaManager.dispose(&table);
                 }},
                {"GDI+ image", [&] { delete PixMapToGdiPlusImage(map()); }},
                {"stretch from", [&] { RZStretchKWPixMap(map(), small(), &whole, &whole, 1); }},
                {"stretch into", [&] { RZStretchKWPixMap(small(), map(), &four, &whole, 0); }},
                {"rotate into", [&] { RZRotateKWPixMap(small(), map(), &four, 0, 0, 1, 0, 1); }},
                {"draw", [&] { RZDrawKWPixMapPartOnHDC(screen, map(), &whole, &whole, 1, 0, 0); }},
            };
            for (const auto& [name, operation] : operations)
                EXPECT_LT(ProcessorSeconds(operation), kBoundSeconds)
                    << name << ", type " << type << ", " << width << " x " << height;
            RZDeleteKWPixMap(made);
        }
    ReleaseDC(nullptr, screen);
}

} // namespace
