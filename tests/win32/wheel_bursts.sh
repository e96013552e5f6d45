#!/usr/bin/env bash
# Wheel notifications as hi-res wheels, touchpads and fast flicks queue them,
# posted to the program with the pointer over the taskbar: fractions of a
# notch add up to one step, several notches in one notification step each,
# and a long burst leaves the program answering, so that a WM_CLOSE queued
# behind it ends it at once.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

wparam() { printf '0x%08x' $((($1 & 0xffff) << 16)); }
# Posts N notifications of DELTA, then a mark whose Label1 shows that
# everything before it has been handled: it is short of a notch and turns
# the direction, so it steps nothing itself, and it differs from the last
# mark, so Label1 cannot show it already.
marks=0
post_then_mark() {
  local delta=$1 n=$2 mark
  marks=$((marks % 9 + 1))
  mark=$marks
  [ "$delta" -gt 0 ] && mark=-$marks
  # Over the taskbar's row (Wine reports the taskbar as that row alone; a
  # tooltip read leaves the pointer on the icon above it).
  xdotool mousemove 500 767
  probe post "$hwnd" WM_HOOKWHEEL "$(wparam "$delta")" 0 "$n" || fail "posting $n x $delta failed"
  probe post "$hwnd" WM_HOOKWHEEL "$(wparam "$mark")" 0 || fail "posting the mark failed"
  wait_for 60 is label "$mark" >/dev/null || fail "the notifications were not handled (Label1 is $(label))"
}

start_program
# The tooltip shows no level before the first change: a whole notch down
# gives the level the rest starts from.
post_then_mark -120 1
v=$(wait_for 30 percent) || fail "no level after a notch down"

post_then_mark -10 12
v=$(down_from "$v")
wait_for 30 is percent "$v" >/dev/null || fail "12 x -10 did not step once to $v% (tooltip: $(percent)%)"
pass "twelve notifications of -10 make one notch: one step, to $v%"

post_then_mark -9 1
assert_eq "$v" "$(percent)" "a small movement down does not raise the level"

post_then_mark -360 1
for _ in 1 2 3; do v=$(down_from "$v"); done
wait_for 30 is percent "$v" >/dev/null || fail "-360 did not step three times to $v% (tooltip: $(percent)%)"
pass "one notification of -360 steps three times, to $v%"

post_then_mark 24 5
v=$(up_from "$v")
wait_for 30 is percent "$v" >/dev/null || fail "5 x +24 did not step once to $v%"
pass "five notifications of +24 make one notch up, to $v%"

# A long fast flick: 20,000 notifications, then WM_CLOSE behind them.
probe post "$hwnd" WM_HOOKWHEEL "$(wparam 120)" 0 20000 || fail "posting the burst failed"
probe post "$hwnd" 0x10 0 0 || fail "posting WM_CLOSE failed"
assert_exits "$pid" "the exit code of WM_CLOSE queued behind 20,000 notifications (within 10 s)" 10
finish
