#!/usr/bin/env bash
# The registration dialog under real input: opened from the tray menu, the
# cross-hair dragged onto Wine's notepad registers it (once), Escape during
# a drag drops there too, a drop on the dialog registers nothing, 全てを削除
# empties the list, and each close of the dialog saves the list. A second
# menu command while it is open is refused with the error box, and the
# dialog stays above other windows.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
ini="$app/pelmora.ini"

start_program
wine_start notepad >/dev/null
pad=$(wait_for 120 probe find Notepad -) || fail "notepad never showed"
read_rect l t r b child-rect "$pad" Edit 0
pad_x=$(((l + r) / 2)) pad_y=$(((t + b) / 2))

open_dialog() {
  menu_item 64
  dlg=$(wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible) || fail "the dialog did not open"
  read_rect l t r b child-rect "$dlg" Static 1
  cross_x=$(((l + r) / 2)) cross_y=$(((t + b) / 2))
}
items() { probe listbox "$dlg" | tr -d '\r'; }
close_dialog() {
  read_rect l t r b child-rect "$dlg" Button 0
  xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 click 1
  # Closed is hidden: the dialog lives as long as the program.
  wait_for 30 dialog_hidden >/dev/null || fail "the dialog did not close"
}
has() { [ "$(items)" = "$1" ] || { echo "list is [$(items)]" >&2; return 1; }; }

open_dialog
assert_eq "selected -1" "$(items)" "the dialog opens with an empty list"
shot dialog
drag "$cross_x" "$cross_y" "$pad_x" "$pad_y"
wait_for 30 has "$(printf 'selected -1\nnotepad.exe')" >/dev/null || fail "a drop on notepad did not register it"
pass "a drop on notepad's edit box registers notepad.exe"
drag "$cross_x" "$cross_y" "$pad_x" "$pad_y"
wait_for 30 has "$(printf 'selected 0\nnotepad.exe')" >/dev/null || fail "the same drop again did not just select it"
pass "the same drop again adds nothing and selects the item"
close_dialog
assert_contains "$(tr -d '\r' <"$ini")" "StoredProgram=notepad.exe" "after 閉じる the file holds notepad.exe"

open_dialog
read_rect l t r b child-rect "$dlg" Button 2 # 全てを削除
xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 click 1
wait_for 30 has "selected -1" >/dev/null || fail "全てを削除 did not empty the list"
pass "全てを削除 empties the list"
drag "$cross_x" "$cross_y" "$pad_x" "$pad_y" escape
wait_for 30 has "$(printf 'selected -1\nnotepad.exe')" >/dev/null || fail "Escape over notepad did not register it"
pass "Escape during a drag over notepad registers it"
read_rect l t r b rect "$dlg"
drag "$cross_x" "$cross_y" $((l + 30)) $((b - 20))
# A drop that does nothing shows nothing; the drop on notepad after it
# (input is handled in order) selects the item once both are handled.
drag "$cross_x" "$cross_y" "$pad_x" "$pad_y"
wait_for 30 has "$(printf 'selected 0\nnotepad.exe')" >/dev/null ||
  fail "a drop back on the dialog registered something: $(items)"
pass "a drop back on the dialog registers nothing"

# The registration command again, while the dialog is open.
menu_item 64
assert_eq "表示されているウィンドウをモーダルにすることはできません." \
  "$(probe msgbox Pelmora 60000 --dismiss)" "the second menu command's error box"
assert_eq "$dlg" "$(probe wait-window TWindowStoreDlg - 1000 --visible)" "the dialog is still there"
assert_eq "$(printf 'selected 0\nnotepad.exe')" "$(items)" "and its list is as it was"

# Another window clicked: the dialog stays above it in the stacking order
# Windows keeps. (Wine's own drawing of it is not the program's: Wine's X
# driver raises the X window of whatever window takes the focus, top-most
# windows or not, so notepad may be drawn over the dialog after the click.
# The program's re-assertion cannot undo that there, since Wine turns a
# SetWindowPos(HWND_TOPMOST) of a window that is already first into no
# restack at all. On Windows the stacking order below is what is drawn.)
assert_eq topmost "$(probe topmost "$dlg")" "the dialog is top-most after the error box"
xdotool mousemove "$pad_x" "$pad_y" sleep 0.3 click 1
wait_for 30 is_foreground "$pad" >/dev/null || fail "the click on notepad did not activate it"
assert_eq topmost "$(probe topmost "$dlg")" "the dialog is top-most after a click on notepad"
read_rect l t r b rect "$dlg"
assert_eq "$dlg" "$(probe at $(((l + r) / 2)) $(((t + b) / 2)) | cut -d' ' -f1)" "the dialog is above notepad after a click on notepad"
# Notepad goes, so that the clicks below reach the dialog whatever Wine drew.
probe post "$pad" 0x10 0 0 >/dev/null
wait_for 60 probe_absent rect "$pad" 2>/dev/null || fail "notepad did not close"

read_rect l t r b child-rect "$dlg" Button 2
xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2)) sleep 0.3 click 1
wait_for 30 has "selected -1" >/dev/null || fail "全てを削除 did not empty the list"
close_dialog
assert_contains "$(tr -d '\r' <"$ini")" "$(printf 'StoredProgram=\nm_bMuteOnWinReboot')" "an emptied list is saved as StoredProgram="

menu_item 12
assert_exits "$pid" "exit code"
finish
