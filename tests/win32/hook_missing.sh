#!/usr/bin/env bash
# Without a usable hook library (none beside the program, or one that lacks
# an export) the program still starts, shows its icon, answers its tray
# icon, and exits cleanly. Without the library the wheel does nothing; with
# HookEnd missing the hook still works and stays until the process ends.
set -euo pipefail
. "$(dirname "$0")/common.inc"

check_start() { # check_start WHAT LABEL1_AFTER_A_NOTCH
  local pid hwnd rc
  pid=$(wine_start "$exe")
  hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "$1: main window never appeared"
  wait_for 60 tray_shows level >/dev/null || fail "$1: no icon"
  xdotool mousemove 500 767 sleep 0.3 click 5 sleep 1
  assert_eq "$2" "$(probe child-text "$hwnd" Label 0)" "$1: Label1 after a notch"
  xdotool mousemove 1000 757 sleep 0.2 mousemove 1012 757 click 1
  wait_for 30 tray_shows muted >/dev/null || fail "$1: a click on the icon did not mute"
  assert_ok probe no-visible-windows pelmora.exe
  probe post "$hwnd" 0x10 0 0 >/dev/null
  rc=$(wine_wait_exit "$pid" 300) || true
  assert_eq 0 "$rc" "$1: exit code"
  wait_for 30 tray_shows nothing >/dev/null || fail "$1: the icon stayed"
  pass "$1: starts, shows and answers its icon, exits with 0"
}

rm "$app/hookdll.dll"
check_start "no hookdll.dll" Label1
cp "$PELM_BUILD_DIR/tests/win32/hookdll_noend.dll" "$app/hookdll.dll"
check_start "hookdll.dll without HookEnd" -120
finish
