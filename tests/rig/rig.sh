#!/usr/bin/env bash
# The environment the Wine tests run in: an Xvfb screen, optionally a
# PulseAudio server with a null sink, and a Wine prefix whose processes all
# share one virtual desktop with a taskbar. Wine and the X tools run in the
# roots of roots.sh, in the mode it chooses for this kernel.
#
#   rig.sh start STATE_DIR [--no-audio]   writes STATE_DIR/env and STATE_DIR/pids
#   rig.sh stop STATE_DIR                 stops everything that start started
#   rig.sh screenshot STATE_DIR OUT.png   the whole X screen
#   rig.sh audio-stop|audio-start STATE_DIR   PulseAudio goes away / comes back
#   rig.sh reset STATE_DIR                ready for the next scenario, or status 1
#
# Several rigs may run at once (each takes the next free display), each with
# a Wine prefix of its own in STATE_DIR/prefix, taken from one made once per
# Wine root, locale and registry recipe and kept beside the roots.
# PELM_RIG_LANG picks the locale (default ja_JP.UTF-8), PELM_RIG_DPI the
# display's dots per inch (default 96).
set -euo pipefail

rig_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

SCREEN_W=1024
SCREEN_H=768
DESKTOP_NAME=pelm

log() { echo "rig: $*" >&2; }
die() { log "$*"; exit 1; }
# shellcheck disable=SC1091 # wait_for, kill_pid, _pelm_gone
. "$rig_dir/lib.sh"
poll() { wait_for "$@" >/dev/null 2>&1; }

record_pid() { echo "$1 $(_pelm_ident "$2")" >>"$state/pids"; }

# A lock whose server is dead is stale: Xvfb clears it itself. A socket
# without a lock belongs to something else.
display_taken() {
  local lock=/tmp/.X$1-lock pid
  if [ -e "$lock" ]; then
    pid=$(tr -d ' ' <"$lock" 2>/dev/null)
    [ -n "$pid" ] && _pelm_alive "$pid"
    return
  fi
  [ -e "/tmp/.X11-unix/X$1" ]
}

