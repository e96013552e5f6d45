#!/usr/bin/env bash
# Builds the Win32 product and prints its performance figures as a table:
# start-up, a second instance, idle polling, wheel notifications against an
# empty message round trip, working sets, sizes. Each figure comes from one
# run in Wine's virtual desktop (under qemu emulation on machines without
# 32-bit support), so compare ratios measured together, not absolute times.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/build-win32.sh"
command -v valgrind >/dev/null ||
  { [ "$(id -u)" = 0 ] || sudo=sudo; ${sudo:-} apt-get install -y -q valgrind; }
out=$(PELM_BUILD_DIR="$build/win32" bash "$top/tests/rig/run-wine-test.sh" \
  "$top/tests/win32/bench_figures.sh" 2>&1) || { echo "$out" >&2; exit 1; }
# Instructions per notification of the portable wheel handler (host build,
# callgrind): the difference of two runs, so start-up cancels out.
cmake -S "$top" -B "$build/host-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build/host-bench" -j "$(nproc)" --target bench_wheel_host >/dev/null
instr() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$build/host-bench/bench_wheel_host" "$1" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
i1=$(instr 1000) i2=$(instr 11000)
out+=$'\n'"figure: wheel handler on the host (callgrind, with the recording fakes): $(( (i2 - i1) / 10000 )) instructions per notification"

echo "| figure | value |"
echo "|---|---|"
sed -n 's/^figure: \(.*\)$/\1/p' <<<"$out" | while IFS= read -r line; do
  case $line in
    *": "*) echo "| ${line%%: *} | ${line#*: } |" ;;
    *) echo "| $line | |" ;;
  esac
done
