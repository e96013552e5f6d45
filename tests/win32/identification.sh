#!/usr/bin/env bash
# Which program owns the window at a point, told by the program's own code
# in Wine: Wine's notepad, a program deep in a long path, one with a
# Shift-JIS name whose trail bytes are backslashes, nothing at a point off
# the screen; then the same with Wine set to report Windows 98 (tool help).
set -euo pipefail
. "$(dirname "$0")/common.inc"
cp "$PELM_BUILD_DIR/tests/win32/ident_test.exe" "$app/"
ident=$(winepath -w "$app/ident_test.exe")
key='HKCU\Software\Wine\AppDefaults\ident_test.exe' # in this rig's own prefix

# A folder path of more than 150 characters, and a name with 表 and ソ
# (Shift-JIS 0x95 0x5C and 0x83 0x5C). The deep path starts in a short
# folder of its own, so its length does not depend on the checkout's.
short=$(mktemp -d /tmp/pelm-id.XXXXXX)
trap 'kill_started; rm -rf "$short"' EXIT
deep="$short/$(printf 'a%.0s' $(seq 60))/$(printf 'b%.0s' $(seq 60))/$(printf 'c%.0s' $(seq 40))"
mkdir -p "$deep"
# The probe, copied under these names, shows their windows.
cp "$(_pelm_find_probe)" "$deep/Deep_Window.exe"
cp "$(_pelm_find_probe)" "$app/表示ソフト.exe"
deep_win=$(winepath -w "$deep/Deep_Window.exe")
[ ${#deep_win} -gt 150 ] || fail "the deep path is only ${#deep_win} characters"

show() { # show EXE TITLE: a window of that program, until the test ends
  local pid
  pid=$(other_window "$1" "$2")
  wait_for 120 probe find PelmIdentTest "$2" >/dev/null || fail "no window from $1"
}
show "$deep_win" pelm-deep
show "$(winepath -w "$app/表示ソフト.exe")" pelm-sjis
wine_start notepad >/dev/null
wait_for 120 probe find Notepad - >/dev/null || fail "notepad never showed"

name_at() { # name_at ARGS...: what ident_test says, without the platform line
  wine "$ident" "$@" </dev/null 2>/dev/null | tr -d '\r' | sed 1d
}
check_all() {
  local way=$1
  # Each window in turn comes to the top: it is the one under its own centre.
  assert_eq "name=deep_window.exe" "$(name_at --at-title pelm-deep)" "$way: a program under a ${#deep_win}-character path"
  assert_eq "name=表示ソフト.exe" "$(name_at --at-title pelm-sjis)" "$way: a Shift-JIS name with 0x5C trail bytes"
  assert_eq "name=notepad.exe" "$(name_at --at-title "$(probe text "$(probe find Notepad -)")")" "$way: Wine's notepad, over its edit box"
  assert_eq "not found" "$(name_at --at -5000 -5000)" "$way: no window at a point off the screen"
}
check_all "NT family"
bench=$(wine "$ident" --bench pelm-deep 10000 </dev/null 2>/dev/null | tr -d '\r' | sed -n 2p)
echo "figure: $bench"
assert_contains "$bench" "median" "the timing was taken"

wine reg add "$key" /v Version /d win98 /f >/dev/null 2>&1
assert_eq "platform 1 (9x family, tool-help)" "$(wine "$ident" --at 0 0 </dev/null 2>/dev/null | tr -d '\r' | head -1)" "the Windows 98 setting"
check_all "tool-help"
finish
