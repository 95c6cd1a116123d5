#include "support/LeakCheck.h"

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
        EXPECT_EQ(KWRootLiveBlockCount(), before) << "blocks leaked when allocation " << n << " failed";
        if (::testing::Test::HasFailure()) return n;
    }
    ADD_FAILURE() << "allocation sweep did not terminate";
    return -1;
}

} // namespace rztest
