#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test: once with warnings as errors, once
# under AddressSanitizer and UndefinedBehaviorSanitizer; then the fuzz targets for a minute each,
# and the Debian package with its desktop entry and metadata checked.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

for variant in release asan; do
    dir=build/$variant
    flags=(-DKORVO_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)
    if [ "$variant" = asan ]; then
        flags+=(-DKORVO_SANITIZE=ON)
    fi
    echo "== $variant: build"
    cmake -S . -B "$dir" -G Ninja "${flags[@]}"
    cmake --build "$dir" -j "$jobs"
    echo "== $variant: tests"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done

echo "== fuzz targets"
tools/run-fuzzers.sh "${KORVO_FUZZ_SECONDS:-60}"

echo "== package"
tools/check-package.sh build/release
