#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Release tree in build/: the given targets, or all of them. Configures only when the
# tree has not been configured yet; the build itself configures again when a CMakeLists.txt
# has changed.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build/CMakeCache.txt ]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
