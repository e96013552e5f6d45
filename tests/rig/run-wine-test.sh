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
set -euo pipefail

rig_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
rig_opts=()
while [ $# -gt 0 ]; do
  case "$1" in
    --no-audio) rig_opts+=("$1"); shift ;;
    *) break ;;
  esac
done
[ $# -ge 1 ] || { echo "usage: run-wine-test.sh [--no-audio] TEST_SCRIPT [ARGS...]" >&2; exit 2; }
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

test_pid=
# shellcheck disable=SC2317 # called by the traps
cleanup() {
  local rc=$?
  trap - EXIT INT TERM
  if [ -n "$test_pid" ] && kill -0 "$test_pid" 2>/dev/null; then
    kill "$test_pid" 2>/dev/null || true
    wait "$test_pid" 2>/dev/null || true
  fi
  if [ -f "$state/env" ]; then
    (
      set +eu
      # shellcheck disable=SC1091
      . "$state/env"
      # shellcheck disable=SC1091
      . "$rig_dir/lib.sh"
      kill_started
    ) || true
  fi
  local stopped=0
  bash "$rig_dir/rig.sh" stop "$state" || stopped=$?
  if [ "$stopped" = 3 ]; then
    echo "FAIL: $name wrote into the cached Wine prefix" >&2
    [ "$rc" -ne 0 ] || rc=1
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

bash "$rig_dir/rig.sh" start "$state" "${rig_opts[@]}" ||
  { echo "run-wine-test: the rig did not start (logs in $state)" >&2; exit 1; }

# shellcheck disable=SC1091
. "$state/env"
export PELM_RIG_DIR=$rig_dir PELM_TOP=${PELM_TOP:-$(cd "$rig_dir/../.." && pwd)}
export PELM_BUILD_DIR=$build
# shellcheck disable=SC1091
PELM_PROBE=$(. "$rig_dir/lib.sh"; _pelm_find_probe) && export PELM_PROBE

set +e
timeout -k 10 "${PELM_TEST_TIMEOUT:-1200}" bash "$script" "$@" &
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
