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

start_program
hook_ready
notch 500 767 down
v=$(wait_for 30 percent) || fail "a notch over the taskbar did not step the volume"
v=$(down_from "$v")
notch 500 767 down
wait_for 30 is percent "$v" >/dev/null || fail "a second notch did not reach $v%"
pass "the wheel over the taskbar steps the volume to $v%"
# The registration dialog: its controls' hints are comctl32's tooltips.
menu_item 64
dlg=$(wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible) || fail "the registration dialog did not open"
click_child "$dlg" Button 0 # 閉じる
wait_for 30 dialog_hidden >/dev/null || fail "the registration dialog did not close"
stop_program
markers=$(cd "$app" && ls -- *.loaded 2>/dev/null || true)
assert_eq "" "$markers" "markers of planted libraries the program loaded"
pass "no planted library was loaded"
finish
