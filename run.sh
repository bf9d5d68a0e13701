#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the editor if a source is newer than it, and starts it with
# the given arguments in the caller's folder, so that relative file names mean what they say.
set -euo pipefail
root="$(cd "$(dirname "$0")" && pwd)"
"$root/scripts/ensure-deps.sh"
editor="$root/build/quillo"
if [ ! -x "$editor" ] ||
    [ -n "$(find "$root/CMakeLists.txt" "$root/cmake" "$root/src" "$root/resources" \
        -type f -newer "$editor" -print -quit)" ]; then
    "$root/scripts/build.sh" quillo
fi
exec "$editor" "$@"
