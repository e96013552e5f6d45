#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# the host unit tests, then the Win32 product and its tests under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/setup.sh"

jobs=$(nproc)
cmake -S "$top" -B "$build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/host" -j "$jobs"
ctest --test-dir "$build/host" --output-on-failure

cmake -S "$top" -B "$build/win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"
ctest --test-dir "$build/win32" --output-on-failure
