#!/usr/bin/env bash
# Runs the whole test suite twice in a row while two busy processes keep both cores of a
# two-core machine loaded, as a crowded CI machine would; fails when a test fails in either run.
# The build folder (KOVA_BUILD_DIR, default build) is configured and built first, before the load.
# Usage: scripts/test-under-load.sh [extra ctest arguments]
# KOVA_JOBS sets the build and test parallelism (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${KOVA_BUILD_DIR:-build}
jobs=${KOVA_JOBS:-2}

if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build_dir" --parallel "$jobs"

busy=()
stop_load() {
  for pid in "${busy[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  busy=()
}
trap stop_load EXIT
for _ in 1 2; do
  yes >/dev/null &
  busy+=("$!")
done

failed=0
for run in 1 2; do
  echo "test-under-load: run $run of 2, with two busy processes"
  start=$(date +%s)
  if ctest --test-dir "$build_dir" --output-on-failure --parallel "$jobs" "$@"; then
    echo "test-under-load: run $run passed in $(($(date +%s) - start)) s"
  else
    echo "test-under-load: run $run FAILED after $(($(date +%s) - start)) s"
    failed=1
  fi
done
stop_load
exit "$failed"
