#!/usr/bin/env bash
# Wine and the desktop it draws on live in Debian roots of their own, made
# once with debootstrap and kept outside any checkout, so that the host needs
# no foreign architecture and no Wine, and no skew between architectures can
# stop an install: each root holds a single one.
#
#   tools   trixie, amd64: Xvfb, PulseAudio, xdotool, ImageMagick, qemu-i386
#   i386    trixie, i386:  the classic 32-bit Wine 10 (modes classic, emulated)
#   wow64   sid, amd64:    Wine 10 built for WoW64 (mode wow64)
#
# Modes, chosen by what this kernel can run (PELM_WINE_MODE forces one):
#   classic   the kernel runs 32-bit programs: the i386 root natively
#   wow64     it does not, but has a 32-bit code segment (selector 0x23)
#   emulated  neither: the i386 root under qemu-i386, registered in the
#             binfmt_misc of a user namespace of its own (Linux 6.7 and later)
#
#   roots.sh mode            prints the mode, or why none can run (status 2)
#   roots.sh ensure [MODE]   makes the roots MODE needs, unless cached
#   roots.sh exec ROOT CMD   runs CMD inside ROOT (tools or wine)
#   roots.sh links DIR       links for the commands below, for PATH
#   roots.sh stamp MODE      the recipe stamp of MODE's Wine root
#
# Linked under another name (wine, Xvfb, xdotool, ...), it runs that command
# in its root; the rig puts such links first on PATH. A call's mounts live in
# a mount namespace of its own and end with it: nothing outlives a run.
#
# PELM_ROOTS is where roots are kept (default /var/cache/pelmora).
set -euo pipefail

self=$(readlink -f "${BASH_SOURCE[0]}")
cache=${PELM_ROOTS:-/var/cache/pelmora}
mirror=${PELM_DEBIAN_MIRROR:-http://deb.debian.org/debian}
sys_path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin

say() { echo "roots: $*" >&2; }
die() { say "$*"; exit 1; }

# What each root holds; a change here makes the root anew (its stamp).
recipe() {
  case $1 in
    tools) echo "trixie amd64 xvfb xfonts-base xauth xdotool x11-utils imagemagick pulseaudio pulseaudio-utils qemu-user" ;;
    i386) echo "trixie i386 $(wine_packages) wine32" ;;
    wow64) echo "sid amd64 $(wine_packages) wine64" ;;
    *) die "no root named $1" ;;
  esac
}
# libx*: what Wine's X11 driver loads at run time (it draws with less and
# misses input features without them); fonts-wine: Marlett for the caption
# buttons; the IPA fonts stand in for the Japanese faces the forms name.
wine_packages() {
  echo "wine libwine fonts-wine locales fonts-ipafont-gothic libpulse0 libfreetype6 libfontconfig1" \
       "libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1 libxext6"
}
root_dir() { echo "$cache/$1"; }
stamp() { recipe "$1" | sha256sum | cut -c1-16; }
cached() { [ "$(cat "$(root_dir "$1")/.pelm-stamp" 2>/dev/null)" = "$(stamp "$1")" ]; }

# --- what the kernel can run -------------------------------------------------

# A 32-bit ELF that only exits: it runs where the kernel runs i386 programs.
# It is tried in a user namespace with a binfmt_misc of its own, so that an
# emulator registered on the host does not pass for native support.
i386_elf() {
  python3 - "$1" <<'EOF'
import struct, sys
code = bytes.fromhex("b801000000" "31db" "cd80")  # exit(0)
hdr = struct.pack("<16sHHIIIIIHHHHHH", b"\x7fELF\x01\x01\x01" + bytes(9), 2, 3, 1,
                  0x08048054, 52, 0, 0, 52, 32, 1, 0, 0, 0)
ph = struct.pack("<IIIIIIII", 1, 0, 0x08048000, 0x08048000, 84 + len(code), 84 + len(code), 5, 0x1000)
open(sys.argv[1], "wb").write(hdr + ph + code)
EOF
  chmod +x "$1"
}
runs_i386_natively() {
  local d; d=$(mktemp -d)
  i386_elf "$d/exit0"
  unshare --user --map-root-user --mount sh -c \
    'mount -t binfmt_misc none "$1" 2>/dev/null; exec "$2"' _ "$d" "$d/exit0" >/dev/null 2>&1
  local rc=$?; rm -rf "$d"; return $rc
}
has_selector_0x23() {
  local d; d=$(mktemp -d)
  printf '%s\n' 'int main(void){unsigned s=0x23,a;unsigned char ok;' \
    '__asm__ volatile("lar %2,%0; setz %1":"=r"(a),"=q"(ok):"r"(s));return !ok;}' >"$d/lar.c"
  cc -o "$d/lar" "$d/lar.c" 2>/dev/null && "$d/lar"
  local rc=$?; rm -rf "$d"; return $rc
}
userns_binfmt() {
  unshare --user --map-root-user --mount sh -c 'mount -t binfmt_misc none "$1"' _ "$(mktemp -d)" 2>/dev/null
}

