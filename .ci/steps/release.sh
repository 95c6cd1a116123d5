#!/usr/bin/env bash
# The optimised (Release, -O3) configuration: the benchmarks must keep
# building, and the whole suite must build without warnings and pass there
# too. The benchmarks themselves are not run in CI: speed is measured by hand
# on a quiet machine.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --workflow --preset bench
