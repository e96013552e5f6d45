#!/usr/bin/env bash
# A user of a Western system (code page 1252) unzips the program into a
# folder whose name holds a letter that code page lacks (Ωmega folder): the
# hook library loads from it and real notches over the taskbar step the
# volume, the settings file is saved beside the program and nowhere else,
# and the program exits with 0.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

dir="$app/Ωmega folder"
mkdir -p "$dir"
cp "$PELM_BUILD_DIR/pelmora.exe" "$PELM_BUILD_DIR/hookdll/hookdll.dll" "$dir/"
pid=$(wine_start "$dir/pelmora.exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
wait_for 60 tray_shows level >/dev/null || fail "no level picture"
hook_ready
notch 500 767 down
v=$(wait_for 30 percent) || fail "a notch over the taskbar changed nothing: no hook library from $dir"
v=$(down_from "$v")
notch 500 767 down
wait_for 30 is_level "$v" >/dev/null || fail "the second notch did not reach $v%"
pass "from a folder named Ωmega folder the hook library loads and the wheel steps the volume"

stop_program "exit code"
assert_eq "$dir/pelmora.ini" "$(find "$app" -name '*.ini')" "the settings file beside the program, and no other"
grep -q '^m_bCtrlKeyMute=1' "$dir/pelmora.ini" || fail "the settings file lacks what the program saved"
pass "the settings are saved beside the program in Ωmega folder"
finish
