#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the editor and the tests need, but only those missing:
# a second run checks with dpkg and installs nothing.
set -euo pipefail

QUILLO_PACKAGES=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-webengine-dev qt6-speech-dev
    qt6-speech-speechd-plugin qt6-speech-flite-plugin
    speech-dispatcher speech-dispatcher-espeak-ng espeak-ng
    libgl-dev libxkbcommon-dev libx11-dev libxxhash-dev
    libgtest-dev libbenchmark-dev clang
    desktop-file-utils poppler-utils
    dpkg-dev file shared-mime-info appstream lintian
    python3 xvfb openbox xdotool x11-utils imagemagick time
    xclip dbus dbus-x11 at-spi2-core python3-pyatspi
    unicode-data ibus ibus-m17n
    libhunspell-dev hunspell-en-us
)

# One question to dpkg for all of them: run.sh asks on every start.
declare -A installed=()
while read -r pkg status; do
    if [ "$status" = "install ok installed" ]; then installed[$pkg]=1; fi
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${QUILLO_PACKAGES[@]}" "$@" 2>/dev/null || true)

missing=()
for pkg in "${QUILLO_PACKAGES[@]}" "$@"; do
    if [ -z "${installed[$pkg]:-}" ]; then missing+=("$pkg"); fi
done

if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    SUDO=()
    if [ "$(id -u)" -ne 0 ]; then SUDO=(sudo); fi
    "${SUDO[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