cmd_mode() {
  local forced=${PELM_WINE_MODE:-}
  case $forced in
    classic) runs_i386_natively || { say "PELM_WINE_MODE=classic: this kernel does not run 32-bit programs"; return 2; } ;;
    wow64) has_selector_0x23 || { say "PELM_WINE_MODE=wow64: this kernel has no 32-bit code segment"; return 2; } ;;
    emulated) userns_binfmt || { say "PELM_WINE_MODE=emulated: no binfmt_misc of a user namespace (Linux 6.7 or later)"; return 2; } ;;
    "") if runs_i386_natively; then forced=classic
        elif has_selector_0x23; then
          forced=wow64
          # The unstable suite could not give a WoW64 Wine when the roots
          # were made: the emulated mode stands in, and says so.
          if ! cached wow64 && [ -f "$cache/.fallback" ]; then
            say "FALLBACK: no WoW64 root could be made; Wine runs emulated"
            forced=emulated
          fi
        elif userns_binfmt; then forced=emulated
        else say "this kernel runs no 32-bit Windows code: no 32-bit programs, no 32-bit code segment, and no binfmt_misc of a user namespace for an emulator (Linux 6.7 or later)"; return 2
        fi ;;
    *) say "PELM_WINE_MODE is classic, wow64 or emulated, not $forced"; return 2 ;;
  esac
  echo "$forced"
}
wine_root_of() { case $1 in wow64) echo wow64 ;; *) echo i386 ;; esac; }

# --- entering a root ---------------------------------------------------------

qemu_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
qemu_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

# The body that runs inside the new namespaces (as root there): binds what
# the call needs into the root, registers the emulator if asked, and execs
# the command in the root under the same pid. Arguments: root emulate cwd
# binds(colon-separated) command...
# shellcheck disable=SC2016
inner='
set -e
r=$1 emulate=$2 cwd=$3 binds=$4; shift 4
mount --rbind /proc "$r/proc"
if [ "$emulate" = 1 ]; then
  # This namespace'"'"'s own binfmt_misc (it lasts while mounted); F opens the
  # emulator now, so it serves inside the root; P keeps argv[0].
  mount -t binfmt_misc none "$r/proc/sys/fs/binfmt_misc"
  printf "%s" ":qemu-i386:M::$QEMU_MAGIC:$QEMU_MASK:$QEMU_BIN:FP" >"$r/proc/sys/fs/binfmt_misc/register"
fi
mount --rbind /sys "$r/sys"
mount --rbind /dev "$r/dev"
IFS=:
for b in $binds; do
  [ -d "$b" ] || continue
  mkdir -p "$r$b"
  mount --rbind "$b" "$r$b"
done
unset IFS
exec chroot "$r" /bin/sh -c "cd \"\$0\" 2>/dev/null || cd /; exec \"\$@\"" "$cwd" "$@"
'

# Folders every call sees at their own paths: /tmp (sockets, Wine's server
# folder), the checkout, the build and whatever the rig adds.
binds_for_call() {
  local top; top=$(cd "$(dirname "$self")/../.." && pwd)
  local list=/tmp:$top:${PELM_BUILD_DIR:-}:${PELM_ROOT_BINDS:-}:$PWD
  # Shortest first: a folder inside another is bound after it.
  tr ':' '\n' <<<"$list" | awk 'NF' | sort -u | awk '{ print length, $0 }' | sort -n | cut -d' ' -f2- | paste -sd:
}

