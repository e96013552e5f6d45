#!/usr/bin/env bash
# What real machines do to a resident program, survived: random messages of
# every kind it routes, floods of wheel and tray notifications, a shell that
# forgets its icon, an audio server that goes away and comes back, and two
# starts at the same instant. Each step ends with the program answering, and
# the last with exit code 0.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
ms() { echo $(( $(date +%s%N) / 1000000 )); }
mem() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
answers() { probe send "$hwnd" 0 0 0 "${1:-1000}" >/dev/null; }
sent=0

start_program
runner=$pid
grep -q 'pelmora\.exe' "/proc/$runner/cmdline" 2>/dev/null || runner=$(pgrep -f 'pelmora\.exe' | head -1)
xdotool mousemove 400 300 # over the desktop: the wheel touches nothing but Label1

# --- random parameters for each routed message -----------------------------
for m in 0x8064 0x8065 0x0011 0x0113 0x002B; do
  t0=$(ms)
  PELM_PROBE_TIMEOUT=900 probe fuzz "$hwnd" "$m" 10000 $((0x${m#0x} + 7)) || fail "fuzzing message $m"
  assert_ok answers
  sent=$((sent + 10000))
  echo "  message $m: 10,000 random wParam/lParam in $(( $(ms) - t0 )) ms"
done
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "the same main window after the fuzzing"
pass "50,000 messages with random parameters: no crash, still answering"

# --- floods ----------------------------------------------------------------
rss0=$(mem "$runner" VmRSS)
t0=$(ms)
PELM_PROBE_TIMEOUT=900 probe flood "$hwnd" 0x8065 0xFF880000 0x00780000 10000 1000 || fail "wheel flood"
PELM_PROBE_TIMEOUT=900 probe flood "$hwnd" 0x8064 1006 0x200 10000 1000 || fail "tray callback flood"
sent=$((sent + 20000))
assert_ok answers 1000
rss1=$(mem "$runner" VmRSS)
echo "  floods: 10,000 WM_HOOKWHEEL and 10,000 tray callbacks in $(( $(ms) - t0 )) ms; VmRSS ${rss0} -> ${rss1} KiB"
[ $((rss1 * 10)) -le $((rss0 * 11)) ] || fail "the working set grew by more than 10 % (${rss0} -> ${rss1} KiB)"
pass "after the floods it answers within 1 s and its working set is within 10 %"
xdotool mousemove 500 767 sleep 0.3 click 5
v=$(wait_for 30 percent) || fail "no level after the floods"
probe tick pelmora.exe 3 >/dev/null || fail "the poll did not run" # a level the mixer does not hold would be read back changed
assert_eq "$v" "$(percent)" "the level the wheel wrote is what the poll reads back"

# --- the shell forgets the icon, then announces itself ---------------------
probe tray-delete "$hwnd" 1006 || fail "could not take the icon away"
wait_for 30 tray_shows nothing >/dev/null || fail "the icon did not go"
probe broadcast TaskbarCreated || fail "broadcast"
wait_for 30 tray_shows level >/dev/null || fail "the icon did not come back after TaskbarCreated"
pass "TaskbarCreated brings the icon back"

# --- the audio server goes away and comes back -----------------------------
bash "$PELM_RIG_DIR/rig.sh" audio-stop "$PELM_RIG_STATE"
probe tick pelmora.exe 3 >/dev/null || fail "the poll did not run without the audio server"
before=$(percent)
xdotool mousemove 500 767 sleep 0.3 click 5 sleep 1 click 4
assert_ok answers 5000
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "the same main window without audio"
echo "  without the audio server: tooltip before the notches ${before}%, after $(percent)%"
pass "without the audio server the polls and the wheel fail quietly"
bash "$PELM_RIG_DIR/rig.sh" audio-start "$PELM_RIG_STATE"
# The level the polls settle on with the server back (two reads with polls
# between them agree), then a notch must step from it.
_settled() { local a b; a=$(percent) && probe tick pelmora.exe 2 >/dev/null && b=$(percent) && [ "$a" = "$b" ] && echo "$a"; }
back=$(wait_for 60 _settled) || fail "no settled level after the audio server came back"
xdotool mousemove 500 767 sleep 0.3 click 5
wait_for 30 is percent "$(down_from "$back")" >/dev/null ||
  fail "after the audio server came back a notch did not step $back% to $(down_from "$back")%"
pass "the audio server back: the wheel steps again ($back% -> $(down_from "$back")%)"
assert_ok answers 5000

stop_program "exit code after the faults"

# --- two starts at the same instant ----------------------------------------
for i in $(seq 20); do
  a=$(wine_start "$exe") b=$(wine_start "$exe")
  # One of them ends at once with 0; the other stays.
  wait_for 120 bash -c "[ -s '$(_pelm_procs)/$a.rc' ] || [ -s '$(_pelm_procs)/$b.rc' ]" ||
    fail "try $i: neither start ended"
  if [ -s "$(_pelm_procs)/$a.rc" ]; then loser=$a winner=$b; else loser=$b winner=$a; fi
  assert_eq 0 "$(cat "$(_pelm_procs)/$loser.rc")" "try $i: the second start's exit code" >/dev/null
  w=$(wait_for 120 probe find TPelmFormMain -) || fail "try $i: no instance stayed"
  n=$(probe pids pelmora.exe | wc -l)
  [ "$n" = 1 ] || fail "try $i: $n instances running"
  probe post "$w" 0x10 0 0 >/dev/null
  rc=$(wine_wait_exit "$winner" 300) || true
  [ "$rc" = 0 ] || fail "try $i: the staying instance ended with $rc"
done
pass "20 pairs of simultaneous starts: exactly one instance each time"
echo "figure: faults tried 7, messages sent $sent, crashes 0"
finish
