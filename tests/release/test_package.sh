#!/usr/bin/env bash
# tools/package.sh without a Windows build: stand-in binaries, the real
# read-mes. The same inputs must give the same zip whatever the clock, the
# time zone, the umask, the files' dates or the staging folder. (The Win32
# build's release check looks at the real zip's texts and binaries.)
#   test_package.sh SOURCE_DIR
set -euo pipefail
src=$(cd "${1:?usage: $0 SOURCE_DIR}" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

mkdir -p "$tmp/in"
printf 'MZ stand-in executable' >"$tmp/in/pelmora.exe"
printf 'MZ stand-in library' >"$tmp/in/hookdll.dll"
package() { bash "$src/tools/package.sh" "$@" "$tmp/in/pelmora.exe" "$tmp/in/hookdll.dll" "$src" 9.8 >/dev/null; }

# Two runs that differ in everything but their inputs.
SOURCE_DATE_EPOCH=1700000000 TZ=UTC package "$tmp/a.zip" "$tmp/one/pelmora-9.8"
touch -d '2001-02-03 04:05:06' "$tmp/in/pelmora.exe" "$tmp/in/hookdll.dll"
(umask 077; SOURCE_DATE_EPOCH=1700000000 TZ=Pacific/Kiritimati package "$tmp/b.zip" "$tmp/two/deeper/pelmora-9.8")
if cmp -s "$tmp/a.zip" "$tmp/b.zip"; then
  pass "the same inputs give the same zip"
else
  fail "two runs on the same inputs differ"
fi

python3 - "$tmp/a.zip" <<'PY' || failures=$((failures + 1))
import hashlib, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
bad = 0
names = [i.filename for i in z.infolist()]
want = ["pelmora-9.8/" + n for n in ("LICENSE.txt", "hookdll.dll", "pelmora.exe", "readme-en.txt", "readme-ja.txt")]
if names != want:
    print("FAIL: entries %s, not %s" % (names, want)); bad += 1
# 1700000000 is 2023-11-14 22:13:20 UTC.
for i in z.infolist():
    if i.date_time != (2023, 11, 14, 22, 13, 20) or i.extra or i.create_system != 0:
        print("FAIL: %s: dated %s, extra %r, system %d" % (i.filename, i.date_time, i.extra, i.create_system)); bad += 1
if z.read("pelmora-9.8/pelmora.exe") != b"MZ stand-in executable":
    print("FAIL: pelmora.exe changed on its way into the zip"); bad += 1
if "Pelmora 9.8 - 35%" not in z.read("pelmora-9.8/readme-ja.txt").decode("cp932"):
    print("FAIL: readme-ja.txt: the version is not filled in"); bad += 1
# The sums are of the files as they ship, each in both read-mes.
for readme in ("readme-ja.txt", "readme-en.txt"):
    text = z.read("pelmora-9.8/" + readme)
    if b"@SHA256:" in text:
        print("FAIL: %s: a sum is not filled in" % readme); bad += 1
    for name in ("pelmora.exe", "hookdll.dll", "LICENSE.txt"):
        if hashlib.sha256(z.read("pelmora-9.8/" + name)).hexdigest().encode() not in text:
            print("FAIL: %s: no SHA-256 of %s" % (readme, name)); bad += 1
if not bad:
    print("ok: sorted entries dated the given time, no extra fields, the version and the sums filled in")
sys.exit(1 if bad else 0)
PY

# Without SOURCE_DATE_EPOCH the checkout's last commit dates the entries.
if want=$(git -C "$src" log -1 --format=%ct 2>/dev/null); then
  (unset SOURCE_DATE_EPOCH; package "$tmp/c.zip" "$tmp/three/pelmora-9.8")
  if python3 - "$tmp/c.zip" "$want" <<'PY'
import sys, time, zipfile
want = time.gmtime(int(sys.argv[2]))[:6]
want = want[:5] + (want[5] // 2 * 2,)
sys.exit(0 if {i.date_time for i in zipfile.ZipFile(sys.argv[1]).infolist()} == {want} else 1)
PY
  then pass "dated by the last commit"; else fail "not dated by the last commit"; fi
fi

# A version that would make a wrong folder or read-me is refused.
if bash "$src/tools/package.sh" "$tmp/d.zip" "$tmp/four/x" "$tmp/in/pelmora.exe" "$tmp/in/hookdll.dll" "$src" "1.4;rm" 2>/dev/null; then
  fail "a version of '1.4;rm' was taken"
elif [ -e "$tmp/d.zip" ]; then
  fail "a refused run left a zip"
else
  pass "an unusable version is refused"
fi

if [ "$failures" -ne 0 ]; then
  echo "test_package: $failures failure(s)"
  exit 1
fi
echo "test_package: good"
