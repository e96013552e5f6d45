#!/usr/bin/env bash
# Builds every fuzz target (tests/fuzz/fuzz_*.cpp, linked with the sources in
# tests/fuzz/sources.txt) with clang's libFuzzer and runs each for SECONDS
# seconds (default 60), starting from its committed seed corpus in
# tests/fuzz/corpus/TARGET/. SECONDS=0 only replays the seeds.
# Exits non-zero when a target does not build or a run finds a crash, a
# leak, a timeout or an out-of-memory; the input that did it is copied to
# the current folder (crash-*, leak-*, ...) and named in the output.
# Usage: tests/fuzz/run.sh [SECONDS]    CXX_FUZZ=clang++-14 to pick the compiler.
set -euo pipefail

seconds=${1:-60}
case "$seconds" in '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;; esac
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
cxx=${CXX_FUZZ:-clang++}
out=$(pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v "$cxx" >/dev/null || { echo "fuzz: $cxx not found (Debian package clang)" >&2; exit 1; }
# clang links libFuzzer's runtime from compiler-rt, which Debian packages
# apart from the compiler (only recommended by it).
if [ ! -f "$("$cxx" -print-file-name=libclang_rt.fuzzer-x86_64.a)" ]; then
    echo "fuzz: libFuzzer's runtime is missing (Debian package libclang-rt-14-dev for clang 14)" >&2
    exit 1
fi

sources=()
while IFS= read -r line; do
    case "$line" in '' | '#'*) continue ;; esac
    sources+=("$root/$line")
done <"$here/sources.txt"

status=0
for target_source in "$here"/fuzz_*.cpp; do
    target=$(basename "$target_source" .cpp)
    seeds=$here/corpus/$target
    echo "== $target: building"
    "$cxx" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$root" "$target_source" "${sources[@]}" -o "$work/$target"

    # New inputs go to a scratch folder (the first one named); the committed
    # seeds are only read.
    mkdir -p "$work/$target.corpus" "$work/$target.artifacts"
    [ -d "$seeds" ] || { echo "fuzz: no seed corpus $seeds" >&2; exit 1; }
    if [ "$seconds" = 0 ]; then
        limit=(-runs=0)
        echo "== $target: replaying $(ls "$seeds" | wc -l) seeds"
    else
        limit=(-max_total_time="$seconds")
        echo "== $target: fuzzing for $seconds s from $(ls "$seeds" | wc -l) seeds"
    fi
    rc=0
    "$work/$target" "${limit[@]}" -max_len=4096 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$target.artifacts/" "$work/$target.corpus" "$seeds" \
        >"$work/$target.log" 2>&1 || rc=$?
    if [ "$rc" -ne 0 ]; then
        tail -n 40 "$work/$target.log" >&2
        for f in "$work/$target.artifacts"/*; do
            [ -e "$f" ] || continue
            cp "$f" "$out/" && echo "fuzz: $target: kept $out/$(basename "$f")" >&2
        done
        echo "FAIL $target (libFuzzer exit $rc)" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$work/$target.log" | tail -n 2 || true
        echo "PASS $target"
    fi
done
exit "$status"
