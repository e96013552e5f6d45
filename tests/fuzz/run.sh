#!/bin/sh
# Builds the settings-value fuzzer with clang and runs it for SECONDS seconds
# (default 60) in a temporary folder. Exits non-zero when it finds a crash;
# the crashing input is copied to the current folder.
# Usage: tests/fuzz/run.sh [SECONDS]
set -eu

seconds=${1:-60}
root=$(cd "$(dirname "$0")/../.." && pwd)
cxx=${CXX_FUZZ:-clang++}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Same sources as the fuzz_settings target in cmake/host-fuzz.cmake.
"$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root" \
    "$root/tests/fuzz/fuzz_settings_values.cpp" \
    "$root/settings/SettingsFile.cpp" \
    "$root/framework/StringList.cpp" \
    "$root/framework/TextServices.cpp" \
    -o "$work/fuzz_settings_values"

mkdir "$work/corpus"
status=0
(cd "$work" && ./fuzz_settings_values -max_total_time="$seconds" -max_len=4096 \
    -print_final_stats=1 corpus) || status=$?
if [ "$status" -ne 0 ]; then
    for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
        [ -e "$f" ] && cp "$f" . && echo "kept $(basename "$f")"
    done
    echo "fuzzer failed (exit $status)" >&2
    exit "$status"
fi
