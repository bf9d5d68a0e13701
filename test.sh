#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, fuzzes each parser briefly, and runs every test through
# CTest on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-deps.sh
scripts/build.sh

# A short fuzzing run of every parser on top of its seed corpus catches regressions.
fuzz_status=0
scripts/fuzz.sh "${QUILLO_FUZZ_SECONDS:-30}" || fuzz_status=1

export QT_QPA_PLATFORM=offscreen
export QTWEBENGINE_DISABLE_SANDBOX=1
cd build
ctest_status=0
ctest --output-on-failure --parallel "$(nproc)" || ctest_status=1
if ((fuzz_status)); then echo "Fuzzing found a problem (see above)."; fi
exit $((fuzz_status || ctest_status))
