#!/usr/bin/env bash
# The master volume's provider in Wine: with the default Windows version the
# default playback endpoint is tried, reads, refuses the write (Wine answers
# E_NOTIMPL) and the waveform mixer is used, and the wheel still steps the
# level; with Windows XP reported the waveform mixer is taken directly and
# the endpoint is never touched.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
cp "$PELM_BUILD_DIR/tests/win32/endpoint_test.exe" "$app/"
probe_exe=$(winepath -w "$app/endpoint_test.exe")
keys=('HKCU\Software\Wine\AppDefaults\endpoint_test.exe' 'HKCU\Software\Wine\AppDefaults\pelmora.exe')
providers() { wine "$probe_exe" </dev/null 2>/dev/null | tr -d '\r'; }
# Wine traces the endpoint volume interface's calls; only the endpoint
# provider uses that interface.
endpoint_calls() { wine_errors "$1" | grep -c 'mmdevapi:AEV_' || true; }

out=$(providers)
echo "$out" | sed 's/^/  /'
assert_match "$out" 'version: platform 2 major ([6-9]|1[0-9])' "Wine reports an NT 6 or later version by default"
assert_contains "$out" "endpoint read: volume 100% muted 0" "the endpoint's reads work"
assert_contains "$out" "endpoint write of its own value: refused" "Wine refuses the endpoint write"
assert_contains "$out" "chosen: waveform mixer" "the program falls back to the waveform mixer"

pid=$(WINEDEBUG=trace+mmdevapi wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
xdotool mousemove 500 767 sleep 0.3 click 5
v1=$(wait_for 30 percent) || fail "no level after a notch"
[ -n "$v1" ] || fail "no level after a notch"
if [ "$v1" -le 20 ]; then step=1; elif [ "$v1" -le 30 ]; then step=2; else step=5; fi
xdotool mousemove 500 767 sleep 0.3 click 5
wait_for 30 is percent $((v1 - step)) >/dev/null || fail "the second notch did not step from $v1 by $step"
pass "with the fallback the wheel steps the level ($v1% -> $((v1 - step))%)"
[ "$(endpoint_calls "$pid")" -gt 0 ] || fail "the program never tried the endpoint"
pass "the program tried the endpoint first ($(endpoint_calls "$pid") traced calls)"
stop_program "exit code"

for k in "${keys[@]}"; do wine reg add "$k" /v Version /d winxp /f >/dev/null 2>&1; done
out=$(providers)
echo "$out" | sed 's/^/  /'
assert_contains "$out" "version: platform 2 major 5" "the Windows XP setting"
assert_contains "$out" "chosen: waveform mixer" "Windows XP takes the waveform mixer"
pid=$(WINEDEBUG=trace+mmdevapi wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
xdotool mousemove 500 767 sleep 0.3 click 5
wait_for 30 percent >/dev/null || fail "no level after a notch with Windows XP"
assert_eq 0 "$(endpoint_calls "$pid")" "endpoint calls with Windows XP"
stop_program "exit code with Windows XP"
finish