cmd_exec() {
  [ $# -ge 2 ] || die "usage: roots.sh exec tools|wine COMMAND..."
  local which=$1; shift
  local mode=${PELM_WINE_MODE_ACTIVE:-}
  [ -n "$mode" ] || mode=$(cmd_mode) || exit 2
  local name emulate=0 lang=()
  case $which in
    tools) name=tools ;;
    wine) name=$(wine_root_of "$mode"); [ "$mode" = emulated ] && emulate=1
          # The host need not have the locale Wine runs in; the root has.
          if [ -n "${PELM_WINE_LANG:-}" ]; then lang=(LANG="$PELM_WINE_LANG" LC_ALL="$PELM_WINE_LANG"); fi ;;
    *) die "no root named $which" ;;
  esac
  local r; r=$(root_dir "$name")
  [ -x "$r/bin/sh" ] || die "the $name root is missing; run tools/setup.sh (or roots.sh ensure)"
  QEMU_MAGIC=$qemu_magic QEMU_MASK=$qemu_mask QEMU_BIN=$(root_dir tools)/usr/bin/qemu-i386 \
  HOME=/root PATH=$sys_path \
    exec env "${lang[@]}" unshare --user --map-root-user --mount \
      sh -c "$inner" _ "$r" "$emulate" "$PWD" "$(binds_for_call)" "$@"
}

# The commands the rig calls by name, and where each runs.
as_command() {
  local cmd=$1; shift
  if [ -z "${PELM_WINE_MODE_ACTIVE:-}" ]; then PELM_WINE_MODE_ACTIVE=$(cmd_mode) || exit 2; fi
  case $cmd in
    wine)
      if [ "$PELM_WINE_MODE_ACTIVE" = wow64 ]; then cmd_exec wine /usr/bin/wine "$@"
      else cmd_exec wine /usr/lib/wine/wine "$@"; fi ;;
    wineboot | regedit | winepath) as_command wine "$cmd" "$@" ;;
    wineserver)
      # Debian has moved the WoW64 server between releases; the root says
      # where its own lies.
      local r s
      r=$(root_dir "$(wine_root_of "$PELM_WINE_MODE_ACTIVE")")
      for s in /usr/lib/x86_64-linux-gnu/wine/wineserver /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32; do
        [ -x "$r$s" ] && cmd_exec wine "$s" "$@"
      done
      die "no wineserver in $r: is the root made? (tools/setup.sh, or roots.sh ensure)" ;;
    *) cmd_exec tools "$cmd" "$@" ;;
  esac
}
tool_commands="wine wineboot regedit winepath wineserver Xvfb xdpyinfo xwininfo xdotool xprop import convert compare identify pactl pulseaudio"

# Writes links for every command above into DIR, for PATH.
cmd_links() {
  mkdir -p "$1"
  local c
  for c in $tool_commands; do ln -sf "$self" "$1/$c"; done
}

# --- making roots ------------------------------------------------------------

# Runs a command in a user namespace that maps every id, as debootstrap's
# second stage and dpkg need (ownership of system users' files). The map of
# a child namespace is written by this, its privileged parent.
userns_all_ids() {
  local d; d=$(mktemp -d)
  mkfifo "$d/go"
  unshare --user --mount -- sh -c 'read -r _ <"$0"; exec "$@"' "$d/go" "$@" &
  local pid=$! me
  me=$(readlink /proc/self/ns/user)
  while [ "$(readlink "/proc/$pid/ns/user" 2>/dev/null)" = "$me" ]; do sleep 0.05; done
  echo "0 0 4294967295" >"/proc/$pid/uid_map"
  echo "0 0 4294967295" >"/proc/$pid/gid_map"
  echo go >"$d/go"
  local rc=0
  wait "$pid" || rc=$?
  rm -rf "$d"
  return $rc
}

# Inside a root being made: apt with the options a snapshot-old or
# mid-transition suite needs, and a message that names what failed.
# shellcheck disable=SC2016
root_apt='
set -e
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
apt_opts="-q -o Acquire::Check-Valid-Until=false -o Acquire::Retries=3 -o APT::Sandbox::User=root"
apt-get $apt_opts update >/tmp/pelm-apt.log 2>&1 || { cat /tmp/pelm-apt.log; exit 1; }
if ! apt-get $apt_opts install -y --no-install-recommends "$@" >>/tmp/pelm-apt.log 2>&1; then
  echo "---- apt-get install failed; what it said:"
  grep -E "^(E:| .*: (Depends|PreDepends|Breaks|Conflicts):|The following packages have unmet)" /tmp/pelm-apt.log || tail -20 /tmp/pelm-apt.log
  exit 1
