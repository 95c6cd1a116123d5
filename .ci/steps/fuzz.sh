#!/usr/bin/env bash
# CI: builds the DIB import fuzzer with clang (coverage, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs it for a fixed number of inputs from
# the BMP corpus seeds. Any crash, leak, sanitizer report or broken
# invariant fails the step; the offending input is left in build/fuzz/.
# A time cap keeps the step bounded on a machine that runs it far slower
# than usual; the final statistics say how many inputs ran.
set -euo pipefail
cd "$(dirname "$0")/../.."

runs=${RZ_FUZZ_RUNS:-200000}
seconds=${RZ_FUZZ_SECONDS:-300}

cmake --preset fuzz
cmake --build --preset fuzz --target rz_dib_import_fuzzer rz_fuzz_seeds

# New inputs go to a scratch directory, so the seeds stay as prepared.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
echo "fuzzing RZDIB2KWPixMap and RZGetDIBInfo for $runs inputs (at most ${seconds}s)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    build/fuzz/bin/rz_dib_import_fuzzer -runs="$runs" -max_total_time="$seconds" -seed=1 -timeout=10 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix=build/fuzz/ "$work" build/fuzz/fuzz-seeds/dib
