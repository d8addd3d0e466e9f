#!/usr/bin/env bash
# Rebuilds resources/firmware.scrambled from korvo-make-sample-image and korvo-image. Every run
# draws new filler bytes, so the file changes although the image that it holds stays the same.
# Usage: tools/make-sample-image/regenerate.sh [BUILD_DIR]   (default BUILD_DIR: build-tools)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build-tools}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DKORVO_BUILD_TESTS=OFF
fi
cmake --build "$build" --target korvo-image korvo-make-sample-image

plain=$(mktemp)
trap 'rm -f "$plain"' EXIT
"$build/tools/make-sample-image/korvo-make-sample-image" "$plain"
"$build/tools/korvo-image/korvo-image" scramble "$plain" "$root/resources/firmware.scrambled"
"$build/tools/korvo-image/korvo-image" check "$root/resources/firmware.scrambled"
