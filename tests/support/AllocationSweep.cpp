#include "support/LeakCheck.h"

#if !defined(_WIN32)
#include "SoftGDI/TestSupport.h"
#endif

namespace rztest {

int SweepAllocationFailures(const std::function<void()>& operation,
                            const std::function<void(int failedAt)>& check) {
    for (int n = 1; n < 10000; ++n) {
        const std::int64_t before = KWRootLiveBlockCount();
        KWRootFailAllocation(n);
        operation();
        const bool reached = !KWRootFailurePending();
        KWRootFailAllocation(0);
        if (!reached) {
            // The operation made n - 1 allocations; this run succeeded.
            return n - 1;
        }
        check(n);
        EXPECT_EQ(KWRootLiveBlockCount(), before)
            << "blocks leaked when allocation " << n << " failed";
        if (::testing::Test::HasFailure()) return n;
    }
    ADD_FAILURE() << "allocation sweep did not terminate";
    return -1;
}

int SweepCreationFailures(const std::function<void()>& operation,
                          const std::function<void(int failedAt)>& check) {
#if defined(_WIN32)
    operation();
    (void)check;
    return 0;
#else
    for (int n = 1; n < 1000; ++n) {
        const std::int64_t gdi = SoftGdiLiveGdiObjects(), gdiPlus = SoftGdiLiveGdiPlusObjects();
        SoftGdiFailCreation(n);
        operation();
        const bool reached = !SoftGdiFailurePending();
        SoftGdiFailCreation(0);
        EXPECT_EQ(SoftGdiLiveGdiObjects(), gdi)
            << "GDI objects left when creation " << n << " failed";
        EXPECT_EQ(SoftGdiLiveGdiPlusObjects(), gdiPlus) << "GDI+ objects left at " << n;
        if (!reached) return n - 1;
        check(n);
        if (::testing::Test::HasFailure()) return n;
    }
    ADD_FAILURE() << "creation sweep did not terminate";
    return -1;
#endif
}

} // namespace rztest
