#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) in build/fuzz and runs each for SECONDS
# (default 60) on a temporary copy of its seed corpus; exits non-zero when a target crashes.
# Usage: tools/run-fuzzers.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: $0 [SECONDS]   (a whole number of seconds per target, default 60)" >&2
    exit 2
fi

# clang 14 with its libFuzzer runtime (Debian: clang-14, libclang-rt-14-dev).
cxx=${CXX:-}
if [ -z "$cxx" ]; then
    if command -v clang++-14 >/dev/null; then cxx=clang++-14; else cxx=clang++; fi
fi

build=build/fuzz
if [ -f "$build/CMakeCache.txt" ] && [ -z "${CXX:-}" ]; then
    cmake -S tests/fuzz -B "$build" >/dev/null  # keep the compiler it was configured with
else
    cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"

# Inputs of the image target carry a whole stored image (524,321 bytes with the control byte).
declare -A max_len=([fuzz_image_load]=600000 [fuzz_link_receive]=4096)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
for target in fuzz_image_load fuzz_link_receive; do
    corpus=$work/$target
    mkdir -p "$corpus"
    cp tests/fuzz/corpus/$target/* "$corpus"/
    if [ -d "$build/seeds/$target" ]; then
        cp "$build/seeds/$target"/* "$corpus"/
    fi
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    mkdir -p "$artifacts" "$(dirname "$log")"
    rm -f "$artifacts"/*

    set +e
    UBSAN_OPTIONS=print_stacktrace=1 "$build/$target" "$corpus" \
        -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=30 \
        -artifact_prefix="$artifacts/" -print_final_stats=1 >"$log" 2>&1
    rc=$?
    set -e

    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
    cov=$(sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\) corp: \([^ ]*\).*/cov \1, features \2, corpus \3/p' \
        <<<"$last")
    crash=$(find "$artifacts" -type f | head -1)
    if [ "$rc" -eq 0 ] && [ -z "$crash" ]; then
        echo "$target: ok, ${runs:-?} runs in ${seconds}s (${speed:-?}/s), ${cov:-no coverage line}"
    else
        echo "$target: FAILED (exit $rc) after ${runs:-?} runs, ${cov:-no coverage line};" \
            "input: ${crash:-none saved}; log: $log"
        grep -E 'property broken|ERROR: (Address|libFuzzer)|runtime error|SUMMARY' "$log" |
            head -5 | sed 's/^/    /'
        failed=1
    fi
done
exit "$failed"
