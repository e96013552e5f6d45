#!/usr/bin/env bash
# A save replaces the settings file whole, in one step, and only when
# something changed: a run that changes nothing leaves the very same file; a
# save whose copy cannot be made leaves the old file byte for byte, with the
# error box, and the program still ends with 0.
set -euo pipefail
. "$(dirname "$0")/common.inc"

ini="$app/pelmora.ini"
win_ini="${exe%.exe}.ini"
unix_text() { tr -d '\r' <"$1"; }
box_file="$PELM_RIG_STATE/box.txt"
# run_and_close [BOX]: starts the program, closes it; with BOX, waits for the
# error box at exit, dismisses it and leaves its text in $box_file.
run_and_close() {
  start_program
  probe post "$hwnd" 0x10 0 0 >/dev/null
  if [ -n "${1:-}" ]; then
    probe msgbox Pelmora 120000 --dismiss >"$box_file" || fail "no error box"
  fi
  assert_exits "$pid" "exit code"
}

# replaced_by_save CONTENT EXPECTED WHAT: a run saves CONTENT's file as
# EXPECTED (lines without CR), in a new file put in place, nothing left beside.
replaced_by_save() {
  printf '%s' "$1" >"$ini"
  local inode_before
  inode_before=$(stat -c %i "$ini")
  run_and_close
  assert_eq "$2" "$(unix_text "$ini")" "$3: the file after the save"
  [ "$(stat -c %i "$ini")" != "$inode_before" ] || fail "$3: the file was rewritten in place, not replaced"
  assert_eq "hookdll.dll pelmora.exe pelmora.ini" "$(cd "$app" && echo *)" "$3: nothing but the file is left"
}
# kept_when_blocked CONTENT WHAT: with a folder where the copy goes, a run
# whose save is due shows the error box and leaves the file byte for byte.
kept_when_blocked() {
  printf '%s' "$1" >"$ini"
  local sum_before
  sum_before=$(md5sum <"$ini")
  mkdir "$ini.tmp"
  run_and_close box
  assert_eq "$win_ini に書き込めません." "$(cat "$box_file")" "$2: error box text"
  assert_eq "$sum_before" "$(md5sum <"$ini")" "$2: the file after a save whose copy could not be made"
  assert_empty_dir "$ini.tmp" "$2: nothing went into the folder in the copy's place"
  rmdir "$ini.tmp"
}

# --- a due save: the profile's own bytes, in a new file put in place -------
replaced_by_save $'[Other]\r\nkeep=this line\r\n[Pelmora]\r\nStoredProgram=a::b:\r\n; a comment\r\nm_bCtrlKeyMute=0\r\n' \
  "$(printf '[Other]\nkeep=this line\n[Pelmora]\nStoredProgram=a::b:\n; a comment\nm_bCtrlKeyMute=0\nm_bMuteOnWinReboot=0')" \
  "a save that adds a key"
pass "a save writes a copy with the profile's lines and puts it in place of the file"

# --- nothing changed: the same file, untouched ------------------------------
inode_before=$(stat -c %i "$ini")
sum_before=$(md5sum <"$ini")
run_and_close
assert_eq "$sum_before" "$(md5sum <"$ini")" "the file's bytes after a run that changed nothing"
assert_eq "$inode_before" "$(stat -c %i "$ini")" "the file after a run that changed nothing"
pass "a run that changes nothing leaves the file alone"

# --- the copy cannot be made: the old file, byte for byte -------------------
kept_when_blocked $'[Pelmora]\r\nStoredProgram=kept.exe:other.exe:\r\nm_bCtrlKeyMute=yes\r\n' "NT"
pass "a save whose copy cannot be made: the error box, exit code 0, the old file whole"
# The next run saves again once the way is clear.
run_and_close
assert_eq "$(printf '[Pelmora]\nStoredProgram=kept.exe:other.exe:\nm_bCtrlKeyMute=1\nm_bMuteOnWinReboot=0')" \
  "$(unix_text "$ini")" "the file after the next save"
pass "the next save goes through"

# --- the 9x family: the ANSI calls, the old file moved aside, then away ---
key='HKCU\Software\Wine\AppDefaults\pelmora.exe'
trap 'wine reg delete "$key" /f >/dev/null 2>&1 || true; kill_started' EXIT
wine reg add "$key" /v Version /d win98 /f >/dev/null 2>&1 || fail "cannot make Wine play Windows 98"
replaced_by_save $'[Pelmora]\r\nStoredProgram=nine.exe:\r\n' \
  "$(printf '[Pelmora]\nStoredProgram=nine.exe:\nm_bMuteOnWinReboot=0\nm_bCtrlKeyMute=1')" "Windows 98"
kept_when_blocked $'[Pelmora]\r\nStoredProgram=nine.exe:\r\n' "Windows 98"
pass "on Windows 98 too: a copy put in place, the old file whole when it cannot be made"
finish
