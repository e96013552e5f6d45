#!/usr/bin/env bash
# The hook library driven the way the program drives it, with wheel input
# injected by SendInput: on the NT family (the low-level hook) and with Wine
# set to report Windows 98 (the message hook with its shared section). On the
# NT family, real input (xdotool) must not wait while the user-interface
# thread of the hooking process is busy; on the 9x family, a hook handle left
# behind by an instance that ended without HookEnd must not block the next.
set -euo pipefail
. "$(dirname "$0")/common.inc"
cp "$PELM_BUILD_DIR/tests/win32/hook_test.exe" "$app/"
test_exe=$(winepath -w "$app/hook_test.exe")

run_checks() {
  local pid rc
  pid=$(wine_start "$test_exe")
  rc=$(wine_wait_exit "$pid" 600) || true
  wine_output "$pid" | tr -d '\r' | sed 's/^/  /'
  assert_eq 0 "$rc" "hook_test's exit code ($1)"
  wine_output "$pid" | grep -q '^all checks passed' || fail "hook_test did not finish its checks ($1)"
}
says() { wine_output "$1" | grep -q "$2"; }

key='HKCU\Software\Wine\AppDefaults\hook_test.exe' # in this rig's own prefix

# --- a busy user-interface thread does not hold the mouse --------------------
# --watch, another process, installs a low-level hook of its own first; the
# library's, installed later by --held, is called before it and passes each
# event on to it. --held then stops retrieving messages. Real moves and
# notches must get past the library's hook while that thread is held (the
# pointer position is no witness under Wine, which asks the X server for it),
# and the notches reach --held's window once it is released.
xdotool mousemove 500 600
watch=$(wine_start "$test_exe" --watch 3)
wait_for 300 says "$watch" '^WATCHING' >/dev/null || fail "hook_test --watch did not install its hook"
held=$(wine_start "$test_exe" --held)
wait_for 300 says "$held" '^HOLDING' >/dev/null || fail "hook_test --held did not start its hook"
wait_for 300 says "$watch" '^SEEN' >/dev/null || fail "hook_test --watch did not see the thread held"
xdotool mousemove 600 300 click 4 click 5 mousemove 650 350 mousemove 700 400
rc_watch=$(wine_wait_exit "$watch" 300) || true
# --held says its count before it ends; under Wine's WoW64 either its last
# line or the end of its process has been seen to go missing (the rig stops
# what never ends), so either one is its answer.
held_rc() { cat "$(_pelm_procs)/$held.rc" 2>/dev/null; }
held_answered() { says "$held" '^DONE' || [ -n "$(held_rc)" ]; }
# The cause seen so far: Wine's server aborts on an assertion while the held
# thread's hook ends, and says so in the rig's log.
server_aborted() { grep -qs 'add_queue_hook_count' "$PELM_RIG_STATE/wine.log"; }
held_or_abort() { held_answered || server_aborted; }
wait_for 120 held_or_abort >/dev/null || true
wine_output "$watch" | tr -d '\r' | sed 's/^/  watch: /'
wine_output "$held" | tr -d '\r' | sed 's/^/  held: /'
assert_eq 0 "$rc_watch" "real moves and notches got past the hook while the hooking thread was held"
if says "$held" '^DONE with 0 failures' || [ "$(held_rc)" = 0 ]; then
  pass "the notches made meanwhile arrived once the thread was released"
elif [ "$PELM_WINE_MODE_ACTIVE" = wow64 ] && ! held_answered &&
     says "$held" '^ok   the notches made while the thread was held arrive afterwards'; then
  # Seen on a busy machine: the notches arrived, then HookEnd or the
  # window's end never returned, which no other mode has shown.
  skip "the held process said its notches arrived, then hung in its end under Wine's WoW64$(server_aborted && echo ' (its server aborted: add_queue_hook_count)')"
else
  fail "the notches made meanwhile did not arrive once the thread was released (rc [$(held_rc)])"
fi

run_checks "NT family"
out=$(wine_output "$(tail -1 "$(_pelm_procs)/started")")
assert_contains "$out" "(low-level hook)" "the NT family takes the low-level hook"

# --- the 9x family ------------------------------------------------------------
wine reg add "$key" /v Version /d win98 /f >/dev/null 2>&1
# Other processes keep the library (and its shared section) mapped; an
# instance ends without HookEnd and leaves its hook handle there.
keeper=$(wine_start "$test_exe" --keep-library)
wait_for 300 says "$keeper" '^READY' >/dev/null || fail "hook_test --keep-library did not start"
crashed=$(wine_start "$test_exe" --crash)
rc=$(wine_wait_exit "$crashed" 600) || true
wine_output "$crashed" | tr -d '\r' | sed 's/^/  crash: /'
assert_eq 3 "$rc" "the first instance ended without HookEnd"
says "$crashed" '^ok   crash run: the hook is on' || fail "the first instance's hook did not work"
run_checks "Windows 98 setting, after an instance that ended without HookEnd"
out=$(wine_output "$(tail -1 "$(_pelm_procs)/started")")
assert_contains "$out" "platform 1 (message hook)" "the Windows 98 setting takes the message hook"
kill_pid "$keeper"
finish
