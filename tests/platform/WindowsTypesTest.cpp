// The Windows types as the library sees them through its platform seam: the
// real headers on Windows, ours elsewhere. Both must give the published
// widths and DIB layouts, byte for byte; checked as the tests compile.
#include <cstddef>
#include <type_traits>

#include "RZ/platform/WindowsTypes.h"

// Linux's long is 64 bits; the Windows types must not follow it (a height
// of -1, a top-down row, must not read back as 4294967295).
static_assert(sizeof(LONG) == 4 && std::is_signed_v<LONG>);
static_assert(sizeof(DWORD) == 4 && std::is_unsigned_v<DWORD> && sizeof(WORD) == 2 &&
              std::is_unsigned_v<WORD> && sizeof(BYTE) == 1 && sizeof(BOOL) == 4);
static_assert(sizeof(HDC) == sizeof(void*) && sizeof(HBITMAP) == sizeof(void*));
static_assert(!std::is_same_v<HDC, HBITMAP>, "strict handles");

static_assert(sizeof(RECT) == 16 && offsetof(RECT, top) == 4 && offsetof(RECT, bottom) == 12);
static_assert(sizeof(RGBQUAD) == 4 && offsetof(RGBQUAD, rgbRed) == 2);
static_assert(sizeof(BITMAPCOREHEADER) == 12 && offsetof(BITMAPCOREHEADER, bcBitCount) == 10);
static_assert(sizeof(BITMAPINFOHEADER) == 40 && offsetof(BITMAPINFOHEADER, biBitCount) == 14 &&
              offsetof(BITMAPINFOHEADER, biXPelsPerMeter) == 24 &&
              offsetof(BITMAPINFOHEADER, biClrImportant) == 36);
static_assert(sizeof(BITMAPINFO) == 44 && offsetof(BITMAPINFO, bmiColors) == 40);
static_assert(sizeof(BITMAPFILEHEADER) == 14 && offsetof(BITMAPFILEHEADER, bfOffBits) == 10);
static_assert(sizeof(BITMAP) == 32 && offsetof(BITMAP, bmBits) == 24);
static_assert(sizeof(DIBSECTION) == 104 && offsetof(DIBSECTION, dsBmih) == 32 &&
              offsetof(DIBSECTION, dsBitfields) == 72 && offsetof(DIBSECTION, dsOffset) == 96);
static_assert(sizeof(PALETTEENTRY) == 4 && offsetof(LOGPALETTE, palPalEntry) == 4);
static_assert(BI_RGB == 0 && BI_RLE8 == 1 && BI_RLE4 == 2 && BI_BITFIELDS == 3);
