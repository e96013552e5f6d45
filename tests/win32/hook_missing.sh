#!/usr/bin/env bash
# Without a usable hook library (none beside the program, or one that lacks
# an export) the program still starts, shows its icon, answers its tray
# icon, and exits cleanly. Without the library the wheel does nothing; with
# HookEnd missing the hook still works and stays until the process ends.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

check_start() { # check_start WHAT LABEL1_AFTER_A_NOTCH (7: not heard)
  start_program
  # A notification posted straight to the window shows that start-up, the
  # hook's start among it, is over, and sets a level to compare with; only
  # then does a real notch tell whether the wheel is heard. (A notification
  # steps the level only with the pointer over the taskbar.)
  xdotool mousemove 500 767
  probe post "$hwnd" WM_HOOKWHEEL 0xFF880000 0 >/dev/null
  wait_for 60 is label -120 >/dev/null || fail "$1: the program never handled a posted notification"
  local before
  before=$(wait_for 30 percent) || fail "$1: no level after a posted notification"
  if [ "$2" = 7 ]; then
    xdotool mousemove 500 767 sleep 0.3 click 5
    # The pointer's move onto the icon comes after the notch: once its
    # tooltip shows, the notch's input has been taken (a hook would have
    # posted it by then), and a notification posted now is handled after
    # whatever such a hook posted.
    tip >/dev/null || fail "$1: no tooltip after the notch"
    probe post "$hwnd" WM_HOOKWHEEL 0x00080000 0 >/dev/null
    wait_for 30 is label 8 >/dev/null || fail "$1: the program never handled the marker after the notch"
    assert_eq "$before" "$(percent)" "$1: the level after a notch over the taskbar"
  else
    probe post "$hwnd" WM_HOOKWHEEL 0x00070000 0 >/dev/null
    wait_for 30 is label 7 >/dev/null || fail "$1: the program never handled a second posted notification"
    xdotool mousemove 500 767 sleep 0.3 click 5
    wait_for 30 is label "$2" >/dev/null || fail "$1: Label1 did not show $2 after a notch"
  fi
  click_icon 1
  wait_for 30 tray_shows muted >/dev/null || fail "$1: a click on the icon did not mute"
  assert_ok probe no-visible-windows pelmora.exe
  stop_program "$1: exit code"
  wait_for 30 tray_shows nothing >/dev/null || fail "$1: the icon stayed"
  pass "$1: starts, shows and answers its icon, exits with 0"
}

rm "$app/hookdll.dll"
check_start "no hookdll.dll" 7
cp "$PELM_BUILD_DIR/tests/win32/hookdll_noend.dll" "$app/hookdll.dll"
check_start "hookdll.dll without HookEnd" -120
finish
