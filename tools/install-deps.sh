#!/usr/bin/env bash
# Installs what building, running and testing korvo-updater needs on Debian 12 (as root, or
# through sudo when run by a user).
set -euo pipefail

if [ "$(id -u)" != 0 ]; then
    exec sudo "$0" "$@"
fi

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins
    libudev-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    umockdev libumockdev-dev
    desktop-file-utils appstream dpkg-dev file
    clang-14 libclang-rt-14-dev
)

export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${packages[@]}"
