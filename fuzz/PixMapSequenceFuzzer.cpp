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
#include <cmath>
#include <cstring>

#include <sys/prctl.h>

#include "KWRoot/Memory.h"
#include "KWRoot/TestSupport.h"
#include "KWRoot/VariableArray.h"
#include "RZ/platform/WindowsImaging.h"
#include "SequenceState.h"

namespace rzfuzz {
namespace {

constexpr int kTypes[] = {0, 1, 2, 3, 4, -1, 255};

void CheckHeader(KWPixMap** map) {
    if (map == nullptr) return;
    const KWPixMap* record = *map;
    Require(record != nullptr && record->baseOffset == 32, "a map's rows start after its header");
    // Retyping may store any 32-bit type's value in a 32-bit map.
    const int type = record->pixelType <= PixelTypeGrey ? record->pixelType : PixelTypeARGB;
    const std::int64_t bytes = MapBytes(record->width, record->height, type);
    Require(bytes >= 0 && bytes == 32 + std::int64_t{record->bytesPerRow} * record->height,
            "a map's row bytes follow its width and type");
    Require(BMGetHandleSize(reinterpret_cast<char**>(map)) == bytes,
            "a map's block is exactly header and rows");
}

bool FitsInt(double value) {
    return value > -2147483649.0 && value < 2147483648.0; // false for NaN
}

void Create(Sequence& s) {
    const int type = s.in.Pick(kTypes);
    const bool logical = s.in.Byte() & 1;
    const int askedWidth = s.in.Coordinate(8), askedHeight = s.in.Coordinate(8);
    int width = askedWidth, height = askedHeight;
    static constexpr double kScales[] = {1, 0.5, 2.5, 0, -1, 1e-300, 1e300, HUGE_VAL, NAN};
    const double scale = logical ? s.in.Pick(kScales) : 1;
    if (logical) {
        // The sides a logical creation asks the plain one for, or a refusal.
        const double w = askedWidth * scale + 0.5, h = askedHeight * scale + 0.5;
        if (!FitsInt(w) || !FitsInt(h) || !FitsInt(scale * 72)) {
            Require(RZCreateKWPixMapLogical(askedWidth, askedHeight, scale, KWPixelType(type)) ==
                        nullptr,
                    "a logical size beyond an int is refused");
            return;
        }
        width = static_cast<int>(w);
        height = static_cast<int>(h);
    }
    const std::int64_t bytes = MapBytes(width, height, type);
    const bool refused = bytes < 0 || width < 0 || height < 0 || bytes > INT32_MAX;
    if (!refused && bytes > kMapByteLimit) return;
    KWPixMap** map =
        logical ? RZCreateKWPixMapLogical(askedWidth, askedHeight, scale, KWPixelType(type))
                : RZCreateKWPixMap(width, height, 72, 72, KWPixelType(type));
    if (refused) Require(map == nullptr, "a map of a bad type or size is refused");
    if (!refused && !s.failing) Require(map != nullptr, "a map of a good type and size is made");
    if (map != nullptr) {
        Require(RZGetKWPixMapWidth(map) == unsigned(width) &&
                    RZGetKWPixMapHeight(map) == unsigned(height) &&
                    RZGetKWPixMapPixelType(map) == type,
                "a new map has the sides and type asked for");
        CheckHeader(map);
    }
    s.Replace(s.Slot(), map);
}

void ExpectPixel(KWPixMap** map, const unsigned char* set, const unsigned char* got) {
    const double luminance = (set[2] * 0.587 + set[1] * 0.299) + set[3] * 0.114;
    unsigned char want[4] = {set[0], set[1], set[2], set[3]};
    if (RZGetKWPixMapPixelType(map) == PixelTypeGrey) {
        want[0] = 0;
        want[1] = want[2] = want[3] = static_cast<unsigned char>(luminance);
    } else if (RZGetKWPixMapPixelType(map) == PixelTypeBlackWhite) {
        want[0] = 0;
        want[1] = want[2] = want[3] = luminance > 127.0 ? 255 : 0;
    }
    Require(std::memcmp(want, got, 4) == 0, "a pixel reads back as written");
}

void Pixels(Sequence& s) {
    KWPixMap** map = s.Slot();
    const int width = static_cast<int>(RZGetKWPixMapWidth(map));
    const int height = static_cast<int>(RZGetKWPixMapHeight(map));
    const int x = s.in.Coordinate(width), y = s.in.Coordinate(height);
    const unsigned char colour[4] = {s.in.Byte(), s.in.Byte(), s.in.Byte(), s.in.Byte()};
    RZSetKWPixMapPixel(map, x, y, colour);
    unsigned char got[4] = {1, 2, 3, 4};
    RZGetKWPixMapPixel(map, x, y, got);
    if (map == nullptr || RZGetKWPixMapPixelType(map) > PixelTypeGrey) return;
    if (x >= 0 && y >= 0 && x < width && y < height)
        ExpectPixel(map, colour, got);
    else
        Require(got[0] == 0 && got[1] == 0 && got[2] == 0 && got[3] == 0,
                "a pixel outside the map reads as zero");
}

void Fill(Sequence& s) {
    KWPixMap** map = s.Slot();
    const unsigned char colour[4] = {s.in.Byte(), s.in.Byte(), s.in.Byte(), s.in.Byte()};
    unsigned char alpha = colour[0];
    if (s.in.Byte() & 1)
        RZFillKWPixMap(map, colour);
    else
        RZFillKWPixMapAlphaChannel(map, alpha);
    unsigned char found = 0;
    const bool equal = RZKWPixMapIsAllAlphaEqual(map, &found);
    if (IsTrueColour(map) && HasPixels(map))
        Require(equal && found == alpha, "after an alpha fill every alpha is equal");
}

void Copy(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap**& target = s.Slot();
    KWPixMap** copy = nullptr;
    const short result = RZCopyKWPixMap(&copy, source);
    Require((result == 0) == (copy != nullptr), "a copy succeeds exactly when it hands a map");
    if (copy != nullptr) {
        CheckHeader(copy);
        Require(RZIsSameKWPixMap(copy, source), "a copy is the same as its source");
    }
    s.Replace(target, copy);
}

void Crop(Sequence& s) {
    KWPixMap** source = s.Slot();
    KWPixMap**& target = s.Slot();
    if (target == source || source == nullptr) return;
    const KWRect rect = ChooseRect(s.in, source);
    const short result = RZCropKWPixMap(source, &target, s.in.Byte() & 1 ? &rect : nullptr);
    Require((result == 0) == (target != nullptr), "a crop succeeds exactly when it hands a map");
    if (target == nullptr) return;
    CheckHeader(target);
    Require(RZGetKWPixMapWidth(target) <= RZGetKWPixMapWidth(source) &&
                RZGetKWPixMapHeight(target) <= RZGetKWPixMapHeight(source) &&
                RZGetKWPixMapPixelType(target) == RZGetKWPixMapPixelType(source),
            "a crop is no larger than its source and of its type");
}

// 32-bit maps come back with their colours and alpha 255.
void CheckTrueColourReturned(KWPixMap** map, KWPixMap** back) {
    Require(RZGetKWPixMapWidth(back) == RZGetKWPixMapWidth(map) &&
                RZGetKWPixMapHeight(back) == RZGetKWPixMapHeight(map),
            "an exported map imports back at its size");
    const unsigned width = RZGetKWPixMapWidth(map), height = RZGetKWPixMapHeight(map);
    const unsigned rowBytes = RZGetKWPixMapBytesPerRow(map);
    const auto* before = reinterpret_cast<const unsigned char*>(RZGetKWPixMapBaseAddr(map));
    const auto* after = reinterpret_cast<const unsigned char*>(RZGetKWPixMapBaseAddr(back));
    for (unsigned y = 0; y < height; ++y)
        for (unsigned x = 0; x < width; ++x) {
            const unsigned char* b = before + std::size_t{y} * rowBytes + 4 * x;
            const unsigned char* a = after + std::size_t{y} * rowBytes + 4 * x;
            Require(a[0] == 255 && std::memcmp(a + 1, b + 1, 3) == 0,
                    "the pixels of a 32-bit map survive export and import");
        }
}

void ExportImport(Sequence& s) {
    KWPixMap** map = s.Slot();
    const KWRect rect = ChooseRect(s.in, map);
    const bool whole = s.in.Byte() & 1;
    BITMAPINFO* info = nullptr;
    const short bmi = CreateBMIFromKWPixMap(map, &info, s.in.Byte() & 1);
    Require((bmi == 0) == (info != nullptr), "a header exactly on success");
    char* block = reinterpret_cast<char*>(info);
    BMKillPtr(&block);

    char* dib = nullptr;
    unsigned int size = 0;
    const short result = RZKWPixMap2DIB(map, whole ? nullptr : &rect, &dib, &size);
    Require((result == 0) == (dib != nullptr), "an export hands a DIB exactly on success");
    if (dib == nullptr) return;
    Require(size >= 40, "an export holds at least its header");
    HPALETTE palette = CRZCreatePalette(reinterpret_cast<const BITMAPINFOHEADER*>(dib));
    if (palette != nullptr) DeleteObject(palette);
    KWPixMap** back = nullptr;
    const short imported = RZDIB2KWPixMap(dib, size, &back);
    BMKillPtr(&dib);
    Require((imported == 0) == (back != nullptr), "an import hands a map exactly on success");
    if (back == nullptr) return;
    CheckHeader(back);
    const std::int64_t rowWords = (std::int64_t{RZGetKWPixMapWidth(map)} * 32 + 31) / 32;
    if (whole && IsTrueColour(map) && !s.failing && rowWords <= 32767)
        CheckTrueColourReturned(map, back);
    s.Replace(s.Slot(), back);
}

void ColourTable(Sequence& s) {
    KWPixMap** map = s.Slot();
    static constexpr unsigned kCounts[] = {0, 1, 2, 16, 256, 257, 4096, 65535, 0xFFFFFFFFu};
    const unsigned maxColours = s.in.Pick(kCounts);
    TVADescriptor table{};
    vaManager.init(&table);
    vaManager.setUp(&table, 16, 6);
    const short result = RZCalcPixMapColorTable(map, maxColours, &table);
    if (result == 0)
        Require(unsigned(vaManager.count(&table)) <= maxColours, "a colour table keeps its limit");
    vaManager.dispose(&table);
}

void Rectangles(Sequence& s) {
    KWRect a{}, b{}, c{};
    RZInitRect(&a, s.in.Coordinate(0), s.in.Coordinate(0), s.in.Coordinate(9), s.in.Coordinate(9));
    RZInitRect(&b, s.in.Coordinate(0), s.in.Coordinate(0), s.in.Coordinate(9), s.in.Coordinate(9));
    RZInsetRect(&b, s.in.Coordinate(1), s.in.Coordinate(1));
    if (RZSectRect(&a, &b, &c))
        Require(c.left < c.right && c.top < c.bottom && c.left >= a.left && c.left >= b.left &&
                    c.right <= a.right && c.right <= b.right && c.top >= a.top && c.top >= b.top &&
                    c.bottom <= a.bottom && c.bottom <= b.bottom,
                "an intersection is inside both rectangles and not empty");
    KWPixMap** map = s.Slot();
    int width = 0, height = 0, originH = 0, originV = 0;
    const KWRect rect = ChooseRect(s.in, map);
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
    if (colour != nullptr) {
        CheckHeader(colour);
        Require(RZGetKWPixMapPixelType(colour) == PixelTypeARGB, "a colour copy is of type 0");
        s.Replace(slot, colour);
    }
    Require(RZIsSameKWPixMap(slot, slot) || slot == nullptr, "a map is the same as itself");
    CheckHeader(slot);
}

void ArmFailure(Sequence& s) {
    const std::uint8_t choice = s.in.Byte();
    if (choice & 1) KWRootFailAllocation(1 + (choice >> 1) % 8);
    if (choice & 2) ArmGdiFailure(s.in);
    s.failing = true;
}

void Step(Sequence& s) {
    switch (s.in.Byte() % 15) {
    case 0:
        Create(s);
        break;
    case 1:
        Pixels(s);
        break;
    case 2:
        Fill(s);
        break;
    case 3:
        Copy(s);
        break;
    case 4:
        Crop(s);
        break;
    case 5:
        ExportImport(s);
        break;
    case 6:
        ColourTable(s);
        break;
    case 7:
        Rectangles(s);
        break;
    case 8:
        Retype(s);
        break;
    case 9:
        Stretch(s);
        break;
    case 10:
        Rotate(s);
        break;
    case 11:
        DrawOnDC(s);
        break;
    case 12:
        ReadDeviceBitmap(s);
        break;
    case 13:
        ReadDibSection(s);
        break;
    case 14:
        if (s.in.Byte() & 1)
            ToGdiPlusImage(s);
        else
            ArmFailure(s);
        return; // an armed failure lasts for the next step
    }
    KWRootFailAllocation(0);
    DisarmGdiFailure();
    s.failing = false;
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
    const std::int64_t liveBlocks = KWRootLiveBlockCount();
    const std::int64_t liveGdi = rzfuzz::LiveGdiObjects();
    rzfuzz::FuzzInput in(data, size);
    rzfuzz::Sequence s{in};
    for (int steps = 0; steps < 64 && !in.Empty(); ++steps) rzfuzz::Step(s);
    KWRootFailAllocation(0);
    rzfuzz::DisarmGdiFailure();
    for (KWPixMap** map : s.maps) RZDeleteKWPixMap(map);
    rzfuzz::Require(KWRootLiveBlockCount() == liveBlocks, "no root-library block is left");
    rzfuzz::Require(rzfuzz::LiveGdiObjects() == liveGdi, "no GDI or GDI+ object is left");
    return 0;
}
