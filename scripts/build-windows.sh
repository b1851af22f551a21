#!/bin/bash
# Installs what is missing, then cross-builds the Windows programs with
# mingw-w64 into build-windows/ (tonalix.exe, tonalix-render.exe and the test
# programs, each linked statically: no DLL is needed beside it), then writes
# the installer, build-windows/tonalix-<version>-windows-x64-setup.exe, and
# packs the portable ZIP, build-windows/tonalix-<version>-windows-x64.zip.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh" --windows
cmake -S "$root" -B "$root/build-windows" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release
cmake --build "$root/build-windows" -j"$(nproc)"
cmake --build "$root/build-windows" --target installer
(cd "$root/build-windows" && cpack -G ZIP -B "$root/build-windows" >/dev/null)
ls "$root"/build-windows/tonalix-*-windows-x64-setup.exe "$root"/build-windows/tonalix-*-windows-x64.zip
