#!/usr/bin/env bash
# Figures, not pass marks. Each job of the program is timed beside its
# floor, the least program that makes the calls the job needs
# (bench/floor.cpp, bench/floor_second.cpp), in this one rig, in rounds
# taken in turn: program, floor, program, floor... A row gives the medians
# over the rounds, the ratio, and a verdict: met at 1.25 x the floor or
# less, missed above. Under emulation there is no verdict: the figures then
# measure the emulator. Then the program's resources after start, after
# many wheel notifications and after many openings of its menu, dialog and
# About box, with a stated bound on growth.
#
# "table: " lines are the tables tools/bench.sh prints, "note: " lines go
# under them. Fails only when a figure cannot be taken or the program or a
# floor misbehaves; no time is asserted.
set -euo pipefail
. "$(dirname "$0")/../tests/win32/common.inc"

# tools/bench.sh gives the counts.
rounds=$PELM_BENCH_ROUNDS notifications=$PELM_BENCH_NOTIFICATIONS
openings=$PELM_BENCH_OPENINGS idle_s=$PELM_BENCH_IDLE_SECONDS
desk_n=500 bar_n=200 burst_n=1000
mode=${PELM_WINE_MODE_ACTIVE:-unknown}
WM_HOOKWHEEL=0x8065 WM_CLOSE=0x10 # the first as framework/HookMessage.h has it
DOWN=0xFF880000 UP=0x00780000
# Growth allowed between two readings: a leak of some bytes per
# notification or per opening shows well above it.
bound_kib=256 bound_objects=4

floor_dir=$(mktemp -d "$PELM_RIG_STATE/floor.XXXXXX")
# A folder of its own, with its own copy of the hook library: loaded from
# the program's file, the library's shared section would be the program's.
cp "$PELM_BUILD_DIR/bench/floor.exe" "$PELM_BUILD_DIR/bench/floor_second.exe" \
  "$PELM_BUILD_DIR/hookdll/hookdll.dll" "$floor_dir/"
floor_exe=$(winepath -w "$floor_dir/floor.exe")
second_exe=$(winepath -w "$floor_dir/floor_second.exe")
drive_exe=$PELM_BUILD_DIR/bench/bench_drive.exe
drive() { timeout -k 5 1800 wine "$drive_exe" "$@" </dev/null | tr -d '\r'; }
# The icon watcher polls the shell; less often where each look is emulated.
interval=1
[ "$mode" = emulated ] && interval=10

