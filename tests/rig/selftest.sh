#!/usr/bin/env bash
# The rig's own test. Run without arguments it drives two rigs, one after
# the other, through run-wine-test.sh:
#   with audio:  a Japanese message box is read back in UTF-8 and dismissed,
#                and its program exits 0; winmm sees a mixer device; the
#                desktop shows its taskbar, and a screenshot is kept; a
#                rig with a program left is not reset for the next;
#   --no-audio:  winmm sees no mixer device.
# The Win32 helpers come from PELM_PROBE_DIR (the CMake build sets it).
set -euo pipefail
rig_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$rig_dir/../.." && pwd)

part_audio() {
  # shellcheck disable=SC1091
  . "$PELM_RIG_DIR/lib.sh"

  # Message box: CP932 text in, UTF-8 out, "\n" kept; dismissed by the probe.
  local pid text
  pid=$(wine_start "$PELM_PROBE_DIR/msgbox_demo.exe")
  text=$(probe msgbox "ペルモラ確認" 90000 --dismiss) || fail "no message box"
  assert_eq "$(printf '音量を表示できません。\nソフトウェアの二行目')" "$text" \
    "message box text reads back in UTF-8"
  assert_exits "$pid" "message box program exits 0 after the box is dismissed" 60

  # The mixer exists with the rig's PulseAudio server.
  pid=$(wine_start "$PELM_PROBE_DIR/mixer_count.exe")
  assert_exits "$pid" "mixer_count exits 0" 120
  local count
  count=$(wine_output "$pid" | tr -d '\r\n')
  assert_match "$count" '^[1-9][0-9]*$' "winmm reports a mixer device with audio (got $count)"

  # The desktop's taskbar, and a picture of it.
  local tray
  tray=$(probe find Shell_TrayWnd -) || fail "no taskbar window"
  assert_match "$tray" '^0x[0-9a-f]+$' "taskbar window found"
  bash "$PELM_RIG_DIR/rig.sh" screenshot "$PELM_RIG_STATE" "$PELM_RIG_STATE/desktop.png"
  [ -s "$PELM_RIG_STATE/desktop.png" ] || fail "no screenshot"
  pass "screenshot in $PELM_RIG_STATE/desktop.png"

  # An exception swallowed in a window procedure shows in the log the rig
  # reads; this one is raised on purpose, and said so.
  pid=$(wine_start "$(_pelm_find_probe)" fault-in-wndproc)
  wine_wait_exit "$pid" 120 >/dev/null || true
  assert_match "$(seh_report)" "pid $pid: " "a swallowed exception is reported"
  seh_expected "$pid"
  assert_eq "" "$(seh_report)" "an expected exception is not reported"

  # The resident probe: a command unanswered in time fails with 124, one
  # whose probe dies under it with 125, and the next call is answered by a
  # fresh probe; a failure of the probe is no proof of an absence.
  local rc=0 first
  first=$(cat "$PELM_RIG_STATE/probe/pid")
  PELM_PROBE_TIMEOUT=2 probe wait-window PelmNoSuchClass - 60000 2>/dev/null || rc=$?
  assert_eq 124 "$rc" "a probe command unanswered in time fails with 124"
  assert_match "$(probe find Shell_TrayWnd -)" '^0x[0-9a-f]+$' "the next command is answered"
  # A probe that takes a command and dies: the check fails with 125, and
  # the next one starts a fresh probe.
  local fake
  fake=$(mktemp -d "$PELM_RIG_STATE/fake.XXXXXX")
  mkdir "$fake/probe" && mkfifo "$fake/probe/in" "$fake/probe/out"
  (read -r _) <>"$fake/probe/in" 1<>"$fake/probe/out" &
  _pelm_ident $! >"$fake/probe/pid"
  rc=0
  PELM_RIG_STATE=$fake _pelm_probe_round find Shell_TrayWnd - 2>/dev/null || rc=$?
  assert_eq 125 "$rc" "a probe that dies under a command fails it with 125"
  assert_match "$(PELM_RIG_STATE=$fake probe find Shell_TrayWnd -)" '^0x[0-9a-f]+$' "a fresh probe answers after it"
  kill_pid "$(cat "$fake/probe/pid")" 5
  [ "$(cat "$PELM_RIG_STATE/probe/pid")" != "$first" ] || fail "the probe that timed out was not started anew"
  assert_fails probe_absent foreground extra-argument
  assert_ok probe_absent find PelmNoSuchClass -

  # A pid whose process is not the one recorded (its start time differs)
  # is not signalled.
  sleep 600 &
  local other=$!
  kill_pid "$other@1" 1
  _pelm_alive "$other" || fail "kill_pid signalled a process that only shares a recorded pid"
  pass "a recorded pid that now names another process is left alone"
  kill_pid "$(_pelm_ident "$other")" 5
  _pelm_gone "$other" || fail "kill_pid did not stop the process it recorded"

  # A rig is made ready for the next scenario only once nothing of this one
  # runs: a program its launcher started apart is found, and stopped.
  pid=$(wine_start "$(_pelm_find_probe)" window PelmRigLeft left 0 0 50 50)
  wait_for 60 probe find PelmRigLeft - >/dev/null || fail "no window"
  kill_pid "$(tail -n1 "$(_pelm_procs)/started.ident")" 5
  assert_match "$(bash "$PELM_RIG_DIR/rig.sh" reset "$PELM_RIG_STATE" 2>&1)" "still running: .*probe.exe" \
    "a rig with a program left running is not reset"
  kill_started
  assert_ok bash "$PELM_RIG_DIR/rig.sh" reset "$PELM_RIG_STATE"

  # hold event: ready is printed while the object exists.
  pid=$(wine_start "$(_pelm_find_probe)" hold event PelmRigSelftestEvent 3000)
  wait_for 60 grep -qx ready "$(_pelm_procs)/$pid.out" >/dev/null ||
    fail "hold event never said ready"
  assert_exits "$pid" "hold event exits 0 after its time" 60
}

