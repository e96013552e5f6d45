#!/usr/bin/env bash
# The hook library beside an executable in a folder whose name ends in a
# double-byte character with the trail byte 0x5C (表示: 表 is 0x95 0x5C in
# code page 932, which the rig runs with): the library loads, a real notch
# over the taskbar steps the volume, and the settings file is named beside
# the program. (Wine 10 starts no program from a path of MAX_PATH or more:
# that path is the host tests' affair.)
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

dbcs="$app/表示"
run_from "$dbcs"
pass "from a folder named 表示 the hook library loads and the wheel steps the volume"
stop_program "exit code"
[ -f "$dbcs/pelmora.ini" ] || fail "no settings file beside the program in 表示"
pass "the settings file is written beside the program in 表示"

finish
