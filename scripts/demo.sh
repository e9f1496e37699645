#!/usr/bin/env bash
# Builds Velmora Kova and recovers the bundled demo card into ./recovered.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
build_dir=${KOVA_BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
echo "The recovery is still being built: the demo card cannot be recovered yet."
