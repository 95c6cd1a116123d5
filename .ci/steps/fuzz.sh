#!/usr/bin/env bash
# CI: builds the fuzzers with clang (coverage, AddressSanitizer,
# UndefinedBehaviorSanitizer) and their seeds, then runs each for a bounded
# time: the DIB import from the BMP corpus, the colour conversion and the
# pixel-map sequences from their committed seeds. Any crash, leak, timeout,
# sanitizer report or broken promise fails the step; the offending input is
# left in build/fuzz/. The final statistics say how many inputs ran.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${RZ_FUZZ_SECONDS:-60}

cmake --preset fuzz
cmake --build --preset fuzz

# New inputs go to scratch directories, so the seeds stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fuzz() {
    local name=$1
    shift
    mkdir -p "$work/$name"
    echo "fuzzing with $name for ${seconds}s"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "build/fuzz/bin/$name" -max_total_time="$seconds" -seed=1 -timeout=10 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix=build/fuzz/ "$work/$name" "$@"
}
fuzz rz_dib_import_fuzzer build/fuzz/fuzz-seeds/dib
fuzz rz_convert_bitmap_fuzzer fuzz/seeds/convert
fuzz rz_pixmap_sequence_fuzzer fuzz/seeds/sequence
