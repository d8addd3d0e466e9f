#!/usr/bin/env bash
# Installs what building, running and testing korvo-updater needs on Debian 12 (run as root).
set -euo pipefail

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
