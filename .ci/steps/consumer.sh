#!/usr/bin/env bash
# The library as another project sees it: the native build installed into a
# temporary prefix, its shared libraries checked (versioned names, no run
# path into the build tree), then examples/consumer built and run against
# it twice, through find_package and through pkg-config, and the installed
# rztool run once.
set -euo pipefail
cd "$(dirname "$0")/../.."

[ -f build/default/CMakeCache.txt ] || cmake --preset default
cmake --build build/default -j2

prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install build/default --prefix "$prefix"
libdir=$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' build/default/CMakeCache.txt)

for library in RZ KWRoot SoftGDI; do
    file=$libdir/lib$library.so.0
    readelf -d "$file" | grep -q "SONAME.*\[lib$library.so.0\]" || { echo "$file: no soname lib$library.so.0"; exit 1; }
done
if readelf -d "$libdir"/lib*.so.0 "$prefix/bin/rztool" | grep -E 'R(UN)?PATH' | grep -F "$PWD"; then
    echo "installed files keep a run path into the build tree"
    exit 1
fi

echo "--- find_package(RZ CONFIG)"
cmake -S examples/consumer -B "$work/cmake" -G Ninja -DCMAKE_PREFIX_PATH="$prefix"
cmake --build "$work/cmake"
"$work/cmake/consumer"

echo "--- pkg-config rz"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046 # the flags are separate words
c++ -std=c++20 examples/consumer/main.cpp $(pkg-config --cflags --libs rz) -o "$work/consumer"
LD_LIBRARY_PATH=$libdir "$work/consumer"

"$prefix/bin/rztool" --version