xvfb_ready() {
  _pelm_alive "$2" && [ "$(tr -d ' ' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ] &&
    xdpyinfo -display ":$1" >/dev/null 2>&1
}

start_xvfb() {
  local n
  for n in $(seq 50 149); do
    display_taken "$n" && continue
    Xvfb ":$n" -screen 0 "${SCREEN_W}x${SCREEN_H}x24" -nolisten tcp -noreset \
      </dev/null >"$state/xvfb.log" 2>&1 &
    local pid=$!
    # Another rig may have taken the same number in the meantime: then this
    # server exits and the next number is tried. The lock file names the
    # server that owns the display.
    if poll 20 xvfb_ready "$n" "$pid"; then
      record_pid xvfb "$pid"
      DISPLAY=":$n"
      return 0
    fi
    _pelm_alive "$pid" && { kill "$pid"; wait "$pid" 2>/dev/null || true; }
  done
  die "no free X display between :50 and :149"
}

start_pulse() {
  local dir=$PELM_RIG_TMP/pulse
  mkdir -p "$dir/state"
  # PulseAudio as root: it warns but runs with --system=no; without -n it
  # would load the machine's default.pa (devices, D-Bus, X11 modules). No
  # DISPLAY and no reachable D-Bus keep it from starting helpers of its own.
  env -u DISPLAY DBUS_SESSION_BUS_ADDRESS="$DBUS_SESSION_BUS_ADDRESS" \
    XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR" PULSE_RUNTIME_PATH="$XDG_RUNTIME_DIR/pulse" \
    PULSE_STATE_PATH="$dir/state" PULSE_COOKIE="$PULSE_COOKIE" \
    pulseaudio -n --daemonize=no --system=no --exit-idle-time=-1 \
      --use-pid-file=no --disallow-exit \
      "--load=module-native-protocol-unix socket=$dir/native auth-anonymous=1" \
      "--load=module-null-sink sink_name=pelm_null" \
      </dev/null >"$state/pulse.log" 2>&1 &
  local pid=$!
  record_pid pulseaudio "$pid"
  PULSE_SERVER="unix:$dir/native"
  poll 30 env PULSE_SERVER="$PULSE_SERVER" PULSE_CLIENTCONFIG="$PULSE_CLIENTCONFIG" \
      pactl info ||
    die "PulseAudio did not answer within 30 s (see $state/pulse.log)"
  _pelm_alive "$pid" || die "PulseAudio exited (see $state/pulse.log)"
}

# The prefix a rig starts from is made once per Wine root (its stamp),
# locale and registry recipe, beside the roots, and every rig takes a copy:
# Wine's installed binaries, which nothing writes, linked; the rest (the
# registry, the user's folders) copied. A cached prefix found changed when
# a rig stops is dropped, and the stop says so (status 3).
prefix_cache=${PELM_ROOTS:-/var/cache/pelmora}/prefixes
binaries='.*\.\(dll\|exe\|drv\|sys\|ocx\|acm\|cpl\|ax\|tlb\|ds\|nls\|vxd\|dll16\|exe16\|mod\|ttf\|msstyles\)'
ensure_prefix() {
  local key cached lock
  key=$(bash "$rig_dir/roots.sh" stamp "$PELM_WINE_MODE_ACTIVE")-${PELM_WINE_LANG%%.*}-$(registry_recipe | sha256sum | cut -c1-12)
  cached=$prefix_cache/$PELM_WINE_MODE_ACTIVE-$key
  mkdir -p "$prefix_cache"
  exec {lock}>"$prefix_cache/.lock"
  flock "$lock"
  [ -f "$cached/.pelm-ready" ] || make_prefix "$cached"
  exec {lock}>&-
  rm -rf "$WINEPREFIX"
  cp -a --link "$cached" "$WINEPREFIX"
  local f
  find "$WINEPREFIX" -type f ! -iregex "$binaries" -print0 |
    while IFS= read -r -d '' f; do cp -p "$f" "$f.own" && mv "$f.own" "$f"; done
  rm "$WINEPREFIX/.pelm-ready"
  echo "$cached" >"$state/prefix-from"
}
make_prefix() {
  log "creating the Wine prefix $1 (once per Wine root, locale and registry recipe)"
  # Those made by an earlier Wine root of this mode are not used again.
  local root=${1##*/}
  root=${root%%-*}-$(cut -d- -f2 <<<"$root")
  find "$prefix_cache" -maxdepth 1 -name "${root%%-*}-*" ! -name "$root-*" -exec rm -rf {} +
  rm -rf "$1.new"
  WINEPREFIX=$1.new timeout 900 wineboot -i </dev/null >"$state/wineboot.log" 2>&1 ||
    die "wineboot -i failed (see $state/wineboot.log)"
  WINEPREFIX=$1.new write_registry
  WINEPREFIX=$1.new timeout 600 wineserver -w || die "wineserver did not finish the new prefix"
  touch "$1.new/.pelm-ready"
  mv "$1.new" "$1"
}
cache_untouched() {
  local cached
  cached=$(cat "$state/prefix-from" 2>/dev/null) || return 0
  [ -z "$(find "$cached" -type f -newer "$cached/.pelm-ready" -print -quit 2>/dev/null)" ] && return 0
  log "this rig wrote into the cached prefix $cached: it is dropped, and made anew by the next rig"
  (flock 9 && rm -rf "$cached") 9>"$prefix_cache/.lock"
  return 1
}

# Desktop/Desktops put every process on one virtual desktop, whose
# EnableShell gives it a taskbar with a notification area. Audio=pulse keeps
# Wine from falling back to ALSA, so --no-audio really means no mixer.
# ShowCrashDialog=0: a crash ends the process instead of leaving a dialog
# that later checks would mistake for the program's windows.
# LogPixels is the display's DPI (PELM_RIG_DPI, default 96): above 96 Wine
# scales a program that does not say it lays itself out, as Windows does.
# PELM_RIG_FONTLINK=1 (the screenshots): the system faces linked to the IPA
# font, so that captions, menus and the taskbar show Japanese as on a
# Japanese Windows. The scenarios keep Wine's own metrics, which their
# menu rows were measured in.
font_links() {
  [ "${PELM_RIG_FONTLINK:-0}" = 1 ] || return 0
  echo "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]"
  local face
  for face in Tahoma "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI"; do
    echo "\"$face\"=hex(7):$(multi_sz ipagp.ttf,IPAPGothic)"
  done
}
# A REG_MULTI_SZ of one string, as .reg files write it (hex of UTF-16LE).
multi_sz() { printf '%s\0\0' "$1" | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v | tr -s ' \n' ',' | sed 's/^,//; s/,$//'; }

# The registry recipe: the rig's settings, written into the prefix it starts
# from and again at every start (a wineserver that was killed may not have
# saved them).
registry_recipe() {
  cat <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="$DESKTOP_NAME"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"$DESKTOP_NAME"="${SCREEN_W}x${SCREEN_H}"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP_NAME]
"EnableShell"=dword:00000001

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:$(printf %08x "${PELM_RIG_DPI:-96}")

[HKEY_CURRENT_USER\\Software\\Wine\\Drivers]
"Audio"="pulse"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"
"MS PGothic"="IPAPGothic"
"MS Gothic"="IPAGothic"
"MS UI Gothic"="IPAPGothic"

$(font_links)
EOF
}
write_registry() { # [LINES...]: more for the .reg file
  local reg=$state/rig.reg
  { registry_recipe; printf '%s\n' "$@"; } >"$reg"
  # UTF-16 with a byte-order mark: the Japanese font names (the forms'
  # fonts, mapped to the IPA fonts) arrive intact whatever the code page.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } >"$reg.u16" && mv "$reg.u16" "$reg"
  local winpath="Z:${reg//\//\\}"
  timeout 180 wine regedit /S "$winpath" </dev/null >>"$state/wine.log" 2>&1 ||
    die "writing the registry failed (see $state/wine.log)"
}

# The desktop is explorer's top-level window that covers the screen (its
# title is localised, so the size and owner tell it).
desktop_up() {
  xwininfo -display "$DISPLAY" -root -children 2>/dev/null |
    grep -Eq "\"explorer.exe\"\) +${SCREEN_W}x${SCREEN_H}\+0\+0"
}

# The taskbar is the desktop's child that spans the screen's width at the
# bottom edge.
taskbar_up() {
  xwininfo -display "$DISPLAY" -root -tree 2>/dev/null |
    grep -Eq "\"explorer.exe\"\) +${SCREEN_W}x[0-9]+\+0\+(7[0-9][0-9])"
}

start_desktop() {
  wine explorer "/desktop=$DESKTOP_NAME,${SCREEN_W}x${SCREEN_H}" \
    </dev/null >>"$state/desktop.log" 2>&1 &
  local pid=$!
  record_pid desktop "$pid"
  poll 180 desktop_up || die "the Wine desktop did not appear within 180 s"
  poll 60 taskbar_up || die "the taskbar did not appear within 60 s"
}

write_env() {
  local f=$state/env
  {
    echo "# Written by tests/rig/rig.sh start; source it."
    local v
    for v in DISPLAY WINEPREFIX WINEARCH PELM_WINE_LANG WINEDLLOVERRIDES WINEDEBUG \
             XDG_RUNTIME_DIR PULSE_SERVER PULSE_CLIENTCONFIG PULSE_COOKIE \
             DBUS_SESSION_BUS_ADDRESS PELM_RIG_STATE PELM_RIG_AUDIO PELM_RIG_TMP \
             PELM_WINE_MODE_ACTIVE PELM_ROOT_BINDS PATH; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done
    # Roots kept elsewhere must be found again by whoever sources this.
    if [ -n "${PELM_ROOTS:-}" ]; then printf 'export PELM_ROOTS=%q\n' "$PELM_ROOTS"; fi
  } >"$f.tmp"
  mv "$f.tmp" "$f"
}

cmd_start() {
  local audio=1
  [ $# -ge 1 ] || die "usage: rig.sh start STATE_DIR [--no-audio]"
  state=$1; shift
  for a in "$@"; do
    case "$a" in
      --no-audio) audio=0 ;;
      *) die "unknown option $a" ;;
    esac
  done
  local t0
  t0=$(date +%s)
  mkdir -p "$state"
  state=$(cd "$state" && pwd)
  if [ -s "$state/pids" ]; then
    local xpid
    xpid=$(awk '$1 == "xvfb" { print $2 }' "$state/pids")
    if [ -n "$xpid" ] && _pelm_alive "$xpid"; then
      die "$state already has a running rig; stop it first"
    fi
    # Left by a rig that was killed: clear what may remain of it.
    cmd_stop "$state" >/dev/null 2>&1 || true
  fi
  : >"$state/pids"
  rm -f "$state/env"

  # The mode this kernel allows (or PELM_WINE_MODE), its roots made if they
  # are not cached, and the commands that run in them first on PATH.
  PELM_WINE_MODE_ACTIVE=$(bash "$rig_dir/roots.sh" mode) || die "Wine cannot run on this machine"
  bash "$rig_dir/roots.sh" ensure "$PELM_WINE_MODE_ACTIVE" || die "the roots for $PELM_WINE_MODE_ACTIVE could not be made"
  bash "$rig_dir/roots.sh" links "$state/bin"
  export PELM_WINE_MODE_ACTIVE PATH=$state/bin:$PATH

  # A start that fails or is interrupted leaves nothing behind.
  # shellcheck disable=SC2154 # rc is set inside the trap
  trap 'rc=$?; [ "$rc" -eq 0 ] || cmd_stop_quiet; exit "$rc"' EXIT
  trap 'exit 1' INT TERM

  export PELM_RIG_STATE=$state PELM_RIG_AUDIO=$audio
  # PELM_RIG_LANG picks the locale, and so the ANSI code page (default
  # ja_JP: 932, as on the Japanese systems targeted).
  local lang=${PELM_RIG_LANG:-ja_JP.UTF-8}
  export WINEPREFIX=$state/prefix
  # Both are what a user runs: a 32-bit Windows, or 64-bit Windows' WoW64.
  if [ "$PELM_WINE_MODE_ACTIVE" = wow64 ]; then export WINEARCH=win64; else export WINEARCH=win32; fi
  # Wine gets the locale (roots.sh); the scripts here keep the host's.
  export PELM_WINE_LANG=$lang
  # Empty overrides for mscoree/mshtml keep prefix creation from asking for
  # Mono and Gecko; winemenubuilder would only write desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  # The seh channel's errors name every exception Wine swallows in a window
  # procedure, which Windows answers by ending the process (lib.sh fails a
  # test on them).
  export WINEDEBUG=${PELM_WINEDEBUG:--all,err+seh}
  # Sockets live in a short folder of their own: a UNIX socket's address
  # holds 107 bytes, whatever the length of the checkout's path.
  PELM_RIG_TMP=$(mktemp -d /tmp/pelm-rig.XXXXXX)
  echo "$PELM_RIG_TMP" >"$state/tmpdir"
  export PELM_RIG_TMP
  # Folders the roots see at their own paths besides /tmp and the checkout.
  export PELM_ROOT_BINDS=$state:$prefix_cache
  export XDG_RUNTIME_DIR=$PELM_RIG_TMP/xdg
  mkdir -p "$XDG_RUNTIME_DIR" "$PELM_RIG_TMP/pulse"
  chmod 700 "$XDG_RUNTIME_DIR"
  # Nothing here may reach or autolaunch a session bus.
  export DBUS_SESSION_BUS_ADDRESS="unix:path=$PELM_RIG_TMP/no-dbus"
  export PULSE_COOKIE=$PELM_RIG_TMP/pulse/cookie
  export PULSE_CLIENTCONFIG=$PELM_RIG_TMP/pulse/client.conf
  echo "autospawn = no" >"$PULSE_CLIENTCONFIG"
  # Without a server Wine's PulseAudio driver finds nothing: no mixer device.
  export PULSE_SERVER="unix:$PELM_RIG_TMP/pulse/no-server"

  start_xvfb
  export DISPLAY
  if [ "$audio" = 1 ]; then
    start_pulse
    export PULSE_SERVER
  fi
  ensure_prefix
  write_registry
  start_desktop
  write_env
  trap - EXIT INT TERM
  log "up on $DISPLAY in $(( $(date +%s) - t0 )) s (state $state, prefix $WINEPREFIX)"
}

