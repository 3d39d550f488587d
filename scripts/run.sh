#!/usr/bin/env bash
# Sets up, builds and runs the main job on its built-in default.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vexlo-libinfo
exec build/examples/vexlo-libinfo "$@"
