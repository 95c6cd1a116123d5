// The GDI+ startup handshake.
#include <atomic>

#include "SoftGDI/GdiPlusFlat.h"

using namespace Gdiplus;

namespace {
std::atomic<ULONG_PTR> nextToken{1};
std::atomic<long> started{0};
} // namespace

extern "C" Status WINAPI Gdiplus::GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input,
                                                 GdiplusStartupOutput* output) {
    if (token == nullptr || input == nullptr) return InvalidParameter;
    if (input->GdiplusVersion < 1 || input->GdiplusVersion > 2) return UnsupportedGdiplusVersion;
    if (input->SuppressBackgroundThread && output == nullptr) return InvalidParameter;
    if (output != nullptr) *output = GdiplusStartupOutput();
    *token = nextToken.fetch_add(1);
    started.fetch_add(1);
    return Ok;
}

extern "C" void WINAPI Gdiplus::GdiplusShutdown(ULONG_PTR token) {
    if (token != 0 && started.load() > 0) started.fetch_sub(1);
}
