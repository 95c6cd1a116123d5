// Test main of programs that draw through GDI or GDI+. The host, not the
// library, starts GDI+; here the test program is the host.
#include <cstdio>

#include "RZ/platform/WindowsImaging.h"
#include "support/TestRunner.h"

int main(int argc, char** argv) {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    const Gdiplus::Status status = Gdiplus::GdiplusStartup(&token, &input, nullptr);
    if (status != Gdiplus::Ok) {
        std::fprintf(stderr, "GdiplusStartup failed with status %d\n", static_cast<int>(status));
        return 1;
    }
    const int result = rztest::RunAllTests(argc, argv);
    Gdiplus::GdiplusShutdown(token);
    return result;
}
