#!/usr/bin/env bash
# RZ beside its peers, Pillow and libvips, on one photograph-like 4096 x 4096
# picture: the same jobs in the same run, one table of medians, and our time
# as a ratio of the best peer's (below 1: we are faster).
#
#   bench/peers.sh [BUILD_DIR]      BUILD_DIR defaults to build/bench
#
# Our figures come from the Google Benchmark programs of the bench preset
# (cmake --workflow --preset bench); Pillow runs in one Python process on
# the file's bytes in memory; libvips runs its command line on one thread,
# each job less the time of a plain copy command (start-up, reading and
# writing the files). Every figure is wall-clock time, so run it on a quiet
# machine. A missing peer is reported and left out. REPS (default 5) sets the
# repetitions; PYTHON (default /usr/bin/python3) the interpreter with Pillow.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/bench}
bin=$build/bin
reps=${REPS:-5}
python=${PYTHON:-/usr/bin/python3}

for program in write_photo dib_bench color_bench render_bench; do
    if [ ! -x "$bin/$program" ]; then
        echo "peers.sh: $bin/$program is missing; build it with: cmake --workflow --preset bench" >&2
        exit 1
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/rz-peers.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$bin/write_photo" "$work/photo.bmp"

# job, label, our program and benchmark; the peers' jobs are named alike.
jobs=(
    "decode|decode a 24-bit BMP|dib_bench|Import/24bit"
    "q256d|256 colours, diffused|color_bench|BM_Convert8PopularityDithered"
    "q256|256 colours|color_bench|BM_Convert8Popularity"
    "q16d|16 colours, diffused|color_bench|BM_Convert4Dithered"
    "q16|16 colours|color_bench|BM_Convert4"
    "q2d|2 colours, diffused|color_bench|BM_Convert1Dithered"
    "q2|2 colours|color_bench|BM_Convert1"
    "shrink|bicubic shrink to 2731|render_bench|Stretch/size:2731/useAlpha:0/real_time"
    "enlarge|bicubic enlargement to 6144|render_bench|Stretch/size:6144/useAlpha:0/real_time"
    "rotate|rotation by 30 degrees|render_bench|Rotate30/real_time"
)
declare -A ours pillow vips
missing=()

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

# Ours: one run per program, the median of the repetitions in milliseconds.
for program in dib_bench color_bench render_bench; do
    filter=""
    for job in "${jobs[@]}"; do
        IFS='|' read -r id _ prog name <<<"$job"
        [ "$prog" = "$program" ] && filter+="${filter:+|}^${name}\$"
    done
    while IFS=, read -r name _ real _ unit _; do
        name=${name//\"/}
        case $unit in ns) scale=1e-6 ;; us) scale=1e-3 ;; ms) scale=1 ;; *) scale=1e3 ;; esac
        for job in "${jobs[@]}"; do
            IFS='|' read -r id _ prog bench <<<"$job"
            [ "$prog" = "$program" ] && [ "$name" = "${bench}_median" ] &&
                ours[$id]=$(awk -v t="$real" -v s="$scale" 'BEGIN { printf "%.1f", t * s }')
        done
    done < <("$bin/$program" --benchmark_filter="$filter" --benchmark_repetitions="$reps" \
        --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null)
done

