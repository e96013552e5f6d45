#!/usr/bin/env bash
# The start-up box of a machine without a mixer device, on a Western system
# (code page 1252): its caption and text are the Japanese ones, read back as
# UTF-16; then the program runs on and ends cleanly.
set -euo pipefail
. "$(dirname "$0")/common.inc"

pid=$(wine_start "$exe")
text=$(probe msgbox "Pelmora エラー" 300000 --dismiss) || fail "no error box titled Pelmora エラー"
assert_eq "ミキサーデバイスが取得できませんでした。" "$text" "the no-mixer box under code page 1252"
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
stop_program "exit code after WM_CLOSE"
finish
