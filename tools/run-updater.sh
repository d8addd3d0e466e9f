#!/usr/bin/env bash
# Installs what is needed, builds, and starts the updater: on a real board when a Korvo adapter
# is attached, otherwise on the built-in emulated board.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVO_BUILD_TESTS=OFF
cmake --build build/release -j "$(nproc)"

adapter_attached() {
    local product
    for product in /sys/bus/usb/devices/*/product; do
        [ -r "$product" ] || continue
        case "$(cat "$product")" in
            "Fendral Serial Link" | "FT232R USB UART") return 0 ;;
        esac
    done
    return 1
}

if adapter_attached; then
    exec build/release/src/app/qt/korvo-updater
else
    echo "No Korvo adapter attached: starting on the emulated board."
    exec build/release/src/app/qt/korvo-updater-demo
fi
