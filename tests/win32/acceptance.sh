#!/usr/bin/env bash
# The program as a user meets it, start to finish, input only from xdotool:
# start without a settings file, the icon, a second start, the wheel over
# the taskbar, Ctrl with the wheel, a click and a double click on the icon,
# the menu and its About box, registering notepad with the dialog and the
# wheel over it, the settings window, 終了(&X), and the next start reading
# the registration back. Screenshots of each stage stay in the rig folder.
set -euo pipefail
. "$(dirname "$0")/common.inc"
. "$(dirname "$0")/gestures.inc"
ini="$app/pelmora.ini"
bin="$app/bin"
mkdir -p "$bin"
volume_control_standin
start() { WINEPATH=$(winepath -w "$bin") wine_start "$exe"; }

# 1. Start: nothing but the icon.
assert_fails test -e "$ini"
pid=$(start)
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
wait_for 60 tray_shows level >/dev/null || fail "no level picture"
assert_ok probe no-visible-windows pelmora.exe
assert_eq "Pelmora 1.4" "$(tip)" "the tooltip at start"
shot desktop-icon
# 2. A second start changes nothing.
assert_exits "$(start)" "the second start's exit code"
assert_eq "$hwnd" "$(probe find TPelmFormMain -)" "the first instance's window after a second start"

# 3. The wheel over the taskbar; the tooltip follows.
hook_ready
notch 500 767 down
v=$(wait_for 30 percent) || fail "no level after a notch"
notch 500 767 down
v=$(down_from "$v")
wait_for 30 is percent "$v" >/dev/null || fail "a notch down did not step to $v%"
notch 500 767 up
v=$(up_from "$v")
wait_for 30 is percent "$v" >/dev/null || fail "a notch up did not step to $v%"
pass "the wheel over the taskbar steps the level ($v%)"
wait_for 30 tray_shows level "$v" >/dev/null || fail "the icon does not show the picture for $v%"
shot icon-level

# 4. Ctrl with the wheel mutes and unmutes.
notch 500 767 down ctrl tray_shows muted
wait_for 30 tray_shows muted >/dev/null || fail "Ctrl with the wheel down did not mute"
notch 500 767 up ctrl tray_shows level
wait_for 30 tray_shows level "$v" >/dev/null || fail "Ctrl with the wheel up did not unmute to the picture for $v%"
pass "Ctrl with the wheel mutes and unmutes"

# 5. A click toggles mute; a double click starts the volume control.
click_icon 1
wait_for 30 tray_shows muted >/dev/null || fail "a click did not mute"
shot icon-muted
click_icon 1
wait_for 30 tray_shows level "$v" >/dev/null || fail "a second click did not unmute to the picture for $v%"
click_icon 1 2
wait_for 60 test -f "$standin_marker" >/dev/null || fail "a double click did not start the volume control"
pass "a click toggles mute, a double click starts the volume control"

# 6. The menu and the About box.
about_from_menu

# 7. The dialog registers notepad by a drag; the wheel over notepad works.
wine_start notepad >/dev/null
pad=$(wait_for 120 probe find Notepad -) || fail "notepad never showed"
read_rect l t r b child-rect "$pad" Edit 0
pad_x=$(((l + r) / 2)) pad_y=$(((t + b) / 2))
menu_item 64
dlg=$(wait_for 60 probe wait-window TWindowStoreDlg - 1000 --visible) || fail "the dialog did not open"
shot dialog
read_rect l t r b child-rect "$dlg" Static 0
drag $(((l + r) / 2)) $(((t + b) / 2)) "$pad_x" "$pad_y"
has_notepad() { probe listbox "$dlg" | grep -qx 'notepad.exe'; }
wait_for 30 has_notepad >/dev/null || fail "the drop did not register notepad"
shot dialog-registered
click_child "$dlg" Button 0 # 閉じる
wait_for 30 dialog_hidden >/dev/null || fail "the dialog did not close"
notch "$pad_x" "$pad_y" down
v=$(down_from "$v")
wait_for 30 is percent "$v" >/dev/null || fail "the wheel over the registered notepad did not step to $v%"
pass "notepad registered by a drag; the wheel over it steps the level"

# 8. The settings window (its menu item is hidden: shown from outside),
# closed with its own button.
probe show "$hwnd" || fail "the settings window did not show"
shot settings-window
click_child "$hwnd" Button 0 # 設定画面を閉じる(&H)
wait_for 30 probe no-visible-windows pelmora.exe >/dev/null || fail "the settings window did not close"

# 9. 終了(&X): the program ends, the icon goes, the file holds the registration.
menu_item 12
assert_exits "$pid" "the exit code after 終了(&X)"
wait_for 30 tray_shows nothing >/dev/null || fail "the icon stayed"
assert_contains "$(tr -d '\r' <"$ini")" "StoredProgram=notepad.exe" "the settings file after 終了(&X)"

# 10. The next start reads it back: the wheel over notepad works at once.
pid=$(start)
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared again"
wait_for 60 tray_shows level >/dev/null || fail "no icon on the next start"
hook_ready
notch "$pad_x" "$pad_y" down
wait_for 30 percent >/dev/null || fail "the wheel over notepad did nothing after the restart"
pass "the next start reads the registration back"
menu_item 12
assert_exits "$pid" "the exit code at the end"
echo "screenshots: $PELM_RIG_STATE/*.png"
finish
