#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine (apt-get), then configures
# and builds the editor and its tests in build/. Sourced or run by run.sh
# and test.sh; safe to run again.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BILAN_BUILD:-$top/build}

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-translations-l10n libxcb1-dev
    qt6-base-private-dev libxcb-xfixes0-dev
    fonts-wqy-microhei fonts-wqy-zenhei fonts-noto-cjk
    xvfb xauth xclip xdotool x11-utils
    libwayland-dev sway mutter kwin-wayland xwayland wl-clipboard foot zenity x11-xserver-utils
    dbus dbus-daemon at-spi2-core python3-pyatspi
    clang libclang-rt-14-dev python3
    fp-utils xchm xdg-utils desktop-file-utils file dpkg-dev
)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --parallel