fi
if [ -f /etc/locale.gen ]; then
  for l in ja_JP en_US zh_CN; do echo "$l.UTF-8 UTF-8"; done >/etc/locale.gen
  locale-gen >/dev/null
fi
apt-get clean
'

make_root() {
  local name=$1 emulate=0
  # shellcheck disable=SC2046
  set -- $(recipe "$name")
  local suite=$1 arch=$2; shift 2
  local final; final=$(root_dir "$name")
  local tmp=$cache/.$name.new
  say "making the $name root ($suite, $arch) in $final: debootstrap, then $*"
  rm -rf "$tmp"
  mkdir -p "$cache"
  local t0=$SECONDS
  debootstrap --foreign --arch="$arch" --variant=minbase "$suite" "$tmp" "$mirror" >"$cache/.$name.log" 2>&1 ||
    die "debootstrap of $suite/$arch failed; the mirror or its suite may be unreachable (see $cache/.$name.log)"
  if [ "$arch" = i386 ] && ! runs_i386_natively; then emulate=1; fi
  cp /etc/resolv.conf "$tmp/etc/resolv.conf"
  echo "deb $mirror $suite main" >"$tmp/etc/apt/sources.list"
  local body='
    set -e
    r=$1 emulate=$2; shift 2
    if [ "$emulate" = 1 ]; then
      m=$(mktemp -d); mount -t binfmt_misc none "$m"
      printf "%s" ":qemu-i386:M::$QEMU_MAGIC:$QEMU_MASK:$QEMU_BIN:FP" >"$m/register"
    fi
    mount --rbind /proc "$r/proc"; mount --rbind /sys "$r/sys"; mount --rbind /dev "$r/dev"
    # container=lxc: a user namespace makes no device nodes, and debootstrap
    # then binds /dev instead of testing mknod.
    container=lxc PATH=/usr/sbin:/usr/bin:/sbin:/bin chroot "$r" /debootstrap/debootstrap --second-stage
    echo "deb '"$mirror"' '"$suite"' main" >"$r/etc/apt/sources.list"
    PATH=/usr/sbin:/usr/bin:/sbin:/bin chroot "$r" /bin/sh -c "$ROOT_APT" _ "$@"'
  if ! QEMU_MAGIC=$qemu_magic QEMU_MASK=$qemu_mask QEMU_BIN=$(root_dir tools)/usr/bin/qemu-i386 ROOT_APT=$root_apt \
       userns_all_ids sh -c "$body" _ "$tmp" "$emulate" "$@" >>"$cache/.$name.log" 2>&1; then
    sed -n '/^---- apt-get install failed/,$p' "$cache/.$name.log" >&2
    die "the $name root could not be made from $suite (log: $cache/.$name.log); the suite may be in the middle of a library transition: try again later"
  fi
  stamp "$name" >"$tmp/.pelm-stamp"
  rm -rf "$final"
  mv "$tmp" "$final"
  say "the $name root is ready ($(( SECONDS - t0 )) s, $(du -sh "$final" | cut -f1))"
}

cmd_ensure() {
  local mode=${1:-}
  [ -n "$mode" ] || mode=$(cmd_mode) || exit 2
  mkdir -p "$cache"
  # One maker at a time; a second run waits and then finds the roots made.
  exec 9>"$cache/.lock"
  flock 9
  local name
  for name in tools "$(wine_root_of "$mode")"; do
    cached "$name" && continue
    if ! make_root "$name"; then
      if [ "$mode" = wow64 ] && [ -z "${PELM_WINE_MODE:-}" ] && userns_binfmt; then
        say "FALLBACK: the WoW64 root (Debian unstable) cannot be made today; Wine runs emulated instead"
        echo emulated >"$cache/.fallback"
        cmd_ensure emulated
        return
      fi
      exit 1
    fi
  done
  [ "$mode" = wow64 ] && rm -f "$cache/.fallback"
  return 0
}

case $(basename "$0") in
  roots.sh)
    case ${1:-} in
      mode) cmd_mode ;;
      ensure) shift; cmd_ensure "$@" ;;
      exec) shift; cmd_exec "$@" ;;
      links) shift; cmd_links "$@" ;;
      stamp) cat "$(root_dir "$(wine_root_of "${2:?MODE}")")/.pelm-stamp" ;;
      *) die "usage: roots.sh mode | ensure [MODE] | exec tools|wine COMMAND... | links DIR | stamp MODE" ;;
    esac ;;
  *) as_command "$(basename "$0")" "$@" ;;
esac
