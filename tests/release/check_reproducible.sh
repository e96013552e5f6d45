#!/usr/bin/env bash
# The same commit must give the same release zip, byte for byte, wherever it
# is built: builds the product once more from scratch in a folder of its own
# and compares its zip with the one given.
#   check_reproducible.sh pelmora-1.4-win32.zip SCRATCH_BUILD_DIR
#   check_reproducible.sh A.zip B.zip          compare two zips only
# For the build: PELM_SOURCE_DIR (the checkout), PELM_TOOLCHAIN_FILE,
# PELM_BUILD_TYPE (default Release), PELM_WERROR (default ON).
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 RELEASE.zip SCRATCH_BUILD_DIR | A.zip B.zip" >&2
  exit 2
fi
first=$1
[ -f "$first" ] || { echo "FAIL: no $first" >&2; exit 1; }

if [ -f "$2" ]; then
  second=$2
else
  scratch=$2
  src=${PELM_SOURCE_DIR:?PELM_SOURCE_DIR names the checkout to build}
  case $(basename "$scratch") in
    "" | . | .. | /) echo "FAIL: unusable scratch folder $scratch" >&2; exit 2 ;;
  esac
  # From scratch: nothing of an earlier build may stand in for this one.
  rm -rf "$scratch"
  config=(-S "$src" -B "$scratch" -DCMAKE_BUILD_TYPE="${PELM_BUILD_TYPE:-Release}"
          -DPELM_WERROR="${PELM_WERROR:-ON}")
  [ -n "${PELM_TOOLCHAIN_FILE:-}" ] && config+=(-DCMAKE_TOOLCHAIN_FILE="$PELM_TOOLCHAIN_FILE")
  # The Wine scenarios are not wanted in a folder that only packages.
  PELM_WINE_TESTS=0 cmake "${config[@]}" >"$scratch.log" 2>&1 ||
    { cat "$scratch.log"; echo "FAIL: the second build does not configure"; exit 1; }
  cmake --build "$scratch" --target release -j "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" >>"$scratch.log" 2>&1 ||
    { tail -n 40 "$scratch.log"; echo "FAIL: the second build failed (log: $scratch.log)"; exit 1; }
  second=$scratch/$(basename "$first")
  [ -f "$second" ] || { echo "FAIL: the second build made no $(basename "$first")"; exit 1; }
fi

if cmp -s "$first" "$second"; then
  echo "ok: $(basename "$first") is the same, byte for byte, from two builds ($(wc -c <"$first") bytes)"
  [ -n "${scratch:-}" ] && rm -rf "$scratch" "$scratch.log"
  exit 0
fi

# Say where they part: the entries, their dates and metadata, then the
# first differing byte of each differing file.
python3 - "$first" "$second" <<'PY'
import sys, zipfile
a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])
ia = {i.filename: i for i in a.infolist()}
ib = {i.filename: i for i in b.infolist()}
if [i.filename for i in a.infolist()] != [i.filename for i in b.infolist()]:
    print("FAIL: entries differ: %s / %s" % (list(ia), list(ib)))
for name in sorted(set(ia) & set(ib)):
    x, y = ia[name], ib[name]
    meta = lambda i: (i.date_time, i.create_system, i.external_attr, i.extra, i.compress_type)
    if meta(x) != meta(y):
        print("FAIL: %s: metadata %s / %s" % (name, meta(x), meta(y)))
    da, db = a.read(name), b.read(name)
    if da != db:
        at = next((k for k in range(min(len(da), len(db))) if da[k] != db[k]), min(len(da), len(db)))
        print("FAIL: %s: %d / %d bytes, first difference at offset 0x%x" % (name, len(da), len(db), at))
PY
echo "FAIL: $first and $second differ"
exit 1
