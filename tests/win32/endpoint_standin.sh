#!/usr/bin/env bash
# The program's endpoint path end to end, over a stand-in for the audio
# endpoint library (mmdevapi_standin.cpp; Wine's own refuses volume writes),
# registered for the test as the enumerator's server and loaded in place of
# Wine's by a DLL override for these processes only. The
# program starts before any playback device exists, takes the device up
# within a tick or two of its coming with the device's own level, steps its
# level and mute with real wheel notches exactly as the tooltip says, follows
# a switch of the default device, and makes no endpoint call while idle
# beyond the poll's two reads.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
cp "$PELM_BUILD_DIR/tests/win32/mmdevapi.dll" "$PELM_BUILD_DIR/tests/win32/endpoint_ctl.exe" \
  "$PELM_BUILD_DIR/tests/win32/endpoint_test.exe" "$app/"
printf '[Pelmora]\r\nm_bCtrlKeyMute=1\r\n' >"$app/pelmora.ini"
# The enumerator's server is registered by full path into the system folder,
# where only Wine's placeholder lies: in this rig's own prefix it is pointed
# at the stand-in, in the registry view of 32-bit programs. Processes
# without the override load Wine's own library either way.
server='HKLM\Software\Classes\CLSID\{BCDE0395-E52F-467C-8E3D-C4579291692E}\InprocServer32'
wine reg add "$server" /ve /d "$(winepath -w "$app/mmdevapi.dll")" /reg:32 /f >/dev/null 2>&1 ||
  fail "cannot register the stand-in"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mmdevapi=n"
ctl_exe=$(winepath -w "$app/endpoint_ctl.exe")
ctl() { wine "$ctl_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# field NAME [STATE]: one number of the stand-in's state line.
field() { local s=${2:-$(ctl)}; sed -n "s/.* $1 \(-\?[0-9]*\).*/\1/p" <<<" $s"; }
stand_is() { [ "$(field "$1")" = "$2" ] || { echo "stand-in $1 is $(field "$1"), not $2" >&2; return 1; }; }

# --- the stand-in is the one loaded --------------------------------------
ctl reset present=1 level0=0.4 level1=0.8 >/dev/null
out=$(wine "$(winepath -w "$app/endpoint_test.exe")" </dev/null 2>/dev/null | tr -d '\r')
echo "$out" | sed 's/^/  /'
assert_contains "$out" "endpoint read: volume 40% muted 0" "the stand-in's level reads"
assert_contains "$out" "endpoint write of its own value: taken" "the stand-in takes writes"
assert_contains "$out" "chosen: endpoint" "with a working endpoint the program would drive it"

# --- no playback device at the start --------------------------------------
s=$(ctl reset level0=0.4 level1=0.8)
assert_eq 0 "$(field present "$s")" "no device before the start"
pid=$(wine_start "$exe")
# Without a device Wine's waveform mixer has none either: the start-up box.
assert_eq "ミキサーデバイスが取得できませんでした。" "$(probe msgbox "Pelmora エラー" 300000 --dismiss)" \
  "the start-up box of a machine without a device"
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
# The fallback looks for the endpoint on the poll.
g0=$(field get_default)
looked_again() { [ "$(field get_default)" -gt "$((g0 + 2))" ]; }
wait_for 120 looked_again >/dev/null ||
  fail "the program does not look for the endpoint again"
pass "while there is no device the poll looks again ($(field get_default) lookups)"
assert_eq 0 "$(field set_level)" "no write to an absent device"

# --- the device comes ------------------------------------------------------
ctl present=1 >/dev/null
v=$(wait_for 120 percent) || fail "the device's level never showed"
assert_eq 40 "$v" "the level shown once the device came is the device's"
s=$(ctl)
assert_eq 40 "$(field level0 "$s")" "the device keeps its own level"
assert_eq 1 "$(field set_level "$s")" "writes on taking the device (its own level, once)"
pass "a device that comes after the start is taken with its own level"

# --- notches move the device as the tooltip says ---------------------------
for dir in down down up; do
  [ "$dir" = down ] && v=$(down_from "$v") || v=$(up_from "$v")
  notch 500 767 "$dir"
  wait_for 60 is percent "$v" >/dev/null || fail "a notch $dir did not show $v%"
  wait_for 30 stand_is level0 "$v" >/dev/null || fail "the tooltip says $v% but the device is at $(field level0)%"
done
pass "notches step the device's level exactly as the tooltip shows ($v%)"
notch 500 767 down ctrl tray_shows muted
wait_for 60 tray_shows muted >/dev/null || fail "no muted picture after Ctrl+notch"
wait_for 30 stand_is mute0 1 >/dev/null || fail "the device was not muted"
assert_eq "$v" "$(percent)" "the level kept while muted"
notch 500 767 up ctrl tray_shows level
wait_for 60 tray_shows level >/dev/null || fail "no level picture after the second Ctrl+notch"
wait_for 30 stand_is mute0 0 >/dev/null || fail "the device was not unmuted"
pass "Ctrl+notch mutes and unmutes the device"

# --- idle: the poll's two reads and nothing else ----------------------------
xdotool mousemove 300 300
a=$(ctl)
sleep 6 # the span measured; nothing is decided by its length
b=$(ctl)
d() { echo $(($(field "$1" "$b") - $(field "$1" "$a"))); }
echo "  idle span: get_default $(d get_default) get_level $(d get_level) get_mute $(d get_mute) other $(d other)"
[ "$(d get_level)" -gt 0 ] || fail "the poll did not read the device while idle"
for k in create activate set_level set_mute; do assert_eq 0 "$(d "$k")" "idle $k calls"; done
[ "$(( $(d get_mute) - $(d get_level) ))" -ge -1 ] && [ "$(( $(d get_mute) - $(d get_level) ))" -le 1 ] ||
  fail "idle reads: $(d get_level) level, $(d get_mute) mute"
# Each read asks for the default device (to follow a switch) and its id.
[ "$(d get_default)" -le $(( 2 * $(d get_level) + 2 )) ] || fail "idle lookups: $(d get_default)"
[ "$(d other)" -le $(( 2 * $(d get_level) + 2 )) ] || fail "idle other calls: $(d other)"
pass "idle: only the poll's reads, each with its default-device question"

# --- the default device switches ---------------------------------------------
ctl default=1 >/dev/null
wait_for 120 is percent 80 >/dev/null || fail "the switch to the second device was not followed"
notch 500 767 down
wait_for 60 is percent 75 >/dev/null || fail "a notch after the switch did not show 75%"
wait_for 30 stand_is level1 75 >/dev/null || fail "the notch did not reach the new default device"
assert_eq "$v" "$(field level0)" "the former default device kept its level"
ctl default=0 >/dev/null
wait_for 120 is percent "$v" >/dev/null || fail "the switch back was not followed"
pass "a switch of the default device is followed, both ways"

stop_program "exit code"
finish
