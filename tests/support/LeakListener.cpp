// Checks every test for leaked root-library blocks.
#include <cstdint>

#include <gtest/gtest.h>

#include "support/LeakCheck.h"
#include "support/TestRunner.h"

namespace {

class LeakListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        KWRootFailAllocation(0);
        start_ = KWRootLiveBlockCount();
    }
    void OnTestEnd(const ::testing::TestInfo& info) override {
        const std::int64_t leaked = KWRootLiveBlockCount() - start_;
        if (leaked != 0)
            ADD_FAILURE() << info.name() << " left " << leaked << " root-library blocks allocated";
    }
    std::int64_t start_ = 0;
};

} // namespace

namespace rztest {

int RunAllTests(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new LeakListener);
    return RUN_ALL_TESTS();
}

} // namespace rztest
