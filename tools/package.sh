#!/usr/bin/env bash
# Stages the release files and zips them into one folder, so that unzipping
# gives a single folder named after the staging directory.
#   package.sh OUT.zip STAGING_DIR pelmora.exe hookdll.dll SOURCE_DIR VERSION
# STRIP, when set, strips the staged binaries. The read-mes' @VERSION@
# becomes VERSION, and @SHA256:NAME@ the SHA-256 sum of the staged NAME
# (pelmora.exe, hookdll.dll, LICENSE.txt).
#
# The same commit gives the same zip, byte for byte: the entries are sorted,
# every one is dated the commit's time (SOURCE_DATE_EPOCH, when set, wins;
# outside a git checkout 1980-01-01), and none carries extra fields,
# permissions or an owner. python3 writes it (no zip program needed).
set -euo pipefail
if [ $# -ne 6 ]; then
  echo "usage: $0 OUT.zip STAGING_DIR EXE DLL SOURCE_DIR VERSION" >&2
  exit 2
fi
zip=$1 stage=$2 exe=$3 dll=$4 src=$5 version=$6

for f in "$exe" "$dll" "$src/release/readme-ja.txt" "$src/release/readme-en.txt" "$src/LICENSE"; do
  [ -f "$f" ] || { echo "package: missing $f" >&2; exit 1; }
done
case $version in
  "" | *[!0-9.]* | .* | *.) echo "package: unusable version '$version'" >&2; exit 1 ;;
esac

# Windows users read the texts in Notepad: CRLF, the Japanese one in the
# ANSI code page it shows them in, the English one (which quotes the
# Japanese menu items) in UTF-8 with the byte-order mark by which Notepad
# before Windows 10 tells UTF-8 from the ANSI code page.
declare -A sums
text() {
  sed -e '1s/^\xEF\xBB\xBF//' -e "s/@VERSION@/$version/g" -e 's/\r$//' -e 's/$/\r/' \
    -e "s/@SHA256:pelmora\.exe@/${sums[pelmora.exe]:-}/g" -e "s/@SHA256:hookdll\.dll@/${sums[hookdll.dll]:-}/g" \
    -e "s/@SHA256:LICENSE\.txt@/${sums[LICENSE.txt]:-}/g" "$1"
}

case $(basename "$stage") in
  "" | . | .. | /) echo "package: unusable staging folder $stage" >&2; exit 1 ;;
esac
# A fresh staging folder each time: anything left over would ship.
rm -rf "$stage"
mkdir -p "$stage"
cp "$exe" "$stage/pelmora.exe"
cp "$dll" "$stage/hookdll.dll"
text "$src/LICENSE" >"$stage/LICENSE.txt"
if [ -n "${STRIP:-}" ]; then
  # Rewriting a PE file, strip puts the time in its header unless
  # SOURCE_DATE_EPOCH says otherwise: 0, as the linker leaves it.
  SOURCE_DATE_EPOCH=0 "$STRIP" --strip-all "$stage/pelmora.exe" "$stage/hookdll.dll"
fi
# The read-mes give the sums of the files as they ship, so they come last.
for f in pelmora.exe hookdll.dll LICENSE.txt; do
  sums[$f]=$(sha256sum "$stage/$f" | cut -d' ' -f1)
done
text "$src/release/readme-ja.txt" | iconv -f UTF-8 -t CP932 >"$stage/readme-ja.txt"
{ printf '\xEF\xBB\xBF'; text "$src/release/readme-en.txt"; } >"$stage/readme-en.txt"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$src" log -1 --format=%ct 2>/dev/null || true)
fi
if [ -z "$SOURCE_DATE_EPOCH" ]; then
  echo "package: $src is no git checkout and SOURCE_DATE_EPOCH is not set: entries dated 1980-01-01" >&2
  SOURCE_DATE_EPOCH=315532800
fi

# Written beside and moved into place, so a failed run leaves no zip that
# looks complete.
zip=$(cd "$(dirname "$zip")" && pwd)/$(basename "$zip")
rm -f "$zip" "$zip.part"
python3 - "$zip.part" "$stage" "$SOURCE_DATE_EPOCH" <<'PY'
import os, sys, time, zipfile
out, stage, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
folder = os.path.basename(stage.rstrip("/"))
# A zip holds local times of 1980 to 2107 without a zone: the commit's time
# in UTC, so that no machine's zone changes the bytes; two-second steps.
stamp = time.gmtime(min(max(epoch, 315532800), 4354819198))[:6]
names = sorted(os.listdir(stage))
with zipfile.ZipFile(out, "w") as z:
    for name in names:
        with open(os.path.join(stage, name), "rb") as f:
            data = f.read()
        info = zipfile.ZipInfo(folder + "/" + name, date_time=stamp)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 0      # MS-DOS: no Unix mode, owner or times
        info.external_attr = 0x20   # the archive attribute alone
        z.writestr(info, data, compresslevel=9)
PY
mv "$zip.part" "$zip"
echo "package: $zip"
