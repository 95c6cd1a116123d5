// GDI+ bitmaps over caller memory as a host makes them: every pixel format
// read and written in place, clones of derived bitmaps, and drawing into
// memory DCs of every depth.
#include <gtest/gtest.h>

#include <string>

#include "platform/GdiFixtures.h"

using namespace rztest;
using Gdiplus::Rect;

namespace {

// Whether `got` shows `want`: the real GDI+ clears the colour of fully
// transparent pixels, ours keeps it.
bool Shows(std::uint32_t got, std::uint32_t want) {
    return kSoftGdi || want >> 24 != 0 ? got == want : got >> 24 == 0;
}

std::vector<unsigned char> Hex(const char* digits) {
    std::vector<unsigned char> bytes;
    for (; digits[0] != 0 && digits[1] != 0; digits += 2)
        bytes.push_back(
            static_cast<unsigned char>(std::stoul(std::string(digits, 2), nullptr, 16)));
    return bytes;
}

// Four pixels of a format, their bytes and the ARGB colours they stand for.
// Writable formats are written by drawing kColours; the others are read.
constexpr std::uint32_t kColours[4] = {0xFFFF8040u, 0xFF0812F7u, 0x80FF8040u, 0x7F7F0101u};
enum : unsigned {
    kWrite = 1,     // drawn into
    kAlpha = 2,     // keeps alpha: semi-transparent pixels asserted everywhere
    kOursReads = 4, // ours reads the colours back exactly; Wine converts otherwise
    kOurs = 8,      // formats the library never hands to GDI+
};
const struct {
    Gdiplus::PixelFormat format;
    const char *bytes, *argb;
    unsigned flags;
} kFormats[] = {
    {PixelFormat1bppIndexed, "A0", "80445566FF11223380445566FF112233", kAlpha},
    {PixelFormat4bppIndexed, "2130", "FF7788998044556600ABCDEFFF112233", kAlpha},
    {PixelFormat8bppIndexed, "03000201", "00ABCDEFFF112233FF77889980445566", kAlpha},
    {PixelFormat16bppRGB555, "087E5E04087E003C", "FFFF8442FF0810F7FFFF8442FF7B0000",
     kWrite | kOursReads},
    {PixelFormat16bppRGB565, "08FC9E0808FC0078", "FFFF8242FF0810F7FFFF8242FF7B0000", kWrite},
    {PixelFormat16bppARGB1555, "08FE5E8408FE003C", "FFFF8442FF0810F7FFFF8442007B0000",
     kWrite | kAlpha | kOursReads},
    {PixelFormat24bppRGB, "4080FFF712084080FF01017F", "FFFF8040FF0812F7FFFF8040FF7F0101", kWrite},
    {PixelFormat32bppRGB, "4080FFFFF71208FF4080FFFF01017FFF", "FFFF8040FF0812F7FFFF8040FF7F0101",
     kWrite},
    {PixelFormat32bppARGB, "4080FFFFF71208FF4080FF8001017F7F", "FFFF8040FF0812F780FF80407F7F0101",
     kWrite | kAlpha},
    {PixelFormat32bppPARGB, "4080FFFFF71208FF2040808000003F7F", "FFFF8040FF0812F780FF80407F7E0000",
     kWrite | kAlpha | kOursReads},
    {PixelFormat32bppPARGB, "112233330101010100000000000000FF", "33FFAA5501FFFFFF00000000FF000000",
     kAlpha | kOurs},
    {PixelFormat16bppGrayScale, "341200FF80000080", "FF121212FFFFFFFFFF000000FF808080", kOurs},
    {PixelFormat48bppRGB, "001000200030FF01FF02FF0300FF00000080000000000000",
     "FF302010FF030201FF8000FFFF000000", kOurs},
    {PixelFormat64bppARGB, "001000200030004000030002000100FF000000000000000000AA00BB00CC00DD",
     "40302010FF01020300000000DDCCBBAA", kAlpha | kOurs},
    {PixelFormat64bppPARGB, "0011002200330033000100010001000100000000000000000080004000200080",
     "33FFAA5501FFFFFF00000000804080FF", kAlpha | kOurs},
};

TEST(GdiPlusBitmaps, EveryFormatIsReadAndWrittenInPlace) {
    struct {
        Gdiplus::ColorPalette head;
        Gdiplus::ARGB more[3];
    } palette{{Gdiplus::PaletteFlagsHasAlpha, 4, {0xFF112233u}},
              {0x80445566u, 0xFF778899u, 0x00ABCDEFu}};
    ArgbBitmap colours(4, 1);
    std::copy(kColours, kColours + 4, colours.pixels.begin());
    for (const auto& c : kFormats) {
        if (!kSoftGdi && (c.flags & kOurs) != 0) continue;
        SCOPED_TRACE(testing::Message() << std::hex << "format " << c.format);
        const std::vector<unsigned char> bytes = Hex(c.bytes), argb = Hex(c.argb);
        std::vector<unsigned char> memory(32, 0);
        if ((c.flags & kWrite) == 0) std::copy(bytes.begin(), bytes.end(), memory.begin());
        Gdiplus::Bitmap bitmap(4, 1, 32, c.format, memory.data());
        ASSERT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
        EXPECT_EQ(bitmap.GetPixelFormat(), c.format);
        const bool indexed = (c.format & PixelFormatIndexed) != 0;
        EXPECT_EQ(indexed ? bitmap.SetPalette(&palette.head) : Gdiplus::Ok, Gdiplus::Ok);
        EXPECT_EQ(indexed ? bitmap.GetPaletteSize() : int(sizeof palette), int(sizeof palette));
        if ((c.flags & kWrite) != 0) {
            Gdiplus::Graphics graphics(&bitmap);
            ASSERT_EQ(Draw(graphics, colours.bitmap, Rect(0, 0, 4, 1)), Gdiplus::Ok);
        }
        ArgbBitmap shown(4, 1);
        ASSERT_EQ(Draw(shown, bitmap, Rect(0, 0, 4, 1)), Gdiplus::Ok);
        const std::size_t size = bytes.size() / 4;
        for (std::size_t i = 0; i < 4; ++i) {
            // The real GDI+ is not asked to make semi-transparent pixels opaque.
            if (!kSoftGdi && (c.flags & kAlpha) == 0 && kColours[i] >> 24 != 0xFF) continue;
            for (std::size_t k = i * size; (c.flags & kWrite) != 0 && k < i * size + size; ++k) {
                // Ours fills the unused byte of 32bppRGB, Wine clears it.
                const bool unused = !kSoftGdi && c.format == PixelFormat32bppRGB && k % 4 == 3;
                EXPECT_EQ(memory[k] | (unused ? 0xFF : 0), bytes[k]) << "byte " << k;
            }
            if (!kSoftGdi && (c.flags & kOursReads) != 0) continue;
            const std::uint32_t want = std::uint32_t(argb[4 * i] << 24 | argb[4 * i + 1] << 16 |
                                                     argb[4 * i + 2] << 8 | argb[4 * i + 3]);
            Gdiplus::Color colour;
            EXPECT_EQ(bitmap.GetPixel(INT(i), 0, &colour), Gdiplus::Ok);
            EXPECT_PRED2(Shows, colour.GetValue(), want) << "pixel " << i;
            EXPECT_PRED2(Shows, shown.pixels[i], want) << "pixel " << i;
        }
    }
    ASSERT_EQ(colours.bitmap.SetPixel(3, 0, Gdiplus::Color(0x12, 0x34, 0x56, 0x78)), Gdiplus::Ok);
    EXPECT_EQ(colours.pixels[3], 0x12345678u);
}

// A bitmap class of the caller's, as the library derives one.
class OwningBitmap : public Gdiplus::Bitmap {
public:
    OwningBitmap(std::uint32_t* memory, bool* destroyed)
        : Bitmap(2, 2, 8, PixelFormat32bppARGB, reinterpret_cast<BYTE*>(memory)),
          destroyed_(destroyed) {}
    ~OwningBitmap() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

TEST(GdiPlusBitmaps, ClonesOfDerivedBitmapsKeepTheirOwnPixels) {
    std::uint32_t memory[4] = {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF00FF00u};
    bool destroyed = false;
    Gdiplus::Image* image = new OwningBitmap(memory, &destroyed);
    Gdiplus::Image* clone = image->Clone();
    ASSERT_NE(clone, nullptr);
    delete image;
    EXPECT_TRUE(destroyed);
    memory[3] = 0;
    ArgbBitmap shown(2, 2);
    ASSERT_EQ(Draw(shown, *clone, Rect(0, 0, 2, 2)), Gdiplus::Ok);
    EXPECT_EQ(shown.At(0, 0), 0xFF000001u);
    EXPECT_EQ(shown.At(1, 1), 0xFF00FF00u);
    delete clone;
}

TEST(GdiPlusTargets, DrawsIntoDeviceContextsOfEveryDepth) {
    // Colours of the sections' table, which indexed targets find exactly.
    const DibInfo table(1, 1, 8);
    ArgbBitmap source(4, 2);
    for (unsigned i = 0; i < 8; ++i)
        source.pixels[i] = 0xFF000000u | table.Colour(i % 2 == 0 ? 0 : 1 + i);
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(testing::Message() << bits << " bits");
        Section s(4, 2, bits);
        std::memset(s.pixels, 0, std::size_t(s.stride) * 2);
        {
            Gdiplus::Graphics graphics(s.dc);
            ASSERT_EQ(Draw(graphics, source.bitmap, Rect(0, 0, 4, 2)), Gdiplus::Ok);
        }
        for (int i = 0; i < 8; ++i) {
            const std::uint32_t c = source.pixels[std::size_t(i)] & 0xFFFFFF;
            if (bits == 1 && i % 2 != 0) continue; // only entries 0 and 1 there
            EXPECT_EQ(s.Colour(i % 4, i / 4), bits == 16 ? (c & 0xF8F8F8) | (c >> 5 & 0x70707) : c);
            // Ours draws opaque into the unused byte of 32 bits.
            EXPECT_TRUE(!kSoftGdi || bits != 32 || s.Raw(i % 4, i / 4) >> 24 == 0xFF);
        }
    }
}

} // namespace
