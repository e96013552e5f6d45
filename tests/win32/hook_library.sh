#!/usr/bin/env bash
# The hook library driven the way the program drives it, with wheel input
# injected by SendInput: on the NT family (the low-level hook) and with Wine
# set to report Windows 98 (the message hook with its shared section).
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

# The prefix outlives the test: clear a setting an interrupted run left.
key='HKCU\Software\Wine\AppDefaults\hook_test.exe'
wine reg delete "$key" /f >/dev/null 2>&1 || true

run_checks "NT family"
out=$(wine_output "$(tail -1 "$(_pelm_procs)/started")")
assert_contains "$out" "(low-level hook)" "the NT family takes the low-level hook"

wine reg add "$key" /v Version /d win98 /f >/dev/null 2>&1
run_checks "Windows 98 setting"
out=$(wine_output "$(tail -1 "$(_pelm_procs)/started")")
assert_contains "$out" "platform 1 (message hook)" "the Windows 98 setting takes the message hook"
wine reg delete "$key" /f >/dev/null 2>&1 || true
echo "$PELM_PASSED passed, 0 failed"
