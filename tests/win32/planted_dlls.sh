#!/usr/bin/env bash
# A winmm.dll and a comctl32.dll of someone else's beside the unzipped
# program, as in a downloads folder. Neither is a KnownDLL, so Windows looks
# for them in the program's folder first; the program must take its own
# from the system folder. The planted ones only leave a marker when loaded.
# Wine is told to prefer them, as Windows' own order does (native first).
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winmm,comctl32=n,b"
cp "$PELM_BUILD_DIR/tests/win32/planted/winmm.dll" "$PELM_BUILD_DIR/tests/win32/planted/comctl32.dll" "$app/"

# The stand-ins themselves leave the marker where Wine takes them.
for dll in winmm comctl32; do
  probe load "$(winepath -w "$app/$dll.dll")" >/dev/null || fail "the stand-in $dll.dll does not load"
  [ -e "$app/$dll.dll.loaded" ] || fail "the stand-in $dll.dll leaves no marker when loaded"
done
rm -f "$app"/*.loaded
pass "the stand-ins, loaded by their path, leave their markers"

# steps DOWN UP WHAT: a notch down, then one up, over the taskbar; each is
# handled (Label1 shows it) before the tooltip is read, since the pointer
# leaves the taskbar to show it. Leaves the level in v.
steps() {
  "$1"
  wait_for 30 is label -120 >/dev/null || fail "$3: a notch down was not handled"
  v=$(wait_for 30 percent) || fail "$3: a notch down over the taskbar did not step the volume"
  v=$(up_from "$v")
  "$2"
  wait_for 30 is label 120 >/dev/null || fail "$3: a notch up was not handled"
  wait_for 30 is percent "$v" >/dev/null || fail "$3: a notch up did not reach $v%"
}
wheel_down() { notch 500 767 down; }
wheel_up() { notch 500 767 up; }
post_down() { xdotool mousemove 500 767; probe post "$hwnd" WM_HOOKWHEEL 0xFF880000 0 >/dev/null; }
post_up() { xdotool mousemove 500 767; probe post "$hwnd" WM_HOOKWHEEL 0x00780000 0 >/dev/null; }

start_program
hook_ready
steps wheel_down wheel_up "the wheel"
pass "the wheel over the taskbar steps the volume to $v%"
stop_program
markers=$(cd "$app" && ls -- *.loaded 2>/dev/null || true)
assert_eq "" "$markers" "markers of planted libraries the program loaded"
pass "no planted library was loaded"

# --- the 9x family ------------------------------------------------------------
# Wine set to report Windows 98: no wide call is bound and the library
# search cannot be narrowed; the program still takes winmm and comctl32
# from the system folder, and works. A notification posted with the
# pointer over the taskbar stands in for the wheel (the message hook is
# hook_library.sh's).
key='HKCU\Software\Wine\AppDefaults\pelmora.exe'
# The prefix serves the other scenarios too: the setting goes however this ends.
unset_win98() { wine reg delete "$key" /f >/dev/null 2>&1 || true; }
unset_win98
trap 'kill_started; unset_win98' EXIT
wine reg add "$key" /v Version /d win98 /f >/dev/null 2>&1 || fail "cannot set the Windows 98 setting"
start_program
steps post_down post_up "Windows 98 setting"
stop_program "Windows 98 setting: the exit code"
unset_win98
markers=$(cd "$app" && ls -- *.loaded 2>/dev/null || true)
assert_eq "" "$markers" "Windows 98 setting: markers of planted libraries the program loaded"
pass "Windows 98 setting: the volume steps, and no planted library was loaded"
finish