cmd_stop_quiet() { cmd_stop "$state" >/dev/null 2>&1 || true; }

cmd_stop() {
  [ $# -ge 1 ] || die "usage: rig.sh stop STATE_DIR"
  state=$1
  [ -d "$state" ] || return 0
  state=$(cd "$state" && pwd)
  # wineserver -k ends every process of the prefix, then the server itself.
  if [ -f "$state/env" ] && [ -s "$state/pids" ]; then
    # shellcheck disable=SC1091
    ( . "$state/env"
      [ -d "$WINEPREFIX" ] || exit 0
      timeout 30 wineserver -k >/dev/null 2>&1 || true
      timeout 30 wineserver -w >/dev/null 2>&1 || true
      # A server that died (an assertion) leaves its processes behind.
      local id name
      prefix_programs "$WINEPREFIX" | while read -r id name; do kill_pid "$id" 5 || log "$name ($id) is still there"; done )
  fi
  if [ -f "$state/pids" ]; then
    local name pid
    # Reverse order: the desktop before the servers it uses.
    while read -r name pid; do
      [ -z "$pid" ] || kill_pid "$pid" 10 || log "$name ($pid) is still there"
    done < <(tac "$state/pids")
    : >"$state/pids"
  fi
  if [ -f "$state/tmpdir" ]; then
    local tmp
    tmp=$(cat "$state/tmpdir")
    case "$tmp" in /tmp/pelm-rig.*) rm -rf "$tmp" ;; esac
    rm -f "$state/tmpdir"
  fi
  rm -f "$state/env"
  cache_untouched || return 3
  rm -f "$state/prefix-from"
}

