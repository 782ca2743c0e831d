#!/usr/bin/env bash
# Sets up the machine and builds the shipped 32-bit installer (build/i686/bin/Setup.exe).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$top/build}
"$top/tools/setup.sh"
cmake -S "$top" -B "$build/i686" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/i686" -j "$(nproc)"
echo "Built into $build/i686/bin"
