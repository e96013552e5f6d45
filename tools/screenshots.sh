#!/usr/bin/env bash
# Regenerates the pictures in docs/ from the acceptance walk: runs
# tests/win32/acceptance.sh in the Wine rig (unless --reuse DIR names a rig
# folder of an earlier run), and the scaled-display walk at 150 %, then crops
# each screenshot to what matters.
#   tools/screenshots.sh [--reuse build/win32/rig/acceptance.XXXXXX [build/win32/rig/scaled_display_at_144dpi.XXXXXX]]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${PELM_BUILD:-$top/build}
if [ "${1:-}" = --reuse ]; then
  dir=$2
else
  bash "$top/tools/build-win32.sh"
  # The system faces linked to a Japanese font, as on a Japanese Windows
  # (a registry recipe of its own, so a prefix of its own).
  (cd "$build/win32" && PELM_BUILD_DIR=$PWD PELM_RIG_FONTLINK=1 \
    bash "$top/tests/rig/run-wine-test.sh" "$top/tests/win32/acceptance.sh")
  dir=$(ls -d "$build/win32/rig/acceptance."* | head -1)
  # The same at 150 %: the tray icon at its size there, and the dialog.
  (cd "$build/win32" && PELM_BUILD_DIR=$PWD PELM_RIG_FONTLINK=1 PELM_RIG_DPI=144 \
    PELM_WINEPREFIX="$build/win32/rig/wineprefix-screenshots" bash "$top/tests/rig/run-wine-test.sh" \
    "$top/tests/win32/scaled_display_at_144dpi.sh")
  scaled=$(ls -d "$build/win32/rig/scaled_display_at_144dpi."* | head -1)
fi
scaled=${scaled:-${3:-}}
out="$top/docs"
# ImageMagick lives in the tools root, with the rig's other X tools.
convert() { bash "$top/tests/rig/roots.sh" exec tools convert "$@"; }
mkdir -p "$out"
# The screen is 1024x768; the taskbar is its bottom 20 rows, the tray icon
# sits at its right end. Small pictures are enlarged without smoothing, so
# that a 16-pixel icon shows as it is drawn.
crop() { convert "$dir/$1.png" -crop "$2" +repage ${4:+-filter point -resize $4} "$out/$3.png"; }
trim() { convert "$dir/$1.png" -crop 1024x748+0+0 +repage -fuzz 3% -trim +repage "$out/$2.png"; }
crop icon-level 200x46+824+722 icon-tooltip 300%
crop icon-muted 48x20+976+748 icon-muted 600%
# The menu, from the rectangle the walk noted, with a margin.
read -r _ l t r b <"$dir/menu.rect"
crop menu "$((r - l + 16))x$((b - t + 16))+$((l - 8))+$((t - 8))" menu
trim about about
crop dialog-registered 302x200+360+284 dialog-registered
if [ -n "$scaled" ]; then
  dir=$scaled
  crop icon-144dpi 300x69+724+699 icon-tooltip-150
  read -r l t r b <"$dir/dialog.rect"
  crop dialog-144dpi "$((r - l + 16))x$((b - t + 16))+$((l - 8))+$((t - 8))" dialog-150
fi
rm -f "$out/settings-window.png"
echo "pictures in $out:"
ls "$out"/*.png