# Pillow: the same picture, decoded from its bytes, and the same jobs.
if [ -x "$python" ] || python=$(command -v python3); then :; fi
if "$python" -c 'import PIL' 2>/dev/null; then
    while read -r id ms; do pillow[$id]=$ms; done < <("$python" - "$work/photo.bmp" "$reps" <<'EOF'
import io, statistics, sys, time
from PIL import Image

path, reps = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
picture = Image.open(io.BytesIO(data))
picture.load()
# Our 16-colour palette (any order does), padded to a full palette.
levels = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
          (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
          (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
sixteen = Image.new("P", (1, 1))
sixteen.putpalette([v for colour in levels for v in colour] + [0] * (768 - 48))
fs, none = Image.Dither.FLOYDSTEINBERG, Image.Dither.NONE
side = picture.size[0]
jobs = {
    "decode": lambda: Image.open(io.BytesIO(data)).load(),
    "q256d": lambda: picture.quantize(256, dither=fs),
    "q256": lambda: picture.quantize(256, dither=none),
    "q16d": lambda: picture.quantize(palette=sixteen, dither=fs),
    "q16": lambda: picture.quantize(palette=sixteen, dither=none),
    "q2d": lambda: picture.convert("1"),
    "q2": lambda: picture.convert("1", dither=none),
    "shrink": lambda: picture.resize((2731, 2731), Image.Resampling.BICUBIC),
    "enlarge": lambda: picture.resize((6144, 6144), Image.Resampling.BICUBIC),
    "rotate": lambda: picture.rotate(30, Image.Resampling.BICUBIC, expand=True),
}
for name, job in jobs.items():
    times = []
    for _ in range(reps):
        start = time.perf_counter()
        job()
        times.append(time.perf_counter() - start)
    print(name, "%.1f" % (1000 * statistics.median(times)), flush=True)
EOF
    )
else
    missing+=("Pillow (no PIL module for $python; on Debian: apt-get install python3-pil)")
fi

# libvips: whole commands on one thread, less a plain copy of the same picture.
median_ms() { # command... : the median wall time of REPS runs, in ms
    local times=() start
    for ((i = 0; i < reps; i++)); do
        start=$(date +%s%N)
        "$@" >/dev/null 2>&1
        times+=($(($(date +%s%N) - start)))
    done
    printf '%s\n' "${times[@]}" | sort -n | awk '{ t[NR] = $1 } END { printf "%.1f", t[int((NR + 1) / 2)] / 1e6 }'
}
if command -v vips >/dev/null && VIPS_CONCURRENCY=1 vips copy "$work/photo.bmp" "$work/photo.v" 2>/dev/null; then
    export VIPS_CONCURRENCY=1
    base=$(median_ms vips copy "$work/photo.v" "$work/out.v")
    less_base() { awk -v t="$1" -v b="$base" 'BEGIN { printf "%.1f", t - b }'; }
    vips[decode]=$(less_base "$(median_ms vips copy "$work/photo.bmp" "$work/out.v")")
    vips[shrink]=$(less_base "$(median_ms vips resize "$work/photo.v" "$work/out.v" 0.666748046875 --kernel cubic)")
    vips[enlarge]=$(less_base "$(median_ms vips resize "$work/photo.v" "$work/out.v" 1.5 --kernel cubic)")
    vips[rotate]=$(less_base "$(median_ms vips rotate "$work/photo.v" "$work/out.v" 30 --interpolate bicubic)")
    echo "libvips: a plain copy command takes $base ms, taken off its figures; it has no colour reduction of its own"
else
    missing+=("libvips (no vips command that reads BMP; on Debian: apt-get install libvips-tools)")
fi

echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
for peer in "${missing[@]}"; do echo "missing: $peer"; done
echo
echo "Medians of $reps, milliseconds, one thread:"
echo
printf '| %-28s | %9s | %9s | %9s | %13s |\n' job RZ Pillow libvips "RZ / best peer"
printf '|%s|%s:|%s:|%s:|%s:|\n' ------------------------------ ---------- ---------- ---------- --------------
for job in "${jobs[@]}"; do
    IFS='|' read -r id label _ _ <<<"$job"
    best=$(printf '%s\n' "${pillow[$id]:-}" "${vips[$id]:-}" | awk 'NF && (b == "" || $1 < b) { b = $1 } END { print b }')
    ratio=-
    [ -n "$best" ] && [ -n "${ours[$id]:-}" ] && ratio=$(awk -v o="${ours[$id]}" -v b="$best" 'BEGIN { printf "%.2f", (b > 0 ? o / b : 0) }')
    printf '| %-28s | %9s | %9s | %9s | %13s |\n' "$label" "${ours[$id]:--}" "${pillow[$id]:--}" "${vips[$id]:--}" "$ratio"
done
