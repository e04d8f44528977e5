#!/usr/bin/env bash
# Builds the Windows zip on Debian: Qt cross-built for mingw-w64 (cached, scripts/windows-qt.sh),
# keyglance.exe against it, and build-windows/keyglance-windows-x64.zip holding everything a
# Windows user needs to unpack it anywhere and run it; and the per-user installer
# build-windows/keyglance-setup-x64.exe holding the same.
# Usage: build-windows.sh [extra CMake options, e.g. -DKEYGLANCE_DATA_HOST=example.org]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KEYGLANCE_WINDOWS_BUILD:-$root/build-windows}

qt=$("$root/scripts/windows-qt.sh" | tail -n1)
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
    -DKEYGLANCE_WERROR=ON "$@"
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/keyglance-windows-x64.zip
(cd "$build" && cpack -G ZIP)
echo "Windows zip: $build/keyglance-windows-x64.zip"

# The installer holds what the zip holds.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
rm -rf "$build/installer-files"
unzip -q "$build/keyglance-windows-x64.zip" -d "$build/installer-files"
makensis -V2 -DVERSION="$version" -DSOURCE="$build/installer-files/keyglance-$version" \
    -DICON="$root/resources/keyglance.ico" -DOUTFILE="$build/keyglance-setup-x64.exe" \
    "$root/packaging/keyglance.nsi"
echo "Windows installer: $build/keyglance-setup-x64.exe"
