#!/usr/bin/env bash
# Installs the Debian packages Orv builds with, if any are missing; with
# arguments, those packages as well (the fuzz build's clang, for instance).
set -euo pipefail

# fonts-dejavu-core: a font for the windows (and their screenshots) where the desktop brings none.
# xvfb, x11-utils, x11-apps: the virtual display, xwininfo and xwd of the test of orv's window.
# libindi-dev, indi-bin, libnova-dev: the INDI driver and its tests under indiserver.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgtest-dev libgmock-dev
          libbenchmark-dev liberfa-dev fonts-dejavu-core xvfb x11-utils x11-apps
          libindi-dev indi-bin libnova-dev "$@")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "Orv: run as root or install sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
