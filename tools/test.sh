#!/usr/bin/env bash
# Installs what is missing, builds both configurations and runs every test:
# the host unit tests (plain and under the sanitizers), a fuzz pass, then the
# Win32 product and its tests under Wine.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/setup.sh"

jobs=$(nproc)
cmake -S "$top" -B "$build/host" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/host" -j "$jobs"
ctest --test-dir "$build/host" --output-on-failure

# The same host tests under AddressSanitizer and UndefinedBehaviorSanitizer:
# a use after free or an overflow fails the run even where it happens not
# to crash.
san="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all"
cmake -S "$top" -B "$build/host-asan" -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_CXX_FLAGS="$san" -DCMAKE_EXE_LINKER_FLAGS="$san" >/dev/null
cmake --build "$build/host-asan" -j "$jobs" --target host_tests
ASAN_OPTIONS=detect_leaks=1 "$build/host-asan/host_tests" --gtest_brief=1

# A bounded fuzz pass over the settings parsers, from the committed seeds.
(mkdir -p "$build/fuzz" && cd "$build/fuzz" && bash "$top/tests/fuzz/run.sh" "${PELM_FUZZ_SECONDS:-60}")

cmake -S "$top" -B "$build/win32" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build/win32" -j "$jobs"
# Each scenario has a rig of its own and spends most of its time waiting for
# the program, so three run side by side; under emulation every one keeps a
# core busy, so one at a time (PELM_WINE_JOBS says otherwise).
wine_jobs=${PELM_WINE_JOBS:-3}
if [ -z "${PELM_WINE_JOBS:-}" ] && [ "$(bash "$top/tests/rig/roots.sh" mode 2>/dev/null)" = emulated ]; then
  wine_jobs=1
fi
ctest --test-dir "$build/win32" -j "$wine_jobs" --output-on-failure

# Where no Wine mode can run every scenario skips itself, and the run above
# is green without having run one: that is no pass unless it was asked for.
if [ "${PELM_WINE_TESTS:-1}" = 0 ]; then
  echo "test: passed; the Wine scenarios were left out (PELM_WINE_TESTS=0)"
elif mode=$(bash "$top/tests/rig/roots.sh" mode 2>"$build/wine-mode.err"); then
  echo "test: passed; the Wine scenarios ran in the $mode mode"
else
  echo "test: FAILED: no Wine scenario ran: $(cat "$build/wine-mode.err"); PELM_WINE_TESTS=0 asks for a run without them" >&2
  exit 1
fi
