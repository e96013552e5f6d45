#!/usr/bin/env bash
# Without an audio server there is no mixer device: one error box, then the
# program runs on and still ends cleanly. Also: a start while the guard's
# name is held by an event ends at once with exit code 0.
set -euo pipefail
. "$(dirname "$0")/common.inc"

probe_exe=$(winepath -w "$PELM_BUILD_DIR/tests/probe/probe.exe")
holder=$(wine_start "$probe_exe" hold event PELM_MUTEX 600000)
wait_for 120 grep -q ready "$PELM_RIG_STATE/procs/$holder.out" || fail "event holder not ready"
blocked=$(wine_start "$exe")
assert_exits "$blocked" "exit code while an event holds the name"
assert_fails probe find TPelmFormMain -
kill_pid "$holder"
pass "a start while an event holds the guard's name ends with 0"

pid=$(wine_start "$exe")
text=$(probe msgbox "Pelmora エラー" 300000 --dismiss) || fail "no error box"
assert_eq "ミキサーデバイスが取得できませんでした。" "$text" "error box text"
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
# The polls run now and return, and a notification is handled; a box from
# either would be on screen (and hold its handler until dismissed).
probe tick pelmora.exe 3 >/dev/null || fail "the poll did not run without a mixer"
probe post "$hwnd" WM_HOOKWHEEL 0x00070000 0 >/dev/null
label7() { [ "$(probe child-text "$hwnd" Label 0)" = 7 ]; }
wait_for 30 label7 >/dev/null || fail "a notification without a mixer was not handled"
assert_ok probe_absent msgbox "Pelmora エラー" 0
pass "one error box, then the program runs on"

stop_program "exit code after WM_CLOSE"
finish
