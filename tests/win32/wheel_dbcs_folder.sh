#!/usr/bin/env bash
# The hook library beside an executable in a folder whose name ends in a
# double-byte character with the trail byte 0x5C (表示: 表 is 0x95 0x5C in
# code page 932, which the rig runs with), and beside an executable whose
# path is longer than MAX_PATH: in both the library loads and a real notch
# over the taskbar steps the volume, and the settings file is named beside
# the program.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

dbcs="$app/表示"
run_from "$dbcs"
pass "from a folder named 表示 the hook library loads and the wheel steps the volume"
stop_program "exit code"
[ -f "$dbcs/pelmora.ini" ] || fail "no settings file beside the program in 表示"

# Nested folders until the Windows path of the program passes MAX_PATH both
# in code page 932 bytes and in UTF-16 characters (the ANSI and the wide
# calls' limits), from the path Wine gave the first copy: so the path is
# long in both ways wherever the checkout lies.
winlen() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | wc -c; }
widelen() { echo $(($(printf '%s' "$1" | iconv -f UTF-8 -t UTF-16LE | wc -c) / 2)); }
long="$dbcs" winlong="${exe%pelmora.exe}表示\pelmora.exe"
while [ "$(winlen "$winlong")" -lt 300 ] || [ "$(widelen "$winlong")" -lt 280 ]; do
  long="$long/表示フォルダ0123456789"
  winlong="${winlong%pelmora.exe}表示フォルダ0123456789\pelmora.exe"
done
# Wine 10 runs no program from a path that long: its launcher hands the
# path to the shell (explorer opens it), and CreateProcess with the long
# form answers "file not found". The program's side of it (the whole path
# read, the library loaded and the settings named beside it) is checked by
# the host tests.
skip "a program path of $(winlen "$winlong") bytes ($(widelen "$winlong") characters): Wine 10 cannot start a program from a path of MAX_PATH or more"
finish
