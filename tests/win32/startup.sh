#!/usr/bin/env bash
# A start as the user meets it: no window, a second start changes nothing,
# the session-end query is answered 1, closing the main window ends it with
# exit code 0 and writes the settings file.
set -euo pipefail
. "$(dirname "$0")/common.inc"

pid=$(wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
pass "the main window exists ($hwnd)"
assert_ok probe no-visible-windows pelmora.exe
pass "no window is visible after the start"

second=$(wine_start "$exe")
assert_exits "$second" "second start's exit code"
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "first instance's window"
pass "a second start exits with 0 and leaves the first alone"

result=$(probe send "$hwnd" 0x11 0 0 30000)
assert_eq 1 "$result" "WM_QUERYENDSESSION result"
pass "the session-end query is answered 1"

stop_program "exit code after WM_CLOSE"
ini=$(tr -d '\r' <"$app/pelmora.ini")
assert_eq "$(printf '[Pelmora]\nStoredProgram=\nm_bMuteOnWinReboot=0\nm_bCtrlKeyMute=1')" "$ini" "settings file"
pass "WM_CLOSE ends it with exit code 0 and the settings file is written"
finish
