// GDI+ as the library uses it: bitmaps over caller memory in every pixel
// format, clones of derived bitmaps, drawing into memory DCs and bitmaps.
// One-to-one source copies and colour matrices agree to the byte.
// Resampling filters differ: ours is held to its exact values by the software
// GDI's own tests, its turns by the library's rotation tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/GdiFixtures.h"

using namespace rztest;
using namespace Gdiplus;

namespace {

// Whether `got` shows `want`: the real GDI+ clears the colour of fully
// transparent pixels, ours keeps it.
bool Shows(std::uint32_t got, std::uint32_t want) {
    return kSoftGdi || want >> 24 != 0 ? got == want : got >> 24 == 0;
}

unsigned HexAt(const char* digits, std::size_t at, std::size_t count) {
    return unsigned(std::stoul(std::string(digits + at, count), nullptr, 16));
}

// Four pixels of a format: their bytes and the ARGB colours they stand for,
// in hex. Writable formats are written by drawing kColours, the others read.
constexpr std::uint32_t kColours[4] = {0xFFFF8040u, 0xFF0812F7u, 0x80FF8040u, 0x7F7F0101u};
enum : unsigned {
    W = 1, // written by drawing
    R = 2, // the colours read back are ours only (Wine converts otherwise)
    O = 4, // ours only: a format the library never hands to GDI+
};
constexpr PixelFormat kPremultiplied = PixelFormat32bppPARGB;
const struct {
    PixelFormat format;
    const char *bytes, *argb;
    unsigned flags;
} kFormats[] = {
    {PixelFormat1bppIndexed, "A0", "80445566FF11223380445566FF112233", 0},
    {PixelFormat8bppIndexed, "03000201", "00ABCDEFFF112233FF77889980445566", 0},
    {PixelFormat16bppARGB1555, "08FE5E8408FE003C", "FFFF8442FF0810F7FFFF8442007B0000", W | R},
    {kPremultiplied, "4080FFFFF71208FF2040808000003F7F", "FFFF8040FF0812F780FF80407F7E0000", W | R},
    {kPremultiplied, "112233330101010100000000000000FF", "33FFAA5501FFFFFF00000000FF000000", O},
    // Indices beyond the palette read as opaque black; 64 bits keep each channel's high byte.
    {PixelFormat8bppIndexed, "04FF0000", "FF000000FF000000FF112233FF112233", O},
    {PixelFormat64bppPARGB, "771166225533443300FF00FF00FF00FF00000000000000000000000000000000",
     "33FFAA55FFFFFFFF0000000000000000", O},
};

TEST(GdiPlusBitmaps, FormatsAreReadAndWrittenInPlace) {
    struct {
        ColorPalette head;
        ARGB more[3];
    } palette{{PaletteFlagsHasAlpha, 4, {0xFF112233u}}, {0x80445566u, 0xFF778899u, 0x00ABCDEFu}};
    ArgbBitmap colours(4, 1);
    std::copy(kColours, kColours + 3, colours.pixels.begin()); // and the last one set
    ASSERT_EQ(colours.bitmap.SetPixel(3, 0, Color(kColours[3])), Ok);
    for (const auto& c : kFormats) {
        if (!kSoftGdi && (c.flags & O) != 0) continue;
        SCOPED_TRACE(testing::Message() << std::hex << "format " << c.format);
        const std::size_t size = std::strlen(c.bytes) / 8; // bytes per pixel
        std::vector<unsigned char> memory(32, 0);
        for (std::size_t k = 0; (c.flags & W) == 0 && k < std::strlen(c.bytes) / 2; ++k)
            memory[k] = static_cast<unsigned char>(HexAt(c.bytes, 2 * k, 2));
        Bitmap bitmap(4, 1, 32, c.format, memory.data());
        EXPECT_EQ(bitmap.GetPixelFormat(), c.format);
        EXPECT_TRUE((c.format & PixelFormatIndexed) == 0 ||
                    (bitmap.SetPalette(&palette.head) == Ok &&
                     bitmap.GetPaletteSize() == int(sizeof palette)));
        Graphics graphics(&bitmap);
        EXPECT_TRUE((c.flags & W) == 0 || Draw(graphics, colours.bitmap, Rect(0, 0, 4, 1)) == Ok);
        ArgbBitmap shown(4, 1);
        ASSERT_EQ(Draw(shown, bitmap, Rect(0, 0, 4, 1)), Ok);
        for (std::size_t i = 0; i < 4; ++i) {
            for (std::size_t k = i * size; (c.flags & W) != 0 && k < i * size + size; ++k)
                EXPECT_EQ(memory[k], HexAt(c.bytes, 2 * k, 2)) << "byte " << k;
            EXPECT_TRUE((!kSoftGdi && (c.flags & R) != 0) ||
                        Shows(shown.pixels[i], HexAt(c.argb, 8 * i, 8)))
                << "pixel " << i;
        }
    }
}

// A bitmap class of the caller's, as the library derives one.
struct OwningBitmap : Bitmap {
    OwningBitmap(std::uint32_t* memory, bool* destroyed)
        : Bitmap(4, 2, 16, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(memory)), gone(destroyed) {
    }
    ~OwningBitmap() override { *gone = true; }
    bool* gone;
};

// A clone of a caller's derived bitmap, drawn into memory DCs of every depth.
TEST(GdiPlusTargets, DrawsClonesIntoDeviceContextsOfEveryDepth) {
    // Colours of the sections' table, which indexed targets find exactly.
    const DibInfo table(1, 1, 8);
    std::uint32_t colours[8];
    for (unsigned i = 0; i < 8; ++i) colours[i] = 0xFF000000u | table.Colour(i % 2 ? 1 + i : 0);
    bool destroyed = false;
    Image* original = new OwningBitmap(colours, &destroyed);
    Image* clone = original->Clone();
    delete original;
    ASSERT_TRUE(clone != nullptr && destroyed);
    std::fill(colours, colours + 8, 0u); // the clone has pixels of its own
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        Section s(4, 2, bits);
        Graphics graphics(s.dc);
        ASSERT_EQ(Draw(graphics, *clone, Rect(0, 0, 4, 2)), Ok);
        for (int i = 0; i < 8; i += bits == 1 ? 2 : 1) { // 1 bit: only entries 0 and 1 there
            const std::uint32_t c = table.Colour(i % 2 ? 1 + unsigned(i) : 0);
            EXPECT_EQ(s.Colour(i % 4, i / 4), bits == 16 ? (c & 0xF8F8F8) | (c >> 5 & 0x70707) : c);
            // Ours draws opaque into the unused byte of 32 bits.
            EXPECT_TRUE(!kSoftGdi || bits != 32 || s.Raw(i % 4, i / 4) >> 24 == 0xFF);
        }
    }
    delete clone;
}

