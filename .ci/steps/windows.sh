#!/usr/bin/env bash
# The Windows flavour: cross-builds RZ.dll, KWRoot.dll and the test suite with
# mingw-w64 against the real windows.h and GDI+, then runs the suite under
# Wine in a throw-away prefix inside the build tree. Installs the cross
# compiler and Wine when missing.
set -euo pipefail
cd "$(dirname "$0")/../.."

packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine64 googletest)
missing=()
for package in "${packages[@]}"; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if ((${#missing[@]})); then
    echo "installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

cmake --workflow --preset windows

# The installed tree: the DLLs and rztool.exe, the import libraries, the
# headers and the same package files as the native one. The consumer
# example is cross-built against it through find_package and run under Wine.
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install build/windows --prefix "$prefix"
for file in bin/RZ.dll bin/KWRoot.dll bin/rztool.exe lib/RZ.dll.a lib/KWRoot.dll.a \
            include/RZ/KWPixMap lib/cmake/RZ/RZConfig.cmake lib/pkgconfig/rz.pc; do
    [ -e "$prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
cmake -S examples/consumer -B "$work" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" -DRZ_DIR="$prefix/lib/cmake/RZ"
cmake --build "$work"
cp "$prefix"/bin/*.dll "$work"/
wine=$(sed -n 's/^RZ_WINE:FILEPATH=//p' build/windows/CMakeCache.txt)
if [ -n "$wine" ]; then
    env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all \
        "$wine" "$work/consumer.exe"
fi

# Wine's server lingers a few seconds after the last program; let it finish
# before the next step.
wineserver=$(dpkg -L wine64 | grep -m1 '/wineserver64$' || true)
if [ -n "$wineserver" ]; then
    WINEPREFIX="$PWD/build/windows/wineprefix" "$wineserver" -w || true
fi
