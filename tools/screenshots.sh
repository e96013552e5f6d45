#!/usr/bin/env bash
# Regenerates the pictures in docs/ from the acceptance walk: runs
# tests/win32/acceptance.sh in the Wine rig (unless --reuse DIR names a rig
# folder of an earlier run), then crops each screenshot to what matters.
#   tools/screenshots.sh [--reuse build/win32/rig/acceptance.XXXXXX]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
if [ "${1:-}" = --reuse ]; then
  dir=$2
else
  bash "$top/tools/build-win32.sh"
  (cd "$build/win32" && PELM_BUILD_DIR=$PWD bash "$top/tests/rig/run-wine-test.sh" \
    "$top/tests/win32/acceptance.sh")
  dir=$(ls -d "$build/win32/rig/acceptance."* | head -1)
fi
out="$top/docs"
mkdir -p "$out"
# The screen is 1024x768; the taskbar is its bottom 20 rows, the tray icon
# sits at its right end; the dialog and the settings window open centred,
# the About box is the only window left on the desktop when it shows.
crop() { convert "$dir/$1.png" -crop "$2" +repage "$out/$3.png"; }
trim() { convert "$dir/$1.png" -crop 1024x748+0+0 +repage -fuzz 3% -trim +repage "$out/$2.png"; }
crop desktop-icon 240x60+784+708 icon-tooltip
crop icon-muted 240x60+784+708 icon-muted
crop menu 420x300+604+468 menu
trim about about
crop dialog-registered 302x200+360+284 dialog-registered
crop settings-window 340x204+341+282 settings-window
echo "pictures in $out:"
ls "$out"/*.png
