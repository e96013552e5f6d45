#!/usr/bin/env bash
# Takes the release zip apart as a user's machine would see it and checks
# what would break there: missing or stray files, binaries for the wrong
# machine, a manifest Windows would refuse, texts Notepad shows garbled,
# imports of DLLs a plain Windows does not have, a version that differs
# between the places that show it, a zip that depends on when it was made.
#   check_release.sh pelmora-VERSION-win32.zip
# OBJDUMP names the MinGW objdump (default i686-w64-mingw32-objdump).
# PELM_VERSION, when set, is the version the zip must carry (the build's);
# otherwise the zip's name gives it. PELM_SOURCE_DIR, when set, is the
# checkout whose last commit dates the zip's entries (SOURCE_DATE_EPOCH,
# when set, wins).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 RELEASE.zip" >&2
  exit 2
fi
zip=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
[ -f "$zip" ] || { echo "FAIL: no $zip" >&2; exit 1; }
name_version=$(basename "$zip" | sed -n 's/^pelmora-\([0-9][0-9.]*[0-9]\)-win32\.zip$/\1/p')
version=${PELM_VERSION:-$name_version}
if [ -z "$version" ] || [ "$version" != "$name_version" ]; then
  echo "FAIL: $(basename "$zip") is not named pelmora-${version:-VERSION}-win32.zip" >&2
  exit 1
fi
export PELM_VERSION=$version

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

# Python's zipfile unpacks it, so no unzip program is needed.
python3 -m zipfile -e "$zip" "$tmp/x"
here=$(cd "$(dirname "$0")" && pwd)

# Reproducible: sorted entries, each dated the commit (in UTC), and nothing
# a machine or a moment adds (extra fields, Unix modes, owners, comments).
epoch=${SOURCE_DATE_EPOCH:-}
if [ -z "$epoch" ] && [ -n "${PELM_SOURCE_DIR:-}" ]; then
  epoch=$(git -C "$PELM_SOURCE_DIR" log -1 --format=%ct 2>/dev/null || true)
fi
python3 - "$zip" "$epoch" <<'PY' || failures=$((failures + 1))
import sys, time, zipfile
z = zipfile.ZipFile(sys.argv[1])
infos = z.infolist()
names = [i.filename for i in infos]
problems = []
if names != sorted(names):
    problems.append("entries not sorted: %s" % names)
dates = {i.date_time for i in infos}
if len(dates) != 1:
    problems.append("entries dated differently: %s" % sorted(dates))
