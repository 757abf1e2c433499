#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, only when some are missing.
# Packages named as arguments are wanted too (lintian, for the package test).
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev gettext
    libsqlite3-dev
    qt6-base-dev qt6-multimedia-dev libgl-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    pulseaudio pulseaudio-utils python3
    fonts-wqy-microhei qt6-translations-l10n libqt6svg6
    "$@"
)

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Package lists may be stale or absent on a fresh machine: refresh them only when needed.
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}"; then
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
