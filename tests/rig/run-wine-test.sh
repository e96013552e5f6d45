#!/usr/bin/env bash
# Runs one Wine test script inside a fresh rig and returns the script's
# status; the rig is stopped whatever happens.
#
#   run-wine-test.sh [--no-audio] TEST_SCRIPT [ARGS...]
#
# The state dir is PELM_BUILD_DIR (or the current dir)/rig/NAME.XXXXXX (NAME:
# PELM_TEST_NAME or the script's name); the
# newest one of each test is kept for its logs and screenshots. The script
# runs with the rig's env plus PELM_RIG_STATE, PELM_RIG_DIR, PELM_TOP,
# PELM_BUILD_DIR and PELM_PROBE (when probe.exe is found), and is stopped
# after PELM_TEST_TIMEOUT seconds (default 1200), so that a test runner's own
# timeout never has to kill the rig's processes blindly.
#
# With PELM_RIG_POOL set (the test runner sets it), scenarios of the same
# mode, locale, DPI and audio share rigs kept up in that folder: a scenario
# takes an idle one, reset and checked empty (rig.sh reset), or starts one
# there; its own files stay in its state dir. A rig whose scenario failed,
# or that cannot be reset, is stopped. run-wine-test.sh --stop-pool stops
# them all.
set -euo pipefail

rig_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rig_opts=()
while [ $# -gt 0 ]; do
  case "$1" in
    --no-audio) rig_opts+=("$1"); shift ;;
    *) break ;;
  esac
done
pool=${PELM_RIG_POOL:-}
if [ "${1:-}" = --stop-pool ]; then
  stopped=0
  [ -z "$pool" ] || for rig in "$pool"/*.rig; do
    [ -d "$rig" ] || continue
    (flock 9 && bash "$rig_dir/rig.sh" stop "$rig" && rm -rf "$rig") 9>"$rig.lock" ||
      { echo "FAIL: the rig $rig did not stop cleanly (status 3: a scenario wrote into the cached prefix)" >&2; stopped=1; }
    rm -f "$rig.lock"
  done
  exit "$stopped"
fi
[ $# -ge 1 ] || { echo "usage: run-wine-test.sh [--no-audio] TEST_SCRIPT [ARGS...] | --stop-pool" >&2; exit 2; }
script=$1; shift
[ -f "$script" ] || { echo "run-wine-test: no such script $script" >&2; exit 2; }

if ! why=$(bash "$rig_dir/roots.sh" mode 2>&1 >/dev/null); then
  echo "SKIP: $(basename "$script" .sh): $why" >&2
  exit 77
fi

build=${PELM_BUILD_DIR:-$PWD}
mkdir -p "$build/rig"
build=$(cd "$build" && pwd)
name=${PELM_TEST_NAME:-$(basename "$script" .sh)}
# Earlier states of this test are kept until the next run, unless a rig of
# theirs is still up (a parallel run of the same test).
for old in "$build/rig/$name".*; do
  [ -d "$old" ] || continue
  [ -s "$old/pids" ] && continue
  rm -rf "$old"
done
state=$(mktemp -d "$build/rig/$name.XXXXXX")
rig=$state
exec {lock}</dev/null # the pool rig's lock, once there is one

test_pid=
# shellcheck disable=SC2317 # called by the traps
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -n "$test_pid" ] && kill -0 "$test_pid" 2>/dev/null; then
    kill "$test_pid" 2>/dev/null || true
    wait "$test_pid" 2>/dev/null || true
  fi
  if [ -f "$rig/env" ]; then
    (
      set +eu
      # shellcheck disable=SC1091
      . "$rig/env"
      # shellcheck disable=SC1091
      . "$rig_dir/lib.sh"
      PELM_RIG_STATE=$state kill_started
    ) || true
  fi
  # A rig of the pool stays up for the next scenario if this one passed and
  # the rig can be made ready again.
  if [ "$rig" != "$state" ] && { [ "$rc" -eq 0 ] || [ "$rc" -eq 77 ]; } &&
     bash "$rig_dir/rig.sh" reset "$rig" {lock}>&-; then
    exit "$rc"
  fi
  local stopped=0
  bash "$rig_dir/rig.sh" stop "$rig" {lock}>&- || stopped=$?
  if [ "$stopped" = 3 ]; then
    echo "FAIL: $name wrote into the cached Wine prefix" >&2
    [ "$rc" -ne 0 ] || rc=1
  fi
  [ "$rig" = "$state" ] || { mv "$rig" "$state/rig"; rm -f "$rig.lock"; }
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# An idle rig of this kind from the pool (its lock free), else a new one
# there. No process started from here may inherit the lock.
if [ -n "$pool" ]; then
  mkdir -p "$pool"
  kind=$(bash "$rig_dir/roots.sh" mode)-${PELM_RIG_LANG:-ja_JP.UTF-8}-${PELM_RIG_DPI:-96}-${rig_opts[*]:-audio}
  kind=${kind//[^A-Za-z0-9_.-]/_}
  taken=
  for idle in "$pool/$kind".*.rig; do
    [ -d "$idle" ] || continue
    exec {lock}>&- {lock}>"$idle.lock"
    flock -n "$lock" && [ -f "$idle/env" ] && { taken=$idle; break; }
  done
  if [ -z "$taken" ]; then
    taken=$(mktemp -d "$pool/$kind.XXXXXX.rig")
    exec {lock}>&- {lock}>"$taken.lock"
    flock "$lock"
  fi
  rig=$taken
  ln -s "$rig/env" "$state/env"
  ln -s "$rig/pids" "$state/pids"
fi
if [ ! -f "$rig/env" ]; then
  bash "$rig_dir/rig.sh" start "$rig" "${rig_opts[@]}" {lock}>&- ||
    { echo "run-wine-test: the rig did not start (logs in $rig)" >&2; exit 1; }
fi

# shellcheck disable=SC1091
. "$rig/env"
export PELM_RIG_STATE=$state
export PELM_RIG_DIR=$rig_dir PELM_TOP=${PELM_TOP:-$(cd "$rig_dir/../.." && pwd)}
export PELM_BUILD_DIR=$build
# shellcheck disable=SC1091
PELM_PROBE=$(. "$rig_dir/lib.sh"; _pelm_find_probe) && export PELM_PROBE

set +e
timeout -k 10 "${PELM_TEST_TIMEOUT:-1200}" bash "$script" "$@" {lock}>&- &
test_pid=$!
wait "$test_pid"
rc=$?
test_pid=
set -e
[ "$rc" -eq 124 ] && echo "run-wine-test: $name timed out after ${PELM_TEST_TIMEOUT:-1200} s" >&2
seh=$(set +eu; . "$rig_dir/lib.sh"; seh_report)
if [ -n "$seh" ]; then
  echo "FAIL: Wine swallowed exceptions that would end the program on Windows:" >&2
  echo "$seh" >&2
  [ "$rc" -ne 0 ] || rc=1
fi
exit "$rc"
