#!/usr/bin/env bash
# The benchmarks are not run in CI (speed is measured by hand on a quiet
# machine), but they must keep building, in the optimised configuration.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --workflow --preset bench
