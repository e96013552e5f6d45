#!/usr/bin/env bash
# Real notches over the taskbar step Wine's real mixer and the tray icon's
# tooltip follows the step table; the poll then reads the written level
# back unchanged.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
start_program
hook_ready

notch 500 767 down
p1=$(wait_for 30 percent) || fail "no level in the tooltip after a notch down"
assert_eq "-120" "$(label)" "Label1 shows the delta"
p2=$(down_from "$p1")
notch 500 767 down
wait_for 30 is percent "$p2" >/dev/null || fail "the second notch did not step $p1% to $p2% by the table"
pass "the second notch steps by the table ($p1% -> $p2%)"
# Polls run: a level the mixer had not taken would be read back as the old
# one and shown.
probe tick pelmora.exe 3 >/dev/null || fail "the poll did not run"
assert_eq "$p2" "$(percent)" "the poll reads the written level back"
bash "$PELM_RIG_DIR/rig.sh" screenshot "$PELM_RIG_STATE" "$PELM_RIG_STATE/desktop-tray.png"

stop_program "exit code"
finish
