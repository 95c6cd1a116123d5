// Pixel maps handed to GDI+: the byte order GDI+ sees, palettes, the pixel
// type of GDI+ images, and the drawing target opened and closed untouched.
#include "PixMapGraphics.h"
#include "RenderTesting.h"

// Older GDI+ headers lack the CMYK format (published value 0x200F).
#ifndef PixelFormat32bppCMYK
#define PixelFormat32bppCMYK (15 | (32 << 8))
#endif

namespace {

using namespace rendertest;
using Gdiplus::ARGB;

ARGB PixelOf(Gdiplus::Bitmap* bitmap, int x, int y) {
    Gdiplus::Color colour;
    bitmap->GetPixel(x, y, &colour);
    return colour.GetValue();
}

TEST(PixMapToGdiPlusImage, ReordersTypeZeroOnlyAndOwnsItsCopy) {
    // map type, pixel (2, 1) as GDI+ reads it, format, palette entry 0x80, pixel type
    // clang-format off
    const struct { int type; ARGB pixel; Gdiplus::PixelFormat format; ARGB entry; int graphicsType; } cases[] = {
        {0, 0x80102030u, PixelFormat32bppARGB, 0, 0}, {1, 0x30201080u, PixelFormat32bppARGB, 0, 0},
        {2, 0xFFFFFFFFu, PixelFormat1bppIndexed, 0, 2}, {3, 0xFF353535u, PixelFormat8bppIndexed, 0xFF808080u, 3}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        PixMapHandleGuard map(3, 2, 72, 72, KWPixelType(c.type));
        const Colour colour{0x80, 0x10, 0x20, 0x30}, white{0, 255, 255, 255};
        RZSetKWPixMapPixel(map(), 2, 1, c.type == 2 ? white.data() : colour.data());
        if (c.type == 3) rztest::Row(map(), 1)[2] = 0x35;
        const PixMapHandleGuard before(CopyOf(map()));
        const std::int64_t live = KWRootLiveBlockCount();
        Gdiplus::Bitmap* bitmap = PixMapToGdiPlusImage(map());
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(KWRootLiveBlockCount(), live + 1); // the copy it reads
        EXPECT_EQ(PixelOf(bitmap, 2, 1), c.pixel);
        EXPECT_EQ(PixelOf(bitmap, 0, 0), c.type >= 2 ? 0xFF000000u : 0u);
        EXPECT_EQ(bitmap->GetPixelFormat(), c.format);
        if (c.entry != 0) {
            std::vector<unsigned char> palette(std::size_t(bitmap->GetPaletteSize()));
            ASSERT_EQ(palette.size(), offsetof(Gdiplus::ColorPalette, Entries) + 256 * 4);
            auto* p = reinterpret_cast<Gdiplus::ColorPalette*>(palette.data());
            ASSERT_EQ(bitmap->GetPalette(p, INT(palette.size())), Gdiplus::Ok);
            EXPECT_EQ(reinterpret_cast<const ARGB*>(p->Entries)[0x80], c.entry);
        }
        EXPECT_EQ(GetGraphicsPixelType(bitmap), c.graphicsType);
        delete bitmap;
        EXPECT_EQ(KWRootLiveBlockCount(), live);
        EXPECT_TRUE(rztest::SameBlock(map(), before()));
    }
    KWPixMap* noRecord = nullptr;
    PixMapHandleGuard empty(0, 3, 72, 72, PixelTypeARGB), odd(2, 2, 72, 72, PixelTypeARGB);
    RZSetKWPixMapPixelType(odd(), KWPixelType(7));
    for (KWPixMap** bad : {static_cast<KWPixMap**>(nullptr), &noRecord, empty(), odd()})
        EXPECT_EQ(PixMapToGdiPlusImage(bad), nullptr);
    // Each GDI+ creation failing in turn: no image, nothing left.
    PixMapHandleGuard good(Patterned(2, 2, 0));
    bool made = true;
    SweepCreationFailures(
        [&] { made = std::unique_ptr<Gdiplus::Bitmap>(PixMapToGdiPlusImage(good())) != nullptr; },
        [&](int) { EXPECT_FALSE(made); });
}

std::vector<ARGB> Greys(int count, int step) {
    std::vector<ARGB> entries;
    for (int i = 0; i < count; ++i) entries.push_back(0xFF000000u + ARGB(i * step) * 0x010101u);
    return entries;
}

TEST(GetGraphicsPixelType, FormatsAndPalettes) {
    std::vector<ARGB> oneColour = Greys(16, 17), translucent = Greys(256, 1);
    oneColour[15] = 0xFF102030u; // the last entry counts
    translucent[255] = 0x80FFFFFFu;
    // a GDI+ bitmap of its own memory in a format, with a palette; the type
    // clang-format off
    const struct { Gdiplus::PixelFormat format; std::vector<ARGB> palette; int expected; } cases[] = {
        {PixelFormat1bppIndexed, {0xFF000000u, 0xFFFFFFFFu}, 2}, {PixelFormat1bppIndexed, {0xFF000000u, 0xFFFF0000u}, 0}, {PixelFormat1bppIndexed, {0xFFFF0000u, 0xFFFFFFFFu}, 0},
        {PixelFormat4bppIndexed, Greys(16, 17), 3}, {PixelFormat4bppIndexed, oneColour, 0},
        {PixelFormat8bppIndexed, Greys(256, 1), 3}, {PixelFormat8bppIndexed, translucent, 0},
        {PixelFormat8bppIndexed, Greys(16, 17), 0}, // too short to vouch for 256 indices
        {PixelFormat16bppRGB565, {}, 0}, {PixelFormat24bppRGB, {}, 0}, {PixelFormat32bppRGB, {}, 0},
        {PixelFormat32bppPARGB, {}, 0}, {PixelFormat16bppARGB1555, {}, 0}, {PixelFormat48bppRGB, {}, 0},
        {PixelFormat64bppARGB, {}, 0}, {PixelFormat32bppCMYK, {}, 4}};
    // clang-format on
    for (const auto& c : cases) {
        Gdiplus::Bitmap bitmap(4, 4, c.format);
        // The real GDI+ need not make every format; ours makes them all.
        if (bitmap.GetLastStatus() != Gdiplus::Ok && !kOwnGdiPlus) continue;
        if (!c.palette.empty()) {
            std::vector<ARGB> record = {Gdiplus::PaletteFlagsHasAlpha, ARGB(c.palette.size())};
            record.insert(record.end(), c.palette.begin(), c.palette.end());
            ASSERT_EQ(bitmap.SetPalette(reinterpret_cast<Gdiplus::ColorPalette*>(record.data())),
                      Gdiplus::Ok);
        }
        EXPECT_EQ(GetGraphicsPixelType(&bitmap), c.expected) << std::hex << c.format;
    }
    EXPECT_EQ(GetGraphicsPixelType(nullptr), 4);
}

// Opening and closing the drawing target without drawing leaves the map as
// it was, in every mode. (Types that cannot be opened are the hostile
// stretches' and rotations'.)
TEST(PixMapGraphics, OpenAndCloseWithoutDrawingChangeNothing) {
    using rz::gdiplus::PixMapGraphics;
    const KWRect inside{1, 2, 4, 5}, overhang{-3, -4, 40, 50};
    for (int type : {0, 1, 2, 3})
        for (bool pairs : {false, true})
            for (const KWRect* rect : {&inside, &overhang, static_cast<const KWRect*>(nullptr)}) {
                PixMapHandleGuard map(Patterned(9, 6, type));
                const PixMapHandleGuard before(CopyOf(map()));
                PixMapGraphics g;
                ASSERT_NE(rz::gdiplus::OpenPixMapGraphics(map(), rect, &g, pairs), nullptr);
                const bool whole = rect != &inside;
                EXPECT_TRUE(g.left == (whole ? 0 : 2) && g.right == (whole ? 9 : 5) &&
                            g.top == (whole ? 0 : 1) && g.bottom == (whole ? 6 : 4));
                EXPECT_EQ(g.bitmap != nullptr, type < 2 && !pairs);
                rz::gdiplus::ClosePixMapGraphics(map(), &g);
                EXPECT_TRUE(rztest::SameBlock(map(), before())) << type << pairs;
            }
}

} // namespace
