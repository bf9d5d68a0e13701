#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# in build-fuzz/, and runs each for the given number of seconds (default 30) on top of its seed
# corpus. Exits non-zero when any target finds a crash, a leak or undefined behaviour.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"

CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLO_FUZZ=ON >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" >/dev/null

export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1
status=0
for target in build-fuzz/fuzz/fuzz_*; do
    [ -f "$target" ] && [ -x "$target" ] || continue
    name="${target##*/fuzz_}"
    work="$(mktemp -d)"
    # The committed corpus is read, never written: new inputs go to a scratch folder.
    corpora=("$work")
    [ -d "fuzz/corpus/$name" ] && corpora+=("fuzz/corpus/$name")
    # Pieces of the input's language for the fuzzer to splice in, where a target has them.
    options=()
    [ -f "fuzz/$name.dict" ] && options+=(-dict="fuzz/$name.dict")
    if "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -timeout=10 "${options[@]}" \
        -artifact_prefix="$work/" -print_final_stats=1 "${corpora[@]}" >"$work/log" 2>&1; then
        runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$work/log" | grep -o '[0-9]*$' || echo "?")
        echo "fuzz $name: ${seconds}s, $runs runs, no finding"
        rm -rf "$work"
    else
        echo "fuzz $name: FAILED (log and crashing input in $work)"
        tail -n 40 "$work/log"
        status=1
    fi
done
exit $status
