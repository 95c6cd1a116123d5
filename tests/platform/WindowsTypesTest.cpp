// The Windows types as the library sees them through its platform seam: the
// real headers on Windows, ours elsewhere. Both must give the published
// widths and DIB layouts, byte for byte; checked as the tests compile (the
// sizes our headers check themselves).
#include <cstddef>
#include <type_traits>

#include "RZ/platform/WindowsTypes.h"

// Linux's long is 64 bits; the Windows types must not follow it (a height
// of -1, a top-down row, must not read back as 4294967295).
static_assert(sizeof(LONG) == 4 && std::is_signed_v<LONG> && std::is_unsigned_v<DWORD>);
static_assert(std::is_unsigned_v<WORD> && sizeof(BYTE) == 1 && sizeof(BOOL) == 4);
static_assert(sizeof(HDC) == sizeof(void*) && !std::is_same_v<HDC, HBITMAP>, "strict handles");
static_assert(offsetof(RECT, top) == 4 && offsetof(RECT, bottom) == 12);
static_assert(offsetof(RGBQUAD, rgbRed) == 2 && offsetof(BITMAPCOREHEADER, bcBitCount) == 10);
static_assert(offsetof(BITMAPINFOHEADER, biBitCount) == 14 &&
              offsetof(BITMAPINFOHEADER, biXPelsPerMeter) == 24 &&
              offsetof(BITMAPINFOHEADER, biClrImportant) == 36);
static_assert(offsetof(BITMAPINFO, bmiColors) == 40 && offsetof(BITMAPFILEHEADER, bfOffBits) == 10);
static_assert(offsetof(DIBSECTION, dsBmih) == 32 && offsetof(DIBSECTION, dsBitfields) == 72 &&
              offsetof(DIBSECTION, dsOffset) == 96);
static_assert(offsetof(LOGPALETTE, palPalEntry) == 4 && offsetof(BITMAP, bmBits) == 24);
static_assert(BI_RGB == 0 && BI_RLE8 == 1 && BI_RLE4 == 2 && BI_BITFIELDS == 3);
