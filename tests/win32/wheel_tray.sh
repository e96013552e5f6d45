#!/usr/bin/env bash
# The wheel over the taskbar steps the real mixer of Wine and the tray icon's
# tooltip follows; the poll reads the written level back unchanged.
set -euo pipefail
. "$(dirname "$0")/common.inc"
pid=$(wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"

# Wine reports the taskbar as the bottom row of the screen.
tip_after_notch() {
  xdotool mousemove 500 767
  probe post "$hwnd" 0x8065 "$1" 0 >/dev/null
  sleep 1
  xdotool mousemove 1000 757 sleep 0.3 mousemove 1012 757
  probe tooltip 30000
}
percent() { sed -n 's/^Pelmora 1\.4 - \([0-9]*\)%$/\1/p' <<<"$1"; }

t1=$(tip_after_notch 0xFF880000) # -120: down
assert_match "$t1" '^Pelmora 1\.4 - [0-9]+%$' "tooltip after a notch down"
label=$(probe child-text "$hwnd" Label 0)
assert_eq "-120" "$label" "Label1 shows the delta"
p1=$(percent "$t1")
t2=$(tip_after_notch 0xFF880000)
p2=$(percent "$t2")
if [ "$p1" -le 20 ]; then step=1; elif [ "$p1" -le 30 ]; then step=2; else step=5; fi
expected=$((p1 - step)); [ "$expected" -lt 0 ] && expected=0
assert_eq "$expected" "$p2" "second notch steps by the table"
sleep 2 # several polls: a write the mixer had not taken would be read back as the old level
xdotool mousemove 1000 757 sleep 0.3 mousemove 1012 757
assert_eq "$t2" "$(probe tooltip 30000)" "the poll reads the written level back"
bash "$PELM_RIG_DIR/rig.sh" screenshot "$PELM_RIG_STATE" "$PELM_RIG_STATE/desktop-tray.png"

probe post "$hwnd" 0x10 0 0 >/dev/null
rc=$(wine_wait_exit "$pid" 300) || true
assert_eq 0 "$rc" "exit code"
finish
