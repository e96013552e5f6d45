#!/usr/bin/env bash
# Installs what building and testing needs on Debian 12, and only what is
# missing: a second run does no apt work and takes about a second.
# Runs without a terminal or standard input (CI).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

# libx*:i386 are what Wine's X11 driver loads at run time; without them it
# falls back to core X drawing and misses input and display features.
# qemu-user-static runs the 32-bit Wine on kernels booted without ia32
# support (see ensure_i386_exec below).
packages=(
  cmake make g++ googletest libgtest-dev libgmock-dev clang python3
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  wine wine32:i386
  libxrender1:i386 libxrandr2:i386 libxi6:i386 libxcursor1:i386
  libxfixes3:i386 libxinerama1:i386 libxcomposite1:i386
  xvfb xdotool x11-utils xauth imagemagick pulseaudio
  locales fonts-ipafont-gothic qemu-user-static
)

as_root=()
if [ "$(id -u)" -ne 0 ]; then as_root=(sudo -n); fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null || true)
  case "$status" in ii*) ;; *) missing+=("$p") ;; esac
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  # Another apt run (a second shell, unattended upgrades) holds the lock for
  # a while; wait for it instead of failing.
  apt=(apt-get -o DPkg::Lock::Timeout=900 -o Dpkg::Use-Pty=0)
  # A mirror in the middle of a sync fails one index now and then: try
  # again, and go on with what was fetched (the install says what is
  # really missing).
  for try in 1 2 3; do
    "${as_root[@]}" "${apt[@]}" update -q </dev/null && break
    [ "$try" = 3 ] && echo "setup: apt-get update failed three times; installing from what it fetched" >&2
    sleep 10
  done
  "${as_root[@]}" "${apt[@]}" install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null
fi

# The rig runs Wine with LANG=ja_JP.UTF-8 so that the ANSI code page is 932;
# en_US (1252) and zh_CN (936) show the program on other systems.
for loc in ja_JP en_US zh_CN; do
  locale -a 2>/dev/null | grep -qi "^$loc\.utf-\?8$" && continue
  echo "setup: generating the $loc.UTF-8 locale"
  if grep -q "^# *$loc.UTF-8 UTF-8" /etc/locale.gen; then
    "${as_root[@]}" sed -i "s/^# *\($loc.UTF-8 UTF-8\)/\1/" /etc/locale.gen
  elif ! grep -q "^$loc.UTF-8 UTF-8" /etc/locale.gen; then
    echo "$loc.UTF-8 UTF-8" | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${as_root[@]}" locale-gen >/dev/null
done

# Some kernels (virtual machines booted with ia32_emulation off) refuse to
# exec i386 ELF files, so wine32 cannot start. Registering qemu-i386 with
# binfmt_misc makes the kernel hand such files to the emulator; the rig then
# adds the preload that keeps Wine's start-up fast under it. The
# registration lasts until reboot, so it is checked on every run.
i386_runs() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }
ensure_i386_exec() {
  i386_runs && return 0
  local misc=/proc/sys/fs/binfmt_misc
  if [ ! -e "$misc/register" ]; then
    "${as_root[@]}" mount -t binfmt_misc binfmt_misc "$misc"
  fi
  if [ -e "$misc/qemu-i386" ]; then
    echo 1 | "${as_root[@]}" tee "$misc/qemu-i386" >/dev/null
  else
    echo "setup: registering qemu-i386 for i386 executables (kernel has no ia32)"
    # Matches ELF32 little-endian i386 executables and shared objects; F
    # opens the emulator now so it works inside any mount namespace, P keeps
    # argv[0] as Wine expects.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    printf '%s' ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:FP" |
      "${as_root[@]}" tee "$misc/register" >/dev/null
  fi
  if ! i386_runs; then
    echo "setup: i386 programs still cannot run; Wine tests will fail" >&2
    return 1
  fi
}
ensure_i386_exec