# A rig whose scenario passed, made ready for the next: per-program Windows
# versions gone, the registry recipe written again, the audio server back.
# Fails, so that the rig is stopped and the next scenario starts one of its
# own, when any program or tray icon of the last scenario is still there or
# a part of the rig has gone.
cmd_reset() {
  state=$(cd "$1" && pwd)
  # shellcheck disable=SC1091
  . "$state/env"
  local name id
  while read -r name id; do
    [ "$name" = pulseaudio ] || _pelm_alive "$id" || die "its $name has gone"
  done <"$state/pids"
  local left
  left=$(PELM_RIG_STATE=$state prefix_strangers | cut -d' ' -f2)
  [ -z "$left" ] || die "still running: $(echo $left)"
  PELM_RIG_STATE=$state tray_shows nothing || die "the tray is not empty"
  if [ "$PELM_RIG_AUDIO" = 1 ] && ! pactl info >/dev/null 2>&1; then start_pulse; fi
  write_registry '[-HKEY_CURRENT_USER\Software\Wine\AppDefaults]'
}

cmd_screenshot() {
  [ $# -eq 2 ] || die "usage: rig.sh screenshot STATE_DIR OUT.png"
  local display
  display=$(bash -c '. "$1/env"; echo "$DISPLAY"' _ "$1") || die "no rig in $1"
  import -display "$display" -window root "$2"
}

# The audio server going away and coming back, as on a real machine.
cmd_audio() {
  [ $# -eq 2 ] || die "usage: rig.sh audio-stop|audio-start STATE_DIR"
  state=$(cd "$2" && pwd)
  # shellcheck disable=SC1091
  . "$state/env"
  case $1 in
    stop)
      local name pid
      while read -r name pid; do
        [ "$name" != pulseaudio ] || kill_pid "$pid" 10 || true
      done <"$state/pids"
      ;;
    start) start_pulse ;;
  esac
}

case "${1:-}" in
  start) shift; cmd_start "$@" ;;
  audio-stop) cmd_audio stop "${2:-}" ;;
  audio-start) cmd_audio start "${2:-}" ;;
  stop) shift; cmd_stop "$@" ;;
  reset) cmd_reset "${2:?usage: rig.sh reset STATE_DIR}" ;;
  screenshot) shift; cmd_screenshot "$@" ;;
  *) die "usage: rig.sh start STATE_DIR [--no-audio] | stop|reset STATE_DIR | screenshot STATE_DIR OUT.png" ;;
esac
