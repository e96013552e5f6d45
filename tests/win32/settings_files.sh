#!/usr/bin/env bash
# The settings file on real files: what is read comes back unchanged, what is
# not ours is left alone, a failed write is reported and the program still
# ends with 0, and garbage or a held file never crash it.
set -euo pipefail
. "$(dirname "$0")/common.inc"

ini="$app/pelmora.ini"
win_ini="${exe%.exe}.ini"
box_file="$PELM_RIG_STATE/box.txt"

# Starts EXE (default: the copy under test), waits for its main window and
# closes it; prints the exit code. With CHECK_BOX set it also waits for the
# error box at exit, dismisses it and leaves its text in $box_file.
run_once() {
  local program=${1:-$exe} pid hwnd rc
  pid=$(wine_start "$program")
  hwnd=$(wait_for 300 probe find TPelmFormMain -) || { echo "no main window" >&2; return 1; }
  probe post "$hwnd" 0x10 0 0 >/dev/null
  if [ -n "${CHECK_BOX:-}" ]; then
    probe msgbox Pelmora 120000 --dismiss >"$box_file" || { echo "no error box" >&2; return 1; }
  fi
  rc=$(wine_wait_exit "$pid" 300) || true
  echo "$rc"
}
section() { tr -d '\r' <"$1"; }

# --- other sections and lines stay; a::b: and :a: round-trip; table order --
printf '[Other]\r\nkeep=this line\r\n[Pelmora]\r\nStoredProgram=a::b:\r\n; a comment\r\nm_bCtrlKeyMute=0\r\n' >"$ini"
assert_eq 0 "$(run_once)" "exit code"
assert_eq "$(printf '[Other]\nkeep=this line\n[Pelmora]\nStoredProgram=a::b:\n; a comment\nm_bCtrlKeyMute=0\nm_bMuteOnWinReboot=0')" \
  "$(section "$ini")" "file after a run with an empty-named entry in the middle"
pass "other sections, comments and read values are kept; a::b: round-trips"

printf '[Other]\r\nx=1\r\n' >"$ini"
assert_eq 0 "$(run_once)" "exit code"
assert_eq "$(printf '[Other]\nx=1\n[Pelmora]\nStoredProgram=\nm_bMuteOnWinReboot=0\nm_bCtrlKeyMute=1')" \
  "$(section "$ini")" "a missing section is added after the others, keys in order"

printf '[Pelmora]\r\nStoredProgram=:a:\r\nm_bMuteOnWinReboot=$1\r\nm_bCtrlKeyMute=0x0\r\n' >"$ini"
assert_eq 0 "$(run_once)" "exit code"
assert_eq "$(printf '[Pelmora]\nStoredProgram=:a:\nm_bMuteOnWinReboot=1\nm_bCtrlKeyMute=0')" \
  "$(section "$ini")" ":a: round-trips; \$1 and 0x0 read as true and false"

# A long list: the whole value is read back, however long.
long=$(for i in $(seq 1000); do printf 'program%04d.exe:' "$i"; done)
printf '[Pelmora]\r\nStoredProgram=%s\r\n' "$long" >"$ini"
assert_eq 0 "$(run_once)" "exit code"
assert_eq "StoredProgram=$long" "$(section "$ini" | grep '^StoredProgram=')" \
  "1,000 registered names (${#long} characters) survive a load and a save"

# --- the path follows the executable's name -------------------------------
cp "$app/pelmora.exe" "$app/other.exe"
rm -f "$ini"
assert_eq 0 "$(run_once "$(winepath -w "$app/other.exe")")" "other.exe's exit code"
assert_ok test -f "$app/other.ini"
assert_fails test -e "$ini"
pass "a copy named other.exe uses other.ini"
rm -f "$app/other.exe" "$app/other.ini"

# --- garbage never crashes and never loses what was readable --------------
python3 - "$ini" <<'EOF'
import sys
junk = bytes(range(1, 256)).replace(b"\n", b"").replace(b"\r", b"")
with open(sys.argv[1], "wb") as f:
    f.write(b"[Junk]\n" + junk + b"\n" + b"\x00\x00binary\x00\n")
    f.write(b"big=" + b"x" * (1 << 20) + b"\n")
    f.write(b"[Pelmora]\nStoredProgram=notepad.exe:calc.exe\n")
    f.write(b"StoredProgram=second.exe\nm_bCtrlKeyMute=zz\nm_bMuteOnWinReboot=1\n")
