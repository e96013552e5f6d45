#!/usr/bin/env bash
# Figures, not pass marks: start to main window, a second instance's run,
# and the poll's mixer reads. Fails only when a figure cannot be taken.
set -euo pipefail
. "$(dirname "$0")/common.inc"
ms() { echo $(( $(date +%s%N) / 1000000 )); }

t0=$(ms)
pid=$(wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
echo "figure: start to main window (tray add follows in the same step) $(( $(ms) - t0 )) ms (includes probe polling)"
t0=$(ms)
second=$(wine_start "$exe")
rc=$(wine_wait_exit "$second" 300) || true
assert_eq 0 "$rc" "second instance exit code"
echo "figure: second instance start to exit $(( $(ms) - t0 )) ms"
out=$(wine "$(winepath -w "$PELM_BUILD_DIR/bench/bench_mixer.exe")" </dev/null 2>/dev/null | tr -d '\r')
assert_contains "$out" "pair: median" "mixer figure taken"
echo "figure: $out"
probe post "$hwnd" 0x10 0 0 >/dev/null
wine_wait_exit "$pid" 300 >/dev/null || true
echo "$PELM_PASSED passed, 0 failed"
