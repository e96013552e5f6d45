#!/usr/bin/env bash
# The tray icon under real input: a click mutes and unmutes (the picture
# follows), a double click starts the volume control, a right click opens
# the menu, whose About box and exit command work. The picture comes at the
# tray's size, and as the 16-colour one on the 9x family.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"

# A stand-in volume control leaves a marker when started; one on PATH under
# the old name is not the system's and must not start.
bin="$app/bin"
mkdir -p "$bin"
cp "$PELM_BUILD_DIR/tests/probe/standin.exe" "$bin/sndvol32.exe"
volume_control_standin
marker=$standin_marker

pid=$(WINEPATH=$(winepath -w "$bin") wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
wait_for 60 tray_shows level >/dev/null || fail "the level picture never appeared"
pass "the icon shows a level picture"
shot tray-level
# At 96 dpi the tray draws 16 pixels: the picture's own image of that size,
# not the 32-pixel one scaled.
assert_match "$(tray_picture 16)" '^Img[0-9]+p[.]ico$' "the tray shows a level picture's 16-pixel image"

click_icon 1
wait_for 30 tray_shows muted >/dev/null || fail "a click did not mute"
pass "a click shows the muted picture"
shot tray-muted
assert_eq ImgMute.ico "$(tray_picture 16)" "the tray shows the muted picture's 16-pixel image"
click_icon 1
wait_for 30 tray_shows level >/dev/null || fail "a second click did not unmute"
pass "a second click brings the level picture back"

clicked=$(date +%s%N)
click_icon 1 2
wait_for 60 test -f "$marker" || fail "a double click did not start the system's sndvol.exe"
pass "a double click starts the volume control ($(cat "$marker"))"
assert_fails test -e "$bin/sndvol32.exe.started"
# A single click mutes on its timer, due the double-click time (Wine's 500
# ms) after it. Once that time is over, a timer still set is due, and the
# program takes it before any message posted after it has read a label
# (sent messages first, then posted ones, then timers): the second marker
# is handled after any such mute.
past_click() { [ $(($(date +%s%N) - clicked)) -gt 1000000000 ]; }
wait_for 5 past_click || fail "the clock did not move"
for m in 7 8; do
  probe post "$hwnd" WM_HOOKWHEEL $((m << 16)) 0 >/dev/null
  wait_for 30 is label "$m" >/dev/null || fail "marker $m was not handled"
done
assert_ok tray_shows level
pass "a double click does not toggle mute"

about_from_menu
pass "a right click opens the menu ($menu), and its About box"

menu_item 12 # 終了(&X)
assert_exits "$pid" "exit code after 終了(&X)"
wait_for 30 tray_shows nothing >/dev/null || fail "the icon stayed in the notification area"
pass "終了(&X) ends the program and its icon leaves"

# The 9x family is given the 32-pixel 16-colour picture it always showed,
# which its shell scales to the tray's size: the gauge reads the same.
wine reg add 'HKCU\Software\Wine\AppDefaults\pelmora.exe' /v Version /d win98 /f >/dev/null 2>&1
start_program
assert_eq none "$(tray_picture 16)" "the 9x family shows the 32-pixel picture, scaled"
stop_program
finish
