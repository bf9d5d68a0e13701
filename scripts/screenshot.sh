#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the software-centre screenshot resources/screenshots/main.png: the built editor on its
# first start (fresh settings, so it shows the readme), 1280x720, under Xvfb with openbox.
#
#   scripts/screenshot.sh [BUILD_DIR]     (needs xvfb, openbox, x11-utils, imagemagick)
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath "${1:-build}")"
out="$PWD/resources/screenshots/main.png"

if [[ "${QUILLO_IN_XVFB:-}" != 1 ]]; then
    exec env QUILLO_IN_XVFB=1 xvfb-run -a -s "-screen 0 1280x720x24" "$0" "$build"
fi

# A home of its own: the first start, and nothing written to the real one.
home="$(mktemp -d)"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share"
export XDG_CACHE_HOME="$home/.cache"
unset XDG_RUNTIME_DIR

openbox &
"$build/quillo" &
for _ in $(seq 100); do
    grep -q '"Quillo Meridian' <(xwininfo -root -tree) && break
    sleep 0.1
done
grep -q '"Quillo Meridian' <(xwininfo -root -tree) || { echo "The editor did not open." >&2; exit 1; }
# Mapped is not yet painted: give the readme's layout a moment.
sleep 2
import -window root png:- | convert - -strip -define png:compression-level=9 "$out"
echo "Wrote $out ($(identify -format '%wx%h' "$out"))"
