// Every export that allocates, with each of its root-library allocations
// failing in turn: the documented result, and no block left behind. Every
// other export is named as one that does not allocate, so that an export
// added to the lists without a row here fails the test.
#include <functional>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "KWRoot/Memory.h"
#include "KWRoot/VariableArray.h"
#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "platform/GdiFixtures.h"
#include "support/ExportTable.h"
#include "support/LeakCheck.h"
#include "support/PixMaps.h"

#if !defined(_WIN32)
#include "SoftGDI/Display.h"
#endif

namespace {

using rz::platform::PointerBlock;
using rztest::SameBlock;

// The real GDI and GDI+ allocate as they need; only ours is counted on.
constexpr bool kOwnGdi = rztest::kSoftGdi;

// What one call gave: its code (or size, or 1 for an object made), and
// whether it handed over a result.
struct Outcome {
    long long code = 0;
    bool made = false;
};

struct Row {
    const char* name;
    int allocations;                            // a successful call's allocations
    std::function<Outcome()> run;               // releases whatever it was handed
    std::function<bool(const Outcome&)> failed; // the result with an allocation failed
};

const auto NothingMade = [](const Outcome& o) { return !o.made; };
const auto OutOfMemory = [](const Outcome& o) { return o.code == kBMErrOutOfMemory && !o.made; };
const auto Failed = [](const Outcome& o) { return o.code == RZErrFailed && !o.made; };

Outcome Made(KWPixMap** map) {
    RZDeleteKWPixMap(map);
    return {0, map != nullptr};
}
Outcome Handed(short code, KWPixMap** map) {
    return {code, Made(map).made};
}
Outcome Handed(long long code, char* block) {
    const bool made = block != nullptr;
    BMKillPtr(&block);
    return {code, made};
}

// Exports that never allocate: accessors, pixels, fills, rectangles,
// patterns, deletion, and the members of the two classes but the guard's
// constructor that makes a map.
bool NeverAllocates(const std::string& name) {
    // clang-format off
    static const std::set<std::string> names = {
        "RZDeleteKWPixMap", "RZGetKWPixMapBaseAddr", "RZGetKWPixMapBounds", "RZGetKWPixMapBytesPerRow",
        "RZGetKWPixMapHeight", "RZGetKWPixMapWidth", "RZGetKWPixMapHResolution", "RZGetKWPixMapVResolution",
        "RZGetKWPixMapPixelSize", "RZGetKWPixMapPixelType", "RZSetKWPixMapHResolution",
        "RZSetKWPixMapVResolution", "RZSetKWPixMapPixelType", "RZPixelSizeFromPixelType",
        "RZPixelTypeFromPixelSize", "RZGetKWPixMapPixel", "RZSetKWPixMapPixel", "RZFillKWPixMap",
        "RZFillKWPixMapAlphaChannel", "RZKWPixMapIsAllAlphaEqual", "RZIsSameKWPixMap",
        "RZInitDefaultPattern", "RZInitDefaultTransparentPattern", "RZInitRect", "RZInsetRect",
        "RZSectRect", "RZGetRotatedKWPixMapWidthHeight", "RZGetDIBInfo"};
    // clang-format on
    return names.count(name) || name.rfind("KWSize2D::", 0) == 0 ||
           (name.rfind("PixMapHandleGuard::", 0) == 0 && name.find("(int") == std::string::npos);
}

TEST(AllocationFailures, EveryAllocatingExportGivesItsDocumentedResultAndLeavesNothing) {
    PixMapHandleGuard argb(5, 3, 72, 72, PixelTypeARGB), bw(11, 2, 72, 72, PixelTypeBlackWhite);
    for (int i = 0; i < 15; ++i)
        rztest::SetPixel(argb(), i % 5, i / 5, {255, static_cast<unsigned char>(40 * i), 90, 200});
    PixMapHandleGuard target(9, 9, 72, 72, PixelTypeARGB);
    const KWRect part{0, 1, 2, 4}, into{1, 1, 8, 8};
    PointerBlock dib, converted;
    unsigned int dibSize = 0;
    ASSERT_EQ(RZKWPixMap2DIB(argb(), nullptr, dib.Out(), &dibSize), 0);
    const auto* header = dib.As<BITMAPINFOHEADER>();
    const unsigned int convertedSize =
        CRZConvertBitmap(reinterpret_cast<void**>(converted.Out()), 8, header, 1, 0);
    Gdiplus::Bitmap palette(4, 4, PixelFormat1bppIndexed);
    std::vector<Gdiplus::ARGB> entries = {Gdiplus::PaletteFlagsHasAlpha, 2, 0xFF000000u,
                                          0xFFFFFFFFu};
    ASSERT_EQ(palette.SetPalette(reinterpret_cast<Gdiplus::ColorPalette*>(entries.data())),
              Gdiplus::Ok);
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 6, 4);
    std::vector<unsigned char> sectionBits(16 * 3, 7);
    DIBSECTION section{};
    section.dsBm = BITMAP{0, 5, 3, 16, 1, 24, sectionBits.data()};
#if !defined(_WIN32)
    HDC palettized = SoftGdiCreateDisplayDC(8, 16, 16); // the drawing's DIB path
#else
    HDC palettized = screen;
#endif

