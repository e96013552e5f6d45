# shellcheck shell=bash
# Helpers for Wine test scripts; source after the rig's env (run-wine-test.sh
# does that): . "$PELM_RIG_DIR/lib.sh"
#
#   wait_for [TIMEOUT] CMD... [--timeout SECONDS]   poll CMD until it succeeds
#   pid=$(wine_start EXE ARGS...)                   start a Windows program
#   rc=$(wine_wait_exit PID TIMEOUT)                its exit code (also the status)
#   wine_output PID / wine_errors PID               what it printed
#   linux_pid EXE_NAME FOLDER                       the process that runs it
#   kill_pid PID [GRACE_SECONDS]                    stop a process by pid
#   probe SUBCOMMAND ARGS...                        ask the Win32 probe
#   probe_absent SUBCOMMAND ARGS...                 the probe says "not there"
#   assert_eq / assert_contains / assert_match / assert_ok /
#   assert_fails / assert_exits / fail / pass / skip   checks, clear messages
#   seh_expected PID / seh_report                   exceptions Wine swallowed
#   tray_pixels / tray_shows level [PERCENT]|muted|nothing   the tray icon
#   tray_picture SIZE                               the picture it shows, if unscaled
#
# Assertions exit the script on failure, so call them at the top level of
# the test, not inside $(...).

