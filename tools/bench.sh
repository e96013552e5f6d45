#!/usr/bin/env bash
# Builds the Win32 product and prints its performance figures as tables:
# each job of the program beside its floor (the least program that makes
# the calls the job needs), as medians over rounds taken in turn in one rig,
# with the ratio and a verdict at 1.25 x the floor; then its resources after
# start, after 10,000 wheel notifications and after 100 openings of its
# menu and boxes; then the wheel handler's instructions on the host. The
# rig says which Wine mode ran: under emulation there are no verdicts.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/build-win32.sh"
command -v valgrind >/dev/null ||
  { echo "bench: valgrind is missing; tools/setup.sh installs it" >&2; exit 1; }
# The scenario takes 10 to 15 minutes under emulation.
out=$(PELM_TEST_TIMEOUT=${PELM_TEST_TIMEOUT:-3600} PELM_BUILD_DIR="$build/win32" \
  PELM_BENCH_ROUNDS=${PELM_BENCH_ROUNDS:-3} PELM_BENCH_NOTIFICATIONS=${PELM_BENCH_NOTIFICATIONS:-10000} \
  PELM_BENCH_OPENINGS=${PELM_BENCH_OPENINGS:-100} PELM_BENCH_IDLE_SECONDS=${PELM_BENCH_IDLE_SECONDS:-30} \
  bash "$top/tests/rig/run-wine-test.sh" "$top/bench/figures.sh" 2>&1) ||
  { echo "$out" >&2; exit 1; }
# Instructions per notification of the portable wheel handler (host build,
# callgrind): the difference of two runs, so start-up cancels out.
cmake -S "$top" -B "$build/host-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/host-bench" -j "$(nproc)" --target bench_wheel_host >/dev/null
instr() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/host-bench/bench_wheel_host" "$1" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
i1=$(instr 1000) i2=$(instr 11000)

sed -n 's/^table: \{0,1\}//p' <<<"$out"
echo
sed -n 's/^note: /- /p' <<<"$out"
echo "- wheel handler on the host (callgrind, with the recording fakes): $(( (i2 - i1) / 10000 )) instructions per notification"
