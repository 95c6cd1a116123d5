// libFuzzer target driving the pixel-map API with sequences of steps read
// from the input: creates (hostile sides and types included), pixel reads
// and writes at any coordinates, fills, copies, crops and exports with any
// rectangles, export-then-import round trips, colour tables, rotated bounds
// at any angle, rectangles, retyping, deletes, and the rendering steps of
// RenderingSteps.cpp. Any step may run with an allocation or a GDI creation
// armed to fail.
//
// Beyond what the sanitizers catch, it aborts when a step breaks a promise:
// a creation that should be refused made (or the reverse), a map whose
// header disagrees with its rows, a pixel that reads back otherwise than
// written, a copy that differs, a 32-bit map whose pixels do not survive
// export and import, or a block or GDI object left once the input is done.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <sys/prctl.h>

#include "KWRoot/VariableArray.h"
#include "RZ/platform/WindowsImaging.h"
#include "SequenceState.h"
#include "SoftGDI/TestSupport.h"

namespace rzfuzz {

const char* const kSubject = "the pixel map API";

namespace {

// Maps larger than this are not made (nor drawn into), so that every input
// runs in milliseconds; larger requests that the library must refuse are
// still made.
constexpr std::int64_t kMapByteLimit = 192 << 10;

constexpr int kTypes[] = {0, 1, 2, 3, 4, -1, 255};

// Bytes a map of these sides and type takes, header included; -1 for a
// negative side, a row beyond 2^31 - 1 bytes or a type the library does not
// make; at most INT64_MAX.
std::int64_t MapBytes(std::int64_t width, std::int64_t height, int type) {
    static constexpr int kBits[] = {32, 32, 1, 8}; // by pixel type
    if (width < 0 || height < 0 || unsigned(type) > PixelTypeGrey) return -1;
    const std::int64_t rowBytes = RowBytes(width, kBits[type]);
    if (rowBytes > INT32_MAX) return -1; // a row must fit the header's field
    if (height > 0 && rowBytes > (INT64_MAX - 32) / height) return INT64_MAX;
    return 32 + rowBytes * height;
}

bool IsTrueColour(KWPixMap** map) {
    return unsigned(RZGetKWPixMapPixelType(map)) <= PixelTypeARGBDirect;
}

void CheckHeader(KWPixMap** map) {
    if (map == nullptr) return;
    const KWPixMap* record = *map;
    Require(record != nullptr && record->baseOffset == 32, "a map's rows start after its header");
    // Retyping may store any 32-bit type's value in a 32-bit map.
    const int type = record->pixelType <= PixelTypeGrey ? record->pixelType : int(PixelTypeARGB);
    const std::int64_t bytes = MapBytes(record->width, record->height, type);
    Require(bytes >= 0 && bytes == 32 + std::int64_t{record->bytesPerRow} * record->height,
            "a map's row bytes follow its width and type");
    Require(BMGetHandleSize(reinterpret_cast<char**>(map)) == bytes,
            "a map's block is exactly header and rows");
}

void Create(Sequence& s) {
    static constexpr double kScales[] = {1, 0.5, 2.5, 0, -1, 1e-300, 1e300, HUGE_VAL, NAN};
    const int type = s.in.Pick(kTypes);
    const bool logical = s.in.Byte() & 1;
    const int askedWidth = s.in.Coordinate(8), askedHeight = s.in.Coordinate(8);
    const double scale = logical ? s.in.Pick(kScales) : 1;
    const auto make = [&] {
        return logical ? RZCreateKWPixMapLogical(askedWidth, askedHeight, scale, KWPixelType(type))
                       : RZCreateKWPixMap(askedWidth, askedHeight, 72, 72, KWPixelType(type));
    };
    // The sides a logical creation asks the plain one for, or a refusal.
    const double w = askedWidth * scale + 0.5, h = askedHeight * scale + 0.5;
    const auto fits = [](double v) { return v > -2147483649.0 && v < 2147483648.0; }; // not NaN
    if (logical && (!fits(w) || !fits(h) || !fits(scale * 72)))
        return Require(make() == nullptr, "a logical size beyond an int is refused");
    const int width = logical ? int(w) : askedWidth, height = logical ? int(h) : askedHeight;
    const std::int64_t bytes = MapBytes(width, height, type);
    const bool refused = bytes < 0 || bytes > INT32_MAX;
    if (!refused && bytes > kMapByteLimit) return;
    KWPixMap** map = make();
    Require(refused ? map == nullptr : map != nullptr || s.failing,
            "a map is made exactly when its type and size are good");
    Require(map == nullptr || (RZGetKWPixMapWidth(map) == unsigned(width) &&
                               RZGetKWPixMapHeight(map) == unsigned(height) &&
                               RZGetKWPixMapPixelType(map) == type),
            "a new map has the sides and type asked for");
    s.Replace(s.Slot(), map);
}

void Pixels(Sequence& s) {
    KWPixMap** map = s.Slot();
    const int width = int(RZGetKWPixMapWidth(map)), height = int(RZGetKWPixMapHeight(map));
    const int x = s.in.Coordinate(width), y = s.in.Coordinate(height);
    const unsigned char colour[4] = {s.in.Byte(), s.in.Byte(), s.in.Byte(), s.in.Byte()};
    RZSetKWPixMapPixel(map, x, y, colour);
    unsigned char got[4] = {1, 2, 3, 4};
    RZGetKWPixMapPixel(map, x, y, got);
    const int type = RZGetKWPixMapPixelType(map);
    if (map == nullptr || type > PixelTypeGrey) return;
    // Grey and 1-bit maps keep the luminance; outside the map all is zero.
    const bool inside = x >= 0 && y >= 0 && x < width && y < height;
    const double luminance = (colour[2] * 0.587 + colour[1] * 0.299) + colour[3] * 0.114;
    const auto level = static_cast<unsigned char>(!inside                 ? 0
                                                  : type == PixelTypeGrey ? luminance
                                                  : luminance > 127.0     ? 255
                                                                          : 0);
    unsigned char want[4] = {0, level, level, level};
    if (inside && type <= PixelTypeARGBDirect) std::memcpy(want, colour, 4);
    Require(std::memcmp(want, got, 4) == 0, "a pixel reads back as written, as zero outside");
}

void Fill(Sequence& s) {
    KWPixMap** map = s.Slot();
    const unsigned char colour[4] = {s.in.Byte(), s.in.Byte(), s.in.Byte(), s.in.Byte()};
    s.in.Byte() & 1 ? RZFillKWPixMap(map, colour) : RZFillKWPixMapAlphaChannel(map, colour[0]);
    unsigned char found = 0;
    const bool equal = RZKWPixMapIsAllAlphaEqual(map, &found);
    if (IsTrueColour(map) && RZGetKWPixMapWidth(map) > 0 && RZGetKWPixMapHeight(map) > 0)
        Require(equal && found == colour[0], "after an alpha fill every alpha is equal");
}

void Copy(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap**& target = s.Slot();
    KWPixMap** copy = nullptr;
    const short result = RZCopyKWPixMap(&copy, source);
    RequireHanded(result, copy, "a copy succeeds exactly when it hands a map");
    Require(copy == nullptr || RZIsSameKWPixMap(copy, source), "a copy is the same as its source");
    s.Replace(target, copy);
}

void Crop(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap**& target = s.Slot();
    if (target == source || source == nullptr) return;
    const KWRect rect = s.Rect(source);
    const short result = RZCropKWPixMap(source, &target, s.in.Byte() & 1 ? &rect : nullptr);
    RequireHanded(result, target, "a crop succeeds exactly when it hands a map");
    Require(target == nullptr || (RZGetKWPixMapWidth(target) <= RZGetKWPixMapWidth(source) &&
                                  RZGetKWPixMapHeight(target) <= RZGetKWPixMapHeight(source) &&
                                  RZGetKWPixMapPixelType(target) == RZGetKWPixMapPixelType(source)),
            "a crop is no larger than its source and of its type");
}

void ExportImport(Sequence& s) {
    KWPixMap** map = s.Slot();
    const KWRect rect = s.Rect(map);
    const bool whole = s.in.Byte() & 1;
    BITMAPINFO* info = nullptr;
    const short bmi = CreateBMIFromKWPixMap(map, &info, s.in.Byte() & 1);
    RequireHanded(bmi, info, "a header exactly on success");
    char* block = reinterpret_cast<char*>(info);
    BMKillPtr(&block);
    char* dib = nullptr;
    unsigned int size = 0;
    const short result = RZKWPixMap2DIB(map, whole ? nullptr : &rect, &dib, &size);
    RequireHanded(result, dib, "an export hands a DIB exactly on success");
    if (dib == nullptr) return;
    Require(size >= 40, "an export holds at least its header");
    HPALETTE palette = CRZCreatePalette(reinterpret_cast<const BITMAPINFOHEADER*>(dib));
    if (palette != nullptr) DeleteObject(palette);
    KWPixMap** back = nullptr;
    const short imported = RZDIB2KWPixMap(dib, size, &back);
    BMKillPtr(&dib);
    RequireHanded(imported, back, "an import hands a map exactly on success");
    if (back == nullptr) return;
    // 32-bit maps come back with their colours and alpha 255.
    if (whole && IsTrueColour(map) && !s.failing && RZGetKWPixMapWidth(map) <= 32767)
        CheckReimported(map, back);
    s.Replace(s.Slot(), back);
}

void ColourTable(Sequence& s) {
    KWPixMap** map = s.Slot();
    static constexpr unsigned kCounts[] = {0, 1, 2, 16, 256, 257, 4096, 65535, 0xFFFFFFFFu};
    const unsigned maxColours = s.in.Pick(kCounts);
    TVADescriptor table{};
    vaManager.init(&table);
    vaManager.setUp(&table, 16, 6);
    if (RZCalcPixMapColorTable(map, maxColours, &table) == 0)
        Require(unsigned(vaManager.count(&table)) <= maxColours, "a colour table keeps its limit");
    vaManager.dispose(&table);
}

void Rectangles(Sequence& s) {
    KWRect a{}, b{}, c{};
    RZInitRect(&a, s.in.Coordinate(0), s.in.Coordinate(0), s.in.Coordinate(9), s.in.Coordinate(9));
    RZInitRect(&b, s.in.Coordinate(0), s.in.Coordinate(0), s.in.Coordinate(9), s.in.Coordinate(9));
    RZInsetRect(&b, s.in.Coordinate(1), s.in.Coordinate(1));
    if (RZSectRect(&a, &b, &c))
        Require(c.left < c.right && c.top < c.bottom && c.left >= std::max(a.left, b.left) &&
                    c.top >= std::max(a.top, b.top) && c.right <= std::min(a.right, b.right) &&
                    c.bottom <= std::min(a.bottom, b.bottom),
                "an intersection is inside both rectangles and not empty");
    KWPixMap** map = s.Slot();
    int width = 0, height = 0, originH = 0, originV = 0;
    const KWRect rect = s.Rect(map);
    RZGetRotatedKWPixMapWidthHeight(&width, &height, s.in.Angle(), &rect, 0, &originH, &originV);
    KWPattern pattern;
    RZInitDefaultPattern(&pattern, static_cast<unsigned short>(s.in.Word()));
    RZInitDefaultTransparentPattern(&pattern, s.in.Angle());
}

void Retype(Sequence& s) {
    KWPixMap**& slot = s.Slot();
    const short size = RZGetKWPixMapPixelSize(slot);
    // A value outside 0 to 3 whose low byte is inside stores that byte in a
    // 32-bit map, which then reads its wider rows as 1 or 8 bits a pixel:
    // harmless, but its rows would no longer follow its type.
    int type = s.in.Pick(kTypes);
    if (unsigned(type) > PixelTypeGrey && (type & 0xFF) <= PixelTypeGrey) type |= 0x80;
    RZSetKWPixMapPixelType(slot, KWPixelType(type));
    Require(RZGetKWPixMapPixelSize(slot) == size, "retyping keeps the pixel size");
    RZSetKWPixMapHResolution(slot, s.in.Coordinate(72));
    RZSetKWPixMapVResolution(slot, s.in.Coordinate(72));
    KWRect bounds{};
    if (RZGetKWPixMapBounds(slot, &bounds) == 0)
        Require(bounds.top == 0 && bounds.left == 0 &&
                    bounds.right == int(RZGetKWPixMapWidth(slot)) &&
                    bounds.bottom == int(RZGetKWPixMapHeight(slot)),
                "the bounds are the map's sides");
    KWPixMap** colour = RZCreateARGBKWPixMap(slot);
    Require(colour == nullptr || RZGetKWPixMapPixelType(colour) == PixelTypeARGB,
            "a colour copy is of type 0");
    if (colour != nullptr) s.Replace(slot, colour);
    Require(RZIsSameKWPixMap(slot, slot) || slot == nullptr, "a map is the same as itself");
}

void ArmFailure(Sequence& s) {
    const std::uint8_t choice = s.in.Byte();
    if (choice & 1) KWRootFailAllocation(1 + (choice >> 1) % 8);
    if (choice & 2) SoftGdiFailCreation(1 + s.in.Byte() % 6);
    s.failing = true;
}

constexpr void (*kSteps[])(Sequence&) = {
    Create,     Pixels, Fill,    Copy,   Crop,     ExportImport,     ColourTable,
    Rectangles, Retype, Stretch, Rotate, DrawOnDC, ReadDeviceBitmap, ReadDibSection};

void Step(Sequence& s) {
    const int step = s.in.Byte() % 15;
    // An armed failure lasts for the next step.
    if (step == 14) return s.in.Byte() & 1 ? ToGdiPlusImage(s) : ArmFailure(s);
    kSteps[step](s);
    KWRootFailAllocation(0);
    SoftGdiFailCreation(0);
    s.failing = false;
    // So every map a step makes or changes has its header checked.
    for (KWPixMap** map : s.maps) CheckHeader(map);
}

} // namespace
} // namespace rzfuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Maps come and go by the thousand; ordinary pages keep that cheap.
    prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0);
    rzfuzz::StartRendering();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const rzfuzz::NoBlockLeft noBlockLeft;
    const auto liveGdi = [] { return SoftGdiLiveGdiObjects() + SoftGdiLiveGdiPlusObjects(); };
    const std::int64_t gdiObjects = liveGdi();
    rzfuzz::FuzzInput in(data, size);
    rzfuzz::Sequence s{in};
    for (int steps = 0; steps < 64 && !in.Empty(); ++steps) rzfuzz::Step(s);
    KWRootFailAllocation(0);
    SoftGdiFailCreation(0);
    for (KWPixMap** map : s.maps) RZDeleteKWPixMap(map);
    rzfuzz::Require(liveGdi() == gdiObjects, "no GDI or GDI+ object is left");
    return 0;
}