part_no_audio() {
  # shellcheck disable=SC1091
  . "$PELM_RIG_DIR/lib.sh"
  local pid count
  pid=$(wine_start "$PELM_PROBE_DIR/mixer_count.exe")
  assert_exits "$pid" "mixer_count exits 0" 120
  count=$(wine_output "$pid" | tr -d '\r\n')
  assert_eq 0 "$count" "winmm reports no mixer device without audio"
}

case "${1:-}" in
  --part-audio) part_audio; exit 0 ;;
  --part-no-audio) part_no_audio; exit 0 ;;
esac

export PELM_BUILD_DIR=${PELM_BUILD_DIR:-/tmp/rig-selftest}
[ -f "${PELM_PROBE_DIR:-}/msgbox_demo.exe" ] ||
  { echo "selftest: PELM_PROBE_DIR names no built probe; run it from the Win32 build (ctest -R rig_selftest)" >&2; exit 2; }
export PELM_PROBE=$PELM_PROBE_DIR/probe.exe

if ! why=$(bash "$rig_dir/roots.sh" mode 2>&1 >/dev/null); then
  echo "SKIP: rig selftest: $why"
  exit 77
fi
echo "rig selftest: Wine runs $(bash "$rig_dir/roots.sh" mode) here"
passed=0 failed=0
for part in "--part-audio" "--no-audio --part-no-audio"; do
  # shellcheck disable=SC2086
  set -- $part
  opts=()
  [ "$1" = --no-audio ] && { opts=(--no-audio); shift; }
  echo "== rig selftest $1"
  if PELM_TEST_NAME=selftest${1#--part} bash "$rig_dir/run-wine-test.sh" "${opts[@]}" "$rig_dir/selftest.sh" "$1"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
  fi
done
echo "rig selftest: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
