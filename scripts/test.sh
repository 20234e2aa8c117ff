#!/usr/bin/env bash
# Builds everything and runs every test. BUILD_DIR and extra CMake options may be given:
#   scripts/test.sh                       # build/ (RelWithDebInfo)
#   BUILD_DIR=build-asan scripts/test.sh -DTARVO_SANITIZE=address,undefined
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" -DTARVO_BUILD_TESTS=ON -DTARVO_WERROR=ON "$@"
cmake --build "$build" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" --timeout 300
