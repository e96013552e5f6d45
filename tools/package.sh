#!/usr/bin/env bash
# Stages the release files and zips them into one folder, so that unzipping
# gives a single folder named after the staging directory.
#   package.sh OUT.zip STAGING_DIR pelmora.exe hookdll.dll SOURCE_DIR
# CMAKE names the cmake that writes the zip (no zip program needed);
# STRIP, when set, strips the staged binaries.
set -euo pipefail
if [ $# -ne 5 ]; then
  echo "usage: $0 OUT.zip STAGING_DIR EXE DLL SOURCE_DIR" >&2
  exit 2
fi
zip=$1 stage=$2 exe=$3 dll=$4 src=$5
cmake=${CMAKE:-cmake}

for f in "$exe" "$dll" "$src/release/readme-ja.txt" "$src/release/readme-en.txt" "$src/release/LICENSE.txt"; do
  [ -f "$f" ] || { echo "package: missing $f" >&2; exit 1; }
done

# Windows users read the texts in Notepad: CRLF, and the Japanese one in the
# ANSI code page it shows them in.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1"; }

case $(basename "$stage") in
  "" | . | .. | /) echo "package: unusable staging folder $stage" >&2; exit 1 ;;
esac
# A fresh staging folder each time: anything left over would ship.
rm -rf "$stage"
mkdir -p "$stage"
cp "$exe" "$stage/pelmora.exe"
cp "$dll" "$stage/hookdll.dll"
crlf "$src/release/readme-ja.txt" | iconv -f UTF-8 -t CP932 >"$stage/readme-ja.txt"
crlf "$src/release/readme-en.txt" >"$stage/readme-en.txt"
crlf "$src/release/LICENSE.txt" >"$stage/LICENSE.txt"
if [ -n "${STRIP:-}" ]; then
  "$STRIP" --strip-all "$stage/pelmora.exe" "$stage/hookdll.dll"
fi

# Written beside and moved into place, so a failed run leaves no zip that
# looks complete.
zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
folder=$(basename "$stage")
rm -f "$zip" "$zip.part"
(cd "$(dirname "$stage")" && "$cmake" -E tar cf "$zip.part" --format=zip \
  "$folder/pelmora.exe" "$folder/hookdll.dll" "$folder/readme-ja.txt" \
  "$folder/readme-en.txt" "$folder/LICENSE.txt")
mv "$zip.part" "$zip"
echo "package: $zip"