now_ns() { date +%s%N; }
grouped() { sed ':a;s/\B[0-9]\{3\}\>/,&/;ta' <<<"$1"; }
median() {
  tr ' ' '\n' | awk 'NF' | sort -g |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# A figure with three significant digits or so, as a table shows it.
num() { awk -v x="$1" 'BEGIN { a = x < 0 ? -x : x; printf(a >= 100 ? "%.0f" : a >= 10 ? "%.1f" : "%.2f", x) }'; }
verdict_of() { # RATIO
  if [ "$mode" = emulated ]; then echo "none (emulated)"
  else awk -v r="$1" 'BEGIN { print (r <= 1.25 ? "met" : "missed") }'; fi
}
# row NAME UNIT PROGRAM_ROUNDS FLOOR_ROUNDS [info]: the medians side by side;
# "info" rows (no job of their own) get no verdict.
row() {
  local p f ratio verdict
  p=$(median <<<"$3") f=$(median <<<"$4")
  ratio=$(awk -v p="$p" -v f="$f" 'BEGIN { if (f > 0) printf "%.2f", p / f; else printf "-" }')
  verdict=$(verdict_of "$ratio")
  if [ "${5:-}" = info ] || [ "$ratio" = - ]; then verdict="-"; fi
  echo "table: | $1 | $(num "$p") $2 | $(num "$f") $2 | $ratio | $verdict |"
  echo "rounds: $1: program$3 / floor$4"
}

# CPU time of all the process's threads, in ns.
cpu_ns() {
  local t n s=0
  for t in /proc/"$1"/task/*/schedstat; do
    read -r n _ <"$t" 2>/dev/null && s=$((s + n))
  done
  echo "$s"
}
shell_calls() { wine_errors "$1" | grep -c 'Shell_NotifyIconW' || true; }

# start_to_icon EXE CLASS: sets took (ms from the launch until the shell
# holds the icon of the window of CLASS); the instance is then closed and
# must end with exit code 0.
start_to_icon() {
  local out watcher t0 at p h
  out=$(mktemp -p "$PELM_RIG_STATE")
  timeout -k 5 400 wine "$drive_exe" icon "$2" 1006 300000 "$interval" </dev/null >"$out" 2>&1 &
  watcher=$!
  wait_for 120 grep -q '^ready' "$out" >/dev/null || { kill_pid "$watcher"; fail "the icon watcher did not start"; }
  t0=$(now_ns)
  p=$(wine_start "$1")
  wait "$watcher" || fail "no icon for $2: $(cat "$out")"
  at=$(sed -n 2p "$out" | tr -d '\r')
  took=$(awk -v a="$at" -v t="$t0" 'BEGIN { printf "%.1f", (a - t / 1000) / 1000 }')
  h=$(probe find "$2" -) || fail "no window of class $2"
  probe post "$h" "$WM_CLOSE" 0 0 >/dev/null
  assert_exits "$p" "$2 ends with 0 after WM_CLOSE"
}
# run_ms EXE: sets took (ms from the launch to the exit, which must be 0).
run_ms() {
  local t0 rc=0
  t0=$(now_ns)
  timeout -k 5 300 wine "$1" </dev/null >/dev/null 2>&1 || rc=$?
  took=$(awk -v t0="$t0" -v t1="$(now_ns)" 'BEGIN { printf "%.1f", (t1 - t0) / 1e6 }')
  [ "$rc" = 0 ] || fail "$1 ended with $rc"
}
# The median of the round trips of N sent messages, in us.
send_us() { # HWND MSG WPARAM_A WPARAM_B N
  local out
  out=$(drive send "$@") || fail "send $* failed"
  out=${out#median }
  [[ $out =~ ^[0-9.]+\ us ]] || fail "send $* gave no median"
  echo "${out%% us*}"
}
label() { probe child-text "$1" Label 0 | tr -d '\r'; }

echo "note: Wine mode: $mode; $rounds rounds, program and floor in turn"
if [ "$mode" = emulated ]; then
  echo "note: emulated (32-bit Wine under qemu-i386): the figures measure the emulator as much as the program, so the rows carry no verdict; verdicts need the classic or WoW64 mode"
fi
echo "table: | job | program | floor | ratio | verdict |"
echo "table: |---|---|---|---|---|"

# --- start to the icon: each round a fresh start, closed again ---------------
p_runs='' f_runs=''
for _ in $(seq "$rounds"); do
  rm -f "$app/pelmora.ini" # every start a first one
  start_to_icon "$exe" TPelmFormMain
  p_runs+=" $took"
  start_to_icon "$floor_exe" PelmFloorMain
  f_runs+=" $took"
done
row "start to the icon" ms "$p_runs" "$f_runs"

# --- the resident program and floor, side by side ----------------------------
# Wine's trace of Shell_NotifyIcon counts the shell calls of each.
trace=-all,err+seh,trace+systray
pid=$(WINEDEBUG=$trace wine_start "$exe")
fpid=$(WINEDEBUG=$trace wine_start "$floor_exe")
drive icon TPelmFormMain 1006 300000 50 >/dev/null || fail "the program's icon never came"
drive icon PelmFloorMain 1006 300000 50 >/dev/null || fail "the floor's icon never came"
hwnd=$(probe find TPelmFormMain -) fhwnd=$(probe find PelmFloorMain -)
# Answering a message: the start-up is over and the loop runs.
probe send "$hwnd" 0 0 0 60000 >/dev/null || fail "the program does not answer"
probe send "$fhwnd" 0 0 0 60000 >/dev/null || fail "the floor does not answer"
runner=$(linux_pid pelmora.exe "$app") || fail "no Linux process runs our pelmora.exe"
frunner=$(linux_pid floor.exe "$floor_dir") || fail "no Linux process runs our floor.exe"

# --- resources: at start, after the notifications, after the openings -------
# Taken first, so that "after start" is just that; the table comes last.
res() { # the one process of that name
  local pid
  pid=$(probe pids "$1" | tr -d '\r') && [[ $pid =~ ^[0-9]+$ ]] && drive resources "$pid"
}
field() { sed -n "s/.*\\b$2=\\([^ ]*\\).*/\\1/p" <<<"$1"; }
r_start=$(res pelmora.exe) || fail "no resource figures for the program"
f_start=$(res floor.exe) || fail "no resource figures for the floor"

xdotool mousemove 500 767
t0=$SECONDS
med=$(send_us "$hwnd" "$WM_HOOKWHEEL" "$DOWN" "$UP" "$notifications")
echo "rounds: $notifications notifications: $med us median, $((SECONDS - t0)) s in all"
r_notes=$(res pelmora.exe)
t0=$SECONDS
# The menu opens at the pointer: away from every item, so that nothing but
# the keys chooses.
xdotool mousemove 300 200
for kind in menu dialog about; do drive open "$hwnd" "$kind" 1 || fail "the first opening ($kind)"; done
r_first=$(res pelmora.exe)
for kind in menu dialog about; do drive open "$hwnd" "$kind" $((openings - 1)) || fail "the openings ($kind)"; done
r_open=$(res pelmora.exe)
echo "rounds: the openings took $((SECONDS - t0)) s"
probe send "$hwnd" 0 0 0 60000 >/dev/null || fail "the program does not answer after the openings"
pass "$(grouped "$notifications") notifications and $openings openings each of the menu, the registration dialog and About"

# --- second start, while both run ------------------------------------------
p_runs='' f_runs=''
for _ in $(seq "$rounds"); do
  run_ms "$exe"
  p_runs+=" $took"
  run_ms "$second_exe"
  f_runs+=" $took"
done
row "second instance, start to exit" ms "$p_runs" "$f_runs"

# --- idle polling: both over the same windows of time ------------------------
p_runs='' f_runs=''
p_calls=0 f_calls=0
for _ in $(seq "$rounds"); do
  pc0=$(cpu_ns "$runner") fc0=$(cpu_ns "$frunner") ps0=$(shell_calls "$pid") fs0=$(shell_calls "$fpid") t0=$(now_ns)
  sleep "$idle_s"
  pc1=$(cpu_ns "$runner") fc1=$(cpu_ns "$frunner") ps1=$(shell_calls "$pid") fs1=$(shell_calls "$fpid") t1=$(now_ns)
  ticks=$(awk -v d=$((t1 - t0)) 'BEGIN { print d / 300e6 }')
  p_runs+=" $(awk -v c=$((pc1 - pc0)) -v n="$ticks" 'BEGIN { print c / n / 1000 }')"
  f_runs+=" $(awk -v c=$((fc1 - fc0)) -v n="$ticks" 'BEGIN { print c / n / 1000 }')"
  p_calls=$((p_calls + ps1 - ps0)) f_calls=$((f_calls + fs1 - fs0))
  echo "rounds: idle: program $((pc1 - pc0)) ns, floor $((fc1 - fc0)) ns of CPU in $(((t1 - t0) / 1000000)) ms"
done
row "one idle poll tick (CPU of all threads, both idle over the same $idle_s s windows)" us "$p_runs" "$f_runs"
[ "$(shell_calls "$pid")" -ge 1 ] || fail "Wine traced no Shell_NotifyIconW call of the program (not even the icon's add)"
assert_eq 0 "$p_calls" "no shell calls while nothing changes ($((rounds * idle_s)) s)"
assert_eq 0 "$f_calls" "the floor makes none either"

# --- one wheel notification, sent: over the desktop, then over the taskbar ---
p_empty='' f_empty=''
for _ in $(seq "$rounds"); do
  p_empty+=" $(send_us "$hwnd" 0 0 0 1000)"
  f_empty+=" $(send_us "$fhwnd" 0 0 0 1000)"
done
row "empty message round trip (WM_NULL; in every figure below)" us "$p_empty" "$f_empty" info

# notification_row X Y N WHERE: round trips of N notifications with the
# pointer at X,Y, program and floor in turn.
notification_row() {
  xdotool mousemove "$1" "$2"
  local p_runs='' f_runs='' _
  for _ in $(seq "$rounds"); do
    p_runs+=" $(send_us "$hwnd" "$WM_HOOKWHEEL" "$DOWN" "$UP" "$3")"
    f_runs+=" $(send_us "$fhwnd" "$WM_HOOKWHEEL" "$DOWN" "$UP" "$3")"
  done
  row "one notification over $4 (round trip, median of $3)" us "$p_runs" "$f_runs"
}
notification_row 500 300 "$desk_n" "the desktop"
assert_eq 120 "$(label "$fhwnd")" "the floor's label shows the last delta"
notification_row 500 767 "$bar_n" "the taskbar" # the taskbar's row

# --- a burst, posted: the program takes it as one, the floor one by one ------
p_runs='' f_runs=''
for i in $(seq "$rounds"); do
  mark=$((-1 - i)) # short of a notch, and new each round
  p_runs+=" $(drive burst "$hwnd" "$burst_n" "$mark")" || fail "the program's burst"
  f_runs+=" $(drive burst "$fhwnd" "$burst_n" "$mark")" || fail "the floor's burst"
done
row "a burst of $(grouped "$burst_n") over the taskbar, posted, until handled" ms "$p_runs" "$f_runs"

echo "note: the floor handles each notification on its own, as the program did before bursts were taken as one; a burst row below 1 is that saving"
echo "note: round trips are what a sender waits for a notification to be handled; they include the empty round trip above"

echo "table:"
echo "table: | program resource (bound on growth per stage) | after start | after $(grouped "$notifications") notifications | after one opening each | after $openings openings each | verdict | floor after start |"
echo "table: |---|---|---|---|---|---|---|"
resource_row() { # NAME KEY UNIT BOUND
  local s n o1 o g1 g2 verdict
  s=$(field "$r_start" "$2") n=$(field "$r_notes" "$2") o1=$(field "$r_first" "$2") o=$(field "$r_open" "$2")
  if [ "$s" = - ] || [ "$n" = - ] || [ "$o1" = - ] || [ "$o" = - ]; then
    echo "table: | $1 | not given by this system | | | | - | $(field "$f_start" "$2") |"
    return
  fi
  g1=$((n - s)) g2=$((o - o1))
  if [ "$3" = KiB ] && [ "$mode" = emulated ]; then verdict="none (emulated: the emulator's own memory counts)"
  elif [ "$g1" -le "$4" ] && [ "$g2" -le "$4" ]; then verdict=met
  else verdict=missed; fi
  printf 'table: | %s (+%s) | %s | %s (%+d) | %s | %s (%+d) | %s | %s |\n' \
    "$1" "$4 $3" "$s $3" "$n $3" "$g1" "$o1 $3" "$o $3" "$g2" "$verdict" "$(field "$f_start" "$2") $3"
}
resource_row "working set" working_set KiB "$bound_kib"
resource_row "private bytes" private KiB "$bound_kib"
resource_row "GDI objects" gdi objects "$bound_objects"
resource_row "USER objects" user objects "$bound_objects"
if [ "$(field "$r_start" gdi)" = - ] || [ "$(field "$r_start" user)" = - ]; then
  echo "note: GetGuiResources fails here (Wine does not count GDI and USER objects): those rows need Windows"
fi
echo "note: growth is counted from start to after the notifications, and from the first opening of each to the last (the first opening loads what any later one reuses)"

out=$(wine "$PELM_BUILD_DIR/bench/bench_mixer.exe" </dev/null 2>/dev/null | tr -d '\r') || fail "no mixer figure: $out"
echo "note: mixer reads of a poll tick: $out"
echo "note: sizes: pelmora.exe $(stat -c %s "$PELM_BUILD_DIR/pelmora.exe") bytes, hookdll.dll $(stat -c %s "$PELM_BUILD_DIR/hookdll/hookdll.dll") bytes; floor.exe $(stat -c %s "$floor_dir/floor.exe") bytes, floor_second.exe $(stat -c %s "$floor_dir/floor_second.exe") bytes"

probe post "$fhwnd" "$WM_CLOSE" 0 0 >/dev/null
assert_exits "$fpid" "the floor's exit code after WM_CLOSE"
stop_program "the exit code after WM_CLOSE"
echo "rounds: the benchmark took $SECONDS s"
finish
