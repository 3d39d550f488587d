#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, then the sanitizer build's suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs="$(nproc)"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure --timeout 300

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVX_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -j"$jobs" --output-on-failure --timeout 600
