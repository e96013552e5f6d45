#!/usr/bin/env bash
# Installs what building and the host tests need on Debian 12, only what is
# missing (a second run does no apt work), then makes the Debian roots that
# Wine and its desktop run in (tests/rig/roots.sh; cached outside the
# checkout, so a second run does no network work either). The host gets no
# foreign architecture and no Wine. PELM_WINE_TESTS=0 leaves the roots out.
# Runs without a terminal or standard input (CI).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
top=$(cd "$(dirname "$0")/.." && pwd)

# debootstrap makes the roots; python3 writes the rig's test programs and
# checks the icons; clang's libFuzzer runs the fuzz pass.
packages=(
  cmake make g++ googletest libgtest-dev libgmock-dev clang libclang-rt-14-dev python3
  g++-mingw-w64-i686 binutils-mingw-w64-i686 zip unzip
  debootstrap util-linux e2fsprogs valgrind
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

if [ "${PELM_WINE_TESTS:-1}" != 0 ]; then
  mode=$("${as_root[@]}" bash "$top/tests/rig/roots.sh" mode) || {
    echo "setup: no Wine mode can run on this machine; the Wine tests will be skipped" >&2
    exit 0
  }
  echo "setup: Wine runs $mode on this machine"
  "${as_root[@]}" bash "$top/tests/rig/roots.sh" ensure "$mode"
fi
