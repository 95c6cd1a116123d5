// Test support: every test runs inside a leak check of the root library's
// live blocks, and allocation-failure sweeps fail each allocation in turn.
#pragma once

#include <cstdint>
#include <functional>

#include <gtest/gtest.h>

#include "KWRoot/TestSupport.h"

namespace rztest {

// Runs operation with its 1st, 2nd, 3rd ... allocation failing, until a run
// completes without reaching the armed failure. check(failedAt) is called
// after each failing run and must assert the result; every run, failing or
// not, must leave no live block behind. Returns the number of allocations
// the operation makes.
int SweepAllocationFailures(const std::function<void()>& operation,
                            const std::function<void(int failedAt)>& check);

// The same for our software GDI: operation runs with each creation of a GDI
// or GDI+ object failing in turn, check(failedAt) after each failing run, and
// every run must leave no GDI or GDI+ object behind. Returns the number of
// creations. With the real GDI (Windows) it runs once, unfailed, and gives 0.
int SweepCreationFailures(const std::function<void()>& operation,
                          const std::function<void(int failedAt)>& check);

} // namespace rztest