if sys.argv[2]:
    want = time.gmtime(max(int(sys.argv[2]), 315532800))[:6]
    want = want[:5] + (want[5] // 2 * 2,)
    if dates != {want}:
        problems.append("dated %s, not the commit's %s" % (sorted(dates), want))
for i in infos:
    if i.extra or i.create_system != 0 or i.external_attr not in (0, 0x20) or i.comment:
        problems.append("%s: extra %r, system %d, attributes 0x%x" % (i.filename, i.extra, i.create_system, i.external_attr))
if z.comment:
    problems.append("a zip comment")
if problems:
    print("FAIL: zip: " + "; ".join(problems)); sys.exit(1)
print("ok: zip entries sorted, all dated %04d-%02d-%02d %02d:%02d:%02d, no extra fields or modes" % next(iter(dates)))
PY

folder=pelmora-$version
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
    # A link time in the header makes every build differ.
    stamp, = struct.unpack_from("<I", data, pe + 8)
    if stamp != 0:
        problems.append("link time 0x%08x in the header" % stamp)
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
import os, re, sys
import xml.etree.ElementTree as ET
quad = ".".join((os.environ["PELM_VERSION"].split(".") + ["0"] * 4)[:4])
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
    want = {"name": "Pelmora", "version": quad, "processorArchitecture": "x86", "type": "win32"}
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
print("ok: one well-formed manifest: Pelmora %s x86, asInvoker, %d supported systems" % (quad, len(os_ids)))
PY
for word in requestedExecutionLevel asInvoker; do
  if grep -aq "$word" "$d/pelmora.exe"; then pass "pelmora.exe contains $word"; else fail "pelmora.exe lacks $word"; fi
done

# The version records Explorer shows under Properties > Details, both from
# the one version the build has.
python3 - "$here" "$d/pelmora.exe" "$d/hookdll.dll" <<'PY' || failures=$((failures + 1))
import os, sys
sys.path.insert(0, sys.argv[1])
import peinfo
version = os.environ["PELM_VERSION"]
parts = [int(p) for p in (version.split(".") + ["0"] * 4)[:4]]
ms, ls = (parts[0] << 16) | parts[1], (parts[2] << 16) | parts[3]
bad = 0
for path, filetype, original in ((sys.argv[2], 1, "pelmora.exe"), (sys.argv[3], 2, "hookdll.dll")):
    name = os.path.basename(path)
    info = peinfo.version_info(peinfo.PE(open(path, "rb").read()))
    if info is None:
        print("FAIL: %s has no version record" % name); bad += 1; continue
    (fms, fls, pms, pls, kind), strings = info
    problems = []
    if (fms, fls, pms, pls) != (ms, ls, ms, ls):
        problems.append("fixed versions %08x.%08x / %08x.%08x, not %s" % (fms, fls, pms, pls, ".".join(map(str, parts))))
    if kind != filetype:
        problems.append("file type %d, not %d" % (kind, filetype))
    want = {"ProductName": "Pelmora", "ProductVersion": version, "FileVersion": version,
            "OriginalFilename": original}
    for key, value in want.items():
        if strings.get(key) != value:
            problems.append("%s %r, not %r" % (key, strings.get(key), value))
    if not strings.get("FileDescription"):
        problems.append("no FileDescription")
    if problems:
        print("FAIL: %s version record: %s" % (name, "; ".join(problems))); bad += 1
    else:
        print("ok: %s version record: %s %s, %s" % (name, strings["ProductName"], version, strings["FileDescription"]))
sys.exit(1 if bad else 0)
PY

# The texts: CRLF throughout, the Japanese one in code page 932, the
# English one (which quotes the Japanese menus) in UTF-8 with a byte-order
# mark; both titled with the version, both with their known limits.
python3 - "$d" <<'PY' || failures=$((failures + 1))
import hashlib, os, re, sys
d = sys.argv[1]
version = os.environ["PELM_VERSION"]
bad = 0
def crlf(name, data):
    global bad
    lf = data.count(b"\n"); crlf_n = data.count(b"\r\n"); cr = data.count(b"\r")
    if lf == 0 or lf != crlf_n or cr != crlf_n or not data.endswith(b"\r\n"):
        print("FAIL: %s: %d LF, %d CRLF, %d CR: not CRLF throughout" % (name, lf, crlf_n, cr)); bad += 1
        return False
    return True
def content(name, text, words):
    global bad
    problems = []
    if text.split("\r\n", 1)[0] != "Pelmora " + version:
        problems.append("first line %r, not 'Pelmora %s'" % (text.split("\r\n", 1)[0], version))
    if "@VERSION@" in text:
        problems.append("@VERSION@ left in it")
    missing = [w for w in words if w not in text]
    if missing:
        problems.append("lacks %s" % missing)
    # Menu items as the user sees them: "(O)" with the O underlined.
    if "(&" in text:
        problems.append("a menu item written with its ampersand: %r" % text[text.index("(&") - 12:text.index("(&") + 4])
    # The sums of the files beside it, each under its name.
    for other in ("pelmora.exe", "hookdll.dll", "LICENSE.txt"):
        want = hashlib.sha256(open(os.path.join(d, other), "rb").read()).hexdigest()
        found = re.findall(r"^ +%s\r\n +([0-9a-f]{64})\r\n" % re.escape(other), text, re.M)
        if found != [want]:
            problems.append("SHA-256 of %s given as %s, not %s" % (other, found, want))
    if problems:
        print("FAIL: %s: %s" % (name, "; ".join(problems))); bad += 1
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
    elif (content("readme-ja.txt", text, ("終了", "pelmora.ini", "hookdll.dll", "shell:startup", "既知の制限",
                                          "Pelmora %s - 35%%" % version))
          and crlf("readme-ja.txt", ja)):
        print("ok: readme-ja.txt: CP932, CRLF, %d lines, Pelmora %s, known limits" % (ja.count(b"\r\n"), version))
en = open(d + "/readme-en.txt", "rb").read()
if not en.startswith(b"\xef\xbb\xbf"):
    print("FAIL: readme-en.txt has no UTF-8 byte-order mark"); bad += 1
else:
    try:
        text = en[3:].decode("utf-8")
    except UnicodeDecodeError as e:
        print("FAIL: readme-en.txt is not UTF-8: %s" % e); bad += 1; text = None
    if (text is not None
            and content("readme-en.txt", text, ("Known limits", "音量制御するｳｨﾝﾄﾞｳの登録(S)...",
                                                "Pelmora %s - 35%%" % version))
            and crlf("readme-en.txt", en[3:])):
        print("ok: readme-en.txt: UTF-8 with its mark, CRLF, %d lines, Pelmora %s, known limits" % (en.count(b"\r\n"), version))
lic = open(d + "/LICENSE.txt", "rb").read()
if crlf("LICENSE.txt", lic):
    print("ok: LICENSE.txt: CRLF")
if b"Permission is hereby granted, free of charge" not in lic or b"Copyright (c) 2026 The Pelmora developers" not in lic:
    print("FAIL: LICENSE.txt is not the MIT licence of the Pelmora developers"); bad += 1
sys.exit(1 if bad else 0)
PY

# Explorer shows the first icon group of an executable as its icon: the
# program's own must be the only one (the pictures travel as data). It holds
# every size Explorer, the taskbar and Alt+Tab ask for, in 32-bit colour,
# the largest as PNG (Vista and later; older systems pick a smaller one).
python3 - "$here" "$d/pelmora.exe" <<'PY' || failures=$((failures + 1))
import struct, sys
sys.path.insert(0, sys.argv[1])
import peinfo
pe = peinfo.PE(open(sys.argv[2], "rb").read())
groups = sorted({str(n) for (t, n, _) in pe.resources() if t == peinfo.RT_GROUP_ICON})
if groups != ["MAINICON"]:
    print("FAIL: icon groups in pelmora.exe: %s, not MAINICON alone" % groups); sys.exit(1)
problems = []
sizes = []
for w, h, bits, image in peinfo.icon_group(pe, "MAINICON"):
    size = w or 256
    sizes.append(size)
    if image is None:
        problems.append("%d: no image" % size); continue
    if (w, h) != (size % 256, size % 256) or bits != 32:
        problems.append("%d: entry %dx%d, %d bits" % (size, w, h, bits))
    if image[:8] == b"\x89PNG\r\n\x1a\n":
        iw, ih, depth, colour = struct.unpack(">IIBB", image[16:26])
        if size != 256 or (iw, ih, depth, colour) != (256, 256, 8, 6):
            problems.append("%d: PNG %dx%d, depth %d, colour type %d" % (size, iw, ih, depth, colour))
    else:
        hdr, bw, bh, planes, bbits = struct.unpack_from("<IiiHH", image, 0)
        if size == 256 or (hdr, bw, bh, planes, bbits) != (40, size, 2 * size, 1, 32):
            problems.append("%d: bitmap %dx%d, %d bits" % (size, bw, bh, bbits))
if sorted(sizes) != [16, 24, 32, 48, 256]:
    problems.append("sizes %s, not 16, 24, 32, 48, 256" % sorted(sizes))
if problems:
    print("FAIL: MAINICON: " + "; ".join(problems)); sys.exit(1)
print("ok: MAINICON is the only icon group in pelmora.exe: 16, 24, 32, 48 and 256 (PNG), 32-bit colour")
PY

# Imports: only DLLs every Windows has, so nothing else needs installing,
# and only KnownDLLs, which the system takes from its own folder whatever
# lies beside the program (winmm and comctl32 are not: the program loads
# them by their path in the system folder).
allowed="KERNEL32.dll USER32.dll GDI32.dll SHELL32.dll ADVAPI32.dll ole32.dll OLEAUT32.dll msvcrt.dll"
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
  if [ -n "$stray" ]; then fail "$bin imports DLLs that are not KnownDLLs of every Windows:$stray"; else pass "$bin imports KnownDLLs only"; fi
done

# What the 9x loader refuses: an imported name its system libraries do not
# export (most wide calls; they are bound at run time on the NT family
# only), an import by ordinal, a subsystem version above 4.0. The executable
# loads at its fixed base, 0x400000.
python3 - "$here" "$d/pelmora.exe" "$d/hookdll.dll" <<'PY' || failures=$((failures + 1))
import os, sys
sys.path.insert(0, sys.argv[1])
import peinfo
# The wide calls Windows 95 and 98 implement.
nine_x_wide = {"lstrlenW", "MultiByteToWideChar", "WideCharToMultiByte", "MessageBoxW", "MessageBoxExW",
               "TextOutW", "ExtTextOutW", "GetTextExtentPoint32W", "GetTextExtentPointW",
               "GetTextExtentExPointW", "GetCharWidthW", "GetCommandLineW", "FindResourceW",
               "FindResourceExW", "EnumResourceNamesW", "EnumResourceTypesW", "EnumResourceLanguagesW"}
bad = 0
for path in sys.argv[2:]:
    name = os.path.basename(path)
    pe = peinfo.PE(open(path, "rb").read())
    imports = pe.imports()
    problems = []
    if not imports:
        problems.append("no imports found")
    wide = sorted("%s!%s" % (dll, f) for dll, f in imports
                  if isinstance(f, str) and f.endswith("W") and f not in nine_x_wide)
    if wide:
        problems.append("wide imports the 9x family lacks: %s" % ", ".join(wide))
    ordinals = sorted("%s#%d" % (dll, f) for dll, f in imports if isinstance(f, int))
    if ordinals:
        problems.append("imports by ordinal: %s" % ", ".join(ordinals))
    if pe.subsystem_version != (4, 0):
        problems.append("subsystem version %d.%d, not 4.0" % pe.subsystem_version)
    if name == "pelmora.exe":
        if pe.image_base != 0x400000:
            problems.append("image base 0x%x, not 0x400000" % pe.image_base)
        if pe.dll_characteristics & 0x40:
            problems.append("a dynamic base (DllCharacteristics 0x%x)" % pe.dll_characteristics)
    if problems:
        print("FAIL: %s: %s" % (name, "; ".join(problems))); bad += 1
    else:
        print("ok: %s: %d imports, wide ones only %s, subsystem 4.0%s" % (
            name, len(imports), sorted({f for _, f in imports if isinstance(f, str) and f.endswith("W")}) or "none",
            ", fixed base 0x400000" if name == "pelmora.exe" else ""))
sys.exit(1 if bad else 0)
PY

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
