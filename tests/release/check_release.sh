#!/usr/bin/env bash
# Takes the release zip apart as a user's machine would see it and checks
# what would break there: missing or stray files, binaries for the wrong
# machine, a manifest Windows would refuse, texts Notepad shows garbled,
# imports of DLLs a plain Windows does not have.
#   check_release.sh pelmora-1.4-win32.zip
# OBJDUMP names the MinGW objdump (default i686-w64-mingw32-objdump).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 RELEASE.zip" >&2
  exit 2
fi
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$zip" ] || { echo "FAIL: no $zip" >&2; exit 1; }

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Python's zipfile unpacks it, so no unzip program is needed.
python3 -m zipfile -e "$zip" "$tmp/x"

folder=pelmora-1.4
expected="$folder/LICENSE.txt
$folder/hookdll.dll
$folder/pelmora.exe
$folder/readme-en.txt
$folder/readme-ja.txt"
actual=$(cd "$tmp/x" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n' | LC_ALL=C sort)
dirs=$(cd "$tmp/x" && find . -mindepth 1 -type d -printf '%P\n')
if [ "$actual" = "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ] && [ "$dirs" = "$folder" ]; then
  pass "the five files, in $folder/, and nothing else"
else
  fail "contents differ from the five files in $folder/:"
  printf '  %s\n' $actual
fi
d=$tmp/x/$folder

# Machine, format and kind from the PE header itself.
python3 - "$d/pelmora.exe" "$d/hookdll.dll" <<'PY' || failures=$((failures + 1))
import struct, sys
bad = 0
for path, want_dll in ((sys.argv[1], False), (sys.argv[2], True)):
    name = path.rsplit("/", 1)[-1]
    try:
        data = open(path, "rb").read()
    except OSError as e:
        print("FAIL: %s: %s" % (name, e)); bad += 1; continue
    if data[:2] != b"MZ":
        print("FAIL: %s: no MZ header" % name); bad += 1; continue
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        print("FAIL: %s: no PE signature" % name); bad += 1; continue
    machine, = struct.unpack_from("<H", data, pe + 4)
    chars, = struct.unpack_from("<H", data, pe + 22)
    magic, = struct.unpack_from("<H", data, pe + 24)
    subsystem, = struct.unpack_from("<H", data, pe + 24 + 68)
    problems = []
    if machine != 0x14C: problems.append("machine 0x%x, not i386" % machine)
    if magic != 0x10B: problems.append("optional header 0x%x, not PE32" % magic)
    if bool(chars & 0x2000) != want_dll:
        problems.append("a DLL" if chars & 0x2000 else "not a DLL")
    if not want_dll and subsystem != 2:
        problems.append("subsystem %d, not Windows GUI" % subsystem)
    if problems:
        print("FAIL: %s: %s" % (name, "; ".join(problems))); bad += 1
    else:
        print("ok: %s is PE32 i386 %s, %d bytes" % (name, "DLL" if want_dll else "GUI executable", len(data)))
sys.exit(1 if bad else 0)
PY
if command -v file >/dev/null; then
  (cd "$d" && file pelmora.exe hookdll.dll | sed 's/^/  /')
fi

# The manifest: present once, and well-formed. A broken one stops Windows
# from starting the program at all ("side-by-side configuration").
python3 - "$d/pelmora.exe" <<'PY' || failures=$((failures + 1))
import re, sys
import xml.etree.ElementTree as ET
data = open(sys.argv[1], "rb").read()
found = re.findall(rb"<\?xml[^>]*\?>\s*<assembly\b.*?</assembly>", data, re.S)
if len(found) != 1:
    print("FAIL: pelmora.exe holds %d manifests, not 1" % len(found)); sys.exit(1)
try:
    root = ET.fromstring(found[0])
except ET.ParseError as e:
    print("FAIL: the manifest is not well-formed XML: %s" % e); sys.exit(1)
v1 = "{urn:schemas-microsoft-com:asm.v1}"
v3 = "{urn:schemas-microsoft-com:asm.v3}"
problems = []
ident = root.find(v1 + "assemblyIdentity")
if ident is None:
    problems.append("no assemblyIdentity")
else:
    want = {"name": "Pelmora", "version": "1.4.0.0", "processorArchitecture": "x86", "type": "win32"}
    for k, v in want.items():
        if ident.get(k) != v:
            problems.append("assemblyIdentity %s=%r, not %r" % (k, ident.get(k), v))
levels = root.findall(".//" + v3 + "requestedExecutionLevel")
if len(levels) != 1 or levels[0].get("level") != "asInvoker" or levels[0].get("uiAccess") != "false":
    problems.append("requestedExecutionLevel is not a single asInvoker, uiAccess false")
os_ids = {e.get("Id") for e in root.iter("{urn:schemas-microsoft-com:compatibility.v1}supportedOS")}
want_os = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
if os_ids != want_os:
    problems.append("supportedOS ids differ: missing %s, extra %s" % (sorted(want_os - os_ids), sorted(os_ids - want_os)))
if problems:
    print("FAIL: manifest: " + "; ".join(problems)); sys.exit(1)
print("ok: one well-formed manifest: Pelmora 1.4.0.0 x86, asInvoker, %d supported systems" % len(os_ids))
PY
for word in requestedExecutionLevel asInvoker; do
  if grep -aq "$word" "$d/pelmora.exe"; then pass "pelmora.exe contains $word"; else fail "pelmora.exe lacks $word"; fi
done

# The version record Explorer shows under Properties > Details.
python3 - "$d/pelmora.exe" <<'PY' || failures=$((failures + 1))
import re, struct, sys
data = open(sys.argv[1], "rb").read()
def w(s): return s.encode("utf-16-le")
problems = []
# Each value follows its key's terminating NUL, padded to 4 bytes.
for key, value in (("ProductName", "Pelmora"), ("ProductVersion", "1.4"), ("FileVersion", "1.4")):
    if not re.search(re.escape(w(key) + b"\0\0") + b"(?:\0\0)?" + re.escape(w(value) + b"\0\0"), data):
        problems.append("%s %r not found as UTF-16LE" % (key, value))
sig = data.find(struct.pack("<I", 0xFEEF04BD))
if sig < 0:
    problems.append("no fixed file information")
else:
    fms, fls, pms, pls = struct.unpack_from("<4I", data, sig + 8)
    if (fms, fls, pms, pls) != (0x00010004, 0, 0x00010004, 0):
        problems.append("fixed versions %08x.%08x / %08x.%08x, not 1.4.0.0" % (fms, fls, pms, pls))
if problems:
    print("FAIL: version record: " + "; ".join(problems)); sys.exit(1)
print("ok: version record: ProductName Pelmora, version 1.4.0.0")
PY

# The texts: CRLF throughout, the Japanese one in code page 932.
python3 - "$d" <<'PY' || failures=$((failures + 1))
import sys
d = sys.argv[1]
bad = 0
def crlf(name, data):
    global bad
    lf = data.count(b"\n"); crlf_n = data.count(b"\r\n"); cr = data.count(b"\r")
    if lf == 0 or lf != crlf_n or cr != crlf_n or not data.endswith(b"\r\n"):
        print("FAIL: %s: %d LF, %d CRLF, %d CR: not CRLF throughout" % (name, lf, crlf_n, cr)); bad += 1
        return False
    return True
ja = open(d + "/readme-ja.txt", "rb").read()
try:
    text = ja.decode("cp932")
except UnicodeDecodeError as e:
    print("FAIL: readme-ja.txt is not CP932: %s" % e); bad += 1; text = None
if text is not None:
    if text.startswith("\ufeff") or ja.startswith(b"\xef\xbb\xbf"):
        print("FAIL: readme-ja.txt starts with a byte order mark"); bad += 1
    missing = [s for s in ("終了", "pelmora.ini", "hookdll.dll", "shell:startup") if s not in text]
    if missing:
        print("FAIL: readme-ja.txt lacks %s after CP932 decoding" % missing); bad += 1
    elif crlf("readme-ja.txt", ja):
        print("ok: readme-ja.txt: CP932, CRLF, %d lines, mentions 終了" % ja.count(b"\r\n"))
en = open(d + "/readme-en.txt", "rb").read()
lic = open(d + "/LICENSE.txt", "rb").read()
if crlf("readme-en.txt", en) and crlf("LICENSE.txt", lic):
    print("ok: readme-en.txt and LICENSE.txt: CRLF")
if b"Permission is hereby granted, free of charge" not in lic or b"Copyright (c) 2026 The Pelmora developers" not in lic:
    print("FAIL: LICENSE.txt is not the MIT licence of the Pelmora developers"); bad += 1
sys.exit(1 if bad else 0)
PY

# Explorer shows the first icon group of an executable as its icon: the
# program's own must be the only one (the pictures travel as data).
python3 - "$d/pelmora.exe" <<'PY' || failures=$((failures + 1))
import struct, sys
data = open(sys.argv[1], "rb").read()
pe = struct.unpack_from("<I", data, 0x3C)[0]
nsec, optsize = struct.unpack_from("<H", data, pe + 6)[0], struct.unpack_from("<H", data, pe + 20)[0]
opt = pe + 24
rsrc_rva = struct.unpack_from("<I", data, opt + 96 + 2 * 8)[0]
def to_off(rva):
    for i in range(nsec):
        sh = opt + optsize + 40 * i
        vsize, va, rawsize, raw = struct.unpack_from("<4I", data, sh + 8)
        if va <= rva < va + max(vsize, rawsize):
            return raw + rva - va
    raise ValueError("rva %x outside the sections" % rva)
base = to_off(rsrc_rva)
def entries(off):
    named, ids = struct.unpack_from("<HH", data, off + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, off + 16 + 8 * i)
        if name & 0x80000000:
            n = base + (name & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, n)[0]
            key = data[n + 2:n + 2 + 2 * length].decode("utf-16-le")
        else:
            key = name
        yield key, target
groups = []
for rtype, target in entries(base):
    if rtype == 14 and target & 0x80000000:  # RT_GROUP_ICON
        groups = [k for k, _ in entries(base + (target & 0x7FFFFFFF))]
if groups != ["MAINICON"]:
    print("FAIL: icon groups in pelmora.exe: %s, not MAINICON alone" % groups); sys.exit(1)
print("ok: MAINICON is the only icon group in pelmora.exe")
PY

# Imports: only DLLs every Windows has, so nothing else needs installing.
allowed="KERNEL32.dll USER32.dll GDI32.dll SHELL32.dll COMCTL32.dll WINMM.dll ADVAPI32.dll ole32.dll OLEAUT32.dll msvcrt.dll"
for bin in pelmora.exe hookdll.dll; do
  if ! dump=$("$objdump" -p "$d/$bin"); then
    fail "$objdump cannot read $bin"
    continue
  fi
  dlls=$(printf '%s\n' "$dump" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p')
  echo "  $bin imports: $(echo $dlls)"
  [ -n "$dlls" ] || fail "$bin: no imports found (objdump output changed?)"
  # The loader matches DLL names without regard to case (WINMM.DLL is WINMM.dll).
  stray=
  for dll in $dlls; do
    case " ${allowed,,} " in *" ${dll,,} "*) ;; *) stray="$stray $dll" ;; esac
  done
  if [ -n "$stray" ]; then fail "$bin imports non-system DLLs:$stray"; else pass "$bin imports system DLLs only"; fi
done

# The program finds the hook by name; a stripped or rebuilt DLL must still
# export it.
exports=$("$objdump" -p "$d/hookdll.dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p')
missing=
for sym in SetHWND HookStart HookEnd; do
  printf '%s\n' "$exports" | grep -qw "$sym" || missing="$missing $sym"
done
if [ -n "$missing" ]; then fail "hookdll.dll does not export$missing"; else pass "hookdll.dll exports SetHWND HookStart HookEnd"; fi

if [ "$failures" -ne 0 ]; then
  echo "check_release: $failures failure(s)"
  exit 1
fi
echo "check_release: $(basename "$zip") is good"
