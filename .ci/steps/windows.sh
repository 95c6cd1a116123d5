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

# Wine's server lingers a few seconds after the last program; let it finish
# before the next step.
wineserver=$(dpkg -L wine64 | grep -m1 '/wineserver64$' || true)
if [ -n "$wineserver" ]; then
    WINEPREFIX="$PWD/build/windows/wineprefix" "$wineserver" -w || true
fi
