#!/usr/bin/env bash
# Installs what is missing, builds pelmora.exe and runs it under Wine: on
# $DISPLAY when there is one, otherwise in Xvfb with Wine's virtual desktop,
# where it takes a screenshot of the desktop with the tray icon.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/build-win32.sh" pelmora hookdll
exe="$build/win32/pelmora.exe"

if [ -n "${DISPLAY:-}" ]; then
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix} WINEARCH=win32 WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
  exec wine "$exe"
fi

state="$build/run-state"
bash "$top/tests/rig/rig.sh" start "$state"
trap 'bash "$top/tests/rig/rig.sh" stop "$state"' EXIT
# shellcheck disable=SC1091
. "$state/env"
. "$top/tests/rig/lib.sh"
pid=$(wine_start "$exe")
# Give the program its start, then look at the notification area.
wait_for 300 probe find TPelmFormMain - >/dev/null || echo "run: the program did not come up" >&2
sleep 2
shot="$build/pelmora-desktop.png"
bash "$top/tests/rig/rig.sh" screenshot "$state" "$shot"
echo "Screenshot of the desktop with the tray icon: $shot"
kill_pid "$pid"
