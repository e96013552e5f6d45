#!/usr/bin/env bash
# How the two windows are laid out and take the keyboard: the registration
# dialog's pictures keep their 33 x 33 boxes, its second label does not wrap
# and its first sits at the bottom of its box, and the list box has the
# focus when the dialog opens; in the settings window Tab moves between the
# buttons and Alt+H presses 設定画面を閉じる(&H).
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
focus_is() { # focus_is HWND "CLASS TEXT"
  local f
  f=$(probe focus "$1")
  [ "$f" = "$2" ] || { echo "focus on [$f], not [$2]" >&2; return 1; }
}

start_program

menu_item 64
dlg=$(wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible) || fail "the dialog did not open"

# The two pictures keep the boxes they were described with.
for i in 0 1; do
  read_rect l t r b child-rect "$dlg" Static "$i"
  assert_eq "33 x 33" "$((r - l)) x $((b - t))" "picture $i's size"
done

# The focus starts in the list box (tab order 0).
wait_for 60 focus_is "$dlg" "ListBox " >/dev/null || fail "the list box does not have the focus"
pass "the list box has the focus when the dialog opens"

# Label3 stays on one line; Label2 wraps where it must.
SS_LEFT=0 SS_LEFTNOWORDWRAP=12
assert_eq "$SS_LEFT" "$(probe label-style "$dlg" 0)" "Label2 is a wrapping left-aligned text"
assert_eq "$SS_LEFTNOWORDWRAP" "$(probe label-style "$dlg" 1)" "Label3 does not wrap"

# Label2's text lies at the bottom of its 17-pixel box: dark pixels in its
# lowest rows, which a text at the top of the box (12 pixels high) leaves empty.
read_rect l t r b child-rect "$dlg" Label 0
label_rows() {
  local shot rows
  shot=$(mktemp --suffix=.png)
  import -display "$DISPLAY" -window root "$shot"
  rows=$(convert "$shot" -crop "$((r - l))x$((b - t))+$l+$t" +repage -depth 8 ppm:- |
    python3 "$PELM_RIG_DIR/pixels.py" --dark-rows)
  rm -f "$shot"
  echo "$rows"
}
text_at_bottom() {
  local rows last
  rows=$(label_rows)
  last=${rows##* }
  [ -n "$rows" ] && [ "$last" -ge 14 ] || { echo "Label2's dark rows: [$rows]" >&2; return 1; }
}
wait_for 60 text_at_bottom >/dev/null || fail "Label2's text is not at the bottom of its box"
pass "Label2's text sits at the bottom of its box"
shot dialog-layout

# Enter presses the default button 閉じる, from the list box.
xdotool key Return
wait_for 30 dialog_hidden >/dev/null || fail "Enter did not close the dialog"

# The settings window (its menu item is hidden: shown from outside).
probe show "$hwnd" || fail "the settings window did not show"
wait_for 60 focus_is "$hwnd" "Button 設定画面を閉じる(&H)" >/dev/null ||
  fail "設定画面を閉じる(&H) does not have the focus in the settings window"
xdotool key Tab
wait_for 60 focus_is "$hwnd" "Button Pelmora を終了" >/dev/null || fail "Tab did not move the focus on"
pass "Tab moves the focus to the next button"
# Escape in a form that is not modal does nothing (closing this one would
# end the program). The Tab after it is handled after it: once the focus has
# come round, Escape has been handled too.
xdotool key Escape sleep 0.3 key Tab
wait_for 60 focus_is "$hwnd" "Button 設定画面を閉じる(&H)" >/dev/null || fail "Tab did not come round"
probe wait-window TPelmFormMain - 1000 --visible >/dev/null || fail "Escape closed the settings window"
pass "Escape leaves the settings window and the program alone"
xdotool key alt+h
wait_for 60 probe no-visible-windows pelmora.exe >/dev/null || fail "Alt+H did not close the settings window"
pass "Alt+H presses 設定画面を閉じる(&H)"

menu_item 12
assert_exits "$pid" "the exit code after 終了(&X)"
finish
