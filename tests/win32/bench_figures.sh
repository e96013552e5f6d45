#!/usr/bin/env bash
# Figures, not pass marks: start to main window, a second instance's run,
# the poll's mixer reads, and a minute of idle polling (CPU time, shell
# calls). Fails only when a figure cannot be taken.
set -euo pipefail
. "$(dirname "$0")/common.inc"
ms() { echo $(( $(date +%s%N) / 1000000 )); }

t0=$(ms)
# Wine's trace of Shell_NotifyIcon calls counts the shell calls.
pid=$(WINEDEBUG=trace+systray wine_start "$exe")
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

# The Linux process that runs pelmora.exe (under qemu, the same pid as the
# launcher once it has exec'd, else its child).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
runner=$pid
grep -q 'pelmora\.exe' "/proc/$runner/cmdline" 2>/dev/null ||
  runner=$(pgrep -f 'pelmora\.exe' | head -1)
[ -n "$runner" ] || fail "no Linux process runs pelmora.exe"
sleep 5 # let the start-up settle
calls() { wine_errors "$pid" | grep -c 'Shell_NotifyIconW' || true; }
calls0=$(calls) ticks0=$(cpu_ticks "$runner") t0=$(ms)
[ "$calls0" -ge 1 ] || fail "Wine traced no Shell_NotifyIconW call (not even the icon's add)"
sleep 60
calls1=$(calls) ticks1=$(cpu_ticks "$runner") t1=$(ms)
hz=$(getconf CLK_TCK)
awk -v c=$((ticks1 - ticks0)) -v hz="$hz" -v w=$((t1 - t0)) 'BEGIN {
  printf "figure: idle polling: %.2f s CPU in %.1f s wall = %.3f %% of one core (under qemu emulation)\n",
    c / hz, w / 1000, 100 * c / hz / (w / 1000) }'
echo "figure: idle polling: $((calls1 - calls0)) shell calls in 60 s"
assert_eq 0 "$((calls1 - calls0))" "no shell calls while nothing changes"

# Wheel notifications: the handler's time is a WM_HOOKWHEEL round trip less
# an empty one (WM_NULL) to the same window, with the pointer over the
# taskbar so that every notification steps (down, up, ...) and writes.
mem() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
rss0=$(mem "$runner" VmRSS) hwm0=$(mem "$runner" VmHWM)
xdotool mousemove 500 767
empty=$(probe time-send "$hwnd" 0 0 0 10000)
# 2,000, not more: under emulation each takes some 20 ms (the taskbar query
# and the tooltip update are calls into explorer's process).
wheel=$(PELM_PROBE_TIMEOUT=600 probe time-send "$hwnd" 0x8065 0xFF880000 0x00780000 2000)
echo "figure: empty message round trip: $empty"
echo "figure: WM_HOOKWHEEL round trip (handler with mixer reads and write): $wheel"
med() { sed 's/^median \([0-9.]*\) us.*/\1/' <<<"$1"; }
awk -v e="$(med "$empty")" -v w="$(med "$wheel")" 'BEGIN {
  printf "figure: wheel notification: %.1f x an empty round trip (handler about %.0f us)\n", w / e, w - e }'
echo "figure: working set (VmRSS of the emulated process): after start ${rss0} KiB (peak ${hwm0} KiB), after 2,000 notifications $(mem "$runner" VmRSS) KiB (peak $(mem "$runner" VmHWM) KiB)"

# The baseline: a program with one window and nothing else, the same way.
cp "$PELM_BUILD_DIR/tests/win32/ident_test.exe" "$app/"
base=$(wine_start "$(winepath -w "$app/ident_test.exe")" --window pelm-baseline)
wait_for 120 probe find PelmIdentTest pelm-baseline >/dev/null || fail "no baseline window"
base_runner=$base
grep -q 'ident_test\.exe' "/proc/$base_runner/cmdline" 2>/dev/null ||
  base_runner=$(pgrep -f 'ident_test\.exe' | head -1)
echo "figure: working set of an empty Win32 program with a window: $(mem "$base_runner" VmRSS) KiB (peak $(mem "$base_runner" VmHWM) KiB)"
kill_pid "$base"
echo "figure: sizes: pelmora.exe $(stat -c %s "$PELM_BUILD_DIR/pelmora.exe") bytes, hookdll.dll $(stat -c %s "$PELM_BUILD_DIR/hookdll/hookdll.dll") bytes"

probe post "$hwnd" 0x10 0 0 >/dev/null
rc=$(wine_wait_exit "$pid" 300) || true
assert_eq 0 "$rc" "the exit code after WM_CLOSE"
finish
