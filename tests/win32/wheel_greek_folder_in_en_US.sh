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
run_from "$dir"
pass "from a folder named Ωmega folder the hook library loads and the wheel steps the volume"

stop_program "exit code"
assert_eq "$dir/pelmora.ini" "$(find "$app" -name '*.ini')" "the settings file beside the program, and no other"
grep -q '^m_bCtrlKeyMute=1' "$dir/pelmora.ini" || fail "the settings file lacks what the program saved"
pass "the settings are saved beside the program in Ωmega folder"
finish
