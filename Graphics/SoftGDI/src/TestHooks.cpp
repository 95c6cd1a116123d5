#include "TestHooks.h"

#include <atomic>

#include "SoftGDI/TestSupport.h"

namespace softgdi {
namespace {

// Creations left until the armed one; 0 when none is armed.
std::atomic<int> g_countdown{0};

} // namespace

bool CreationFails() {
    int left = g_countdown.load();
    while (left > 0) {
        if (g_countdown.compare_exchange_weak(left, left - 1)) return left == 1;
    }
    return false;
}

} // namespace softgdi

extern "C" void SoftGdiFailCreation(int n) {
    softgdi::g_countdown.store(n > 0 ? n : 0);
}

extern "C" int SoftGdiFailurePending() {
    return softgdi::g_countdown.load() > 0;
}
