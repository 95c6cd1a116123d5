// Several threads at once, each on maps of its own: every operation the
// library allows to run concurrently gives each thread exactly what it gives
// one thread alone, and conversions running at the same time (which the
// library does not promise to keep apart) neither crash nor disturb each
// other beyond the scan direction of their dithering, which is left out of
// the comparison. Built with ThreadSanitizer in CI.
#include <cstdint>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "KWRoot/VariableArray.h"
#include "RZ/KWPixMap"
#include "RZ/platform/PointerBlock.h"
#include "RZ/platform/WindowsImaging.h"

#if !defined(_WIN32)
#include "SoftGDI/Display.h"
#endif

namespace {

using rz::platform::PointerBlock;

constexpr int kThreads = 4;
constexpr int kRounds = 12;

// A digest of bytes, to compare what threads saw.
struct Digest {
    std::uint64_t value = 1469598103934665603ull;
    void Add(const void* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i)
            value = (value ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
    }
    void Add(long long number) { Add(&number, sizeof number); }
    void Add(KWPixMap** map) {
        Add(map == nullptr ? -1 : RZGetKWPixMapWidth(map) * 7919ll + RZGetKWPixMapHeight(map));
        if (map != nullptr)
            Add(RZGetKWPixMapBaseAddr(map),
                std::size_t{RZGetKWPixMapBytesPerRow(map)} * RZGetKWPixMapHeight(map));
    }
};

// Every concurrent operation once, on maps made here from the seed.
std::uint64_t ReentrantWork(int seed, HDC display) {
    Digest d;
    const int width = 23 + seed % 3;
    PixMapHandleGuard map(width, 17, 72, 72, PixelTypeARGB);
    for (int i = 0; i < width * 17; ++i) {
        const unsigned char c[4] = {255, static_cast<unsigned char>(i * seed),
                                    static_cast<unsigned char>(i * 7),
                                    static_cast<unsigned char>(i / 3)};
        RZSetKWPixMapPixel(map(), i % width, i / width, c);
    }
    const KWRect part{2, 3, 15, 20}, into{1, 1, 30, 28};
    PixMapHandleGuard crop(nullptr), copy(nullptr), back(nullptr), grey(nullptr), bw(nullptr),
        shown(nullptr);
    d.Add(RZCropKWPixMap(map(), &crop(), &part));
    d.Add(RZCopyKWPixMap(&copy(), crop()));
    RZFillKWPixMapAlphaChannel(copy(), 128);
    PointerBlock dib;
    unsigned int size = 0;
    d.Add(RZKWPixMap2DIB(copy(), nullptr, dib.Out(), &size));
    d.Add(RZDIB2KWPixMap(dib.Get(), size, &back()));
    // Converted to 8 bits with and without dithering: the sizes of both, the
    // rows of the undithered one.
    for (unsigned char dither : {0, 1}) {
        void* out = nullptr;
        const unsigned int bytes = CRZConvertBitmap(&out, 8, dib.As<BITMAPINFOHEADER>(), dither, 0);
        const PointerBlock owner(static_cast<char*>(out));
        d.Add(bytes);
        if (!dither && out != nullptr) d.Add(out, bytes);
    }
    grey() = RZCreateKWPixMap(31, 29, 72, 72, PixelTypeGrey);
    bw() = RZCreateKWPixMap(31, 29, 72, 72, PixelTypeBlackWhite);
    d.Add(RZStretchKWPixMap(map(), grey(), nullptr, &into, 0));
    d.Add(RZRotateKWPixMap(map(), bw(), &part, 15, 14, 0.3 * seed, seed & 1, 1));
    d.Add(RZRotateKWPixMap_OldParList(crop(), copy(), 1.1, true, nullptr, 6, 6));
    PixMapHandleGuard colour(RZCreateARGBKWPixMap(bw()));
    TVADescriptor table{};
    vaManager.init(&table);
    d.Add(RZCalcPixMapColorTable(map(), 12, &table));
    d.Add(vaManager.count(&table));
    vaManager.dispose(&table);
    d.Add(RZDrawKWPixMapPartOnHDC(display, map(), &part, &into, 0, 0, 0));
    d.Add(RZDDB2KWPixMap(display, nullptr, &shown(), &part));
    for (KWPixMap** m : {map(), crop(), copy(), back(), grey(), bw(), colour(), shown()}) d.Add(m);
    return d.value;
}

// Each thread's work alone, then kRounds times on every thread at once.
TEST(Threads, ConcurrentOperationsOnSeparateMapsGiveWhatOneThreadGets) {
    std::vector<HDC> displays;
    std::vector<std::uint64_t> alone, together(kThreads * kRounds);
    for (int t = 0; t < kThreads; ++t) {
#if !defined(_WIN32)
        displays.push_back(SoftGdiCreateDisplayDC(32, 40, 40));
#else
        displays.push_back(nullptr); // no display of our own: draws are refused alike
#endif
        alone.push_back(ReentrantWork(t, displays[t]));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int r = 0; r < kRounds; ++r)
                together[t * kRounds + r] = ReentrantWork(t, displays[t]);
        });
    for (auto& thread : threads) thread.join();
    for (std::size_t i = 0; i < together.size(); ++i)
        EXPECT_EQ(together[i], alone[i / kRounds]) << "thread " << i / kRounds;
    for (HDC dc : displays)
        if (dc != nullptr) DeleteDC(dc);
}

} // namespace
