#!/usr/bin/env bash
# The program ends cleanly from whatever the user left open: closing the
# main window (WM_CLOSE) or the end of the session, with the popup menu open,
# the registration dialog open, the About box open, and after the audio
# server went away. Each time: exit code 0, the icon gone, the settings
# file written with the registration made before. And a save that fails
# while the dialog was open: its error box outlives the dialog, and while it
# is up the program is deactivated and the registration command is chosen.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
ini="$app/pelmora.ini"

# Each round starts with a registration in the file and a fresh instance;
# the round's end must write it back (after the file was emptied).
start_round() {
  printf '[Pelmora]\r\nStoredProgram=round%s.exe:\r\n' "$1" >"$ini"
  pid=$(wine_start "$exe")
  hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "$1: main window never appeared"
  wait_for 60 tray_shows level >/dev/null || fail "$1: no icon"
  : >"$ini"
}
end_round() { # end_round NAME HOW: HOW is close or session
  if [ "$2" = session ]; then
    assert_eq 1 "$(probe send "$hwnd" 0x11 0 0 30000)" "$1: the session-end query is answered 1"
    probe post "$hwnd" 0x16 1 0 >/dev/null # WM_ENDSESSION, ending
  else
    probe post "$hwnd" 0x10 0 0 >/dev/null
  fi
  assert_exits "$pid" "$1: exit code" 120
  wait_for 30 tray_shows nothing >/dev/null || fail "$1: the icon stayed"
  assert_contains "$(tr -d '\r' <"$ini")" "StoredProgram=round$1.exe:" "$1: the settings were saved"
}

start_round menu
click_icon 3
probe menu 30000 >/dev/null || fail "no menu"
end_round menu close

start_round dialog
menu_item 64
wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible >/dev/null || fail "the dialog did not open"
end_round dialog close

start_round about
menu_item 38
probe msgbox "Pelmora について" 60000 >/dev/null || fail "no About box"
end_round about close

start_round session
menu_item 64
wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible >/dev/null || fail "the dialog did not open"
end_round session session

# The failed save: the file's place is taken by a folder, so the save at the
# end fails and its box runs a message loop after the dialog has been freed.
start_round failsave
menu_item 64
wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible >/dev/null || fail "failsave: the dialog did not open"
rm -f "$ini" && mkdir "$ini"
probe post "$hwnd" 0x10 0 0 >/dev/null
assert_eq "$(winepath -w "$ini") に書き込めません." "$(probe msgbox Pelmora 120000)" "failsave: the error box"
wine_start notepad >/dev/null
pad=$(wait_for 120 probe find Notepad -) || fail "failsave: notepad never showed"
click_child "$pad" Edit 0
wait_for 30 is_foreground "$pad" >/dev/null || fail "failsave: notepad was not activated"
pass "failsave: the program was deactivated under its box"
menu_item 64
# A command that does nothing shows nothing; the menu opening again shows
# that the one chosen before it was handled.
click_icon 3
probe menu 30000 >/dev/null || fail "failsave: the menu did not open again"
xdotool mousemove 300 300 sleep 0.3 click 1
wait_for 30 probe_absent menu 0 >/dev/null || fail "failsave: the menu stayed"
assert_fails probe wait-window TWindowStoreDlg - 1000 --visible
assert_eq "$(winepath -w "$ini") に書き込めません." "$(probe msgbox Pelmora 30000 --dismiss)" "failsave: the box is still up, and goes"
assert_exits "$pid" "failsave: exit code" 120
wait_for 30 tray_shows nothing >/dev/null || fail "failsave: the icon stayed"
assert_empty_dir "$ini" "failsave: nothing was written into the folder"
rmdir "$ini"
probe post "$pad" 0x10 0 0 >/dev/null

start_round noaudio
bash "$PELM_RIG_DIR/rig.sh" audio-stop "$PELM_RIG_STATE"
# A notification posted first shows on Label1; the notch's own then
# replaces it once the notch was handled.
probe post "$hwnd" WM_HOOKWHEEL 0x00070000 0 >/dev/null
wait_for 30 is label 7 >/dev/null || fail "noaudio: the program does not answer"
notch 500 767 down
wait_for 30 is label -120 >/dev/null || fail "noaudio: the notch was not handled without the audio server"
end_round noaudio close
finish