EOF
size_before=$(stat -c %s "$ini")
assert_eq 0 "$(run_once)" "exit code with a garbage file"
text=$(section "$ini")
assert_contains "$text" "StoredProgram=notepad.exe:calc.exe" "the first of duplicate keys is read and kept"
assert_contains "$text" "m_bMuteOnWinReboot=1" "a readable boolean is kept"
assert_contains "$text" "m_bCtrlKeyMute=1" "an unreadable boolean falls back to its default"
assert_match "$(grep -c '^big=x' "$ini")" '^1$' "the 1 MiB line is still there"
[ "$(stat -c %s "$ini")" -ge $((size_before - 16)) ] || fail "the file shrank: $size_before -> $(stat -c %s "$ini")"
pass "binary bytes, a 1 MiB line, duplicate keys and LF-only line ends survive a run"

# --- a failed write at exit is reported, and the exit code is still 0 ----
rm -f "$ini"
mkdir "$ini"
rc=$(CHECK_BOX=1 run_once) || fail "run with a folder in place of the file"
assert_eq 0 "$rc" "exit code after a failed write"
assert_eq "$win_ini に書き込めません." "$(cat "$box_file")" "error box text"
assert_empty_dir "$ini" "nothing was written into the folder"
rmdir "$ini"
pass "a folder where the file should be: the error box, then exit code 0"

# The folder cannot take a new file (made immutable, which root cannot
# bypass either; skipped where the file system has no such flag).
if chattr +i "$app" 2>/dev/null; then
  trap 'chattr -i "$app" 2>/dev/null || true; kill_started' EXIT
  rc=$(CHECK_BOX=1 run_once) || { chattr -i "$app"; fail "run with a folder that takes no file"; }
  chattr -i "$app"
  assert_eq 0 "$rc" "exit code when the folder takes no file"
  assert_eq "$win_ini に書き込めません." "$(cat "$box_file")" "error box text when the folder takes no file"
  assert_fails test -e "$ini"
  pass "a folder that takes no file: the error box, then exit code 0"
else
  skip "a folder that takes no file: this file system refuses the immutable flag"
fi

# A file that another program holds open: the read falls back to the
# defaults, the write fails and is reported, and the file is unchanged.
printf '[Pelmora]\r\nStoredProgram=held.exe\r\nm_bMuteOnWinReboot=1\r\nm_bCtrlKeyMute=0\r\n' >"$ini"
before=$(md5sum <"$ini")
holder=$(wine_start "$(_pelm_find_probe)" hold file "$win_ini" 600000)
wait_for 120 grep -q ready "$(_pelm_procs)/$holder.out" || fail "the probe never held the file"
rc=$(CHECK_BOX=1 run_once) || fail "run with a held file"
assert_eq 0 "$rc" "exit code with a held file"
assert_eq "$win_ini に書き込めません." "$(cat "$box_file")" "error box text for a held file"
kill_pid "$holder"
assert_eq "$before" "$(md5sum <"$ini")" "the held file is unchanged"
pass "a held file: defaults while running, the error box, exit code 0, nothing lost"

# A read-only file, as users meet it. Root ignores permission bits, so the
# file is also made immutable where the file system allows it (root cannot
# write that either); with permission bits alone, root's write goes through.
printf '[Pelmora]\r\nStoredProgram=ro.exe\r\n' >"$ini"
chmod a-w "$ini"
immutable=0
chattr +i "$ini" 2>/dev/null && immutable=1
cleanup_ini() { chattr -i "$ini" 2>/dev/null || true; chmod u+w "$ini" 2>/dev/null || true; }
trap 'cleanup_ini; kill_started' EXIT
pid=$(wine_start "$exe")
hwnd=$(wait_for 300 probe find TPelmFormMain -) || fail "main window never appeared"
probe post "$hwnd" 0x10 0 0 >/dev/null
if [ "$immutable" = 1 ] || [ "$(id -u)" != 0 ]; then
  box_text=$(probe msgbox Pelmora 120000 --dismiss) || fail "no error box for a read-only file"
  assert_eq "$win_ini に書き込めません." "$box_text" "error box text for a read-only file"
  assert_eq "$(printf '[Pelmora]\nStoredProgram=ro.exe')" "$(section "$ini")" "read-only file unchanged"
else
  skip "a read-only file: root writes through permission bits, and this file system refuses the immutable flag"
fi
assert_exits "$pid" "exit code with a read-only file"
cleanup_ini
finish