TEST(GdiPlusDraw, ColourMatricesApplyToTheSourceAndClampTheirResults) {
    // Blue becomes red, red three times blue less half its range (clamped),
    // alpha a constant 1 (opaque). A matrix for text is not drawn with, nor
    // a transform once reset.
    const ColorMatrix bitmapMatrix = {
        {{0, 0, 1, 0, 0}, {0, 1, 0, 0, 0}, {3, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {-0.5f, 0, 0, 1, 1}}};
    const ColorMatrix textMatrix = {};
    ArgbBitmap source(7, 2), target(7, 2, 0x01020304u);
    for (unsigned i = 0; i < 14; ++i) source.pixels[i] = 0x10000000u | 0x9E3779B9u * (i + 1);
    ImageAttributes attributes;
    ASSERT_TRUE(
        attributes.SetColorMatrix(&bitmapMatrix) == Ok &&
        attributes.SetColorMatrix(&textMatrix, ColorMatrixFlagsDefault, ColorAdjustTypeText) == Ok);
    Graphics graphics(&target.bitmap);
    const Matrix tripled(3, 0, 0, 3, 0, 0);
    REAL elements[7] = {0, 0, 0, 0, 0, 0, 42}; // six are written
    EXPECT_TRUE(tripled.GetElements(elements) == Ok && elements[3] == 3 && elements[6] == 42);
    graphics.SetTransform(&tripled);
    graphics.ResetTransform();
    graphics.SetCompositingMode(CompositingModeSourceCopy);
    graphics.DrawImage(&source.bitmap, RectF(0, 0, 7, 2), 0, 0, 7, 2, UnitPixel, &attributes);
    for (std::size_t i = 0; i < 14; ++i) {
        const std::uint32_t s = source.pixels[i], t = target.pixels[i];
        EXPECT_EQ(t & 0xFF00FFFF, 0xFF000000u | (s & 0xFF00) | (s >> 16 & 0xFF)) << std::hex << s;
        // 127.5 rounds up in ours, down in Wine's.
        EXPECT_NEAR(t >> 16 & 0xFF, std::clamp(3 * int(s & 0xFF) - 127, 0, 255), kSoftGdi ? 0 : 1);
    }
}

} // namespace
