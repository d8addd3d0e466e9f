#!/usr/bin/env bash
# Installs what is needed, then builds and runs every test twice: once with warnings as errors,
# once under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$(id -u)" = 0 ]; then
    tools/install-deps.sh
else
    sudo tools/install-deps.sh
fi

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

for variant in release asan; do
    dir=build/$variant
    flags=(-DKORVO_WERROR=ON)
    if [ "$variant" = asan ]; then
        flags+=(-DKORVO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
    else
        flags+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
    fi
    echo "== $variant build"
    cmake -S . -B "$dir" -G Ninja "${flags[@]}"
    cmake --build "$dir" -j "$jobs"
    echo "== $variant tests"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
done
