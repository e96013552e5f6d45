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
runner=$(linux_pid pelmora.exe "$app") || fail "no Linux process runs our pelmora.exe"
xdotool mousemove 400 300 # over the desktop: the wheel touches nothing but Label1

# The counts catch each kind of fault, not more: a handler that trusts a
# parameter fails on a good share of random values, so a few hundred per
# message find it; a leak of 128 bytes per message shows over 10,000 of
# them against a bound of 1 MiB; a second instance let through shows at
# the first pair of starts that meets the guard at once, and three pairs
# make that meeting all but certain.
fuzz_n=${PELM_FAULTS_FUZZ:-300} flood_n=${PELM_FAULTS_FLOOD:-5000} pairs=${PELM_FAULTS_PAIRS:-3}

# --- random parameters for each routed message -----------------------------
# The numbers themselves seed the fuzz: WM_TRAYNOTIFY (framework/Types.h) and
# WM_HOOKWHEEL (framework/HookMessage.h) among them.
for m in 0x8064 0x8065 0x0011 0x0113 0x002B; do
  t0=$(ms)
  PELM_PROBE_TIMEOUT=900 probe fuzz "$hwnd" "$m" "$fuzz_n" $((0x${m#0x} + 7)) || fail "fuzzing message $m"
  assert_ok answers
  sent=$((sent + fuzz_n))
  echo "  message $m: $fuzz_n random wParam/lParam in $(( $(ms) - t0 )) ms"
done
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "the same main window after the fuzzing"
pass "$sent messages with random parameters, every one handled: no crash, still answering"

# --- floods ----------------------------------------------------------------
rss0=$(mem "$runner" VmRSS)
[[ $rss0 =~ ^[0-9]+$ ]] || fail "no working set read from process $runner"
t0=$(ms)
PELM_PROBE_TIMEOUT=900 probe flood "$hwnd" WM_HOOKWHEEL 0xFF880000 0x00780000 "$flood_n" 1000 || fail "wheel flood"
PELM_PROBE_TIMEOUT=900 probe flood "$hwnd" 0x8064 1006 0x200 "$flood_n" 1000 || fail "tray callback flood"
sent=$((sent + 2 * flood_n))
assert_ok answers 1000
rss1=$(mem "$runner" VmRSS)
echo "  floods: $flood_n WM_HOOKWHEEL and $flood_n tray callbacks in $(( $(ms) - t0 )) ms; VmRSS ${rss0} -> ${rss1} KiB"
[ "$rss1" -le $((rss0 + 1024)) ] || fail "the working set grew by more than 1 MiB (${rss0} -> ${rss1} KiB)"
pass "after the floods it answers within 1 s and its working set grew by 1 MiB at most"
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
# The wheel still steps what the program shows, and the polls leave it: a
# notch down, then up, each seen on the tooltip.
down=$(down_from "$before")
xdotool mousemove 500 767 sleep 0.3 click 5
wait_for 30 is percent "$down" >/dev/null || fail "without the audio server a notch did not show $before% -> $down%"
xdotool mousemove 500 767 sleep 0.3 click 4
wait_for 30 is percent "$(up_from "$down")" >/dev/null || fail "without the audio server a notch up did not show $(up_from "$down")%"
probe tick pelmora.exe 3 >/dev/null || fail "the poll did not run without the audio server"
assert_eq "$(up_from "$down")" "$(percent)" "without the audio server the polls keep the level the wheel set"
assert_ok answers 5000
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "the same main window without audio"
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
for i in $(seq "$pairs"); do
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
pass "$pairs pairs of simultaneous starts: exactly one instance each time"
echo "figure: faults tried 7, messages sent $sent, crashes 0"
finish
