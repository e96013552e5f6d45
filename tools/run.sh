#!/usr/bin/env bash
# Installs what is missing, builds pelmora.exe with its hook library and runs
# it under Wine as a user's unzipped copy: both files in one folder
# ($PELM_BUILD/run, default build/run), since the program loads the library
# from its own folder. On $DISPLAY when there is one; otherwise in the test
# rig's Xvfb with Wine's virtual desktop, where it points at the tray icon so
# that its tooltip shows, saves a screenshot and says where it is.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
bash "$top/tools/build-win32.sh" pelmora hookdll probe
run="$build/run"
mkdir -p "$run"
cp "$build/win32/pelmora.exe" "$build/win32/hookdll/hookdll.dll" "$run/"
exe="$run/pelmora.exe"

if [ -n "${DISPLAY:-}" ]; then
  # Wine from the roots (tools/setup.sh made them), in this kernel's mode.
  PELM_WINE_MODE_ACTIVE=$(bash "$top/tests/rig/roots.sh" mode)
  bash "$top/tests/rig/roots.sh" links "$build/run-bin"
  export PELM_WINE_MODE_ACTIVE PATH=$build/run-bin:$PATH
  export PELM_ROOT_BINDS=$build:$(dirname "${XAUTHORITY:-/nonexistent/x}")
  export WINEPREFIX=${WINEPREFIX:-$build/wineprefix-$PELM_WINE_MODE_ACTIVE-desktop}
  if [ "$PELM_WINE_MODE_ACTIVE" = wow64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
  export WINEDLLOVERRIDES="mscoree,mshtml=" PELM_WINE_LANG=ja_JP.UTF-8
  echo "run: starting $exe on $DISPLAY (Wine: $PELM_WINE_MODE_ACTIVE)"
  exec wine "$exe"
fi

state="$build/run-state"
echo "run: starting the rig (the first start makes a Wine prefix)"
bash "$top/tests/rig/rig.sh" start "$state"
# shellcheck disable=SC1091
. "$state/env"
export PELM_BUILD_DIR="$build/win32"
# shellcheck disable=SC1091
. "$top/tests/rig/lib.sh"
pid=
trap '[ -z "$pid" ] || kill_pid "$pid"; bash "$top/tests/rig/rig.sh" stop "$state"' EXIT
pid=$(wine_start "$exe")
wait_for 300 probe find TPelmFormMain - >/dev/null ||
  { echo "run: the program did not come up (see $state)" >&2; exit 1; }
wait_for 60 tray_shows level >/dev/null || echo "run: no tray icon showed" >&2
# The tooltip shows when the pointer comes onto the icon afresh; on a busy
# machine it may take a few tries.
hover() { xdotool mousemove 1000 757 sleep 0.3 mousemove 1012 757; probe tooltip 5000; }
tip=$(wait_for 90 hover | tr -d '\r') || tip="(no tooltip)"
shot="$build/pelmora-desktop.png"
bash "$top/tests/rig/rig.sh" screenshot "$state" "$shot"
echo "run: the icon's tooltip reads: $tip"
echo "run: screenshot of the desktop with the icon and its tooltip: $shot"