PELM_RIG_DIR=${PELM_RIG_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
PELM_TOP=${PELM_TOP:-$(cd "$PELM_RIG_DIR/../.." && pwd)}
PELM_WAIT_INTERVAL=${PELM_WAIT_INTERVAL:-0.2}

_pelm_now_ns() { date +%s%N; }
_pelm_to_ns() { awk -v t="$1" 'BEGIN { printf "%.0f", t * 1000000000 }'; }

# wait_for 30 CMD ARGS...  or  wait_for CMD ARGS... --timeout 30
# Succeeds as soon as CMD does and prints that attempt's output; after the
# timeout, fails and shows what the last attempt said.
wait_for() {
  local timeout=60
  if [[ ${1:-} =~ ^[0-9]+([.][0-9]+)?$ ]]; then timeout=$1; shift; fi
  if [ $# -ge 2 ] && [ "${*: -2:1}" = --timeout ]; then
    timeout=${*: -1}
    set -- "${@:1:$(($# - 2))}"
  fi
  [ $# -gt 0 ] || { echo "wait_for: no command" >&2; return 2; }
  local deadline=$(( $(_pelm_now_ns) + $(_pelm_to_ns "$timeout") ))
  local out err
  out=$(mktemp) err=$(mktemp)
  while :; do
    if "$@" >"$out" 2>"$err"; then
      cat "$out"
      rm -f "$out" "$err"
      return 0
    fi
    [ "$(_pelm_now_ns)" -lt "$deadline" ] || break
    sleep "$PELM_WAIT_INTERVAL"
  done
  echo "wait_for: timed out after ${timeout} s: $*" >&2
  sed 's/^/  last attempt: /' "$err" >&2
  rm -f "$out" "$err"
  return 1
}

_pelm_procs() {
  local dir=${PELM_RIG_STATE:?not inside a rig: source the rig env first}/procs
  mkdir -p "$dir"
  echo "$dir"
}

# Starts EXE under Wine in the background and prints the Linux pid of the
# process that runs it (the Wine launcher, whose exit code is the program's).
# Output goes to files (wine_output/wine_errors), so $(wine_start ...) does
# not wait for the program.
wine_start() {
  [ $# -ge 1 ] || { echo "wine_start: no program" >&2; return 2; }
  local dir tag
  dir=$(_pelm_procs)
  tag=$(_pelm_now_ns)
  (
    set +e
    wine "$@" >"$dir/$tag.out" 2>"$dir/$tag.err" </dev/null &
    p=$!
    echo "$p" >"$dir/$tag.pid"
    wait "$p"
    rc=$?
    echo "$rc" >"$dir/$p.rc.tmp"
    mv "$dir/$p.rc.tmp" "$dir/$p.rc"
  ) >/dev/null 2>&1 </dev/null &
  local _
  for _ in $(seq 100); do
    [ -s "$dir/$tag.pid" ] && break
    sleep 0.05
  done
  local pid
  pid=$(cat "$dir/$tag.pid" 2>/dev/null) || { echo "wine_start: $1 did not start" >&2; return 1; }
  ln -sf "$tag.out" "$dir/$pid.out"
  ln -sf "$tag.err" "$dir/$pid.err"
  echo "$pid" >>"$dir/started"
  _pelm_ident "$pid" >>"$dir/started.ident"
  echo "$pid"
}

# Prints the exit code of a program started with wine_start and returns it;
# 124 (and a message) if it is still running after TIMEOUT seconds.
wine_wait_exit() {
  local pid=$1 timeout=${2:-60} dir
  dir=$(_pelm_procs)
  if ! wait_for "$timeout" test -s "$dir/$pid.rc" >/dev/null 2>&1; then
    echo "wine_wait_exit: $pid still running after $timeout s" >&2
    echo 124
    return 124
  fi
  local rc
  rc=$(cat "$dir/$pid.rc")
  echo "$rc"
  return "$rc"
}

# The Linux process that runs a program of ours. Wine's launcher (the pid
# wine_start gives) has start.exe start it apart and waits; it is named
# after its executable, and the folder tells ours from any other's.
linux_pid() { # EXE_NAME FOLDER
  local p
  for p in $(pgrep -x "$1"); do
    grep -qaF -- "$(basename "$2")" "/proc/$p/cmdline" 2>/dev/null && { echo "$p"; return 0; }
  done
  return 1
}

wine_output() { cat "$(_pelm_procs)/$1.out" 2>/dev/null; }
wine_errors() { cat "$(_pelm_procs)/$1.err" 2>/dev/null; }

# A process is named by its pid and its start time ("PID@TICKS"): pids wrap
# within minutes on a busy machine, and a pid recorded earlier may by now
# be another job's process. Whatever is signalled is checked first.
_pelm_started_at() { local s; s=$(cat "/proc/$1/stat" 2>/dev/null) && awk '{ print $20 }' <<<"${s##*) }"; }
_pelm_ident() { echo "$1@$(_pelm_started_at "$1")"; }

# SIGTERM, then SIGKILL after GRACE seconds; returns once the process is
# gone (PID, or PID@TICKS as _pelm_ident gives).
kill_pid() {
  local id=$1 grace=${2:-10}
  _pelm_gone "$id" && return 0
  kill "${id%@*}" 2>/dev/null || true
  if ! wait_for "$grace" _pelm_gone "$id" >/dev/null 2>&1; then
    _pelm_gone "$id" || kill -9 "${id%@*}" 2>/dev/null || true
    wait_for 10 _pelm_gone "$id" >/dev/null 2>&1 ||
      { echo "kill_pid: $1 survived SIGKILL" >&2; return 1; }
  fi
}
_pelm_gone() {
  local pid=${1%@*}
  kill -0 "$pid" 2>/dev/null || return 0
  case "$(ps -o stat= -p "$pid" 2>/dev/null)" in Z*|"") return 0 ;; esac
  [[ $1 != *@* ]] || [ "$(_pelm_started_at "$pid")" = "${1#*@}" ] || return 0
  return 1
}
_pelm_alive() { ! _pelm_gone "$1"; }

# "PID@TICKS NAME" of every Windows program and Wine server running in the
# Wine prefix PREFIX (by their environment: what each process runs is its
# name, under emulation too).
prefix_programs() {
  local p name
  for p in /proc/[0-9]*; do
    name=$(cat "$p/comm" 2>/dev/null) || continue
    case "$name" in *.exe | wineserver*) ;; *) continue ;; esac
    tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$1" &&
      echo "$(_pelm_ident "${p#/proc/}") $name"
  done
  return 0
}
# Those not Wine's own nor the rig's: what scenarios started.
prefix_strangers() {
  prefix_programs "$WINEPREFIX" | awk 'NR == FNR { rig[$2]; next } !($1 in rig) &&
    $2 !~ /^(wineserver.*|(services|winedevice|plugplay|svchost|rpcss|explorer)\.exe)$/' "$PELM_RIG_STATE/pids" -
}

# Every program this test started that is still running: those started with
# wine_start, then any other of the prefix (Wine's launcher runs a program
# apart, which may outlive it).
kill_started() {
  local dir=${PELM_RIG_STATE:-}/procs id name
  [ ! -f "$dir/started.ident" ] || while read -r id; do kill_pid "$id" 5 || true; done <"$dir/started.ident"
  [ -z "${WINEPREFIX:-}" ] || while read -r id name; do kill_pid "$id" 5 || true; done < <(prefix_strangers)
}

_pelm_find_probe() {
  local c
  for c in "${PELM_PROBE:-}" "${PELM_PROBE_DIR:+$PELM_PROBE_DIR/probe.exe}" \
           "${PELM_BUILD_DIR:-.}/tests/probe/probe.exe" \
           "${PELM_BUILD_DIR:-.}/win32/tests/probe/probe.exe"; do
    [ -n "$c" ] && [ -f "$c" ] && { echo "$c"; return 0; }
  done
  return 1
}

# Runs a probe command and passes its output and status on. Inside a rig the
# commands go to one resident probe per rig through a pair of pipes (a check
# costs a round trip, not a Wine start); commands that must be processes of
# their own, arguments that hold a tab or a line break, and calls outside a
# rig start the probe for themselves. A command unanswered after
# PELM_PROBE_TIMEOUT seconds (default 120) fails with 124, one whose probe
# died with 125; either way the next call starts a fresh probe.
probe() {
  local exe
  exe=$(_pelm_find_probe) ||
    { echo "probe: probe.exe not found (set PELM_PROBE or PELM_BUILD_DIR)" >&2; return 1; }
  case "${1:-} $*" in hold\ * | window\ * | fault-in-wndproc\ * | serve\ * | *$'\t'* | *$'\n'*) ;; *)
    [ -z "${PELM_RIG_STATE:-}" ] || { _pelm_probe_ask "$exe" "$@"; return; } ;;
  esac
  timeout -k 5 "${PELM_PROBE_TIMEOUT:-120}" wine "$exe" "$@" </dev/null
}
_pelm_probe_ask() {
  local exe=$1 dir=$PELM_RIG_STATE/probe lock rc=0
  shift
  mkdir -p "$dir"
  exec {lock}>"$dir/lock"
  flock "$lock"
  _pelm_probe_up "$exe" {lock}>&- && _pelm_probe_round "$@" || rc=$?
  exec {lock}>&-
  return "$rc"
}
# The resident probe of this rig, started if there is none. Its pipes are
# opened read-write on both sides, so that neither end waits for the other
# to open and a dead probe shows as silence, not as a hang.
_pelm_probe_up() {
  local dir=$PELM_RIG_STATE/probe
  [ -f "$dir/pid" ] && _pelm_alive "$(cat "$dir/pid")" && return 0
  rm -f "$dir/in" "$dir/out" "$dir/pid"
  mkfifo "$dir/in" "$dir/out"
  wine "$1" serve <>"$dir/in" 1<>"$dir/out" 2>>"$dir/stderr" &
  _pelm_ident "$!" | tee "$dir/pid" >>"$(_pelm_procs)/started.ident"
}
_pelm_probe_round() {
  local dir=$PELM_RIG_STATE/probe in out line part st rc
  local deadline=$(( $(date +%s) + ${PELM_PROBE_TIMEOUT:-120} ))
  exec {in}<>"$dir/in" {out}<>"$dir/out"
  (IFS=$'\t'; printf '%s\n' "$*") >&"$in"
  while :; do
    part=
    if IFS= read -r -t 1 part <&"$out"; then line+=$part; st=0; break; fi
    st=$?
    line+=$part
    if ! _pelm_alive "$(cat "$dir/pid")"; then st=125; break; fi
    if [ "$(date +%s)" -ge "$deadline" ]; then st=124; break; fi
  done
  exec {in}>&- {out}>&-
  if [ "$st" != 0 ]; then
    # The probe is stopped and the pipes go with it: no late answer can be
    # read as the next command's.
    kill_pid "$(cat "$dir/pid")" 5 || true
    rm -f "$dir/pid" "$dir/in" "$dir/out"
    if [ "$st" = 124 ]; then echo "probe: no answer to [$*] within ${PELM_PROBE_TIMEOUT:-120} s" >&2
    else echo "probe: the resident probe died during [$*] (its errors: $dir/stderr)" >&2; fi
    return "$st"
  fi
  rc=${line%%$'\t'*} line=${line#*$'\t'}
  printf '%b' "${line%%$'\t'*}"
  printf '%b' "${line#*$'\t'}" >&2
  return "$rc"
}
# probe_absent ARGS...: the probe answers "not there" (status 1); a probe
# that failed otherwise, timed out or died is no proof of an absence.
probe_absent() {
  local rc=0 err
  err=$(probe "$@" 2>&1 >/dev/null) || rc=$?
  [ "$rc" = 1 ] && return 0
  echo "probe $*: ${err:-it is there} (status $rc)" >&2
  return 1
}

# "red=N green=M gauge=H": pure red and pure green pixels in the notification
# area (the bottom right corner of the virtual desktop), and the rows that
# hold green.
# Wine 10's taskbar paints a changed icon over the old one without erasing
# it; the taskbar is repainted from its background first, as Windows always
# paints it.
tray_pixels() { _pelm_tray_area; }
# tray_picture SIZE: which tray picture's own SIZE-pixel image the
# notification area shows, pixel for pixel (Img50p.ico, ImgMute.ico), or
# "none", as when the shell scaled a picture of another size.
tray_picture() {
  _pelm_tray_area --find "$1" "$PELM_TOP"/resources/Img{10,20,30,40,50,60,70,80,90,100}p.ico \
    "$PELM_TOP/resources/ImgMute.ico"
}
_pelm_tray_area() {
  # The corner grows with the display's DPI, as the taskbar and its icons do.
  local shot tray w=$((96 * ${PELM_RIG_DPI:-96} / 96)) h=$((32 * ${PELM_RIG_DPI:-96} / 96))
  tray=$(probe find Shell_TrayWnd -) && probe redraw "$tray" ||
    { echo "tray_pixels: the taskbar could not be repainted" >&2; return 1; }
  shot=$(mktemp --suffix=.png)
  import -display "$DISPLAY" -window root "$shot" &&
    convert "$shot" -crop "${w}x${h}+$((1024 - w))+$((768 - h))" +repage -depth 8 ppm:- |
    python3 "$PELM_RIG_DIR/pixels.py" "$@"
  local rc=$?
  rm -f "$shot"
  return $rc
}
# The gauge rows that each level picture lights (0-9 %: the first, ...,
# 90-100 %: the tenth) in its 16-pixel image, which the tray shows at 96 dpi:
# half the 2, 5, 8 ... 29 rows of the 32-pixel one, as a shell that scales
# that one down shows them too.
_PELM_GAUGE_ROWS=(1 2 4 5 7 9 10 12 13 14)
# On a display of another DPI the tray draws the small-icon size of that DPI:
# the 32-pixel picture's own rows, or those the drawing gives that size.
_pelm_gauge_rows_at() {
  if [ "$1" = 32 ]; then echo 2 5 8 11 14 18 21 24 27 29; return; fi
  awk -v size="$1" '$1 == size { for (i = 2; i <= NF; i++) if (sub(/^levels=/, "", $i)) { gsub(/,/, " ", $i); print $i } }' \
    "$PELM_TOP/tools/icons/tray.txt"
}
if [ "${PELM_RIG_DPI:-96}" != 96 ]; then
  read -r -a _PELM_GAUGE_ROWS <<<"$(_pelm_gauge_rows_at $((16 * PELM_RIG_DPI / 96)))"
fi
tray_shows() { # tray_shows level [PERCENT]|muted|nothing
  local p want
  p=$(tray_pixels) || return 1
  case "$1" in
    level)
      if [ -n "${2:-}" ]; then want=${_PELM_GAUGE_ROWS[$(($2 >= 90 ? 9 : $2 / 10))]}; else
        want="(${_PELM_GAUGE_ROWS[*]})" want=${want// /|}; fi
      [[ $p =~ ^red=0\ green=[1-9][0-9]*\ gauge=$want$ ]] ;;
    muted) [[ $p =~ ^red=[1-9][0-9]*\ green=0\ gauge=0$ ]] ;;
    nothing) [ "$p" = "red=0 green=0 gauge=0" ] ;;
  esac || { echo "tray shows $p, not $*" >&2; return 1; }
}

