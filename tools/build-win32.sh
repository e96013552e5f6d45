#!/usr/bin/env bash
# Installs what is missing and builds the Win32 configuration (Release) in
# $PELM_BUILD/win32 (default build/win32): all of it, or the targets given.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/setup.sh"
cmake -S "$top" -B "$build/win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build "$build/win32" -j "$(nproc)" "${targets[@]}"
