#!/usr/bin/env bash
# The Windows builds. build/win32 is the shipped 32-bit installer and its tools. Where this
# machine cannot run 32-bit programs under Wine, build/win32 holds only what ships, and the
# Windows tests come from the 64-bit twin in build/win64 (same sources, never shipped).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-width.sh
wine_width_select
wine_width_use
echo "build-windows: $(wine_width_describe)"

JOBS=${JOBS:-2}
SHIPPED=(installer mkinstaller mdbtool)

configure() { # DIR TOOLCHAIN
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$2" >/dev/null
}

configure build/win32 cmake/mingw-i686.cmake
if [ "$WINE_WIDTH" = 32 ]; then
  cmake --build build/win32 -j "$JOBS"
else
  cmake --build build/win32 -j "$JOBS" --target "${SHIPPED[@]}"
  configure build/win64 cmake/mingw-x86_64.cmake
  cmake --build build/win64 -j "$JOBS"
fi
