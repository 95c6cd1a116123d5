#!/usr/bin/env bash
# CI: the thread stress test built with clang's ThreadSanitizer (the library,
# the root library and our GDI instrumented alike): threads on separate maps
# and concurrent conversions, stopping at the first report.
set -euo pipefail
cd "$(dirname "$0")/../.."

cmake --preset tsan
cmake --build --preset tsan
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build/tsan/bin/rz_thread_stress_test
