// GDI for hosts without Windows: device contexts, device bitmaps, DIB
// sections, palettes and the blits between them, with the published names,
// constant values and return conventions.
#pragma once

#include "SoftGDI/WinTypes.h"

typedef const void* LPCVOID;
typedef PALETTEENTRY* LPPALETTEENTRY;
typedef LOGPALETTE* LPLOGPALETTE;

#define HGDI_ERROR ((HGDIOBJ)(std::intptr_t)-1)
#define GDI_ERROR (0xFFFFFFFFL)

// Raster operations.
#define SRCCOPY (DWORD)0x00CC0020
#define BLACKNESS (DWORD)0x00000042
#define WHITENESS (DWORD)0x00FF0062

// Stretch modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// Object types.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13
#define OBJ_COLORSPACE 14

// Device capability indices and flags.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define SIZEPALETTE 104
#define RC_BITBLT 1
#define RC_BITMAP64 8
#define RC_DI_BITMAP 0x0080
#define RC_PALETTE 0x0100
#define RC_DIBTODEV 0x0200
#define RC_STRETCHBLT 0x0800
#define RC_STRETCHDIB 0x2000

// Colour table usage.
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

extern "C" {

SOFTGDI_API HDC WINAPI CreateCompatibleDC(HDC dc);
SOFTGDI_API BOOL WINAPI DeleteDC(HDC dc);
SOFTGDI_API HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
SOFTGDI_API HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bitCount,
                                        const void* bits);
SOFTGDI_API HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                            HANDLE section, DWORD offset);
SOFTGDI_API HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
SOFTGDI_API HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT type);
SOFTGDI_API BOOL WINAPI DeleteObject(HGDIOBJ object);
SOFTGDI_API DWORD WINAPI GetObjectType(HGDIOBJ object);
SOFTGDI_API int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer);
SOFTGDI_API int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer);
SOFTGDI_API BOOL WINAPI BitBlt(HDC target, int x, int y, int width, int height, HDC source,
                               int sourceX, int sourceY, DWORD rop);
SOFTGDI_API int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits,
                                 BITMAPINFO* info, UINT usage);
SOFTGDI_API int WINAPI StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX,
                                     int sourceY, int sourceWidth, int sourceHeight,
                                     const void* bits, const BITMAPINFO* info, UINT usage,
                                     DWORD rop);
SOFTGDI_API int WINAPI SetStretchBltMode(HDC dc, int mode);
SOFTGDI_API int WINAPI GetStretchBltMode(HDC dc);
SOFTGDI_API int WINAPI GetDeviceCaps(HDC dc, int index);
SOFTGDI_API HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
SOFTGDI_API UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count,
                                          LPPALETTEENTRY entries);

} // extern "C"

#define GetObject GetObjectW
