#!/usr/bin/env bash
# The mouse wheel as the user turns it (xdotool, through the hook library):
# over the taskbar and over a registered program it steps the volume, and the
# tooltip and the icon's gauge follow; over other windows only Label1 shows
# the notch; Ctrl or the middle button with the wheel mutes and unmutes,
# unless the settings file turns that off; while muted the plain wheel
# changes nothing.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
ini="$app/pelmora.ini"
printf '[Pelmora]\r\nStoredProgram=Notepad.EXE\r\nm_bCtrlKeyMute=1\r\n' >"$ini"

start_heard() { start_program; hook_ready; }

start_heard
wine_start notepad >/dev/null
pad=$(wait_for 120 probe find Notepad -) || fail "notepad never showed"
read_rect l t r b rect "$pad"
pad_x=$(((l + r) / 2)) pad_y=$(((t + b) / 2))
other_window "$(_pelm_find_probe)" pelm-other >/dev/null
wait_for 120 probe find PelmIdentTest pelm-other >/dev/null || fail "no unregistered window"
other_x=150 other_y=100 # its child button, at the top left, over everything

# --- the taskbar (Wine reports it as the bottom row) -----------------------
# The tooltip has no percentage until the first change: the first notch
# gives the known level the rest starts from.
assert_eq "Pelmora 1.4" "$(tip)" "the tooltip before any change"
notch 500 767 down
v=$(wait_for 30 percent) || fail "no percentage after the first notch"
[ -n "$v" ] || fail "no percentage after the first notch"
for _ in 1 2; do
  v=$(down_from "$v")
  notch 500 767 down
  wait_for 30 is percent "$v" >/dev/null || fail "a notch down over the taskbar did not reach $v%"
done
assert_eq "-120" "$(label)" "Label1 after a notch down"
pass "notches down over the taskbar: the tooltip follows the step table to $v%"
wait_for 30 tray_shows level "$v" >/dev/null || fail "the icon does not show the picture for $v%"
pass "the icon shows the picture for $v%"
v=$(up_from "$v")
notch 500 767 up
wait_for 30 is percent "$v" >/dev/null || fail "a notch up did not reach $v%"
assert_eq "120" "$(label)" "Label1 after a notch up"

# --- a registered program's window, and an unregistered one ----------------
v=$(down_from "$v")
notch "$pad_x" "$pad_y" down
wait_for 30 is percent "$v" >/dev/null || fail "a notch over notepad (registered as Notepad.EXE) did not reach $v%"
pass "over the registered notepad the wheel steps the volume"
notch "$other_x" "$other_y" up
wait_for 30 is label 120 >/dev/null || fail "Label1 did not show a notch over an unregistered window"
assert_eq "$v" "$(percent)" "volume after a notch over an unregistered window"
pass "over an unregistered window only Label1 changes"

# --- mute gestures ---------------------------------------------------------
notch 500 767 down ctrl tray_shows muted
wait_for 30 tray_shows muted >/dev/null || fail "Ctrl with the wheel down did not mute"
assert_eq "$v" "$(percent)" "the tooltip keeps the level while muted"
notch 500 767 down
notch "$pad_x" "$pad_y" up
wait_for 30 is label 120 >/dev/null || fail "the notches while muted did not arrive"
assert_ok tray_shows muted
assert_eq "$v" "$(percent)" "the plain wheel while muted changes nothing"
notch 500 767 up ctrl tray_shows level
wait_for 30 tray_shows level "$v" >/dev/null || fail "Ctrl with the wheel up did not unmute to the picture for $v%"
pass "Ctrl with the wheel mutes and unmutes; while muted the plain wheel changes nothing"
notch 500 767 down middle tray_shows muted
wait_for 30 tray_shows muted >/dev/null || fail "the middle button with the wheel down did not mute"
notch 500 767 up middle tray_shows level
wait_for 30 tray_shows level >/dev/null || fail "the middle button with the wheel up did not unmute"
assert_eq "$v" "$(percent)" "the level after muting and unmuting"
pass "the middle button held with the wheel mutes and unmutes"
bash "$PELM_RIG_DIR/rig.sh" screenshot "$PELM_RIG_STATE" "$PELM_RIG_STATE/wheel-notepad.png"
stop_program

# --- with the gesture turned off, Ctrl makes no difference ----------------
sed -i 's/^m_bCtrlKeyMute=1/m_bCtrlKeyMute=0/' "$ini"
start_heard
notch 500 767 down
v=$(wait_for 30 percent) || fail "no percentage after the first notch"
v=$(down_from "$v")
notch 500 767 down ctrl is percent "$v"
wait_for 30 is percent "$v" >/dev/null || fail "with m_bCtrlKeyMute=0, Ctrl with the wheel down did not step to $v%"
assert_ok tray_shows level
pass "with m_bCtrlKeyMute=0, Ctrl with the wheel steps the volume"
stop_program
finish
