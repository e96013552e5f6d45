#!/usr/bin/env bash
# The environment the Wine tests run in: an Xvfb screen, optionally a
# PulseAudio server with a null sink, and a 32-bit Wine prefix whose
# processes all share one virtual desktop with a taskbar.
#
#   rig.sh start STATE_DIR [--no-audio]   writes STATE_DIR/env and STATE_DIR/pids
#   rig.sh stop STATE_DIR                 stops everything that start started
#   rig.sh screenshot STATE_DIR OUT.png   the whole X screen
#   rig.sh audio-stop|audio-start STATE_DIR   PulseAudio goes away / comes back
#
# Several rigs may run at once (each takes the next free display). A prefix
# is shared only one rig at a time: the prefix is locked while a rig uses it.
# PELM_WINEPREFIX overrides the prefix (default: STATE_DIR/../wineprefix).
set -euo pipefail

rig_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

SCREEN_W=1024
SCREEN_H=768
DESKTOP_NAME=pelm

log() { echo "rig: $*" >&2; }
die() { log "$*"; exit 1; }

# Polls "$@" every 0.2 s until it succeeds or SECONDS_LIMIT pass.
poll() {
  local limit=$1; shift
  local deadline=$(( $(date +%s%N) + limit * 1000000000 ))
  until "$@" >/dev/null 2>&1; do
    [ "$(date +%s%N)" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# A zombie has ended; only its parent has not collected it yet.
alive() {
  kill -0 "$1" 2>/dev/null || return 1
  case "$(ps -o stat= -p "$1" 2>/dev/null)" in Z*|"") return 1 ;; esac
}

gone() { ! alive "$1"; }

record_pid() { echo "$1 $2" >>"$state/pids"; }

# Under qemu (no ia32 in the kernel) the Wine processes need the shim; see
# qemu_i386_shim.c. The $LIB in the path lets 64-bit programs that Wine runs
# pick the empty library instead of warning about a 32-bit one.
i386_is_emulated() { [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] &&
  grep -q '^enabled' /proc/sys/fs/binfmt_misc/qemu-i386; }

build_shims() {
  local out=$state/shim
  mkdir -p "$out/lib/i386-linux-gnu" "$out/lib/x86_64-linux-gnu"
  gcc -m32 -O2 -fPIC -shared -nostdlib -fno-stack-protector \
    -o "$out/lib/i386-linux-gnu/libpelm_qemu.so" "$rig_dir/qemu_i386_shim.c" \
    /lib/i386-linux-gnu/libc.so.6
  gcc -O2 -fPIC -shared -nostdlib \
    -o "$out/lib/x86_64-linux-gnu/libpelm_qemu.so" "$rig_dir/qemu_noop_shim.c"
  # Literal $LIB: ld.so expands it, per architecture.
  echo "LD_PRELOAD=$out/\$LIB/libpelm_qemu.so"
}

# A lock whose server is dead is stale: Xvfb clears it itself. A socket
# without a lock belongs to something else.
display_taken() {
  local lock=/tmp/.X$1-lock pid
  if [ -e "$lock" ]; then
    pid=$(tr -d ' ' <"$lock" 2>/dev/null)
    [ -n "$pid" ] && alive "$pid"
    return
  fi
  [ -e "/tmp/.X11-unix/X$1" ]
}

xvfb_ready() {
  alive "$2" && [ "$(tr -d ' ' <"/tmp/.X$1-lock" 2>/dev/null)" = "$2" ] &&
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
    alive "$pid" && { kill "$pid"; wait "$pid" 2>/dev/null || true; }
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
  alive "$pid" || die "PulseAudio exited (see $state/pulse.log)"
}

# One rig per prefix at a time. The lock names the Xvfb pid of its owner, so
# a lock left by a rig that was killed without stop is recognised as stale.
lock_prefix() {
  local lock=$WINEPREFIX.rig-lock limit=${PELM_PREFIX_LOCK_TIMEOUT:-900}
  local deadline=$(( $(date +%s) + limit )) xpid
  xpid=$(awk '$1 == "xvfb" { print $2 }' "$state/pids")
  mkdir -p "$(dirname "$WINEPREFIX")"
  while ! mkdir "$lock" 2>/dev/null; do
    local owner
    owner=$(cat "$lock/owner" 2>/dev/null || true)
    if [ -n "$owner" ] && ! alive "${owner%% *}"; then
      log "removing stale prefix lock of ${owner#* }"
      rm -rf "$lock"
      continue
    fi
    [ "$(date +%s)" -lt "$deadline" ] ||
      die "prefix $WINEPREFIX is in use by ${owner#* } (waited ${limit} s)"
    sleep 1
  done
  echo "$xpid $state" >"$lock/owner"
  echo "$lock" >"$state/prefix-lock"
}

ensure_prefix() {
  [ -f "$WINEPREFIX/.pelm-ready" ] && return 0
  log "creating Wine prefix $WINEPREFIX (once; it is kept for later runs)"
  rm -rf "$WINEPREFIX"
  timeout 900 wineboot -i </dev/null >"$state/wineboot.log" 2>&1 ||
    die "wineboot -i failed (see $state/wineboot.log)"
  timeout 600 wineserver -w || die "wineserver did not finish the new prefix"
  touch "$WINEPREFIX/.pelm-ready"
}

# Written on every start: a wineserver that was killed may not have saved
# them. Desktop/Desktops put every process on one virtual desktop, whose
# EnableShell gives it a taskbar with a notification area. Audio=pulse keeps
# Wine from falling back to ALSA, so --no-audio really means no mixer.
# ShowCrashDialog=0: a crash ends the process instead of leaving a dialog
# that later checks would mistake for the program's windows.
write_registry() {
  local reg=$state/rig.reg
  cat >"$reg" <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="$DESKTOP_NAME"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"$DESKTOP_NAME"="${SCREEN_W}x${SCREEN_H}"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops\\$DESKTOP_NAME]
"EnableShell"=dword:00000001

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
EOF
  # UTF-16 with a byte-order mark: the Japanese font names (the forms'
  # fonts, mapped to the IPA fonts) arrive intact whatever the code page.
  { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$reg"; } >"$reg.u16" && mv "$reg.u16" "$reg"
  local winpath="Z:${reg//\//\\}"
  timeout 180 wine regedit /S "$winpath" </dev/null >>"$state/wine.log" 2>&1 ||
    die "writing the registry failed (see $state/wine.log)"
}

desktop_up() {
  xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -q "\"$DESKTOP_NAME - Wine desktop\""
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
    for v in DISPLAY WINEPREFIX WINEARCH LANG LC_ALL WINEDLLOVERRIDES WINEDEBUG \
             XDG_RUNTIME_DIR PULSE_SERVER PULSE_CLIENTCONFIG PULSE_COOKIE \
             DBUS_SESSION_BUS_ADDRESS PELM_RIG_STATE PELM_RIG_AUDIO PELM_RIG_TMP; do
      printf 'export %s=%q\n' "$v" "${!v}"
    done
    if [ -n "${QEMU_SET_ENV:-}" ]; then
      printf 'export QEMU_SET_ENV=%q\n' "$QEMU_SET_ENV"
    else
      echo "unset QEMU_SET_ENV"
    fi
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
    if [ -n "$xpid" ] && alive "$xpid"; then
      die "$state already has a running rig; stop it first"
    fi
    # Left by a rig that was killed: clear what may remain of it.
    cmd_stop "$state" >/dev/null 2>&1 || true
  fi
  : >"$state/pids"
  rm -f "$state/env"

  for tool in Xvfb xdpyinfo xwininfo wine wineserver gcc; do
    command -v "$tool" >/dev/null || die "$tool is missing; run tools/setup.sh"
  done
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    die "i386 programs cannot run on this kernel; run tools/setup.sh"

  # A start that fails or is interrupted leaves nothing behind.
  # shellcheck disable=SC2154 # rc is set inside the trap
  trap 'rc=$?; [ "$rc" -eq 0 ] || cmd_stop_quiet; exit "$rc"' EXIT
  trap 'exit 1' INT TERM

  export PELM_RIG_STATE=$state PELM_RIG_AUDIO=$audio
  # PELM_RIG_LANG picks the locale, and so the ANSI code page (default
  # ja_JP: 932, as on the Japanese systems targeted); each locale has a
  # prefix of its own.
  local lang=${PELM_RIG_LANG:-ja_JP.UTF-8} suffix=
  [ "$lang" = ja_JP.UTF-8 ] || suffix=-${lang%%.*}
  export WINEPREFIX=${PELM_WINEPREFIX:-$(dirname "$state")/wineprefix$suffix}
  export WINEARCH=win32
  export LANG=$lang LC_ALL=$lang
  # Empty overrides for mscoree/mshtml keep prefix creation from asking for
  # Mono and Gecko; winemenubuilder would only write desktop menu entries.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export WINEDEBUG=${PELM_WINEDEBUG:--all}
  # Sockets live in a short folder of their own: a UNIX socket's address
  # holds 107 bytes, whatever the length of the checkout's path.
  PELM_RIG_TMP=$(mktemp -d /tmp/pelm-rig.XXXXXX)
  echo "$PELM_RIG_TMP" >"$state/tmpdir"
  export PELM_RIG_TMP
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

  if i386_is_emulated; then
    QEMU_SET_ENV=$(build_shims)
    export QEMU_SET_ENV
  else
    unset QEMU_SET_ENV
  fi

  start_xvfb
  export DISPLAY
  if [ "$audio" = 1 ]; then
    start_pulse
    export PULSE_SERVER
  fi
  lock_prefix
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
  local prefix=${PELM_WINEPREFIX:-$(dirname "$state")/wineprefix}
  if [ -f "$state/env" ]; then
    prefix=$(bash -c '. "$1/env"; echo "$WINEPREFIX"' _ "$state")
  fi
  # wineserver -k ends every process of the prefix, then the server itself.
  if [ -d "$prefix" ] && [ -s "$state/pids" ]; then
    local qemu_env=
    [ -f "$state/env" ] && qemu_env=$(bash -c '. "$1/env"; echo "${QEMU_SET_ENV:-}"' _ "$state")
    WINEPREFIX=$prefix QEMU_SET_ENV=$qemu_env timeout 30 wineserver -k >/dev/null 2>&1 || true
    WINEPREFIX=$prefix QEMU_SET_ENV=$qemu_env timeout 30 wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -f "$state/pids" ]; then
    local name pid
    # Reverse order: the desktop before the servers it uses.
    while read -r name pid; do
      [ -n "$pid" ] || continue
      if alive "$pid"; then kill "$pid" 2>/dev/null || true; fi
    done < <(tac "$state/pids")
    while read -r name pid; do
      [ -n "$pid" ] || continue
      if ! poll 10 gone "$pid"; then
        log "$name ($pid) ignored SIGTERM; killing it"
        kill -9 "$pid" 2>/dev/null || true
        poll 5 gone "$pid" || log "$name ($pid) is still there"
      fi
    done < <(tac "$state/pids")
    : >"$state/pids"
  fi
  if [ -f "$state/prefix-lock" ]; then
    local lock
    lock=$(cat "$state/prefix-lock")
    # Only our own lock: another rig may have taken over a stale one.
    if [ "$(cut -d' ' -f2- "$lock/owner" 2>/dev/null)" = "$state" ]; then
      rm -rf "$lock"
    fi
    rm -f "$state/prefix-lock"
  fi
  if [ -f "$state/tmpdir" ]; then
    local tmp
    tmp=$(cat "$state/tmpdir")
    case "$tmp" in /tmp/pelm-rig.*) rm -rf "$tmp" ;; esac
    rm -f "$state/tmpdir"
  fi
  rm -f "$state/env"
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
        [ "$name" = pulseaudio ] || continue
        kill "$pid" 2>/dev/null || true
        poll 10 gone "$pid" || kill -9 "$pid" 2>/dev/null || true
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
  screenshot) shift; cmd_screenshot "$@" ;;
  *) die "usage: rig.sh start STATE_DIR [--no-audio] | stop STATE_DIR | screenshot STATE_DIR OUT.png" ;;
esac
