#!/usr/bin/env bash
# Puts deliberate faults into a scratch copy of the tree, one at a time,
# builds the host tests there and runs them: every fault must make a test
# fail. Prints the table "fault | caught/survived | first failing test" and
# exits non-zero when a fault survives, when a fault's line is no longer in
# its file (the fault needs updating with the code), or when the copy's own
# tests fail before any fault is put in. Run it when the logic changes.
# Usage: tools/faults.sh [SCRATCH]
#   SCRATCH: folder for the copy, its build and the logs of the last run
#   (default: a new folder under /tmp, removed at the end).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

# The faults: label, file, the exact line, the line put in its place.
labels=() files=() olds=() news=()
fault() { labels+=("$1") files+=("$2") olds+=("$3") news+=("$4"); }
fault 'ParseInt32 reads "0X" as decimal' settings/SettingsFile.cpp \
    "    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {" \
    "    } else if (i + 1 < s.size() && s[i] == '0' && s[i + 1] == 'x') {"
fault 'ParseInt32 decimal limits swapped' settings/SettingsFile.cpp \
    "    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);" \
    "    const uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x7FFFFFFFu : 0x80000000u);"
fault 'tray add retry pause grows by one tick' tray/TrayIcon.cpp \
    "        m_nTrayRetryPause = m_nTrayRetryPause == 0 ? 1 : m_nTrayRetryPause * 2;" \
    "        m_nTrayRetryPause = m_nTrayRetryPause == 0 ? 1 : m_nTrayRetryPause + 1;"
fault 'tray add retry pause without its cap' tray/TrayIcon.cpp \
    "constexpr uint32_t kMaxTrayRetryPause = 15;" \
    "constexpr uint32_t kMaxTrayRetryPause = 150;"
fault 'tray picture band off by one (9 % shows 10-19)' tray/TrayIcon.cpp \
    "        picture = Levels[m_nLevel >= 90 ? 9 : m_nLevel / 10];" \
    "        picture = Levels[m_nLevel >= 90 ? 9 : (m_nLevel + 1) / 10];"
fault 'icon choice: the largest of the larger sizes' framework/IconFile.cpp \
    "        return rank(a.Width) == 1 ? a.Width < b.Width : a.Width > b.Width;" \
    "        return a.Width > b.Width;"
fault 'tray picture at 32 px, whatever the shell draws' tray/TrayIcon.cpp \
    "    return picture ? picture->IconOfSize(m_nTrayIconSize) : 0;" \
    "    return picture ? picture->IconOfSize(32) : 0;"
fault 'a DPI change leaves the tray picture as it was' app/PelmFormMain.cpp \
    "        m_tray.SizeMayHaveChanged();" \
    "        (void)0;"
fault 'wheel step table off by one (20 % steps by 2)' wheel/WheelDecision.cpp \
    "    if (volume <= 20)" \
    "    if (volume < 20)"
fault 'volume read rounds down, not to the nearest' volume/VolumeDevice.h \
    "    const uint64_t scaled = static_cast<uint64_t>(raw - minimum) * 100u + range / 2;" \
    "    const uint64_t scaled = static_cast<uint64_t>(raw - minimum) * 100u;"

if [ $# -ge 1 ]; then
    scratch=$1
    mkdir -p "$scratch"
else
    scratch=$(mktemp -d /tmp/pelm-faults.XXXXXX)
    trap 'rm -rf "$scratch"' EXIT
fi
tree=$scratch/tree
build=$scratch/build

# The tree as it stands, uncommitted changes included; no build folders.
# Every file is new to the build (-m), so nothing of an earlier run's
# faults stays in it.
rm -rf "$tree"
mkdir -p "$tree"
tar -C "$top" --exclude=./build --exclude=./.git -cf - . | tar -C "$tree" -xmf -

# Every fault's line must be in its file exactly once, before anything is built.
for i in "${!labels[@]}"; do
    f=$tree/${files[i]}
    [ -f "$f" ] || { echo "faults.sh: ${files[i]} is gone: update \"${labels[i]}\"" >&2; exit 2; }
    n=$(grep -cxF -- "${olds[i]}" "$f" || true)
    [ "$n" = 1 ] || {
        echo "faults.sh: \"${labels[i]}\": its line is in ${files[i]} $n times, not once: update the fault" >&2
        exit 2
    }
done

# 0: the tests pass; 1: a test failed or the run hung; 2: no build.
build_and_test() {
    cmake --build "$build" -j "$(nproc)" --target host_tests </dev/null >"$scratch/build.log" 2>&1 || return 2
    timeout 600 "$build/host_tests" --gtest_brief=1 </dev/null >"$scratch/test.log" 2>&1 || return 1
}

cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=Debug >"$scratch/configure.log" 2>&1 || {
    cat "$scratch/configure.log" >&2
    exit 2
}
rc=0
build_and_test || rc=$?
if [ "$rc" -ne 0 ]; then
    tail -n 40 "$scratch/build.log" "$scratch/test.log" 2>/dev/null >&2
    echo "faults.sh: the copy's own tests do not pass (status $rc); no fault can be judged" >&2
    exit 2
fi

results=()
survived=0
for i in "${!labels[@]}"; do
    f=$tree/${files[i]}
    cp -p "$f" "$f.fault-orig"
    OLD=${olds[i]} NEW=${news[i]} awk '$0 == ENVIRON["OLD"] { print ENVIRON["NEW"]; next } { print }' \
        "$f.fault-orig" >"$f"
    rc=0
    build_and_test || rc=$?
    # Back as it was, and newer than the faulty build, so that it is rebuilt.
    mv "$f.fault-orig" "$f"
    touch "$f"
    case "$rc" in
    0)
        results+=("${labels[i]}|survived|")
        survived=$((survived + 1))
        ;;
    1)
        first=$(grep -m1 -oE '^\[  FAILED  \] [A-Za-z0-9_/.]+' "$scratch/test.log" | sed 's/^\[  FAILED  \] //' || true)
        results+=("${labels[i]}|caught|${first:-the run did not finish}")
        ;;
    *)
        tail -n 30 "$scratch/build.log" >&2
        echo "faults.sh: \"${labels[i]}\" does not build: update the fault" >&2
        exit 2
        ;;
    esac
done

printf '\n%-48s | %-8s | %s\n' "fault" "result" "first failing test"
printf '%-48s-|-%-8s-|-%s\n' "$(printf '%048d' 0 | tr 0 -)" "--------" "------------------"
for r in "${results[@]}"; do
    IFS='|' read -r label result by <<<"$r"
    printf '%-48s | %-8s | %s\n' "$label" "$result" "$by"
done
echo "${#results[@]} faults, $survived survived"
[ "$survived" -eq 0 ]
