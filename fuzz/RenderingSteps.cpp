// The sequence fuzzer's steps that draw through GDI and GDI+: stretching and
// rotating between maps of the slots, drawing on displays of every depth,
// reading device bitmaps and DIB sections, and GDI+ bitmaps over maps. The
// fuzzer is the host: it starts GDI+ and keeps one display of each depth.
#include <cmath>
#include <vector>

#include "RZ/platform/WindowsImaging.h"
#include "SequenceState.h"
#include "SoftGDI/Display.h"
#include "SoftGDI/TestSupport.h"

namespace rzfuzz {
namespace {

constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
constexpr int kDisplaySide = 40;
HDC g_displays[6] = {};

HDC ChooseDisplay(FuzzInput& in) {
    const std::uint8_t choice = in.Byte();
    return choice == 255 ? nullptr : g_displays[choice % 6];
}

constexpr int kAlphaUses[] = {0, 1, 2, -1, 255};

// Results are 0 or negative codes; a call that hands something over does so
// exactly on success.
void RequireCode(short result, const void* out = nullptr, const char* promise = nullptr) {
    Require(result <= 0, "results are 0 or negative codes");
    if (promise != nullptr) RequireHanded(result, out, promise);
}

} // namespace

void StartRendering() {
    static Gdiplus::GdiplusStartupInput input;
    static ULONG_PTR token = 0;
    Require(Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok, "GDI+ starts");
    for (int i = 0; i < 6; ++i)
        g_displays[i] = SoftGdiCreateDisplayDC(kDepths[i], kDisplaySide, kDisplaySide);
}

void Stretch(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap** target = s.Slot();
    KWRect sourceRect, targetRect;
    const KWRect* from = s.MaybeRect(source, sourceRect);
    const KWRect* to = s.MaybeRect(target, targetRect);
    RequireCode(RZStretchKWPixMap(source, target, from, to, s.in.Pick(kAlphaUses)));
}

void Rotate(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap** target = s.Slot();
    KWRect sourceRect;
    const KWRect* from = s.MaybeRect(source, sourceRect);
    const int x = s.in.Coordinate(int(RZGetKWPixMapWidth(target)) / 2);
    const int y = s.in.Coordinate(int(RZGetKWPixMapHeight(target)) / 2);
    const double angle = s.in.Angle();
    const bool mirror = s.in.Byte() & 1;
    RequireCode(
        s.in.Byte() & 1
            ? RZRotateKWPixMap(source, target, from, x, y, angle, mirror, s.in.Pick(kAlphaUses))
            : RZRotateKWPixMap_OldParList(source, target, angle, mirror, from, x, y));
}

void DrawOnDC(Sequence& s) {
    const HDC dc = ChooseDisplay(s.in);
    KWPixMap** map = s.Slot();
    KWRect sourceRect;
    const KWRect* from = s.MaybeRect(map, sourceRect);
    const KWRect targetRect = {s.in.Coordinate(0), s.in.Coordinate(0),
                               s.in.Coordinate(kDisplaySide), s.in.Coordinate(kDisplaySide)};
    const KWRect* to = s.in.Byte() % 8 == 0 ? nullptr : &targetRect;
    const unsigned char dither = s.in.Byte(), standardPalette = s.in.Byte();
    RequireCode(
        RZDrawKWPixMapPartOnHDC(dc, map, from, to, dither, standardPalette, s.in.Pick(kAlphaUses)));
}

void ReadDeviceBitmap(Sequence& s) {
    const HDC dc = ChooseDisplay(s.in);
    const int width = s.in.Byte() % 48, height = s.in.Byte() % 48;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    const bool whole = s.in.Byte() & 1;
    const KWRect rect = {s.in.Coordinate(0), s.in.Coordinate(0), s.in.Coordinate(height),
                         s.in.Coordinate(width)};
    // A rectangle is copied out of what the display shows at the size asked
    // for, however large: such requests cost what they ask, so they are not
    // made. The sides are reckoned as the copy reckons them.
    const double area = double(static_cast<int>(std::int64_t{rect.right} - rect.left)) *
                        static_cast<int>(std::int64_t{rect.bottom} - rect.top);
    const KWRect* part = whole || std::fabs(area) > 1 << 20 ? nullptr : &rect;
    char* dib = nullptr;
    unsigned int size = 0;
    const short result = RZDDB2DIB(dc, bitmap, &dib, &size, part);
    RequireCode(result, dib, "a device bitmap's DIB exactly on success");
    Require(dib == nullptr || size >= 40, "a DIB holds at least its header");
    BMKillPtr(&dib);
    KWPixMap**& slot = s.Slot();
    KWPixMap** map = nullptr;
    const short read = RZDDB2KWPixMap(dc, bitmap, &map, part);
    RequireCode(read, map, "a device bitmap's map exactly on success");
    s.Replace(slot, map);
    if (bitmap != nullptr) DeleteObject(bitmap);
}

void ReadDibSection(Sequence& s) {
    static constexpr int kBits[] = {1, 4, 8, 16, 24, 32, 0, 2};
    std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + 256 * 4);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biBitCount = static_cast<WORD>(kBits[s.in.Byte() % 8]);
    header->biPlanes = 1;
    header->biWidth = s.in.Byte() % 40;
    header->biHeight = (s.in.Byte() % 80) - 40;
    header->biCompression = s.in.Byte() % 4 == 0 ? BI_BITFIELDS : BI_RGB;
    // Bit-field masks from the input, the colour table a pattern.
    auto* masks = reinterpret_cast<DWORD*>(info.data() + sizeof(BITMAPINFOHEADER));
    for (int i = 0; i < 3; ++i) masks[i] = s.in.Word();
    const std::uint8_t step = s.in.Byte();
    for (std::size_t i = sizeof(BITMAPINFOHEADER) + 12; i < info.size(); ++i)
        info[i] = static_cast<unsigned char>(i * step);
    void* bits = nullptr;
    HBITMAP section =
        CreateDIBSection(ChooseDisplay(s.in), reinterpret_cast<BITMAPINFO*>(info.data()),
                         DIB_RGB_COLORS, &bits, nullptr, 0);
    DIBSECTION ds{};
    const bool described = section != nullptr && GetObject(section, sizeof ds, &ds) == sizeof ds;
    // The pixels a pattern from the input.
    const bool filled = described && bits != nullptr;
    const std::uint8_t seed = filled ? s.in.Byte() : 0;
    const std::size_t count = filled ? std::size_t(ds.dsBm.bmWidthBytes) * ds.dsBm.bmHeight : 0;
    for (std::size_t i = 0; i < count; ++i)
        static_cast<unsigned char*>(bits)[i] = static_cast<unsigned char>(i * 29 + seed);
    KWPixMap**& slot = s.Slot();
    KWPixMap** map = nullptr;
    const short result = RZDIBSection2PixMap(described ? &ds : nullptr, &map);
    RequireCode(result, map, "a DIB section's map exactly on success");
    Require(map == nullptr || (RZGetKWPixMapWidth(map) == unsigned(ds.dsBm.bmWidth) &&
                               RZGetKWPixMapHeight(map) == unsigned(ds.dsBm.bmHeight)),
            "a DIB section's map has its sides");
    s.Replace(slot, map);
    if (section != nullptr) DeleteObject(section);
}

void ToGdiPlusImage(Sequence& s) {
    Gdiplus::Bitmap* bitmap = PixMapToGdiPlusImage(s.Slot());
    if (bitmap == nullptr) return;
    const int type = GetGraphicsPixelType(bitmap);
    Require(type == 0 || type == 2 || type == 3 || type == 4, "a GDI+ image has a known type");
    delete bitmap;
}

} // namespace rzfuzz