PELM_PASSED=${PELM_PASSED:-0}
PELM_SKIPPED=${PELM_SKIPPED:-0}
pass() { PELM_PASSED=$((PELM_PASSED + 1)); echo "ok: $*"; }
# A check this machine cannot make: said, with the reason, and counted.
skip() { PELM_SKIPPED=$((PELM_SKIPPED + 1)); echo "SKIP: $*"; }
# The closing count (assertions exit on the first failure).
finish() {
  if [ "$PELM_SKIPPED" -gt 0 ]; then echo "$PELM_PASSED passed, 0 failed, $PELM_SKIPPED skipped"
  else echo "$PELM_PASSED passed, 0 failed"; fi
}
fail() {
  echo "FAIL: $*" >&2
  # What the screen showed then, for whoever reads the failure.
  if [ -n "${PELM_RIG_STATE:-}" ] && [ -n "${DISPLAY:-}" ] &&
     import -display "$DISPLAY" -window root "$PELM_RIG_STATE/failure.png" 2>/dev/null; then
    echo "screenshot: $PELM_RIG_STATE/failure.png" >&2
  fi
  exit 1
}

assert_eq() {
  [ "$1" = "$2" ] && { pass "${3:-values equal}"; return 0; }
  fail "${3:-values differ}: expected [$1], got [$2]"
}
assert_contains() {
  case "$1" in *"$2"*) pass "${3:-text contains [$2]}"; return 0 ;; esac
  fail "${3:-text lacks [$2]}: [$1] does not contain [$2]"
}
assert_match() {
  [[ $1 =~ $2 ]] && { pass "${3:-text matches /$2/}"; return 0; }
  fail "${3:-no match}: [$1] does not match /$2/"
}
assert_ok() {
  "$@" && { pass "$*"; return 0; }
  fail "command failed ($?): $*"
}
# The probe says 1 for "not there" and other codes for its own failures (2
# usage, 124 timed out): only the first is the answer asked for.
assert_fails() {
  local rc=0
  "$@" || rc=$?
  [ "$rc" = 1 ] && { pass "fails as expected: $*"; return 0; }
  [ "$rc" = 0 ] && fail "command succeeded but should fail: $*"
  fail "command failed for another reason (status $rc): $*"
}
# assert_exits PID WHAT [SECONDS]: the process ends within SECONDS (300),
# with exit code 0.
assert_exits() {
  local rc
  rc=$(wine_wait_exit "$1" "${3:-300}") || true
  assert_eq 0 "$rc" "$2"
}
# read_rect L T R B PROBE_ARGS...: four integers from the probe into the
# variables named, or the test fails (an empty read would click at 0,0).
read_rect() {
  local out names=("$1" "$2" "$3" "$4")
  shift 4
  out=$(probe "$@") || fail "probe $* failed"
  [[ $out =~ ^-?[0-9]+\ -?[0-9]+\ -?[0-9]+\ -?[0-9]+$ ]] || fail "probe $* gave [$out], not a rectangle"
  read -r "${names[@]}" <<<"$out"
}
# An existing folder with nothing in it (ls failing is not "empty").
assert_empty_dir() {
  [ -d "$1" ] || fail "${2:-folder}: $1 is not a folder"
  local entries
  entries=$(ls -A "$1") || fail "${2:-folder}: $1 cannot be listed"
  assert_eq "" "$entries" "${2:-folder is empty}"
}

# Windows ends a process whose window procedure lets an exception out;
# Wine logs it on the seh channel and goes on. Such lines in what a program
# started with wine_start printed fail the test (run-wine-test.sh), unless
# the test raised the exception on purpose and named the pid here.
PELM_SEH_PATTERN='err:seh:.*(ignoring exception|[Uu]nhandled)|^wine: [Uu]nhandled|err:seh:.*exception code'
seh_expected() { echo "$1" >>"$(_pelm_procs)/seh-expected"; }
seh_report() {
  local dir f pid
  dir=$(_pelm_procs)
  for f in "$dir"/*.pid; do
    [ -f "$f" ] || continue
    pid=$(cat "$f")
    grep -qx "$pid" "$dir/seh-expected" 2>/dev/null && continue
    grep -E "$PELM_SEH_PATTERN" "${f%.pid}.err" 2>/dev/null | sed "s/^/pid $pid: /"
  done
  return 0
}
