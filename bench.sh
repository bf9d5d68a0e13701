#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Release tree and runs every benchmark of bench/, then prints one table of the
# figures they report ("BENCH|metric|value|unit|goal" lines). Each benchmark's full output is
# kept in build/bench/<name>.log.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
export QTWEBENGINE_DISABLE_SANDBOX=1

results="$(mktemp)"
for bench in build/bench/bench_*; do
    [ -f "$bench" ] && [ -x "$bench" ] || continue
    name="${bench##*/bench_}"
    echo "Running $name..." >&2
    if ! "$bench" >"build/bench/$name.log" 2>&1; then
        echo "BENCH|$name: FAILED (see build/bench/$name.log)|||" >>"$results"
    fi
    grep '^BENCH|' "build/bench/$name.log" | sed "s/^BENCH|/BENCH|$name|/" >>"$results" || true
done

# Open time and memory next to other editors (kate, featherpad), measured from outside under a
# private Xvfb display; bench/open_peers.py says why it skipped when they are not installed.
if command -v Xvfb >/dev/null && { command -v kate || command -v featherpad; } >/dev/null; then
    echo "Running open_peers..." >&2
    if ! python3 bench/open_peers.py build/quillo >build/bench/open_peers.log 2>&1; then
        echo "BENCH|open_peers: FAILED (see build/bench/open_peers.log)|||" >>"$results"
    fi
    grep '^BENCH|' build/bench/open_peers.log | sed "s/^BENCH|/BENCH|peers|/" >>"$results" || true
else
    echo "Skipping open_peers: Xvfb, kate or featherpad not installed" >&2
fi

echo
echo "Machine: $(nproc) cores, $(free -g | awk '/Mem:/ {print $2}') GiB, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
echo
echo "| benchmark | measure | value | unit | goal |"
echo "|---|---|---|---|---|"
awk -F'|' '{ printf "| %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6 }' "$results"
rm -f "$results"
