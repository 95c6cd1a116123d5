#!/bin/sh
# prepare-seeds.sh CORPUS_DIR SEED_DIR
# Writes every BMP file below CORPUS_DIR to SEED_DIR as a packed DIB: the
# file without its 14-byte BITMAPFILEHEADER, named <subdir>-<name>.dib.
# A missing corpus leaves SEED_DIR empty (the fuzzer then starts from
# nothing) and says so.
set -eu
corpus=$1
seeds=$2
mkdir -p "$seeds"
if [ ! -d "$corpus" ]; then
    echo "prepare-seeds: no BMP corpus at $corpus; seeds left empty" >&2
    exit 0
fi
count=0
for file in "$corpus"/*/*.bmp "$corpus"/*.bmp; do
    [ -f "$file" ] || continue
    [ "$(wc -c <"$file")" -gt 14 ] || continue
    subdir=$(basename "$(dirname "$file")")
    tail -c +15 "$file" >"$seeds/$subdir-$(basename "$file" .bmp).dib"
    count=$((count + 1))
done
echo "prepare-seeds: $count DIBs in $seeds"
