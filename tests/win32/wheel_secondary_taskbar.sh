#!/usr/bin/env bash
# The taskbar of a further monitor (class Shell_SecondaryTrayWnd, which the
# taskbar rectangle query does not know): real notches over it, and over its
# child control, step the volume and the tooltip follows; a window of any
# other class in the same place only shows the notch on Label1.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

start_program
hook_ready

# The stand-in lies in the middle of the screen, far from the bottom row.
# Its child control covers its left half, as the real one's button strip.
bar() { wine_start "$(_pelm_find_probe)" window "$1" pelm-secondary 200 300 400 40 STATIC buttons 0 0 200 40; }
bar_pid=$(bar Shell_SecondaryTrayWnd)
bar=$(wait_for 120 probe find Shell_SecondaryTrayWnd pelm-secondary) || fail "no secondary taskbar window"
read_rect l t r b rect "$bar"
assert_eq "200 300 600 340" "$l $t $r $b" "the secondary taskbar's rectangle"

assert_eq "Pelmora 1.4" "$(tip)" "the tooltip before any change"
notch 500 320 down # over the bar itself
v=$(wait_for 30 percent) || fail "a notch over the secondary taskbar changed nothing"
[ -n "$v" ] || fail "no percentage after a notch over the secondary taskbar"
assert_eq "-120" "$(label)" "Label1 after the notch"
v=$(down_from "$v")
notch 300 320 down # over its child control
wait_for 30 is percent "$v" >/dev/null || fail "a notch over the secondary taskbar's child did not reach $v%"
v=$(up_from "$v")
notch 500 320 up
wait_for 30 is percent "$v" >/dev/null || fail "a notch up over the secondary taskbar did not reach $v%"
pass "notches over a secondary taskbar step the volume: the tooltip reads $v%"
kill_pid "$bar_pid"

# The same window under another class is just a window.
other_pid=$(bar PelmNotATaskbar)
wait_for 120 probe find PelmNotATaskbar pelm-secondary >/dev/null || fail "no window of the other class"
notch 500 320 down
wait_for 30 is label -120 >/dev/null || fail "Label1 did not show the notch"
assert_eq "$v" "$(percent)" "the level after a notch over a window of another class"
pass "a window of another class in the same place does not count as a taskbar"
kill_pid "$other_pid"

stop_program "exit code"
finish