    // clang-format off
    const Row rows[] = {
        {"RZCreateKWPixMap", 1, [] { return Made(RZCreateKWPixMap(3, 3, 72, 72, PixelTypeGrey)); },
         NothingMade},
        {"RZCreateKWPixMapLogical", 1, [] { return Made(RZCreateKWPixMapLogical(3, 3, 2.0, PixelTypeARGB)); },
         NothingMade},
        {"RZCreateARGBKWPixMap", 1, [&] { return Made(RZCreateARGBKWPixMap(bw())); }, NothingMade},
        {"PixMapHandleGuard::PixMapHandleGuard(int, int, int, int, KWPixelType)", 1,
         [] { PixMapHandleGuard g(2, 2, 72, 72, PixelTypeARGB); return Outcome{0, g() != nullptr}; },
         NothingMade},
        // A failed copy nulls the caller's variable, whatever it held.
        {"RZCopyKWPixMap", 1, [&] { KWPixMap* none = nullptr; KWPixMap** m = &none;
                                    const short c = RZCopyKWPixMap(&m, argb()); return Handed(c, m); },
         OutOfMemory},
        // A part that cannot be made falls back to a whole copy.
        {"RZCropKWPixMap", 1, [&] { KWPixMap** m = nullptr; short c = RZCropKWPixMap(argb(), &m, &part);
                                    const bool whole = SameBlock(m, argb()); RZDeleteKWPixMap(m);
                                    return Outcome{c, whole}; },
         [](const Outcome& o) { return o.code == 0 && o.made; }},
        {"CreateBMIFromKWPixMap", 1, [&] { BITMAPINFO* i = nullptr; short c = CreateBMIFromKWPixMap(argb(), &i, true);
                                           return Handed(c, reinterpret_cast<char*>(i)); }, OutOfMemory},
        // A failed export leaves the size alone.
        {"RZKWPixMap2DIB", 1, [&] { char* d = nullptr; unsigned s = 7; const short c = RZKWPixMap2DIB(argb(), &part, &d, &s);
                                    return Handed(c != 0 && s != 7 ? 1 : c, d); }, OutOfMemory},
        {"RZDIB2KWPixMap", 2, [&] { KWPixMap** m = nullptr; short c = RZDIB2KWPixMap(dib.Get(), dibSize, &m);
                                    return Handed(c, m); },
         [](const Outcome& o) { return (o.code == kBMErrOutOfMemory || o.code == RZErrFailed) && !o.made; }},
        {"RZDDB2DIB", 1, [&] { char* d = nullptr; unsigned s = 0; short c = RZDDB2DIB(screen, ddb, &d, &s, nullptr);
                               return Handed(c, d); }, OutOfMemory},
        {"RZDDB2KWPixMap", 3, [&] { KWPixMap** m = nullptr; short c = RZDDB2KWPixMap(screen, ddb, &m, &part);
                                    return Handed(c, m); },
         [](const Outcome& o) { return o.code < 0 && !o.made; }},
        {"RZDIBSection2PixMap", 1, [&] { KWPixMap** m = nullptr; short c = RZDIBSection2PixMap(&section, &m);
                                         return Handed(c, m); }, NothingMade},
        {"RZCalcPixMapColorTable", 3, [&] { TVADescriptor t{}; vaManager.init(&t);
                                            short c = RZCalcPixMapColorTable(argb(), 16, &t);
                                            Outcome o{c, vaManager.count(&t) > 0}; vaManager.dispose(&t); return o; },
         Failed},
        // Scratch that cannot be had still gives the whole block.
        {"CRZConvertBitmap", 8, [&] { void* out = nullptr; unsigned s = CRZConvertBitmap(&out, 8, header, 1, 0);
                                      return Handed(s, static_cast<char*>(out)); },
         [&](const Outcome& o) { return o.made ? o.code == convertedSize : o.code == 0; }},
        {"CRZCreatePalette", 1, [&] { HPALETTE p = CRZCreatePalette(converted.As<BITMAPINFOHEADER>());
                                      const Outcome o{0, p != nullptr}; if (p != nullptr) DeleteObject(p); return o; },
         NothingMade},
        {"PixMapToGdiPlusImage", 1, [&] { Gdiplus::Bitmap* b = PixMapToGdiPlusImage(argb()); delete b;
                                          return Outcome{0, b != nullptr}; }, NothingMade},
        // A palette that cannot be read vouches for nothing.
        {"GetGraphicsPixelType", 1, [&] { const int t = GetGraphicsPixelType(&palette); return Outcome{t, t == 2}; },
         [](const Outcome& o) { return o.code == 0; }},
        {"RZStretchKWPixMap", 1, [&] { return Outcome{RZStretchKWPixMap(argb(), target(), &part, &into, 0)}; }, Failed},
        {"RZRotateKWPixMap", 1, [&] { return Outcome{RZRotateKWPixMap(argb(), target(), &part, 4, 4, 0.5, false, 0)}; },
         Failed},
        {"RZRotateKWPixMap_OldParList", 1,
         [&] { return Outcome{RZRotateKWPixMap_OldParList(argb(), target(), 0.5, true, &part, 4, 4)}; }, Failed},
        // On a palette display (the GDI+ path allocates nothing of ours), a
        // reduction short of scratch still draws.
        {"RZDrawKWPixMapPartOnHDC", 9,
         [&] { return Outcome{RZDrawKWPixMapPartOnHDC(palettized, argb(), &part, &into, 1, 0, 0)}; },
         [](const Outcome& o) { return o.code == 0 || o.code == RZErrFailed; }},
    };
    // clang-format on
    std::set<std::string> covered;
    for (const Row& row : rows) {
        covered.insert(row.name);
        Outcome outcome;
        const int allocations = rztest::SweepAllocationFailures([&] { outcome = row.run(); },
                                                                [&](int failedAt) {
                                                                    EXPECT_TRUE(row.failed(outcome))
                                                                        << row.name << " at "
                                                                        << failedAt;
                                                                });
        EXPECT_TRUE(outcome.made || outcome.code == 0) << row.name << " without a failure";
        if (!kOwnGdi && allocations != row.allocations) continue; // GDI's own needs differ
        EXPECT_EQ(allocations, row.allocations) << row.name;
    }
    for (const std::string& name : rztest::ListedExports(RZ_SOURCE_DIR))
        EXPECT_TRUE(covered.count(name) || NeverAllocates(name)) << name << " has no row";
    DeleteObject(ddb);
    if (palettized != screen) DeleteDC(palettized);
    ReleaseDC(nullptr, screen);
}

} // namespace
